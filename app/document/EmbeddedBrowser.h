// The browser control of the program: a web view with a host side that
// decides the download and user-interface flags, the context menu, script
// messages, help and the user-agent text. The preview page of every document
// window and the update console use it. The view itself is made lazily, when
// the control is first shown or told to navigate.
#pragma once

#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/BrowserView.h"
#include "platform/Types.h"

using HRESULT = std::int32_t;
inline constexpr HRESULT kS_OK = 0;
inline constexpr HRESULT kS_FALSE = 1;
inline constexpr HRESULT kE_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT kE_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr int DISPID_AMBIENT_DLCONTROL = -5512;

// Members of the download-control set, in order.
enum TDownloadControlOption : std::uint8_t {
  DLCTL_DLIMAGES,
  DLCTL_VIDEOS,
  DLCTL_BGSOUNDS,
  DLCTL_NO_SCRIPTS,
  DLCTL_NO_JAVA,
  DLCTL_NO_RUNACTIVEXCTLS,
  DLCTL_NO_DLACTIVEXCTLS,
  DLCTL_DOWNLOADONLY,
  DLCTL_NO_FRAMEDOWNLOAD,
  DLCTL_RESYNCHRONIZE,
  DLCTL_PRAGMA_NO_CACHE,
  DLCTL_NO_BEHAVIORS,
  DLCTL_NO_METACHARSET,
  DLCTL_URL_ENCODING_DISABLE_UTF8,
  DLCTL_URL_ENCODING_ENABLE_UTF8,
  DLCTL_FORCEOFFLINE,
  DLCTL_NO_CLIENTPULL,
  DLCTL_SILENT,
  DLCTL_OFFLINE,
};
// Members of the user-interface set, in order.
enum TUserInterfaceOption : std::uint8_t {
  DIALOG,
  DISABLE_HELP_MENU,
  NO3DBORDER,
  SCROLL_NO,
  DISABLE_SCRIPT_INACTIVE,
  OPENNEWWIN,
  DISABLE_OFFSCREEN,
  FLAT_SCROLLBAR,
  DIV_BLOCKDEFAULT,
  ACTIVATE_CLIENTHIT_ONLY,
  OVERRIDEBEHAVIORFACTORY,
  CODEPAGELINKEDFONTS,
  URL_ENCODING_DISABLE_UTF8,
  URL_ENCODING_ENABLE_UTF8,
  ENABLE_FORMS_AUTOCOMPLETE,
  ENABLE_INPLACE_NAVIGATION,
  IME_ENABLE_RECONVERSION,
};
// A set of members: bit n stands for member n.
using TDownloadControlOptions = std::uint32_t;
using TUserInterfaceOptions = std::uint32_t;
constexpr std::uint32_t Member(int member) { return 1u << member; }

// The flag word of a set (the sum of its members' flags).
std::uint32_t DownloadFlagWord(TDownloadControlOptions options);
std::uint32_t UserInterfaceFlagWord(TUserInterfaceOptions options);

struct TMargins {
  double Left = 0, Right = 0, Top = 0, Bottom = 0;
};
enum TPrintOrientation : std::uint8_t { poPortrait, poLandscape };

// Page setup of the browser's printing, kept as stored text.
struct TPrintOptions {
  TMargins Margins;
  QString Header;
  QStringList HTMLHeader{QStringLiteral("<HTML></HTML>")};
  QString Footer;
  TPrintOrientation Orientation = poPortrait;
  bool Inches = false;  // margins measured in inches
};

// What GetHostInfo answers.
struct TDocHostUIInfo {
  std::uint32_t cbSize = 0;
  std::uint32_t dwFlags = 0;
  std::uint32_t dwDoubleClick = 0;
};

class TEmbeddedBrowser : public QWidget, public TObject {
  Q_OBJECT
 public:
  explicit TEmbeddedBrowser(QWidget* parent = nullptr);
  ~TEmbeddedBrowser() override;
  const char* ClassName() const override { return "TEmbeddedBrowser"; }

  // Navigates to a URL text (a file path is taken as a local file).
  void Go(const QString& url);
  // The view's history and the load in progress; nothing before the view exists.
  void GoBack();
  void GoForward();
  void Stop();
  void Refresh();
  bool CanGoBack() const { return view_ && view_->CanGoBack(); }
  bool CanGoForward() const { return view_ && view_->CanGoForward(); }
  QUrl LocationURL() const;
  QString LocationName() const;
  // The view, made on first use.
  IBrowserView& View();
  bool HasView() const { return view_ != nullptr; }
  // False when the view stands in for a browser engine that could not be started.
  bool HasEngine() const { return view_ != nullptr && !unavailable_; }

  TDownloadControlOptions DownloadOptions() const { return downloadOptions_; }
  void SetDownloadOptions(TDownloadControlOptions value);
  TUserInterfaceOptions UserInterfaceOptions() const { return uiOptions_; }
  void SetUserInterfaceOptions(TUserInterfaceOptions value);
  std::uint32_t DownloadFlags() const { return downloadFlags_; }
  std::uint32_t UserInterfaceFlags() const { return uiFlags_; }
  QString UserAgent() const { return userAgent_; }
  void SetUserAgent(const QString& value);
  QString HelpFile() const { return helpFile_; }
  void SetHelpFile(const QString& value) { helpFile_ = value; }
  TPrintOptions& PrintOptions() { return printOptions_; }
  // Kept for the stored form values; they change nothing here.
  bool ReplaceCaption() const { return replaceCaption_; }
  void SetReplaceCaption(bool value) { replaceCaption_ = value; }
  bool EnableDDE() const { return enableDDE_; }
  void SetEnableDDE(bool value) { enableDDE_ = value; }
  bool fpExceptions() const { return fpExceptions_; }
  void SetfpExceptions(bool value) { fpExceptions_ = value; }
  // Whether the user's locale measures in inches.
  bool MeasureInches() const { return measureInches_; }

  // Host answers: each calls its event when assigned, else answers the default.
  HRESULT ShowContextMenu(const QPoint& pos);
  HRESULT GetHostInfo(TDocHostUIInfo& info);
  HRESULT ShowUI();
  HRESULT HideUI();
  HRESULT UpdateUI();
  HRESULT EnableModeless(bool enable);
  HRESULT OnDocWindowActivate(bool activate);
  HRESULT OnFrameWindowActivate(bool activate);
  HRESULT ResizeBorder();
  HRESULT TranslateAccelerator(int key);
  HRESULT GetOptionKeyPath(QString& path);
  HRESULT GetDropTarget(QObject*& target);
  HRESULT GetExternal(QObject*& dispatch);
  HRESULT TranslateUrl(const QString& url, QString& translated);
  HRESULT FilterDataObject(QObject*& result);
  HRESULT ShowMessage(const QString& text, const QString& caption, int& result);
  HRESULT ShowHelp(int command);
  HRESULT GetTypeInfoCount(int& count);
  HRESULT GetTypeInfo(QObject*& typeInfo);
  HRESULT GetIDsOfNames();
  HRESULT Invoke(int dispid, bool propertyGet, QVariant* result);
  HRESULT QueryService(QObject*& service);

  // Host events (none assigned by default).
  std::function<HRESULT(TObject*, const QPoint&)> OnShowContextMenu;
  std::function<HRESULT(TObject*, TDocHostUIInfo&)> OnGetHostInfo;
  std::function<HRESULT(TObject*)> OnShowUI, OnHideUI, OnUpdateUI, OnResizeBorder, OnGetIDsOfNames;
  std::function<HRESULT(TObject*, bool)> OnEnableModeless, OnOnDocWindowActivate, OnOnFrameWindowActivate;
  std::function<HRESULT(TObject*, int key)> OnTranslateAccelerator;
  std::function<HRESULT(TObject*, QString&)> OnGetOptionKeyPath;
  std::function<HRESULT(TObject*, QObject*&)> OnGetDropTarget, OnGetExternal, OnFilterDataObject, OnGetTypeInfo,
      OnQueryService;
  std::function<HRESULT(TObject*, const QString& url, QString& translated)> OnTranslateUrl;
  std::function<HRESULT(TObject*, const QString& text, const QString& caption, int& result)> OnShowMessage;
  std::function<HRESULT(TObject*, const QString& helpFile, int command)> OnShowHelp;
  std::function<HRESULT(TObject*, int&)> OnGetTypeInfoCount;
  std::function<HRESULT(TObject*, int dispid, QVariant* result)> OnInvoke;
  // Window events.
  std::function<void(TObject*, bool& canClose)> OnCloseQuery;
  std::function<void(TObject*, QWidget* window)> OnShowDialog;
  // Events of the view, as they come.
  std::function<void(TObject*, const QString&)> OnStatusTextChange;
  std::function<void(TObject*, const QString&)> OnTitleChange;
  std::function<void(TObject*)> OnDownloadBegin, OnDownloadComplete;
  std::function<void(TObject*, const QUrl&)> OnNavigateError;
  // Back or forward may have become possible or impossible.
  std::function<void(TObject*)> OnCommandStateChange;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ApplySettings();

  std::unique_ptr<IBrowserView> view_;

  bool unavailable_ = false;
  TDownloadControlOptions downloadOptions_ = 0;
  TUserInterfaceOptions uiOptions_ = 0;
  std::uint32_t downloadFlags_ = 0;
  std::uint32_t uiFlags_ = 0;
  QString userAgent_;
  QString helpFile_;
  TPrintOptions printOptions_;
  bool replaceCaption_ = false;
  bool enableDDE_ = false;
  bool fpExceptions_ = true;
  bool measureInches_ = false;
};
