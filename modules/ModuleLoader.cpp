#include "modules/ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>

namespace Modules {
namespace {

struct Loaded {
  QHash<QByteArray, void*> entries;
  QString error;
};

struct State {
  QString folder;  // empty: beside the executable, or installed
  QHash<QString, Loaded> modules;
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
  // The library stays loaded for the rest of the process: what it made may
  // live as long as the program.
  QLibrary library(Path(fileName));
  void* entry = library.load() ? reinterpret_cast<void*>(library.resolve(symbol)) : nullptr;
  if (!entry) {
    module.error = library.errorString();
    return nullptr;
  }
  module.error.clear();
  module.entries.insert(symbol, entry);
  return entry;
}

QString Error(const QString& fileName) { return Modules().modules.value(fileName).error; }

void SetFolder(const QString& folder) {
  Modules().folder = folder;
  Modules().modules.clear();
}

}  // namespace Modules
