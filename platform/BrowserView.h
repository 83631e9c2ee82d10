// The web view behind the embedded browser: an engine that renders pages,
// navigates and reports what happens, and asks its host before it shows a
// context menu or a script message. The program uses Qt WebEngine, from a
// module loaded when the first view is made (so that the engine costs nothing
// at start-up); tests put a fake in its place through the factory seam. Scripts of the pages shown
// cannot read local files: their requests for file: URLs are refused, while
// the pages' own local images, style sheets, scripts and frames load.
#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

// What the view asks of and tells its host.
struct TBrowserViewHost {
  // True when the host showed its own menu (or wants none).
  std::function<bool(const QPoint& globalPos)> contextMenu;
  // True when the host showed the message itself.
  std::function<bool(const QString& text)> scriptMessage;
  // False keeps the page from closing its window.
  std::function<bool()> closeQuery;
  std::function<void(const QString& text)> statusText;
  std::function<void()> downloadBegin;
  std::function<void()> downloadComplete;
  std::function<void(const QUrl& url)> navigateError;
  std::function<void(const QString& title)> titleChange;
  // The history may have changed: back and forward may now go elsewhere.
  std::function<void()> historyChange;
};

// Settings the host hands the view.
struct TBrowserViewSettings {
  bool loadImages = true;
  bool runScripts = true;
  bool playMedia = true;
  QString userAgentSuffix;  // appended to the engine's user-agent text
};

class IBrowserView {
 public:
  virtual ~IBrowserView() = default;
  virtual QWidget* Widget() = 0;
  virtual void Navigate(const QUrl& url) = 0;
  virtual QUrl Url() const = 0;
  virtual QString Title() const = 0;
  virtual void Apply(const TBrowserViewSettings& settings) = 0;
  // The history and the load in progress.
  virtual void Back() {}
  virtual void Forward() {}
  virtual void Stop() {}
  virtual void Reload() {}
  virtual bool CanGoBack() const { return false; }
  virtual bool CanGoForward() const { return false; }
};

using TBrowserViewFactory = std::function<std::unique_ptr<IBrowserView>(QWidget* parent, TBrowserViewHost host)>;

// Makes the view; the Qt WebEngine view unless a test set another factory.
// The engine's module is loaded on the first call (after PrepareBrowserEngine);
// null when it cannot be loaded: BrowserModuleError() then says why.
std::unique_ptr<IBrowserView> CreateBrowserView(QWidget* parent, TBrowserViewHost host);
// Replaces the factory; an empty one brings back the real view.
void SetBrowserViewFactory(TBrowserViewFactory factory);
// The file of the browser module, found as every module is (ModulePath).
QString BrowserModulePath();
// Looks for the module at `path` from now on (tests); empty for the default.
void SetBrowserModulePath(const QString& path);
// Why the module could not be loaded the last time; empty after a success.
QString BrowserModuleError();

// How the browser engine is started: its switches, and the one line said on
// the terminal about them.
struct TBrowserEngineStart {
  QByteArray chromiumFlags;  // the engine's command-line switches
  QByteArray loggingRules;   // Qt logging rules that keep the engine quiet
  QByteArray notice;         // said once on stderr; empty for nothing
};
// The start for a process: `root` when the effective user is root (the
// engine's sandbox refuses to run then and ends the process), `sandboxUsable`
// when the kernel gives the namespaces the sandbox needs, `debug` when the
// user asked for the engine's own messages (KV_BROWSER_DEBUG=1), `flags` the
// switches already in the environment, which are kept.
TBrowserEngineStart BrowserEngineStart(bool root, bool sandboxUsable, bool debug, const QByteArray& flags);
// Puts the switches for this process into its environment, once; done before
// the browser module is loaded.
void PrepareBrowserEngine();
