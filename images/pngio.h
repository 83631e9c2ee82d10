// Byte-level reading and writing shared by the chunk classes and the image
// data codec. Short reads raise the unexpected-end error, failed writes a
// write error; nothing is trusted about a chunk length that the stream cannot
// back.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <cstdint>
#include <vector>

#include "images/pngcodec.h"

namespace pngio {

inline std::uint32_t GetBE32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
inline void PutBE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

// Reads a sample of `depth` bits (1, 2, 4, 8) at position k of a packed row,
// most significant bits first.
inline unsigned GetSample(const std::uint8_t* row, std::uint32_t k, int depth) {
  switch (depth) {
    case 8:
      return row[k];
    case 4:
      return (row[k >> 1] >> ((1 - (k & 1)) * 4)) & 0x0F;
    case 2:
      return (row[k >> 2] >> ((3 - (k & 3)) * 2)) & 0x03;
    default:
      return (row[k >> 3] >> (7 - (k & 7))) & 0x01;
  }
}

// Writes a sample of 1, 4 or 8 bits at position k of a packed row.
inline void SetSample(std::uint8_t* row, std::uint32_t k, int depth, unsigned v) {
  switch (depth) {
    case 8:
      row[k] = static_cast<std::uint8_t>(v);
      break;
    case 4: {
      const int shift = (1 - static_cast<int>(k & 1)) * 4;
      row[k >> 1] = static_cast<std::uint8_t>((row[k >> 1] & ~(0x0F << shift)) | ((v & 0x0F) << shift));
      break;
    }
    default: {
      const int shift = 7 - static_cast<int>(k & 7);
      row[k >> 3] = static_cast<std::uint8_t>((row[k >> 3] & ~(1 << shift)) | ((v & 1) << shift));
      break;
    }
  }
}

// Reads up to n bytes, waiting for sequential devices; the count read.
qint64 ReadUpTo(QIODevice& stream, void* data, qint64 n);
// Reads exactly n bytes or raises EPngUnexpectedEnd.
void ReadExact(QIODevice& stream, void* data, qint64 n);
// Reads exactly n bytes into a vector grown as the data arrives, so that a
// false length on a sequential stream allocates no more than was really sent.
void ReadBlock(QIODevice& stream, std::vector<std::uint8_t>& into, std::uint32_t n);
// Moves forward by n bytes or raises EPngUnexpectedEnd.
void Skip(QIODevice& stream, qint64 n);
// Raises EPngUnexpectedEnd when a chunk of this data length (plus its CRC)
// cannot be in the stream.
void CheckChunkLength(QIODevice& stream, std::uint32_t length);
// Writes all bytes or raises EWriteError.
void WriteAll(QIODevice& stream, const void* data, qint64 n);
// Writes one complete chunk.
void WriteChunk(QIODevice& stream, const char name[4], const std::uint8_t* data, std::uint32_t size);

// zlib's text for an error code, "data error (-3)".
QString ZlibErrorText(int code);
// Inflates one whole zlib stream; false on any error or when the result
// would exceed maxOut.
bool InflateAll(const std::uint8_t* data, std::size_t size, std::size_t maxOut, QByteArray& out);
// Deflates one whole zlib stream; false (and the zlib code) on failure.
bool DeflateAll(const QByteArray& in, int level, QByteArray& out, int& errorCode);
int ClampLevel(int level);

}  // namespace pngio
