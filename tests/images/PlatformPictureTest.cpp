// The picture over the platform loader: GIF frames found by walking the
// blocks, frame selection, the loader's refusals and its allocation limit.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <random>
#include <thread>
#include <vector>

#include "PictureTestSupport.h"
#include "images/PlatformPicture.h"
#include "platform/Exceptions.h"

using namespace picturetest;

namespace {

QString LoadError(const QByteArray& data) {
  TPlatformPicture picture;
  try {
    picture.LoadFromBytes(data);
  } catch (const Exception& e) {
    return e.Message();
  }
  return {};
}

}  // namespace

TEST(PlatformPicture, ThreeFrameGifCountsDelaysAndDisposals) {
  TPlatformPicture picture;
  picture.LoadFromBytes(ThreeFrameGif());
  EXPECT_TRUE(picture.IsGIF());
  EXPECT_EQ(picture.FrameCount(), 3);
  EXPECT_EQ(picture.ScreenWidth(), 4);
  const struct { int frame, delay, disposal; } cases[] = {{1, 10, 1}, {2, 20, 2}, {3, 30, 3}};
  for (const auto& c : cases) {
    EXPECT_EQ(picture.FrameDelay(c.frame), c.delay) << c.frame;
    EXPECT_EQ(picture.Disposal(), c.disposal) << c.frame;
  }
  EXPECT_EQ(picture.FrameDelay(4), -1);
  EXPECT_EQ(picture.FrameDelay(0), -1);
}

TEST(PlatformPicture, SelectedFrameIsDecodedOnceAndDrawnAtItsPlace) {
  TPlatformPicture picture;
  picture.LoadFromBytes(ThreeFrameGif());
  int changes = 0;
  picture.OnFrameChange = [&] { ++changes; };
  const struct {
    int frame;
    QRect rect;
    int color;
  } cases[] = {{2, QRect(1, 1, 2, 2), 2}, {3, QRect(1, 2, 3, 2), 3}, {1, QRect(0, 0, 4, 4), 1}};
  for (const auto& c : cases) {
    picture.SetFrame(c.frame);
    EXPECT_EQ(picture.FrameRect(), c.rect) << c.frame;
    EXPECT_EQ(picture.Image().size(), c.rect.size());
    EXPECT_EQ(picture.Image().pixel(0, 0), GifColor(c.color));
  }
  EXPECT_EQ(changes, 3);
  const int decodes = picture.DecodeCount();
  picture.SetFrame(2);
  picture.SetFrame(3);
  EXPECT_EQ(picture.DecodeCount(), decodes);  // cached

  // Frame 2 drawn on a canvas of twice the screen: offset and scaled with it.
  picture.SetFrame(2);
  QImage canvas = Filled(8, 8, qRgb(255, 255, 255));
  QPainter p(&canvas);
  picture.Draw(p, QRect(0, 0, 8, 8));
  p.end();
  EXPECT_EQ(canvas.pixel(1, 1), qRgb(255, 255, 255));
  EXPECT_EQ(canvas.pixel(2, 2), GifColor(2));
  EXPECT_EQ(canvas.pixel(5, 5), GifColor(2));
  EXPECT_EQ(canvas.pixel(6, 6), qRgb(255, 255, 255));

  // Beyond the last frame nothing is left to load.
  EXPECT_THROW(picture.SetFrame(4), Exception);
}

TEST(PlatformPicture, FramesAreFoundByBlocksNotByBytePatterns) {
  // A colour table holding the bytes of a control extension followed by an
  // image descriptor must not count as a frame.
  const QByteArray table("\x21\xF9\x04\x00\x00\x00\x00\x2C\x00\x00\xFF\x00", 12);
  const QByteArray gif = MakeGif(QSize(2, 2), {{QRect(0, 0, 2, 2), 1, 5, 0}, {QRect(0, 0, 1, 1), 2, 7, 0}}, table);
  TPlatformPicture picture;
  picture.LoadFromBytes(gif);
  EXPECT_EQ(picture.FrameCount(), 2);
  EXPECT_EQ(picture.FrameDelay(2), 7);
  picture.SetFrame(2);
  EXPECT_EQ(picture.FrameRect(), QRect(0, 0, 1, 1));
}

TEST(PlatformPicture, GifWithoutControlExtensionsLoadsWhole) {
  GifFrame plain{QRect(0, 0, 3, 2), 3, 0, 0, false};
  TPlatformPicture picture;
  picture.LoadFromBytes(MakeGif(QSize(3, 2), {plain}));
  EXPECT_EQ(picture.FrameCount(), 0);
  EXPECT_EQ(picture.GetWidth(), 3);
  EXPECT_EQ(picture.Image().pixel(2, 1), GifColor(3));
}

TEST(PlatformPicture, DamagedGifsNeverCrash) {
  const QByteArray gif = ThreeFrameGif();
  for (qsizetype n = 0; n < gif.size(); ++n) {
    const QString error = LoadError(gif.left(n));
    if (!error.isEmpty()) {
      EXPECT_TRUE(error.startsWith("Could not")) << n << qPrintable(error);
    }
  }
  // Seeded byte changes: every frame either loads or fails with a loader text.
  std::mt19937 random(19);
  for (int round = 0; round < 400; ++round) {
    QByteArray damaged = gif;
    for (int k = 0; k < 3; ++k) damaged[random() % damaged.size()] = char(random() & 0xFF);
    TPlatformPicture picture;
    try {
      picture.LoadFromBytes(damaged);
      for (int f = 1; f <= picture.FrameCount(); ++f) picture.SetFrame(f);
    } catch (const Exception& e) {
      EXPECT_TRUE(e.Message().startsWith("Could not")) << round << qPrintable(e.Message());
    }
  }
  // "GIF8" and a fifth byte: a GIF without a screen.
  EXPECT_EQ(LoadError("GIF8"), "Could not load image. Invalid format");
  EXPECT_FALSE(LoadError("GIF89").isEmpty());
  // A truncated file keeps the frames that are complete.
  TPlatformPicture picture;
  const QByteArray gif2 = MakeGif(QSize(4, 4), {{QRect(0, 0, 4, 4), 1, 10, 1}, {QRect(0, 0, 4, 4), 2, 10, 1}});
  picture.LoadFromBytes(gif2.left(gif2.size() - 6));
  EXPECT_EQ(picture.FrameCount(), 1);
}

TEST(PlatformPicture, FormatsAndRefusals) {
  const QImage red = Filled(96, 48, qRgb(255, 0, 0));
  const struct {
    QByteArray data;
    QString error;
  } cases[] = {
      {Encode(red, "bmp"), {}},
      {Encode(red, "jpeg"), {}},
      {Encode(red.scaled(32, 32), "ico"), {}},
      {Encode(red, "png"), "Could not load image. Invalid format"},
      {QByteArray("\xD7\xCD\xC6\x9A\0\0", 6) + QByteArray(40, '\0'), "Could not load image. Invalid format"},  // WMF
      {QByteArray(" EMF") + QByteArray(60, '\0'), "Could not load image. Invalid format"},
      {{}, "Could not load image. Invalid format"},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadError(c.data), c.error) << c.data.left(4).toHex().constData();

  TPlatformPicture bmp;
  bmp.LoadFromBytes(cases[0].data);
  EXPECT_EQ(bmp.FrameCount(), -1);
  EXPECT_EQ(bmp.FrameDelay(1), -1);
  EXPECT_EQ(bmp.GetWidth(), 96);  // 2540 HIMETRIC units at 96 dots per inch
  bmp.LogPixelsX = 192;
  EXPECT_EQ(bmp.GetWidth(), 192);
  EXPECT_EQ(bmp.ScreenHeight(), 48);
  QByteArray saved;
  QBuffer out(&saved);
  out.open(QIODevice::WriteOnly);
  bmp.SaveToStream(out);
  EXPECT_EQ(saved, cases[0].data);
}

TEST(PlatformPicture, JpegAllocationBombIsRefused) {
  QByteArray jpeg = Encode(Filled(8, 8, qRgb(0, 0, 255)), "jpeg");
  // Patch the frame header to claim 60000 x 60000 pixels.
  const qsizetype sof = jpeg.indexOf("\xFF\xC0");
  ASSERT_GT(sof, 0);
  jpeg[sof + 5] = char(0xEA);
  jpeg[sof + 6] = char(0x60);
  jpeg[sof + 7] = char(0xEA);
  jpeg[sof + 8] = char(0x60);
  EXPECT_EQ(LoadError(jpeg), "Could not allocate memory for image");
}

// Qt's image allocation limit is the whole program's: a decode, whether it
// succeeds, fails or is refused, leaves it as it found it.
TEST(PlatformPicture, DecodingPutsBackTheProgramsImageAllocationLimit) {
  const int before = QImageReader::allocationLimit();
  QImageReader::setAllocationLimit(123);
  QByteArray cut = Encode(Filled(8, 8, qRgb(0, 0, 255)), "jpeg");
  const qsizetype sof = cut.indexOf("\xFF\xC0");
  ASSERT_GT(sof, 0);
  cut[sof + 5] = char(0x5D);  // claims 24000 x 8 pixels, holds 8 x 8
  cut[sof + 6] = char(0xC0);
  const QByteArray inputs[] = {Encode(Filled(40, 30, qRgb(0, 0, 255)), "jpeg"), Encode(Filled(4, 4, 0), "bmp"),
                               ThreeFrameGif(), QByteArray("BMbroken"), cut};
  for (const QByteArray& data : inputs) {
    LoadError(data);
    EXPECT_EQ(QImageReader::allocationLimit(), 123);
    const std::shared_ptr<PictureDecoder::TPictureBudget> small = PictureDecoder::TPictureBudget::Create(3 << 20);
    try {
      PictureDecoder::Decode(data, *small, QSize(10, 10));
    } catch (const Exception&) {
    }
    EXPECT_EQ(QImageReader::allocationLimit(), 123);
  }
  QImageReader::setAllocationLimit(before);
}

// Pictures are decoded on several threads at once: every charge is given
// back, and the reader's limit is what it was.
TEST(PlatformPicture, BudgetsAndDecodesHoldAcrossThreads) {
  const std::shared_ptr<PictureDecoder::TPictureBudget> shared = PictureDecoder::TPictureBudget::Create(1 << 30);
  const QByteArray jpeg = Encode(Filled(64, 48, qRgb(0, 128, 0)), "jpeg");
  const int limit = QImageReader::allocationLimit();
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20000; ++i) {
        const PictureDecoder::TCharge charge = shared->Charge(1 + (i + t) % 7);
        if (shared->Used() <= 0) ++wrong;
      }
      for (int i = 0; i < 20; ++i) {
        const std::shared_ptr<PictureDecoder::TPictureBudget> own = PictureDecoder::TPictureBudget::Create();
        const QImage image = PictureDecoder::Decode(jpeg, *own, QSize(32, 24)).image;
        if (image.size() != QSize(32, 24) || own->Used() != 0) ++wrong;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(shared->Used(), 0);
  EXPECT_LE(shared->Peak(), 6 * 7);
  EXPECT_EQ(QImageReader::allocationLimit(), limit);
}

TEST(PlatformPicture, PngFilesGoThroughOurCodecWithTransparency) {
  QImage alpha(2, 1, QImage::Format_ARGB32);
  alpha.setPixel(0, 0, qRgba(255, 0, 0, 255));
  alpha.setPixel(1, 0, qRgba(0, 0, 0, 0));
  const QString file = QDir::tempPath() + "/kv_picture_alpha.png";
  ASSERT_TRUE(alpha.save(file, "png"));
  TPlatformPicture picture;
  LoadPictureFile(picture, file);
  EXPECT_FALSE(picture.GetEmpty());
  EXPECT_EQ(picture.GetWidth(), 2);
  EXPECT_EQ(qAlpha(picture.Image().pixel(1, 0)), 0);  // not black
  QFile::remove(file);
}

TEST(PlatformPicture, FitSize) {
  const struct {
    QSize picture, box, fitted;
  } cases[] = {{{400, 200}, {96, 80}, {96, 48}},
               {{50, 40}, {96, 80}, {50, 40}},
               {{100, 400}, {96, 80}, {20, 80}},
               {{200, 100}, {100, 100}, {100, 50}}};
  for (const auto& c : cases) EXPECT_EQ(FitSize(c.picture, c.box), c.fitted);
}
