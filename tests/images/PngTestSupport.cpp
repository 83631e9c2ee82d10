#include "PngTestSupport.h"

#include <zlib.h>

#include <QFile>
#include <QProcess>

namespace pngtest {

QByteArray Zlib(const QByteArray& raw, int level) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  QByteArray out(static_cast<qsizetype>(size), 0);
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
            static_cast<uLong>(raw.size()), level);
  out.resize(static_cast<qsizetype>(size));
  return out;
}

std::vector<ChunkInfo> SplitChunks(const QByteArray& file) {
  std::vector<ChunkInfo> chunks;
  qsizetype pos = 8;
  const auto* d = reinterpret_cast<const std::uint8_t*>(file.constData());
  while (pos + 12 <= file.size()) {
    const std::uint32_t len = (std::uint32_t{d[pos]} << 24) | (d[pos + 1] << 16) | (d[pos + 2] << 8) | d[pos + 3];
    if (pos + 12 + static_cast<qsizetype>(len) > file.size()) break;
    chunks.push_back({file.mid(pos + 4, 4), file.mid(pos + 8, len)});
    pos += 12 + len;
  }
  return chunks;
}

std::vector<int> FileSamples(const TPngGraphic& png, std::uint32_t x, std::uint32_t y) {
  const TChunkIHDR& h = png.Header();
  const TDibSection& dib = h.ImageData;
  const std::uint8_t* row = dib.Scanline(y);
  auto index = [&]() -> int {
    switch (dib.BitCount()) {
      case 8:
        return row[x];
      case 4:
        return (row[x >> 1] >> ((1 - (x & 1)) * 4)) & 0x0F;
      default:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
  };
  const int alpha = h.ImageAlpha.empty() ? -1 : h.ImageAlpha[std::size_t{h.Width} * y + x];
  switch (h.ColorType) {
    case 0:
      return {h.BitDepth == 2 ? index() / 5 : index()};
    case 3:
      return {index()};
    case 4:
      return {index(), alpha};
    case 2:
      return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    case 6:
      return {row[3 * x + 2], row[3 * x + 1], row[3 * x], alpha};
    default:
      return {};
  }
}

qint64 PeakMemory() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
  return -1;
}

bool ResetPeakMemory() {
  QFile refs(QStringLiteral("/proc/self/clear_refs"));
  return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

QString DataPath(const QString& relative) { return QStringLiteral(KV_TEST_DATA_DIR "/") + relative; }

int RunProgram(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000)) return -1;
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace pngtest
