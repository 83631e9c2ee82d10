// Tests of TApplication (app/shell/Application.cpp): failures reaching the
// message loop; the program's style.
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <new>
#include <stdexcept>

#include "app/shell/Application.h"
#include "editor/SrcEdit.h"
#include "tests/app/AppFixture.h"

// A failure that reaches the message loop is shown as an error and the
// program goes on; an event that raised counts as not handled.
TEST_F(AppFixture, FailuresReachingTheMessageLoopAreShown) {
  struct Case {
    std::function<bool()> deliver;
    QString shown;
  };
  const Case cases[] = {
      {[]() -> bool { throw ESrcEditError(QStringLiteral("Not enough memory to paste the text.")); },
       QStringLiteral("Not enough memory to paste the text.")},
      {[]() -> bool { throw std::bad_alloc(); }, QStringLiteral("OutOfMemory")},
      {[]() -> bool { throw std::runtime_error("disk gone"); }, QStringLiteral("disk gone")},
  };
  for (const Case& c : cases) EXPECT_FALSE(TApplication::DeliverShowingFailures(c.deliver));
  ASSERT_EQ(prompts.Messages().size(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(prompts.Messages()[i].text, cases[i].shown);
    EXPECT_EQ(prompts.Messages()[i].kind, 2);
  }
  EXPECT_TRUE(TApplication::DeliverShowingFailures([] { return true; }));
  EXPECT_EQ(prompts.Messages().size(), 3);
}

namespace {

// A paint device that keeps, of everything painted on it, the long lines,
// outlines and fills painted translucent: each a slow wait for Qt's thread
// pool on the screen.
class TTranslucentPaintRecorder : public QPaintDevice {
 public:
  QPaintEngine* paintEngine() const override { return &engine_; }
  QStringList Translucent() const { return engine_.translucent; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
        return 1600;
      case PdmHeight:
        return 1000;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return 96;
      case PdmDepth:
        return 32;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 0;
    }
  }

 private:
  class TEngine : public QPaintEngine {
   public:
    TEngine() : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override {
      if (state.state() & DirtyPen) pen_ = state.pen();
      if (state.state() & DirtyBrush) brush_ = state.brush();
    }
    void drawLines(const QLineF* lines, int count) override {
      for (int i = 0; i < count; ++i) Stroke(QRectF(lines[i].p1(), lines[i].p2()).normalized(), "line");
    }
    void drawLines(const QLine* lines, int count) override {
      for (int i = 0; i < count; ++i) Stroke(QRectF(lines[i].p1(), lines[i].p2()).normalized(), "line");
    }
    void drawRects(const QRectF* rects, int count) override {
      for (int i = 0; i < count; ++i) Shape(rects[i], "rect");
    }
    void drawRects(const QRect* rects, int count) override {
      for (int i = 0; i < count; ++i) Shape(rects[i], "rect");
    }
    void drawPath(const QPainterPath& path) override { Shape(path.boundingRect(), "path"); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
      Shape(QPolygonF(QList<QPointF>(points, points + count)).boundingRect(), "polygon");
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF&, const QTextItem&) override {}

    QStringList translucent;

   private:
    static bool Long(const QRectF& r) { return std::max(r.width(), r.height()) > 40; }
    void Stroke(const QRectF& bounds, const char* kind) {
      if (pen_.style() != Qt::NoPen && pen_.color().alpha() < 255 && Long(bounds))
        translucent << QStringLiteral("%1 %2,%3 %4x%5 pen alpha %6")
                           .arg(QLatin1String(kind))
                           .arg(bounds.x())
                           .arg(bounds.y())
                           .arg(bounds.width())
                           .arg(bounds.height())
                           .arg(pen_.color().alpha());
    }
    void Shape(const QRectF& bounds, const char* kind) {
      Stroke(bounds, kind);
      if (brush_.style() == Qt::SolidPattern && brush_.color().alpha() < 255 && Long(bounds))
        translucent << QStringLiteral("%1 fill %2x%3 alpha %4")
                           .arg(QLatin1String(kind))
                           .arg(bounds.width())
                           .arg(bounds.height())
                           .arg(brush_.color().alpha());
    }
    QPen pen_;
    QBrush brush_;
  };
  mutable TEngine engine_;
};

}  // namespace

// The tool bars (with their grips and separators) and the frame of the
// insert bars' tab widget run the width of the window: they are painted
// without a translucent line or fill, and look as the desktop's look draws
// them, pixel for pixel.
TEST_F(AppFixture, FullWidthBarsArePaintedOpaqueAndLookTheSame) {
  const QString style = QApplication::style()->name();
  if (style.compare(u"fusion", Qt::CaseInsensitive) != 0) GTEST_SKIP() << "the look here is " << style.toStdString();
  TfMain& m = Main();
  m.resize(1400, 700);
  m.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
  QCoreApplication::processEvents();
  QList<QWidget*> bars{m.PageControl1};
  for (QToolBar* bar : m.ToolBars) bars << bar;
  ASSERT_GT(m.PageControl1->width(), 1000);
  // Drawn into either kind of window image (X gives one without alpha):
  // blending rounds differently in each.
  const auto pictures = [&m] {
    QList<QImage> images;
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
      QImage image(m.size(), format);
      m.render(&image);
      images << image;
    }
    return images;
  };
  const QList<QImage> before = pictures();

  UseProgramStyle();
  QCoreApplication::processEvents();
  QStringList translucent;
  for (QWidget* bar : bars) {
    TTranslucentPaintRecorder recorder;
    bar->render(&recorder);
    for (const QString& paint : recorder.Translucent()) translucent << bar->objectName() + ": " + paint;
  }
  const QList<QImage> after = pictures();
  QApplication::setStyle(style);
  EXPECT_EQ(translucent, QStringList());
  // The buttons' pictures differ by design: the program's style fades those
  // of disabled commands.
  QRegion buttons;
  for (QToolButton* button : m.findChildren<QToolButton*>())
    if (button->isVisible()) buttons += QRect(button->mapTo(&m, QPoint(0, 0)), button->size());
  for (int i = 0; i < before.size(); ++i) {
    SCOPED_TRACE(before[i].format());
    ASSERT_EQ(after[i].size(), before[i].size());
    int differing = 0;
    for (int y = 0; y < after[i].height(); ++y)
      for (int x = 0; x < after[i].width(); ++x)
        differing += after[i].pixel(x, y) != before[i].pixel(x, y) && !buttons.contains(QPoint(x, y));
    EXPECT_EQ(differing, 0);
  }
}
