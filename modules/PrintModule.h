// Printing on a printer or into a PDF file, by the print module
// (print-module.so, on Qt Print Support), so that the program loads the
// print libraries only when something is first printed.
#pragma once

#include <QString>
#include <memory>

#include "editor/SrcEditPrinterInfo.h"
#include "platform/SafeFile.h"

namespace PrintModule {

// The module's file name.
QString File();
// Whether a printer is installed; false also without the module.
bool HasPrinter();
// A canvas on the default printer, or, with `pdfFile`, into that PDF file;
// null when the module cannot be loaded (Modules::Error(File()) says why).
// The PDF file is written through the safe save (platform/SafeFile.h) when
// the job starts and ends: the pages go to a temporary, which takes the
// file's place, or, where the file is written over in place (it has other
// hard links, another owner, or lies in a folder that takes no new file), is
// copied into it, only when the job ends whole. A job stopped, failed or
// killed, or a name that leads to no regular file (a FIFO, a device), leaves
// what is there as it was. The user chose the name in a save dialog, so a
// file that must be written in place is, without a further question; a
// write-protected file is replaced only when `askWriteProtected` (asked with
// TInPlaceReason::WriteProtected) answers yes.
std::unique_ptr<TPrintCanvas> OpenCanvas(const QString& pdfFile, const TInPlaceQuestion& askWriteProtected = {});

}  // namespace PrintModule
