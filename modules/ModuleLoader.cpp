#include "modules/ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <memory>
#include <unordered_map>

#include "platform/ModuleFile.h"

namespace Modules {
namespace {

struct Loaded {
  std::unique_ptr<QLibrary> library;  // once loaded; never unloaded
  QHash<QByteArray, void*> entries;
  QString error;
};

struct State {
  QString folder;  // empty: beside the executable, or installed
  std::unordered_map<QString, Loaded> modules;
};

State& Modules() {
  static State state;
  return state;
}

}  // namespace

QString Path(const QString& fileName) {
  if (!Modules().folder.isEmpty()) return Modules().folder + u'/' + fileName;
  const QString bin = QCoreApplication::applicationDirPath();
  const QString beside = bin + u'/' + fileName;
  const QString installed = QDir::cleanPath(bin + QStringLiteral("/" KV_MODULE_FROM_BIN "/") + fileName);
  return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

void* Entry(const QString& fileName, const char* symbol) {
  Loaded& module = Modules().modules[fileName];
  if (void* entry = module.entries.value(symbol)) return entry;
  const QString path = Path(fileName);
  TModuleCheck check;
  if (!module.library) {
    // The library stays loaded for the rest of the process: what it made may
    // live as long as the program. A file that is not whole is never handed
    // to the system's loader; it is looked at again on the next call.
    auto library = std::make_unique<QLibrary>(path);
    if (!LoadModule(*library, check)) {
      module.error = ModuleFaultText(path, check);
      return nullptr;
    }
    module.library = std::move(library);
  }
  void* entry = ModuleEntry(*module.library, symbol, check);
  if (!entry) {
    module.error = ModuleFaultText(path, check);
    return nullptr;
  }
  module.error.clear();
  module.entries.insert(symbol, entry);
  return entry;
}

QString Error(const QString& fileName) {
  const auto it = Modules().modules.find(fileName);
  return it == Modules().modules.end() ? QString() : it->second.error;
}

void SetFolder(const QString& folder) {
  Modules().folder = folder;
  Modules().modules.clear();
}

}  // namespace Modules
