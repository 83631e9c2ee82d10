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
// The PDF file is written through the safe save (platform/SafeFile.h): the
// pages go to a temporary beside it, which takes its place when the job ends;
// a job stopped or failed, or a name that leads to no regular file (a FIFO,
// a device), leaves what is there as it was. The user chose the name in a
// save dialog, so a file with other links or another owner is written in
// place.
std::unique_ptr<TPrintCanvas> OpenCanvas(const QString& pdfFile);

}  // namespace PrintModule
