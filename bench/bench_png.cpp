// Decode and encode speed of the PNG codec against libpng, memory to memory,
// with the same zlib, level (7), strategy, window, filter (Sub) and data
// chunk size (65535) on both sides.
//
//   KV_BENCH_PNG_SIZE  side of the square test images (default 4096)
//
// After the runs the program prints, per image, libpng's time divided by
// ours (above 1: we are faster) and the ratio of the encoded sizes.
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <QBuffer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchUtil.h"
#include "images/pngcodec.h"

namespace {

struct Kind {
  const char* name;
  int colorType;
  int interlace;
};
const Kind kKinds[] = {{"RGB", 2, 0}, {"RGBA", 6, 0}, {"Palette", 3, 0}, {"RGBInterlaced", 2, 1}};

struct Sample {
  std::uint32_t side = 0;
  int channels = 0;
  std::vector<std::vector<png_byte>> rows;  // as libpng takes them
  std::vector<png_color> palette;
  QByteArray file;  // written by libpng
};

struct WriteTarget {
  QByteArray bytes;
};
void WriteBytes(png_structp png, png_bytep data, png_size_t n) {
  static_cast<WriteTarget*>(png_get_io_ptr(png))
      ->bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(n));
}
void FlushBytes(png_structp) {}

QByteArray LibpngEncode(const Sample& s, const Kind& k) {
  WriteTarget target;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return QByteArray();
  }
  png_set_write_fn(png, &target, WriteBytes, FlushBytes);
  png_set_IHDR(png, info, s.side, s.side, 8, k.colorType, k.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (k.colorType == 3) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  png_set_compression_level(png, 7);
  png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
  png_set_compression_window_bits(png, 15);
  png_set_compression_mem_level(png, 8);
  png_set_filter(png, 0, PNG_FILTER_SUB);
  png_set_compression_buffer_size(png, 65535);
  png_write_info(png, info);
  std::vector<png_bytep> pointers(s.side);
  for (std::uint32_t y = 0; y < s.side; ++y) pointers[y] = const_cast<png_bytep>(s.rows[y].data());
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return target.bytes;
}

struct ReadSource {
  const QByteArray* data;
  std::size_t pos;
};
void ReadBytes(png_structp png, png_bytep out, png_size_t n) {
  auto* src = static_cast<ReadSource*>(png_get_io_ptr(png));
  if (src->pos + n > static_cast<std::size_t>(src->data->size())) png_error(png, "short");
  std::memcpy(out, src->data->constData() + src->pos, n);
  src->pos += n;
}

// libpng's decode with the same output as ours: BGR order, indices as they
// are, interlace handled; the output buffer is allocated per run.
bool LibpngDecode(const QByteArray& file, std::vector<png_byte>& image) {
  ReadSource source{&file, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &source, ReadBytes);
  png_read_info(png, info);
  png_set_strip_16(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  const png_uint_32 h = png_get_image_height(png, info);
  image.assign(rowBytes * h, 0);
  std::vector<png_bytep> pointers(h);
  for (png_uint_32 y = 0; y < h; ++y) pointers[y] = image.data() + rowBytes * y;
  png_read_image(png, pointers.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

const Sample& SampleFor(const Kind& k) {
  static std::map<std::string, Sample> samples;
  auto it = samples.find(k.name);
  if (it != samples.end()) return it->second;
  Sample& s = samples[k.name];
  s.side = static_cast<std::uint32_t>(EnvInt("KV_BENCH_PNG_SIZE", 4096));
  s.channels = k.colorType == 2 ? 3 : k.colorType == 6 ? 4 : 1;
  std::mt19937 random(42);
  if (k.colorType == 3)
    for (int i = 0; i < 256; ++i)
      s.palette.push_back(
          png_color{static_cast<png_byte>(i), static_cast<png_byte>(255 - i), static_cast<png_byte>((i * 7) & 255)});
  s.rows.assign(s.side, std::vector<png_byte>(std::size_t{s.side} * s.channels));
  // Gradients with a little seeded noise, like photographs and drawings.
  for (std::uint32_t y = 0; y < s.side; ++y)
    for (std::uint32_t x = 0; x < s.side; ++x)
      for (int c = 0; c < s.channels; ++c) {
        const unsigned base = c == 3 ? (x + y) / 32 : (x * (c + 1) + y * (3 - c)) / 16;
        s.rows[y][std::size_t{x} * s.channels + c] = static_cast<png_byte>(base + (random() % 4));
      }
  s.file = LibpngEncode(s, k);
  return s;
}

void BM_DecodeOurs(benchmark::State& state, Kind k) {
  const Sample& s = SampleFor(k);
  for (auto _ : state) {
    TPngGraphic png;
    QByteArray copy = s.file;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    png.LoadFromStream(buffer);
    if (png.GetWidth() != static_cast<int>(s.side)) state.SkipWithError("wrong width");
    benchmark::DoNotOptimize(png.Scanline(0));
  }
  state.counters["MP/s"] =
      benchmark::Counter(double(s.side) * s.side * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

void BM_DecodeLibpng(benchmark::State& state, Kind k) {
  const Sample& s = SampleFor(k);
  std::vector<png_byte> image;
  for (auto _ : state) {
    if (!LibpngDecode(s.file, image)) state.SkipWithError("libpng failed");
    benchmark::DoNotOptimize(image.data());
    std::vector<png_byte>().swap(image);
  }
  state.counters["MP/s"] =
      benchmark::Counter(double(s.side) * s.side * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

std::map<std::string, double> g_sizes;

void BM_EncodeOurs(benchmark::State& state, Kind k) {
  const Sample& s = SampleFor(k);
  TPngGraphic png;
  {
    QByteArray copy = s.file;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    png.LoadFromStream(buffer);
  }
  png.InterlaceMethod = static_cast<std::uint8_t>(k.interlace);
  png.CompressionLevel = 7;
  png.Filters = FilterBit(pfSub);
  png.SetMaxIdatSize(65535);
  qsizetype size = 0;
  for (auto _ : state) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    png.SaveToStream(buffer);
    size = out.size();
  }
  g_sizes[std::string("ours/") + k.name] = static_cast<double>(size);
  state.counters["MP/s"] =
      benchmark::Counter(double(s.side) * s.side * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

void BM_EncodeLibpng(benchmark::State& state, Kind k) {
  const Sample& s = SampleFor(k);
  qsizetype size = 0;
  for (auto _ : state) size = LibpngEncode(s, k).size();
  g_sizes[std::string("libpng/") + k.name] = static_cast<double>(size);
  state.counters["MP/s"] =
      benchmark::Counter(double(s.side) * s.side * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      // With repetitions the median stands for the benchmark.
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      times[r.run_name.function_name] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  for (const Kind& k : kKinds) {
    benchmark::RegisterBenchmark((std::string("Decode/ours/") + k.name).c_str(), BM_DecodeOurs, k)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("Decode/libpng/") + k.name).c_str(), BM_DecodeLibpng, k)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("Encode/ours/") + k.name).c_str(), BM_EncodeOurs, k)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("Encode/libpng/") + k.name).c_str(), BM_EncodeLibpng, k)
        ->Unit(benchmark::kMillisecond);
  }
  RatioReporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  for (const Kind& k : kKinds)
    for (const char* op : {"Decode", "Encode"}) {
      const auto ours = reporter.times.find(std::string(op) + "/ours/" + k.name);
      const auto ref = reporter.times.find(std::string(op) + "/libpng/" + k.name);
      if (ours == reporter.times.end() || ref == reporter.times.end() || ours->second <= 0) continue;
      std::printf("speed %s %s: libpng time / our time = %.2f (target >= 0.9)\n", op, k.name,
                  ref->second / ours->second);
    }
  for (const Kind& k : kKinds) {
    const double ours = g_sizes[std::string("ours/") + k.name], ref = g_sizes[std::string("libpng/") + k.name];
    if (ours > 0 && ref > 0)
      std::printf("size %s: our bytes / libpng bytes = %.4f (target <= 1.02)\n", k.name, ours / ref);
  }
  return 0;
}
