// The animated picture control and the thumbnail list: animation ticks,
// frame composition, placement, thumbnail layout and lazy decoding.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "PictureTestSupport.h"
#include "images/AnimPicture.h"
#include "images/ThumbnailList.h"
#include "platform/Exceptions.h"
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
  EXPECT_TRUE(list.Thumbnails().Items(0).Failed);
}
