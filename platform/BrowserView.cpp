#include "platform/BrowserView.h"

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <cerrno>
#include <cstdio>

#include "modules/ModuleEntries.h"
#include "platform/ModuleFile.h"

namespace {

TBrowserViewFactory& Factory() {
  static TBrowserViewFactory factory;
  return factory;
}

// The browser module: where it is looked for, its entry point once loaded,
// and why the last attempt to load it failed.
struct BrowserModule {
  QString path;  // empty: beside the executable
  TCreateBrowserViewEntry entry = nullptr;
  QString error;
};

BrowserModule& Module() {
  static BrowserModule module;
  return module;
}

// Once loaded, the engine remarks that it was not prepared before the
// application object and that it draws its pages without a shared OpenGL
// context. That is by choice: such a context would cost every start-up of the
// program. Those remarks are passed on only when the engine's messages were
// asked for; everything else goes where it went before.
QtMessageHandler previousHandler = nullptr;

void QuietEngineRemarks(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  static const char* const remarks[] = {"Qt WebEngine seems to be initialized from a plugin",
                                        "No suitable graphics backend found", "Scenegraph already initialized",
                                        "WebEngineContext used before"};
  for (const char* remark : remarks)
    if (text.startsWith(QLatin1String(remark))) return;
  if (previousHandler) previousHandler(type, context, text);
}

}  // namespace

QString BrowserModulePath() {
  if (!Module().path.isEmpty()) return Module().path;
  // Beside the executable in the build tree; in its own folder when installed.
  const QString beside = QCoreApplication::applicationDirPath() + u'/' + QStringLiteral(KV_BROWSER_MODULE_FILE);
  const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                            QStringLiteral("/" KV_MODULE_FROM_BIN "/" KV_BROWSER_MODULE_FILE));
  return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

void SetBrowserModulePath(const QString& path) { Module() = BrowserModule{path, nullptr, QString()}; }

QString BrowserModuleError() { return Module().error; }

std::unique_ptr<IBrowserView> CreateBrowserView(QWidget* parent, TBrowserViewHost host) {
  if (Factory()) return Factory()(parent, std::move(host));
  BrowserModule& module = Module();
  if (module.entry) return std::unique_ptr<IBrowserView>(module.entry(parent, &host));
  PrepareBrowserEngine();
  static const bool quiet =
      qgetenv("KV_BROWSER_DEBUG") != "1" && (previousHandler = qInstallMessageHandler(QuietEngineRemarks), true);
  Q_UNUSED(quiet);
  // The library stays loaded for the rest of the process: its views and the
  // engine live as long as the program. A file that is not whole is never
  // handed to the system's loader.
  const QString path = BrowserModulePath();
  QLibrary library(path);
  TModuleCheck check;
  if (LoadModule(library, check))
    module.entry = reinterpret_cast<TCreateBrowserViewEntry>(ModuleEntry(library, "KvCreateBrowserView", check));
  if (!module.entry) {
    module.error = ModuleFaultText(path, check);
    return nullptr;
  }
  module.error.clear();
  return std::unique_ptr<IBrowserView>(module.entry(parent, &host));
}

void SetBrowserViewFactory(TBrowserViewFactory factory) { Factory() = std::move(factory); }

TBrowserEngineStart BrowserEngineStart(bool root, bool sandboxUsable, bool debug, const QByteArray& flags) {
  TBrowserEngineStart start;
  start.chromiumFlags = flags.trimmed();
  const auto add = [&](const QByteArray& flag) {
    if (start.chromiumFlags.split(' ').contains(flag)) return;
    if (!start.chromiumFlags.isEmpty()) start.chromiumFlags += ' ';
    start.chromiumFlags += flag;
  };
  if (root || !sandboxUsable) {
    add("--no-sandbox");
    start.notice =
        root ? "Korvex Vantar: running as root, the preview browser starts without its sandbox.\n"
             : "Korvex Vantar: the system offers no sandbox for the preview browser; it starts without one.\n";
  }
  if (!debug) {
    add("--log-level=3");  // fatal messages only
    start.loggingRules = "qt.webenginecontext.info=false\njs=false";
  }
  return start;
}

namespace {

// Whether this process may make the user, process and network namespaces the
// engine's sandbox lives in; tried in a child that ends at once.
bool SandboxNamespacesUsable() {
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) _exit(unshare(CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET) == 0 ? 0 : 1);
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

void PrepareBrowserEngine() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  const bool root = geteuid() == 0;
  const bool debug = qgetenv("KV_BROWSER_DEBUG") == "1";
  const TBrowserEngineStart start =
      BrowserEngineStart(root, root || SandboxNamespacesUsable(), debug, qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"));
  if (!start.chromiumFlags.isEmpty()) qputenv("QTWEBENGINE_CHROMIUM_FLAGS", start.chromiumFlags);
  if (!start.loggingRules.isEmpty()) QLoggingCategory::setFilterRules(QString::fromLatin1(start.loggingRules));
  if (!start.notice.isEmpty()) std::fputs(start.notice.constData(), stderr);
}
