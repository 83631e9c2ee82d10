// The printer side of printing: the page geometry of the printer in device
// pixels, and the canvas that pages are drawn on (a real printer, a PDF file
// or, in tests, a recorder).
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QPrinter;

// The page geometry of a printer, in device pixels.
struct TSrcEditPrinterGeometry {
  int PhysicalWidth = 2481, PhysicalHeight = 3507;
  int PrintableWidth = 2358, PrintableHeight = 3407;
  int LeftGutter = 65, TopGutter = 50;
  int XPixelsPerInch = 300, YPixelsPerInch = 300;
  // A4 at 300 dots per inch: the page used when no printer is installed.
  static TSrcEditPrinterGeometry A4() { return {}; }
};

// Height, ascent, descent and leading of a font, and its average character
// width, in device pixels.
struct TPrintFontMetrics {
  int Height = 0, Ascent = 0, Descent = 0, Leading = 0, AveCharWidth = 0;
};

// Where pages are drawn. Coordinates are device pixels from the top left of
// the printable area.
class TPrintCanvas {
 public:
  virtual ~TPrintCanvas() = default;
  virtual TSrcEditPrinterGeometry Geometry() const = 0;

  // Starts the document under the job name `title`; false when the device
  // cannot print.
  virtual bool BeginDoc(const QString& title) = 0;
  virtual void NewPage() = 0;
  // Ends the document; false when what was printed could not be kept (a
  // file that could not be written).
  virtual bool EndDoc() = 0;
  // Ends the document and throws away what was printed.
  virtual void Abort() = 0;
  // Why the job cannot go on (a write of its file failed: the file and the
  // system's reason); empty while all is well.
  virtual QString Error() const { return {}; }

  virtual void SetFont(const QFont& font) = 0;
  virtual QFont Font() const = 0;
  virtual TPrintFontMetrics Metrics() const = 0;
  virtual int TextWidth(const QString& text) const = 0;
  // Draws `text` in the current font with its top (or, with `baseline`, its
  // base line) at y. A `cellWidth` above 0 puts every character into a cell
  // of that width; an invalid `background` leaves the ground as it is.
  virtual void DrawText(int x, int y, const QString& text, const QColor& color, const QColor& background, int cellWidth,
                        bool baseline) = 0;
  virtual void FillRect(const QRect& rect, const QColor& color) = 0;
  // A rectangle outline (invalid `pen`: none) filled with `brush` (invalid: hollow).
  virtual void DrawRect(const QRect& rect, const QColor& pen, const QColor& brush) = 0;
  virtual void DrawLine(int x1, int y1, int x2, int y2, const QColor& color) = 0;
};

// The printer metrics object: reads the geometry on first use and again
// whenever printing starts; converts millimetres to pixel positions.
class TSrcEditPrinterInfo {
 public:
  // Reads the geometry from `canvas`, or takes A4 without one.
  void UpdateFrom(const TPrintCanvas* canvas);
  const TSrcEditPrinterGeometry& Geometry() const;

  int PhysicalWidth() const { return Geometry().PhysicalWidth; }
  int PhysicalHeight() const { return Geometry().PhysicalHeight; }
  int PrintableWidth() const { return Geometry().PrintableWidth; }
  int PrintableHeight() const { return Geometry().PrintableHeight; }
  int LeftGutter() const { return Geometry().LeftGutter; }
  int TopGutter() const { return Geometry().TopGutter; }
  int RightGutter() const { return PhysicalWidth() - PrintableWidth() - LeftGutter(); }
  int BottomGutter() const { return PhysicalHeight() - PrintableHeight() - TopGutter(); }
  int XPixPrInch() const { return Geometry().XPixelsPerInch; }
  int YPixPrInch() const { return Geometry().YPixelsPerInch; }
  double XPixPrMM() const { return XPixPrInch() / 25.4; }
  double YPixPrMM() const { return YPixPrInch() / 25.4; }

  int PixFromLeft(double mm) const;
  int PixFromRight(double mm) const;
  int PixFromTop(double mm) const;
  int PixFromBottom(double mm) const;

 private:
  mutable TSrcEditPrinterGeometry geometry_;
  mutable bool valid_ = false;
};

// `font` with its size in points: a size given in pixels is taken at 96
// pixels per inch, so that it prints at its screen size on any printer.
QFont PointSizedFont(const QFont& font);

// A canvas over a QPrinter, or over a QPdfWriter for a PDF file. Copies are
// printed by the caller, so the printer's own copy count stays 1.
class TPrinterCanvas : public TPrintCanvas {
 public:
  explicit TPrinterCanvas(QPrinter& printer);
  explicit TPrinterCanvas(QPdfWriter& writer);
  ~TPrinterCanvas() override;

  TSrcEditPrinterGeometry Geometry() const override;
  bool BeginDoc(const QString& title) override;
  void NewPage() override;
  bool EndDoc() override;
  void Abort() override;
  void SetFont(const QFont& font) override;
  QFont Font() const override { return font_; }
  TPrintFontMetrics Metrics() const override;
  int TextWidth(const QString& text) const override;
  void DrawText(int x, int y, const QString& text, const QColor& color, const QColor& background, int cellWidth,
                bool baseline) override;
  void FillRect(const QRect& rect, const QColor& color) override;
  void DrawRect(const QRect& rect, const QColor& pen, const QColor& brush) override;
  void DrawLine(int x1, int y1, int x2, int y2, const QColor& color) override;

 private:
  QPagedPaintDevice& device_;
  QPrinter* printer_ = nullptr;   // printing on a printer
  QPdfWriter* writer_ = nullptr;  // or into a PDF file
  std::unique_ptr<QPainter> painter_;
  QFont font_;
};
