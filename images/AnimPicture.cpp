#include "images/AnimPicture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <cmath>

TAnimPicture::TAnimPicture(QWidget* parent) : QWidget(parent) {
  resize(100, 100);
  picture_.LogPixelsX = logicalDpiX();
  picture_.LogPixelsY = logicalDpiY();
  picture_.OnChange = [this] { PictureChanged(); };
  picture_.OnFrameChange = [this] { FrameChanged(); };
}

TAnimPicture::~TAnimPicture() {
  picture_.OnChange = nullptr;
  picture_.OnFrameChange = nullptr;
}

void TAnimPicture::SetPicture(const TPlatformPicture& picture) {
  picture_.Assign(picture);
  update();
}

void TAnimPicture::SetAnimate(bool on) {
  if (on == animate_) return;
  animate_ = on;
  if (on) {
    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(10);
    connect(timer_, &QTimer::timeout, this, &TAnimPicture::TimerTick);
    ticks_ = nextFrameTick_ = 0;
    timer_->start();
  } else {
    delete timer_;
    timer_ = nullptr;
  }
}

bool TAnimPicture::TimerActive() const { return timer_ && timer_->isActive(); }

void TAnimPicture::SetAutoSize(bool on) {
  autoSize_ = on;
  if (on && !picture_.GetEmpty()) resize(picture_.GetWidth(), picture_.GetHeight());
}

void TAnimPicture::SetPicturePosition(TPicturePosition p) {
  if (p == position_) return;
  position_ = p;
  update();
}

void TAnimPicture::SetStretchMode(TStretchMode m) {
  if (m == stretchMode_) return;
  stretchMode_ = m;
  update();
}

void TAnimPicture::PictureChanged() {
  if (autoSize_ && !picture_.GetEmpty()) SetAutoSize(true);
  animated_ = false;
  // The canvas of the picture before goes before anything of this one.
  canvas_ = QImage();
  saved_ = QImage();
  canvasCharge_.reset();
  if (!picture_.GetEmpty()) {
    animated_ = picture_.IsGIF() && picture_.FrameCount() > 1;
    picture_.SetFrame(0);  // composes the first frame
  }
  update();
}

void TAnimPicture::FrameChanged() {
  Compose(picture_.Frame() <= 1);
  update();
  if (OnFrameChange) OnFrameChange();
}

void TAnimPicture::Compose(bool restart) {
  if (!animated_ || !(animate_ || playing_) || picture_.FrameRect().isNull()) {
    // A still picture, or one that does not play: its frame is drawn alone.
    canvas_ = QImage();
    saved_ = QImage();
    canvasCharge_.reset();
    return;
  }
  const QSize screen(picture_.ScreenWidth(), picture_.ScreenHeight());
  if (restart || canvas_.size() != screen) {
    if (canvas_.size() != screen || !canvasCharge_) {
      canvas_ = QImage();
      saved_ = QImage();
      canvasCharge_.reset();
      const auto& budget = picture_.Budget();
      const qint64 bytes = qint64(screen.width()) * screen.height() * 4 * (picture_.RestoresPrevious() ? 2 : 1);
      if (screen.isEmpty() || !budget || !budget->Fits(bytes)) return;  // the frames are shown alone
      canvasCharge_ = budget->Charge(bytes);
      canvas_ = QImage(screen, QImage::Format_ARGB32_Premultiplied);
    }
    saved_ = QImage();
    canvas_.fill(Qt::transparent);
  } else if (previousDisposal_ == 2) {  // the previous frame's area back to the background
    QPainter p(&canvas_);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(previousRect_, Qt::transparent);
  } else if (previousDisposal_ == 3 && saved_.size() == screen) {
    canvas_ = saved_;
  }
  picture_.FrameDelay(qMax(1, picture_.Frame()));  // the frame's disposal method
  // The copy shares the canvas until the canvas is drawn on: at most two
  // canvases are ever held.
  saved_ = picture_.Disposal() == 3 ? canvas_ : QImage();
  QPainter p(&canvas_);
  p.drawImage(picture_.FrameRect().topLeft(), picture_.Image());
  previousRect_ = picture_.FrameRect();
  previousDisposal_ = picture_.Disposal();
}

const QImage& TAnimPicture::Shown() const { return canvas_.isNull() ? picture_.Image() : canvas_; }

void TAnimPicture::TimerTick() {
  if (!animated_ || picture_.GetEmpty()) return;
  playing_ = true;
  if (ticks_ >= nextFrameTick_) {
    const int next = picture_.FrameCount() <= picture_.Frame() ? 1 : picture_.Frame() + 1;
    picture_.SetFrame(next);
    nextFrameTick_ += qMax(0, picture_.FrameDelay(next));
  }
  ++ticks_;
}

QRect TAnimPicture::PictureRect() const {
  const int W = picture_.ScreenWidth(), H = picture_.ScreenHeight();
  const int cw = width(), ch = height();
  if (picture_.GetEmpty() || W <= 0 || H <= 0 || cw < 1 || ch < 1) return {};
  const double rw = double(W) / cw, rh = double(H) / ch;
  switch (position_) {
    case bpTiled:
    case bpStretched:
      return QRect(0, 0, cw, ch);
    case bpStretchedWithAspect:
      return rw <= rh ? QRect(0, 0, static_cast<int>(std::lround(W / rh)), ch)
                      : QRect(0, 0, cw, static_cast<int>(std::lround(H / rw)));
    default:
      break;
  }
  const QSize size = stretchMode_ == smShrink ? FitSize(QSize(W, H), QSize(cw, ch)) : QSize(W, H);
  const int dx = qMax(0, cw - size.width()), dy = qMax(0, ch - size.height());
  switch (position_) {
    case bpTopRight:
      return QRect(QPoint(dx, 0), size);
    case bpBottomLeft:
      return QRect(QPoint(0, dy), size);
    case bpBottomRight:
      return QRect(QPoint(dx, dy), size);
    case bpCenter:
      return QRect(QPoint(dx / 2, dy / 2), size);
    default:
      return QRect(QPoint(0, 0), size);
  }
}

void TAnimPicture::paintEvent(QPaintEvent*) {
  const QRect target = PictureRect();
  if (target.isEmpty()) return;
  const QImage& shown = Shown();
  if (shown.isNull()) return;
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  if (position_ == bpTiled) {
    // The tile is made at the picture's size, within the picture's budget.
    const QSize tile(picture_.ScreenWidth(), picture_.ScreenHeight());
    const auto& budget = picture_.Budget();
    if (!budget || !budget->Fits(qint64(tile.width()) * tile.height() * 4 * 2)) return;
    const PictureDecoder::TCharge charge = budget->Charge(qint64(tile.width()) * tile.height() * 4 * 2);
    p.drawTiledPixmap(rect(), QPixmap::fromImage(shown.scaled(tile)));
    return;
  }
  if (canvas_.isNull())
    picture_.Draw(p, target);
  else
    p.drawImage(target, canvas_);
}

void TAnimPicture::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnClick) OnClick();
  QWidget::mouseReleaseEvent(event);
}
