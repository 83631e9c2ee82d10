// Large and damaged picture files opened in the image browser: what they
// take in memory (the peak resident size, measured) against the one budget
// of a picture, which is also the budget of all pictures decoded at once,
// and that a file that failed is not decoded again.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <thread>

#include "PictureTestSupport.h"
#include "PngTestSupport.h"
#include "images/AnimPicture.h"
#include "images/PictureThreads.h"
#include "images/PlatformPicture.h"
#include "images/ThumbnailList.h"
#include "images/uImageLoad.h"
#include "platform/Exceptions.h"
#include "platform/Memory.h"
#include "tests/common/TestUtil.h"

namespace {

using pngtest::LargePng;
using pngtest::RleBmp;
using pngtest::RleRuns;

constexpr qint64 kMiB = qint64{1} << 20;
// The budget of one picture and a margin for what showing it needs besides.
constexpr qint64 kAllowedGrowth = 300 * kMiB;

// An absolute run of 200 pixels whose bytes are missing: the file is cut.
QByteArray RleCut() { return QByteArray("\x40\x01\x00\xC8\x01\x02\x03", 7); }

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMeasure = false;  // the sanitizer's shadow memory follows every block
#else
constexpr bool kMeasure = true;
#endif

// How far the resident size grew above its size at the start while `work`
// ran; -1 (passing every bound) where it cannot be measured.
template <class F>
qint64 PeakGrowth(F&& work) {
  if (!kMeasure || !Memory::ResetPeakResident()) {
    work();
    return -1;
  }
  const qint64 before = Memory::Resident();
  work();
  return Memory::PeakResident() - before;
}

class PictureMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    PictureFailures::Clear();
    ImageBrowserHooks().ShowError = [this](const QString& message) { errors_ << message; };
  }
  void TearDown() override { ImageBrowserHooks().ShowError = nullptr; }

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.path() + "/" + name;
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
  }
  // Paints the browser's thumbnails and waits until they are decoded.
  static void ShowThumbnails(TfImageBrowser& browser) {
    browser.ThumbnailList1->resize(700, 400);
    browser.ThumbnailList1->grab();
    EXPECT_TRUE(browser.ThumbnailList1->WaitForThumbnails());
  }
  // Opens thumbnail `index` at full size, waits until it is decoded, and
  // paints it.
  static void OpenFullView(TfImageBrowser& browser, int index) {
    browser.ThumbnailList1->SetItemIndex(index);
    browser.ThumbnailList1DblClick();
    EXPECT_TRUE(browser.WaitForPicture());
    browser.AnimPicture1->resize(680, 420);
    browser.AnimPicture1->grab();
  }

  QTemporaryDir dir_;
  QStringList errors_;
};

TEST_F(PictureMemory, LargePngStaysWithinTheBudgetAsThumbnailAndAtFullSize) {
  const QByteArray png = LargePng(8000, 8000);
  EXPECT_LT(png.size(), 400 * 1024);
  const QString file = Write("big.png", png);
  TfImageBrowser browser;
  browser.AddFiles({file});

  const qint64 thumbnail = PeakGrowth([&] { ShowThumbnails(browser); });
  EXPECT_LT(thumbnail, kAllowedGrowth) << thumbnail / kMiB << " MiB";
  EXPECT_EQ(browser.ThumbnailList1->DecodeCount(), 1);
  EXPECT_FALSE(browser.ThumbnailList1->Thumbnails().Items(0).Failed);
  // The thumbnail shows the picture: grey with red bands, scaled to its cell.
  const QImage cell = LoadThumbnailImage(file, QSize(96, 80));
  EXPECT_EQ(cell.size(), QSize(80, 80));
  EXPECT_EQ(qGray(cell.pixel(40, 40)), 128);

  const qint64 full = PeakGrowth([&] { OpenFullView(browser, 0); });
  EXPECT_LT(full, kAllowedGrowth) << full / kMiB << " MiB";
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
  ASSERT_TRUE(browser.FullViewShown());
  // Reported at its own size, whatever is kept to show it.
  const TPlatformPicture& picture = browser.AnimPicture1->Picture();
  EXPECT_EQ(picture.GetWidth(), 8000);
  EXPECT_EQ(picture.GetHeight(), 8000);
  EXPECT_LE(picture.Budget()->Peak(), picture.Budget()->Limit());
  const QImage& shown = picture.Image();
  EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2), qRgb(128, 128, 128));
  EXPECT_EQ(shown.pixel(shown.width() / 2, 0), qRgb(255, 0, 0));
}

// With transparency the decoded rows of an 8000 x 8000 picture take nearly
// the whole budget (244 MiB): the full view shows a smaller copy all the
// same, drawn in smaller bands, instead of refusing the picture.
TEST_F(PictureMemory, LargeTranslucentPngIsShownReducedAtFullView) {
  const QByteArray png = LargePng(8000, 8000, true);
  const QString file = Write("glass.png", png);
  TfImageBrowser browser;
  browser.AddFiles({file});
  const qint64 full = PeakGrowth([&] { OpenFullView(browser, 0); });
  EXPECT_LT(full, kAllowedGrowth) << full / kMiB << " MiB";
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
  ASSERT_TRUE(browser.FullViewShown());
  const TPlatformPicture& picture = browser.AnimPicture1->Picture();
  ASSERT_FALSE(picture.GetEmpty());
  EXPECT_EQ(picture.GetWidth(), 8000);
  EXPECT_EQ(picture.GetHeight(), 8000);
  EXPECT_LE(picture.Budget()->Peak(), picture.Budget()->Limit());
  const QImage shown = picture.Image().convertToFormat(QImage::Format_ARGB32);
  // Smaller, but large enough to fill a screen.
  EXPECT_LT(shown.width(), 8000);
  EXPECT_GE(shown.width(), 1400);
  EXPECT_EQ(shown.width(), shown.height());
  for (const QPoint p : {QPoint(0, 0), QPoint(shown.width() - 1, shown.height() / 2),
                         QPoint(shown.width() / 2, shown.height() - 1)}) {
    const QRgb c = shown.pixel(p);
    EXPECT_NEAR(qAlpha(c), 128, 1) << p.x() << "," << p.y();
    EXPECT_NEAR(qBlue(c), 255, 2) << p.x() << "," << p.y();
    EXPECT_EQ(qRed(c), 0) << p.x() << "," << p.y();
  }
}

TEST_F(PictureMemory, PngWhoseRowsPassTheBudgetIsRefusedBeforeDecoding) {
  // The header claims 15000 x 15000 RGB (644 MiB of rows); two rows follow.
  const QByteArray rows = QByteArray(2 * (1 + 3 * 15000), char(0x40));
  const QString file = Write("claims.png", pngtest::File(pngtest::Ihdr(15000, 15000, 8, 2), {}, rows));
  TfImageBrowser browser;
  browser.AddFiles({file});
  const qint64 growth = PeakGrowth([&] {
    EXPECT_EQ(pngtest::MessageOf<Exception>([&] { LoadThumbnailImage(file, QSize(96, 80)); }).toStdString(),
              "Could not allocate memory for image");
    PictureFailures::Clear();
    OpenFullView(browser, 0);
  });
  EXPECT_LT(growth, 16 * kMiB) << growth / kMiB << " MiB";
  EXPECT_FALSE(browser.FullViewShown());
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_EQ(errors_[0].toStdString(), "Could not allocate memory for image");
}

TEST_F(PictureMemory, RunLengthBmpIsChargedItsFullSizeBeforeDecoding) {
  // 62 + 8 bytes that claim 8000 x 8000: decoded at full size (within the
  // budget) and scaled a band at a time.
  const QString fits = Write("fits.bmp", RleBmp(8000, 8000, RleRuns()));
  EXPECT_LT(QFileInfo(fits).size(), 1024);
  TfImageBrowser browser;
  browser.AddFiles({fits});
  const qint64 thumbnail = PeakGrowth([&] { ShowThumbnails(browser); });
  EXPECT_LT(thumbnail, kAllowedGrowth) << thumbnail / kMiB << " MiB";
  EXPECT_FALSE(browser.ThumbnailList1->Thumbnails().Items(0).Failed);
  const QImage cell = LoadThumbnailImage(fits, QSize(96, 80));
  EXPECT_EQ(cell.size(), QSize(80, 80));
  EXPECT_EQ(cell.pixel(40, 40), qRgb(0, 0, 0));
  const qint64 full = PeakGrowth([&] { OpenFullView(browser, 0); });
  EXPECT_LT(full, kAllowedGrowth) << full / kMiB << " MiB";
  EXPECT_TRUE(browser.FullViewShown());

  // 9000 x 9000 at four bytes a pixel is past the budget: refused before a
  // pixel is decoded, as a thumbnail and at full size.
  const QString past = Write("past.bmp", RleBmp(9000, 9000, RleRuns()));
  const int decodes = PictureDecoder::DecodeCount();
  const qint64 refused = PeakGrowth([&] {
    EXPECT_EQ(pngtest::MessageOf<Exception>([&] { LoadThumbnailImage(past, QSize(96, 80)); }),
              "Could not allocate memory for image");
    TPlatformPicture picture;
    EXPECT_EQ(pngtest::MessageOf<Exception>([&] { picture.LoadFromFile(past); }),
              "Could not allocate memory for image");
    EXPECT_EQ(picture.Budget()->Peak(), 0);
  });
  EXPECT_LT(refused, 16 * kMiB) << refused / kMiB << " MiB";
  EXPECT_EQ(PictureDecoder::DecodeCount(), decodes);
}

TEST_F(PictureMemory, DamagedPictureIsNotDecodedAgainUntilItChanges) {
  const QString file = Write("cut.bmp", RleBmp(8000, 8000, RleCut()));
  TfImageBrowser browser;
  browser.AddFiles({file});
  const int start = PictureDecoder::DecodeCount();
  ShowThumbnails(browser);
  EXPECT_TRUE(browser.ThumbnailList1->Thumbnails().Items(0).Failed);
  EXPECT_EQ(PictureDecoder::DecodeCount(), start + 1);

  // The folder shown again, the picture opened at full size twice: the
  // failure is told each time, the file is not decoded again.
  browser.RefillFromFolder(dir_.path());
  ASSERT_EQ(browser.ThumbnailList1->Thumbnails().Count(), 1);
  const qint64 again = PeakGrowth([&] {
    ShowThumbnails(browser);
    OpenFullView(browser, 0);
    OpenFullView(browser, 0);
  });
  EXPECT_EQ(PictureDecoder::DecodeCount(), start + 1);
  EXPECT_LT(again, 32 * kMiB) << again / kMiB << " MiB";
  EXPECT_TRUE(browser.ThumbnailList1->Thumbnails().Items(0).Failed);
  EXPECT_FALSE(browser.FullViewShown());
  ASSERT_EQ(errors_.size(), 2);
  EXPECT_EQ(errors_[0].toStdString(), "Could not load image. Invalid format");
  EXPECT_EQ(errors_[1], errors_[0]);

  // Mended, the same file is decoded and shown.
  WriteFileBytes(file, RleBmp(8000, 8000, RleRuns()));
  OpenFullView(browser, 0);
  EXPECT_EQ(PictureDecoder::DecodeCount(), start + 2);
  EXPECT_TRUE(browser.FullViewShown());
  EXPECT_EQ(errors_.size(), 2);
}

// A huge PNG double-clicked while its thumbnail is still being decoded, and
// four of them on one screen of thumbnails: the decodes running at once
// draw on one budget, so that they never hold more than it together.
TEST_F(PictureMemory, DecodesRunningAtOnceShareOneBudget) {
  const QByteArray png = LargePng(8000, 8000);
  PictureDecoder::TPictureBudget& program = PictureDecoder::TPictureBudget::Program();
  {
    const QString file = Write("big.png", png);
    TfImageBrowser browser;
    browser.AddFiles({file});
    program.ResetPeak();
    const qint64 overlap = PeakGrowth([&] {
      browser.ThumbnailList1->resize(700, 400);
      browser.ThumbnailList1->grab();
      ASSERT_TRUE(browser.ThumbnailList1->Decoding());
      OpenFullView(browser, 0);
      EXPECT_TRUE(browser.ThumbnailList1->WaitForThumbnails());
    });
    EXPECT_LT(overlap, kAllowedGrowth) << overlap / kMiB << " MiB";
    EXPECT_LE(program.Peak(), program.Limit());
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_FALSE(browser.AnimPicture1->Picture().GetEmpty());
    EXPECT_TRUE(browser.ThumbnailList1->HasThumbnail(0));
  }
  QStringList files;
  for (int i = 0; i < 4; ++i) files << Write(QString("big%1.png").arg(i), png);
  TfImageBrowser browser;
  browser.AddFiles(files);
  program.ResetPeak();
  const qint64 several = PeakGrowth([&] { ShowThumbnails(browser); });
  EXPECT_LT(several, kAllowedGrowth) << several / kMiB << " MiB";
  EXPECT_LE(program.Peak(), program.Limit());
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(browser.ThumbnailList1->HasThumbnail(i)) << i;
    EXPECT_FALSE(browser.ThumbnailList1->Thumbnails().Items(i).Failed) << i;
  }
}

}  // namespace

namespace {

// Runs `work` on a thread of its own inside a decode scope stopped by `stop`.
template <class F>
std::thread OnPictureThread(const PictureDecoder::TStopFlag* stop, F work) {
  return std::thread([stop, work] {
    const PictureDecoder::TDecodeScope scope(stop);
    work();
  });
}

bool WaitUntil(const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QThread::msleep(1);
  }
  return true;
}

TEST(PictureBudget, PictureThreadsWaitForTheProgramsBudgetAndTheWindowNever) {
  using PictureDecoder::TPictureBudget;
  TPictureBudget& program = TPictureBudget::Program();
  const auto first = TPictureBudget::Create();
  const auto second = TPictureBudget::Create();
  EXPECT_EQ(first->Limit(), program.Limit());
  const qint64 most = program.Limit() - program.Used();
  PictureDecoder::TCharge held = first->Charge(most - 100);
  EXPECT_EQ(program.Used(), program.Limit() - 100);

  // The window's thread never waits: what does not fit beside the others
  // is taken all the same, within its picture's own limit.
  {
    const PictureDecoder::TCharge over = second->Charge(1000);
    EXPECT_EQ(program.Used(), program.Limit() + 900);
  }
  EXPECT_EQ(second->Refusals(), 0);

  // A picture thread waits until the bytes are given back.
  std::atomic<bool> charged{false};
  const PictureDecoder::TStopFlag running{false};
  std::thread waiter = OnPictureThread(&running, [&] {
    const PictureDecoder::TCharge c = second->Charge(1000);
    charged = true;
  });
  EXPECT_TRUE(WaitUntil([&] { return program.Waiting() == 1; }));
  EXPECT_FALSE(charged);
  held.reset();
  waiter.join();
  EXPECT_TRUE(charged);
  EXPECT_EQ(second->Refusals(), 0);

  // A wait no longer wanted ends as deferred; bytes past the limit are
  // refused at once as too large.
  held = first->Charge(most - 100);
  PictureDecoder::TStopFlag stop{false};
  QString deferred, tooLarge;
  std::thread stopped = OnPictureThread(&stop, [&] {
    try {
      second->Charge(1000);
    } catch (const PictureDecoder::EPictureDeferred& e) {
      deferred = e.Message();
    }
    try {
      second->Charge(program.Limit() + 1);
    } catch (const PictureDecoder::EPictureDeferred&) {
      tooLarge = "deferred";
    } catch (const Exception& e) {
      tooLarge = e.Message();
    }
  });
  EXPECT_TRUE(WaitUntil([&] { return program.Waiting() == 1; }));
  stop = true;
  stopped.join();
  EXPECT_EQ(deferred, "Could not allocate memory for image");
  EXPECT_EQ(tooLarge, "Could not allocate memory for image");
  EXPECT_EQ(second->Refusals(), 2);
  held.reset();
  EXPECT_EQ(first->Used(), 0);
  EXPECT_EQ(second->Used(), 0);
}

// Two decodes on picture threads each hold much of the budget and ask for
// as much again: neither waits for what the other holds. One gives its
// memory back at once and starts again when what it needs fits; both end
// with their pictures.
TEST(PictureBudget, DecodesHoldingMemoryGiveWayInsteadOfWaitingForEachOther) {
  using PictureDecoder::TPictureBudget;
  TPictureBudget& program = TPictureBudget::Program();
  const qint64 start = program.Used();
  const qint64 share = (program.Limit() - start) * 2 / 5;
  std::atomic<int> holding{0}, attempts{0}, done{0};
  std::atomic<qint64> slowest{0};
  const PictureDecoder::TStopFlag running{false};
  const auto decode = [&](const QString& name) {
    return OnPictureThread(&running, [&, name] {
      QElapsedTimer clock;
      clock.start();
      bool first = true;
      try {
        DecodePictureFile(name, [&] {
          ++attempts;
          const auto budget = TPictureBudget::Create();
          const PictureDecoder::TCharge rows = budget->Charge(share);
          if (first) {
            // Both hold their first part before either asks for more.
            first = false;
            ++holding;
            WaitUntil([&] { return holding.load() == 2; });
          }
          const PictureDecoder::TCharge copy = budget->Charge(share);
          EXPECT_EQ(budget->Used(), 2 * share);
        });
        ++done;
      } catch (const Exception& e) {
        ADD_FAILURE() << name.toStdString() << ": " << e.Message().toStdString();
      }
      for (qint64 seen = slowest; clock.elapsed() > seen && !slowest.compare_exchange_weak(seen, clock.elapsed());) {
      }
    });
  };
  std::thread first = decode("/pictures/first.png");
  std::thread second = decode("/pictures/second.png");
  first.join();
  second.join();
  EXPECT_EQ(done.load(), 2);
  EXPECT_GE(attempts.load(), 3);  // at least one started again
  // Far below a wait for memory, however loaded the machine.
  EXPECT_LT(slowest.load(), PictureDecoder::kBudgetWaitMs / 2);
  EXPECT_EQ(program.Used(), start);
  EXPECT_TRUE(PictureFailures::Known("/pictures/first.png").isEmpty());

  // A decode that gave way and finds no room in time is deferred, not
  // failed; one holding nothing still waits for room.
  PictureDecoder::TCharge held = TPictureBudget::Create()->Charge(share);
  PictureDecoder::TStopFlag stop{false};
  QString outcome;
  std::thread gaveWay = OnPictureThread(&stop, [&] {
    try {
      const auto budget = TPictureBudget::Create();
      const PictureDecoder::TCharge rows = budget->Charge(share);
      budget->Charge(share);
    } catch (const PictureDecoder::EPictureGaveWay& e) {
      outcome = QString("gave way, needs %1").arg(e.Needed() == 2 * share);
      try {
        program.WaitForRoom(e.Needed());
      } catch (const PictureDecoder::EPictureDeferred& d) {
        outcome += ", then " + d.Message();
      }
    }
  });
  EXPECT_TRUE(WaitUntil([&] { return program.Waiting() == 1; }));
  stop = true;
  gaveWay.join();
  EXPECT_EQ(outcome, "gave way, needs 1, then Could not allocate memory for image");
  held.reset();
  EXPECT_EQ(program.Used(), start);
}

TEST(PictureBudget, DecodeNoLongerWantedIsNotKeptAsTheFilesFailure) {
  QTemporaryDir dir;
  const QString file = dir.path() + "/photo.jpg";
  ASSERT_TRUE(WriteFileBytes(file, picturetest::Encode(picturetest::Filled(300, 200, qRgb(0, 0, 255)), "jpeg")));
  PictureFailures::Clear();
  const PictureDecoder::TStopFlag stop{true};
  QString message;
  std::thread([&] {
    const PictureDecoder::TDecodeScope scope(&stop);
    try {
      LoadThumbnailImage(file, QSize(96, 80));
    } catch (const PictureDecoder::EPictureDeferred& e) {
      message = e.Message();
    }
  }).join();
  EXPECT_FALSE(message.isEmpty());
  EXPECT_TRUE(PictureFailures::Known(file).isEmpty());
  EXPECT_EQ(LoadThumbnailImage(file, QSize(96, 80)).size(), QSize(96, 64));
}

TEST(PictureThumbnail, LargeTranslucentPngIsScaledWhole) {
  // Past the size the PNG codec converts whole: drawn from its rows, which
  // for a picture with an alpha channel go at the picture's own size.
  QTemporaryDir dir;
  const QString file = dir.path() + "/glass.png";
  ASSERT_TRUE(WriteFileBytes(file, LargePng(4200, 4200, true)));
  const QImage thumbnail = LoadThumbnailImage(file, QSize(96, 80)).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(thumbnail.size(), QSize(80, 80));
  for (const QPoint p : {QPoint(0, 0), QPoint(79, 0), QPoint(40, 40), QPoint(0, 79), QPoint(79, 79)}) {
    const QRgb c = thumbnail.pixel(p);
    EXPECT_NEAR(qAlpha(c), 128, 1) << p.x() << "," << p.y();
    EXPECT_NEAR(qBlue(c), 255, 2) << p.x() << "," << p.y();
    EXPECT_EQ(qRed(c), 0) << p.x() << "," << p.y();
  }
}

TEST(PictureThumbnail, PictureFarNarrowerThanItsCellKeepsAColumn) {
  QTemporaryDir dir;
  for (const char* format : {"jpeg", "bmp"}) {
    const QString file = dir.path() + "/thin." + format;
    ASSERT_TRUE(WriteFileBytes(file, picturetest::Encode(picturetest::Filled(1, 9000, qRgb(0, 0, 255)), format)));
    const QImage thumbnail = LoadThumbnailImage(file, QSize(96, 80));
    EXPECT_EQ(thumbnail.size(), QSize(1, 80)) << format;
  }
}

}  // namespace
