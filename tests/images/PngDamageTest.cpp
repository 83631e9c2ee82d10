// Damaged files: every cut and thousands of seeded changes end in a valid
// picture or one of the codec's own errors, never a crash or a hang.
#include <gtest/gtest.h>

#include <random>
#include <typeinfo>

#include "PngReference.h"
#include "PngTestSupport.h"
#include "images/pngcodec.h"
#include "tests/common/TestUtil.h"

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
  for (const QByteArray& file : {SmallFile(), ReadFileBytes(DataPath("pngsuite/basn6a16.png")).left(1200),
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
        case 0:
          file[pos] = static_cast<char>(random());
          break;
        case 1:
          file[pos] = static_cast<char>(file[pos] ^ (1 << (random() % 8)));
          break;
        default:
          file.remove(pos, 1 + static_cast<qsizetype>(random() % 8));
          break;
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

TEST(PngDamage, CraftedCompressedStreams) {
  // A 2 x 2 grey image; each case replaces its compressed data.
  const QByteArray rows = Bytes({0, 1, 2, 0, 3, 4});
  const QByteArray z = Zlib(rows);
  const QByteArray body = z.mid(2);  // the deflate data without the zlib header
  const QString zlibError =
      QStringLiteral("Could not decompress the image because it contains invalid compressed data.\r\n Description: ");
  struct Case {
    const char* what;
    QByteArray data;        // the compressed data chunks
    QString error;          // the EPNGZLIBError text, empty when the file loads
    std::vector<int> last;  // then the sample of the last pixel
  };
  const Case cases[] = {
      {"preset dictionary flag", Bytes({0x78, 0x20, 0, 0, 0, 1}) + body, zlibError + "need dictionary (2)", {}},
      {"window size above 32K", Bytes({0x88, 0x1C}) + body, zlibError + "data error (-3)", {}},
      {"not deflate", Bytes({0x79, 0x9C}) + body, zlibError + "data error (-3)", {}},
      {"bad block type", z.left(2) + char(0xFF) + z.mid(3), zlibError + "data error (-3)", {}},
      {"stream ends early", z.left(z.size() - 7), {}, {0}},
      {"header only", z.left(2), {}, {0}},
      {"garbage after the stream end", z + "garbage", {}, {4}},
      {"garbage chunk after the stream end", z, {}, {4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QByteArray file = Signature() + Ihdr(2, 2, 8, 0) + Chunk("IDAT", c.data);
    if (QByteArray(c.what).contains("chunk")) file += Chunk("IDAT", "trailing garbage");
    file += Chunk("IEND", {});
    TPngGraphic png;
    if (!c.error.isEmpty()) {
      EXPECT_EQ(MessageOf<EPNGZLIBError>([&] { Load(png, file); }), c.error);
      continue;
    }
    Load(png, file);
    EXPECT_EQ(FileSamples(png, 1, 1), c.last);
    EXPECT_EQ(png.Chunks().Item(png.Chunks().Count() - 1)->Name(), "IEND");
  }
}

TEST(PngDamage, TextAndChunkCountsCannotMultiplyTheFileSize) {
  // Forty compressed texts of 8 MB each, about 8 KB apiece in the file:
  // together they inflate to no more than one text's limit; the rest stay
  // as read.
  const QByteArray packed = QByteArray("Bomb\0\0", 6) + Zlib(QByteArray(8 << 20, 'a'), 9);
  QByteArray middle;
  for (int i = 0; i < 40; ++i) middle += Chunk("zTXt", packed);
  TPngGraphic png;
  Load(png, File(Ihdr(1, 1, 8, 0), middle, Bytes({0, 7})));
  qint64 inflated = 0;
  int raw = 0;
  for (int i = 0; i < png.Chunks().Count(); ++i)
    if (const auto* z = dynamic_cast<const TChunkzTXt*>(png.Chunks().Item(i))) {
      if (z->Text.size() == 8 << 20) inflated += z->Text.size();
      raw += z->Text == packed.mid(5);
    }
  EXPECT_EQ(inflated, 16 << 20);
  EXPECT_EQ(raw, 38);

  // A million empty ancillary chunks (12 MB): the picture keeps the first
  // kPngMaxAncillaryChunks and skips the rest.
  QByteArray many = Signature() + Ihdr(1, 1, 8, 0);
  const QByteArray empty = Chunk("prVt", {});
  many.reserve(many.size() + 12 * 1'000'000 + 100);
  for (int i = 0; i < 1'000'000; ++i) many += empty;
  many += Chunk("IDAT", Zlib(Bytes({0, 7}))) + Chunk("IEND", {});
  Load(png, many);
  EXPECT_EQ(png.Chunks().Count(), 1 + kPngMaxAncillaryChunks + 2);
  EXPECT_EQ(FileSamples(png, 0, 0), std::vector<int>{7});
}

TEST(PngDamage, ABigHeaderWithLittleDataTakesLittleMemory) {
  // 65535 × 65535 at 1 bit (537 MB) and 16384 × 16384 RGB (805 MB), with
  // one row of data: the rest of the picture stays zero without taking room.
  const QByteArray files[] = {File(Ihdr(65535, 65535, 1, 0), {}, QByteArray(8193, '\xFF')),
                              File(Ihdr(16384, 16384, 8, 2), {}, QByteArray(3 * 16384 + 1, '\x40'))};
#if defined(__SANITIZE_ADDRESS__)
  constexpr bool kMeasure = false;  // the sanitizer's shadow memory follows every block
#else
  constexpr bool kMeasure = true;
#endif
  for (const QByteArray& file : files) {
    const bool measured = kMeasure && ResetPeakMemory();
    const qint64 before = PeakMemory();
    TPngGraphic png;
    Load(png, file);
    EXPECT_EQ(png.GetPixels(0, 0), png.Header().ColorType == 0 ? 0xFFFFFF : 0x404040);
    EXPECT_EQ(png.GetPixels(png.GetWidth() - 1, png.GetHeight() - 1), 0);
    if (measured && before > 0) {
      EXPECT_LT(PeakMemory() - before, 64 << 20);
    }
  }
}
