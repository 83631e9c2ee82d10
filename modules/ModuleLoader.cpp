#include "modules/ModuleLoader.h"

#include "platform/ModuleFile.h"

namespace Modules {

QString Path(const QString& fileName) { return ModulePath(fileName); }

void* Entry(const QString& fileName, const char* symbol) { return ModuleEntryPoint(fileName, symbol); }

QString Error(const QString& fileName) { return ModuleError(fileName); }

void SetFolder(const QString& folder) { SetModuleFolder(folder); }

}  // namespace Modules
