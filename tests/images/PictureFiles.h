// Picture files built byte by byte, for the picture tests and the image
// benchmarks alike (no test framework here): PNG chunks, a large PNG
// compressed a row at a time, and run-length BMPs.
#pragma once

#include <zlib.h>

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "images/pngcodec.h"

namespace pngtest {

inline QByteArray BE32(std::uint32_t v) {
  QByteArray b(4, 0);
  b[0] = static_cast<char>(v >> 24), b[1] = static_cast<char>(v >> 16), b[2] = static_cast<char>(v >> 8),
  b[3] = static_cast<char>(v);
  return b;
}

inline QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray b;
  for (int v : values) b.append(static_cast<char>(v));
  return b;
}

inline QByteArray Signature() { return Bytes({137, 80, 78, 71, 13, 10, 26, 10}); }

inline QByteArray Chunk(const char* name, const QByteArray& data) {
  QByteArray body = QByteArray(name, 4) + data;
  return BE32(static_cast<std::uint32_t>(data.size())) + body + BE32(PngCrc(0, body.constData(), body.size()));
}

inline QByteArray Ihdr(std::uint32_t w, std::uint32_t h, int depth, int type, int interlace = 0, int compression = 0,
                       int filter = 0) {
  return Chunk("IHDR", BE32(w) + BE32(h) + Bytes({depth, type, compression, filter, interlace}));
}

// An 8-bit PNG of w x h compressed a row at a time: RGB grey but for a red
// band every 1000 rows (8000 x 8000 gives about 200 KB), or with `alpha`,
// RGBA blue at half opacity. Empty when the compressor cannot start.
inline QByteArray LargePng(int w, int h, bool alpha = false) {
  const std::size_t channels = alpha ? 4 : 3;
  z_stream z{};
  if (deflateInit(&z, 9) != Z_OK) return {};
  QByteArray idat;
  std::vector<unsigned char> row(channels * static_cast<std::size_t>(w) + 1);
  std::vector<unsigned char> out(1 << 16);
  for (int y = 0; y < h; ++y) {
    row[0] = 0;
    const bool band = y % 1000 < 8;
    for (std::size_t x = 1; x < row.size(); x += channels) {
      if (alpha) {
        row[x] = row[x + 1] = 0;
        row[x + 2] = 255;
        row[x + 3] = 128;
      } else {
        row[x] = band ? 255 : 128;
        row[x + 1] = row[x + 2] = band ? 0 : 128;
      }
    }
    z.next_in = row.data();
    z.avail_in = static_cast<uInt>(row.size());
    const int flush = y + 1 == h ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, flush);
      idat.append(reinterpret_cast<const char*>(out.data()), qsizetype(out.size() - z.avail_out));
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return Signature() + Ihdr(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), 8, alpha ? 6 : 2) +
         Chunk("IDAT", idat) + Chunk("IEND", QByteArray());
}

inline void Le32(QByteArray& out, quint32 v) {
  for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
}
inline void Le16(QByteArray& out, int v) {
  out += char(v & 0xFF);
  out += char((v >> 8) & 0xFF);
}

// A run-length (8-bit) BMP of w x h with a two-colour table; `data` is the
// run-length data as it stands.
inline QByteArray RleBmp(int w, int h, const QByteArray& data) {
  const int offset = 14 + 40 + 8;
  QByteArray out("BM");
  Le32(out, quint32(offset + data.size()));
  Le32(out, 0);
  Le32(out, offset);
  Le32(out, 40);
  Le32(out, quint32(w));
  Le32(out, quint32(h));
  Le16(out, 1);
  Le16(out, 8);
  Le32(out, 1);  // BI_RLE8
  Le32(out, quint32(data.size()));
  Le32(out, 2835);
  Le32(out, 2835);
  Le32(out, 2);
  Le32(out, 0);
  out += QByteArray("\x00\x00\x00\x00\xFF\xFF\xFF\x00", 8);
  out += data;
  return out;
}

// A few runs, then the end of the picture: all else stays colour 0.
inline QByteArray RleRuns() { return QByteArray("\x40\x01\x00\x00\x40\x01\x00\x01", 8); }

}  // namespace pngtest
