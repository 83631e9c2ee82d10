#include <QHBoxLayout>
#include <QImage>

#include "files/FrComboBox.h"
#include "files/FrDirectoryTree.h"
#include "files/FrFileListBox.h"
#include "files/FrListView.h"
#include "files/FramedControl.h"
#include "tests/files/FilesFixture.h"

namespace {
// Paints a frame on a 10 x 10 image over white and returns the pixel colours.
QImage Painted(TFrameStyle style, int sides) {
  QImage img(10, 10, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  PaintFrame(p, img.rect(), style, sides, clRed, clWhite);
  return img;
}
QRgb C(TColor c) { return ToQColor(c).rgb(); }
}  // namespace

class Frames : public FilesFixture {};

TEST_F(Frames, PixelsOfTheStyles) {
  struct Px {
    int x, y;
    TColor color;
  };
  struct Case {
    TFrameStyle style;
    int sides;
    std::vector<Px> pixels;
  } cases[] = {
      {TFrameStyle::fsFlat, kAllSides, {{0, 0, clRed}, {9, 9, clRed}, {1, 1, clWhite}}},
      {TFrameStyle::fsFlat, sdLeft, {{0, 5, clRed}, {5, 0, clWhite}}},
      {TFrameStyle::fsStatus,
       kAllSides,
       {{0, 5, clBtnShadow},
        {5, 0, clBtnShadow},
        {9, 5, clBtnHighlight},
        {5, 9, clBtnHighlight},
        {9, 0, clBtnHighlight},
        {0, 9, clBtnHighlight}}},
      {TFrameStyle::fsLowered,
       kAllSides,
       {{0, 5, clBtnShadow}, {9, 5, clBtnHighlight}, {1, 5, clBtnText}, {8, 5, cl3DLight}, {2, 5, clWhite}}},
      {TFrameStyle::fsGroove,
       kAllSides,
       {{0, 5, clBtnShadow},
        {1, 5, clBtnHighlight},
        {8, 5, clBtnShadow},
        {9, 5, clBtnHighlight},
        {9, 0, clBtnHighlight},
        {0, 9, clBtnHighlight}}},
      // top and left only: the open ends are closed by single pixels
      {TFrameStyle::fsGroove,
       sdLeft | sdTop,
       {{0, 0, clBtnShadow},
        {1, 1, clBtnHighlight},
        {9, 0, clBtnShadow},
        {0, 9, clBtnShadow},
        {9, 1, clBtnHighlight},
        {9, 5, clWhite}}},
      {TFrameStyle::fsNone, kAllSides, {{0, 0, clWhite}, {5, 9, clWhite}}},
  };
  for (const Case& c : cases) {
    const QImage img = Painted(c.style, c.sides);
    for (const Px& px : c.pixels)
      EXPECT_EQ(img.pixel(px.x, px.y), C(px.color))
          << "style " << int(c.style) << " sides " << c.sides << " at " << px.x << "," << px.y;
  }
}

TEST_F(Frames, FlatFrameFollowsFocusAndMouse) {
  TFrameState frame;
  int entered = 0;
  frame.OnMouseEnter = [&] { ++entered; };
  frame.SetFrameSides(sdLeft);
  frame.SetFrameFlat(true);
  EXPECT_TRUE(frame.FrameVisible());
  EXPECT_EQ(frame.FrameSides(), kAllSides);
  EXPECT_EQ(frame.FrameStyle(), TFrameStyle::fsStatus);
  frame.Track(QEvent::Enter);
  EXPECT_EQ(frame.FrameStyle(), TFrameStyle::fsLowered);
  EXPECT_EQ(entered, 1);
  frame.Track(QEvent::FocusIn);
  frame.Track(QEvent::Leave);
  EXPECT_EQ(frame.FrameStyle(), TFrameStyle::fsLowered);  // still focused
  frame.Track(QEvent::FocusOut);
  EXPECT_EQ(frame.FrameStyle(), TFrameStyle::fsStatus);
}

// The controls in a small window, grabbed into the artefacts folder to be looked at.
TEST_F(Frames, ControlsPicture) {
  Make({"pics/", "a.html", "b.css", "c.png", "d.txt"});
  TFakeMountSource mounts;
  mounts.mounts = {{"/", "", "ext4", TDriveType::Fixed}, {root, "WORK", "ext4", TDriveType::Fixed}};
  TMountWatcher::Instance().SetSource(&mounts);
  QWidget window;
  auto* layout = new QHBoxLayout(&window);
  auto* tree = new TFrDirectoryTree;
  auto* list = new TFrFileListBox;
  auto* combo = new TFrFontComboBox;
  auto* view = new TFrListView;
  layout->addWidget(tree);
  layout->addWidget(list);
  layout->addWidget(combo, 0, Qt::AlignTop);
  layout->addWidget(view);
  tree->OpenPath(root);
  list->Frame().SetFrameVisible(true);
  list->Frame().SetFrameStyle(TFrameStyle::fsLowered);
  tree->Frame().SetFrameFlat(true);
  combo->Frame().SetFrameVisible(true);
  view->setColumnCount(2);
  view->setHeaderLabels({"Name", "Path"});
  view->addTopLevelItem(new QTreeWidgetItem(QStringList{"Home", "/srv/home.mds"}));
  window.resize(900, 220);
  window.show();
  EXPECT_EQ(list->count(), 4);
  const QImage shot = window.grab().toImage();
  const QString out = qEnvironmentVariable("KV_ARTEFACT_DIR", QStringLiteral(KV_BINARY_DIR "/artefacts"));
  QDir().mkpath(out);
  EXPECT_TRUE(shot.save(out + "/files_controls.png"));
  // the lowered frame's outer line sits on the list's border
  const QPoint corner = list->mapTo(&window, QPoint(0, list->height() / 2));
  EXPECT_EQ(shot.pixel(corner), C(clBtnShadow));
}
