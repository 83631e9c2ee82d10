#include "modules/ModuleLoader.h"
#include "modules/PrintModule.h"

namespace PrintModule {

QString File() { return QStringLiteral(KV_PRINT_MODULE_FILE); }

bool HasPrinter() {
  const auto has = reinterpret_cast<bool (*)()>(Modules::Entry(File(), "KvHasPrinter"));
  return has && has();
}

std::unique_ptr<TPrintCanvas> OpenCanvas(const QString& pdfFile) {
  const auto open = reinterpret_cast<TPrintCanvas* (*)(const QString&)>(Modules::Entry(File(), "KvOpenPrintCanvas"));
  return std::unique_ptr<TPrintCanvas>(open ? open(pdfFile) : nullptr);
}

}  // namespace PrintModule
