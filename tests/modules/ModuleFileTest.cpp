// Tests of the look at module files before they are loaded
// (platform/ModuleFile.cpp) through the two loaders: modules/ModuleLoader.cpp
// and the browser module's in platform/BrowserView.cpp. The inputs are copies
// of the real built modules, cut short as an interrupted update or a full
// disk leaves them.
#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "modules/ModuleLoader.h"
#include "platform/BrowserView.h"
#include "platform/ModuleFile.h"
#include "tests/common/TestUtil.h"

namespace {

// Each module loaded through Modules::Entry, with one of its entries.
const std::map<QString, const char*> kModules = {{"tidy-module.so", "KvNewTidyEngine"},
                                                 {"net-module.so", "KvNewLinkConnection"},
                                                 {"print-module.so", "KvHasPrinter"}};
const QString kBrowserModule = QStringLiteral("webengine-view.so");

// The built module beside the test program.
QByteArray Built(const QString& name) {
  QFile file(QCoreApplication::applicationDirPath() + u'/' + name);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
  return file.readAll();
}

// Where the module's last loaded segment ends in the file: past it lie only
// the section headers and, in a build with debugging information, that
// information, which the loader never maps.
qsizetype SegmentsEnd(const QByteArray& whole) {
  Elf64_Ehdr header{};
  std::memcpy(&header, whole.constData(), sizeof header);
  quint64 segmentsEnd = 0;
  for (int i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr segment{};
    std::memcpy(&segment, whole.constData() + header.e_phoff + quint64(i) * header.e_phentsize, sizeof segment);
    segmentsEnd = std::max<quint64>(segmentsEnd, segment.p_offset + segment.p_filesz);
  }
  return static_cast<qsizetype>(segmentsEnd);
}

// The lengths a module is cut to: half, just after the program headers, one
// byte short of the segment that ends last, one byte short of the whole.
std::set<qsizetype> CutLengths(const QByteArray& whole) {
  Elf64_Ehdr header{};
  std::memcpy(&header, whole.constData(), sizeof header);
  const quint64 tableEnd = header.e_phoff + quint64{header.e_phnum} * header.e_phentsize;
  return {whole.size() / 2, static_cast<qsizetype>(tableEnd), SegmentsEnd(whole) - 1, whole.size() - 1};
}

// Whether the system's loader, handed `path` in a child process, ends that
// process with a signal: a bus error, or the abort by which
// AddressSanitizer reports one in the sanitizer build. What the program did
// before it looked first.
bool LoaderDies(const QString& path) {
  constexpr int kLoaded = 2;
  constexpr int kRefused = 3;
  const QByteArray native = QFile::encodeName(path);
  const pid_t child = fork();
  if (child == 0) {
    alarm(20);
    _exit(dlopen(native.constData(), RTLD_NOW | RTLD_LOCAL) ? kLoaded : kRefused);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) return true;
  return WIFEXITED(status) && WEXITSTATUS(status) != kLoaded && WEXITSTATUS(status) != kRefused;
}

// The child process `child` ends with status 0; it said on its error
// output what went wrong.
void ExpectChildSucceeded(pid_t child) {
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status)) << "the child ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << "see the child's lines above";
}

class ModuleFile : public ::testing::Test {
 protected:
  void SetUp() override {
    if (sizeof(void*) != 8) GTEST_SKIP() << "the cuts are found in 64-bit ELF headers";
  }
  void TearDown() override {
    Modules::SetFolder(QString());
    SetBrowserModulePath(QString());
  }
  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
  }
  // Loading `name` (with whatever now lies in the test's folder) through its
  // loader fails, and the loader says why: the fault's key, the file named.
  void ExpectRefused(const QString& name, TModuleFault fault, const std::string& what) {
    const QString key = QLatin1String(ModuleFaultKey(fault));
    QString error;
    if (name == kBrowserModule) {
      SetBrowserModulePath(dir.filePath(name));
      EXPECT_EQ(CreateBrowserView(nullptr, {}), nullptr) << what;
      error = BrowserModuleError();
    } else {
      Modules::SetFolder(dir.path());
      EXPECT_EQ(Modules::Entry(name, kModules.at(name)), nullptr) << what;
      error = Modules::Error(name);
    }
    EXPECT_EQ(error.split(u'\n').value(1), key) << what << ": " << error.toStdString();
    EXPECT_TRUE(error.startsWith(u'"' + dir.filePath(name) + u'"')) << what << ": " << error.toStdString();
  }

  QTemporaryDir dir;
};

// Every module cut short is refused before the system's loader sees it, with
// the reason; the same files handed to the loader end a process.
TEST_F(ModuleFile, CutShortModulesAreRefusedAndTheProcessLives) {
  QStringList names = {kBrowserModule};
  for (const auto& [name, entry] : kModules) names << name;
  int crashing = 0;
  for (const QString& name : names) {
    const QByteArray whole = Built(name);
    ASSERT_GT(whole.size(), 4096) << name.toStdString();
    for (const qsizetype length : CutLengths(whole)) {
      const std::string what = name.toStdString() + " cut to " + std::to_string(length);
      const QString path = Write(name, whole.left(length));
      EXPECT_EQ(CheckModuleFile(path).fault, TModuleFault::CutShort) << what;
      ExpectRefused(name, TModuleFault::CutShort, what);
    }
    // Cut inside its loaded segments (past them a build with debugging
    // information has only that).
    if (LoaderDies(Write(name, whole.left(SegmentsEnd(whole) / 2)))) ++crashing;
  }
  // What the check saves the program from: the halves end a process that loads them.
  EXPECT_GT(crashing, 0);
}

// A whole copy of each module loads and gives its entries.
TEST_F(ModuleFile, WholeCopiesLoad) {
  Modules::SetFolder(dir.path());
  for (const auto& [name, entry] : kModules) {
    Write(name, Built(name));
    EXPECT_NE(Modules::Entry(name, entry), nullptr) << Modules::Error(name).toStdString();
    EXPECT_TRUE(Modules::Error(name).isEmpty());
  }
  EXPECT_EQ(CheckModuleFile(Write(kBrowserModule, Built(kBrowserModule))).fault, TModuleFault::None);
  // An entry the module lacks.
  EXPECT_EQ(Modules::Entry("tidy-module.so", "KvNoSuchEntry"), nullptr);
  EXPECT_EQ(Modules::Error("tidy-module.so").split(u'\n').value(1), "ModuleNoEntry");
}

// Files that are no module of this machine: each refused at once, with its reason.
TEST_F(ModuleFile, NoModuleFilesAreRefusedWithTheirReasons) {
  const QByteArray tidy = Built("tidy-module.so");
  const auto patched = [&](size_t offset, const void* bytes, size_t count) {
    QByteArray copy = tidy;
    std::memcpy(copy.data() + offset, bytes, count);
    return copy;
  };
  const unsigned char otherClass = sizeof(void*) == 8 ? ELFCLASS32 : ELFCLASS64;
  const unsigned char otherOrder = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? ELFDATA2MSB : ELFDATA2LSB;
  const Elf64_Half otherMachine = EM_ALPHA;
  const Elf64_Half executable = ET_EXEC;
  const Elf64_Off noProgramHeaders = 0;
  const struct {
    const char* what;
    QByteArray bytes;
    TModuleFault fault;
  } files[] = {
      {"empty", QByteArray(), TModuleFault::Empty},
      {"text", "This is not a library.\n", TModuleFault::NotLibrary},
      {"only the magic", QByteArray(ELFMAG), TModuleFault::CutShort},
      {"other word size", patched(EI_CLASS, &otherClass, 1), TModuleFault::Foreign},
      {"other byte order", patched(EI_DATA, &otherOrder, 1), TModuleFault::Foreign},
      {"other processor", patched(offsetof(Elf64_Ehdr, e_machine), &otherMachine, 2), TModuleFault::Foreign},
      {"a program", patched(offsetof(Elf64_Ehdr, e_type), &executable, 2), TModuleFault::NotLibrary},
      {"no program headers", patched(offsetof(Elf64_Ehdr, e_phoff), &noProgramHeaders, 8), TModuleFault::NotLibrary},
  };
  for (const auto& f : files) {
    const QString path = Write("tidy-module.so", f.bytes);
    EXPECT_EQ(CheckModuleFile(path).fault, f.fault) << f.what;
    ExpectRefused("tidy-module.so", f.fault, f.what);
  }
  QFile::remove(dir.filePath("tidy-module.so"));
  ExpectRefused("tidy-module.so", TModuleFault::Missing, "missing");
  ASSERT_TRUE(QDir(dir.path()).mkdir("tidy-module.so"));
  ExpectRefused("tidy-module.so", TModuleFault::NotRegular, "folder");
}

// A module of its full size whose second half is zeros or garbage (a copy or
// update cut off on a file system that keeps the size) is refused with the
// reason, never handed to the system's loader; the same file once repaired
// serves in the same process. Run in a child process, so that a module
// handed to the loader ends that process, not the tests.
TEST_F(ModuleFile, DamagedModulesOfFullSizeAreRefusedAndRepairedOnesServe) {
  QStringList names = {kBrowserModule};
  for (const auto& [name, entry] : kModules) names << name;
  const auto damaged = [](QByteArray bytes, bool zeros) {
    quint32 seed = 0x2545F491u;
    for (qsizetype i = bytes.size() / 2; i < bytes.size(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      bytes[i] = zeros ? '\0' : static_cast<char>(seed >> 24);
    }
    return bytes;
  };
  for (const QString& name : names) {
    const QByteArray whole = Built(name);
    for (const QByteArray& bytes : {damaged(whole, true), damaged(whole, false)})
      EXPECT_EQ(CheckModuleFile(Write(name, bytes)).fault, TModuleFault::Damaged) << name.toStdString();
  }

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(20);
    int faults = 0;
    const auto fail = [&faults](const QString& what) {
      fprintf(stderr, "%s\n", qPrintable(what));
      ++faults;
    };
    for (const QString& name : names) {
      const QByteArray whole = Built(name);
      const bool browser = name == kBrowserModule;
      if (browser)
        SetBrowserModulePath(dir.filePath(name));
      else
        Modules::SetFolder(dir.path());
      for (const bool zeros : {true, false}) {
        const QString what = name + (zeros ? " with zeros" : " with garbage");
        Write(name, damaged(whole, zeros));
        const bool refused =
            browser ? CreateBrowserView(nullptr, {}) == nullptr : Modules::Entry(name, kModules.at(name)) == nullptr;
        const QString error = browser ? BrowserModuleError() : Modules::Error(name);
        if (!refused) fail(what + ": loaded");
        if (error != u'"' + dir.filePath(name) + QStringLiteral("\"\nModuleDamaged\n") + error.section(u'\n', 2))
          fail(what + ": " + error);
      }
      // Repaired: a whole copy in its place serves at once.
      Write(name, whole);
      if (browser) {
        if (CheckModuleFile(dir.filePath(name)).fault != TModuleFault::None) fail(name + " repaired: refused");
      } else if (!Modules::Entry(name, kModules.at(name)) || !Modules::Error(name).isEmpty()) {
        fail(name + " repaired: " + Modules::Error(name));
      }
    }
    _exit(faults == 0 ? 0 : 1);
  }
  ExpectChildSucceeded(child);
}

// A FIFO in a module's place is refused at once, not waited on.
TEST_F(ModuleFile, FifoIsRefusedWithoutWaiting) {
  for (const QString& name : {QStringLiteral("net-module.so"), kBrowserModule}) {
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0600), 0);
    ExpectRefused(name, TModuleFault::NotRegular, name.toStdString());
  }
}

}  // namespace

namespace {

// Runs a program of the system's binary tools on `path` (in place); an
// empty string when it ran, else why not.
std::string RunTool(const QStringList& command, const QString& path) {
  QProcess tool;
  tool.start(command.first(), command.mid(1) << path);
  if (!tool.waitForFinished(60000)) return "did not run: " + tool.errorString().toStdString();
  if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
    return "failed: " + tool.readAllStandardError().toStdString();
  return {};
}

// The ways distributions and installers strip a module.
const QList<QStringList> kStrips = {{"strip"}, {"strip", "--strip-unneeded"}, {"objcopy", "--strip-debug"}};


}  // namespace

// A module stripped as installers and packagers strip it keeps its seal and
// loads; stripped or not, one whose mapped bytes changed, cut short or
// without its seal is refused. The stripped modules are loaded in a child
// process, which then loads the whole and stripped copies side by side.
TEST_F(ModuleFile, StrippedModulesLoadAndChangedOnesAreStillRefused) {
  QStringList names = {kBrowserModule};
  for (const auto& [name, entry] : kModules) names << name;
  QStringList loadable;  // stripped copies, each in a folder of its own, by module name
  for (const QString& name : names) {
    const QByteArray built = Built(name);
    for (int i = 0; i < kStrips.size(); ++i) {
      const std::string what = name.toStdString() + " after " + kStrips[i].join(' ').toStdString();
      ASSERT_TRUE(QDir(dir.path()).mkpath(QString::number(i)));
      const QString path = dir.filePath(QString::number(i) + u'/' + name);
      ASSERT_TRUE(WriteFileBytes(path, built));
      const std::string ran = RunTool(kStrips[i], path);
      if (!ran.empty()) GTEST_SKIP() << kStrips[i].first().toStdString() << " " << ran;
      const QByteArray stripped = ReadFileBytes(path);
      const TModuleCheck check = CheckModuleFile(path);
      EXPECT_EQ(check.fault, TModuleFault::None) << what << ": " << check.detail.toStdString();
      loadable << path;

      // Changed where the loader maps it: one byte in the middle of its largest segment.
      const auto [at, count] = LargestLoadedSegment(stripped);
      QByteArray changed = stripped;
      changed[at + count / 2] = static_cast<char>(changed[at + count / 2] ^ 0x20);
      EXPECT_EQ(CheckModuleFile(Write(name, changed)).fault, TModuleFault::Damaged) << what << ", one byte changed";
      // Last turn's damage: the second half zeros or garbage, or the file cut short.
      for (const bool zeros : {true, false}) {
        QByteArray bytes = stripped;
        quint32 seed = 0x9E3779B9u;
        for (qsizetype k = bytes.size() / 2; k < bytes.size(); ++k) {
          seed = seed * 1664525u + 1013904223u;
          bytes[k] = zeros ? '\0' : static_cast<char>(seed >> 24);
        }
        EXPECT_EQ(CheckModuleFile(Write(name, bytes)).fault, TModuleFault::Damaged)
            << what << (zeros ? ", second half zeros" : ", second half garbage");
      }
      for (const qsizetype length : CutLengths(stripped))
        EXPECT_EQ(CheckModuleFile(Write(name, stripped.left(length))).fault, TModuleFault::CutShort)
            << what << ", cut to " << length;
    }
    // A module whose seal was taken out is refused as well.
    const QString unsealed = Write(name, built);
    const std::string ran = RunTool({"objcopy", "--remove-section", ".note.kvx-module-seal"}, unsealed);
    ASSERT_TRUE(ran.empty()) << ran;
    const TModuleCheck check = CheckModuleFile(unsealed);
    EXPECT_EQ(check.fault, TModuleFault::Damaged) << name.toStdString();
    EXPECT_EQ(check.detail, "no checksum");
  }

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(60);
    int faults = 0;
    for (const QString& path : loadable) {
      const QString name = QFileInfo(path).fileName();
      if (name == kBrowserModule) continue;  // the browser module was looked at above; it needs a display to run
      Modules::SetFolder(QFileInfo(path).absolutePath());
      if (!Modules::Entry(name, kModules.at(name))) {
        fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(Modules::Error(name)));
        ++faults;
      }
    }
    _exit(faults == 0 ? 0 : 1);
  }
  ExpectChildSucceeded(child);
}

// A module file that holds another module (whole, but without the entry
// asked for) is refused without being loaded; the right file put in its
// place then serves in the same process.
TEST_F(ModuleFile, AnotherModuleUnderItsNameIsNeverLoadedAndTheRightOneServesOnceBack) {
  Modules::SetFolder(dir.path());
  const QString path = Write("print-module.so", Built("net-module.so"));
  EXPECT_EQ(Modules::Entry("print-module.so", "KvHasPrinter"), nullptr);
  EXPECT_EQ(Modules::Error("print-module.so").split(u'\n').value(1), "ModuleNoEntry");
  EXPECT_EQ(dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD), nullptr)
      << "the other module was handed to the system's loader";
  Write("print-module.so", Built("print-module.so"));
  EXPECT_NE(Modules::Entry("print-module.so", "KvHasPrinter"), nullptr)
      << Modules::Error("print-module.so").toStdString();
  EXPECT_TRUE(Modules::Error("print-module.so").isEmpty());
}
