#include "app/document/EmbeddedBrowser.h"

#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include "app/core/LanguageModule.h"
#include "app/core/Launcher.h"

namespace {

// What stands in for the browser when its module cannot be loaded: a notice
// saying so, which remembers where it was sent.
class TUnavailableBrowserView : public IBrowserView {
 public:
  TUnavailableBrowserView(QWidget* parent, const QString& reason) : label_(new QLabel(parent)) {
    label_->setText(LangText(QStringLiteral("BrowserMissing")) + u'\n' + reason);
    label_->setAlignment(Qt::AlignCenter);
    label_->setWordWrap(true);
    label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  QWidget* Widget() override { return label_; }
  void Navigate(const QUrl& url) override { url_ = url; }
  QUrl Url() const override { return url_; }
  QString Title() const override { return QString(); }
  void Apply(const TBrowserViewSettings&) override {}

 private:
  QLabel* label_;
  QUrl url_;
};

constexpr std::uint32_t kDownloadFlags[] = {0x10,    0x20,       0x40,       0x80,       0x100,     0x200,   0x400,
                                            0x800,   0x1000,     0x2000,     0x4000,     0x8000,    0x10000, 0x20000,
                                            0x40000, 0x10000000, 0x20000000, 0x40000000, 0x80000000};
constexpr std::uint32_t kUserInterfaceFlags[] = {0x1,   0x2,   0x4,   0x8,    0x10,   0x20,   0x40,    0x80,   0x100,
                                                 0x200, 0x400, 0x800, 0x1000, 0x2000, 0x4000, 0x10000, 0x20000};

template <size_t N>
std::uint32_t FlagWord(std::uint32_t set, const std::uint32_t (&flags)[N]) {
  std::uint32_t word = 0;
  for (size_t i = 0; i < N; ++i)
    if (set & (1u << i)) word |= flags[i];
  return word;
}

}  // namespace

std::uint32_t DownloadFlagWord(TDownloadControlOptions options) { return FlagWord(options, kDownloadFlags); }
std::uint32_t UserInterfaceFlagWord(TUserInterfaceOptions options) { return FlagWord(options, kUserInterfaceFlags); }

TEmbeddedBrowser::TEmbeddedBrowser(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  measureInches_ = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
  printOptions_.Inches = measureInches_;
  SetDownloadOptions(Member(DLCTL_DLIMAGES) | Member(DLCTL_VIDEOS) | Member(DLCTL_BGSOUNDS));
  SetUserInterfaceOptions(0);
}

TEmbeddedBrowser::~TEmbeddedBrowser() = default;

IBrowserView& TEmbeddedBrowser::View() {
  if (!view_) {
    TBrowserViewHost host;
    host.contextMenu = [this](const QPoint& pos) { return ShowContextMenu(pos) == kS_OK; };
    host.scriptMessage = [this](const QString& text) {
      int result = 0;
      return ShowMessage(text, windowTitle(), result) == kS_OK;
    };
    host.closeQuery = [this] {
      bool canClose = true;
      if (OnCloseQuery) OnCloseQuery(this, canClose);
      return canClose;
    };
    host.statusText = [this](const QString& text) {
      if (OnStatusTextChange) OnStatusTextChange(this, text);
    };
    host.titleChange = [this](const QString& text) {
      if (OnTitleChange) OnTitleChange(this, text);
    };
    host.downloadBegin = [this] {
      if (OnDownloadBegin) OnDownloadBegin(this);
    };
    host.downloadComplete = [this] {
      if (OnDownloadComplete) OnDownloadComplete(this);
    };
    host.navigateError = [this](const QUrl& url) {
      if (OnNavigateError) OnNavigateError(this, url);
    };
    host.historyChange = [this] {
      if (OnCommandStateChange) OnCommandStateChange(this);
    };
    view_ = CreateBrowserView(this, std::move(host));
    unavailable_ = !view_;
    if (!view_) view_ = std::make_unique<TUnavailableBrowserView>(this, BrowserModuleError());
    layout()->addWidget(view_->Widget());
    ApplySettings();
  }
  return *view_;
}

void TEmbeddedBrowser::showEvent(QShowEvent* event) {
  View();
  QWidget::showEvent(event);
}

void TEmbeddedBrowser::Go(const QString& url) {
  QUrl target(url);
  if (QFileInfo(url).isAbsolute() || target.scheme().size() <= 1) target = QUrl::fromUserInput(url);
  View().Navigate(target);
}

void TEmbeddedBrowser::GoBack() {
  if (view_) view_->Back();
}
void TEmbeddedBrowser::GoForward() {
  if (view_) view_->Forward();
}
void TEmbeddedBrowser::Stop() {
  if (view_) view_->Stop();
}
void TEmbeddedBrowser::Refresh() {
  if (view_) view_->Reload();
}

QUrl TEmbeddedBrowser::LocationURL() const { return view_ ? view_->Url() : QUrl(); }
QString TEmbeddedBrowser::LocationName() const { return view_ ? view_->Title() : QString(); }

void TEmbeddedBrowser::SetDownloadOptions(TDownloadControlOptions value) {
  downloadOptions_ = value;
  downloadFlags_ = DownloadFlagWord(value);
  ApplySettings();  // the view reads the new flags, as after an ambient-property change
}

void TEmbeddedBrowser::SetUserInterfaceOptions(TUserInterfaceOptions value) {
  uiOptions_ = value;
  uiFlags_ = UserInterfaceFlagWord(value);
  ApplySettings();
}

void TEmbeddedBrowser::SetUserAgent(const QString& value) {
  userAgent_ = value;
  ApplySettings();
}

void TEmbeddedBrowser::ApplySettings() {
  if (!view_) return;
  TBrowserViewSettings s;
  s.loadImages = downloadOptions_ & Member(DLCTL_DLIMAGES);
  s.playMedia = downloadOptions_ & (Member(DLCTL_VIDEOS) | Member(DLCTL_BGSOUNDS));
  s.runScripts = !(downloadOptions_ & Member(DLCTL_NO_SCRIPTS));
  s.userAgentSuffix = userAgent_;
  view_->Apply(s);
}

// ------------------------------------------------------------ host answers

HRESULT TEmbeddedBrowser::ShowContextMenu(const QPoint& pos) {
  return OnShowContextMenu ? OnShowContextMenu(this, pos) : kS_FALSE;
}

HRESULT TEmbeddedBrowser::GetHostInfo(TDocHostUIInfo& info) {
  info.cbSize = 20;
  info.dwFlags = uiFlags_;
  info.dwDoubleClick = 0;
  return OnGetHostInfo ? OnGetHostInfo(this, info) : kS_OK;
}

HRESULT TEmbeddedBrowser::ShowUI() { return OnShowUI ? OnShowUI(this) : kS_FALSE; }
HRESULT TEmbeddedBrowser::HideUI() { return OnHideUI ? OnHideUI(this) : kS_FALSE; }
HRESULT TEmbeddedBrowser::UpdateUI() { return OnUpdateUI ? OnUpdateUI(this) : kS_FALSE; }
HRESULT TEmbeddedBrowser::EnableModeless(bool enable) {
  return OnEnableModeless ? OnEnableModeless(this, enable) : kS_FALSE;
}
HRESULT TEmbeddedBrowser::OnDocWindowActivate(bool activate) {
  return OnOnDocWindowActivate ? OnOnDocWindowActivate(this, activate) : kS_FALSE;
}
HRESULT TEmbeddedBrowser::OnFrameWindowActivate(bool activate) {
  return OnOnFrameWindowActivate ? OnOnFrameWindowActivate(this, activate) : kS_FALSE;
}
HRESULT TEmbeddedBrowser::ResizeBorder() { return OnResizeBorder ? OnResizeBorder(this) : kS_FALSE; }
HRESULT TEmbeddedBrowser::TranslateAccelerator(int key) {
  return OnTranslateAccelerator ? OnTranslateAccelerator(this, key) : kS_FALSE;
}
HRESULT TEmbeddedBrowser::GetOptionKeyPath(QString& path) {
  return OnGetOptionKeyPath ? OnGetOptionKeyPath(this, path) : kS_FALSE;
}
HRESULT TEmbeddedBrowser::GetDropTarget(QObject*& target) {
  target = nullptr;
  return OnGetDropTarget ? OnGetDropTarget(this, target) : kS_OK;
}
HRESULT TEmbeddedBrowser::GetExternal(QObject*& dispatch) {
  dispatch = nullptr;
  return OnGetExternal ? OnGetExternal(this, dispatch) : kS_FALSE;
}
HRESULT TEmbeddedBrowser::TranslateUrl(const QString& url, QString& translated) {
  return OnTranslateUrl ? OnTranslateUrl(this, url, translated) : kS_FALSE;
}
HRESULT TEmbeddedBrowser::FilterDataObject(QObject*& result) {
  result = nullptr;
  return OnFilterDataObject ? OnFilterDataObject(this, result) : kS_FALSE;
}
HRESULT TEmbeddedBrowser::ShowMessage(const QString& text, const QString& caption, int& result) {
  return OnShowMessage ? OnShowMessage(this, text, caption, result) : kS_FALSE;
}
HRESULT TEmbeddedBrowser::ShowHelp(int command) {
  if (OnShowHelp) return OnShowHelp(this, helpFile_, command);
  if (helpFile_.isEmpty()) return kS_FALSE;
  return Launcher().Open(helpFile_) ? kS_OK : kS_FALSE;
}
HRESULT TEmbeddedBrowser::GetTypeInfoCount(int& count) {
  count = 0;
  return OnGetTypeInfoCount ? OnGetTypeInfoCount(this, count) : kE_NOTIMPL;
}
HRESULT TEmbeddedBrowser::GetTypeInfo(QObject*& typeInfo) {
  typeInfo = nullptr;
  return OnGetTypeInfo ? OnGetTypeInfo(this, typeInfo) : kE_NOTIMPL;
}
HRESULT TEmbeddedBrowser::GetIDsOfNames() { return OnGetIDsOfNames ? OnGetIDsOfNames(this) : kE_NOTIMPL; }
HRESULT TEmbeddedBrowser::Invoke(int dispid, bool propertyGet, QVariant* result) {
  // The download flags are always this control's answer.
  if (propertyGet && dispid == DISPID_AMBIENT_DLCONTROL && result) {
    *result = static_cast<int>(downloadFlags_);
    return kS_OK;
  }
  return OnInvoke ? OnInvoke(this, dispid, result) : kE_NOTIMPL;
}
HRESULT TEmbeddedBrowser::QueryService(QObject*& service) {
  service = nullptr;
  return OnQueryService ? OnQueryService(this, service) : kE_NOINTERFACE;
}
