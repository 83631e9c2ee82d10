// Windows metafiles drawn as pictures: placeable and plain files, the
// records' colours, shapes, text and bitmaps, the thumbnail list's path, and
// damaged or hostile files.
#include <gtest/gtest.h>

#include <QImageReader>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "images/PlatformPicture.h"
#include "images/ThumbnailList.h"
#include "platform/Exceptions.h"
#include "platform/PictureDecoder.h"
#include "platform/WmfPicture.h"
#include "tests/common/TestUtil.h"
#include "tests/images/WmfWriter.h"

namespace {

const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255);

using wmftest::Color;
using wmftest::Dword;
using wmftest::Wmf;
using wmftest::Words;

// A BITMAPINFOHEADER and 24-bit bits of `rows` (top row first), stored
// bottom-up.
QByteArray Dib(const std::vector<std::vector<QRgb>>& rows) {
  const int w = int(rows[0].size()), h = int(rows.size());
  QByteArray d = Dword(40) + Dword(quint32(w)) + Dword(quint32(h)) + Words({1, 24}) + Dword(0) + Dword(0) + Dword(0) +
                 Dword(0) + Dword(0) + Dword(0);
  for (int y = h - 1; y >= 0; --y) {
    QByteArray row;
    for (QRgb c : rows[std::size_t(y)]) {
      row += char(qBlue(c));
      row += char(qGreen(c));
      row += char(qRed(c));
    }
    while (row.size() % 4) row += '\0';
    d += row;
  }
  return d;
}

QImage Draw(const QByteArray& data, QSize scaledTo = QSize()) {
  const std::shared_ptr<PictureDecoder::TPictureBudget> budget = PictureDecoder::TPictureBudget::Create();
  return PictureDecoder::Decode(data, *budget, scaledTo).image;
}

QString Refusal(const QByteArray& data, QSize scaledTo = QSize()) {
  try {
    Draw(data, scaledTo);
  } catch (const Exception& e) {
    return e.Message();
  }
  return {};
}

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y); }

// Pixels of `image` in `area` that are drawn (not transparent).
int Drawn(const QImage& image, QRect area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
  return n;
}

// A metafile that uses most kinds of record: shapes, text, a bitmap.
Wmf Everything() {
  Wmf w;
  w.WindowOrg(0, 0).WindowExt(200, 100).RedNoPen().Rect(0, 0, 50, 50);
  w.Add(0x001E, {});                                                            // SAVEDC
  w.Brush(kGreen, 2).Select(2).Ellipse(60, 0, 100, 40);                         // hatched
  w.Add(0x0127, Words({-1}));                                                   // RESTOREDC
  w.Pen(kBlue, 3, 1).Select(3).Add(0x0214, Words({60, 0}));                     // MOVETO
  w.Add(0x0213, Words({90, 190}));                                              // LINETO
  w.Add(0x061C, Words({10, 10, 90, 140, 60, 110}));                             // ROUNDRECT
  w.Add(0x081A, Words({60, 150, 60, 200, 100, 200, 50, 150}));                  // PIE
  w.Add(0x0830, Words({60, 150, 60, 200, 100, 200, 50, 150}));                  // CHORD
  w.Add(0x0817, Words({60, 150, 60, 200, 100, 200, 50, 150}));                  // ARC
  w.Add(0x0538, Words({2, 3, 3, 0, 0, 10, 0, 0, 10, 20, 20, 30, 20, 20, 30}));  // POLYPOLYGON
  w.Add(0x0325, Words({3, 0, 90, 10, 80, 20, 90}));                             // POLYLINE
  w.Add(0x02FB, Words({-20, 0, 0, 0, 700}) + QByteArray(4, '\0') + QByteArray(4, '\0') + QByteArray("Sans") +
                    QByteArray(28, '\0'));  // CREATEFONTINDIRECT
  w.Select(4).Add(0x0209, Color(kBlue)).Add(0x012E, Words({24}));
  w.Add(0x0521, Words({3}) + QByteArray("Abc\0", 4) + Words({70, 100}));                       // TEXTOUT
  w.Add(0x0A32, Words({95, 100, 2, 6, 100, 80, 150, 99}) + QByteArray("Hi") + Words({8, 8}));  // EXTTEXTOUT
  w.Add(0x041F, Color(kGreen) + Words({99, 199}));                                             // SETPIXEL
  w.Add(0x061D, Dword(0xF00021) + Words({5, 5, 90, 120}));                                     // PATBLT
  w.Add(0x0F43, Dword(0xCC0020) + Words({0, 2, 2, 0, 0, 20, 20, 70, 160}) +
                    Dib({{kRed, kGreen}, {kBlue, kRed}}));  // STRETCHDIB
  w.Add(0x0626, Words({15, 4}) + Dword(0));                 // ESCAPE
  return w;
}

}  // namespace

TEST(WmfPicture, PlaceableShapesAreDrawnInTheirColours) {
  // 1000 x 500 units at 1000 to the inch: 96 x 48 pixels.
  Wmf w;
  w.WindowOrg(0, 0).WindowExt(1000, 500).RedNoPen().Rect(0, 0, 500, 500);
  w.Brush(kGreen).Select(2).Ellipse(600, 100, 900, 400);
  w.Brush(kBlue).Select(3).Polygon({500, 500, 1000, 500, 1000, 420});
  w.Pen(kBlue, 40).Select(4).Add(0x0214, Words({250, 0})).Add(0x0213, Words({250, 500}));  // MOVETO, LINETO
  const QByteArray data = w.Placeable(0, 0, 1000, 500, 1000);
  EXPECT_TRUE(WmfPicture::IsWmf(data));
  EXPECT_EQ(WmfPicture::Size(data), QSize(96, 48));
  EXPECT_EQ(PictureDecoder::PeekSize(data), QSize(96, 48));
  const QImage image = Draw(data);
  ASSERT_EQ(image.size(), QSize(96, 48));
  EXPECT_EQ(At(image, 10, 10), kRed);
  EXPECT_EQ(At(image, 40, 40), kRed);
  EXPECT_EQ(At(image, 72, 24), kGreen);     // the ellipse's centre
  EXPECT_EQ(qAlpha(At(image, 59, 11)), 0);  // outside it, at its box's corner
  EXPECT_EQ(At(image, 94, 46), kBlue);      // inside the triangle
  EXPECT_EQ(qAlpha(At(image, 52, 40)), 0);  // beside it
  EXPECT_EQ(At(image, 10, 24), kBlue);      // on the wide pen's line
  EXPECT_EQ(At(image, 10, 10), kRed);       // and not beyond it

  // The picture over the loader, scaled and at its own size.
  TPlatformPicture picture;
  picture.LoadFromBytes(data);
  EXPECT_EQ(picture.GetWidth(), 96);
  EXPECT_EQ(picture.GetHeight(), 48);
  EXPECT_EQ(Draw(data, QSize(192, 96)).pixel(144, 48), kGreen);
  // 2000 units to the inch: half the size.
  EXPECT_EQ(WmfPicture::Size(w.Placeable(0, 0, 1000, 500, 2000)), QSize(48, 24));
}

TEST(WmfPicture, PlainFilesAreSizedByTheirWindowOrWhatTheyDraw) {
  Wmf windowed;
  windowed.WindowOrg(100, 100).WindowExt(200, 100).RedNoPen().Rect(100, 100, 200, 200);
  const QImage a = Draw(windowed.Plain());
  ASSERT_EQ(a.size(), QSize(200, 100));
  EXPECT_EQ(At(a, 50, 50), kRed);
  EXPECT_EQ(qAlpha(At(a, 150, 50)), 0);

  // A window flipped upside down and a map mode that scales.
  Wmf flipped;
  flipped.Add(0x0103, Words({8})).WindowOrg(0, 100).WindowExt(100, -100).RedNoPen().Rect(0, 0, 100, 50);
  const QImage b = Draw(flipped.Plain());
  ASSERT_EQ(b.size(), QSize(100, 100));
  EXPECT_EQ(At(b, 50, 90), kRed);  // the lower half
  EXPECT_EQ(qAlpha(At(b, 50, 10)), 0);

  // Window mapped onto a viewport: the viewport gives the size.
  Wmf viewport;
  viewport.Add(0x0103, Words({8})).WindowExt(1000, 1000).Add(0x020E, Words({100, 100}));
  viewport.RedNoPen().Rect(0, 0, 500, 1000);
  const QImage c = Draw(viewport.Plain());
  ASSERT_EQ(c.size(), QSize(100, 100));
  EXPECT_EQ(At(c, 25, 50), kRed);
  EXPECT_EQ(qAlpha(At(c, 75, 50)), 0);

  // Without a window: the extent of what is drawn.
  Wmf drawn;
  drawn.RedNoPen().Rect(10, 20, 50, 100);
  EXPECT_EQ(WmfPicture::Size(drawn.Plain()), QSize(40, 80));
  EXPECT_EQ(At(Draw(drawn.Plain()), 20, 40), kRed);
  // A placeable file with an empty box is sized the same way.
  EXPECT_EQ(WmfPicture::Size(drawn.Placeable(0, 0, 0, 0, 96)), QSize(40, 80));
}

TEST(WmfPicture, TextAndBitmapRecordsDraw) {
  Wmf text;
  text.WindowExt(200, 60);
  text.Add(0x02FB, Words({-40, 0, 0, 0, 700}) + QByteArray(8, '\0') + QByteArray(32, '\0'));
  text.Select(0).Add(0x0209, Color(kBlue)).Add(0x0102, Words({1}));  // SETTEXTCOLOR, SETBKMODE transparent
  text.Add(0x0A32, Words({5, 5, 4, 0}) + QByteArray("WWWW"));        // EXTTEXTOUT
  const QImage t = Draw(text.Plain());
  ASSERT_EQ(t.size(), QSize(200, 60));
  EXPECT_GT(Drawn(t, QRect(0, 0, 200, 60)), 100);
  EXPECT_EQ(Drawn(t, QRect(0, 50, 200, 10)), 0);  // nothing below the line of text
  bool blue = false;
  for (int y = 0; y < 60 && !blue; ++y)
    for (int x = 0; x < 200 && !blue; ++x) blue = At(t, x, y) == kBlue;
  EXPECT_TRUE(blue);

  // The same 2 x 2 bitmap through the three bitmap records, each scaled to
  // 20 x 20: red, green over blue, red.
  const QByteArray dib = Dib({{kRed, kGreen}, {kBlue, kRed}});
  const struct {
    const char* name;
    int function;
    QByteArray params;
  } records[] = {
      {"STRETCHDIB", 0x0F43, Dword(0xCC0020) + Words({0, 2, 2, 0, 0, 20, 20, 0, 0}) + dib},
      {"DIBSTRETCHBLT", 0x0B41, Dword(0xCC0020) + Words({2, 2, 0, 0, 20, 20, 0, 0}) + dib},
      {"DIBBITBLT", 0x0940, Dword(0xCC0020) + Words({0, 0, 2, 2, 0, 0}) + dib},
  };
  const int limit = QImageReader::allocationLimit();
  for (const auto& r : records) {
    Wmf w;
    w.WindowExt(r.function == 0x0940 ? 2 : 20, r.function == 0x0940 ? 2 : 20).Add(r.function, r.params);
    const QImage image = Draw(w.Plain(), QSize(20, 20));
    ASSERT_EQ(image.size(), QSize(20, 20)) << r.name;
    EXPECT_EQ(At(image, 2, 2), kRed) << r.name;
    EXPECT_EQ(At(image, 17, 2), kGreen) << r.name;
    EXPECT_EQ(At(image, 2, 17), kBlue) << r.name;
    EXPECT_EQ(At(image, 17, 17), kRed) << r.name;
  }
  EXPECT_EQ(QImageReader::allocationLimit(), limit);  // the program's limit is left as it was
  // Without a bitmap the block is filled with the brush.
  Wmf fill;
  fill.WindowExt(10, 10).Brush(kGreen).Select(0).Add(0x0940, Dword(0xF00021) + Words({0, 0, 0, 10, 10, 0, 0}));
  EXPECT_EQ(At(Draw(fill.Plain()), 5, 5), kGreen);
  // A brush of a tiled bitmap.
  Wmf pattern;
  pattern.WindowExt(10, 10).Pen(0, 0, 5).Select(0).Add(0x0142, Words({5, 0}) + Dib({{kBlue, kGreen}}));
  const QImage tiled = Draw(pattern.Select(1).Rect(0, 0, 10, 10).Plain());
  EXPECT_NE(At(tiled, 4, 4), At(tiled, 5, 4));
  EXPECT_TRUE(At(tiled, 4, 4) == kBlue || At(tiled, 4, 4) == kGreen);
}

TEST(WmfPicture, ThumbnailListShowsMetafiles) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  Wmf w;
  w.WindowExt(400, 200).RedNoPen().Rect(0, 0, 400, 200);
  ASSERT_TRUE(WriteFileBytes(folder + "a.wmf", w.Placeable(0, 0, 400, 200, 96)));
  ASSERT_TRUE(WriteFileBytes(folder + "b.WMF", Everything().Plain()));

  const QImage thumb = LoadThumbnailImage(folder + "a.wmf", QSize(96, 80));
  ASSERT_EQ(thumb.size(), QSize(96, 48));  // drawn at the thumbnail's size, not scaled down after
  EXPECT_EQ(thumb.pixel(48, 24), kRed);

  TThumbnailList list;
  list.resize(400, 300);
  list.SetThumbnailSize(100);
  list.LoadFromMask(folder + "*.*");
  ASSERT_EQ(list.Thumbnails().Count(), 2);
  list.grab();
  ASSERT_TRUE(list.WaitForThumbnails());
  EXPECT_EQ(list.DecodeCount(), 2);
  EXPECT_FALSE(list.Thumbnails().Items(0).Failed);
  EXPECT_FALSE(list.Thumbnails().Items(1).Failed);
  const QImage shown = list.grab().toImage();
  bool red = false;
  for (int y = 0; y < shown.height() && !red; ++y)
    for (int x = 0; x < shown.width() && !red; ++x) red = shown.pixel(x, y) == kRed;
  EXPECT_TRUE(red);

  TPlatformPicture picture;
  LoadPictureFile(picture, folder + "a.wmf");
  EXPECT_EQ(picture.ScreenWidth(), 400);
}

TEST(WmfPicture, FilesCutShortAreRefusedOrDrawnInPart) {
  const QStringList texts = {PictureDecoder::kInvalidFormatText, PictureDecoder::kNoImageText};
  const Wmf w = Everything();
  for (const QByteArray& whole : {w.Plain(), w.Placeable(0, 0, 200, 100, 96)}) {
    int drawn = 0;
    for (qsizetype n = 0; n <= whole.size(); ++n) {
      try {
        const QImage image = Draw(whole.left(n));
        EXPECT_LE(std::max(image.width(), image.height()), WmfPicture::kMaxSide);
        ++drawn;
      } catch (const Exception& e) {
        EXPECT_TRUE(texts.contains(e.Message())) << n << " " << e.Message().toStdString();
      }
    }
    EXPECT_GT(drawn, whole.size() / 2);
  }
  // The whole file draws every part: the red square, the bitmap's corner.
  const QImage image = Draw(w.Plain());
  EXPECT_EQ(At(image, 40, 40), kRed);
  EXPECT_EQ(At(image, 162, 72), kRed);
}

TEST(WmfPicture, HostileNumbersAreBounded) {
  // Record sizes of 0 and of more than the file holds end the playing; what
  // came before stays drawn.
  for (const quint32 size : {0u, 1u, 0xFFFFFFFFu, 0x7FFFFFFFu, 100u}) {
    Wmf w;
    w.WindowExt(10, 10).RedNoPen().Rect(0, 0, 10, 10);
    w.records += Dword(size) + Words({0x041B, 0, 0, 0, 0});
    w.Brush(kBlue).Select(2).Rect(0, 0, 10, 10);
    const QImage image = Draw(w.Plain());
    EXPECT_EQ(At(image, 5, 5), kRed) << size;
  }

  // Indices out of the table, and objects deleted, select nothing.
  Wmf indices;
  indices.WindowExt(10, 10).RedNoPen().Select(7).Select(65535).Delete(65535).Delete(9);
  indices.Brush(kBlue).Delete(2).Select(2).Rect(0, 0, 10, 10);
  EXPECT_EQ(At(Draw(indices.Plain()), 5, 5), kRed);

  // A table of 65535 objects, filled; one more is refused and the last
  // slot stays selectable.
  Wmf full;
  full.objects = 65535;
  full.WindowExt(10, 10).Pen(0, 0, 5).Select(0);
  for (int i = 1; i < 65535; ++i) full.Brush(i == 65534 ? kGreen : kBlue);
  full.Brush(kRed).Select(65534).Rect(0, 0, 10, 10);
  EXPECT_EQ(At(Draw(full.Plain()), 5, 5), kGreen);

  // Extents of 0: no size, refused as a picture without one.
  Wmf empty;
  empty.WindowExt(0, 0);
  EXPECT_EQ(Refusal(empty.Plain()), PictureDecoder::kNoImageText);
  EXPECT_EQ(Refusal(Wmf().Placeable(5, 5, 5, 5, 96)), PictureDecoder::kNoImageText);
  EXPECT_FALSE(WmfPicture::Size(empty.Plain()).isValid());

  // The largest box at one unit to the inch, and the largest size asked
  // for, keep to the longest side allowed, in proportion.
  Wmf wide;
  wide.RedNoPen().Rect(-32768, -32768, 32767, 32767);
  EXPECT_EQ(WmfPicture::Size(wide.Placeable(-32768, -16384, 32767, 16383, 1)), QSize(4096, 2048));
  EXPECT_EQ(Draw(wide.Plain(), QSize(INT_MAX, INT_MAX / 2)).size(), QSize(4096, 2048));
  EXPECT_EQ(Draw(wide.Plain(), QSize(INT_MAX, 1)).size(), QSize(4096, 1));

  // Extents scaled without end, coordinates multiplied far past the
  // picture, dashed and wide pens there: drawn, within the picture.
  Wmf scaled;
  scaled.WindowExt(100, 100).Add(0x0103, Words({8})).RedNoPen();
  for (int i = 0; i < 200; ++i) scaled.Add(0x0412, Words({1, 32767, 1, 32767}));  // SCALEVIEWPORTEXT
  scaled.Pen(kBlue, 0, 2).Select(2).Add(0x0213, Words({32767, 32767})).Rect(-32768, -32768, 32767, 32767);
  scaled.Pen(kBlue, 32767).Select(3).Add(0x0213, Words({-32768, 32767}));
  for (int i = 0; i < 200; ++i) scaled.Add(0x0410, Words({0, 0, 0, 0}));  // SCALEWINDOWEXT by 0/0
  scaled.Ellipse(-32768, -32768, 32767, 32767);
  EXPECT_EQ(Draw(scaled.Plain()).size(), QSize(100, 100));

  // The bitmap is charged before it is made: past the budget, nothing is
  // taken.
  const std::shared_ptr<PictureDecoder::TPictureBudget> small = PictureDecoder::TPictureBudget::Create(1000);
  try {
    WmfPicture::Render(wide.Plain(), *small, QSize(100, 100));
    ADD_FAILURE() << "drawn";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), PictureDecoder::kNoMemoryText);
  }
  EXPECT_EQ(small->Peak(), 0);
  // A bitmap record claiming 30000 x 30000 pixels is passed over.
  Wmf bomb;
  QByteArray dib = Dib({{kRed}});
  dib.replace(4, 8, Dword(30000) + Dword(30000));
  bomb.WindowExt(10, 10)
      .RedNoPen()
      .Rect(0, 0, 10, 10)
      .Add(0x0F43, Dword(0xCC0020) + Words({0, 1, 1, 0, 0, 10, 10, 0, 0}) + dib);
  EXPECT_EQ(At(Draw(bomb.Plain()), 5, 5), kRed);
}

namespace {

// Draws `data` at `size`, giving the work it took.
QImage DrawCounted(const QByteArray& data, QSize size, WmfPicture::TWork* work) {
  const std::shared_ptr<PictureDecoder::TPictureBudget> budget = PictureDecoder::TPictureBudget::Create();
  return WmfPicture::Render(data, *budget, size, work).image;
}

// A 4096-unit square picture, red up to x 100, then the pen of `width`
// units selected.
Wmf RedThenPen(int width) {
  Wmf w;
  w.WindowExt(4096, 4096).RedNoPen().Rect(0, 0, 100, 4096);
  w.Pen(kBlue, width).Select(2);
  return w;
}

QByteArray Font(int height, const QByteArray& face) {
  return Words({height, 0, 0, 0, 400}) + QByteArray(8, '\0') + face.leftJustified(32, '\0');
}

}  // namespace

TEST(WmfPicture, WidePensAndTextAreChargedByAllTheyTouch) {
  const QSize size(1024, 1024);
  // Ten polylines of 2000 points in a 2 x 2 unit square, with a pen twice
  // the picture's width: cut off, the red kept.
  Wmf polylines = RedThenPen(8000);
  QByteArray points = Words({2000});
  for (int i = 0; i < 2000; ++i) points += Words({2048 + (i * 7) % 3, 2048 + (i * 5) % 3});
  for (int i = 0; i < 10; ++i) polylines.Add(0x0325, points);
  WmfPicture::TWork work;
  QImage image = DrawCounted(polylines.Plain(), size, &work);
  EXPECT_TRUE(work.cutOff);
  EXPECT_LE(work.work, WmfPicture::kMaxWork);
  EXPECT_EQ(At(image, 10, 10), kRed);

  // 100 000 one-unit lines with that pen: what was drawn before the limit
  // stays (the first lines cover the picture).
  Wmf lines = RedThenPen(8000);
  for (int i = 0; i < 100000; ++i) lines.Add(0x0213, Words({2048 + i % 2, 2048}));  // LINETO
  image = DrawCounted(lines.Plain(), size, &work);
  EXPECT_TRUE(work.cutOff);
  EXPECT_EQ(At(image, 10, 10), kBlue);

  // A new font for each of 100 000 one-letter texts.
  Wmf fonts;
  fonts.WindowExt(4096, 4096);
  for (int i = 0; i < 100000; ++i) {
    fonts.Add(0x02FB, Font(-(8 + i % 32), "Face" + QByteArray::number(i))).Select(0);
    fonts.Add(0x0A32, Words({(i * 16) % 4096, 10, 1, 0}) + QByteArray("T")).Delete(0);
  }
  DrawCounted(fonts.Plain(), size, &work);
  EXPECT_TRUE(work.cutOff);
  // Two fonts taken in turn are made once each.
  Wmf twoFonts;
  twoFonts.WindowExt(4096, 4096).Add(0x02FB, Font(-10, "Sans")).Add(0x02FB, Font(-20, "Sans"));
  for (int i = 0; i < 100000; ++i) twoFonts.Select(i % 2).Add(0x0A32, Words({(i * 16) % 4096, 10, 1, 0}) + "T");
  DrawCounted(twoFonts.Plain(), size, &work);
  EXPECT_FALSE(work.cutOff);

  // Glyphs twice the picture's height, 64 to a record at one place.
  Wmf glyphs;
  glyphs.WindowExt(4096, 4096).Add(0x02FB, Font(-8192, "Sans")).Select(0);
  QByteArray text = Words({100, 100, 64, 0}) + QByteArray(64, 'W');
  for (int i = 0; i < 64; ++i) text += Words({0});
  for (int i = 0; i < 1000; ++i) glyphs.Add(0x0A32, text);
  DrawCounted(glyphs.Plain(), size, &work);
  EXPECT_TRUE(work.cutOff);
  EXPECT_LE(work.work, WmfPicture::kMaxWork);
}

TEST(WmfPicture, WidePenLinesOfOrdinaryPicturesStaySmooth) {
  // A wave of 200 points with a 6-unit pen and a filled star: drawn whole,
  // their edges smoothed.
  Wmf w;
  w.WindowExt(400, 400).Pen(kBlue, 6).Select(0);
  QByteArray points = Words({200});
  for (int i = 0; i < 200; ++i) points += Words({i * 2, int(std::lround(110 + 10 * std::sin(i / 5.0)))});
  w.Add(0x0325, points);
  w.Brush(kRed).Select(1).Pen(0, 0, 5).Select(2);
  w.Polygon({200, 200, 260, 390, 100, 270, 300, 270, 140, 390});
  WmfPicture::TWork work;
  const QImage image = DrawCounted(w.Plain(), QSize(), &work);
  EXPECT_FALSE(work.cutOff);
  const auto partial = [&image](int top, int bottom) {
    int n = 0;
    for (int y = top; y <= bottom; ++y)
      for (int x = 0; x < 400; ++x) n += qAlpha(image.pixel(x, y)) > 0 && qAlpha(image.pixel(x, y)) < 255;
    return n;
  };
  EXPECT_GT(partial(90, 130), 100);   // the wave
  EXPECT_GT(partial(195, 395), 100);  // the star
  EXPECT_EQ(At(image, 0, 110), kBlue);
  EXPECT_EQ(At(image, 200, 240), kRed);
}

namespace {

// A one-bit bitmap of `w` x `h` pixels, blue and green in a checkerboard.
QByteArray MonoDib(int w, int h) {
  QByteArray d = Dword(40) + Dword(quint32(w)) + Dword(quint32(h)) + Words({1, 1}) + Dword(0) + Dword(0) + Dword(0) +
                 Dword(0) + Dword(0) + Dword(0) + Dword(kBlue & 0xFFFFFF) + Dword(kGreen & 0xFFFFFF);
  for (int y = 0; y < h; ++y) {
    QByteArray row((w + 31) / 32 * 4, '\0');
    for (int x = 0; x < w; ++x)
      if ((x + y) % 2) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
    d += row;
  }
  return d;
}

// A 4096-unit square picture with a red brush and no pen, then `records`
// records made by `add`.
QByteArray Square(int records, const std::function<void(Wmf&, int)>& add) {
  Wmf w;
  w.WindowExt(4096, 4096).RedNoPen();
  for (int i = 0; i < records; ++i) add(w, i);
  return w.Plain();
}

QByteArray StretchedOverAll(const QByteArray& dib, quint32 rop, int records) {
  return Square(records, [&](Wmf& w, int) {
    w.Add(0x0F43, Dword(rop) + Words({0, 2, 2, 0, 0, 4096, 4096, 0, 0}) + dib);  // STRETCHDIB
  });
}

// PATBLT over the whole picture, `records` times, with the brush `select`
// makes.
QByteArray BlocksOverAll(int records, const std::function<void(Wmf&)>& select) {
  return Square(records, [&](Wmf& w, int i) {
    if (i == 0) select(w);
    w.Add(0x061D, Dword(0xF00021) + Words({4096, 4096, 0, 0}));
  });
}

void ExpectCutOff(const char* name, const QByteArray& data, QSize size) {
  WmfPicture::TWork work;
  DrawCounted(data, size, &work);
  EXPECT_TRUE(work.cutOff) << name;
}

const QSize kPage(1024, 1024), kThumb(100, 100);

}  // namespace

// Each of these takes many seconds to draw whole, though its pixels alone
// are well within the limit.
TEST(WmfPicture, StretchedBitmapsAreChargedAtWhatTheyCost) {
  ExpectCutOff("one-bit", StretchedOverAll(MonoDib(2, 2), 0xCC0020, 1900), kPage);
  ExpectCutOff("24-bit, xor", StretchedOverAll(Dib({{kRed, kGreen}, {kBlue, kRed}}), 0x660046, 1900), kPage);
  // Under a clip of many pieces, in a thumbnail.
  ExpectCutOff("clipped",
               Square(5000,
                      [](Wmf& w, int i) {
                        if (i == 0) w.ClipInto256Pieces();
                        w.Add(0x0F43, Dword(0xCC0020) + Words({0, 2, 2, 0, 0, 4096, 4096, 0, 0}) + MonoDib(2, 2));
                      }),
               kThumb);
}

TEST(WmfPicture, PatternsDashesAndClipsAreChargedAtWhatTheyCost) {
  ExpectCutOff("hatched blocks", BlocksOverAll(1900, [](Wmf& w) { w.Brush(kGreen, 5).Select(2); }), kPage);
  ExpectCutOff("pattern blocks",
               BlocksOverAll(1900,
                             [](Wmf& w) {
                               w.Add(0x0142, Words({0, 0}) + MonoDib(2, 2));
                             }),
               kPage);
  ExpectCutOff("dotted zigzag",
               Square(300000,
                      [](Wmf& w, int i) {
                        if (i == 0) w.Pen(kBlue, 1, 2).Select(2);
                        w.Add(0x0213, Words({(i * 41) % 4096, i % 2 ? 4095 : 0}));  // LINETO
                      }),
               kThumb);
  // The clipping region laid out anew for every small fill.
  ExpectCutOff("fills clipped into 256 pieces",
               Square(20000,
                      [](Wmf& w, int i) {
                        if (i == 0) w.ClipInto256Pieces();
                        w.Add(0x001E, {}).Rect(0, 0, 10, 10).Add(0x0127, Words({-1}));  // SAVEDC, RESTOREDC
                      }),
               kThumb);
}

TEST(WmfPicture, OrdinaryBitmapsPatternsAndDashesAreDrawnWhole) {
  // A photograph at its own size, a small one-bit bitmap scaled up, a
  // rectangle of each hatch, a pattern brush, a dashed polyline of each
  // style and a clip of a few pieces.
  std::vector<std::vector<QRgb>> photo(768, std::vector<QRgb>(1024));
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) photo[std::size_t(y)][std::size_t(x)] = qRgb(x % 256, y % 256, (x + y) % 256);
  Wmf w;
  w.WindowExt(1200, 1000).Pen(0, 0, 5).Select(0);
  w.Add(0x0F43, Dword(0xCC0020) + Words({0, 768, 1024, 0, 0, 768, 1024, 0, 0}) + Dib(photo));
  w.Add(0x0F43, Dword(0xCC0020) + Words({0, 8, 8, 0, 0, 160, 160, 800, 1030}) + MonoDib(8, 8));
  for (int h = 0; h < 6; ++h)
    w.Add(0x02FC, Words({2}) + Color(kBlue) + Words({h})).Select(1 + h).Rect(h * 30, 800, h * 30 + 25, 990);
  w.Add(0x0142, Words({0, 0}) + MonoDib(8, 8)).Select(7).Rect(200, 800, 400, 990);  // DIBCREATEPATTERNBRUSH
  for (int style = 1; style <= 4; ++style) {
    QByteArray points = Words({200});
    for (int i = 0; i < 200; ++i) points += Words({400 + i * 4, 800 + style * 40 + (i % 2) * 20});
    w.Pen(kBlue, 1, style).Select(7 + style).Add(0x0325, points);  // POLYLINE
  }
  for (int k = 0; k < 3; ++k) w.Add(0x0415, Words({90, 1060 + k * 20, 10, 1050 + k * 20}));  // EXCLUDECLIPRECT
  w.Add(0x061D, Dword(0xF00021) + Words({100, 100, 0, 1040}));                               // PATBLT
  for (const QSize size : {QSize(), QSize(120, 100)}) {
    WmfPicture::TWork work;
    const QImage image = DrawCounted(w.Plain(), size, &work);
    EXPECT_FALSE(work.cutOff) << size.width();
    if (size.isValid()) continue;
    EXPECT_EQ(At(image, 300, 200), qRgb(300 % 256, 200, 500 % 256));  // the photograph, at its own size
    EXPECT_EQ(At(image, 1030 + 10, 800 + 150), kBlue);                // the one-bit bitmap's colours
    EXPECT_EQ(At(image, 1030 + 30, 800 + 150), kGreen);
  }
}

namespace {

// Words of the numbers `v`, each times `k`.
QByteArray Scaled(int k, std::initializer_list<int> v) {
  QByteArray b;
  for (int n : v) b += Words({n * k});
  return b;
}

// Records drawing one shape over the middle of a square of 100 units
// times `k`, in red; objects from index 2 are the shape's own.
struct TShape {
  const char* name;
  std::function<void(Wmf&, int k)> draw;
};

std::vector<TShape> Shapes() {
  return {
      {"rectangle",
       [](Wmf& w, int k) {
         w.Add(0x041B, Scaled(k, {90, 90, 10, 10}));
       }},
      {"ellipse",
       [](Wmf& w, int k) {
         w.Add(0x0418, Scaled(k, {90, 90, 10, 10}));
       }},
      {"round rect",
       [](Wmf& w, int k) {
         w.Add(0x061C, Scaled(k, {20, 20, 90, 90, 10, 10}));
       }},
      {"polygon",
       [](Wmf& w, int k) {
         w.Add(0x0324, Words({4}) + Scaled(k, {10, 10, 90, 10, 90, 90, 10, 90}));
       }},
      {"polypolygon",
       [](Wmf& w, int k) {
         w.Add(0x0538, Words({1, 4}) + Scaled(k, {10, 10, 90, 10, 90, 90, 10, 90}));
       }},
      {"polyline",
       [](Wmf& w, int k) {
         w.Pen(kRed, 30 * k).Select(2).Add(0x0325, Words({2}) + Scaled(k, {10, 50, 90, 50}));
       }},
      {"line",
       [](Wmf& w, int k) {
         w.Pen(kRed, 30 * k).Select(2).Add(0x0214, Scaled(k, {10, 50})).Add(0x0213, Scaled(k, {90, 50}));
       }},
      // From the top round to the right: three quarters, the middle inside.
      {"pie",
       [](Wmf& w, int k) {
         w.Add(0x081A, Scaled(k, {50, 100, 0, 50, 90, 90, 10, 10}));
       }},
      {"chord",
       [](Wmf& w, int k) {
         w.Add(0x0830, Scaled(k, {50, 100, 0, 50, 90, 90, 10, 10}));
       }},
      {"arc",
       [](Wmf& w, int k) {
         w.Pen(kRed, 30 * k).Select(2).Add(0x0817, Scaled(k, {50, 0, 50, 100, 60, 60, 40, 40}));
       }},
      {"pixel",
       [](Wmf& w, int k) {
         w.Add(0x041F, Color(kRed) + Scaled(k, {50, 50}));
       }},
      {"block",
       [](Wmf& w, int k) {
         w.Add(0x061D, Dword(0xF00021) + Scaled(k, {80, 80, 10, 10}));
       }},
      {"bitmap",
       [](Wmf& w, int k) {
         w.Add(0x0F43, Dword(0xCC0020) + Words({0, 2, 2, 0, 0}) + Scaled(k, {80, 80, 10, 10}) +
                           Dib({{kRed, kGreen}, {kBlue, kRed}}));
       }},
      {"bitmap block",
       [](Wmf& w, int k) {
         w.Add(0x0B41, Dword(0xCC0020) + Words({2, 2, 0, 0}) + Scaled(k, {80, 80, 10, 10}) +
                           Dib({{kRed, kGreen}, {kBlue, kRed}}));
       }},
      // "ÄÖ" in windows-1252 on an opaque background, which fills the
      // text's box.
      {"text",
       [](Wmf& w, int k) {
         w.Add(0x02FB, Words({-80 * k, 0, 0, 0, 400}) + QByteArray(8, '\0') + QByteArray(32, '\0')).Select(2);
         w.Add(0x0201, Color(kRed)).Add(0x0102, Words({2}));  // SETBKCOLOR, SETBKMODE opaque
         w.Add(0x0521, Words({2}) + QByteArray("\xC4\xD6") + Scaled(k, {10, 10}));
       }},
      {"opaque box",
       [](Wmf& w, int k) {
         w.Add(0x0201, Color(kRed)).Add(0x0A32, Scaled(k, {10, 10}) + Words({0, 2}) + Scaled(k, {10, 10, 90, 90}));
       }},
  };
}

// How the logical square of 100 units times `k` is mapped onto the 100
// pixels of the picture, and the records that cut the square 40 to 60 out
// of the clipping region (`cut`) and then set up the drawing (`then`).
struct TSetting {
  const char* name;
  int k;
  std::function<void(Wmf&)> map, cut, then;
};

// Cuts the middle square, 40 to 60 times `k`, moved right by `dx`.
void ExcludeMiddle(Wmf& w, int k, int dx = 0) {
  w.Add(0x0415, Words({60 * k, 60 * k + dx, 40 * k, 40 * k + dx}));  // EXCLUDECLIPRECT
}

std::vector<TSetting> Settings() {
  const auto none = [](Wmf&) {};
  const auto plain = [](Wmf& w) { w.WindowExt(100, 100); };
  const auto tenfold = [](Wmf& w) { w.Add(0x0103, Words({8})).WindowExt(1000, 1000).Add(0x020E, Words({100, 100})); };
  return {
      {"plain", 1, plain, [](Wmf& w) { ExcludeMiddle(w, 1); }, none},
      {"window scaled onto a viewport", 10, tenfold, [](Wmf& w) { ExcludeMiddle(w, 10); }, none},
      {"upside down", 1, [](Wmf& w) { w.Add(0x0103, Words({8})).WindowOrg(0, 100).WindowExt(100, -100); },
       [](Wmf& w) { ExcludeMiddle(w, 1); }, none},
      {"isotropic", 10,
       [](Wmf& w) {
         w.Add(0x0103, Words({7})).WindowExt(1000, 1000).Add(0x020E, Words({100, 100}));
       },
       [](Wmf& w) { ExcludeMiddle(w, 10); }, none},
      // Cut under another window: where it lands on the picture counts.
      {"window moved after", 1, plain,
       [](Wmf& w) {
         w.WindowOrg(1000, 0);
         ExcludeMiddle(w, 1, 1000);
         w.WindowOrg(0, 0);
       },
       none},
      {"viewport scaled after", 10, tenfold,
       [](Wmf& w) {
         ExcludeMiddle(w, 10);
         w.Add(0x020E, Words({50, 50}));  // SETVIEWPORTEXT
       },
       [](Wmf& w) {
         w.Add(0x020E, Words({100, 100}));
       }},
      // The cut is part of the state a SAVEDC keeps.
      {"kept by a restore", 1, plain,
       [](Wmf& w) {
         ExcludeMiddle(w, 1);
         w.Add(0x001E, {}).Add(0x0416, Words({1, 1, 0, 0}));  // SAVEDC, INTERSECTCLIPRECT
         w.Add(0x0127, Words({-1}));                          // RESTOREDC
       },
       none},
      {"restored by number", 1, plain,
       [](Wmf& w) {
         w.Add(0x001E, {});
         ExcludeMiddle(w, 1);
         w.Add(0x001E, {}).Add(0x001E, {}).Add(0x0416, Words({1, 1, 0, 0}));
         w.Add(0x0127, Words({2}));
       },
       none},
      {"under a saved state", 10, tenfold,
       [](Wmf& w) {
         w.Add(0x001E, {}).WindowOrg(5000, 0);
         ExcludeMiddle(w, 10, 5000);
         w.Add(0x001E, {}).Add(0x0127, Words({-1}));
       },
       [](Wmf& w) { w.WindowOrg(0, 0); }},
      {"placeable", 10, [](Wmf& w) { w.WindowExt(1000, 1000); }, [](Wmf& w) { ExcludeMiddle(w, 10); }, none},
  };
}

}  // namespace

// Whatever is drawn after a rectangle is cut out of the clipping region
// leaves that rectangle as it was, and draws elsewhere as without the cut.
TEST(WmfPicture, ExcludedRectanglesCutEveryShapeDrawnAfterThem) {
  for (const TSetting& setting : Settings()) {
    for (const TShape& shape : Shapes()) {
      Wmf whole;
      setting.map(whole);
      whole.RedNoPen();
      Wmf cut = whole;
      setting.cut(cut);
      setting.then(whole);
      setting.then(cut);
      shape.draw(whole, setting.k);
      shape.draw(cut, setting.k);
      const bool placeable = std::string_view(setting.name) == "placeable";
      const auto file = [placeable](const Wmf& w) {
        return placeable ? w.Placeable(0, 0, 1000, 1000, 960) : w.Plain();
      };
      const QImage a = Draw(file(whole)), b = Draw(file(cut));
      const std::string name = std::string(setting.name) + ", " + shape.name;
      ASSERT_EQ(a.size(), QSize(100, 100)) << name;
      // Upside down, the chord and the text lie off the middle.
      if (std::string_view(setting.name) != "upside down") {
        EXPECT_EQ(qAlpha(a.pixel(50, 50)), 255) << name;
      }
      EXPECT_GT(Drawn(a, QRect(0, 0, 100, 100)), 0) << name;
      int inside = 0, outside = 0;
      for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
          if (x >= 40 && x < 60 && y >= 40 && y < 60)
            inside += qAlpha(b.pixel(x, y)) != 0;
          else
            outside += a.pixel(x, y) != b.pixel(x, y);
        }
      EXPECT_EQ(inside, 0) << name;
      EXPECT_EQ(outside, 0) << name;
    }
  }
}

TEST(WmfPicture, ClippingRegionsEmptiedMovedOrOfManyPieces) {
  // Everything cut away, or two rectangles with nothing in common kept:
  // nothing is drawn.
  Wmf all;
  all.WindowExt(100, 100).RedNoPen().Add(0x0415, Words({100, 100, 0, 0})).Rect(0, 0, 100, 100);
  EXPECT_EQ(Drawn(Draw(all.Plain()), QRect(0, 0, 100, 100)), 0);
  Wmf apart;
  apart.WindowExt(100, 100).RedNoPen().Add(0x0416, Words({10, 10, 0, 0})).Add(0x0416, Words({30, 30, 20, 20}));
  EXPECT_EQ(Drawn(Draw(apart.Rect(0, 0, 100, 100).Plain()), QRect(0, 0, 100, 100)), 0);

  // 400 squares cut out one after another: each stays cut.
  Wmf many;
  many.WindowExt(400, 400).RedNoPen();
  for (int k = 0; k < 400; ++k) {
    const int x = (k % 20) * 20, y = (k / 20) * 20;
    many.Add(0x0415, Words({y + 10, x + 10, y, x}));
  }
  const QImage m = Draw(many.Rect(0, 0, 400, 400).Plain());
  int cut = 0, kept = 0;
  for (int k = 0; k < 400; ++k) {
    const int x = (k % 20) * 20, y = (k / 20) * 20;
    cut += qAlpha(m.pixel(x + 5, y + 5)) == 0;
    kept += m.pixel(x + 15, y + 15) == kRed;
  }
  EXPECT_EQ(cut, 400);
  EXPECT_EQ(kept, 400);

  // OFFSETCLIPRGN moves the region by logical units.
  Wmf moved;
  moved.WindowExt(100, 100).Add(0x0103, Words({8})).Add(0x020E, Words({200, 200})).RedNoPen();
  moved.Add(0x0416, Words({20, 20, 0, 0})).Add(0x0220, Words({30, 40})).Rect(0, 0, 100, 100);  // 40 right, 30 down
  const QImage o = Draw(moved.Plain());
  ASSERT_EQ(o.size(), QSize(200, 200));
  EXPECT_EQ(Drawn(o, QRect(0, 0, 200, 200)), 40 * 40);
  EXPECT_EQ(At(o, 80, 60), kRed);
  EXPECT_EQ(At(o, 119, 99), kRed);

  // A clip taken away again leaves text clipped to its own box whole.
  Wmf freed;
  freed.WindowExt(100, 100).Add(0x0416, Words({100, 50, 0, 0})).Add(0x012C, Words({0}));  // SELECTCLIPREGION
  freed.Add(0x0201, Color(kRed)).Add(0x0A32, Words({0, 60, 0, 6, 60, 0, 100, 100}));
  EXPECT_EQ(At(Draw(freed.Plain()), 80, 50), kRed);
}

namespace {

// "ÄÖ Üß éñ" in windows-1252: 8 characters, 2 of them blanks.
const QByteArray kLatinLine("\xC4\xD6 \xDC\xDF \xE9\xF1");

QByteArray TextOut(int x, int y, const QByteArray& text) {
  QByteArray t = text;
  if (t.size() % 2) t += '\0';
  return Words({int(text.size())}) + t + Words({y, x});
}

// A 400 x 100 picture (`scale` logical units to the pixel) with a 40-pixel
// font, then `records`. Text is red; its background red when `opaque`.
QImage TextPicture(const std::function<void(Wmf&)>& records, bool opaque, int scale = 1) {
  Wmf w;
  w.Add(0x0103, Words({8})).WindowExt(400 * scale, 100 * scale).Add(0x020E, Words({100, 400}));
  w.Add(0x02FB, Font(-40 * scale, "Sans")).Select(0).Add(0x0209, Color(kRed)).Add(0x0201, Color(kRed));
  w.Add(0x0102, Words({opaque ? 2 : 1}));  // SETBKMODE
  records(w);
  return Draw(w.Plain());
}

// The first and the last column of `image` with a drawn pixel in rows
// `top` to `bottom`; -1, -1 for none.
std::pair<int, int> Columns(const QImage& image, int top = 0, int bottom = -1) {
  if (bottom < 0) bottom = image.height() - 1;
  int first = -1, last = -1;
  for (int x = 0; x < image.width(); ++x)
    for (int y = top; y <= bottom; ++y)
      if (qAlpha(image.pixel(x, y))) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

}  // namespace

TEST(WmfPicture, CharacterExtraWidensTextByEachCharacter) {
  const auto line = [](int extra, int function, int scale = 1) {
    return TextPicture(
        [&](Wmf& w) {
          if (extra) w.Add(0x0108, Words({extra * scale}));  // SETTEXTCHAREXTRA
          if (function == 0x0521)
            w.Add(0x0521, TextOut(10 * scale, 10 * scale, kLatinLine));
          else
            w.Add(0x0A32, Words({10 * scale, 10 * scale, int(kLatinLine.size()), 0}) + kLatinLine);
        },
        true, scale);
  };
  for (const int function : {0x0521, 0x0A32}) {
    const auto [left, right] = Columns(line(0, function), 30, 30);
    ASSERT_EQ(left, 10) << function;
    // The background's box: 8 characters, 6 pixels each further.
    EXPECT_NEAR(Columns(line(6, function), 30, 30).second, right + 48, 1) << function;
    EXPECT_NEAR(Columns(line(-2, function), 30, 30).second, right - 16, 1) << function;
    // In logical units: 6 of them are 3 pixels at two units to the pixel.
    EXPECT_NEAR(Columns(line(3, function, 2), 30, 30).second, right + 24, 1) << function;
  }

  // The letters move apart: the first stays, the last moves by the extra
  // of the 7 before it.
  const auto ink = [](int extra) {
    return Columns(TextPicture(
        [&](Wmf& w) {
          w.Add(0x0108, Words({extra}));
          w.Add(0x0521, TextOut(10, 10, kLatinLine));
        },
        false));
  };
  const auto plain = ink(0), spaced = ink(10);
  EXPECT_EQ(spaced.first, plain.first);
  EXPECT_NEAR(spaced.second, plain.second + 70, 1);

  // EXTTEXTOUT with advances of its own: they alone space the text.
  const auto advanced = [](int extra) {
    QByteArray dx;
    for (qsizetype i = 0; i < kLatinLine.size(); ++i) dx += Words({30});
    return TextPicture(
        [&](Wmf& w) {
          w.Add(0x0108, Words({extra}));
          w.Add(0x0A32, Words({10, 10, int(kLatinLine.size()), 0}) + kLatinLine + dx);
        },
        true);
  };
  EXPECT_EQ(Columns(advanced(0), 30, 30), std::make_pair(10, 10 + 8 * 30 - 1));
  EXPECT_EQ(advanced(0), advanced(12));

  // The extra is part of the state SAVEDC keeps.
  const QImage restored = TextPicture(
      [](Wmf& w) {
        w.Add(0x001E, {}).Add(0x0108, Words({6})).Add(0x0127, Words({-1}));
        w.Add(0x0521, TextOut(10, 10, kLatinLine));
      },
      true);
  EXPECT_EQ(restored, line(0, 0x0521));

  // Text that moves the current position on leaves the extra behind it:
  // two records end where one of all their characters ends.
  const QImage twice = TextPicture(
      [](Wmf& w) {
        w.Add(0x012E, Words({1})).Add(0x0214, Words({10, 10})).Add(0x0108, Words({6}));  // TA_UPDATECP, MOVETO
        w.Add(0x0521, TextOut(0, 0, kLatinLine)).Add(0x0521, TextOut(0, 0, "\xC4"));
      },
      true);
  const QImage once =
      TextPicture([](Wmf& w) { w.Add(0x0108, Words({6})).Add(0x0521, TextOut(10, 10, kLatinLine + "\xC4")); }, true);
  EXPECT_NEAR(Columns(twice, 30, 30).second, Columns(once, 30, 30).second, 1);
}

TEST(WmfPicture, JustificationSpreadsItsExtraOverTheBlanks) {
  const auto draw = [](bool opaque, const std::function<void(Wmf&)>& setup) {
    return TextPicture(
        [&](Wmf& w) {
          setup(w);
          w.Add(0x0521, TextOut(10, 10, kLatinLine));
        },
        opaque);
  };
  const auto none = [](Wmf&) {};
  const auto justified = [](Wmf& w) { w.Add(0x020A, Words({2, 40})); };  // SETTEXTJUSTIFICATION: 2 blanks, 40 units
  const int right = Columns(draw(true, none), 30, 30).second;
  EXPECT_NEAR(Columns(draw(true, justified), 30, 30).second, right + 40, 1);
  // The letters before the first blank stay where they were; those after
  // the second have moved by the whole extra.
  const QImage plain = draw(false, none), spread = draw(false, justified);
  const std::pair<int, int> plainInk = Columns(plain), spreadInk = Columns(spread);
  EXPECT_EQ(spreadInk.first, plainInk.first);
  EXPECT_NEAR(spreadInk.second, plainInk.second + 40, 1);
  EXPECT_EQ(spread.copy(0, 0, 50, 100), plain.copy(0, 0, 50, 100));  // "ÄÖ"

  // The following lines are justified too, until the extra is set to 0.
  const QImage lines = TextPicture(
      [&](Wmf& w) {
        justified(w);
        w.Add(0x0521, TextOut(10, 0, kLatinLine)).Add(0x0521, TextOut(10, 50, kLatinLine));
      },
      false);
  EXPECT_NEAR(Columns(lines, 55, 99).second, plainInk.second + 40, 1);
  EXPECT_EQ(draw(false,
                 [&](Wmf& w) {
                   justified(w);
                   w.Add(0x020A, Words({0, 0}));
                 }),
            plain);
  // A line with more blanks than it was set for gives each its share.
  const QImage more = draw(true, [](Wmf& w) { w.Add(0x020A, Words({1, 20})); });
  EXPECT_NEAR(Columns(more, 30, 30).second, right + 40, 1);
  // Character extra adds to it.
  const QImage both = draw(true, [](Wmf& w) { w.Add(0x020A, Words({2, 40})).Add(0x0108, Words({3})); });
  EXPECT_NEAR(Columns(both, 30, 30).second, right + 40 + 8 * 3, 1);

  // A Cyrillic line ("При мир" in windows-1251) has its blank found after
  // its code page is read.
  const auto cyrillic = [](int extra) {
    return Columns(TextPicture(
                       [&](Wmf& w) {
                         w.Add(0x02FB, Font(-40, "Sans").replace(13, 1, "\xCC")).Select(1);  // RUSSIAN_CHARSET
                         w.Add(0x020A, Words({1, extra})).Add(0x0521, TextOut(10, 10, "\xCF\xF0\xE8 \xEC\xE8\xF0"));
                       },
                       true),
                   30, 30)
        .second;
  };
  EXPECT_NEAR(cyrillic(25), cyrillic(0) + 25, 1);
}

TEST(WmfPicture, HatchedBlocksFillTheirGapsAsTheBackgroundModeSays) {
  // A block of blue crossed lines on green, then, after a shape drawn on
  // an opaque background, one whose gaps stay clear.
  for (const bool opaque : {true, false}) {
    Wmf w;
    w.WindowExt(40, 20).Add(0x0201, Color(kGreen)).Brush(kBlue, 2).Select(0);
    if (!opaque) w.Ellipse(30, 0, 31, 1).Add(0x0102, Words({1}));  // SETBKMODE transparent
    w.Add(0x061D, Dword(0xF00021) + Words({20, 20, 0, 0}));        // PATBLT
    const QImage image = Draw(w.Plain());
    int blue = 0, green = 0, clear = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) {
        blue += image.pixel(x, y) == kBlue;
        green += image.pixel(x, y) == kGreen;
        clear += qAlpha(image.pixel(x, y)) == 0;
      }
    EXPECT_GT(blue, 20) << opaque;
    EXPECT_EQ(green, opaque ? 400 - blue : 0) << opaque;
    EXPECT_EQ(clear, opaque ? 0 : 400 - blue) << opaque;
  }
}
