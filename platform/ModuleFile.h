// The program's modules (shared libraries loaded when first used: the
// network, printing, HTML Tidy, the browser engine) are looked at before they
// are loaded. The system's loader maps a library file into memory; a file cut
// short (an update interrupted, a full disk) maps without complaint and ends
// the program with a bus error as soon as a missing page is touched, which
// may be inside the loader itself; a file of its full size whose bytes are
// not all there (zeros or garbage where a copy or update was cut off) loads
// and runs them. So a module is loaded only when it is a regular file of this
// machine's kind whose every part the headers name lies within the file,
// whose section table is sound, whose mapped bytes match the checksum sealed
// into it when it was built (modules/ModuleSeal.cmake), and which has the
// entry asked for.
//
// The seal is a note inside the module's first loaded segment and covers the
// bytes the system's loader maps (every loadable segment), so that `strip`,
// `objcopy --strip-debug` and `install -s`, which remove or move only what is
// not mapped, leave a module that still loads.
//
// One loader serves every module, the browser module as well: it finds the
// module, looks at it, loads it once and keeps it, and remembers why it could
// not.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

class QLibrary;

enum class TModuleFault {
  None,        // whole: may be loaded
  Missing,     // no such file
  NotRegular,  // a folder, FIFO, device or socket
  Unreadable,  // cannot be opened or read
  Empty,       // no bytes at all
  NotLibrary,  // not a shared library (no ELF file, or one that cannot be loaded)
  Foreign,     // a library of another kind of machine (word size, byte order, processor)
  CutShort,    // parts the headers name lie beyond the file's end
  Damaged,     // its mapped bytes do not match the checksum it was built with, it has none, or its
               // section table is garbled
  NotLoaded,   // whole, but the system's loader refused it (a library it needs is missing)
  NoEntry,     // without the entry asked for (another module under its name)
};

struct TModuleCheck {
  TModuleFault fault = TModuleFault::None;
  QString detail;  // what exactly, for the curious (not translated); may be empty
};

// The seal's note (modules/ModuleSealNote.cpp): owner "KvxSeal", this type,
// and a descriptor of the 32 bytes of a SHA-256.
inline constexpr char kModuleSealOwner[] = "KvxSeal";
inline constexpr std::uint32_t kModuleSealType = 0x4b560001;
inline constexpr int kModuleSealSize = 32;

// A module's seal: where the checksum it was built with lies in the file, that
// checksum, and the checksum of its mapped bytes as they are now.
struct TModuleSeal {
  qint64 offset = -1;
  QByteArray recorded;
  QByteArray computed;
};

// Looks at the module file at `path` without loading it and without ever
// waiting on it (a FIFO put in its place is refused at once). With `entry`,
// a module that lacks that entry in its table of exported names is refused
// as NoEntry (a module whose section table was taken away is let through).
TModuleCheck CheckModuleFile(const QString& path, const char* entry = nullptr);
// Reads the seal of the module at `path`, after the same look at its headers
// and sections; fails (Damaged) when it has no seal. The two checksums need
// not agree: the build writes `computed` at `offset` after each link.
TModuleCheck ReadModuleSeal(const QString& path, TModuleSeal& seal);

// Loads `library` (its file name set) once its file passed CheckModuleFile
// with `entry`; false when either fails, and `check` then says why. A library
// once loaded stays loaded for the rest of the process.
bool LoadModule(QLibrary& library, TModuleCheck& check, const char* entry = nullptr);
// The entry `symbol` of a loaded `library`; null, and `check` says so, when
// it has none.
void* ModuleEntry(QLibrary& library, const char* symbol, TModuleCheck& check);

// Why the module at `path` could not be used, as the user reads it: the
// file's name in quotes, the text of the fault from the language module and
// the detail, one to a line. Empty for TModuleFault::None.
QString ModuleFaultText(const QString& path, const TModuleCheck& check);
// The language module's key of each fault's text.
const char* ModuleFaultKey(TModuleFault fault);
// Where the texts come from (the program's language module); without it the
// keys stand for the texts.
void SetModuleTexts(std::function<QString(const QString& key)> texts);

// The program's modules by file name ("tidy-module.so"): looked for beside
// the executable in the build tree, in the program's module folder when
// installed.
QString ModulePath(const QString& fileName);
// The entry `symbol` of the module `fileName`, loaded on the first call and
// kept for the rest of the process; null when the module or its entry cannot
// be had: ModuleError(fileName) then says why. A module refused, also one
// without the entry asked for (another module under its name), is never
// loaded and is looked at again on the next call, so a repaired file serves
// without a restart.
void* ModuleEntryPoint(const QString& fileName, const char* symbol);
// Why the module could not be used the last time, as ModuleFaultText says
// it; empty after a success.
QString ModuleError(const QString& fileName);
// Looks for every module in `folder` from now on (tests); empty for the
// default. Forgets what was loaded (the libraries stay loaded).
void SetModuleFolder(const QString& folder);
// Takes the module `fileName` from `path` from now on (tests); empty for the
// default. Forgets what was loaded of it.
void SetModulePath(const QString& fileName, const QString& path);
