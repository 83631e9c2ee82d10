// The image data codec, checked against libpng: the PngSuite files, a corpus
// that libpng writes at test time, and our own output read back by libpng
// and pngfix.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <random>

#include "PngReference.h"
#include "PngTestSupport.h"
#include "images/pngcodec.h"
#include "tests/common/TestUtil.h"

using namespace pngtest;

namespace {

// The gamma table the codec builds for a gAMA value.
std::array<int, 256> GammaFor(bool has, std::uint32_t value) {
  std::array<int, 256> table;
  for (int i = 0; i < 256; ++i) table[i] = i;
  if (has && value != 0)
    for (int i = 0; i < 256; ++i)
      table[i] = static_cast<int>(std::lround(std::pow(i / 255.0, 1.0 / (value / 100000.0 * 2.2)) * 255.0));
  return table;
}

// Compares our decoding of a file with libpng's: header, raw samples, and
// the displayed colours and alpha.
void ExpectSameAsLibpng(const QByteArray& file, const std::string& what) {
  SCOPED_TRACE(what);
  const RefImage raw = RefDecodeRaw(file);
  const RefImage rgba = RefDecodeRgba(file);
  ASSERT_TRUE(raw.ok) << raw.error;
  ASSERT_TRUE(rgba.ok) << rgba.error;
  TPngGraphic png;
  Load(png, file);
  const TChunkIHDR& h = png.Header();
  ASSERT_EQ(h.Width, raw.width);
  ASSERT_EQ(h.Height, raw.height);
  ASSERT_EQ(h.BitDepth, raw.bitDepth);
  ASSERT_EQ(h.ColorType, raw.colorType);
  ASSERT_EQ(h.InterlaceMethod, raw.interlace);
  const int channels = raw.channels;
  for (std::uint32_t y = 0; y < h.Height; ++y)
    for (std::uint32_t x = 0; x < h.Width; ++x) {
      const std::vector<int> ours = FileSamples(png, x, y);
      ASSERT_EQ(static_cast<int>(ours.size()), channels);
      for (int c = 0; c < channels; ++c)
        ASSERT_EQ(ours[c], raw.rows[y][x * channels + c]) << "raw sample at " << x << "," << y << " channel " << c;
    }
  const auto gamma = GammaFor(rgba.hasGamma, rgba.gammaFixed);
  const QImage argb = png.ToArgb();
  const bool hasAlpha = png.TransparencyMode() != 0;
  for (std::uint32_t y = 0; y < h.Height; ++y)
    for (std::uint32_t x = 0; x < h.Width; ++x) {
      const std::uint8_t* ref = rgba.rows[y].data() + 4 * x;
      const TColor expected = gamma[ref[0]] | (gamma[ref[1]] << 8) | (gamma[ref[2]] << 16);
      const bool indexOutside =
          h.ColorType == 3 && png.Chunks().ItemFromClass<TChunkPLTE>()->Count <= FileSamples(png, x, y)[0];
      const QRgb shown = argb.pixel(static_cast<int>(x), static_cast<int>(y));
      if (!indexOutside) {
        ASSERT_EQ(png.GetPixels(static_cast<int>(x), static_cast<int>(y)), expected) << x << "," << y;
        ASSERT_EQ(qRed(shown), gamma[ref[0]]);
        ASSERT_EQ(qGreen(shown), gamma[ref[1]]);
        ASSERT_EQ(qBlue(shown), gamma[ref[2]]);
      }
      if (hasAlpha) {
        ASSERT_EQ(qAlpha(shown), ref[3]) << "alpha at " << x << "," << y;
      }
    }
}

// Raw samples of our file read back by libpng equal the picture's samples
// (16-bit samples come back as their high byte).
void ExpectLibpngReadsOurs(TPngGraphic& png, const std::string& what) {
  SCOPED_TRACE(what);
  const QByteArray file = Save(png);
  const RefImage raw = RefDecodeRaw(file);
  ASSERT_TRUE(raw.ok) << raw.error;
  EXPECT_EQ(raw.warnings, 0);
  const TChunkIHDR& h = png.Header();
  for (std::uint32_t y = 0; y < h.Height; ++y)
    for (std::uint32_t x = 0; x < h.Width; ++x) {
      const std::vector<int> ours = FileSamples(png, x, y);
      for (std::size_t c = 0; c < ours.size(); ++c)
        ASSERT_EQ(ours[c], raw.rows[y][x * raw.channels + c]) << x << "," << y << " channel " << c;
    }
}

struct Format {
  int type, depth;
};
const Format kFormats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                           {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

// The filter bytes of the rows of a non-interlaced file.
std::vector<int> FilterBytes(const QByteArray& file, std::size_t rowBytes, std::uint32_t rows) {
  QByteArray z;
  for (const auto& c : SplitChunks(file))
    if (c.name == "IDAT") z += c.data;
  QByteArray raw((rowBytes + 1) * rows, 0);
  uLongf size = static_cast<uLongf>(raw.size());
  uncompress(reinterpret_cast<Bytef*>(raw.data()), &size, reinterpret_cast<const Bytef*>(z.constData()),
             static_cast<uLong>(z.size()));
  std::vector<int> filters;
  for (std::uint32_t y = 0; y < rows; ++y) filters.push_back(static_cast<std::uint8_t>(raw[y * (rowBytes + 1)]));
  return filters;
}

QImage Noise(int w, int h, std::uint32_t seed) {
  QImage image(w, h, QImage::Format_RGB32);
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, random() | 0xFF000000u);
  return image;
}

}  // namespace

TEST(PngDecode, PngSuiteMatchesLibpng) {
  const QDir dir(DataPath("pngsuite"));
  const QStringList files = dir.entryList({"*.png"}, QDir::Files);
  ASSERT_GE(files.size(), 35);
  for (const QString& name : files) ExpectSameAsLibpng(ReadFileBytes(dir.filePath(name)), name.toStdString());
  for (const char* name : {"gray-gradient.png", "gray-gradient.interlaced.png"})
    ExpectSameAsLibpng(ReadFileBytes(DataPath("pngextra/") + name), name);
}

TEST(PngDecode, CorpusWrittenByLibpngMatches) {
  std::uint32_t seed = 1;
  for (const Format& f : kFormats)
    for (int interlace = 0; interlace < 2; ++interlace)
      for (std::uint32_t w = 1; w <= 9; ++w)
        for (std::uint32_t h = 1; h <= 9; ++h) {
          RefWriteOptions o;
          o.width = w, o.height = h, o.colorType = f.type, o.bitDepth = f.depth, o.interlace = interlace;
          o.seed = seed++;
          o.filter = static_cast<int>(seed % 5);
          o.trns = (seed % 3) == 0 && f.type != 4 && f.type != 6;
          o.gamma = (seed % 4) == 0;
          ExpectSameAsLibpng(RefWrite(o), "type " + std::to_string(f.type) + " depth " + std::to_string(f.depth) + " " +
                                              std::to_string(w) + "x" + std::to_string(h) + " interlace " +
                                              std::to_string(interlace));
          if (HasFatalFailure()) return;
        }
}

TEST(PngDecode, LargerImagesEveryFilterAndAncillaryChunks) {
  std::uint32_t seed = 500;
  for (const Format& f : kFormats)
    for (int filter = 0; filter <= 4; ++filter) {
      RefWriteOptions o;
      o.width = 257, o.height = 3 + filter, o.colorType = f.type, o.bitDepth = f.depth, o.filter = filter;
      o.interlace = filter % 2, o.seed = seed++;
      o.texts = o.time = o.privateChunk = true;
      o.gamma = true;
      o.gammaFixed = 220000;
      const QByteArray file = RefWrite(o);
      ExpectSameAsLibpng(file, "type " + std::to_string(f.type) + " filter " + std::to_string(filter));
      TPngGraphic png;
      Load(png, file);
      EXPECT_EQ(png.Chunks().ItemFromClass<TChunktIME>()->Year, 2024);
      EXPECT_NE(png.Chunks().ItemFromClass<TChunkzTXt>(), nullptr);
      // Written back, libpng finds the texts, the time and the samples.
      const QByteArray saved = Save(png);
      const RefImage back = RefDecodeRaw(saved);
      ASSERT_TRUE(back.ok) << back.error;
      EXPECT_EQ(back.warnings, 0);
      EXPECT_EQ(back.texts,
                (std::vector<std::string>{"Title=A test image", "Comment=Compressed words, compressed words"}));
      EXPECT_TRUE(back.hasTime);
      EXPECT_EQ(back.year, 2024);
      EXPECT_EQ(back.second, 58);
      EXPECT_TRUE(saved.contains("prVt"));
    }
}

TEST(PngDecode, DataSplitIntoOneByteChunks) {
  QTemporaryDir dir;
  const QString split = dir.filePath("split.png");
  ASSERT_EQ(RunProgram("pngfix", {"-q", "--max=1", "--out=" + split, DataPath("pngsuite/basn2c08.png")}), 0);
  const QByteArray file = ReadFileBytes(split);
  int idats = 0;
  for (const auto& c : SplitChunks(file)) idats += c.name == "IDAT";
  ASSERT_GT(idats, 40);
  TPngGraphic original, pieces;
  Load(original, ReadFileBytes(DataPath("pngsuite/basn2c08.png")));
  Load(pieces, file);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(original.GetPixels(x, y), pieces.GetPixels(x, y));
  // A bad CRC in the 40th image data chunk.
  qsizetype pos = 8;
  int seen = 0;
  QByteArray broken = file;
  for (const auto& c : SplitChunks(file)) {
    const qsizetype size = 12 + c.data.size();
    if (c.name == "IDAT" && ++seen == 40) broken[pos + size - 1] = static_cast<char>(broken[pos + size - 1] ^ 0x55);
    pos += size;
  }
  EXPECT_THROW(Load(pieces, broken), EPngInvalidCRC);
}

TEST(PngDecode, DamagedSampleFiles) {
  TPngGraphic png;
  EXPECT_THROW(Load(png, ReadFileBytes(DataPath("pngextra/invalid-zlib.png"))), EPNGZLIBError);
  EXPECT_THROW(Load(png, ReadFileBytes(DataPath("pngextra/invalid-crc32.png"))), EPngInvalidCRC);
  EXPECT_THROW(Load(png, ReadFileBytes(DataPath("pngextra/invalid-noend.png"))), EPngUnexpectedEnd);
  EXPECT_THROW(Load(png, ReadFileBytes(DataPath("pngextra/invalid-trunc.png"))), EPngUnexpectedEnd);
}

TEST(PngDecode, ShortImageDataLeavesTheRestZeroed) {
  // Two rows of four in a complete stream, then more data chunks and the end.
  const QByteArray rows = Bytes({0, 9, 9, 0, 8, 8});
  TPngGraphic png;
  Load(png, Signature() + Ihdr(2, 4, 8, 0) + Chunk("IDAT", Zlib(rows)) + Chunk("IDAT", "more") + Chunk("IEND", {}));
  EXPECT_EQ(FileSamples(png, 1, 1), std::vector<int>{8});
  EXPECT_EQ(FileSamples(png, 1, 3), std::vector<int>{0});
  // Bytes after the stream's end inside the same chunk.
  Load(png, Signature() + Ihdr(2, 4, 8, 0) + Chunk("IDAT", Zlib(rows) + "junk") + Chunk("IEND", {}));
  EXPECT_EQ(FileSamples(png, 0, 1), std::vector<int>{8});
  // A stream that is cut off, followed by the end chunk.
  const QByteArray cut = Zlib(QByteArray(4 * 1001, 'x')).left(12);
  Load(png, Signature() + Ihdr(1000, 4, 8, 0) + Chunk("IDAT", cut) + Chunk("IEND", {}));
  EXPECT_EQ(png.GetHeight(), 4);
  EXPECT_EQ(png.Chunks().Item(png.Chunks().Count() - 1)->Name(), "IEND");
  // An alpha image cut short is transparent where nothing was decoded.
  Load(png, Signature() + Ihdr(1, 2, 8, 6) + Chunk("IDAT", Zlib(Bytes({0, 1, 2, 3, 255}))) + Chunk("IEND", {}));
  EXPECT_EQ(png.Header().ImageAlpha, (std::vector<std::uint8_t>{255, 0}));
}

TEST(PngDecode, LargeDataChunkIsCheckedAfterAllOfItsData) {
  // One data chunk of more than 65535 bytes whose stream ends well before
  // the chunk does.
  TPngGraphic png;
  png.Assign(Noise(200, 200, 3));
  png.CompressionLevel = 0;
  png.SetMaxIdatSize(1u << 20);
  const QByteArray file = Save(png);
  int idats = 0;
  for (const auto& c : SplitChunks(file)) idats += c.name == "IDAT";
  ASSERT_EQ(idats, 1);
  TPngGraphic back;
  Load(back, file);
  EXPECT_EQ(back.GetPixels(199, 199), png.GetPixels(199, 199));
}

TEST(PngDecode, SmallFiles) {
  TPngGraphic png;
  Load(png, File(Ihdr(1, 1, 8, 2, 1), {}, Bytes({0, 10, 20, 30})));  // one by one, interlaced
  EXPECT_EQ(png.GetPixels(0, 0), 0x1E140A);
  Load(png, File(Ihdr(2, 1, 8, 0), {}, Bytes({7, 5, 6})));  // an unknown filter leaves the row as it is
  EXPECT_EQ(FileSamples(png, 1, 0), std::vector<int>{6});
  Load(png, File(Ihdr(4, 1, 2, 0), {}, Bytes({0, 0x1B})));  // two-bit grey: samples 0, 1, 2, 3
  for (int x = 0; x < 4; ++x) EXPECT_EQ(png.GetPixels(x, 0), static_cast<TColor>(0x555555 * x)) << x;
  // Saved widened to four bits.
  const QByteArray saved = Save(png);
  EXPECT_EQ(static_cast<int>(SplitChunks(saved)[0].data[8]), 4);
  const RefImage back = RefDecodeRaw(saved);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.rows[0], (std::vector<std::uint8_t>{0, 5, 10, 15}));
}

TEST(PngEncode, EveryFormatReadsBackInLibpng) {
  QTemporaryDir dir;
  std::uint32_t seed = 900;
  int checked = 0;
  for (const Format& f : kFormats)
    for (int interlace = 0; interlace < 2; ++interlace)
      for (int level : {0, 1, 7, 9}) {
        RefWriteOptions o;
        o.width = 13 + static_cast<std::uint32_t>(level), o.height = 11, o.colorType = f.type, o.bitDepth = f.depth;
        o.interlace = interlace, o.seed = seed++;
        o.trns = f.type == 3;
        TPngGraphic png;
        Load(png, RefWrite(o));
        png.CompressionLevel = level;
        png.InterlaceMethod = static_cast<std::uint8_t>(1 - interlace);
        png.Filters = static_cast<TFilters>(seed % 32);
        ExpectLibpngReadsOurs(png, "type " + std::to_string(f.type) + " depth " + std::to_string(f.depth));
        if (HasFatalFailure()) return;
        if (level == 7) {
          const QString path = dir.filePath(QStringLiteral("out%1.png").arg(checked++));
          ASSERT_TRUE(WriteFileBytes(path, Save(png)));
          EXPECT_EQ(RunProgram("pngfix", {"-q", path}), 0) << path.toStdString();
        }
      }
}

TEST(PngEncode, SixteenBitSamplesAreWidened) {
  RefWriteOptions o;
  o.width = 5, o.height = 2, o.colorType = 6, o.bitDepth = 16;
  TPngGraphic png;
  Load(png, RefWrite(o));
  png.Filters = FilterBit(pfNone);
  const QByteArray saved = Save(png);
  EXPECT_EQ(static_cast<int>(SplitChunks(saved)[0].data[8]), 16);
  QByteArray z;
  for (const auto& c : SplitChunks(saved))
    if (c.name == "IDAT") z += c.data;
  QByteArray raw(2 * (1 + 40), 0);
  uLongf size = static_cast<uLongf>(raw.size());
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &size, reinterpret_cast<const Bytef*>(z.constData()),
                       static_cast<uLong>(z.size())),
            Z_OK);
  for (int i = 1; i < 41; i += 2) EXPECT_EQ(raw[i], raw[i + 1]) << i;  // v × 257
}

TEST(PngEncode, FilterChoice) {
  TPngGraphic png;
  png.Assign(Noise(40, 6, 5));
  const std::size_t rowBytes = 120;
  for (const auto& [filters, chosen] :
       {std::pair{FilterBit(pfSub), 1}, {TFilters(0), 0}, {FilterBit(pfPaeth), 4}, {FilterBit(pfNone), 0}}) {
    png.Filters = filters;
    EXPECT_EQ(FilterBytes(Save(png), rowBytes, 6), std::vector<int>(6, chosen)) << int(filters);
  }
  // Rows of constant bytes score alike under Sub and Up: the lower number
  // wins.
  QImage flat(40, 6, QImage::Format_Indexed8);
  flat.setColorTable({qRgb(0, 0, 0), qRgb(9, 9, 9)});
  flat.fill(1);
  png.Assign(flat);
  png.Filters = FilterBit(pfSub) | FilterBit(pfUp);
  EXPECT_EQ(FilterBytes(Save(png), 40, 6), std::vector<int>(6, 1));
  // With Up and Paeth, Up scores best on rows that repeat the previous one.
  png.Filters = FilterBit(pfUp) | FilterBit(pfPaeth);
  const std::vector<int> chosen = FilterBytes(Save(png), 40, 6);
  EXPECT_EQ(std::vector<int>(chosen.begin() + 1, chosen.end()), std::vector<int>(5, 2));
}

TEST(PngEncode, DataChunkSizes) {
  TPngGraphic png;
  png.SetMaxIdatSize(1000);
  EXPECT_EQ(png.MaxIdatSize(), 65535u);
  png.SetMaxIdatSize(std::uint64_t{1} << 40);
  EXPECT_EQ(png.MaxIdatSize(), 0x7FFFFFFFu);
  png.SetMaxIdatSize(65535);
  // About 2.5 × 65535 bytes of stored noise.
  png.Assign(Noise(300, 182, 9));
  png.CompressionLevel = 0;
  png.Filters = 0;
  std::vector<qsizetype> sizes;
  for (const auto& c : SplitChunks(Save(png)))
    if (c.name == "IDAT") sizes.push_back(c.data.size());
  ASSERT_EQ(sizes.size(), 3u);
  EXPECT_EQ(sizes[0], 65535);
  EXPECT_EQ(sizes[1], 65535);
  EXPECT_GT(sizes[2], 30000);
  EXPECT_LT(sizes[2], 65535);
}

TEST(PngEncode, BadCompressionLevelIsClamped) {
  TPngGraphic png;
  png.Assign(Noise(20, 20, 1));
  for (int level : {12, -7}) {
    png.CompressionLevel = level;
    TPngGraphic back;
    Load(back, Save(png));
    EXPECT_EQ(back.GetPixels(19, 19), png.GetPixels(19, 19)) << level;
  }
}

TEST(PngEncode, LoadAndSaveNeverChangeASample) {
  // 34 of the suite's files carry a gamma chunk.
  const QDir dir(DataPath("pngsuite"));
  for (const QString& name : dir.entryList({"*.png"}, QDir::Files)) {
    SCOPED_TRACE(name.toStdString());
    TPngGraphic png, back, copy;
    Load(png, ReadFileBytes(dir.filePath(name)));
    Load(back, Save(png));
    copy.AssignPNG(png);
    TPngGraphic copyBack;
    Load(copyBack, Save(copy));
    for (int y = 0; y < png.GetHeight(); ++y)
      for (int x = 0; x < png.GetWidth(); ++x) {
        ASSERT_EQ(FileSamples(png, x, y), FileSamples(back, x, y));
        ASSERT_EQ(FileSamples(png, x, y), FileSamples(copyBack, x, y));
        ASSERT_EQ(png.GetPixels(x, y), copy.GetPixels(x, y));
      }
  }
}

TEST(PngEncode, ColourKeyMatchesTheSamePixelsAfterSaving) {
  // Keys of small grey samples are widened with them; 16-bit samples keep
  // only their high byte, so pixels that differed from the key in the low
  // byte alone must not become transparent.
  const Format formats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}};
  for (const Format& f : formats)
    for (int interlace = 0; interlace < 2; ++interlace)
      for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        const std::string what = "type " + std::to_string(f.type) + " depth " + std::to_string(f.depth) +
                                 " interlace " + std::to_string(interlace) + " seed " + std::to_string(seed);
        SCOPED_TRACE(what);
        RefWriteOptions o;
        o.width = 64, o.height = 37, o.colorType = f.type, o.bitDepth = f.depth, o.interlace = interlace;
        o.trns = true, o.seed = seed;
        const QByteArray original = RefWrite(o);
        TPngGraphic png;
        Load(png, original);
        const QByteArray saved = Save(png);
        const RefImage before = RefDecodeRgba(original), after = RefDecodeRgba(saved);
        ASSERT_TRUE(after.ok) << after.error;
        EXPECT_EQ(after.warnings, 0);
        int transparent = 0;
        for (std::uint32_t y = 0; y < o.height; ++y)
          for (std::uint32_t x = 0; x < o.width; ++x) {
            ASSERT_EQ(after.rows[y][4 * x + 3], before.rows[y][4 * x + 3]) << x << "," << y;
            transparent += before.rows[y][4 * x + 3] == 0;
          }
        EXPECT_GT(transparent, 0);
        // Loaded again, the picture shows the same transparency.
        TPngGraphic back;
        Load(back, saved);
        EXPECT_EQ(back.Header().ImageAlpha, png.Header().ImageAlpha);
      }
  // The opaque pixel 0x2021 is held as 0x20 and would be written as 0x2020,
  // the key.
  TPngGraphic png;
  Load(png, File(Ihdr(2, 1, 16, 0), Chunk("tRNS", Bytes({0x20, 0x20})), Bytes({0, 0x20, 0x20, 0x20, 0x21})));
  const RefImage saved = RefDecodeRgba(Save(png));
  ASSERT_TRUE(saved.ok);
  EXPECT_EQ(saved.rows[0][3], 0);
  EXPECT_EQ(saved.rows[0][7], 255);
}
