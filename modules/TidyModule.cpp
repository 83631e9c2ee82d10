// The tidy module: HTML Tidy's engine for the program's document windows.
#include <QtGlobal>

#include "authoring/LibTidy.h"
#include "modules/ModuleEntries.h"

extern "C" Q_DECL_EXPORT ITidyEngine* KvNewTidyEngine() { return new TLibTidy; }
