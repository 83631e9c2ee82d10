// What stands where a picture will be while it is still being decoded: a
// dotted frame, as a thumbnail not yet drawn shows.
#pragma once

#include <QWidget>

class TPicturePending : public QWidget {
  Q_OBJECT
 public:
  explicit TPicturePending(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
