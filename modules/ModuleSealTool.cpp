// Seals modules after they are linked (see ModuleSeal.cmake): writes the
// checksum of each module's mapped bytes into its seal.
//   kv-module-seal MODULE...
#include <QFile>
#include <cstdio>

#include "platform/Exceptions.h"
#include "platform/ModuleFile.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

int main(int argc, char** argv) {
  int failed = 0;
  for (int i = 1; i < argc; ++i) {
    const QString path = QFile::decodeName(argv[i]);
    TModuleSeal seal;
    const TModuleCheck check = ReadModuleSeal(path, seal);
    if (check.fault != TModuleFault::None) {
      std::fprintf(stderr, "kv-module-seal: %s: %s %s\n", argv[i], ModuleFaultKey(check.fault),
                   qPrintable(check.detail));
      ++failed;
      continue;
    }
    if (seal.recorded == seal.computed) continue;
    try {
      QByteArray bytes = ReadRegularFileOrRaise(path);
      bytes.replace(seal.offset, seal.computed.size(), seal.computed);
      SafeFile::Write(path, bytes);
    } catch (const Exception& e) {
      std::fprintf(stderr, "kv-module-seal: %s\n", qPrintable(e.Message()));
      ++failed;
    }
  }
  return failed == 0 ? 0 : 1;
}
