// The print module: canvases on Qt Print Support's printers.
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

}  // namespace

extern "C" Q_DECL_EXPORT bool KvHasPrinter() { return !QPrinterInfo::availablePrinters().isEmpty(); }

extern "C" Q_DECL_EXPORT TPrintCanvas* KvOpenPrintCanvas(const QString& pdfFile) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (!pdfFile.isEmpty()) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdfFile);
  }
  return new TOwnPrinterCanvas(std::move(printer));
}
