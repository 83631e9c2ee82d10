// Printing on a printer or into a PDF file, by the print module
// (print-module.so, on Qt Print Support), so that the program loads the
// print libraries only when something is first printed.
#pragma once

#include <QString>
#include <memory>

#include "editor/SrcEditPrinterInfo.h"

namespace PrintModule {

// The module's file name.
QString File();
// Whether a printer is installed; false also without the module.
bool HasPrinter();
// A canvas on the default printer, or, with `pdfFile`, into that PDF file;
// null when the module cannot be loaded (Modules::Error(File()) says why).
std::unique_ptr<TPrintCanvas> OpenCanvas(const QString& pdfFile);

}  // namespace PrintModule
