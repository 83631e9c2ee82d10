// Printing a text: pages framed by margins, with header and footer, optional
// line numbers, syntax colouring through a highlighter, and long lines
// wrapped at break characters. Pages are drawn on a TPrintCanvas (a printer,
// a PDF file or a recorder).
#pragma once

#include <QDateTime>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <vector>

#include "editor/SrcEditHighlighter.h"
#include "editor/SrcEditPrintHeaderFooter.h"
#include "editor/SrcEditPrinterInfo.h"
#include "editor/SrcEditTypes.h"

class QPrinter;

class TSrcEditPrint {
 public:
  enum Status { psBegin = 0, psNewPage = 1, psEnd = 2 };

  int Copies = 1;
  THeader Header;
  TFooter Footer;
  TSrcEditPrintMargins Margins;
  QString Title;     // text of "$TITLE$"; the job's name when DocTitle is empty
  QString DocTitle;  // name of the job in the printer queue
  bool Wrap = true;
  bool Highlight = true;
  bool Colors = false;  // with the highlighter, also its colours (else only its styles)
  bool LineNumbers = false;
  bool LineNumbersInMargin = false;
  int LineOffset = 0;
  int PageOffset = 0;
  bool SelectedOnly = false;
  int TabWidth = 8;  // applied when lines are assigned
  QColor Color = Qt::white;
  QColor FontColor = Qt::black;
  // The time the header and footer show; invalid: the time printing starts.
  QDateTime PrintTime;

  // (status, page number, abort flag): set the flag to stop the job.
  std::function<void(Status status, int pageNum, bool& abort)> OnPrintStatus;
  // (line number, page number) after each printed line.
  std::function<void(int lineNum, int pageNum)> OnPrintLine;

  const QStringList& Lines() const { return lines_; }
  // Copies the text, tabs expanded to TabWidth.
  void SetLines(const QStringList& lines);
  const QFont& Font() const { return font_; }
  void SetFont(const QFont& font);
  TSrcCustomHighlighter* Highlighter() const { return highlighter_.data(); }
  void SetHighlighter(TSrcCustomHighlighter* highlighter);
  // The selection printed with SelectedOnly; positions (column, line) from 1
  // in the assigned text, `end` not included.
  void SetSelection(TPoint begin, TPoint end, TSrcSelectionMode mode);
  void ClearSelection();

  // Prints every page; false when the job could not start, was aborted or
  // could not be kept (see TPrintCanvas::EndDoc).
  bool Print(TPrintCanvas& canvas) { return PrintRange(canvas, 1, -1); }
  // Pages `firstPage` to `lastPage` (below 0: the last page), clamped.
  bool PrintRange(TPrintCanvas& canvas, int firstPage, int lastPage);
  // Prints on a printer or a PDF file.
  bool Print(QPrinter& printer) {
    TPrinterCanvas canvas(printer);
    return Print(canvas);
  }

  // The layout for `canvas`, as printing would make it.
  int PageCount(TPrintCanvas& canvas);
  int LineCapacity() const { return capacity_; }
  bool Printing() const { return printing_; }

  // Where a line wider than `capacity` cells is split (a wide character
  // takes two): the start of every piece after the first. First at tab,
  // blank, "," and "-", then at ")", "." and ";" (the break character ends
  // its piece), else after as many characters as fill `capacity` cells.
  static std::vector<int> WrapPositions(QStringView text, int capacity);

 private:
  // One printed line: a part [From, To) of source line Source.
  struct TPrintedLine {
    int Source = 0, From = 0, To = 0;
  };
  struct TPagePos {
    int Line = 0, Row = 0;
  };
  void Prepare(TPrintCanvas& canvas);
  void ComputeRanges();
  void ComputePrintedLines();
  bool DoStatus(Status status, int pageNum);
  void PrintPage(TPrintCanvas& canvas, int pageNum);
  void PrintLine(TPrintCanvas& canvas, int index, int rowFrom, int rowTo);
  int RowCount(int index) const { return static_cast<int>(splits_[index].size()) + 1; }
  // The characters of printed line `index` that go on row `row`: [from, to).
  void RowSpan(int index, int row, int& from, int& to) const;

  QStringList lines_;
  QFont font_;
  QPointer<TSrcCustomHighlighter> highlighter_;
  TPoint selBegin_, selEnd_;
  TSrcSelectionMode selMode_ = smNormal;
  bool hasSelection_ = false;

  TSrcEditPrinterInfo info_;
  std::vector<int> ranges_;
  bool rangesValid_ = false;
  std::vector<TPrintedLine> printed_;
  std::vector<std::vector<int>> splits_;
  std::vector<TPagePos> pages_;
  int charWidth_ = 1, lineHeight_ = 1, textWidth_ = 1, capacity_ = 1;
  int y_ = 0;
  bool useHighlighter_ = false;
  bool printing_ = false;
  bool abort_ = false;
};
