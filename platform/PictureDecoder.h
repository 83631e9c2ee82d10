// The picture loader: decodes JPEG, GIF, BMP and ICO files held in memory
// and draws Windows metafiles (WMF), with a fixed limit on the memory one
// picture may take. PNG files go through the project's own codec and are
// refused here, as are enhanced metafiles (EMF).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Exceptions.h"

class QImageReader;

namespace PictureDecoder {

// Messages of the loader's failures.
inline constexpr const char* kNoMemoryText = "Could not allocate memory for image";
inline constexpr const char* kInvalidFormatText = "Could not load image. Invalid format";
inline constexpr const char* kNoImageText = "Could not load image";

// Decoded pixels above this many bytes are refused with kNoMemoryText.
inline constexpr qint64 kAllocationLimit = qint64{256} << 20;
// What one picture may take in all: its decoded frames, the canvas its
// frames are composed on (with the copy kept for a frame that restores the
// previous picture) and what is made to show it. It is also what all the
// pictures being decoded at once may take together.
inline constexpr qint64 kPictureBudget = qint64{256} << 20;

// Bytes held for a picture; given back when the last copy of it goes.
using TCharge = std::shared_ptr<const void>;

// A picture refused for the time being: the memory it needs is held by
// other pictures, or its decode was stopped because it is no longer wanted.
// It may well succeed later, so it is never kept as the file's failure.
class EPictureDeferred : public Exception {
 public:
  using Exception::Exception;
};

// A decode on a picture thread that already holds memory of the program's
// budget and asks for more than is left: it gives way at once, so that two
// decodes never wait for each other's memory. Holding nothing once it is
// raised, it may start again when `Needed()` bytes fit (WaitForRoom).
class EPictureGaveWay : public EPictureDeferred {
 public:
  EPictureGaveWay(const QString& message, qint64 needed) : EPictureDeferred(message), needed_(needed) {}
  // What the decode held and asked for together.
  qint64 Needed() const { return needed_; }

 private:
  qint64 needed_;
};

// How long a decode on a picture thread waits for memory that other
// pictures hold before it is deferred.
inline constexpr int kBudgetWaitMs = 10000;

// The memory account of one picture. Every large buffer of the picture is
// charged before it is made, so that a picture that would go past its limit
// is refused before the memory is taken. Every account draws on the one
// budget of the whole program as well (Program()): a decode on a picture
// thread waits there until the bytes fit (at most kBudgetWaitMs, and no
// longer than its decode is wanted); anywhere else (the window's thread) the
// bytes are taken at once, so that the window never waits on a worker. Only
// a decode that holds nothing of its picture's account waits; one that holds
// some gives way (EPictureGaveWay). Charges may be taken and given back from
// any thread.
class TPictureBudget : public std::enable_shared_from_this<TPictureBudget> {
 public:
  // The account of one picture, drawing on the program's budget.
  static std::shared_ptr<TPictureBudget> Create(qint64 limit = kPictureBudget);
  // The budget every picture of the program draws on.
  static TPictureBudget& Program();
  // Holds `bytes` until the returned charge goes. Bytes past this account's
  // limit raise Exception with kNoMemoryText (counted as a refusal); bytes
  // the program's budget cannot give in time raise EPictureDeferred.
  TCharge Charge(qint64 bytes);
  // The bytes fit this account's limit.
  bool Fits(qint64 bytes) const;
  qint64 Limit() const { return limit_; }
  qint64 Used() const;
  // The most ever held at once.
  qint64 Peak() const;
  int Refusals() const;
  // Decodes of the program now waiting for memory (tests and benchmarks).
  int Waiting() const;
  // Starts a new peak at what is held now (tests and benchmarks).
  void ResetPeak();
  // On a picture thread: waits until `bytes` fit beside what is held,
  // at most kBudgetWaitMs and no longer than the decode is wanted (else
  // EPictureDeferred). Anywhere else it returns at once.
  void WaitForRoom(qint64 bytes);

 private:
  TPictureBudget(qint64 limit, TPictureBudget* parent) : limit_(limit), parent_(parent) {}
  // Takes `bytes` from the program's budget for an account that holds
  // `held` bytes already: on a picture thread it waits while it holds
  // nothing, and gives way at once otherwise.
  void Take(qint64 bytes, qint64 held);
  // Waits, with `lock` held, until `bytes` fit; false when time ran out.
  bool WaitUntilFits(std::unique_lock<std::mutex>& lock, qint64 bytes);
  void Give(qint64 bytes);
  const qint64 limit_;
  TPictureBudget* const parent_;
  mutable std::mutex mutex_;
  std::condition_variable freed_;
  qint64 used_ = 0;
  qint64 peak_ = 0;
  int refusals_ = 0;
  int waiting_ = 0;
};

// What tells a decode that it is no longer wanted; set from any thread, it
// stops the decode at its next unit of work.
using TStopFlag = std::atomic<bool>;

// While it lives, the decodes of this thread run on a picture thread and
// stop by `flag`: they may wait for memory, and stop when it is set.
class TDecodeScope {
 public:
  explicit TDecodeScope(const TStopFlag* flag);
  ~TDecodeScope();
  TDecodeScope(const TDecodeScope&) = delete;
  TDecodeScope& operator=(const TDecodeScope&) = delete;

 private:
  const TStopFlag* outer_;
  bool outerInside_;
};
// The stop flag of the decode on this thread; null outside a decode scope.
const TStopFlag* CurrentStop();
// The decode on this thread is no longer wanted.
bool Stopped();
// Raises EPictureDeferred when the decode on this thread is no longer wanted.
void StopPoint();

// A decoded picture with the charge for its pixels.
struct TDecoded {
  QImage image;
  TCharge charge;
};

// One image of a GIF file, found by walking the file's blocks.
struct TGifFrame {
  qsizetype controlStart = -1;    // offset of the graphic control extension ("!"), -1 without one
  qsizetype descriptorStart = 0;  // offset of the image descriptor (",")
  qsizetype end = 0;              // offset just after the image's data blocks
  int delay = 0;                  // hundredths of a second
  int disposal = 0;               // 0 none, 1 leave, 2 background, 3 previous
  bool transparent = false;
  QRect rect;  // left, top, width, height on the logical screen
};

struct TGifIndex {
  bool isGif = false;
  QSize screen;                   // the logical screen
  qsizetype headerEnd = 0;        // offset after the header and global colour table
  std::vector<TGifFrame> images;  // every complete image descriptor, in file order
  // Frames in the animation sense: the images that follow a graphic control
  // extension, counted from 1.
  std::vector<int> frames;  // indices into `images`
  bool truncated = false;
};

// True for data longer than 4 bytes that begins with "GIF8".
bool IsGif(const QByteArray& data);

// Walks the blocks of a GIF file; stops quietly at the first damaged or
// missing block (`truncated` is then set).
TGifIndex IndexGif(const QByteArray& data);

// A GIF file of one image: the header with a logical screen the size of the
// image, the image's control extension and the image placed at (0, 0).
QByteArray SingleImageGif(const QByteArray& data, const TGifIndex& index, const TGifFrame& image);

// Decoding may run on any thread; a decode stopped while it runs raises
// EPictureDeferred. Qt's image reader has one allocation limit
// for the whole process: reads that ask for the limit in place run at once;
// another limit is set only while the one read that needs it holds it, and
// put back afterwards.
//
// Reads `reader` into `image` with Qt's allocation limit set to `megabytes`
// (at least 1) for the read alone; every reader of the program that needs a
// limit of its own reads through here.
bool ReadWithLimit(QImageReader& reader, QImage* image, qint64 megabytes);
//
// Decodes a JPEG, GIF (its first image), BMP or ICO file, or draws a WMF.
// `scaledTo`, when valid and smaller than the picture, asks for the picture
// scaled to that size (a WMF is drawn at any size asked for). Failures raise
// Exception with one of the texts above.
QImage Decode(const QByteArray& data, QSize scaledTo = QSize(), qint64 limit = kAllocationLimit);
// The same within `budget`: the picture as the codec decodes it (the whole
// picture, unless the codec scales while decoding) and the scaled copy are
// charged before the file is read.
TDecoded Decode(const QByteArray& data, TPictureBudget& budget, QSize scaledTo = QSize());

// `image` made smaller to `size` with smooth scaling, a band of rows at a
// time, so that no full-size copy of the picture is ever made.
QImage ScaleDown(const QImage& image, QSize size);

// Pictures handed to a codec so far in this process (tests and benchmarks).
int DecodeCount();

// The size of the picture without decoding it; invalid when unknown.
QSize PeekSize(const QByteArray& data);

}  // namespace PictureDecoder
