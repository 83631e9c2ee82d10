// A picture that keeps its whole file in memory and lets the platform's
// picture loader decode it (JPEG, GIF, BMP, ICO). For GIF files one frame of
// the animation is selected; the frames are indexed once from the file's
// blocks and decoded frames are kept.
#pragma once

#include "platform/Graphic.h"
#include "platform/PictureDecoder.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <functional>
#include <map>

class TPlatformPicture : public TGraphic {
 public:
  const char* ClassName() const override { return "TPlatformPicture"; }

  // From another TPlatformPicture (its file is copied and decoded); the base
  // graphic class's refusal for anything else.
  void Assign(const TGraphic& source) override;
  // Empties the picture.
  void Clear();
  // Takes a decoded bitmap as the picture (pictures of the project's own
  // codecs); transparency is kept.
  void AssignBitmap(const QImage& bitmap);

  void Draw(QPainter& canvas, const QRect& rect) override;
  bool GetEmpty() const override { return empty_; }
  int GetWidth() const override;
  int GetHeight() const override;
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  // The whole content of `stream` becomes the file; the first frame is shown.
  void LoadFromStream(QIODevice& stream) override;
  void LoadFromBytes(const QByteArray& data);
  // The file's bytes as loaded.
  void SaveToStream(QIODevice& stream) override;
  void LoadFromClipboardFormat(const QMimeData&) override {}
  void SaveToClipboardFormat(QMimeData&) override {}

  // The size used for layout: the GIF logical screen when there is one.
  int ScreenWidth() const;
  int ScreenHeight() const;

  // The selected frame, counted from 1 (0 also shows the first frame).
  int Frame() const { return frame_; }
  void SetFrame(int n);
  bool IsGIF() const { return PictureDecoder::IsGif(data_); }
  // -1 when not a GIF; else the number of frames.
  int FrameCount() const;
  // The delay of frame `n` in hundredths of a second, -1 when not a GIF or
  // there is no such frame; keeps the frame's disposal method.
  int FrameDelay(int n);
  int Disposal() const { return disposal_; }
  // The selected frame's rectangle on the logical screen; empty when not a GIF.
  QRect FrameRect() const { return frameRect_; }
  // The decoded image of the selected frame (frame-sized).
  const QImage& Image() const { return image_; }
  const QByteArray& Data() const { return data_; }

  int LogPixelsX = 96;
  int LogPixelsY = 96;
  bool Stretch = false;
  std::function<void()> OnChange;
  std::function<void()> OnFrameChange;

  // Decodes done so far (for tests and benchmarks).
  int DecodeCount() const { return decodes_; }

 private:
  void LoadPicture();
  void Changed() {
    if (OnChange) OnChange();
  }

  QByteArray data_;
  bool empty_ = true;
  int frame_ = 0;
  int disposal_ = 0;
  QRect frameRect_;
  QSize screen_;
  QImage image_;
  PictureDecoder::TGifIndex index_;
  std::map<int, QImage> frames_;  // decoded frames by number
  qint64 cachedBytes_ = 0;
  int decodes_ = 0;
};

// Loads an image file into `picture`: PNG files through the project's PNG
// codec (transparency kept), all others through the platform loader.
void LoadPictureFile(TPlatformPicture& picture, const QString& fileName);

// The size a picture of `picture` takes in a `box`: its own size when it
// fits, else shrunk to fit keeping its proportions (rounded to nearest).
QSize FitSize(QSize picture, QSize box);
