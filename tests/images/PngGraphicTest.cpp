// The PNG picture object: conversion to and from bitmaps, drawing in the
// three transparency modes, pixel access, the clipboard and registration.
#include <gtest/gtest.h>

#include <QMimeData>
#include <QPainter>

#include "PngTestSupport.h"
#include "images/pngcodec.h"
#include "tests/common/TestUtil.h"

using namespace pngtest;

namespace {

QByteArray Palette2x1(const QByteArray& trns) {
  return File(Ihdr(2, 1, 8, 3), Chunk("PLTE", Bytes({255, 0, 0, 0, 0, 255})) + trns, Bytes({0, 0, 1}));
}

QImage Canvas(int w, int h, QRgb fill) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(fill);
  return image;
}

// The canvas after drawing the file into `rect`.
QImage DrawnOn(QImage canvas, const QByteArray& file, const QRect& rect) {
  TPngGraphic png;
  Load(png, file);
  QPainter painter(&canvas);
  png.Draw(painter, rect);
  return canvas;
}

}  // namespace

TEST(PngGraphic, NewPictureIsEmpty) {
  TPngGraphic png;
  EXPECT_TRUE(png.GetEmpty());
  EXPECT_EQ(png.Filters, FilterBit(pfSub));
  EXPECT_EQ(png.CompressionLevel, 7);
  EXPECT_EQ(png.MaxIdatSize(), 65535u);
  EXPECT_EQ(MessageOf<EPNGHeaderNotPresent>([&] { png.Header(); }),
            "This operation is not valid because the current image contains no valid header.");
  QImage canvas = Canvas(4, 4, qRgb(1, 2, 3));
  QPainter painter(&canvas);
  png.Draw(painter, QRect(0, 0, 4, 4));
  painter.end();
  EXPECT_EQ(canvas, Canvas(4, 4, qRgb(1, 2, 3)));
  EXPECT_TRUE(png.ToBitmap().isNull());
  EXPECT_EQ(png.GetPixels(0, 0), 0);
}

TEST(PngGraphic, SizeCannotBeSet) {
  TPngGraphic png;
  const QString text =
      "The \"Portable Network Graphics\" image can not be resize by changing width and height properties. Try "
      "assigning the image from a bitmap.";
  EXPECT_EQ(MessageOf<EPngError>([&] { png.SetWidth(5); }), text);
  EXPECT_EQ(MessageOf<EPngError>([&] { png.SetHeight(5); }), text);
}

TEST(PngGraphic, FromBitmaps) {
  QImage rgb = Canvas(3, 2, qRgb(10, 20, 30));
  rgb.setPixel(2, 1, qRgb(200, 100, 50));
  TPngGraphic png;
  png.Assign(rgb);
  EXPECT_EQ(ChunkNames(Save(png)), (std::vector<QByteArray>{"IHDR", "IDAT", "IEND"}));
  EXPECT_EQ(png.Header().ColorType, 2);
  EXPECT_EQ(png.Header().BitDepth, 8);
  EXPECT_EQ(png.GetPixels(2, 1), 0x3264C8);

  QImage indexed(4, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0)});
  for (int x = 0; x < 4; ++x) indexed.setPixel(x, 0, static_cast<uint>(x % 3));
  png.AssignHandle(indexed, true, clLime);
  EXPECT_EQ(ChunkNames(Save(png)), (std::vector<QByteArray>{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));
  EXPECT_EQ(png.Header().ColorType, 3);
  EXPECT_EQ(png.Chunks().ItemFromClass<TChunkPLTE>()->Count, 256);
  EXPECT_EQ(png.TransparencyMode(), 1);
  EXPECT_EQ(png.TransparentColor(), clLime);
  EXPECT_EQ(qAlpha(png.ToBitmap().pixel(2, 0)), 0);
  EXPECT_EQ(qAlpha(png.ToBitmap().pixel(1, 0)), 255);

  // A picture that cannot be made keeps the old one.
  EXPECT_THROW(png.Assign(QImage()), EPngInvalidIHDR);
  EXPECT_EQ(png.GetWidth(), 4);
}

TEST(PngGraphic, BitmapRoundTripKeepsPixels) {
  for (const char* name : {"basn2c08.png", "basn3p04.png", "basn0g01.png", "basn3p08.png", "basn0g16.png"}) {
    SCOPED_TRACE(name);
    TPngGraphic png;
    Load(png, ReadFileBytes(DataPath(QStringLiteral("pngsuite/") + name)));
    const QImage bitmap = png.ToBitmap();
    ASSERT_EQ(bitmap.width(), png.GetWidth());
    TPngGraphic back;
    back.Assign(bitmap);
    ASSERT_EQ(back.GetWidth(), png.GetWidth());
    ASSERT_EQ(back.GetHeight(), png.GetHeight());
    for (int y = 0; y < png.GetHeight(); ++y)
      for (int x = 0; x < png.GetWidth(); ++x) ASSERT_EQ(back.GetPixels(x, y), png.GetPixels(x, y)) << x << "," << y;
  }
}

TEST(PngGraphic, BitmapOfAnAlphaImageKeepsTheAlpha) {
  TPngGraphic png;
  Load(png, ReadFileBytes(DataPath("pngsuite/basn6a08.png")));
  const QImage bitmap = png.ToBitmap();
  EXPECT_TRUE(bitmap.hasAlphaChannel());
  EXPECT_EQ(qAlpha(bitmap.pixel(0, 0)), png.Header().ImageAlpha[0]);
}

TEST(PngGraphic, PixelAccessAtTheEdges) {
  TPngGraphic png;
  QImage wide = Canvas(300, 2, qRgb(1, 2, 3));
  wide.setPixel(299, 0, qRgb(9, 8, 7));
  png.Assign(wide);
  EXPECT_EQ(png.GetPixels(300, 0), 0);
  EXPECT_EQ(png.GetPixels(-1, 0), 0);
  EXPECT_EQ(png.GetPixels(299, 0), 0x070809);
  png.SetPixels(300, 0, clWhite);
  png.SetPixels(5, 1, clWhite);
  EXPECT_EQ(png.GetPixels(5, 1), clWhite);
}

TEST(PngGraphic, PixelsOfPaletteAndGreyImages) {
  TPngGraphic png;
  Load(png, Palette2x1({}));
  EXPECT_EQ(png.GetPixels(0, 0), clRed);
  EXPECT_EQ(png.GetPixels(1, 0), clBlue);
  png.SetPixels(0, 0, static_cast<TColor>(0xF00010));  // nearest: blue
  EXPECT_EQ(png.GetPixels(0, 0), clBlue);
  // An index without a palette entry reads as 0 and draws black.
  Load(png, File(Ihdr(1, 1, 8, 3), Chunk("PLTE", Bytes({1, 2, 3})), Bytes({0, 7})));
  EXPECT_EQ(png.GetPixels(0, 0), 0);
  EXPECT_EQ(png.ToArgb().pixel(0, 0), qRgb(0, 0, 0));
  // Grey with gamma: the table applies once.
  Load(png, File(Ihdr(1, 1, 8, 0), Chunk("gAMA", BE32(100000)), Bytes({0, 64})));
  EXPECT_EQ(png.GetPixels(0, 0), 0x888888);
  Load(png, File(Ihdr(1, 1, 8, 3), Chunk("gAMA", BE32(100000)) + Chunk("PLTE", Bytes({64, 128, 255})), Bytes({0, 0})));
  EXPECT_EQ(png.GetPixels(0, 0), static_cast<TColor>(136 | (186 << 8) | (255 << 16)));
  // Grey with alpha reads its grey level.
  Load(png, File(Ihdr(1, 1, 8, 4), {}, Bytes({0, 77, 10})));
  EXPECT_EQ(png.GetPixels(0, 0), 0x4D4D4D);
}

TEST(PngGraphic, TransparencyModes) {
  const struct {
    const char* what;
    QByteArray file;
    int mode;
  } cases[] = {
      {"grey", File(Ihdr(1, 1, 8, 0), {}, Bytes({0, 1})), 0},
      {"grey with a key", File(Ihdr(1, 1, 8, 0), Chunk("tRNS", Bytes({0, 1})), Bytes({0, 1})), 1},
      {"rgb", File(Ihdr(1, 1, 8, 2), {}, Bytes({0, 1, 2, 3})), 0},
      {"rgb with a key", File(Ihdr(1, 1, 8, 2), Chunk("tRNS", Bytes({0, 1, 0, 2, 0, 3})), Bytes({0, 1, 2, 3})), 1},
      {"palette", Palette2x1({}), 0},
      {"palette with one clear entry", Palette2x1(Chunk("tRNS", Bytes({0}))), 1},
      {"palette with partial alpha", Palette2x1(Chunk("tRNS", Bytes({100, 255}))), 2},
      {"grey and alpha", File(Ihdr(1, 1, 8, 4), {}, Bytes({0, 1, 2})), 2},
      {"rgba", File(Ihdr(1, 1, 8, 6), {}, Bytes({0, 1, 2, 3, 4})), 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TPngGraphic png;
    Load(png, c.file);
    EXPECT_EQ(png.TransparencyMode(), c.mode);
    EXPECT_EQ(png.GetTransparent(), c.mode != 0);
  }
}

TEST(PngGraphic, DrawInEachTransparencyMode) {
  const QRgb green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), black = qRgb(0, 0, 0);
  // Red is transparent, blue opaque; drawn twice its size over green.
  QImage canvas = DrawnOn(Canvas(4, 2, green), Palette2x1(Chunk("tRNS", Bytes({0}))), QRect(0, 0, 4, 2));
  EXPECT_EQ(canvas.pixel(0, 0), green);
  EXPECT_EQ(canvas.pixel(1, 1), green);
  EXPECT_EQ(canvas.pixel(2, 0), blue);
  EXPECT_EQ(canvas.pixel(3, 1), blue);
  // White at alpha 128 and 255 over black, into a rectangle twice the size:
  // drawn at its own size.
  canvas = DrawnOn(Canvas(6, 4, black), File(Ihdr(2, 1, 8, 6), {}, Bytes({0, 255, 255, 255, 128, 255, 255, 255, 255})),
                   QRect(1, 1, 4, 2));
  EXPECT_NEAR(qRed(canvas.pixel(1, 1)), 128, 1);
  EXPECT_EQ(canvas.pixel(2, 1), qRgb(255, 255, 255));
  EXPECT_EQ(canvas.pixel(3, 1), black);
  EXPECT_EQ(canvas.pixel(1, 2), black);
  // Opaque, stretched.
  canvas =
      DrawnOn(Canvas(4, 2, green), File(Ihdr(2, 1, 8, 2), {}, Bytes({0, 255, 0, 0, 0, 0, 255})), QRect(0, 0, 4, 2));
  EXPECT_EQ(canvas.pixel(1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(canvas.pixel(3, 0), blue);
}

TEST(PngGraphic, ClipboardRoundTrip) {
  TPngGraphic png, back;
  Load(png, ReadFileBytes(DataPath("pngsuite/basn2c08.png")));
  QMimeData data;
  png.SaveToClipboardFormat(data);
  back.LoadFromClipboardFormat(data);
  EXPECT_EQ(back.GetPixels(5, 7), png.GetPixels(5, 7));
  QMimeData none;
  EXPECT_THROW(back.LoadFromClipboardFormat(none), EConvertError);
}

TEST(PngGraphic, AssignBetweenPictures) {
  TPngGraphic png, copy;
  Load(png, ReadFileBytes(DataPath("pngsuite/basn3p08.png")));
  png.CompressionLevel = 3;
  png.Filters = FilterBit(pfUp);
  copy.Assign(static_cast<const TGraphic&>(png));
  EXPECT_EQ(copy.CompressionLevel, 3);
  EXPECT_EQ(copy.Filters, FilterBit(pfUp));
  EXPECT_EQ(copy.Chunks().Count(), png.Chunks().Count());
  EXPECT_EQ(copy.GetPixels(10, 10), png.GetPixels(10, 10));
  TPngGraphic third;
  png.AssignTo(third);
  EXPECT_EQ(third.GetPixels(31, 31), png.GetPixels(31, 31));
}

TEST(PngGraphic, RegisteredAsAPictureFormat) {
  const TPictureFileFormat* format = TPicture::FindFormat("png");
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(format->description, "Portable Network Graphics");
  auto graphic = TPicture::CreateForFile("/pictures/Photo.PNG");
  ASSERT_NE(dynamic_cast<TPngGraphic*>(graphic.get()), nullptr);
  EXPECT_TRUE(TPicture::GraphicFilter().contains("Portable Network Graphics (*.png)"));
  graphic->LoadFromFile(DataPath("pngsuite/basn0g08.png"));
  EXPECT_EQ(graphic->GetWidth(), 32);
}

TEST(PngGraphic, LargePicturesStayWithinTheMemoryLimit) {
  // 4000 × 4000 1-bit grey, the left half white: 2 MB decoded (18 MB with
  // the alpha plane of a key, which makes black transparent), 64 MB as
  // 32-bit pixels, over a limit of 24 MB.
  QByteArray rows;
  const QByteArray row = QByteArray(1, 0) + QByteArray(250, '\xFF') + QByteArray(250, 0);
  for (int y = 0; y < 4000; ++y) rows += row;
  const MemoryLimit limit(24u << 20);
  const QString outOfMemory =
      "Some operation could not be performed because the system is out of resources. Close some windows and try "
      "again.";
  for (const bool keyed : {false, true}) {
    SCOPED_TRACE(keyed ? "keyed" : "plain");
    TPngGraphic png;
    Load(png, File(Ihdr(4000, 4000, 1, 0), keyed ? Chunk("tRNS", Bytes({0, 0})) : QByteArray(), rows));
    EXPECT_EQ(MessageOf<EPNGOutMemory>([&] { png.ToArgb(); }), outOfMemory);
    if (keyed) {
      EXPECT_EQ(MessageOf<EPNGOutMemory>([&] { png.ToBitmap(); }), outOfMemory);
    } else {
      const QImage bitmap = png.ToBitmap();  // 1 bit per pixel, as decoded
      EXPECT_EQ(bitmap.format(), QImage::Format_Mono);
      EXPECT_EQ(bitmap.pixel(1999, 3999), qRgb(255, 255, 255));
      EXPECT_EQ(bitmap.pixel(2000, 0), qRgb(0, 0, 0));
    }
    // Drawn from the decoded rows at the size shown: stretched, and at its
    // own size mostly outside the canvas.
    const bool measured = ResetPeakMemory();
    const qint64 before = PeakMemory();
    QImage canvas = Canvas(200, 200, qRgb(0, 255, 0));
    QPainter painter(&canvas);
    png.Draw(painter, QRect(0, 0, 200, 100));
    painter.setClipRect(QRect(0, 100, 200, 50));
    png.Draw(painter, QRect(-1950, 90, 4000, 4000));
    painter.end();
    if (measured && before > 0) {
      EXPECT_LT(PeakMemory() - before, 16 << 20);
    }
    const QRgb right = keyed ? qRgb(0, 255, 0) : qRgb(0, 0, 0);
    EXPECT_EQ(canvas.pixel(99, 99), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(100, 99), right);
    EXPECT_EQ(canvas.pixel(49, 120), qRgb(255, 255, 255));  // column 1999
    EXPECT_EQ(canvas.pixel(50, 120), right);
    EXPECT_EQ(canvas.pixel(10, 150), qRgb(0, 255, 0));  // outside the clip
  }
}

TEST(PngGraphic, DrawingFromTheRowsShowsWhatTheWholeImageShows) {
  QImage noise(30, 20, QImage::Format_RGB32);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) noise.setPixel(x, y, qRgb(x * 8, y * 12, (x * y) & 0xFF));
  TPngGraphic png;
  png.AssignHandle(noise, true, static_cast<TColor>(qRgb(0, 0, 40) & 0xFFFFFF));
  TPngGraphic alpha;
  Load(alpha, ReadFileBytes(DataPath("pngsuite/basn6a08.png")));
  const QRect rects[] = {{3, 4, 30, 20}, {1, 2, 60, 40}, {-7, 5, 90, 60}, {0, 0, 45, 30}, {2, 1, 15, 10}};
  for (TPngGraphic* picture : {&png, &alpha})
    for (const QRect& r : rects) {
      SCOPED_TRACE(r.width());
      QImage whole = Canvas(64, 48, qRgb(9, 99, 199)), scaled = whole;
      QPainter(&whole).end();
      {
        QPainter painter(&whole);
        picture->Draw(painter, r);
      }
      {
        const MemoryLimit limit(1024);  // too small for the whole image
        QPainter painter(&scaled);
        picture->Draw(painter, r);
      }
      int bad = 0;
      for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) bad += whole.pixel(x, y) != scaled.pixel(x, y);
      EXPECT_EQ(bad, 0);
    }
}
