// A picture that keeps its whole file in memory and lets the platform's
// picture loader decode it (JPEG, GIF, BMP, ICO). For GIF files one frame of
// the animation is selected; the frames are indexed once from the file's
// blocks and decoded frames are kept. Copies of a picture share its decoded
// frames and its memory budget.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <functional>
#include <map>
#include <memory>

#include "platform/Graphic.h"
#include "platform/PictureDecoder.h"

class TPngGraphic;

class TPlatformPicture : public TGraphic {
 public:
  const char* ClassName() const override { return "TPlatformPicture"; }

  // From another TPlatformPicture (its file and what is decoded of it are
  // shared, not decoded again); the base graphic class's refusal for
  // anything else.
  void Assign(const TGraphic& source) override;
  // Empties the picture.
  void Clear();
  // Takes a decoded bitmap as the picture (pictures of the project's own
  // codecs); transparency is kept. A bitmap beyond the picture's budget is
  // refused with the loader's memory text.
  void AssignBitmap(const QImage& bitmap);
  // A PNG file's bytes, decoded by the project's PNG codec within the
  // picture's budget. When the whole bitmap does not fit beside the decoded
  // rows, a smaller copy is kept; the picture still reports its own size.
  void LoadPng(const QByteArray& data);
  // The file `fileName` when it is a regular file (never waiting on a FIFO
  // or device); open failures raise EFOpenError.
  void LoadFromFile(const QString& fileName);

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
  bool IsGIF() const { return PictureDecoder::IsGif(store_->data); }
  // -1 when not a GIF; else the number of frames.
  int FrameCount() const;
  // The delay of frame `n` in hundredths of a second, -1 when not a GIF or
  // there is no such frame; keeps the frame's disposal method.
  int FrameDelay(int n);
  int Disposal() const { return disposal_; }
  // The selected frame's rectangle on the logical screen; empty when not a GIF.
  QRect FrameRect() const { return frameRect_; }
  // A frame restores the picture that was there before it (disposal 3).
  bool RestoresPrevious() const;
  // The decoded image of the selected frame (frame-sized); for a picture too
  // large for its budget, a smaller copy of it.
  const QImage& Image() const { return image_.image; }
  const QByteArray& Data() const { return store_->data; }
  // The memory account shared by this picture and its copies.
  const std::shared_ptr<PictureDecoder::TPictureBudget>& Budget() const { return store_->budget; }

  int LogPixelsX = 96;
  int LogPixelsY = 96;
  bool Stretch = false;
  std::function<void()> OnChange;
  std::function<void()> OnFrameChange;

  // Decodes done so far of this picture and its copies (for tests and
  // benchmarks).
  int DecodeCount() const { return store_->decodes; }

 private:
  // The file and what is decoded of it, shared by copies of the picture.
  struct TStore {
    QByteArray data;
    PictureDecoder::TGifIndex index;
    std::shared_ptr<PictureDecoder::TPictureBudget> budget = PictureDecoder::TPictureBudget::Create();
    std::map<int, PictureDecoder::TDecoded> frames;  // decoded frames by number
    qint64 cachedBytes = 0;
    int decodes = 0;
  };
  void NewStore(const QByteArray& data);
  void LoadPicture();
  void Changed() {
    if (OnChange) OnChange();
  }

  std::shared_ptr<TStore> store_ = std::make_shared<TStore>();
  bool empty_ = true;
  int frame_ = 0;
  int disposal_ = 0;
  QRect frameRect_;
  QSize screen_;
  QSize ownSize_;  // the picture's size when the image held is a smaller copy
  PictureDecoder::TDecoded image_;
};

// The bytes of a picture file when it is a regular file (never waiting on a
// FIFO or device); failures raise EFOpenError or EReadError.
QByteArray ReadPictureFile(const QString& fileName);

// Loads an image file into `picture`: PNG files through the project's PNG
// codec (transparency kept), all others through the platform loader. Only
// regular files are read. A file that could not be decoded is not decoded
// again while it stays unchanged: its failure is raised again at once.
void LoadPictureFile(TPlatformPicture& picture, const QString& fileName);

// Decodes the PNG file `data` into `png`. What the codec holds (its rows
// and alpha plane) is read from the file's header and charged to `budget`
// before anything is decoded: the loader's memory text when it does not fit.
// The charge returned lasts as long as the decoded rows are kept.
PictureDecoder::TCharge DecodePng(const QByteArray& data, TPngGraphic& png, PictureDecoder::TPictureBudget& budget);
// A decoded PNG picture as a bitmap of `size` (its own size or smaller),
// charged to `budget`. A picture whose 32-bit form is large is drawn from
// its decoded rows a band at a time (of about `bandBytes` of the result,
// with room for two charged besides it), never copied whole.
inline constexpr qint64 kPngBandBytes = qint64{4} << 20;
PictureDecoder::TDecoded PngBitmap(TPngGraphic& png, QSize size, PictureDecoder::TPictureBudget& budget,
                                   qint64 bandBytes = kPngBandBytes);

// The decoding failures of picture files, each kept for the file's path,
// size and time of last change.
namespace PictureFailures {
// The message of the failure kept for `fileName` as it is now; empty when none.
QString Known(const QString& fileName);
// Keeps `message` as the failure of `fileName` as it is now.
void Remember(const QString& fileName, const QString& message);
void Clear();
}  // namespace PictureFailures

// Runs `decode`, which decodes the picture file `fileName`, unless the file
// failed before as it is now (the failure is raised again without
// decoding); a failure of `decode` is kept. A decode that gave its memory
// way to another is run again once what it needs fits.
void DecodePictureFile(const QString& fileName, const std::function<void()>& decode);

// The size a picture of `picture` takes in a `box`: its own size when it
// fits, else shrunk to fit keeping its proportions (rounded to nearest, at
// least one pixel each way).
QSize FitSize(QSize picture, QSize box);
