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
#include <cstddef>
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
using Sym = std::conditional_t<k64Bit, Elf64_Sym, Elf32_Sym>;
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

// What the headers of a module file say: the file header and the program
// headers (the parts of the file the loader maps).
struct Headers {
  Ehdr file{};
  std::vector<Phdr> segments;
};

// The headers of an opened module file of `size` bytes.
TModuleCheck CheckHeaders(QFile& file, quint64 size, Headers& headers) {
  if (size == 0) return Fault(TModuleFault::Empty);
  unsigned char ident[EI_NIDENT] = {};
  const bool identRead = ReadAt(file, 0, ident, std::min<qint64>(EI_NIDENT, static_cast<qint64>(size)));
  if (!identRead) return Fault(TModuleFault::Unreadable, file.errorString());
  if (size < SELFMAG || std::memcmp(ident, ELFMAG, SELFMAG) != 0) return Fault(TModuleFault::NotLibrary);
  if (size < EI_NIDENT) return Fault(TModuleFault::CutShort);
  if (ident[EI_CLASS] != kClass || ident[EI_DATA] != kByteOrder) return Fault(TModuleFault::Foreign);
  if (ident[EI_VERSION] != EV_CURRENT) return Fault(TModuleFault::NotLibrary);
  Ehdr& header = headers.file;
  if (size < sizeof header) return Fault(TModuleFault::CutShort);
  if (!ReadAt(file, 0, &header, sizeof header)) return Fault(TModuleFault::Unreadable, file.errorString());
  if (header.e_machine != HostMachine()) return Fault(TModuleFault::Foreign);
  if (header.e_type != ET_DYN) return Fault(TModuleFault::NotLibrary);

  if (header.e_phoff == 0 || header.e_phnum == 0 || header.e_phentsize != sizeof(Phdr))
    return Fault(TModuleFault::NotLibrary);
  if (!Within(header.e_phoff, quint64{header.e_phnum} * sizeof(Phdr), size)) return Fault(TModuleFault::CutShort);
  std::vector<Phdr>& segments = headers.segments;
  segments.resize(header.e_phnum);
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
  // linkers and strip write: a file that lacks it lacks its end.
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

// Whether a module's exported names hold the entry asked for; Unknown
// without a section table to find them by.
enum class Export { Present, Absent, Unknown };

// The section table of a module whose headers passed: every section's bytes
// within the file, its names in a string table. Zeros or garbage where the
// table lies (the end of a file, which the loader never maps) are found here.
// With `entry`, also looks for it among the exported names.
TModuleCheck CheckSections(QFile& file, quint64 size, const Ehdr& header, const char* entry, Export& found) {
  found = Export::Unknown;
  if (header.e_shoff == 0) return {};
  const auto damaged = [] { return Fault(TModuleFault::Damaged, QStringLiteral("garbled section table")); };
  Shdr first{};
  if (!ReadAt(file, header.e_shoff, &first, sizeof first)) return Fault(TModuleFault::Unreadable, file.errorString());
  const quint64 count = header.e_shnum != 0 ? header.e_shnum : first.sh_size;
  std::vector<Shdr> sections(count);
  if (!ReadAt(file, header.e_shoff, sections.data(), static_cast<qint64>(count * sizeof(Shdr))))
    return Fault(TModuleFault::Unreadable, file.errorString());
  const quint64 names = header.e_shstrndx == SHN_XINDEX ? first.sh_link : header.e_shstrndx;
  if (first.sh_type != SHT_NULL || names == 0 || names >= count || sections[names].sh_type != SHT_STRTAB)
    return damaged();
  for (const Shdr& section : sections) {
    if (section.sh_type != SHT_NOBITS && section.sh_type != SHT_NULL &&
        !Within(section.sh_offset, section.sh_size, size))
      return damaged();
    if (&section != &sections.front() && section.sh_name >= sections[names].sh_size) return damaged();
  }
  if (!entry) return {};
  // The exported names: the dynamic symbols defined here, named in the
  // string table the symbol section links to.
  const auto dynsym =
      std::find_if(sections.begin(), sections.end(), [](const Shdr& section) { return section.sh_type == SHT_DYNSYM; });
  if (dynsym == sections.end()) return {};
  if (dynsym->sh_entsize != sizeof(Sym) || dynsym->sh_link >= count || sections[dynsym->sh_link].sh_type != SHT_STRTAB)
    return damaged();
  const Shdr& strings = sections[dynsym->sh_link];
  // The tables of a module are small; a bound keeps a hostile one from taking memory.
  constexpr quint64 kTableLimit = quint64{64} << 20;
  if (dynsym->sh_size > kTableLimit || strings.sh_size > kTableLimit) return damaged();
  std::vector<Sym> symbols(dynsym->sh_size / sizeof(Sym));
  QByteArray text(static_cast<qsizetype>(strings.sh_size), '\0');
  const qint64 symbolBytes = static_cast<qint64>(symbols.size()) * static_cast<qint64>(sizeof(Sym));
  if (!ReadAt(file, dynsym->sh_offset, symbols.data(), symbolBytes) ||
      !ReadAt(file, strings.sh_offset, text.data(), text.size()))
    return Fault(TModuleFault::Unreadable, file.errorString());
  const QByteArrayView wanted(entry);
  found = Export::Absent;
  for (const Sym& symbol : symbols) {
    if (symbol.st_shndx == SHN_UNDEF || symbol.st_name >= strings.sh_size) continue;
    const char* name = text.constData() + symbol.st_name;
    if (QByteArrayView(name, qstrnlen(name, text.size() - symbol.st_name)) == wanted) {
      found = Export::Present;
      break;
    }
  }
  return {};
}

// The seal (modules/ModuleSeal.cmake): a note in a note segment of the
// module, whose descriptor lies in its mapped bytes. -1 when there is none.
qint64 FindSeal(QFile& file, const Headers& headers) {
  constexpr quint32 kOwnerSize = sizeof kModuleSealOwner;
  for (const Phdr& segment : headers.segments) {
    if (segment.p_type != PT_NOTE || segment.p_filesz > (1u << 20)) continue;
    std::vector<char> notes(segment.p_filesz);
    if (!ReadAt(file, segment.p_offset, notes.data(), static_cast<qint64>(notes.size()))) continue;
    const quint64 align = segment.p_align == 8 ? 8 : 4;
    const auto padded = [align](quint64 n) { return (n + align - 1) / align * align; };
    for (quint64 at = 0; at + 3 * sizeof(quint32) <= notes.size();) {
      quint32 note[3];  // owner size, descriptor size, type
      std::memcpy(note, notes.data() + at, sizeof note);
      const quint64 owner = at + sizeof note;
      const quint64 desc = owner + padded(note[0]);
      const quint64 next = desc + padded(note[1]);
      if (next > notes.size() || next <= at) break;
      if (note[0] == kOwnerSize && note[1] == kModuleSealSize && note[2] == kModuleSealType &&
          std::memcmp(notes.data() + owner, kModuleSealOwner, kOwnerSize) == 0) {
        const quint64 offset = segment.p_offset + desc;
        const bool mapped = std::any_of(headers.segments.begin(), headers.segments.end(), [offset](const Phdr& s) {
          return s.p_type == PT_LOAD && offset >= s.p_offset && offset - s.p_offset + kModuleSealSize <= s.p_filesz;
        });
        return mapped ? static_cast<qint64>(offset) : -1;
      }
      at = next;
    }
  }
  return -1;
}

// The SHA-256 of the module's mapped bytes: every loadable segment's bytes
// in the file, in the order of the program headers, with the seal's
// descriptor and the file header's fields that say where the section table
// lies (which strip rewrites; the loader reads neither) counted as zero.
QByteArray MappedChecksum(QFile& file, const Headers& headers, qint64 seal, QString& error) {
  struct Range {
    quint64 from, count;
  };
  const Range zeroed[] = {{offsetof(Ehdr, e_shoff), sizeof(Ehdr::e_shoff)},
                          {offsetof(Ehdr, e_shnum), sizeof(Ehdr::e_shnum)},
                          {offsetof(Ehdr, e_shstrndx), sizeof(Ehdr::e_shstrndx)},
                          {static_cast<quint64>(seal), kModuleSealSize}};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  constexpr quint64 kChunk = 1 << 16;
  QByteArray chunk(kChunk, '\0');
  for (const Phdr& segment : headers.segments) {
    if (segment.p_type != PT_LOAD) continue;
    for (quint64 done = 0; done < segment.p_filesz;) {
      const quint64 at = segment.p_offset + done;
      const quint64 count = std::min(kChunk, segment.p_filesz - done);
      if (!ReadAt(file, at, chunk.data(), static_cast<qint64>(count))) {
        error = file.errorString();
        return {};
      }
      for (const Range& r : zeroed) {
        const quint64 from = std::max(r.from, at);
        const quint64 to = std::min(r.from + r.count, at + count);
        if (from < to) std::memset(chunk.data() + (from - at), 0, to - from);
      }
      hash.addData(QByteArrayView(chunk.constData(), static_cast<qsizetype>(count)));
      done += count;
    }
  }
  return hash.result();
}

// A checksum as the user may compare it: hexadecimal in groups of sixteen
// digits, so that a message box can break it into lines.
QString Digits(const QByteArray& checksum) {
  QString hex = QString::fromLatin1(checksum.toHex());
  for (qsizetype at = hex.size() - 16; at > 0; at -= 16) hex.insert(at, u' ');
  return hex;
}

// Looks at an opened module file: its headers and sections, whether it
// exports `entry` (when given), its seal and the checksum of its mapped bytes.
TModuleCheck Inspect(QFile& file, const char* entry, TModuleSeal& seal, Export& found) {
  const auto size = static_cast<quint64>(file.size());
  Headers headers;
  if (TModuleCheck check = CheckHeaders(file, size, headers); check.fault != TModuleFault::None) return check;
  if (TModuleCheck check = CheckSections(file, size, headers.file, entry, found); check.fault != TModuleFault::None)
    return check;
  seal.offset = FindSeal(file, headers);
  if (seal.offset < 0) return Fault(TModuleFault::Damaged, QStringLiteral("no checksum"));
  seal.recorded.resize(kModuleSealSize);
  if (!ReadAt(file, static_cast<quint64>(seal.offset), seal.recorded.data(), kModuleSealSize))
    return Fault(TModuleFault::Unreadable, file.errorString());
  QString error;
  seal.computed = MappedChecksum(file, headers, seal.offset, error);
  if (seal.computed.isEmpty()) return Fault(TModuleFault::Unreadable, error);
  return {};
}

TModuleCheck OpenModuleFile(const QString& path, QFile& file) {
  if (path.isEmpty() || !QFileInfo::exists(path)) return Fault(TModuleFault::Missing);
  QString error;
  switch (OpenRegularFile(path, file, &error)) {
    case TRegularOpen::NotRegular:
      return Fault(TModuleFault::NotRegular);
    case TRegularOpen::Failed:
      return QFileInfo::exists(path) ? Fault(TModuleFault::Unreadable, error) : Fault(TModuleFault::Missing);
    case TRegularOpen::Opened:
      break;
  }
  return {};
}

// The modules by file name: where a test put one, what was loaded, why not.
struct Loaded {
  std::unique_ptr<QLibrary> library;  // once loaded; never unloaded
  QHash<QByteArray, void*> entries;
  QString error;
};

struct Loader {
  QString folder;                 // empty: beside the executable, or installed
  QHash<QString, QString> paths;  // modules taken from elsewhere
  std::unordered_map<QString, Loaded> modules;
};

Loader& Modules() {
  static Loader loader;
  return loader;
}

}  // namespace

TModuleCheck ReadModuleSeal(const QString& path, TModuleSeal& seal) {
  QFile file;
  if (TModuleCheck check = OpenModuleFile(path, file); check.fault != TModuleFault::None) return check;
  Export found = Export::Unknown;
  return Inspect(file, nullptr, seal, found);
}

TModuleCheck CheckModuleFile(const QString& path, const char* entry) {
  QFile file;
  if (TModuleCheck check = OpenModuleFile(path, file); check.fault != TModuleFault::None) return check;
  TModuleSeal seal;
  Export found = Export::Unknown;
  if (TModuleCheck check = Inspect(file, entry, seal, found); check.fault != TModuleFault::None) return check;
  if (seal.computed != seal.recorded)
    return Fault(TModuleFault::Damaged, QStringLiteral("checksum ") + Digits(seal.computed) +
                                            QStringLiteral("\nbuilt with ") + Digits(seal.recorded));
  // Another whole module under this one's name.
  if (found == Export::Absent) return Fault(TModuleFault::NoEntry, QString::fromLatin1(entry));
  return {};
}

bool LoadModule(QLibrary& library, TModuleCheck& check, const char* entry) {
  check = CheckModuleFile(library.fileName(), entry);
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
    if (!LoadModule(*library, check, symbol)) {
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
