// Damaged files: every cut and thousands of seeded changes end in a valid
// picture or one of the codec's own errors, never a crash or a hang.
#include <gtest/gtest.h>

#include <random>
#include <typeinfo>

#include "PngReference.h"
#include "PngTestSupport.h"
#include "tests/common/TestUtil.h"
#include "images/pngcodec.h"

using namespace pngtest;

namespace {

bool IsCodecError(const Exception& e) {
  return dynamic_cast<const EPngError*>(&e) || dynamic_cast<const EPNGOutMemory*>(&e) ||
         dynamic_cast<const EPngUnexpectedEnd*>(&e) || dynamic_cast<const EPngInvalidCRC*>(&e) ||
         dynamic_cast<const EPngInvalidIHDR*>(&e) || dynamic_cast<const EPNGMissingMultipleIDAT*>(&e) ||
         dynamic_cast<const EPNGZLIBError*>(&e) || dynamic_cast<const EPNGInvalidPalette*>(&e) ||
         dynamic_cast<const EPNGInvalidFileHeader*>(&e) || dynamic_cast<const EPNGIHDRNotFirst*>(&e) ||
         dynamic_cast<const EPNGSizeExceeds*>(&e) || dynamic_cast<const EPNGUnknownCriticalChunk*>(&e) ||
         dynamic_cast<const EPNGUnknownCompression*>(&e) || dynamic_cast<const EPNGUnknownInterlace*>(&e) ||
         dynamic_cast<const EPNGNoImageData*>(&e) || dynamic_cast<const EPNGHeaderNotPresent*>(&e);
}

// Loads the file; whatever came out is then drawn, converted and saved.
void Exercise(const QByteArray& file, const std::string& what) {
  TPngGraphic png;
  try {
    Load(png, file);
  } catch (const Exception& e) {
    ASSERT_TRUE(IsCodecError(e)) << what << ": " << typeid(e).name() << " " << e.what();
  }
  if (!png.HeaderPresent()) return;
  if (png.GetWidth() * static_cast<qint64>(png.GetHeight()) > 4'000'000) return;
  png.ToBitmap();
  png.GetPixels(0, 0);
  try {
    Save(png);
  } catch (const Exception& e) {
    ASSERT_TRUE(IsCodecError(e)) << what << " (save): " << e.what();
  }
}

QByteArray SmallFile() {
  RefWriteOptions o;
  o.width = 20, o.height = 12, o.colorType = 3, o.bitDepth = 4, o.interlace = 1, o.trns = true, o.texts = true,
  o.time = true, o.gamma = true;
  return RefWrite(o);
}

}  // namespace

TEST(PngDamage, CutAtEveryOffset) {
  for (const QByteArray& file :
       {SmallFile(), ReadFileBytes(DataPath("pngsuite/basn6a16.png")).left(1200),
        ReadFileBytes(DataPath("pngsuite/basn3p04-31i.png"))}) {
    ASSERT_GT(file.size(), 200);
    for (qsizetype n = 0; n < file.size(); ++n) {
      Exercise(file.left(n), "cut at " + std::to_string(n));
      if (HasFatalFailure()) return;
    }
  }
}

TEST(PngDamage, SeededMutations) {
  const QByteArray sources[] = {SmallFile(), ReadFileBytes(DataPath("pngsuite/basn2c16.png")),
                                ReadFileBytes(DataPath("pngsuite/basn4a08.png"))};
  std::mt19937 random(20240229);
  for (int round = 0; round < 3000; ++round) {
    QByteArray file = sources[round % 3];
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) {
      const auto pos = static_cast<qsizetype>(random() % static_cast<std::uint32_t>(file.size()));
      switch (random() % 3) {
        case 0: file[pos] = static_cast<char>(random()); break;
        case 1: file[pos] = static_cast<char>(file[pos] ^ (1 << (random() % 8))); break;
        default: file.remove(pos, 1 + static_cast<qsizetype>(random() % 8)); break;
      }
    }
    Exercise(file, "mutation round " + std::to_string(round));
    if (HasFatalFailure()) return;
  }
}

TEST(PngDamage, MutatedFilesWithRepairedCrcs) {
  // Changes inside chunk data with the CRC made to match, so that they reach
  // the chunk loaders and the image decoder.
  const QByteArray source = SmallFile();
  std::mt19937 random(77);
  for (int round = 0; round < 2000; ++round) {
    auto chunks = SplitChunks(source);
    auto& victim = chunks[random() % chunks.size()];
    if (victim.data.isEmpty()) continue;
    for (int c = 0; c < 1 + static_cast<int>(random() % 3); ++c)
      victim.data[random() % static_cast<std::uint32_t>(victim.data.size())] = static_cast<char>(random());
    QByteArray file = Signature();
    for (const auto& chunk : chunks) file += Chunk(chunk.name.constData(), chunk.data);
    Exercise(file, "repaired round " + std::to_string(round));
    if (HasFatalFailure()) return;
  }
}
