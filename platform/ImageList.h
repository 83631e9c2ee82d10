// A list of equally sized images drawn by index (tool-bar glyphs, bookmark
// glyphs). Holders keep a QPointer to it, so they learn when it is destroyed.
#pragma once

#include <QImage>
#include <QList>
#include <QObject>

class QPainter;

class TImageList : public QObject {
  Q_OBJECT
 public:
  TImageList(int width, int height, QObject* parent = nullptr);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return static_cast<int>(images_.size()); }

  // Appends an image (scaled to the list's size); returns its index.
  int Add(const QImage& image);
  // Cuts a horizontal strip into images of the list's width.
  void AddStrip(const QImage& strip);
  void Clear() { images_.clear(); }
  QImage Image(int index) const;

  // Draws image `index` with its top-left corner at (x, y); an index out of
  // range draws nothing.
  void Draw(QPainter& painter, int x, int y, int index) const;

 private:
  int width_;
  int height_;
  QList<QImage> images_;
};
