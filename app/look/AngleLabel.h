// A label whose caption is drawn turned in steps of 45 degrees, and the
// rules that place the turned text.
#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <cstdint>

enum TAngleDirection : std::uint8_t {
  adEast,
  adNothEast,
  adNoth,
  adNothWest,
  adWest,
  adSouthWest,
  adSouth,
  adSouthEast,
};

// The direction of any angle in degrees: the angle is brought into 0..359
// first, then direction k covers 45k-23 up to 45k+21.
TAngleDirection AngleToDirection(qint64 angle);

struct TAngleTextPosition {
  QRect rect;     // the bounds the label takes
  QPoint origin;  // where the turned text starts
};
// Places text measured upright in `measured` for `direction`; `fontHeight` is
// the font's height value (negative for a size given in points or pixels).
TAngleTextPosition CalcAngleTextPosition(TAngleDirection direction, const QRect& measured, int fontHeight);

class TAngleLabel : public QWidget {
  Q_OBJECT
 public:
  explicit TAngleLabel(QWidget* parent = nullptr);

  int Angle() const { return angle_; }
  void SetAngle(qint64 angle);
  TAngleDirection AngleDirection() const { return direction_; }
  void SetAngleDirection(TAngleDirection direction);
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  // The font's height value: minus its size in pixels.
  int FontHeight() const;
  // Where the text starts, in the label's own coordinates.
  QPoint TextOrigin() const { return origin_; }

 protected:
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void AdjustBounds();
  QString DisplayText() const;

  int angle_ = 0;
  TAngleDirection direction_ = adEast;
  QString caption_;
  bool transparent_ = true;
  bool showAccelChar_ = true;
  QPoint origin_;
};
