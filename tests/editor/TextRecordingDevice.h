// A paint device that records where text is drawn and what (every character
// through the platform's text output, as on a device other than the screen).
#pragma once

#include <QFont>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QString>
#include <QTextItem>
#include <vector>

class TTextRecordingEngine : public QPaintEngine {
 public:
  struct Text {
    QPointF pos;
    QString text;
    QFont font;  // as the painter resolved it
  };
  std::vector<Text> texts;
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState&) override {}
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawTextItem(const QPointF& p, const QTextItem& item) override { texts.push_back({p, item.text(), item.font()}); }
  void drawRects(const QRectF*, int) override {}
  void drawRects(const QRect*, int) override {}
  void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
  Type type() const override { return QPaintEngine::User; }
};

// A 96-dpi device of `width` x 200 pixels drawn by a TTextRecordingEngine.
class TTextRecordingDevice : public QPaintDevice {
 public:
  explicit TTextRecordingDevice(int width) : width_(width) {}
  mutable TTextRecordingEngine engine;
  QPaintEngine* paintEngine() const override { return &engine; }

 protected:
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
      case PdmWidth:
        return width_;
      case PdmHeight:
        return 200;
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
        return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
      default:
        return 0;
    }
  }

 private:
  int width_;
};
