#include "platform/BrowserView.h"

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The browser module's file name and, once loaded, its entry point. The one
// loader of every module (platform/ModuleFile.h) finds it, looks at it and
// keeps it.
QString BrowserModuleFile() { return QStringLiteral(KV_BROWSER_MODULE_FILE); }

TCreateBrowserViewEntry& Entry() {
  static TCreateBrowserViewEntry entry = nullptr;
  return entry;
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

QString BrowserModulePath() { return ModulePath(BrowserModuleFile()); }

void SetBrowserModulePath(const QString& path) {
  SetModulePath(BrowserModuleFile(), path);
  Entry() = nullptr;
}

QString BrowserModuleError() { return ModuleError(BrowserModuleFile()); }

std::unique_ptr<IBrowserView> CreateBrowserView(QWidget* parent, TBrowserViewHost host) {
  if (Factory()) return Factory()(parent, std::move(host));
  if (Entry()) return std::unique_ptr<IBrowserView>(Entry()(parent, &host));
  PrepareBrowserEngine();
  static const bool quiet =
      qgetenv("KV_BROWSER_DEBUG") != "1" && (previousHandler = qInstallMessageHandler(QuietEngineRemarks), true);
  Q_UNUSED(quiet);
  Entry() = reinterpret_cast<TCreateBrowserViewEntry>(ModuleEntryPoint(BrowserModuleFile(), "KvCreateBrowserView"));
  if (!Entry()) return nullptr;
  return std::unique_ptr<IBrowserView>(Entry()(parent, &host));
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
