// Windows metafiles (WMF), placeable or plain, drawn onto a bitmap.
//
// A placeable metafile names its bounding box and the metafile units per
// inch; a plain one takes its size from the window it sets (the first
// SETWINDOWORG and SETWINDOWEXT records) or, without one, from the extent of
// what it draws, one unit to the pixel. The records are played the way a
// program plays a metafile into a rectangle: the frame is mapped onto the
// bitmap, and the records' own window, viewport and map mode apply inside it.
//
// Metafiles are treated as hostile input: record sizes must fit the file,
// and the numbers of records, objects, saved states and characters, the
// coordinates, the bitmap's size and the work of drawing are all bounded.
// The bitmap and every device-independent bitmap a record carries are
// charged to the picture's budget before they are made.
#pragma once

#include <QByteArray>
#include <QSize>
#include <atomic>

#include "platform/PictureDecoder.h"

namespace WmfPicture {

// The longest side of a drawn metafile, in pixels; larger pictures are drawn
// smaller, keeping their proportions.
inline constexpr int kMaxSide = 4096;
// Records played at most; the rest of a longer file is passed over.
inline constexpr int kMaxRecords = 1 << 20;
// Slots of the object table at most (the indices the records can name).
inline constexpr int kMaxObjects = 65535;
// States kept by SAVEDC at most.
inline constexpr int kMaxSavedStates = 1024;
// Characters of one text record at most.
inline constexpr int kMaxTextLength = 4096;
// The drawing work one picture may take (about a second of drawing), in
// pixels of a plain fill: other drawings count as many as take the same
// time. What comes after it is left out.
inline constexpr qint64 kMaxWork = qint64{1} << 31;

// What drawing one metafile took: the work of what was drawn (at most
// kMaxWork), and whether the drawing was cut off at the limit. `stop`, when
// the caller sets it, ends the drawing at the next work charged once it
// turns true.
struct TWork {
  qint64 work = 0;
  bool cutOff = false;
  const std::atomic<bool>* stop = nullptr;
};

// True for data that begins with a placeable metafile's key or with a plain
// metafile header.
bool IsWmf(const QByteArray& data);

// The size the metafile is drawn at, in pixels at 96 dots per inch, at most
// kMaxSide on its longer side; invalid when the data is not a metafile or
// gives no size.
QSize Size(const QByteArray& data);

// Draws the metafile onto a transparent bitmap of its own size, or of
// `scaledTo` when that is valid (at most kMaxSide on the longer side either
// way). The bitmap is charged to `budget` before it is made. A file cut
// short draws what it holds. Failures raise Exception with the picture
// loader's texts: kInvalidFormatText for what is not a metafile,
// kNoImageText for a metafile without a size, kNoMemoryText when the bitmap
// does not fit the budget. `work`, when given, receives the work it took.
PictureDecoder::TDecoded Render(const QByteArray& data, PictureDecoder::TPictureBudget& budget,
                                QSize scaledTo = QSize(), TWork* work = nullptr);

}  // namespace WmfPicture
