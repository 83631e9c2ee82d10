// Shared helpers of the PNG tests: building files chunk by chunk, loading
// and saving through memory, and reading back samples as they were in the file.
#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "images/pngcodec.h"
#include "tests/images/PictureFiles.h"

namespace pngtest {

// A zlib stream of the given bytes.
QByteArray Zlib(const QByteArray& raw, int level = 6);

// A whole file: IHDR, the given chunks, IDAT holding the rows (each already
// with its filter byte), IEND.
inline QByteArray File(const QByteArray& ihdr, const QByteArray& middle, const QByteArray& rows) {
  return Signature() + ihdr + middle + Chunk("IDAT", Zlib(rows)) + Chunk("IEND", QByteArray());
}

inline void Load(TPngGraphic& png, const QByteArray& file) {
  QByteArray copy = file;
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  png.LoadFromStream(buffer);
}

inline QByteArray Save(TPngGraphic& png) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  png.SaveToStream(buffer);
  return out;
}

struct ChunkInfo {
  QByteArray name;
  QByteArray data;
};
// The chunks of a file, in order (no checks).
std::vector<ChunkInfo> SplitChunks(const QByteArray& file);
inline std::vector<QByteArray> ChunkNames(const QByteArray& file) {
  std::vector<QByteArray> names;
  for (const ChunkInfo& c : SplitChunks(file)) names.push_back(c.name);
  return names;
}

// The samples of pixel (x, y) as the file holds them (16-bit ones cut to
// their high byte), in file order: grey or index, then alpha; or R, G, B, then A.
std::vector<int> FileSamples(const TPngGraphic& png, std::uint32_t x, std::uint32_t y);

// The message of the exception E raised by f, or a failure.
template <class E, class F>
QString MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected exception: " << e.what();
    return QString();
  }
  ADD_FAILURE() << "no exception";
  return QString();
}

// Lowers the pixel-memory limit for one test.
class MemoryLimit {
 public:
  explicit MemoryLimit(std::uint64_t bytes) : old_(PngMaxImageMemory()) { SetPngMaxImageMemory(bytes); }
  ~MemoryLimit() { SetPngMaxImageMemory(old_); }

 private:
  std::uint64_t old_;
};

// The peak resident memory in bytes since the last reset, or -1 where the
// system does not tell.
qint64 PeakMemory();
// Starts a new peak; false where the system cannot.
bool ResetPeakMemory();

QString DataPath(const QString& relative);
// Runs a program; its exit code, or -1 when it could not run.
int RunProgram(const QString& program, const QStringList& arguments);

}  // namespace pngtest
