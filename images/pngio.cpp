#include "images/pngio.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "images/pngmessages.h"

namespace pngio {

qint64 ReadUpTo(QIODevice& stream, void* data, qint64 n) {
  auto* p = static_cast<char*>(data);
  qint64 done = 0;
  while (done < n) {
    const qint64 r = stream.read(p + done, n - done);
    if (r < 0) break;
    if (r == 0) {
      if (!stream.isSequential() || !stream.waitForReadyRead(3000)) break;
      continue;
    }
    done += r;
  }
  return done;
}

void ReadExact(QIODevice& stream, void* data, qint64 n) {
  if (ReadUpTo(stream, data, n) != n) throw EPngUnexpectedEnd(pngmessages::EPNGUnexpectedEndText);
}

void ReadBlock(QIODevice& stream, std::vector<std::uint8_t>& into, std::uint32_t n) {
  constexpr std::uint32_t kStep = 1u << 20;
  into.clear();
  if (!stream.isSequential()) {
    into.resize(n);
    ReadExact(stream, into.data(), n);
    return;
  }
  std::uint32_t done = 0;
  while (done < n) {
    const std::uint32_t part = std::min(kStep, n - done);
    into.resize(done + part);
    ReadExact(stream, into.data() + done, part);
    done += part;
  }
}

void Skip(QIODevice& stream, qint64 n) {
  if (!stream.isSequential()) {
    if (stream.size() - stream.pos() < n || !stream.seek(stream.pos() + n))
      throw EPngUnexpectedEnd(pngmessages::EPNGUnexpectedEndText);
    return;
  }
  char buffer[16384];
  while (n > 0) {
    const qint64 part = std::min<qint64>(n, sizeof buffer);
    ReadExact(stream, buffer, part);
    n -= part;
  }
}

void CheckChunkLength(QIODevice& stream, std::uint32_t length) {
  if (length > 0x7FFFFFFFu) throw EPngUnexpectedEnd(pngmessages::EPNGUnexpectedEndText);
  if (!stream.isSequential() && stream.size() - stream.pos() < qint64{length} + 4)
    throw EPngUnexpectedEnd(pngmessages::EPNGUnexpectedEndText);
}

void WriteAll(QIODevice& stream, const void* data, qint64 n) {
  if (n > 0 && stream.write(static_cast<const char*>(data), n) != n) throw EWriteError(stream.errorString());
}

void WriteChunk(QIODevice& stream, const char name[4], const std::uint8_t* data, std::uint32_t size) {
  std::uint8_t head[8];
  PutBE32(head, size);
  std::memcpy(head + 4, name, 4);
  std::uint32_t crc = PngCrc(0, name, 4);
  if (size) crc = PngCrc(crc, data, size);
  std::uint8_t tail[4];
  PutBE32(tail, crc);
  WriteAll(stream, head, 8);
  WriteAll(stream, data, size);
  WriteAll(stream, tail, 4);
}

QString ZlibErrorText(int code) {
  const char* text = "unknown error";
  switch (code) {
    case Z_NEED_DICT:
      text = "need dictionary";
      break;
    case Z_ERRNO:
      text = "file error";
      break;
    case Z_STREAM_ERROR:
      text = "stream error";
      break;
    case Z_DATA_ERROR:
      text = "data error";
      break;
    case Z_MEM_ERROR:
      text = "insufficient memory";
      break;
    case Z_BUF_ERROR:
      text = "buffer error";
      break;
    case Z_VERSION_ERROR:
      text = "incompatible version";
      break;
    default:
      break;
  }
  return QStringLiteral("%1 (%2)").arg(QLatin1String(text)).arg(code);
}

int ClampLevel(int level) { return std::clamp(level, -1, 9); }

bool InflateAll(const std::uint8_t* data, std::size_t size, std::size_t maxOut, QByteArray& out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  out.clear();
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  char window[16384];
  int r = Z_OK;
  bool ok = false;
  for (;;) {
    z.next_out = reinterpret_cast<Bytef*>(window);
    z.avail_out = sizeof window;
    r = inflate(&z, Z_NO_FLUSH);
    const std::size_t produced = sizeof window - z.avail_out;
    if (static_cast<std::size_t>(out.size()) + produced > maxOut) break;
    out.append(window, static_cast<qsizetype>(produced));
    if (r == Z_STREAM_END) {
      ok = true;
      break;
    }
    // Input used up without the stream end, or an error.
    if (r != Z_OK) break;
  }
  inflateEnd(&z);
  return ok;
}

bool DeflateAll(const QByteArray& in, int level, QByteArray& out, int& errorCode) {
  z_stream z{};
  errorCode = deflateInit(&z, ClampLevel(level));
  if (errorCode != Z_OK) return false;
  out.clear();
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
  z.avail_in = static_cast<uInt>(in.size());
  char window[16384];
  int r;
  do {
    z.next_out = reinterpret_cast<Bytef*>(window);
    z.avail_out = sizeof window;
    r = deflate(&z, Z_FINISH);
    const std::size_t produced = sizeof window - z.avail_out;
    if (r != Z_OK && r != Z_STREAM_END && !(r == Z_BUF_ERROR && produced > 0)) break;
    out.append(window, static_cast<qsizetype>(produced));
  } while (r != Z_STREAM_END);
  deflateEnd(&z);
  errorCode = r == Z_STREAM_END ? Z_OK : r;
  return r == Z_STREAM_END;
}

}  // namespace pngio
