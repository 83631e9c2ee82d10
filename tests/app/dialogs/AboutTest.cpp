// Tests of TfAbout (app/dialogs/uAbout.cpp), the About box.
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <climits>

#include "app/dialogs/uAbout.h"
#include "app/look/AngleLabel.h"
#include "app/look/ExtProgressBar.h"
#include "tests/app/AppFixture.h"

TEST(AngleLabel, AngleToDirection) {
  const struct {
    qint64 angle;
    TAngleDirection direction;
  } cases[] = {{0, adEast},
               {21, adEast},
               {22, adNothEast},
               {66, adNothEast},
               {67, adNoth},
               {90, adNoth},
               {180, adWest},
               {270, adSouth},
               {337, adEast},
               {336, adSouthEast},
               {360, adEast},
               {-45, adSouthEast},
               {-90, adSouth},
               {-360, adEast},
               // The limits: INT_MAX is 127 and INT_MIN is 232 modulo 360.
               {INT_MAX, adNothWest},
               {INT_MIN, adSouthWest},
               {qint64(INT_MIN) + 300, adWest},
               {LLONG_MAX, adEast},
               {LLONG_MIN, adEast}};
  for (const auto& c : cases) EXPECT_EQ(AngleToDirection(c.angle), c.direction) << c.angle;
}

TEST(AngleLabel, TextOriginPerDirection) {
  // Measured text at (10, 20), 100 wide and 30 high; font height -30. The
  // origin is taken from the new bounds.
  const QRect r(10, 20, 100, 30);
  const int h = -30, s = 30 + 71;  // |H| + round(100 * 0.7071067)
  const struct {
    TAngleDirection direction;
    QRect rect;
    QPoint origin;
  } cases[] = {
      {adEast, r, {10, 20}},
      {adNothEast, {10, 20, s, s}, {10, 20 + s + h}},
      {adNoth, {10, 20, 30, 100}, {10, 120}},
      {adNothWest, {10, 20, s, s}, {10 + s + h, 20 + s}},
      {adWest, r, {110, 50}},
      {adSouthWest, {10, 20, s, s}, {10 + s, 20 - h}},
      {adSouth, {10, 20, 30, 100}, {40, 20}},
      {adSouthEast, {10, 20, s, s}, {10 - h, 20}},
  };
  for (const auto& c : cases) {
    const TAngleTextPosition p = CalcAngleTextPosition(c.direction, r, h);
    EXPECT_EQ(p.rect, c.rect) << int(c.direction);
    EXPECT_EQ(p.origin, c.origin) << int(c.direction);
  }
}

TEST(AngleLabel, AngleIsTheDirectionsAngle) {
  TAngleLabel label;
  label.SetCaption(QStringLiteral("BETA VERSION "));
  label.SetAngle(100);
  EXPECT_EQ(label.Angle(), 90);
  // Turned upright the label is as wide as a line is high.
  EXPECT_LT(label.width(), label.height());
}

namespace {
QColor PixelAt(QWidget& w, QPoint p) { return w.grab().toImage().pixelColor(p); }
}  // namespace

TEST(ExtProgressBar, ColoursAndPosition) {
  TExtProgressBar bar;
  bar.resize(100, 10);
  bar.SetSelectionColor(Qt::black);  // before the bar is shown
  bar.SetColor(Qt::white);
  bar.setValue(40);
  bar.show();
  EXPECT_EQ(PixelAt(bar, {10, 5}), QColor(Qt::black));
  EXPECT_EQ(PixelAt(bar, {60, 5}), QColor(Qt::white));
  bar.hide();
  bar.show();
  EXPECT_EQ(bar.value(), 40);
  bar.setOrientation(Qt::Vertical);
  bar.resize(10, 100);
  EXPECT_EQ(PixelAt(bar, {5, 90}), QColor(Qt::black));
  EXPECT_EQ(PixelAt(bar, {5, 10}), QColor(Qt::white));
}

TEST(About, WindowsVersionNames) {
  const struct {
    int major, minor;
    bool nt;
    const char* name;
  } cases[] = {{3, 51, true, "Windows NT 3.51"},
               {4, 0, true, "Windows NT 4.0"},
               {4, 0, false, "Windows 95"},
               {4, 10, false, "Windows 98"},
               {4, 90, false, "Windows ME"},
               {5, 0, true, "Windows 2000"},
               {5, 1, true, "Windows XP or .NET server"},
               {6, 0, true, "unknown"},
               {3, 50, true, "unknown"}};
  for (const auto& c : cases) EXPECT_EQ(WindowsVersionName(c.major, c.minor, c.nt), QLatin1String(c.name));
}

class AboutBox : public AppFixture {};

TEST_F(AboutBox, CaptionsSystemAndLinks) {
  TfAbout box(nullptr, QStringLiteral("1.2.3"));
  box.show();
  EXPECT_EQ(box.windowTitle(), LangText(QStringLiteral("About1")));
  EXPECT_EQ(box.PageControl1->tabText(0), LangText(QStringLiteral("About1")));
  EXPECT_EQ(box.speedbutton1->text(), LangText(QStringLiteral("Close")));
  EXPECT_TRUE(box.VersionLabel->text().endsWith(QStringLiteral("1.2.3")));
  EXPECT_EQ(box.OSLabel->text(), OperatingSystemName());
  EXPECT_FALSE(box.AngleLabel1->isVisible());
  for (QLabel* link : {box.Label2, box.Label3}) {
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(link, &release);
  }
  ASSERT_EQ(launcher.calls.size(), 2);
  EXPECT_EQ(launcher.calls[0].target, TfAbout::ProductSite());
  EXPECT_EQ(launcher.calls[1].target, TfAbout::CreditSite());
}
