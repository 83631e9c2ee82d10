// The browser view on Qt WebEngine, in a module of its own that the program
// loads when a page is first shown, so that starting the program does not
// load the browser engine.
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QQuickWindow>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "modules/ModuleEntries.h"
#include "platform/BrowserView.h"

namespace {

// Refuses what a page asks of file: URLs beyond showing itself and its parts:
// script requests (XMLHttpRequest, fetch), workers, pings and the like.
class LocalFileGuard : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    if (!info.requestUrl().isLocalFile()) return;
    switch (info.resourceType()) {
      case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
      case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
      case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
      case QWebEngineUrlRequestInfo::ResourceTypeScript:
      case QWebEngineUrlRequestInfo::ResourceTypeImage:
      case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
      case QWebEngineUrlRequestInfo::ResourceTypeObject:
      case QWebEngineUrlRequestInfo::ResourceTypeMedia:
      case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
        return;
      default:
        info.block(true);
    }
  }
};

QWebEngineProfile* Guarded(QWebEngineProfile* profile) {
  static auto* guard = new LocalFileGuard(QCoreApplication::instance());
  profile->setUrlRequestInterceptor(guard);
  return profile;
}

// One profile per user-agent suffix, shared by the views that use it, so
// that every request of such a view carries the suffix.
QWebEngineProfile* ProfileFor(const QString& suffix) {
  static QHash<QString, QWebEngineProfile*> profiles;
  if (suffix.isEmpty()) return Guarded(QWebEngineProfile::defaultProfile());
  auto it = profiles.find(suffix);
  if (it == profiles.end()) {
    auto* profile = new QWebEngineProfile(QCoreApplication::instance());  // off the record
    profile->setHttpUserAgent(QWebEngineProfile::defaultProfile()->httpUserAgent() + u' ' + suffix);
    it = profiles.insert(suffix, Guarded(profile));
  }
  return *it;
}

class HostedPage : public QWebEnginePage {
 public:
  HostedPage(QWebEngineProfile* profile, TBrowserViewHost& host, QObject* parent)
      : QWebEnginePage(profile, parent), host_(host) {}

 protected:
  void javaScriptAlert(const QUrl& origin, const QString& text) override {
    if (host_.scriptMessage && host_.scriptMessage(text)) return;
    QWebEnginePage::javaScriptAlert(origin, text);
  }

 private:
  TBrowserViewHost& host_;
};

class WebEngineBrowserView : public IBrowserView {
 public:
  WebEngineBrowserView(QWidget* parent, TBrowserViewHost host) : host_(std::move(host)), view_(new View(this, parent)) {
    SetPage(QString());
  }
  ~WebEngineBrowserView() override {
    // The page goes before its view (and before the profile it uses).
    delete view_.data();
  }
  QWidget* Widget() override { return view_; }
  void Navigate(const QUrl& url) override { view_->load(url); }
  QUrl Url() const override { return view_->url(); }
  QString Title() const override { return view_->title(); }
  void Back() override { view_->back(); }
  void Forward() override { view_->forward(); }
  void Stop() override { view_->stop(); }
  void Reload() override { view_->reload(); }
  bool CanGoBack() const override { return view_->history()->canGoBack(); }
  bool CanGoForward() const override { return view_->history()->canGoForward(); }
  void Apply(const TBrowserViewSettings& s) override {
    if (s.userAgentSuffix != suffix_) SetPage(s.userAgentSuffix);
    QWebEngineSettings* settings = view_->page()->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, s.loadImages);
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, s.runScripts);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, !s.playMedia);
  }

 private:
  class View : public QWebEngineView {
   public:
    View(WebEngineBrowserView* owner, QWidget* parent) : QWebEngineView(parent), owner_(owner) {}

   protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
      if (owner_->host_.contextMenu && owner_->host_.contextMenu(event->globalPos())) return;
      QWebEngineView::contextMenuEvent(event);
    }

   private:
    WebEngineBrowserView* owner_;
  };

  void SetPage(const QString& suffix) {
    suffix_ = suffix;
    const QUrl current = page_ ? page_->url() : QUrl();
    auto* page = new HostedPage(ProfileFor(suffix), host_, view_);
    QObject::connect(page, &QWebEnginePage::linkHovered, view_, [this](const QString& url) {
      if (host_.statusText) host_.statusText(url);
    });
    QObject::connect(page, &QWebEnginePage::loadStarted, view_, [this] {
      if (host_.downloadBegin) host_.downloadBegin();
      if (host_.historyChange) host_.historyChange();
    });
    QObject::connect(page, &QWebEnginePage::loadFinished, view_, [this, page](bool ok) {
      if (!ok && host_.navigateError) host_.navigateError(page->url());
      if (host_.downloadComplete) host_.downloadComplete();
      if (host_.historyChange) host_.historyChange();
    });
    QObject::connect(page, &QWebEnginePage::urlChanged, view_, [this] {
      if (host_.historyChange) host_.historyChange();
    });
    // A page process that dies leaves an empty view; the program goes on.
    QObject::connect(page, &QWebEnginePage::renderProcessTerminated, view_,
                     [this, page](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                       if (status != QWebEnginePage::NormalTerminationStatus && host_.navigateError)
                         host_.navigateError(page->url());
                     });
    QObject::connect(page, &QWebEnginePage::titleChanged, view_, [this](const QString& title) {
      if (host_.titleChange) host_.titleChange(title);
    });
    QObject::connect(page, &QWebEnginePage::windowCloseRequested, view_, [this] {
      if (!host_.closeQuery || host_.closeQuery()) view_->setUrl(QUrl(QStringLiteral("about:blank")));
    });
    // The view does not own pages it was given: the previous one of ours goes
    // once the new one is in place.
    QWebEnginePage* previous = page_;
    view_->setPage(page);
    page_ = page;
    delete previous;
    if (current.isValid() && !current.isEmpty()) view_->load(current);
  }

  TBrowserViewHost host_;
  QPointer<View> view_;
  QWebEnginePage* page_ = nullptr;
  QString suffix_ = QStringLiteral("\x01");
};

}  // namespace

// The module's entry point: a view in `parent` that answers to `host`.
extern "C" IBrowserView* KvCreateBrowserView(QWidget* parent, TBrowserViewHost* host) {
  QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  return new WebEngineBrowserView(parent, std::move(*host));
}
