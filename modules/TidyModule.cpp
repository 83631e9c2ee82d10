// The tidy module: HTML Tidy's engine for the program's document windows.
#include "authoring/LibTidy.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT ITidyEngine* KvNewTidyEngine() { return new TLibTidy; }
