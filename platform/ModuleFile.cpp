#include "platform/ModuleFile.h"

#include <elf.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/RegularFile.h"

namespace {

// The kind of ELF file this process can load: its word size, byte order and processor.
constexpr bool k64Bit = sizeof(void*) == 8;
using Ehdr = std::conditional_t<k64Bit, Elf64_Ehdr, Elf32_Ehdr>;
using Phdr = std::conditional_t<k64Bit, Elf64_Phdr, Elf32_Phdr>;
using Shdr = std::conditional_t<k64Bit, Elf64_Shdr, Elf32_Shdr>;
constexpr unsigned char kClass = k64Bit ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kByteOrder = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? ELFDATA2LSB : ELFDATA2MSB;

int HostMachine() {
#if defined(__x86_64__)
  return EM_X86_64;
#elif defined(__aarch64__)
  return EM_AARCH64;
#elif defined(__i386__)
  return EM_386;
#elif defined(__arm__)
  return EM_ARM;
#elif defined(__riscv)
  return EM_RISCV;
#elif defined(__powerpc64__)
  return EM_PPC64;
#elif defined(__powerpc__)
  return EM_PPC;
#elif defined(__s390x__)
  return EM_S390;
#else
  // Elsewhere: the processor the program itself was made for.
  static const int machine = [] {
    QFile self(QStringLiteral("/proc/self/exe"));
    Ehdr header{};
    if (!self.open(QIODevice::ReadOnly) || self.read(reinterpret_cast<char*>(&header), sizeof header) != sizeof header)
      return -1;
    return static_cast<int>(header.e_machine);
  }();
  return machine;
#endif
}

std::function<QString(const QString&)>& Texts() {
  static std::function<QString(const QString&)> texts;
  return texts;
}

// `count` bytes at `offset` lie within a file of `size` bytes (no overflow).
bool Within(quint64 offset, quint64 count, quint64 size) { return offset <= size && count <= size - offset; }

bool ReadAt(QFile& file, quint64 offset, void* into, qint64 count) {
  return file.seek(static_cast<qint64>(offset)) && file.read(static_cast<char*>(into), count) == count;
}

TModuleCheck Fault(TModuleFault fault, const QString& detail = QString()) { return {fault, detail}; }

// The headers of an opened module file of `size` bytes.
TModuleCheck CheckHeaders(QFile& file, quint64 size) {
  if (size == 0) return Fault(TModuleFault::Empty);
  unsigned char ident[EI_NIDENT] = {};
  const bool identRead = ReadAt(file, 0, ident, std::min<qint64>(EI_NIDENT, static_cast<qint64>(size)));
  if (!identRead) return Fault(TModuleFault::Unreadable, file.errorString());
  if (size < SELFMAG || std::memcmp(ident, ELFMAG, SELFMAG) != 0) return Fault(TModuleFault::NotLibrary);
  if (size < EI_NIDENT) return Fault(TModuleFault::CutShort);
  if (ident[EI_CLASS] != kClass || ident[EI_DATA] != kByteOrder) return Fault(TModuleFault::Foreign);
  if (ident[EI_VERSION] != EV_CURRENT) return Fault(TModuleFault::NotLibrary);
  Ehdr header{};
  if (size < sizeof header) return Fault(TModuleFault::CutShort);
  if (!ReadAt(file, 0, &header, sizeof header)) return Fault(TModuleFault::Unreadable, file.errorString());
  if (header.e_machine != HostMachine()) return Fault(TModuleFault::Foreign);
  if (header.e_type != ET_DYN) return Fault(TModuleFault::NotLibrary);

  // The program headers: the parts of the file the loader maps.
  if (header.e_phoff == 0 || header.e_phnum == 0 || header.e_phentsize != sizeof(Phdr))
    return Fault(TModuleFault::NotLibrary);
  if (!Within(header.e_phoff, quint64{header.e_phnum} * sizeof(Phdr), size)) return Fault(TModuleFault::CutShort);
  std::vector<Phdr> segments(header.e_phnum);
  const auto tableSize = static_cast<qint64>(sizeof(Phdr)) * header.e_phnum;
  if (!ReadAt(file, header.e_phoff, segments.data(), tableSize))
    return Fault(TModuleFault::Unreadable, file.errorString());
  bool loads = false;
  bool dynamic = false;
  for (const Phdr& segment : segments) {
    loads = loads || segment.p_type == PT_LOAD;
    dynamic = dynamic || segment.p_type == PT_DYNAMIC;
    // Every segment with bytes in the file, of whatever type, has them all there.
    if (segment.p_filesz != 0 && !Within(segment.p_offset, segment.p_filesz, size))
      return Fault(TModuleFault::CutShort);
  }
  if (!loads || !dynamic) return Fault(TModuleFault::NotLibrary);

  // The section header table, when there is one, comes last in the files
  // linkers write: a file that lacks it lacks its end.
  if (header.e_shoff != 0) {
    if (header.e_shentsize != sizeof(Shdr)) return Fault(TModuleFault::NotLibrary);
    quint64 sections = header.e_shnum;
    if (sections == 0) {  // more sections than the header can count: the first one holds the number
      Shdr first{};
      if (!Within(header.e_shoff, sizeof first, size)) return Fault(TModuleFault::CutShort);
      if (!ReadAt(file, header.e_shoff, &first, sizeof first))
        return Fault(TModuleFault::Unreadable, file.errorString());
      sections = first.sh_size;
    }
    if (sections > size / sizeof(Shdr) || !Within(header.e_shoff, sections * sizeof(Shdr), size))
      return Fault(TModuleFault::CutShort);
  }
  return {};
}

// The checksum line that ends every module (modules/ModuleSeal.cmake): the
// tag, the SHA-256 of every byte before the line in hexadecimal, a line end.
constexpr QByteArrayView kSealTag = "KV-MODULE-SHA256:";
constexpr qsizetype kSealDigits = 64;
constexpr qsizetype kSealSize = kSealTag.size() + kSealDigits + 1;

// The bytes of an opened module file of `size` bytes against its checksum.
TModuleCheck CheckSeal(QFile& file, quint64 size) {
  const qint64 tailSize = std::min<qint64>(static_cast<qint64>(size), 2 * kSealSize);
  const qint64 tailAt = static_cast<qint64>(size) - tailSize;
  QByteArray tail(tailSize, '\0');
  if (!ReadAt(file, static_cast<quint64>(tailAt), tail.data(), tailSize))
    return Fault(TModuleFault::Unreadable, file.errorString());
  const qsizetype at = tail.lastIndexOf(kSealTag);
  if (at < 0) return Fault(TModuleFault::Damaged, QStringLiteral("no checksum"));
  // A file that ends inside its checksum lacks its end.
  if (tail.size() - at < kSealSize) return Fault(TModuleFault::CutShort);
  if (tail.size() - at > kSealSize || !tail.endsWith('\n'))
    return Fault(TModuleFault::Damaged, QStringLiteral("no checksum at the end"));
  const QByteArray recorded = tail.mid(at + kSealTag.size(), kSealDigits);

  QCryptographicHash hash(QCryptographicHash::Sha256);
  const qint64 sealed = tailAt + at;
  if (!file.seek(0)) return Fault(TModuleFault::Unreadable, file.errorString());
  constexpr qint64 kChunk = 1 << 16;
  QByteArray chunk(kChunk, '\0');
  for (qint64 done = 0; done < sealed;) {
    const qint64 count = file.read(chunk.data(), std::min(kChunk, sealed - done));
    if (count <= 0) return Fault(TModuleFault::Unreadable, file.errorString());
    hash.addData(QByteArrayView(chunk.constData(), count));
    done += count;
  }
  if (hash.result().toHex() != recorded)
    return Fault(TModuleFault::Damaged, QStringLiteral("checksum ") + QString::fromLatin1(hash.result().toHex()) +
                                            QStringLiteral(", built with ") + QString::fromLatin1(recorded));
  return {};
}

// The modules by file name: where a test put one, what was loaded, why not.
struct Loaded {
  std::unique_ptr<QLibrary> library;  // once loaded; never unloaded
  QHash<QByteArray, void*> entries;
  QString error;
};

struct Loader {
  QString folder;                          // empty: beside the executable, or installed
  QHash<QString, QString> paths;           // modules taken from elsewhere
  std::unordered_map<QString, Loaded> modules;
};

Loader& Modules() {
  static Loader loader;
  return loader;
}

}  // namespace

TModuleCheck CheckModuleFile(const QString& path) {
  if (path.isEmpty() || !QFileInfo::exists(path)) return Fault(TModuleFault::Missing);
  QFile file;
  QString error;
  switch (OpenRegularFile(path, file, &error)) {
    case TRegularOpen::NotRegular:
      return Fault(TModuleFault::NotRegular);
    case TRegularOpen::Failed:
      return QFileInfo::exists(path) ? Fault(TModuleFault::Unreadable, error) : Fault(TModuleFault::Missing);
    case TRegularOpen::Opened:
      break;
  }
  const auto size = static_cast<quint64>(file.size());
  const TModuleCheck headers = CheckHeaders(file, size);
  return headers.fault == TModuleFault::None ? CheckSeal(file, size) : headers;
}

bool LoadModule(QLibrary& library, TModuleCheck& check) {
  check = CheckModuleFile(library.fileName());
  if (check.fault != TModuleFault::None) return false;
  if (library.load()) return true;
  check = Fault(TModuleFault::NotLoaded, library.errorString());
  return false;
}

void* ModuleEntry(QLibrary& library, const char* symbol, TModuleCheck& check) {
  void* entry = reinterpret_cast<void*>(library.resolve(symbol));
  check = entry ? TModuleCheck{} : Fault(TModuleFault::NoEntry, QString::fromLatin1(symbol));
  return entry;
}

const char* ModuleFaultKey(TModuleFault fault) {
  switch (fault) {
    case TModuleFault::None:
      return "";
    case TModuleFault::Missing:
      return "ModuleMissing";
    case TModuleFault::NotRegular:
      return "ModuleNotFile";
    case TModuleFault::Unreadable:
      return "ModuleUnreadable";
    case TModuleFault::Empty:
      return "ModuleEmpty";
    case TModuleFault::NotLibrary:
      return "ModuleNotLibrary";
    case TModuleFault::Foreign:
      return "ModuleForeign";
    case TModuleFault::CutShort:
      return "ModuleCutShort";
    case TModuleFault::Damaged:
      return "ModuleDamaged";
    case TModuleFault::NotLoaded:
      return "ModuleNotLoaded";
    case TModuleFault::NoEntry:
      return "ModuleNoEntry";
  }
  return "";
}

QString ModuleFaultText(const QString& path, const TModuleCheck& check) {
  if (check.fault == TModuleFault::None) return {};
  const QString key = QLatin1String(ModuleFaultKey(check.fault));
  QString text = u'"' + QDir::toNativeSeparators(path) + QStringLiteral("\"\n") + (Texts() ? Texts()(key) : key);
  if (!check.detail.isEmpty()) text += u'\n' + check.detail;
  return text;
}

void SetModuleTexts(std::function<QString(const QString& key)> texts) { Texts() = std::move(texts); }

QString ModulePath(const QString& fileName) {
  const Loader& loader = Modules();
  if (const auto it = loader.paths.constFind(fileName); it != loader.paths.cend()) return *it;
  if (!loader.folder.isEmpty()) return loader.folder + u'/' + fileName;
  const QString bin = QCoreApplication::applicationDirPath();
  const QString beside = bin + u'/' + fileName;
  const QString installed = QDir::cleanPath(bin + QStringLiteral("/" KV_MODULE_FROM_BIN "/") + fileName);
  return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

void* ModuleEntryPoint(const QString& fileName, const char* symbol) {
  Loaded& module = Modules().modules[fileName];
  if (void* entry = module.entries.value(symbol)) return entry;
  const QString path = ModulePath(fileName);
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

QString ModuleError(const QString& fileName) {
  const auto it = Modules().modules.find(fileName);
  return it == Modules().modules.end() ? QString() : it->second.error;
}

void SetModuleFolder(const QString& folder) {
  Modules().folder = folder;
  Modules().modules.clear();
}

void SetModulePath(const QString& fileName, const QString& path) {
  if (path.isEmpty())
    Modules().paths.remove(fileName);
  else
    Modules().paths.insert(fileName, path);
  Modules().modules.erase(fileName);
}
