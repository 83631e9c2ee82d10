// A progress bar with its own background and bar colours.
#pragma once

#include <QColor>
#include <QProgressBar>

class TExtProgressBar : public QProgressBar {
  Q_OBJECT
 public:
  explicit TExtProgressBar(QWidget* parent = nullptr);

  // The background colour.
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  // The colour of the bar.
  QColor SelectionColor() const { return selectionColor_; }
  void SetSelectionColor(const QColor& color);
  static QString Version() { return QStringLiteral("TExtProgressBar v2.04"); }
  void SetVersion(const QString&) {}

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
  QColor selectionColor_;
};
