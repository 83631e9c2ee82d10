// The animated picture control and the thumbnail list: animation ticks,
// frame composition, placement, thumbnail layout, lazy decoding off the
// paint, and the image browser's refill.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <thread>

#include "PictureTestSupport.h"
#include "WmfWriter.h"
#include "images/AnimPicture.h"
#include "images/PictureThreads.h"
#include "images/ThumbnailList.h"
#include "images/uImageLoad.h"
#include "platform/Exceptions.h"
#include "platform/WmfPicture.h"
#include "tests/common/EventLoopPause.h"
#include "tests/common/TestUtil.h"

using namespace picturetest;

TEST(AnimPicture, TicksFollowTheFrameDelays) {
  TAnimPicture control;
  control.Picture().LoadFromBytes(ThreeFrameGif());
  EXPECT_TRUE(control.Animated());
  EXPECT_EQ(control.Picture().Frame(), 0);
  std::vector<std::pair<int, int>> switches;  // (tick, frame)
  for (int tick = 0; tick < 70; ++tick) {
    const int before = control.Picture().Frame();
    control.TimerTick();
    if (control.Picture().Frame() != before) switches.emplace_back(tick, control.Picture().Frame());
  }
  EXPECT_EQ(switches, (std::vector<std::pair<int, int>>{{0, 1}, {10, 2}, {30, 3}, {60, 1}}));
}

TEST(AnimPicture, ZeroDelayMovesOnAtTheNextTickAndBitmapsNeverAnimate) {
  TAnimPicture control;
  control.Picture().LoadFromBytes(MakeGif(QSize(2, 2), {{QRect(0, 0, 2, 2), 1, 0, 0}, {QRect(0, 0, 2, 2), 2, 0, 0}}));
  control.TimerTick();
  control.TimerTick();
  EXPECT_EQ(control.Picture().Frame(), 2);
  control.TimerTick();
  EXPECT_EQ(control.Picture().Frame(), 1);

  TAnimPicture still;
  still.SetAnimate(true);
  still.Picture().LoadFromBytes(Encode(Filled(4, 4, qRgb(1, 2, 3)), "bmp"));
  EXPECT_FALSE(still.Animated());
  still.TimerTick();
  EXPECT_EQ(still.Picture().Frame(), 0);
  EXPECT_TRUE(still.TimerActive());
  still.SetAnimate(false);
  EXPECT_FALSE(still.TimerActive());
}

TEST(AnimPicture, FramesAreComposedByThePreviousFramesDisposal) {
  TAnimPicture control;
  control.Picture().LoadFromBytes(ThreeFrameGif());
  control.TimerTick();  // frame 1: red screen, left in place
  EXPECT_EQ(control.Shown().pixel(0, 0), GifColor(1));
  for (int i = 0; i < 10; ++i) control.TimerTick();  // frame 2: green square on the red
  EXPECT_EQ(control.Shown().pixel(0, 0), GifColor(1));
  EXPECT_EQ(control.Shown().pixel(1, 1), GifColor(2));
  for (int i = 0; i < 20; ++i) control.TimerTick();  // frame 3: frame 2's square cleared first
  EXPECT_EQ(qAlpha(control.Shown().pixel(1, 1)), 0);
  EXPECT_EQ(control.Shown().pixel(2, 3), GifColor(3));
  EXPECT_EQ(control.Shown().pixel(0, 0), GifColor(1));
  EXPECT_EQ(control.Shown().size(), QSize(4, 4));
}

TEST(AnimPicture, HugeLogicalScreenIsNeverAllocated) {
  TAnimPicture control;
  control.Picture().LoadFromBytes(
      MakeGif(QSize(65535, 65535), {{QRect(0, 0, 2, 2), 1, 1, 0}, {QRect(5, 5, 2, 2), 2, 1, 0}}));
  control.TimerTick();
  control.TimerTick();
  EXPECT_EQ(control.Shown().size(), QSize(2, 2));
  control.SetStretchMode(TAnimPicture::smShrink);
  EXPECT_EQ(control.PictureRect().size(), QSize(100, 100));  // the screen shrunk into the control
  control.grab();
}

TEST(AnimPicture, PlacementByPositionAndStretchMode) {
  TAnimPicture control;
  control.Picture().LoadFromBytes(Encode(Filled(200, 100, qRgb(9, 9, 9)), "bmp"));
  control.resize(100, 100);
  using P = TAnimPicture;
  const struct {
    P::TPicturePosition position;
    P::TStretchMode mode;
    QSize control;
    QRect rect;
  } cases[] = {
      {P::bpCenter, P::smShrink, {100, 100}, {0, 25, 100, 50}},
      {P::bpCenter, P::smNever, {100, 100}, {0, 0, 200, 100}},
      {P::bpBottomRight, P::smShrink, {100, 100}, {0, 50, 100, 50}},
      {P::bpTopRight, P::smNever, {300, 150}, {100, 0, 200, 100}},
      {P::bpBottomLeft, P::smNever, {300, 150}, {0, 50, 200, 100}},
      {P::bpStretched, P::smShrink, {300, 150}, {0, 0, 300, 150}},
      {P::bpStretchedWithAspect, P::smShrink, {100, 100}, {0, 0, 100, 50}},   // rw > rh
      {P::bpStretchedWithAspect, P::smShrink, {400, 100}, {0, 0, 200, 100}},  // rw <= rh
  };
  for (const auto& c : cases) {
    control.SetPicturePosition(c.position);
    control.SetStretchMode(c.mode);
    control.resize(c.control);
    EXPECT_EQ(control.PictureRect(), c.rect) << c.position << " " << c.mode;
  }
  control.SetAutoSize(true);
  EXPECT_EQ(control.size(), QSize(200, 100));
  control.grab();  // paints without a fault
}

TEST(ThumbnailList, LoadFromMaskTakesPictureFilesOnly) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  for (const char* name : {"a.JPG", "b.png", "c.gif", "notes.txt"}) WriteFileBytes(folder + name, "x");
  QDir(dir.path()).mkdir("d.gif");
  TThumbnailList list;
  list.LoadFromMask(folder + "*.*");
  ASSERT_EQ(list.Thumbnails().Count(), 3);
  EXPECT_EQ(list.Thumbnails().Items(0).Caption(), "a.JPG");
  EXPECT_EQ(list.Thumbnails().Items(0).Filename(), folder + "a.JPG");
  EXPECT_EQ(list.Thumbnails().Items(1).Filename(), folder + "b.png");
  EXPECT_EQ(list.Thumbnails().Items(2).Filename(), folder + "c.gif");
  EXPECT_EQ(list.RowCount(), 3);
  list.Thumbnails().Delete(2);
  list.Thumbnails().Delete(1);
  list.Thumbnails().Delete(0);
  EXPECT_EQ(list.RowCount(), 0);
}

TEST(ThumbnailList, LayoutNumbers) {
  // Pictures in their cell: shrunk keeping proportions, else centred.
  EXPECT_EQ(TThumbnailList::PictureRect({400, 200}, QRect(2, 2, 96, 80)), QRect(2, 18, 96, 48));
  EXPECT_EQ(TThumbnailList::PictureRect({20, 10}, QRect(0, 0, 96, 80)), QRect(38, 35, 20, 10));

  TThumbnailList list;
  list.SetThumbnailSize(100);
  list.SetColumns(6);
  list.show();
  const struct { int size, width, columns; } cases[] = {{100, 688, 6}, {100, 350, 3}, {100, 90, 3}, {0, 500, 3}};
  for (const auto& c : cases) {
    list.SetThumbnailSize(c.size);
    list.resize(c.width, 300);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(list.Columns(), c.columns) << c.size << " " << c.width;
  }
  list.SetThumbnailSize(100);
  EXPECT_EQ(list.ItemHeight(), 100);
  EXPECT_EQ(list.ColumnWidth(), 100);

  for (int i = 0; i < 3; ++i) list.Thumbnails().Add();
  list.SetOrientation(toHorizontal);
  EXPECT_EQ(list.Columns(), 3);
  list.Thumbnails().Add();
  EXPECT_EQ(list.Columns(), 4);
  EXPECT_GE(list.ItemHeight(), 1);
}

TEST(ThumbnailList, DecodesLazilyOnceAndMarksBrokenFiles) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  WriteFileBytes(folder + "a.jpg", Encode(Filled(400, 200, qRgb(255, 0, 0)), "jpeg"));
  WriteFileBytes(folder + "b.gif", ThreeFrameGif());
  WriteFileBytes(folder + "c.bmp", "broken");
  TThumbnailList list;
  list.resize(400, 300);
  list.SetThumbnailSize(100);
  list.LoadFromMask(folder + "*.*");
  ASSERT_EQ(list.Thumbnails().Count(), 3);
  EXPECT_EQ(list.DecodeCount(), 0);
  list.grab();
  ASSERT_TRUE(list.WaitForThumbnails());
  EXPECT_EQ(list.DecodeCount(), 3);
  EXPECT_TRUE(list.Thumbnails().Items(2).Failed);
  EXPECT_FALSE(list.Thumbnails().Items(0).Failed);
  list.grab();
  EXPECT_EQ(list.DecodeCount(), 3);
  // The scaled thumbnail is what is kept, not the picture.
  EXPECT_LE(LoadThumbnailImage(folder + "a.jpg", QSize(96, 80)).width(), 96);
}

// ------------------------------------------------------------ memory budget

TEST(PictureBudget, HugeFramesAreRefusedOnceBeforeAnythingIsTaken) {
  // 89 bytes: three 8192 x 8192 frames on a screen of that size.
  const QByteArray gif = TinyGif(QSize(8192, 8192), QSize(8192, 8192), 3, 1);
  ASSERT_EQ(gif.size(), 89);
  TAnimPicture first, second;
  second.SetAnimate(true);
  try {
    first.Picture().LoadFromBytes(gif);
    ADD_FAILURE() << "loaded";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Could not allocate memory for image");
  }
  const auto budget = first.Picture().Budget();
  EXPECT_EQ(budget->Limit(), qint64{256} << 20);
  EXPECT_EQ(budget->Refusals(), 1);
  EXPECT_EQ(budget->Peak(), 0);  // refused before a pixel was taken
  EXPECT_EQ(first.Picture().DecodeCount(), 0);
}

TEST(PictureBudget, ScreenTooLargeBesideTheFramesShowsTheFramesAlone) {
  // 1 x 1 frames on an 8192 x 8192 screen: the canvas (and its copy for
  // frames that restore the previous picture) would pass the budget.
  for (const int disposal : {3, 1}) {
    TAnimPicture control;
    control.SetAnimate(true);
    control.Picture().LoadFromBytes(TinyGif(QSize(8192, 8192), QSize(1, 1), 2, disposal));
    for (int i = 0; i < 12; ++i) control.TimerTick();
    EXPECT_EQ(control.Picture().Frame(), 2) << disposal;
    EXPECT_EQ(control.Shown().size(), QSize(1, 1)) << disposal;
    const auto budget = control.Picture().Budget();
    EXPECT_EQ(budget->Refusals(), 0) << disposal;
    EXPECT_LE(budget->Peak(), 64) << disposal;
    control.resize(50, 50);
    control.grab();
  }
}

TEST(PictureBudget, CopiesShareTheDecodedPictureAndItsAccount) {
  TAnimPicture still, playing;
  playing.SetAnimate(true);
  still.Picture().LoadFromBytes(ThreeFrameGif());
  playing.SetPicture(still.Picture());
  EXPECT_EQ(still.Picture().DecodeCount(), 1);
  EXPECT_EQ(playing.Picture().DecodeCount(), 1);
  const auto budget = still.Picture().Budget();
  EXPECT_EQ(playing.Picture().Budget(), budget);
  // The playing copy composes on a 4 x 4 canvas, with the copy kept for the
  // frame that restores the previous picture; the still one draws its frame.
  EXPECT_EQ(playing.Shown().size(), QSize(4, 4));
  EXPECT_EQ(still.Shown().size(), QSize(4, 4));  // frame 1 fills the screen
  EXPECT_EQ(budget->Used(), 4 * 4 * 4 + 2 * 4 * 4 * 4);
  for (int i = 0; i < 31; ++i) playing.TimerTick();
  EXPECT_EQ(playing.Picture().Frame(), 3);
  EXPECT_EQ(still.Picture().Frame(), 0);
  // Everything goes back when the pictures go.
  playing.Picture().Clear();
  still.Picture().Clear();
  EXPECT_EQ(budget->Used(), 0);
  EXPECT_LE(budget->Peak(), budget->Limit());
}

// ------------------------------------------------------------ FIFOs

TEST(ThumbnailList, FifoNamedLikeAPictureIsSkipped) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  WriteFileBytes(folder + "a.gif", ThreeFrameGif());
  TestFifo fifo(folder + "x.gif");
  ASSERT_TRUE(fifo.Made());
  TThumbnailList list;
  list.resize(300, 200);
  list.LoadFromMask(folder + "*.*");
  ASSERT_EQ(list.Thumbnails().Count(), 1);
  EXPECT_EQ(list.Thumbnails().Items(0).Caption(), "a.gif");
  list.grab();
  ASSERT_TRUE(list.WaitForThumbnails());
  EXPECT_EQ(list.DecodeCount(), 1);

  // Named directly (as the openers do), it is refused without waiting.
  const QString expected = QString("Cannot open file \"%1\". Not a regular file").arg(folder + "x.gif");
  try {
    LoadThumbnailImage(folder + "x.gif", QSize(96, 80));
    ADD_FAILURE() << "read";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), expected);
  }
  TPlatformPicture picture;
  try {
    LoadPictureFile(picture, folder + "x.gif");
    ADD_FAILURE() << "read";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), expected);
  }
  list.Thumbnails().Clear();
  list.Thumbnails().Add().SetFilename(folder + "x.gif");
  list.Thumbnails().Items(0).Source = tsFile;
  list.grab();
  ASSERT_TRUE(list.WaitForThumbnails());
  EXPECT_TRUE(list.Thumbnails().Items(0).Failed);
}

// ------------------------------------------------------------ thumbnails off the paint

namespace {

// A metafile that takes long to draw even at a thumbnail's size: `shapes`
// ellipses over the whole picture.
QByteArray SlowMetafile(int shapes) {
  wmftest::Wmf w;
  w.WindowExt(4000, 3000).RedNoPen();
  for (int i = 0; i < shapes; ++i) w.Ellipse(-(i % 50), -(i % 40), 4000 + i % 50, 3000 + i % 40);
  return w.Plain();
}

// A thumbnail of one colour per file name, made slowly.
QImage SlowColourThumbnail(const QString& file, QSize box, int ms) {
  QThread::msleep(static_cast<unsigned long>(ms));
  QImage image(box.boundedTo(QSize(40, 40)), QImage::Format_RGB32);
  image.fill(file.contains("red") ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
  return image;
}

// The colour in the middle of item `index`'s picture as the list shows it.
QRgb ShownColour(TThumbnailList& list, int index) {
  const QRect cell = list.visualRect(list.model()->index(index, 0));
  const QImage shown = list.viewport()->grab().toImage();
  return shown.pixel(cell.center()) & 0xFFFFFF;
}

}  // namespace

TEST(ThumbnailList, AnswersWhileAFolderOfHostileMetafilesIsDrawn) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  const QByteArray slow = SlowMetafile(20000);
  for (int i = 0; i < 30; ++i) WriteFileBytes(folder + QString("m%1.wmf").arg(i, 2, 10, QChar('0')), slow);
  auto list = std::make_unique<TThumbnailList>();
  list->SetColumns(6);
  list->SetThumbnailSize(100);
  list->resize(1000, 700);  // every picture is on the first screen
  list->LoadFromMask(folder + "*.*");
  list->show();
  const qint64 longest = LongestPause(1500, [&] { return !list->Decoding() && list->DecodeCount() > 0; });
  // A generous bound for a loaded machine; the benchmark measures the pause.
  EXPECT_LT(longest, 500);
  // The first screen shows at once, placeholders and all, while the
  // pictures are still being drawn.
  EXPECT_GE(list->DecodeCount(), 1);
  EXPECT_TRUE(list->Decoding());
  EXPECT_FALSE(list->HasThumbnail(29));
  // The list goes while a picture is being drawn: nothing waits for it,
  // and the drawing finishes into nothing.
  QElapsedTimer clock;
  clock.start();
  list.reset();
  EXPECT_LT(clock.elapsed(), 100);
  PictureThreads::Thumbnails().waitForDone();
  QCoreApplication::processEvents();
}

TEST(ThumbnailList, FinishedThumbnailsStayAndStaleOnesAreDropped) {
  std::atomic<int> decoded{0};
  auto list = std::make_unique<TThumbnailList>();
  list->SetDecoder([&decoded](const QString& file, QSize box) {
    ++decoded;
    return SlowColourThumbnail(file, box, 60);
  });
  list->SetColumns(6);
  list->SetThumbnailSize(100);
  list->SetShowCaption(false);
  list->resize(1000, 230);  // two rows of ten on a screen
  list->show();
  for (int i = 0; i < 60; ++i) {
    TThumbnail& item = list->Thumbnails().Add();
    item.SetFilename(QString("/pictures/red%1.jpg").arg(i));
    item.Source = tsFile;
  }
  // The first screen is decoded, nothing below it.
  list->grab();
  ASSERT_TRUE(list->WaitForThumbnails());
  const int firstScreen = list->DecodeCount();
  EXPECT_GE(firstScreen, 10);
  EXPECT_LT(firstScreen, 60);
  EXPECT_TRUE(list->HasThumbnail(0));
  EXPECT_FALSE(list->HasThumbnail(59));
  EXPECT_EQ(ShownColour(*list, 0), qRgb(255, 0, 0) & 0xFFFFFF);
  // Paged to the end and back: the pictures decoded before are not
  // decoded again.
  list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
  list->grab();
  ASSERT_TRUE(list->WaitForThumbnails());
  EXPECT_TRUE(list->HasThumbnail(59));
  const int both = list->DecodeCount();
  list->verticalScrollBar()->setValue(0);
  list->grab();
  ASSERT_TRUE(list->WaitForThumbnails());
  EXPECT_EQ(list->DecodeCount(), both);
  EXPECT_EQ(decoded.load(), both);

  // Refilled while a picture is decoded: the old picture's thumbnail never
  // shows on the new item.
  list->SetDecoder([](const QString& file, QSize box) { return SlowColourThumbnail(file, box, 300); });
  list->Thumbnails().Items(0).SetFilename("/pictures/red-again.jpg");
  list->grab();
  ASSERT_TRUE(list->Decoding());
  list->Thumbnails().Clear();
  for (int i = 0; i < 3; ++i) {
    TThumbnail& item = list->Thumbnails().Add();
    item.SetFilename(QString("/pictures/blue%1.jpg").arg(i));
    item.Source = tsFile;
  }
  list->SetDecoder([](const QString& file, QSize box) { return SlowColourThumbnail(file, box, 1); });
  list->grab();
  ASSERT_TRUE(list->WaitForThumbnails());
  PictureThreads::Thumbnails().waitForDone();
  QCoreApplication::processEvents();
  EXPECT_EQ(ShownColour(*list, 0), qRgb(0, 0, 255) & 0xFFFFFF);
  EXPECT_TRUE(list->HasThumbnail(2));

  // A decoder that fails marks the item; the list goes while one runs.
  list->SetDecoder([](const QString&, QSize) -> QImage {
    QThread::msleep(100);
    throw Exception("Could not load image");
  });
  list->Thumbnails().Items(1).SetFilename("/pictures/broken.jpg");
  list->grab();
  ASSERT_TRUE(list->WaitForThumbnails());
  EXPECT_TRUE(list->Thumbnails().Items(1).Failed);
  list->Thumbnails().Items(2).SetFilename("/pictures/broken2.jpg");
  list->grab();
  ASSERT_TRUE(list->Decoding());
  list.reset();
  PictureThreads::Thumbnails().waitForDone();
  QCoreApplication::processEvents();
}

// Pictures of a screen decoded several at a time behind metafiles that do
// not finish: one thread is always left for the other pictures, nothing
// runs on the toolkit's global pool, and the decodes stop once the list is
// cleared.
TEST(ThumbnailList, OrdinaryPicturesShowWhileMetafilesHoldTheirThreads) {
  std::atomic<int> running{0}, most{0}, metafilesStopped{0};
  std::atomic<bool> release{false};
  TThumbnailList list;
  list.SetDecoder([&](const QString& file, QSize box) {
    const int now = ++running;
    for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
    }
    if (file.endsWith(".wmf")) {
      while (!release && !PictureDecoder::Stopped()) QThread::msleep(1);
      if (PictureDecoder::Stopped()) ++metafilesStopped;
    } else {
      QThread::msleep(20);
    }
    --running;
    return SlowColourThumbnail(file, box, 0);
  });
  list.SetColumns(6);
  list.SetThumbnailSize(100);
  list.resize(1000, 700);
  for (const char* name : {"m0.wmf", "m1.wmf", "m2.wmf", "m3.wmf", "m4.wmf", "m5.wmf", "m6.wmf", "m7.wmf", "red0.jpg",
                           "blue1.gif", "red2.png"}) {
    TThumbnail& item = list.Thumbnails().Add();
    item.SetFilename(QString("/pictures/") + name);
    item.Source = tsFile;
  }
  list.show();
  const int threads = PictureThreads::ThumbnailThreads();
  ASSERT_GE(threads, 2);
  const auto ordinaryShown = [&] { return list.HasThumbnail(8) && list.HasThumbnail(9) && list.HasThumbnail(10); };
  EXPECT_LT(LongestPause(10000, ordinaryShown), 500);
  ASSERT_TRUE(ordinaryShown());
  EXPECT_EQ(ShownColour(list, 10), qRgb(255, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(list.DecodesRunning(), threads - 1);  // metafiles, all blocked
  EXPECT_FALSE(list.HasThumbnail(0));
  EXPECT_GE(most.load(), 2);
  EXPECT_LE(most.load(), threads);
  EXPECT_EQ(QThreadPool::globalInstance()->activeThreadCount(), 0);

  // Cleared: every metafile decode stops where it stands.
  list.Thumbnails().Clear();
  EXPECT_FALSE(list.Decoding());
  EXPECT_TRUE(PictureThreads::Thumbnails().waitForDone(5000));
  EXPECT_EQ(metafilesStopped.load(), threads - 1);
  EXPECT_EQ(running.load(), 0);
  QCoreApplication::processEvents();

  // A decode deferred for want of memory is not a failure: it is tried again.
  std::atomic<int> tries{0};
  list.SetDecoder([&](const QString& file, QSize box) {
    if (++tries == 1) throw PictureDecoder::EPictureDeferred("Could not allocate memory for image");
    return SlowColourThumbnail(file, box, 0);
  });
  TThumbnail& item = list.Thumbnails().Add();
  item.SetFilename("/pictures/red-later.jpg");
  item.Source = tsFile;
  list.grab();
  ASSERT_TRUE(list.WaitForThumbnails());
  EXPECT_EQ(tries.load(), 2);
  EXPECT_FALSE(list.Thumbnails().Items(0).Failed);
  EXPECT_TRUE(list.HasThumbnail(0));
}

// A metafile's drawing asks at every unit of work whether it is still
// wanted; a decode stopped so is deferred, not failed.
TEST(ThumbnailList, StoppedMetafileEndsAtItsNextUnitOfWork) {
  const QByteArray slow = SlowMetafile(2000);
  const auto budget = PictureDecoder::TPictureBudget::Create();
  WmfPicture::TWork whole, cut;
  WmfPicture::Render(slow, *budget, QSize(96, 72), &whole);
  const std::atomic<bool> stop{true};
  cut.stop = &stop;
  WmfPicture::Render(slow, *budget, QSize(96, 72), &cut);
  EXPECT_GT(whole.work, 100 * cut.work);

  QTemporaryDir dir;
  const QString file = dir.path() + "/slow.wmf";
  ASSERT_TRUE(WriteFileBytes(file, slow));
  bool deferred = false;
  std::thread([&] {
    const PictureDecoder::TDecodeScope scope(&stop);
    try {
      LoadThumbnailImage(file, QSize(96, 80));
    } catch (const PictureDecoder::EPictureDeferred&) {
      deferred = true;
    }
  }).join();
  EXPECT_TRUE(deferred);
  EXPECT_TRUE(PictureFailures::Known(file).isEmpty());
}

// A window of quick pictures fills in by the event loop alone: no waiting
// for thumbnails, no scrolling. The paint takes the results of the decodes
// it waits for, so the decodes of the cells it did not reach must start
// from the paint's end, not only from a decode that ends by itself.
TEST(ThumbnailList, EveryCellInViewIsDrawnWithoutScrolling) {
  std::atomic<int> decoded{0};
  TThumbnailList list;
  list.SetDecoder([&decoded](const QString& file, QSize box) {
    ++decoded;
    return SlowColourThumbnail(file, box, 2 + static_cast<int>(file.right(1).toInt()));
  });
  list.SetColumns(8);
  list.SetThumbnailSize(100);
  list.SetShowCaption(false);
  for (int i = 0; i < 48; ++i) {
    TThumbnail& item = list.Thumbnails().Add();
    item.SetFilename(QString("/pictures/%1%2.jpg").arg(i % 3 == 0 ? "blue" : "red").arg(i));
    item.Source = tsFile;
  }
  list.resize(820, 620);  // eight across, six rows
  list.show();
  const auto cell = [&](int i) { return list.visualRect(list.model()->index(i, 0)); };
  QCoreApplication::sendPostedEvents();
  list.doItemsLayout();
  ASSERT_TRUE(list.viewport()->rect().contains(cell(47))) << "the last cell is in view " << cell(47).x() << "," << cell(47).y() << " " << list.viewport()->width() << "x" << list.viewport()->height() << " cols " << list.Columns();
  const auto allDrawn = [&] {
    for (int i = 0; i < 48; ++i)
      if (!list.HasThumbnail(i)) return false;
    return true;
  };
  // A generous deadline: a list that stalls fails here instead of hanging.
  EXPECT_TRUE(PictureThreads::RunEventsWhile([&] { return !allDrawn(); }, 30000));
  for (int i = 0; i < 48; ++i) EXPECT_TRUE(list.HasThumbnail(i)) << i;
  EXPECT_EQ(decoded.load(), 48);
  EXPECT_EQ(list.DecodeCount(), 48);
  EXPECT_FALSE(list.Decoding());
  const QImage shown = list.viewport()->grab().toImage();
  for (int i = 0; i < 48; ++i)
    EXPECT_EQ(shown.pixel(cell(i).center()) & 0xFFFFFF, (i % 3 == 0 ? qRgb(0, 0, 255) : qRgb(255, 0, 0)) & 0xFFFFFF)
        << i;
}

TEST(ThumbnailList, FillsRowsAcrossAWideList) {
  TThumbnailList list;
  list.SetColumns(6);
  list.SetThumbnailSize(100);
  for (int i = 0; i < 80; ++i) list.Thumbnails().Add();
  list.resize(1230, 500);
  list.show();
  QCoreApplication::sendPostedEvents();
  list.doItemsLayout();
  const auto cell = [&](int i) { return list.visualRect(list.model()->index(i, 0)); };
  EXPECT_EQ(list.Columns(), 12);
  // Twelve side by side, the thirteenth on the next row.
  EXPECT_EQ(cell(1).top(), cell(0).top());
  EXPECT_EQ(cell(11).top(), cell(0).top());
  EXPECT_EQ(cell(1).left(), cell(0).left() + 100);
  EXPECT_EQ(cell(12).left(), cell(0).left());
  EXPECT_EQ(cell(12).top(), cell(0).top() + 100);
  // The rows scroll down, not across.
  EXPECT_GT(list.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(list.horizontalScrollBar()->maximum(), 0);
}

// ------------------------------------------------------------ image browser

TEST(ImageBrowser, RefillWithPicturesDropsTheLineThatSaidThereWereNone) {
  QTemporaryDir dir;
  const QString empty = dir.path() + "/empty", full = dir.path() + "/full";
  QDir().mkpath(empty);
  QDir().mkpath(full);
  WriteFileBytes(full + "/a.gif", ThreeFrameGif());
  TImageBrowserHooks& hooks = ImageBrowserHooks();
  const TImageBrowserHooks saved = hooks;
  hooks.NoPicturesText = [](const QString& folder) { return "No pictures in " + folder; };
  {
    TfImageBrowser browser;
    // Opened on a folder without pictures, as the main window does.
    browser.StatusBar1->showMessage("No pictures in " + empty);
    browser.setStatusTip("No pictures in " + empty);
    browser.RefillFromFolder(full);
    EXPECT_EQ(browser.ThumbnailList1->Thumbnails().Count(), 1);
    EXPECT_EQ(browser.StatusBar1->currentMessage(), "");
    EXPECT_EQ(browser.statusTip(), "");
    // A click names the file; a refill with pictures leaves that line.
    browser.ThumbnailList1->SetItemIndex(0);
    browser.ThumbnailList1Click();
    browser.RefillFromFolder(full);
    EXPECT_EQ(browser.StatusBar1->currentMessage(), full + "/a.gif");
    // Back to the empty folder: the line says so again.
    browser.RefillFromFolder(empty);
    EXPECT_EQ(browser.ThumbnailList1->Thumbnails().Count(), 0);
    EXPECT_EQ(browser.StatusBar1->currentMessage(), "No pictures in " + empty);
    EXPECT_EQ(browser.statusTip(), "No pictures in " + empty);
  }
  hooks = saved;
}

// A metafile that takes long to draw opens in the full view at once, with a
// placeholder; the window answers while it is drawn, and going back stops
// the drawing.
TEST(ImageBrowser, FullViewOfASlowMetafileKeepsTheWindowAnswering) {
  QTemporaryDir dir;
  const QString slow = dir.path() + "/slow.wmf";
  ASSERT_TRUE(WriteFileBytes(slow, SlowMetafile(20000)));
  PictureFailures::Clear();
  TfImageBrowser browser;
  browser.AddFiles({slow, slow});
  browser.resize(800, 600);
  browser.show();
  browser.ThumbnailList1->SetItemIndex(0);
  browser.ThumbnailList1DblClick();
  EXPECT_TRUE(browser.FullViewShown());
  EXPECT_TRUE(browser.PictureLoading());
  EXPECT_TRUE(browser.AnimPicture1->Picture().GetEmpty());
  const qint64 longest = LongestPause(60000, [&] { return !browser.PictureLoading(); });
  EXPECT_LT(longest, 500);  // generous for a loaded machine
  ASSERT_FALSE(browser.PictureLoading());
  EXPECT_TRUE(browser.FullViewShown());
  EXPECT_EQ(browser.AnimPicture1->Picture().GetWidth(), 4000);
  EXPECT_EQ(browser.AnimPicture1->Picture().GetHeight(), 3000);

  // Back to the thumbnails while the next one is drawn: it stops, and
  // nothing of it shows.
  browser.Button2Click();
  browser.ThumbnailList1->SetItemIndex(1);
  browser.ThumbnailList1DblClick();
  ASSERT_TRUE(browser.PictureLoading());
  browser.Button2Click();
  EXPECT_FALSE(browser.FullViewShown());
  EXPECT_FALSE(browser.PictureLoading());
  EXPECT_TRUE(PictureThreads::Pictures().waitForDone(10000));
  QCoreApplication::processEvents();
  EXPECT_TRUE(browser.AnimPicture1->Picture().GetEmpty());
  EXPECT_FALSE(browser.FullViewShown());
}
