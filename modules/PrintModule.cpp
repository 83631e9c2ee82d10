// The print module: canvases on Qt Print Support's printers, and PDF files
// written into a device of the program's (its safe save).
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include "editor/SrcEditPrinterInfo.h"
#include "modules/ModuleEntries.h"

namespace {

// A canvas that owns its printer.
class TOwnPrinterCanvas : public TPrinterCanvas {
 public:
  explicit TOwnPrinterCanvas(std::unique_ptr<QPrinter> printer)
      : TPrinterCanvas(*printer), printer_(std::move(printer)) {}
  ~TOwnPrinterCanvas() override { EndDoc(); }  // done before the printer goes

 private:
  std::unique_ptr<QPrinter> printer_;
};

// A canvas that owns its PDF writer; the pages are those a PDF printer has.
class TOwnPdfCanvas : public TPrinterCanvas {
 public:
  explicit TOwnPdfCanvas(std::unique_ptr<QPdfWriter> writer) : TPrinterCanvas(*writer), writer_(std::move(writer)) {}
  ~TOwnPdfCanvas() override { EndDoc(); }

 private:
  std::unique_ptr<QPdfWriter> writer_;
};

}  // namespace

extern "C" Q_DECL_EXPORT bool KvHasPrinter() { return !QPrinterInfo::availablePrinters().isEmpty(); }

extern "C" Q_DECL_EXPORT TPrintCanvas* KvOpenPrintCanvas(QIODevice* pdf) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (!pdf) return new TOwnPrinterCanvas(std::move(printer));
  printer->setOutputFormat(QPrinter::PdfFormat);
  auto writer = std::make_unique<QPdfWriter>(pdf);
  writer->setResolution(printer->resolution());
  writer->setPageLayout(printer->pageLayout());
  return new TOwnPdfCanvas(std::move(writer));
}
