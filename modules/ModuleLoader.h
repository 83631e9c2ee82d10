// The program's optional parts that the first window does not need (the
// network for the link check, printing, HTML Tidy) live in modules of their
// own, loaded with QLibrary the first time they are used, so that starting
// the program does not load their libraries. A module that cannot be loaded
// is reported where it is needed; everything else goes on working. The one
// loader of every module (platform/ModuleFile.h) does the work.
#pragma once

#include <QString>

namespace Modules {

// The entry `symbol` of the module file `fileName` (beside the executable in
// the build tree, in the program's module folder when installed), loaded on
// the first call and kept for the rest of the process; null when the module
// or its entry cannot be found: Error(fileName) then says why. A module file
// that is not whole (cut short, damaged, empty, not a library of this
// machine, not a file) is refused before it is loaded (platform/ModuleFile.h)
// and looked at again on the next call.
void* Entry(const QString& fileName, const char* symbol);
// Why the module could not be loaded the last time, as the user reads it
// (the file and the language module's text of the fault); empty after a success.
QString Error(const QString& fileName);
// Where `fileName` is looked for.
QString Path(const QString& fileName);
// Looks for every module in `folder` from now on (tests); empty for the default.
void SetFolder(const QString& folder);

}  // namespace Modules
