#include "PngReference.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <random>

namespace {

struct ReadSource {
  const QByteArray* data;
  std::size_t pos;
};

void ReadCallback(png_structp png, png_bytep out, png_size_t n) {
  auto* src = static_cast<ReadSource*>(png_get_io_ptr(png));
  if (src->pos + n > static_cast<std::size_t>(src->data->size())) png_error(png, "read past end");
  std::memcpy(out, src->data->constData() + src->pos, n);
  src->pos += n;
}

struct ErrorState {
  RefImage* image;
};

void ErrorCallback(png_structp png, png_const_charp message) {
  auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
  state->image->error = message;
  png_longjmp(png, 1);
}

void WarningCallback(png_structp png, png_const_charp) {
  auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
  state->image->warnings++;
}

RefImage Decode(const QByteArray& file, bool rgba) {
  RefImage image;
  ErrorState state{&image};
  ReadSource source{&file, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, ErrorCallback, WarningCallback);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> pointers;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    image.ok = false;
    return image;
  }
  png_set_read_fn(png, &source, ReadCallback);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
  png_read_info(png, info);
  png_uint_32 w, h;
  int depth, type, interlace;
  png_get_IHDR(png, info, &w, &h, &depth, &type, &interlace, nullptr, nullptr);
  image.width = w, image.height = h, image.bitDepth = depth, image.colorType = type, image.interlace = interlace;
  png_fixed_point g;
  if (png_get_gAMA_fixed(png, info, &g)) image.hasGamma = true, image.gammaFixed = static_cast<std::uint32_t>(g);
  png_set_strip_16(png);
  if (rgba) {
    png_set_expand(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  } else {
    png_set_packing(png);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  image.channels = png_get_channels(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  image.rows.assign(h, std::vector<std::uint8_t>(rowBytes));
  pointers.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) pointers[y] = image.rows[y].data();
  png_read_image(png, pointers.data());
  png_read_end(png, info);
  png_textp text;
  int count = 0;
  if (png_get_text(png, info, &text, &count) > 0)
    for (int i = 0; i < count; ++i) image.texts.push_back(std::string(text[i].key) + "=" + text[i].text);
  png_timep time;
  if (png_get_tIME(png, info, &time)) {
    image.hasTime = true;
    image.year = time->year, image.month = time->month, image.day = time->day;
    image.hour = time->hour, image.minute = time->minute, image.second = time->second;
  }
  image.ok = true;
  png_destroy_read_struct(&png, &info, nullptr);
  return image;
}

void WriteCallback(png_structp png, png_bytep data, png_size_t n) {
  static_cast<QByteArray*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(n));
}
void FlushCallback(png_structp) {}

}  // namespace

RefImage RefDecodeRaw(const QByteArray& file) { return Decode(file, false); }
RefImage RefDecodeRgba(const QByteArray& file) { return Decode(file, true); }

QByteArray RefWrite(const RefWriteOptions& o) {
  QByteArray out;
  RefImage dummy;
  ErrorState state{&dummy};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, ErrorCallback, WarningCallback);
  png_infop info = png_create_info_struct(png);
  std::mt19937 random(o.seed);
  const int channels = o.colorType == 2 ? 3 : o.colorType == 4 ? 2 : o.colorType == 6 ? 4 : 1;
  const std::size_t rowBytes = (static_cast<std::size_t>(o.width) * channels * o.bitDepth + 7) / 8;
  std::vector<std::vector<std::uint8_t>> rows(o.height, std::vector<std::uint8_t>(rowBytes));
  for (auto& row : rows)
    for (auto& b : row) b = static_cast<std::uint8_t>(random() >> 24);
  std::vector<png_bytep> pointers(o.height);
  for (std::uint32_t y = 0; y < o.height; ++y) pointers[y] = rows[y].data();
  std::vector<png_color> palette;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return QByteArray();
  }
  png_set_write_fn(png, &out, WriteCallback, FlushCallback);
  png_set_IHDR(png, info, o.width, o.height, o.bitDepth, o.colorType,
               o.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, o.level);
  if (o.filter >= 0) {
    static const int masks[5] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH};
    png_set_filter(png, 0, masks[o.filter]);
  }
  if (o.colorType == 3) {
    const int n = 1 << o.bitDepth;
    for (int i = 0; i < n; ++i)
      palette.push_back(png_color{static_cast<png_byte>(random() >> 24), static_cast<png_byte>(random() >> 24),
                                  static_cast<png_byte>(random() >> 24)});
    png_set_PLTE(png, info, palette.data(), n);
  }
  if (o.gamma) png_set_gAMA_fixed(png, info, static_cast<png_fixed_point>(o.gammaFixed));
  png_byte alphas[256];
  png_color_16 key{};
  if (o.trns) {
    if (o.colorType == 3) {
      const int n = 1 << o.bitDepth;
      for (int i = 0; i < n; ++i) alphas[i] = static_cast<png_byte>(random() >> 24);
      alphas[0] = 0;
      png_set_tRNS(png, info, alphas, n, nullptr);
    } else if (o.colorType == 0 || o.colorType == 2) {
      // The key is the first pixel's colour, so that it occurs.
      const std::uint8_t* p = rows[0].data();
      if (o.colorType == 0) {
        if (o.bitDepth == 16)
          key.gray = static_cast<png_uint_16>((p[0] << 8) | p[1]);
        else
          key.gray = static_cast<png_uint_16>(p[0] >> (8 - o.bitDepth));
      } else if (o.bitDepth == 16) {
        key.red = static_cast<png_uint_16>((p[0] << 8) | p[1]);
        key.green = static_cast<png_uint_16>((p[2] << 8) | p[3]);
        key.blue = static_cast<png_uint_16>((p[4] << 8) | p[5]);
      } else {
        key.red = p[0], key.green = p[1], key.blue = p[2];
      }
      png_set_tRNS(png, info, nullptr, 0, &key);
    }
  }
  png_text texts[2];
  char key1[] = "Title", text1[] = "A test image", key2[] = "Comment", text2[] = "Compressed words, compressed words";
  if (o.texts) {
    std::memset(texts, 0, sizeof texts);
    texts[0].compression = PNG_TEXT_COMPRESSION_NONE, texts[0].key = key1, texts[0].text = text1;
    texts[1].compression = PNG_TEXT_COMPRESSION_zTXt, texts[1].key = key2, texts[1].text = text2;
    png_set_text(png, info, texts, 2);
  }
  png_time time{2024, 2, 29, 23, 59, 58};
  if (o.time) png_set_tIME(png, info, &time);
  png_unknown_chunk unknown;
  std::uint8_t privateData[5] = {1, 2, 3, 4, 5};
  if (o.privateChunk) {
    std::memset(&unknown, 0, sizeof unknown);
    std::memcpy(unknown.name, "prVt", 5);
    unknown.data = privateData;
    unknown.size = sizeof privateData;
    unknown.location = PNG_HAVE_PLTE;
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, reinterpret_cast<png_const_bytep>("prVt"), 1);
    png_set_unknown_chunks(png, info, &unknown, 1);
  }
  png_write_info(png, info);
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}
