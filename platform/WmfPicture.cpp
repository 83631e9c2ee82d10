#include "platform/WmfPicture.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>
#include <algorithm>
#include <climits>
#include <cmath>
#include <deque>
#include <numbers>
#include <optional>
#include <queue>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/PictureDecoder.h"

namespace WmfPicture {
namespace {

using PictureDecoder::TCharge;
using PictureDecoder::TDecoded;
using PictureDecoder::TPictureBudget;

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr qsizetype kPlaceableSize = 22;
constexpr qsizetype kHeaderSize = 18;
constexpr qsizetype kRecordHeader = 6;
// Work counted for a text record and for each of its characters.
constexpr qint64 kTextWork = 1 << 14;
constexpr qint64 kCharacterWork = 1 << 12;
// Work counted for each font made for drawing text (matching a face and
// setting up its glyphs takes most of a millisecond), and the fonts kept
// made for the text after them.
constexpr qint64 kFontWork = 1 << 21;
constexpr std::size_t kFontsKept = 16;
// Work counted for each edge of an outline, for each pixel along a thin
// line, and for the crossings of an outline with the rows of the canvas:
// the rasterizer's time on a row grows with the square of the crossings
// there (its sorting), many times faster when it smooths the edges, where
// even the crossings beyond the two of a plain shape cost dearly.
constexpr qint64 kEdgeWork = 64;
constexpr qint64 kThinLineWork = 32;
constexpr double kRowWork = 4;
constexpr double kSmoothRowWork = 4096;
// Smoothing goes over every pixel of an outline's bounds, at several times
// the cost of filling it.
constexpr double kSmoothAreaWork = 4;
// Outlines whose smoothing would cost more than this are drawn with hard
// edges.
constexpr double kMaxSmoothWork = double(kMaxWork) / 32;
// Work counted for every drawing, whatever its size: setting up the pen,
// the brush and the outline takes a few microseconds.
constexpr double kDrawWork = 8192;
// Dashed thin lines: the work of a solid one, this many times, and more
// for setting up the dashes.
constexpr double kDashFactor = 2;
constexpr double kDashWork = 4096;
// Work counted for each pixel of a block filled with one colour and of a
// fill with a hatched or bitmap brush; for each pixel a bitmap covers, at
// its own size and scaled (each pixel fetched through the transformation);
// and for each pixel of the bitmap a smaller drawing smooths over.
constexpr double kBlockPixelWork = 2;
constexpr double kPatternPixelWork = 6;
constexpr double kBitmapPixelWork = 4;
constexpr double kScaledBitmapPixelWork = 16;
constexpr double kSmoothedBitmapPixelWork = 8;
// Work counted for each bitmap decoded from a record, and for each of its
// pixels.
constexpr double kDecodeWork = 4096;
constexpr double kDecodePixelWork = 24;
// Fills through a brush pattern or a bitmap over more than a few dozen rows
// are shared out among threads: each costs a wait of tens of microseconds
// on a busy machine.
constexpr double kSharedFillRows = 64;
constexpr double kSharedFillWork = 1 << 18;
// A clipping region of many pieces costs by its pieces on every row: a
// little for each drawing, many times that for one through a brush pattern
// or a bitmap, and more again for the first drawing after it changes, when
// it is laid out anew.
constexpr double kClipRowWork = 2;
constexpr double kTexturedClipRowWork = 32;
constexpr double kClipSetupWork = 3;

// Record functions.
enum : quint16 {
  kEof = 0x0000,
  kSaveDc = 0x001E,
  kCreatePalette = 0x00F7,
  kSetBkMode = 0x0102,
  kSetMapMode = 0x0103,
  kSetRop2 = 0x0104,
  kSetPolyFillMode = 0x0106,
  kSetTextCharExtra = 0x0108,
  kRestoreDc = 0x0127,
  kSelectClipRegion = 0x012C,
  kSelectObject = 0x012D,
  kSetTextAlign = 0x012E,
  kDibCreatePatternBrush = 0x0142,
  kDeleteObject = 0x01F0,
  kCreatePatternBrush = 0x01F9,
  kSetBkColor = 0x0201,
  kSetTextColor = 0x0209,
  kSetTextJustification = 0x020A,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kSetViewportOrg = 0x020D,
  kSetViewportExt = 0x020E,
  kOffsetWindowOrg = 0x020F,
  kOffsetViewportOrg = 0x0211,
  kLineTo = 0x0213,
  kMoveTo = 0x0214,
  kOffsetClipRgn = 0x0220,
  kCreatePenIndirect = 0x02FA,
  kCreateFontIndirect = 0x02FB,
  kCreateBrushIndirect = 0x02FC,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kScaleWindowExt = 0x0410,
  kScaleViewportExt = 0x0412,
  kExcludeClipRect = 0x0415,
  kIntersectClipRect = 0x0416,
  kEllipse = 0x0418,
  kRectangle = 0x041B,
  kSetPixel = 0x041F,
  kTextOut = 0x0521,
  kPolyPolygon = 0x0538,
  kRoundRect = 0x061C,
  kPatBlt = 0x061D,
  kEscape = 0x0626,
  kCreateRegion = 0x06FF,
  kArc = 0x0817,
  kPie = 0x081A,
  kChord = 0x0830,
  kDibBitBlt = 0x0940,
  kExtTextOut = 0x0A32,
  kDibStretchBlt = 0x0B41,
  kStretchDib = 0x0F43,
};

// Map modes.
constexpr int kMmText = 1, kMmLoMetric = 2, kMmTwips = 6, kMmIsotropic = 7, kMmAnisotropic = 8;

// Mixing modes of pens (SETROP2).
enum {
  kR2Black = 1,
  kR2NotCopyPen = 4,
  kR2Not = 6,
  kR2XorPen = 7,
  kR2MaskPen = 9,
  kR2Nop = 11,
  kR2CopyPen = 13,
  kR2MergePen = 15,
  kR2White = 16
};

// Raster operations of the block transfers.
enum : quint32 {
  kBlackness = 0x00000042,
  kNotSrcCopy = 0x00330008,
  kDstInvert = 0x00550009,
  kPatInvert = 0x005A0049,
  kSrcInvert = 0x00660046,
  kSrcAnd = 0x008800C6,
  kSrcPaint = 0x00EE0086,
  kPatCopy = 0x00F00021,
  kWhiteness = 0x00FF0062,
};

enum { kPsNull = 5 };
enum { kBsSolid = 0, kBsNull = 1, kBsHatched = 2 };
enum { kTransparent = 1, kOpaque = 2 };
enum { kTaUpdateCp = 1, kTaRight = 2, kTaCenter = 6, kTaBottom = 8, kTaBaseline = 24 };
enum { kEtoOpaque = 2, kEtoClipped = 4 };
enum { kAlternate = 1 };

// Little-endian numbers of a byte range; reads outside it give 0.
class TBytes {
 public:
  TBytes(const uchar* p, qsizetype n) : p_(p), n_(n) {}
  explicit TBytes(const QByteArray& d) : TBytes(reinterpret_cast<const uchar*>(d.constData()), d.size()) {}
  qsizetype Size() const { return n_; }
  const uchar* Data() const { return p_; }
  int U8(qsizetype i) const { return i >= 0 && i < n_ ? p_[i] : 0; }
  int U16(qsizetype i) const { return U8(i) | (U8(i + 1) << 8); }
  int S16(qsizetype i) const { return static_cast<qint16>(static_cast<quint16>(U16(i))); }
  quint32 U32(qsizetype i) const { return quint32(U16(i)) | (quint32(U16(i + 2)) << 16); }
  qint32 S32(qsizetype i) const { return static_cast<qint32>(U32(i)); }
  // The bytes from `i`, at most `length` of them, cut at the end.
  TBytes Mid(qsizetype i, qsizetype length) const {
    if (i < 0 || i >= n_ || length <= 0) return {p_, 0};
    return {p_ + i, std::min(length, n_ - i)};
  }

 private:
  const uchar* p_;
  qsizetype n_;
};

// A record's parameters, counted in 16-bit words.
struct TRecord {
  TBytes params;
  int Words() const { return static_cast<int>(std::min<qsizetype>(params.Size() / 2, INT_MAX)); }
  int S(int i) const { return params.S16(qsizetype{2} * i); }
  int U(int i) const { return params.U16(qsizetype{2} * i); }
  quint32 U32(int i) const { return params.U32(qsizetype{2} * i); }
};

struct THeader {
  bool placeable = false;
  QRectF bounds;  // the placeable bounding box, normalised
  int inch = 0;   // metafile units per inch of a placeable file
  int objects = 0;
  qsizetype start = 0;  // offset of the first record
};

std::optional<THeader> ReadHeader(const TBytes& b, bool strictVersion) {
  THeader h;
  qsizetype at = 0;
  if (b.Size() >= 4 && b.U32(0) == kPlaceableKey) {
    if (b.Size() < kPlaceableSize) return std::nullopt;
    h.placeable = true;
    h.bounds = QRectF(QPointF(b.S16(6), b.S16(8)), QPointF(b.S16(10), b.S16(12))).normalized();
    h.inch = b.U16(14);
    at = kPlaceableSize;
  }
  if (b.Size() < at + kHeaderSize) return std::nullopt;
  const int type = b.U16(at), size = b.U16(at + 2), version = b.U16(at + 4);
  if ((type != 1 && type != 2) || size != 9) return std::nullopt;
  if ((strictVersion || !h.placeable) && version != 0x0100 && version != 0x0300) return std::nullopt;
  h.objects = b.U16(at + 10);
  h.start = at + kHeaderSize;
  return h;
}

// Calls `f(function, record)` for each record from `start`, until the end
// record, a record whose size does not fit the file, or kMaxRecords; stops
// early when `f` returns false.
template <typename F>
void ForEachRecord(const TBytes& b, qsizetype start, F&& f) {
  qsizetype at = start;
  for (int count = 0; count < kMaxRecords && at + kRecordHeader <= b.Size(); ++count) {
    const qint64 words = b.U32(at);
    const int function = b.U16(at + 4);
    if (words < 3 || words > (b.Size() - at) / 2) return;
    if (function == kEof) return;
    if (!f(function, TRecord{b.Mid(at + kRecordHeader, words * 2 - kRecordHeader)})) return;
    at += words * 2;
  }
}

QRgb ColorRef(quint32 c) {
  if ((c >> 24) == 1) return qRgb(0, 0, 0);  // a palette index: no palette is kept
  return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

double Clamp(double v, double limit) {
  if (!(v > -limit)) return -limit;  // NaN too
  return v < limit ? v : limit;
}

// A device-independent bitmap (a BITMAPINFO and its bits) decoded through a
// bitmap file made around it in memory; null when it is damaged, not
// within `maxSide`, or does not fit the budget, or when `spend` refuses
// the work of decoding it. The pixels stay charged while `charge` is held.
// Bitmaps of a colour table come out as plain colour bitmaps, which draw
// several times faster.
template <typename Spend>
QImage DecodeDib(const TBytes& dib, TPictureBudget& budget, int maxSide, TCharge* charge, Spend&& spend) {
  if (dib.Size() < 12) return {};
  const quint32 headerSize = dib.U32(0);
  qint64 width = 0, height = 0, colors = 0, entry = 4, extra = 0;
  int bits = 0;
  if (headerSize == 12) {
    width = dib.U16(4);
    height = dib.U16(6);
    bits = dib.U16(10);
    colors = bits <= 8 ? qint64{1} << bits : 0;
    entry = 3;
  } else if (headerSize >= 40 && headerSize <= 124 && headerSize <= dib.Size()) {
    width = dib.S32(4);
    height = std::abs(qint64{dib.S32(8)});
    bits = dib.U16(14);
    const quint32 compression = dib.U32(16);
    if (compression > 3) return {};  // JPEG and PNG bitmaps are not drawn
    const quint32 used = dib.U32(32);
    colors = used ? qint64{used} : (bits <= 8 ? qint64{1} << bits : 0);
    if (compression == 3 && headerSize == 40) extra = 12;
  } else {
    return {};
  }
  if (width < 1 || height < 1 || width > maxSide || height > maxSide || colors > 256) return {};
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return {};
  const qint64 offset = 14 + headerSize + extra + colors * entry;
  if (offset - 14 > dib.Size()) return {};
  // Decoding takes time by the pixels, however few bytes describe them.
  if (!spend(kDecodeWork + double(width) * double(height) * kDecodePixelWork)) return {};
  const qint64 bytes = width * height * 4;
  if (!budget.Fits(2 * bytes)) return {};  // the decoded bitmap and its converted copy
  TCharge held = budget.Charge(2 * bytes);
  QByteArray file;
  file.reserve(14 + dib.Size());
  file += "BM";
  const auto put32 = [&file](qint64 v) {
    for (int i = 0; i < 4; ++i) file += char((v >> (8 * i)) & 0xFF);
  };
  put32(14 + dib.Size());
  put32(0);
  put32(offset);
  file.append(reinterpret_cast<const char*>(dib.Data()), dib.Size());
  QBuffer buffer(&file);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "bmp");
  QImage image;
  if (!PictureDecoder::ReadWithLimit(reader, &image, (bytes >> 20) + 1) || image.isNull()) return {};
  if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB ||
      image.format() == QImage::Format_Indexed8)
    image = image.convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return {};
  *charge = std::move(held);
  return image;
}

struct TPen {
  int style = 0;
  int width = 0;
  QRgb color = qRgb(0, 0, 0);
};

struct TBrush {
  int style = kBsSolid;
  QRgb color = qRgb(255, 255, 255);
  int hatch = 0;
  QImage pattern;
  TCharge charge;  // of the pattern, held by every copy of the brush
};

struct TFont {
  int height = 0;
  int escapement = 0;
  int weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int charset = 0;
  QString face;
  bool operator==(const TFont&) const = default;
};

// What a font made for drawing is made from.
struct TFontKey {
  TFont font;
  double scale = 0;
  double naturalScale = 0;
  bool operator==(const TFontKey&) const = default;
};

struct TMadeFont {
  TFontKey key;
  QFont font;
  QFontMetricsF metrics;
};

enum class TKind : quint8 { Free, Pen, Brush, Font, Placeholder };

struct TObject {
  TKind kind = TKind::Free;
  TPen pen;
  TBrush brush;
  TFont font;
};

// The drawing state that SAVEDC keeps.
struct TDc {
  int mapMode = kMmAnisotropic;
  QPointF windowOrg, windowExt{1, 1}, viewportOrg, viewportExt{1, 1};
  TPen pen;
  TBrush brush;
  TFont font;
  QRgb textColor = qRgb(0, 0, 0);
  QRgb bkColor = qRgb(255, 255, 255);
  int bkMode = kOpaque;
  int textAlign = 0;
  int charExtra = 0;      // logical units after each character of text
  double breakExtra = 0;  // device pixels after each blank of text
  int polyFill = kAlternate;
  int rop2 = kR2CopyPen;
  QPointF position;  // logical
  bool clipped = false;
  QRegion clip;  // device pixels, when clipped
};

// How the pixels of a drawing are made: the work of each pixel it covers,
// and whether they are fetched through a brush pattern or a bitmap.
struct TPixels {
  double work = 1;
  bool textured = false;
};

// Plays the records. Without a painter it only measures the extent of what
// the records draw.
class TPlayer {
 public:
  TPlayer(const TBytes& bytes, const THeader& header, TPictureBudget& budget, QPainter* painter, QSize canvas)
      : bytes_(bytes), header_(header), budget_(budget), painter_(painter), canvas_(canvas) {
    limit_ = painter ? double(1 << 16) : double(1 << 20);
    longSide_ = std::max(canvas.width(), canvas.height());
    const int table = std::max(1, header.objects);
    tableCharge_ = budget_.Charge(qint64(table) * qint64(sizeof(TObject)));
    objects_.resize(static_cast<std::size_t>(table));
    for (int i = 0; i < table; ++i) free_.push(i);
    fontsUsable_ = painter && qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  }

  // Sets the frame: the rectangle of reference units (`unitsPerInch` to the
  // inch) drawn onto the canvas.
  void SetFrame(const QRectF& frame, double unitsPerInch) {
    unitsPerInch_ = unitsPerInch;
    base_ = QTransform::fromScale(canvas_.width() / frame.width(), canvas_.height() / frame.height());
    base_.translate(-frame.x(), -frame.y());
    dc_.windowOrg = dc_.viewportOrg = frame.topLeft();
    dc_.windowExt = dc_.viewportExt = QPointF(frame.width(), frame.height());
  }
  // Measuring: logical units are reference units.
  void SetMeasuring() {
    dc_.mapMode = kMmText;
    unitsPerInch_ = 96;
  }
  void SetNaturalScale(double s) { naturalScale_ = s; }

  void Play() {
    ForEachRecord(bytes_, header_.start, [this](int function, const TRecord& r) {
      Record(function, r);
      return Charge(0);
    });
  }

  TWork Work() const { return {std::min(work_, kMaxWork), work_ >= kMaxWork, stop}; }
  const std::atomic<bool>* stop = nullptr;  // the caller's: drawing ends when it turns true

  // The extent drawn, in reference units; none when nothing was drawn.
  std::optional<QRectF> Extent() const {
    if (!drawn_) return std::nullopt;
    return QRectF(QPointF(minX_, minY_), QPointF(maxX_, maxY_));
  }

 private:
  // ---------------------------------------------------------------- mapping

  // The scale of logical to reference units.
  QPointF LogicalScale() const {
    switch (dc_.mapMode) {
      case kMmText:
        return {1, 1};
      case kMmIsotropic:
      case kMmAnisotropic: {
        double sx = dc_.viewportExt.x() / NonZero(dc_.windowExt.x());
        double sy = dc_.viewportExt.y() / NonZero(dc_.windowExt.y());
        if (dc_.mapMode == kMmIsotropic) {
          const double m = std::min(std::abs(sx), std::abs(sy));
          sx = std::copysign(m, sx);
          sy = std::copysign(m, sy);
        }
        return {sx, sy};
      }
      default: {
        static const double perInch[] = {254, 2540, 100, 1000, 1440};
        const double f = unitsPerInch_ / perInch[std::clamp(dc_.mapMode, kMmLoMetric, kMmTwips) - kMmLoMetric];
        return {f, -f};
      }
    }
  }
  static double NonZero(double v) { return v == 0 ? 1 : v; }

  QPointF Device(QPointF logical) const {
    const QPointF s = LogicalScale();
    const QPointF ref((logical.x() - dc_.windowOrg.x()) * s.x() + dc_.viewportOrg.x(),
                      (logical.y() - dc_.windowOrg.y()) * s.y() + dc_.viewportOrg.y());
    const QPointF p = base_.map(ref);
    return {Clamp(p.x(), limit_), Clamp(p.y(), limit_)};
  }
  QPointF Device(int x, int y) const { return Device(QPointF(x, y)); }
  // Device pixels per logical unit, along x and y.
  QPointF DeviceScale() const {
    const QPointF s = LogicalScale();
    return {std::abs(s.x() * base_.m11()), std::abs(s.y() * base_.m22())};
  }
  QRectF DeviceRect(int left, int top, int right, int bottom) const {
    return QRectF(Device(left, top), Device(right, bottom)).normalized();
  }

  static QPointF ClampExt(QPointF p) {
    constexpr double kLimit = 2147483647.0;
    return {Clamp(p.x(), kLimit), Clamp(p.y(), kLimit)};
  }

  // ------------------------------------------------------------- accounting

  void Mark(QPointF p) {
    if (!drawn_) {
      minX_ = maxX_ = p.x();
      minY_ = maxY_ = p.y();
      drawn_ = true;
      return;
    }
    minX_ = std::min(minX_, p.x());
    maxX_ = std::max(maxX_, p.x());
    minY_ = std::min(minY_, p.y());
    maxY_ = std::max(maxY_, p.y());
  }
  void Mark(const QRectF& r) {
    Mark(r.topLeft());
    Mark(r.bottomRight());
  }
  // Counts `work` towards the picture's share; false once it has had it,
  // or once the caller no longer wants the picture. Every piece of work is
  // counted here.
  bool Charge(double work) {
    work_ += static_cast<qint64>(std::clamp(work, 0.0, double(kMaxWork)));
    return work_ < kMaxWork && !(stop && *stop);
  }

  // Counts the work of drawing over `bounds`, its pixels made as `pixels`
  // says, and `extra`; false when the picture has had its share.
  bool Spend(const QRectF& bounds, double extra = 0, TPixels pixels = {}) {
    const QRectF seen = bounds.intersected(QRectF(0, 0, canvas_.width(), canvas_.height()));
    double work =
        kDrawWork + std::min(seen.width() * seen.height() * pixels.work + bounds.width() + bounds.height() + extra,
                             double(kMaxWork));
    if (pixels.textured && seen.height() > kSharedFillRows) work += kSharedFillWork;
    if (dc_.clipped && dc_.clip.rectCount() > 1) {
      const double pieceRows = double(dc_.clip.rectCount()) * canvas_.height();
      work += pieceRows * (pixels.textured ? kTexturedClipRowWork : kClipRowWork);
      if (clipChanged_) work += kClipSetupWork * pieceRows;
    }
    clipChanged_ = false;
    return Charge(work);
  }

  // How an outline is rasterized: its work, and whether its edges are
  // smoothed.
  struct TRaster {
    double work = 0;
    bool smooth = true;
  };

  // The crossings of outlines with the canvas's rows (those of `bounds`),
  // gathered edge by edge: an edge crosses the rows whose middles lie from
  // its top to its bottom.
  class TCrossings {
   public:
    TCrossings(const QRectF& bounds, int rows) {
      const double top = std::floor(bounds.top()), bottom = std::ceil(bounds.bottom()) + 1;
      top_ = top > 0 ? std::min(top, double(rows)) : 0.0;  // 0 for what is not a number
      const double end = bottom < rows ? std::max(bottom, top_) : double(rows);
      change_.assign(std::size_t(end - top_) + 1, 0);
    }
    void Add(QPointF a, QPointF b) {
      ++edges_;
      double y0 = a.y() - top_, y1 = b.y() - top_;
      if (y0 > y1) std::swap(y0, y1);
      const double rows = double(change_.size()) - 1;
      const double first = std::max(0.0, std::ceil(y0 - 0.5)), end = std::min(rows, std::ceil(y1 - 0.5));
      if (!(first < end)) return;  // between two middles, off the canvas, or not a number
      ++change_[std::size_t(first)];
      --change_[std::size_t(end)];
    }
    // The work of filling what was gathered, with hard or smoothed edges,
    // over `area` pixels; smoothed when that is affordable.
    TRaster Raster(double area) const {
      double squares = 0, beyond = 0;
      qint64 crossings = 0;
      for (std::size_t row = 0; row + 1 < change_.size(); ++row) {
        crossings += change_[row];
        const double c = double(crossings);
        squares += c * c;
        beyond += c * std::max(0.0, c - 2);
      }
      const double fixed = double(kEdgeWork) * double(edges_);
      if (beyond * kSmoothRowWork <= kMaxSmoothWork)
        return {fixed + area * kSmoothAreaWork + beyond * kSmoothRowWork, true};
      return {fixed + area + squares * kRowWork, false};
    }

   private:
    double top_ = 0;
    std::vector<qint64> change_;
    qint64 edges_ = 0;
  };

  // The sub-paths of `path` as lists of points, curves by their control
  // points (which hold a curve and cross each row at least as often).
  static std::vector<QPolygonF> Outlines(const QPainterPath& path) {
    std::vector<QPolygonF> out;
    for (int i = 0; i < path.elementCount(); ++i) {
      const QPainterPath::Element e = path.elementAt(i);
      if (e.isMoveTo() || out.empty()) out.emplace_back();
      out.back() << QPointF(e.x, e.y);
    }
    return out;
  }

  double Seen(const QRectF& r) const {
    const QRectF seen = r.intersected(QRectF(0, 0, canvas_.width(), canvas_.height()));
    return seen.width() * seen.height();
  }

  // The work of filling `path`: its edges, each sub-path closed.
  TRaster FillRaster(const QPainterPath& path, const QRectF& bounds) const {
    TCrossings rows(bounds, canvas_.height());
    for (const QPolygonF& points : Outlines(path))
      for (qsizetype i = 0; i < points.size(); ++i) rows.Add(points[i], points[(i + 1) % points.size()]);
    return rows.Raster(Seen(bounds));
  }

  // The work of outlining `path` with `pen`. A thin pen costs by the length
  // of its lines, more when dashed. A wide one is filled as an outline:
  // every segment moved out by half the pen to both sides, joined around
  // each point and capped at the ends, where a pen far wider than its
  // segments makes edges across the canvas.
  TRaster StrokeRaster(const QPainterPath& path, const QPen& pen, const QRectF& bounds) const {
    const std::vector<QPolygonF> outlines = Outlines(path);
    const double width = pen.widthF();
    if (width <= 1) {
      double work = 0;
      for (const QPolygonF& points : outlines)
        for (qsizetype i = 1; i < points.size(); ++i) {
          const QPointF d = points[i] - points[i - 1];
          work += double(kEdgeWork) + double(kThinLineWork) * (std::min(std::abs(d.x()), 2.0 * canvas_.width()) +
                                                                std::min(std::abs(d.y()), 2.0 * canvas_.height()));
        }
      if (pen.style() != Qt::SolidLine) work = work * kDashFactor + kDashWork;
      return {work + Seen(bounds), true};
    }
    const double half = width / 2;
    const double reach = pen.joinStyle() == Qt::MiterJoin ? 2 * half : half;  // of a join beyond its point
    const QRectF grown = bounds.adjusted(-reach, -reach, reach, reach);
    TCrossings rows(grown, canvas_.height());
    // Around `p` from the side `from` to the side `to` (unit vectors),
    // through `middle`.
    const auto around = [&rows](QPointF p, QPointF from, QPointF middle, QPointF to, double r) {
      rows.Add(p + from * r, p + middle * r);
      rows.Add(p + middle * r, p + to * r);
    };
    for (const QPolygonF& points : outlines) {
      QPointF before;  // the direction of the segment before, once there is one
      QPointF last;    // the point it ends at
      for (qsizetype i = 1; i < points.size(); ++i) {
        const QPointF a = points[i - 1], b = points[i], d = b - a;
        const double length = std::hypot(d.x(), d.y());
        if (!(length > 0)) continue;
        const QPointF u = d / length, n(-u.y(), u.x());
        rows.Add(a + n * half, b + n * half);
        rows.Add(a - n * half, b - n * half);
        if (before.isNull()) {
          around(a, n, -u, -n, half);  // the start's cap
        } else {
          const QPointF m = n + QPointF(-before.y(), before.x());
          const QPointF middle = m.isNull() ? before : m / std::hypot(m.x(), m.y());
          around(a, QPointF(-before.y(), before.x()), middle, n, reach);
          around(a, QPointF(before.y(), -before.x()), -middle, -n, reach);
        }
        before = u;
        last = b;
      }
      if (before.isNull()) {
        if (!points.isEmpty()) {  // a dot
          around(points[0], QPointF(1, 0), QPointF(0, 1), QPointF(-1, 0), half);
          around(points[0], QPointF(1, 0), QPointF(0, -1), QPointF(-1, 0), half);
        }
      } else {
        around(last, QPointF(before.y(), -before.x()), before, QPointF(-before.y(), before.x()), half);  // the end's cap
      }
    }
    return rows.Raster(Seen(grown));
  }

  // ---------------------------------------------------------------- drawing

  QColor PenColor(QRgb c) const {
    switch (dc_.rop2) {
      case kR2Black:
        return Qt::black;
      case kR2White:
        return Qt::white;
      case kR2NotCopyPen:
        return QColor(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
      default:
        return QColor(c);
    }
  }
  QPainter::CompositionMode Mode() const {
    switch (dc_.rop2) {
      case kR2XorPen:
        return QPainter::RasterOp_SourceXorDestination;
      case kR2Not:
        return QPainter::RasterOp_NotDestination;
      case kR2MaskPen:
        return QPainter::RasterOp_SourceAndDestination;
      case kR2MergePen:
        return QPainter::RasterOp_SourceOrDestination;
      default:
        return QPainter::CompositionMode_SourceOver;
    }
  }
  QPen MakePen(const QRectF& bounds) const {
    const TPen& p = dc_.pen;
    const int style = p.style & 0xF;
    if (style == kPsNull) return Qt::NoPen;
    double width = p.width * DeviceScale().x();
    width = width < 1 ? 0 : std::min(width, 2.0 * longSide_);
    QPen pen(PenColor(p.color), width);
    static const Qt::PenCapStyle caps[] = {Qt::RoundCap, Qt::SquareCap, Qt::FlatCap, Qt::RoundCap};
    static const Qt::PenJoinStyle joins[] = {Qt::RoundJoin, Qt::BevelJoin, Qt::MiterJoin, Qt::RoundJoin};
    pen.setCapStyle(caps[(p.style >> 8) & 3]);
    pen.setJoinStyle(joins[(p.style >> 12) & 3]);
    // Dashes for thin pens only, and not over lengths far beyond the
    // picture, where they would be drawn by the hundred thousand.
    static const Qt::PenStyle dashes[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                          Qt::DashDotDotLine};
    if (width <= 1 && style >= 1 && style <= 4 && bounds.width() + bounds.height() <= 8.0 * longSide_)
      pen.setStyle(dashes[style]);
    return pen;
  }
  QBrush MakeBrush() const {
    const TBrush& b = dc_.brush;
    const QColor color = PenColor(b.color);
    switch (b.style) {
      case kBsNull:
        return Qt::NoBrush;
      case kBsSolid:
        return color;
      case kBsHatched: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(color, hatches[std::clamp(b.hatch, 0, 5)]);
      }
      default:
        return b.pattern.isNull() ? QBrush(color) : QBrush(b.pattern);
    }
  }
  void ApplyClip() {
    if (!painter_) return;
    clipChanged_ = true;
    if (dc_.clipped) {
      Charge(64.0 * dc_.clip.rectCount());
      painter_->setClipRegion(dc_.clip);
    } else {
      painter_->setClipping(false);
    }
  }

  // Fills and outlines `path` (device pixels) with the selected brush and
  // pen, charged by all they can touch: the outline's edges and the rows
  // they cross, the bounds grown by half the pen. Outlines too costly to
  // smooth are drawn with hard edges.
  void DrawPath(const QPainterPath& path, bool fill, bool stroke) {
    const QRectF bounds = path.controlPointRect();
    if (!painter_) {
      Mark(bounds);
      return;
    }
    const QPen pen = stroke ? MakePen(bounds) : QPen(Qt::NoPen);
    const QBrush brush = fill ? MakeBrush() : QBrush(Qt::NoBrush);
    const bool filled = brush.style() != Qt::NoBrush, outlined = pen.style() != Qt::NoPen;
    const TRaster inside = filled ? FillRaster(path, bounds) : TRaster{};
    const TRaster outline = outlined ? StrokeRaster(path, pen, bounds) : TRaster{};
    const bool textured = filled && brush.style() != Qt::SolidPattern;
    const double pattern = textured ? Seen(bounds) * kPatternPixelWork : 0;
    if (!Spend(bounds, inside.work + outline.work + pattern, {1, textured}) || dc_.rop2 == kR2Nop) return;
    painter_->setCompositionMode(Mode());
    SetBackground();
    if (filled) {
      painter_->setRenderHint(QPainter::Antialiasing, inside.smooth);
      painter_->setPen(Qt::NoPen);
      painter_->setBrush(brush);
      painter_->drawPath(path);
    }
    if (outlined) {
      painter_->setRenderHint(QPainter::Antialiasing, outline.smooth);
      painter_->setPen(pen);
      painter_->setBrush(Qt::NoBrush);
      painter_->drawPath(path);
    }
    painter_->setRenderHint(QPainter::Antialiasing);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->setBackgroundMode(Qt::TransparentMode);
  }

  // The background of hatches and dashes, for one drawing: the painter is
  // left without one, since a clipping region of many pieces set while it
  // has one takes many times as long.
  void SetBackground() {
    painter_->setBackgroundMode(dc_.bkMode == kOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
    painter_->setBackground(QColor(dc_.bkColor));
  }

  // Fills a device rectangle as a block transfer with raster operation
  // `rop` and no source bitmap.
  void FillBlock(const QRectF& rect, quint32 rop) {
    if (!painter_) {
      Mark(rect);
      return;
    }
    QBrush brush;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
      case kBlackness:
        brush = QBrush(Qt::black);
        break;
      case kWhiteness:
        brush = QBrush(Qt::white);
        break;
      case kDstInvert:
        brush = QBrush(Qt::black);
        mode = QPainter::RasterOp_NotDestination;
        break;
      case kPatInvert:
        brush = MakeBrush();
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
      default:
        brush = MakeBrush();
        break;
    }
    if (brush.style() == Qt::NoBrush) return;
    const bool textured = brush.style() != Qt::SolidPattern;
    if (!Spend(rect, 0, {textured ? kPatternPixelWork : kBlockPixelWork, textured})) return;
    painter_->setCompositionMode(mode);
    // Only a hatch has a background to show; a bitmap's fill is faster
    // without one.
    if (brush.style() >= Qt::HorPattern && brush.style() <= Qt::DiagCrossPattern) SetBackground();
    painter_->fillRect(rect, brush);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->setBackgroundMode(Qt::TransparentMode);
  }

  // Draws part `source` of a bitmap onto the device parallelogram from
  // `from` to `to` (mirrored when `to` lies left of or above `from`).
  void DrawBitmap(const QImage& image, QRectF source, QPointF from, QPointF to, quint32 rop) {
    const QRectF rect = QRectF(from, to).normalized();
    if (!painter_) {
      Mark(rect);
      return;
    }
    const QRectF wanted = source;
    source = wanted.intersected(QRectF(0, 0, image.width(), image.height()));
    if (source.isEmpty() || rect.width() < 1e-6 || rect.height() < 1e-6) return;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
      case kSrcAnd:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
      case kSrcPaint:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
      case kSrcInvert:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
      case kNotSrcCopy:
        mode = QPainter::RasterOp_NotSource;
        break;
      case kBlackness:
      case kWhiteness:
      case kDstInvert:
      case kPatCopy:
      case kPatInvert:
        FillBlock(rect, rop);
        return;
      default:
        break;
    }
    QTransform t = QTransform::fromTranslate(from.x(), from.y());
    t.scale((to.x() - from.x()) / wanted.width(), (to.y() - from.y()) / wanted.height());
    // Bitmaps are smoothed when drawn smaller, and keep their pixels when
    // drawn larger. At their own size they are copied; scaled, each pixel
    // is fetched through the transformation; smoothed, each of their own
    // pixels is gone over too.
    const bool smooth = std::abs(t.m11()) < 1 || std::abs(t.m22()) < 1;
    const bool ownSize = qFuzzyCompare(std::abs(t.m11()), 1.0) && qFuzzyCompare(std::abs(t.m22()), 1.0);
    const double smoothed = smooth ? source.width() * source.height() * kSmoothedBitmapPixelWork : 0;
    if (!Spend(rect, smoothed, {ownSize ? kBitmapPixelWork : kScaledBitmapPixelWork, true})) return;
    painter_->save();
    painter_->setCompositionMode(mode);
    painter_->setTransform(t, true);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter_->drawImage(QRectF(source.topLeft() - wanted.topLeft(), source.size()), image, source);
    painter_->restore();
  }

  QFont MakeFont(const TFont& f) const {
    QFont font;
    if (!f.face.isEmpty()) font.setFamily(f.face);
    double size = f.height == 0 ? 16 * naturalScale_ : std::abs(double(f.height)) * DeviceScale().y();
    size = std::clamp(size, 1.0, 2.0 * longSide_);
    font.setPixelSize(std::max(1, int(std::lround(size))));
    if (f.height > 0) {
      // A positive height is the character cell's, not the em's.
      const double cell = QFontMetricsF(font).height();
      if (cell > 0) font.setPixelSize(std::max(1, int(std::lround(std::clamp(size * size / cell, 1.0, size)))));
    }
    if (f.weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(f.weight, 1, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    return font;
  }

  // A piece of a text line drawn at one go: characters from `start`, and
  // the advance after them.
  struct TPiece {
    qsizetype start = 0, length = 0;
    double advance = 0;
    bool blank = false;
  };

  // Text at the logical point `at` (or the current position), with the
  // logical advances `dx` when given, an opaque and/or clipping rectangle
  // (logical) for EXTTEXTOUT. Without advances, every character is
  // followed by the character extra and every blank by its share of the
  // justification's extra; with them, the advances alone space the text.
  void Text(QPoint at, const TBytes& bytes, const std::vector<int>& dx, int options, QRect box) {
    const QByteArray raw(reinterpret_cast<const char*>(bytes.Data()),
                         std::min<qsizetype>(bytes.Size(), kMaxTextLength));
    const QString text = CodePage::Decode(raw, dc_.font.charset);
    const bool updateCp = dc_.textAlign & kTaUpdateCp;
    const QPointF anchor = updateCp ? Device(dc_.position) : Device(at.x(), at.y());
    const QRectF opaqueBox =
        options & (kEtoOpaque | kEtoClipped) ? DeviceRect(box.left(), box.top(), box.right(), box.bottom()) : QRectF();
    const bool byDx = !dx.empty() && dx.size() >= std::size_t(text.size());
    const double charExtra = byDx ? 0 : Clamp(dc_.charExtra * DeviceScale().x(), limit_);
    const double breakExtra = byDx ? 0 : dc_.breakExtra;
    const bool spaced = charExtra != 0 || breakExtra != 0;
    if (!painter_) {
      const double h = std::max(1.0, std::abs(double(dc_.font.height)) * DeviceScale().y());
      const double extra = charExtra * double(text.size()) + breakExtra * double(text.count(u' '));
      Mark(anchor);
      Mark(anchor + QPointF(Clamp(h * 0.6 * double(text.size()) + extra, limit_), h));
      if (options & kEtoOpaque) Mark(opaqueBox);
      return;
    }
    if (options & kEtoOpaque && Spend(opaqueBox)) painter_->fillRect(opaqueBox, QColor(dc_.bkColor));
    if (!fontsUsable_ || text.isEmpty()) return;
    const TMadeFont* made = UseFont();
    if (!made) return;
    const QFont font = made->font;
    const QFontMetricsF metrics = made->metrics;
    // Spaced text is drawn a word and a blank at a time, the extra of each
    // character laid out as spacing after it.
    QFont wordFont = font, blankFont = font;
    if (charExtra != 0) wordFont.setLetterSpacing(QFont::AbsoluteSpacing, charExtra);
    if (charExtra + breakExtra != 0) blankFont.setLetterSpacing(QFont::AbsoluteSpacing, charExtra + breakExtra);
    std::vector<TPiece> pieces;
    double width = 0;
    if (byDx) {
      const double sx = DeviceScale().x();
      for (qsizetype i = 0; i < text.size(); ++i) {
        pieces.push_back({i, 1, Clamp(dx[std::size_t(i)] * sx, limit_), false});
        width += pieces.back().advance;
      }
    } else if (spaced) {
      const QFontMetricsF wordMetrics(wordFont);
      const double blank = QFontMetricsF(blankFont).horizontalAdvance(QStringLiteral(" "));  // with its spacing
      for (qsizetype i = 0; i < text.size();) {
        TPiece piece{i, 1, blank, text.at(i) == u' '};
        if (!piece.blank) {
          while (i + piece.length < text.size() && text.at(i + piece.length) != u' ') ++piece.length;
          piece.advance = wordMetrics.horizontalAdvance(text.mid(i, piece.length));
        }
        width += piece.advance;
        i += piece.length;
        pieces.push_back(piece);
      }
    } else {
      width = metrics.horizontalAdvance(text);
    }
    width = Clamp(width, limit_);
    double x = 0, y = metrics.ascent();
    if ((dc_.textAlign & kTaCenter) == kTaCenter)
      x = -width / 2;
    else if (dc_.textAlign & kTaRight)
      x = -width;
    if ((dc_.textAlign & kTaBaseline) == kTaBaseline)
      y = 0;
    else if (dc_.textAlign & kTaBottom)
      y = -metrics.descent();
    const QRectF textBox(anchor.x() + std::min(x, x + width), anchor.y() + y - metrics.ascent(), std::abs(width),
                         metrics.height());
    // Laying out text costs far more than its pixels: each record and each
    // character counts as a small area of its own. Each glyph is painted
    // wherever it stands, however many stand at one place.
    // Glyphs are smoothed outlines: a few pixels of work each. The record's
    // work holds that of setting up any drawing.
    const double glyph = 4 * std::min(metrics.height(), double(canvas_.height())) *
                         std::min(std::max(metrics.height(), metrics.maxWidth()), double(canvas_.width()));
    if (Charge(double(kTextWork + kCharacterWork * text.size()) - kDrawWork) &&
        Spend(textBox, glyph * double(text.size()))) {
      painter_->save();
      if (options & kEtoClipped) painter_->setClipRect(opaqueBox, Qt::IntersectClip);
      painter_->translate(anchor);
      if (dc_.font.escapement) painter_->rotate(-dc_.font.escapement / 10.0);
      if (dc_.bkMode == kOpaque)
        painter_->fillRect(QRectF(x, y - metrics.ascent(), width, metrics.height()), QColor(dc_.bkColor));
      painter_->setFont(font);
      painter_->setPen(QColor(dc_.textColor));
      if (pieces.empty()) {
        painter_->drawText(QPointF(x, y), text);
      } else if (!spaced) {
        double pen = x;
        for (const TPiece& piece : pieces) {
          painter_->drawText(QPointF(pen, y), text.mid(piece.start, piece.length));
          pen += piece.advance;
        }
      } else {
        // The words, then the blanks where they show (under a line).
        const bool lined = font.underline() || font.strikeOut();
        for (const bool blanks : {false, true}) {
          if (blanks && !lined) break;
          painter_->setFont(blanks ? blankFont : wordFont);
          double pen = x;
          for (const TPiece& piece : pieces) {
            if (piece.blank == blanks) painter_->drawText(QPointF(pen, y), text.mid(piece.start, piece.length));
            pen += piece.advance;
          }
        }
      }
      painter_->restore();
    }
    if (updateCp) {
      const double sx = LogicalScale().x() * base_.m11();
      if (sx != 0) dc_.position.rx() = Clamp(dc_.position.x() + width / sx, limit_);
    }
  }

  // The font of the text drawn next, made when it is not among those made
  // last; each font made is charged. None when the picture has had its
  // share.
  const TMadeFont* UseFont() {
    const TFontKey key{dc_.font, DeviceScale().y(), naturalScale_};
    const auto kept = std::find_if(fonts_.begin(), fonts_.end(), [&key](const TMadeFont& f) { return f.key == key; });
    if (kept != fonts_.end()) return &*kept;
    // A cell's height is found with a font of its own.
    if (!Charge(double(dc_.font.height > 0 ? 2 * kFontWork : kFontWork))) return nullptr;
    if (fonts_.size() >= kFontsKept) fonts_.pop_front();
    const QFont font = MakeFont(dc_.font);
    fonts_.push_back(TMadeFont{key, font, QFontMetricsF(font)});
    return &fonts_.back();
  }

  // -------------------------------------------------------------- objects

  TObject* NewObject() {
    if (free_.empty()) {
      if (objects_.size() >= std::size_t(kMaxObjects)) return nullptr;
      objects_.emplace_back();
      return &objects_.back();
    }
    const int i = free_.top();
    free_.pop();
    return &objects_[std::size_t(i)];
  }
  TObject* Object(int index) {
    if (index < 0 || std::size_t(index) >= objects_.size()) return nullptr;
    TObject& o = objects_[std::size_t(index)];
    return o.kind == TKind::Free ? nullptr : &o;
  }
  // The brush of a DIBCREATEPATTERNBRUSH record: the bitmap tiled, or its
  // colour when it cannot be read.
  void PatternBrush(const TRecord& r) {
    TObject* o = NewObject();
    if (!o) return;
    o->kind = TKind::Brush;
    o->brush = TBrush{};
    o->brush.color = qRgb(128, 128, 128);
    o->brush.style = 3;
    if (painter_)
      o->brush.pattern = DecodeDib(r.params.Mid(4, r.params.Size()), budget_, 256, &o->brush.charge,
                                   [this](double work) { return Charge(work); });
  }

  void Select(int index) {
    TObject* o = Object(index);
    if (!o) return;
    switch (o->kind) {
      case TKind::Pen:
        dc_.pen = o->pen;
        break;
      case TKind::Brush:
        dc_.brush = o->brush;
        break;
      case TKind::Font:
        dc_.font = o->font;
        break;
      default:
        break;
    }
  }

  void Restore(int n) {
    const int count = static_cast<int>(saved_.size());
    const int keep = n < 0 ? count + n : n - 1;  // states left after the one restored
    if (keep < 0 || keep >= count) return;
    dc_ = saved_[std::size_t(keep)];
    saved_.resize(std::size_t(keep));
    ApplyClip();
  }

  // Cuts `rect` (device pixels, edges rounded to the nearest pixel) out of
  // the clipping region, or keeps only what lies in it. A region of many
  // pieces costs by its pieces at every cut and every drawing, which bounds
  // how many it can come to.
  void Clip(const QRectF& rect, bool exclude) {
    const QRect r(QPoint(int(std::lround(rect.left())), int(std::lround(rect.top()))),
                  QPoint(int(std::lround(rect.right())) - 1, int(std::lround(rect.bottom())) - 1));
    const QRect all(0, 0, canvas_.width(), canvas_.height());
    if (!dc_.clipped) {
      dc_.clip = QRegion(all);
      dc_.clipped = true;
    }
    // Cutting a region of many pieces goes over them all.
    Charge(double(kTextWork + qint64{64} * dc_.clip.rectCount()));
    if (exclude) {
      dc_.clip -= r;
    } else {
      dc_.clip &= r;
    }
    ApplyClip();
  }

  // Moves the clipping region by logical units.
  void OffsetClip(int dx, int dy) {
    if (!dc_.clipped) return;
    const QPointF d = Device(dx, dy) - Device(0, 0);
    Charge(double(kTextWork + qint64{64} * dc_.clip.rectCount()));
    dc_.clip.translate(int(std::lround(d.x())), int(std::lround(d.y())));
    ApplyClip();
  }

  // ---------------------------------------------------------------- records

  // Points of POLYGON and POLYLINE records from word `first`, at most
  // `count` of them.
  QPolygonF Points(const TRecord& r, int first, int count) const {
    count = std::clamp(count, 0, (r.Words() - first) / 2);
    QPolygonF points;
    points.reserve(count);
    for (int i = 0; i < count; ++i) points << Device(r.S(first + 2 * i), r.S(first + 2 * i + 1));
    return points;
  }

  void Arc(const TRecord& r, int kind) {
    const QRectF box = DeviceRect(r.S(7), r.S(6), r.S(5), r.S(4));
    const QPointF start = Device(r.S(3), r.S(2)), end = Device(r.S(1), r.S(0));
    const QPointF c = box.center();
    const double rx = std::max(box.width() / 2, 1e-9), ry = std::max(box.height() / 2, 1e-9);
    const auto angle = [&](QPointF p) {
      return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180 / std::numbers::pi;
    };
    const double a0 = angle(start);
    double sweep = angle(end) - a0;
    while (sweep <= 0) sweep += 360;
    QPainterPath path;
    if (kind == kPie) {
      path.moveTo(c);
      path.arcTo(box, a0, sweep);
      path.closeSubpath();
    } else {
      path.arcMoveTo(box, a0);
      path.arcTo(box, a0, sweep);
      if (kind == kChord) path.closeSubpath();
    }
    DrawPath(path, kind != kArc, true);
  }

  void Record(int function, const TRecord& r) {
    switch (function) {
      case kSaveDc:
        if (saved_.size() < std::size_t(kMaxSavedStates)) saved_.push_back(dc_);
        break;
      case kRestoreDc:
        Restore(r.S(0));
        break;
      case kSetMapMode:
        dc_.mapMode = std::clamp(r.U(0), kMmText, kMmAnisotropic);
        break;
      case kSetWindowOrg:
        dc_.windowOrg = QPointF(r.S(1), r.S(0));
        break;
      case kSetWindowExt:
        if (r.S(0) != 0 && r.S(1) != 0) dc_.windowExt = QPointF(r.S(1), r.S(0));
        break;
      case kSetViewportOrg:
        dc_.viewportOrg = QPointF(r.S(1), r.S(0));
        break;
      case kSetViewportExt:
        if (r.S(0) != 0 && r.S(1) != 0) dc_.viewportExt = QPointF(r.S(1), r.S(0));
        break;
      case kOffsetWindowOrg:
        dc_.windowOrg = ClampExt(dc_.windowOrg + QPointF(r.S(1), r.S(0)));
        break;
      case kOffsetViewportOrg:
        dc_.viewportOrg = ClampExt(dc_.viewportOrg + QPointF(r.S(1), r.S(0)));
        break;
      case kScaleWindowExt:
      case kScaleViewportExt: {
        // yDenom, yNum, xDenom, xNum
        if (r.S(0) == 0 || r.S(2) == 0 || r.S(1) == 0 || r.S(3) == 0) break;
        QPointF& ext = function == kScaleWindowExt ? dc_.windowExt : dc_.viewportExt;
        ext = ClampExt(QPointF(ext.x() * r.S(3) / r.S(2), ext.y() * r.S(1) / r.S(0)));
        if (std::abs(ext.x()) < 1e-6 || std::abs(ext.y()) < 1e-6) ext = QPointF(1, 1);
        break;
      }
      case kSetBkColor:
        dc_.bkColor = ColorRef(r.U32(0));
        break;
      case kSetTextColor:
        dc_.textColor = ColorRef(r.U32(0));
        break;
      case kSetBkMode:
        dc_.bkMode = r.U(0);
        break;
      case kSetTextAlign:
        dc_.textAlign = r.U(0);
        break;
      case kSetTextCharExtra:
        dc_.charExtra = r.S(0);
        break;
      case kSetTextJustification: {
        // breakCount, breakExtra: the extra shared out among that many
        // blanks, of this and the following lines until set again.
        const int breaks = r.S(0), extra = r.S(1);
        dc_.breakExtra = breaks > 0 ? Clamp(extra * DeviceScale().x() / breaks, limit_) : 0;
        break;
      }
      case kSetPolyFillMode:
        dc_.polyFill = r.U(0);
        break;
      case kSetRop2:
        dc_.rop2 = r.U(0);
        break;

      case kCreatePenIndirect:
        if (TObject* o = NewObject()) {
          o->kind = TKind::Pen;
          o->pen = TPen{r.U(0), r.S(1), ColorRef(r.U32(3))};
        }
        break;
      case kCreateBrushIndirect:
        if (TObject* o = NewObject()) {
          o->kind = TKind::Brush;
          o->brush = TBrush{r.U(0), ColorRef(r.U32(1)), r.U(3), QImage(), TCharge()};
        }
        break;
      case kCreateFontIndirect:
        Charge(double(kTextWork));  // the face's name decoded
        if (TObject* o = NewObject()) {
          o->kind = TKind::Font;
          TFont& f = o->font;
          f = TFont{};
          f.height = r.S(0);
          f.escapement = r.S(2);
          f.weight = r.S(4);
          f.italic = r.params.U8(10);
          f.underline = r.params.U8(11);
          f.strikeOut = r.params.U8(12);
          f.charset = r.params.U8(13);
          const TBytes face = r.params.Mid(18, 32);
          qsizetype n = 0;
          while (n < face.Size() && face.Data()[n]) ++n;
          f.face = CodePage::Decode(QByteArrayView(face.Data(), n), f.charset).trimmed();
        }
        break;
      case kDibCreatePatternBrush:
        PatternBrush(r);
        break;
      case kCreatePalette:
      case kCreatePatternBrush:
      case kCreateRegion:
        if (TObject* o = NewObject()) o->kind = TKind::Placeholder;
        break;
      case kSelectObject:
        Select(r.U(0));
        break;
      case kDeleteObject:
        if (TObject* o = Object(r.U(0))) {
          *o = TObject{};
          free_.push(r.U(0));
        }
        break;
      case kSelectClipRegion:
        dc_.clipped = false;
        ApplyClip();
        break;
      case kIntersectClipRect:
      case kExcludeClipRect:
        if (painter_) Clip(DeviceRect(r.S(3), r.S(2), r.S(1), r.S(0)), function == kExcludeClipRect);
        break;
      case kOffsetClipRgn:
        if (painter_) OffsetClip(r.S(1), r.S(0));
        break;

      case kMoveTo:
        dc_.position = QPointF(r.S(1), r.S(0));
        break;
      case kLineTo: {
        QPainterPath path(Device(dc_.position));
        dc_.position = QPointF(r.S(1), r.S(0));
        path.lineTo(Device(dc_.position));
        DrawPath(path, false, true);
        break;
      }
      case kRectangle: {
        QPainterPath path;
        path.addRect(DeviceRect(r.S(3), r.S(2), r.S(1), r.S(0)));
        DrawPath(path, true, true);
        break;
      }
      case kRoundRect: {
        QPainterPath path;
        const QPointF s = DeviceScale();
        path.addRoundedRect(DeviceRect(r.S(5), r.S(4), r.S(3), r.S(2)), Clamp(std::abs(r.S(1)) * s.x() / 2, limit_),
                            Clamp(std::abs(r.S(0)) * s.y() / 2, limit_));
        DrawPath(path, true, true);
        break;
      }
      case kEllipse: {
        QPainterPath path;
        path.addEllipse(DeviceRect(r.S(3), r.S(2), r.S(1), r.S(0)));
        DrawPath(path, true, true);
        break;
      }
      case kArc:
      case kPie:
      case kChord:
        Arc(r, function);
        break;
      case kPolygon:
      case kPolyline: {
        const QPolygonF points = Points(r, 1, r.U(0));
        if (points.isEmpty()) break;
        QPainterPath path;
        path.setFillRule(dc_.polyFill == kAlternate ? Qt::OddEvenFill : Qt::WindingFill);
        path.addPolygon(points);
        if (function == kPolygon) path.closeSubpath();
        DrawPath(path, function == kPolygon, true);
        break;
      }
      case kPolyPolygon: {
        const int polygons = r.U(0);
        if (polygons < 1 || polygons >= r.Words()) break;
        QPainterPath path;
        path.setFillRule(dc_.polyFill == kAlternate ? Qt::OddEvenFill : Qt::WindingFill);
        int at = 1 + polygons;
        for (int i = 0; i < polygons && at < r.Words(); ++i) {
          const QPolygonF points = Points(r, at, r.U(1 + i));
          path.addPolygon(points);
          path.closeSubpath();
          at += 2 * static_cast<int>(points.size());
        }
        if (!path.isEmpty()) DrawPath(path, true, true);
        break;
      }
      case kSetPixel: {
        const QPointF p = Device(r.S(3), r.S(2));
        const QPointF s = DeviceScale();
        const QRectF pixel(p, QSizeF(std::clamp(s.x(), 1.0, limit_), std::clamp(s.y(), 1.0, limit_)));
        if (!painter_) {
          Mark(pixel);
        } else if (Spend(pixel)) {
          painter_->fillRect(pixel, QColor(ColorRef(r.U32(0))));
        }
        break;
      }
      case kTextOut: {
        const int length = std::clamp(r.S(0), 0, std::max(0, (r.Words() - 1) * 2));
        const int words = (length + 1) / 2;
        Text(QPoint(r.S(2 + words), r.S(1 + words)), r.params.Mid(2, length), {}, 0, {});
        break;
      }
      case kExtTextOut: {
        const int length = std::clamp(r.U(2), 0, kMaxTextLength);
        const int options = r.U(3);
        int first = 4;
        QRect box;
        if (options & (kEtoOpaque | kEtoClipped)) {
          box = QRect(QPoint(r.S(4), r.S(5)), QPoint(r.S(6), r.S(7)));
          first = 8;
        }
        const TBytes text = r.params.Mid(qsizetype{2} * first, length);
        std::vector<int> dx;
        const int dxFirst = first + (length + 1) / 2;
        if (r.Words() >= dxFirst + length)
          for (int i = 0; i < length; ++i) dx.push_back(r.S(dxFirst + i));
        Text(QPoint(r.S(1), r.S(0)), text, dx, options, box);
        break;
      }
      case kPatBlt:
        FillBlock(DeviceRect(r.S(5), r.S(4), r.S(5) + r.S(3), r.S(4) + r.S(2)), r.U32(0));
        break;
      case kDibBitBlt:
      case kDibStretchBlt:
      case kStretchDib:
        Blit(function, r);
        break;
      case kEscape:
      default:
        break;
    }
  }

  void Blit(int function, const TRecord& r) {
    // Without a bitmap the record is one word longer than its fixed fields
    // (a reserved word) and holds nothing after them.
    const int fixedWords = function == kDibBitBlt ? 8 : function == kDibStretchBlt ? 10 : 11;
    const bool withBitmap = r.Words() > fixedWords + 1 || function == kStretchDib;
    const quint32 rop = r.U32(0);
    int srcX = 0, srcY = 0, srcW = 0, srcH = 0, x = 0, y = 0, w = 0, h = 0, dib = 0;
    if (function == kDibBitBlt) {
      const int d = withBitmap ? 4 : 5;
      srcY = r.S(2);
      srcX = r.S(3);
      h = r.S(d);
      w = r.S(d + 1);
      y = r.S(d + 2);
      x = r.S(d + 3);
      srcW = w;
      srcH = h;
      dib = 8;
    } else {
      const int s = function == kStretchDib ? 3 : 2;
      srcH = r.S(s);
      srcW = r.S(s + 1);
      srcY = r.S(s + 2);
      srcX = r.S(s + 3);
      const int d = s + 4 + (withBitmap ? 0 : 1);
      h = r.S(d);
      w = r.S(d + 1);
      y = r.S(d + 2);
      x = r.S(d + 3);
      dib = d + 4;
    }
    const QPointF from = Device(x, y), to = Device(x + w, y + h);
    if (!withBitmap) {
      FillBlock(QRectF(from, to).normalized(), rop);
      return;
    }
    if (!painter_) {
      Mark(QRectF(from, to).normalized());
      return;
    }
    TCharge charge;
    const TBytes bits = r.params.Mid(qsizetype{2} * dib, r.params.Size());
    const QImage image = DecodeDib(bits, budget_, 32767, &charge, [this](double work) { return Charge(work); });
    if (image.isNull()) return;
    if (function == kStretchDib && bits.U32(0) >= 40 && bits.S32(8) > 0)
      srcY = image.height() - srcY - srcH;  // bottom-up rows
    if (srcW < 0) {
      srcX += srcW;
      srcW = -srcW;
    }
    if (srcH < 0) {
      srcY += srcH;
      srcH = -srcH;
    }
    if (srcW == 0 || srcH == 0) return;
    DrawBitmap(image, QRectF(srcX, srcY, srcW, srcH), from, to, rop);
  }

  const TBytes& bytes_;
  const THeader& header_;
  TPictureBudget& budget_;
  QPainter* painter_;
  QSize canvas_;
  int longSide_ = 1;
  double limit_ = 0;
  double unitsPerInch_ = 96;
  double naturalScale_ = 1;
  QTransform base_;
  TDc dc_;
  std::vector<TDc> saved_;
  std::vector<TObject> objects_;
  std::priority_queue<int, std::vector<int>, std::greater<>> free_;  // the lowest free slot first
  TCharge tableCharge_;
  bool fontsUsable_ = false;
  std::deque<TMadeFont> fonts_;  // made for text, the latest last
  qint64 work_ = 0;
  bool clipChanged_ = false;  // since the last drawing
  bool drawn_ = false;
  double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
};

// What a metafile is drawn from: its frame in reference units and the
// reference units to the inch.
struct TFrame {
  QRectF rect;
  double unitsPerInch = 96;
};

// The window a plain metafile sets for itself: its first SETWINDOWORG and
// SETWINDOWEXT records, or its viewport when it maps the window onto one.
std::optional<QRectF> OwnWindow(const TBytes& b, const THeader& h) {
  std::optional<QPointF> windowOrg, windowExt, viewportOrg, viewportExt;
  bool scaled = false;
  ForEachRecord(b, h.start, [&](int function, const TRecord& r) {
    const QPointF p(r.S(1), r.S(0));
    switch (function) {
      case kSetWindowOrg:
        if (!windowOrg) windowOrg = p;
        break;
      case kSetWindowExt:
        if (!windowExt && p.x() != 0 && p.y() != 0) windowExt = p;
        break;
      case kSetViewportOrg:
        if (!viewportOrg) viewportOrg = p;
        break;
      case kSetViewportExt:
        if (!viewportExt && p.x() != 0 && p.y() != 0) viewportExt = p;
        break;
      case kSetMapMode:
        scaled = scaled || r.U(0) == kMmIsotropic || r.U(0) == kMmAnisotropic;
        break;
      default:
        break;
    }
    return true;
  });
  if (scaled && viewportExt) {
    const QPointF o = viewportOrg.value_or(QPointF());
    return QRectF(o, o + *viewportExt).normalized();
  }
  if (!windowExt) return std::nullopt;
  const QPointF o = windowOrg.value_or(QPointF());
  return QRectF(o, o + *windowExt).normalized();
}

std::optional<TFrame> FindFrame(const TBytes& b, const THeader& h) {
  TFrame frame;
  if (h.placeable) frame.unitsPerInch = h.inch > 0 ? h.inch : 1440;
  if (h.placeable && h.bounds.width() > 0 && h.bounds.height() > 0) {
    frame.rect = h.bounds;
    return frame;
  }
  if (const std::optional<QRectF> window = OwnWindow(b, h)) {
    frame.rect = *window;
    return frame;
  }
  // The extent of what is drawn.
  const std::shared_ptr<TPictureBudget> budget = TPictureBudget::Create();
  TPlayer measure(b, h, *budget, nullptr, QSize(1, 1));
  measure.SetMeasuring();
  measure.Play();
  const std::optional<QRectF> drawn = measure.Extent();
  if (!drawn) return std::nullopt;
  QRectF extent = *drawn;
  // Lines along an axis have an extent of one unit across.
  if (extent.width() < 1) extent.setWidth(1);
  if (extent.height() < 1) extent.setHeight(1);
  frame.rect = extent;
  return frame;
}

// `size` shrunk to at most kMaxSide on its longer side, each side at least 1.
QSize Bounded(double width, double height) {
  const double longer = std::max(width, height);
  if (longer > kMaxSide) {
    width = width * kMaxSide / longer;
    height = height * kMaxSide / longer;
  }
  return QSize(std::clamp(int(std::lround(width)), 1, kMaxSide), std::clamp(int(std::lround(height)), 1, kMaxSide));
}

QSize NaturalSize(const TFrame& f) {
  return Bounded(f.rect.width() * 96 / f.unitsPerInch, f.rect.height() * 96 / f.unitsPerInch);
}

}  // namespace

bool IsWmf(const QByteArray& data) {
  const TBytes b(data);
  if (b.Size() >= 4 && b.U32(0) == kPlaceableKey) return true;
  return ReadHeader(b, true).has_value();
}

QSize Size(const QByteArray& data) {
  const TBytes b(data);
  const std::optional<THeader> header = ReadHeader(b, false);
  if (!header) return {};
  const std::optional<TFrame> frame = FindFrame(b, *header);
  return frame ? NaturalSize(*frame) : QSize();
}

TDecoded Render(const QByteArray& data, TPictureBudget& budget, QSize scaledTo, TWork* work) {
  const TBytes b(data);
  const std::optional<THeader> header = ReadHeader(b, false);
  if (!header) throw Exception(QString::fromLatin1(PictureDecoder::kInvalidFormatText));
  const std::optional<TFrame> frame = FindFrame(b, *header);
  if (!frame) throw Exception(QString::fromLatin1(PictureDecoder::kNoImageText));
  const QSize natural = NaturalSize(*frame);
  const QSize size =
      scaledTo.width() > 0 && scaledTo.height() > 0 ? Bounded(scaledTo.width(), scaledTo.height()) : natural;
  TDecoded decoded;
  decoded.charge = budget.Charge(qint64(size.width()) * size.height() * 4);
  decoded.image = QImage(size, QImage::Format_ARGB32_Premultiplied);
  if (decoded.image.isNull()) throw Exception(QString::fromLatin1(PictureDecoder::kNoMemoryText));
  decoded.image.fill(Qt::transparent);
  QPainter painter(&decoded.image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  TPlayer player(b, *header, budget, &painter, size);
  player.SetFrame(frame->rect, frame->unitsPerInch);
  player.SetNaturalScale(double(size.width()) / natural.width());
  player.stop = work ? work->stop : nullptr;
  player.Play();
  painter.end();
  if (work) *work = player.Work();
  return decoded;
}

}  // namespace WmfPicture
