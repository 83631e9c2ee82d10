// The PNG container: signature, chunk framing, CRC, the chunk classes and
// the file read loop with its errors.
#include <gtest/gtest.h>

#include <QBuffer>

#include "PngTestSupport.h"
#include "images/pngcodec.h"
#include "images/pngmessages.h"
#include "tests/common/TestUtil.h"

using namespace pngtest;

namespace {

// A 2×2 8-bit grey image with the given extra chunks after the header.
QByteArray Grey2x2(const QByteArray& middle = QByteArray()) {
  return File(Ihdr(2, 2, 8, 0), middle, Bytes({0, 10, 20, 0, 30, 40}));
}

QByteArray Palette4x1(const QByteArray& middle) {
  return File(Ihdr(4, 1, 8, 3), Chunk("PLTE", Bytes({0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255})) + middle,
              Bytes({0, 0, 1, 2, 3}));
}

}  // namespace

TEST(PngFile, CrcMatchesThePngStandard) {
  EXPECT_EQ(PngCrc(0, "IEND", 4), 0xAE426082u);
  EXPECT_EQ(PngCrc(0, "123456789", 9), 0xCBF43926u);
}

TEST(PngFile, AnyChangedSignatureByteIsRefused) {
  for (int i = 0; i < 8; ++i) {
    QByteArray file = Grey2x2();
    file[i] = static_cast<char>(file[i] ^ 0x40);
    TPngGraphic png;
    EXPECT_EQ(MessageOf<EPNGInvalidFileHeader>([&] { Load(png, file); }),
              "The file being readed is not a valid \"Portable Network Graphics\" image because it contains an "
              "invalid header. This file may be corruped, try obtaining it again.");
    EXPECT_TRUE(png.GetEmpty());
  }
  TPngGraphic png;
  EXPECT_THROW(Load(png, Signature().left(5)), EPNGInvalidFileHeader);
}

TEST(PngFile, ChunkErrorsKeepTheChunksReadSoFar) {
  QByteArray text = Chunk("tEXt", QByteArray("Title\0Hello", 11));
  text[text.size() - 1] = static_cast<char>(text[text.size() - 1] ^ 1);
  TPngGraphic png;
  EXPECT_EQ(MessageOf<EPngInvalidCRC>([&] { Load(png, Grey2x2(text)); }),
            "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of data (crc "
            "error)");
  ASSERT_EQ(png.Chunks().Count(), 2);
  EXPECT_EQ(png.Chunks().Item(1)->Name(), "tEXt");
  EXPECT_EQ(png.GetWidth(), 2);
  EXPECT_THROW(Load(png, Signature() + Ihdr(2, 1, 8, 0) + Chunk("IDAT", Zlib(Bytes({0, 1, 2})))), EPngUnexpectedEnd);
  EXPECT_EQ(png.Chunks().Count(), 2);
}

TEST(PngFile, LoadErrorsHaveTheirTexts) {
  const QByteArray rows = Bytes({0, 1, 2});
  const QByteArray head = Signature() + Ihdr(2, 2, 8, 0);
  const struct {
    QString message;
    std::vector<QByteArray> files;
  } cases[] = {
      {"This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n(IHDR chunk is not the "
       "first)",
       {Signature() + Chunk("gAMA", BE32(100000)) + Ihdr(2, 1, 8, 0) + Chunk("IDAT", Zlib(rows))}},
      {"This \"Portable Network Graphics\" image contains no data.",
       {Signature() + Ihdr(2, 1, 8, 0) + Chunk("IEND", QByteArray())}},
      // No end chunk; lengths past 2^31 - 1 or the file's end; a cut length.
      {"This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected end of the file.",
       {Signature() + Ihdr(2, 1, 8, 0) + Chunk("IDAT", Zlib(rows)), head + BE32(0x80000000u) + "tEXt" + "abc",
        head + BE32(1000) + "tEXt" + "abc", head + Bytes({0, 0})}},
      {"This \"Portable Network Graphics\" image contains an unknown critical part which could not be decoded.",
       {Grey2x2(Chunk("XyZw", "abc"))}},
      {"This \"Portable Network Graphics\" image is not supported because either it's width or height exceeds the "
       "maximum size, which is 65535 pixels length.",
       {File(Ihdr(65536, 1, 1, 0), {}, {}), File(Ihdr(1, 65536, 1, 0), {}, {})}},
      // A short header, a second one, and ones that cannot be decoded: empty,
      // formats without a decoder, an unknown filter method.
      {"The \"Portable Network Graphics\" image could not be loaded because one of its main piece of data (ihdr) "
       "might be corrupted",
       {Signature() + Chunk("IHDR", BE32(1) + BE32(1) + Bytes({8, 0, 0, 0})), Grey2x2(Ihdr(2, 2, 8, 0)),
        File(Ihdr(0, 1, 8, 0), {}, {}), File(Ihdr(1, 0, 8, 0), {}, {}), File(Ihdr(1, 1, 16, 3), {}, {}),
        File(Ihdr(1, 1, 4, 4), {}, {}), File(Ihdr(1, 1, 4, 2), {}, {}), File(Ihdr(1, 1, 8, 1), {}, {}),
        File(Ihdr(1, 1, 3, 0), {}, {}), File(Ihdr(1, 1, 8, 7), {}, {}), File(Ihdr(1, 1, 8, 0, 0, 0, 1), {}, {})}},
      {"This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which could not be "
       "decoded.",
       {File(Ihdr(1, 1, 8, 0, 0, 1), {}, {})}},
      {"This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be decoded.",
       {File(Ihdr(1, 1, 8, 0, 2), {}, {})}},
      // 65535 x 65535 RGBA: 12.9 GB of bitmap and 4.3 GB of alpha.
      {"Some operation could not be performed because the system is out of resources. Close some windows and try "
       "again.",
       {File(Ihdr(65535, 65535, 8, 6), {}, {})}},
      // Palettes of 10 bytes and of 257 entries, 257 palette alphas.
      {"The \"Portable Network Graphics\" image contains an invalid palette.",
       {File(Ihdr(1, 1, 8, 3), Chunk("PLTE", QByteArray(10, 0)), Bytes({0, 0})),
        File(Ihdr(1, 1, 8, 3), Chunk("PLTE", QByteArray(771, 0)), Bytes({0, 0})),
        Palette4x1(Chunk("tRNS", QByteArray(257, 0)))}},
  };
  TPngGraphic png;
  for (const auto& c : cases)
    for (std::size_t i = 0; i < c.files.size(); ++i)
      EXPECT_EQ(MessageOf<Exception>([&] { Load(png, c.files[i]); }), c.message) << i;
}

TEST(PngFile, UnknownAncillaryChunksAreKeptAndChrmIsDropped) {
  const QByteArray priv = Chunk("prVt", Bytes({1, 2, 3, 0, 255}));
  const QByteArray chrm = Chunk("cHRM", QByteArray(32, 7));
  TPngGraphic png;
  Load(png, Grey2x2(chrm + priv) + "trailing rubbish");  // data after the end is ignored
  const QByteArray saved = Save(png);
  EXPECT_TRUE(saved.contains(priv));
  EXPECT_FALSE(saved.contains("cHRM"));
  for (int i = 0; i < png.Chunks().Count(); ++i) EXPECT_NE(png.Chunks().Item(i)->Name(), "cHRM");
}

TEST(PngFile, SequentialStreams) {
  // The false length is found out by reading.
  TPngGraphic png;
  TPipeDevice stream(Signature() + Ihdr(2, 2, 8, 0) + BE32(0x7FFFFFF0u) + "tEXt" + QByteArray(100, 'x'));
  EXPECT_THROW(png.LoadFromStream(stream), EPngUnexpectedEnd);
  TPipeDevice good(Grey2x2(Chunk("cHRM", QByteArray(32, 0))));
  png.LoadFromStream(good);
  EXPECT_EQ(png.GetHeight(), 2);
}

TEST(PngHeader, SizesUpTo65535AreAccepted) {
  TPngGraphic wide, tall;
  Load(wide, File(Ihdr(65535, 1, 1, 0), {}, QByteArray(1 + 8192, 0)));
  EXPECT_EQ(wide.GetWidth(), 65535);
  Load(tall, File(Ihdr(1, 65535, 1, 0), {}, QByteArray(2 * 65535, 0)));
  EXPECT_EQ(tall.GetHeight(), 65535);
}

TEST(PngPalette, SizesAndEntries) {
  TPngGraphic png;
  Load(png, File(Ihdr(1, 1, 8, 3), Chunk("PLTE", QByteArray()), Bytes({0, 0})));
  const TChunkPLTE* empty = png.Chunks().ItemFromClass<TChunkPLTE>();
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->Count, 0);
  Load(png, Palette4x1({}));
  const TChunkPLTE* plte = png.Chunks().ItemFromClass<TChunkPLTE>();
  EXPECT_EQ(plte->Count, 4);
  EXPECT_EQ(plte->GetPaletteItem(1), (TRGBQuad{0, 0, 255, 0}));
  EXPECT_EQ(MessageOf<EPngError>([&] { plte->GetPaletteItem(4); }), "There is no such palette entry.");
}

TEST(PngTransparency, PaletteAlphaTables) {
  TPngGraphic png;
  Load(png, Palette4x1(Chunk("tRNS", Bytes({255, 0, 255}))));
  const TChunktRNS* trns = png.Chunks().ItemFromClass<TChunktRNS>();
  EXPECT_TRUE(trns->BitTransparency);
  EXPECT_EQ(png.TransparencyMode(), 1);
  EXPECT_EQ(png.TransparentColor(), clRed);  // entry 1 is red
  Load(png, Palette4x1(Chunk("tRNS", Bytes({0, 0}))));
  EXPECT_FALSE(png.Chunks().ItemFromClass<TChunktRNS>()->BitTransparency);
  EXPECT_EQ(png.TransparencyMode(), 2);  // two clear entries are no single key
}

TEST(PngTransparency, GreyAndRgbKeys) {
  TPngGraphic png;
  Load(png, Grey2x2(Chunk("tRNS", Bytes({0, 0x80}))));
  EXPECT_EQ(png.TransparentColor(), static_cast<TColor>(0x808080));
  // The key is compared with the file's samples: 30 is transparent.
  Load(png, Grey2x2(Chunk("tRNS", Bytes({0, 30}))));
  EXPECT_EQ(png.Header().ImageAlpha, (std::vector<std::uint8_t>{255, 255, 0, 255}));
  // Saved, the key is written back as it was.
  EXPECT_TRUE(Save(png).contains(Chunk("tRNS", Bytes({0, 30}))));
  Load(png, File(Ihdr(1, 1, 8, 2), Chunk("tRNS", Bytes({0, 1, 0, 2, 0, 3})), Bytes({0, 1, 2, 3})));
  EXPECT_EQ(png.TransparentColor(), static_cast<TColor>(0x030201));
  EXPECT_EQ(png.Header().ImageAlpha, std::vector<std::uint8_t>{0});
}

TEST(PngTransparency, WritingTheKey) {
  TPngGraphic png;
  Load(png, Palette4x1({}));
  auto* trns = static_cast<TChunktRNS*>(png.Chunks().Add(std::make_unique<TChunktRNS>(&png)));
  trns->SetTransparentColor(clLime);  // entry 2
  EXPECT_EQ(trns->DataSize(), 3u);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(trns->Data()), 3), Bytes({255, 255, 0}));
  // A colour that is not in the palette makes nothing transparent.
  trns->SetTransparentColor(clYellow);
  EXPECT_EQ(trns->DataSize(), 0u);
  EXPECT_FALSE(trns->BitTransparency);
}

TEST(PngGamma, TablesFromTheGammaChunk) {
  TPngGraphic png;
  Load(png, Grey2x2(Chunk("gAMA", BE32(100000))));
  EXPECT_EQ(png.GammaTable[0], 0);
  EXPECT_EQ(png.GammaTable[64], 136);
  EXPECT_EQ(png.GammaTable[128], 186);
  EXPECT_EQ(png.GammaTable[255], 255);
  EXPECT_EQ(png.InverseTable[136], 64);
  Load(png, Grey2x2(Chunk("gAMA", BE32(0))));
  for (int i = 0; i < 256; ++i) ASSERT_EQ(png.GammaTable[i], i);
  // Huge values stay inside the tables.
  Load(png, Grey2x2(Chunk("gAMA", BE32(0xFFFFFFFFu))));
  EXPECT_EQ(png.GammaTable[0], 0);
  EXPECT_EQ(png.GammaTable[255], 255);
  TChunkgAMA fresh(&png);
  EXPECT_EQ(fresh.Gamma(), 1u);
}

TEST(PngText, TextChunks) {
  TPngGraphic png;
  Load(png, Grey2x2(Chunk("tEXt", QByteArray("Title\0Hello world", 17))));
  auto* text = png.Chunks().ItemFromClass<TChunktEXt>();
  EXPECT_EQ(text->Keyword, "Title");
  EXPECT_EQ(text->Text, "Hello world");
  // Without a separator the whole chunk is the keyword.
  Load(png, Grey2x2(Chunk("tEXt", "NoSeparator")));
  text = png.Chunks().ItemFromClass<TChunktEXt>();
  EXPECT_EQ(text->Keyword, "NoSeparator");
  EXPECT_TRUE(text->Text.isEmpty());
}

TEST(PngText, CompressedText) {
  TPngGraphic png;
  Load(png, Grey2x2(Chunk("zTXt", QByteArray("Comment\0\0", 9) + Zlib("packed words"))));
  auto* z = png.Chunks().ItemFromClass<TChunkzTXt>();
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->Text, "packed words");
  z->Text.clear();
  const auto chunks = SplitChunks(Save(png));
  bool found = false;
  for (const auto& c : chunks)
    if (c.name == "zTXt") {
      found = true;
      EXPECT_EQ(c.data.left(9), QByteArray("Comment\0\0", 9));
      TPngGraphic back;
      Load(back, Grey2x2(Chunk("zTXt", c.data)));
      EXPECT_EQ(back.Chunks().ItemFromClass<TChunkzTXt>()->Text, " ");
    }
  EXPECT_TRUE(found);
  // A text that would inflate past the limit stays as read.
  const QByteArray bomb = Zlib(QByteArray(static_cast<qsizetype>(kPngMaxInflatedText) + 1, 'a'), 9);
  Load(png, Grey2x2(Chunk("zTXt", QByteArray("Bomb\0\0", 6) + bomb)));
  EXPECT_EQ(png.Chunks().ItemFromClass<TChunkzTXt>()->Text, QByteArray(1, '\0') + bomb);
}

TEST(PngTime, RoundTripKeepsTheYearBytes) {
  const QByteArray time = Chunk("tIME", Bytes({0x07, 0xE8, 2, 29, 23, 59, 58}));
  TPngGraphic png;
  Load(png, Grey2x2(time));
  const auto* t = png.Chunks().ItemFromClass<TChunktIME>();
  EXPECT_EQ(t->Year, 2024);
  EXPECT_EQ(t->Second, 58);
  EXPECT_TRUE(Save(png).contains(time));
}

TEST(PngChunks, RegistryAndAssignment) {
  TPngGraphic png;
  EXPECT_NE(dynamic_cast<TChunkIHDR*>(CreateChunkByName(&png, "IHDR").get()), nullptr);
  EXPECT_NE(dynamic_cast<TChunkzTXt*>(CreateChunkByName(&png, "zTXt").get()), nullptr);
  auto plain = CreateChunkByName(&png, "ihdr");
  EXPECT_EQ(typeid(*plain), typeid(TChunk));
  EXPECT_EQ(plain->Name(), "ihdr");
  TChunkIHDR header(&png);
  TChunkPLTE palette(&png);
  EXPECT_EQ(MessageOf<EPngError>([&] { header.Assign(palette); }), "The chunks must be compatible to be assigned.");
  EXPECT_THROW(palette.Assign(header), EPngError);
  TChunk a(&png), b(&png);
  a.SetName("abcd");
  a.ResizeData(3);
  a.Data()[2] = 9;
  b.Assign(a);
  EXPECT_EQ(b.Name(), "abcd");
  EXPECT_EQ(b.DataSize(), 3u);
  EXPECT_EQ(b.Data()[2], 9);
  EXPECT_EQ(b.Data()[3], 0);  // the spare byte
  EXPECT_EQ(png.Chunks().Item(-1), nullptr);
  EXPECT_EQ(png.Chunks().Item(0), nullptr);
}

TEST(PngChunks, SavingAnEmptyPictureIsRefused) {
  TPngGraphic png;
  EXPECT_EQ(MessageOf<EPNGHeaderNotPresent>([&] { Save(png); }),
            "This operation is not valid because the current image contains no valid header.");
}

TEST(PngChunks, PointerListBounds) {
  int a = 1, b = 2;
  TPNGPointerList<int> list;
  list.Add(&a);
  list.Add(&b);
  list.Add(&a);
  EXPECT_EQ(list.Item(3), nullptr);
  list.SetItem(5, &b);  // ignored
  EXPECT_EQ(list.Count(), 3);
  list.Remove(&a);  // the last position
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(0), &a);
  EXPECT_EQ(list.Item(1), &b);
  TPngGraphic png;
  TChunk* chunk = png.Chunks().Add(std::make_unique<TChunkIEND>(&png));
  auto taken = png.Chunks().Extract(chunk);
  EXPECT_EQ(taken.get(), chunk);
  EXPECT_EQ(png.Chunks().Count(), 0);
}
