#include "platform/ImageList.h"

#include <QPainter>

TImageList::TImageList(int width, int height, QObject* parent)
    : QObject(parent), width_(width < 1 ? 1 : width), height_(height < 1 ? 1 : height) {}

int TImageList::Add(const QImage& image) {
  // An empty slot stays empty.
  images_.append(image.isNull() || image.size() == QSize(width_, height_) ? image : image.scaled(width_, height_));
  return Count() - 1;
}

void TImageList::AddStrip(const QImage& strip) {
  for (int x = 0; x + width_ <= strip.width(); x += width_) images_.append(strip.copy(x, 0, width_, height_));
}

QImage TImageList::Image(int index) const { return index >= 0 && index < Count() ? images_[index] : QImage(); }

void TImageList::Draw(QPainter& painter, int x, int y, int index) const {
  if (index < 0 || index >= Count()) return;
  painter.drawImage(x, y, images_[index]);
}
