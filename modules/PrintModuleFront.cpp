#include "modules/ModuleEntries.h"
#include "modules/ModuleLoader.h"
#include "modules/PrintModule.h"

namespace PrintModule {

QString File() { return QStringLiteral(KV_PRINT_MODULE_FILE); }

bool HasPrinter() {
  const auto has = KV_MODULE_ENTRY(File(), KvHasPrinter);
  return has && has();
}

std::unique_ptr<TPrintCanvas> OpenCanvas(const QString& pdfFile) {
  const auto open = KV_MODULE_ENTRY(File(), KvOpenPrintCanvas);
  return std::unique_ptr<TPrintCanvas>(open ? open(pdfFile) : nullptr);
}

}  // namespace PrintModule
