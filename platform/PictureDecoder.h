// The picture loader: decodes JPEG, GIF, BMP and ICO files held in memory,
// with a fixed limit on the memory one picture may take. PNG files go through
// the project's own codec and are refused here, as are the Windows metafile
// formats, which this platform cannot draw.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <vector>

namespace PictureDecoder {

// Messages of the loader's failures.
inline constexpr const char* kNoMemoryText = "Could not allocate memory for image";
inline constexpr const char* kInvalidFormatText = "Could not load image. Invalid format";
inline constexpr const char* kNoImageText = "Could not load image";

// Decoded pixels above this many bytes are refused with kNoMemoryText.
inline constexpr qint64 kAllocationLimit = qint64{256} << 20;

// One image of a GIF file, found by walking the file's blocks.
struct TGifFrame {
  qsizetype controlStart = -1;  // offset of the graphic control extension ("!"), -1 without one
  qsizetype descriptorStart = 0;  // offset of the image descriptor (",")
  qsizetype end = 0;             // offset just after the image's data blocks
  int delay = 0;                 // hundredths of a second
  int disposal = 0;              // 0 none, 1 leave, 2 background, 3 previous
  bool transparent = false;
  QRect rect;                    // left, top, width, height on the logical screen
};

struct TGifIndex {
  bool isGif = false;
  QSize screen;                 // the logical screen
  qsizetype headerEnd = 0;      // offset after the header and global colour table
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

// Decodes a JPEG, GIF (its first image), BMP or ICO file. `scaledTo`, when
// valid, asks for the picture scaled to that size. Failures raise Exception
// with one of the texts above.
QImage Decode(const QByteArray& data, QSize scaledTo = QSize(), qint64 limit = kAllocationLimit);

// The size of the picture without decoding it; invalid when unknown.
QSize PeekSize(const QByteArray& data);

}  // namespace PictureDecoder
