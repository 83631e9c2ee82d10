// A control that shows one picture at one of eight positions, shrunk to fit
// when asked, and plays multi-frame GIF pictures on a 10 ms timer. Frames are
// composed on a canvas the size of the GIF's logical screen, each frame's
// disposal method applied when the next one comes, while the picture plays;
// the canvas is charged to the picture's memory budget, and a screen that
// does not fit beside the frames shows the frames alone.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "images/PlatformPicture.h"

class QTimer;

class TAnimPicture : public QWidget {
  Q_OBJECT
 public:
  enum TPicturePosition {
    bpTopLeft,
    bpTopRight,
    bpBottomLeft,
    bpBottomRight,
    bpCenter,
    bpTiled,
    bpStretched,
    bpStretchedWithAspect
  };
  enum TStretchMode { smNever, smShrink };

  explicit TAnimPicture(QWidget* parent = nullptr);
  ~TAnimPicture() override;

  TPlatformPicture& Picture() { return picture_; }
  void SetPicture(const TPlatformPicture& picture);

  bool Animate() const { return animate_; }
  void SetAnimate(bool on);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  TPicturePosition PicturePosition() const { return position_; }
  void SetPicturePosition(TPicturePosition p);
  TStretchMode StretchMode() const { return stretchMode_; }
  void SetStretchMode(TStretchMode m);

  // One step of the animation (the timer calls it every 10 ms).
  void TimerTick();
  bool Animated() const { return animated_; }
  bool TimerActive() const;

  // Where the picture goes in the control (positions other than tiled);
  // empty when nothing is drawn.
  QRect PictureRect() const;
  // What is shown: the composed canvas of a GIF, else the picture's image.
  const QImage& Shown() const;

  std::function<void()> OnFrameChange;
  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void PictureChanged();
  void FrameChanged();
  void Compose(bool restart);

  TPlatformPicture picture_;
  bool animate_ = false;
  bool autoSize_ = false;
  bool animated_ = false;
  TPicturePosition position_ = bpTopLeft;
  TStretchMode stretchMode_ = smNever;
  QTimer* timer_ = nullptr;
  long ticks_ = 0;
  long nextFrameTick_ = 0;
  // GIF composition, while the picture plays (timer on, or ticks given).
  bool playing_ = false;
  QImage canvas_;
  QImage saved_;                          // the canvas before a frame that restores to previous
  PictureDecoder::TCharge canvasCharge_;  // the canvas and, when a frame
                                          // restores the previous one, its copy
  QRect previousRect_;
  int previousDisposal_ = 0;
};
