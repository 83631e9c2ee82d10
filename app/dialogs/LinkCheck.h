// The link check of a document window: every link target and every image of
// the page is tested (a file on disk, or a web address requested over HTTP)
// and listed as Ok or Error with the reason of a failure. The check runs on
// the event loop, one request at a time, and can be stopped at any point.
// Local targets are looked up in runs that take a short slice of time each;
// between runs (and while a request waits) the event loop turns, so the
// window keeps answering and a stop comes through.
//
// Local targets are only looked up (stat), never opened. Web addresses are
// asked for with a connection of their own that is closed as soon as the
// answer's header block is in (or too large, or late); redirects are followed
// to http and https addresses only.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>

class QCheckBox;
class QLineEdit;
class TExtProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TSrcEdit;
class ILinkConnection;
enum class TConnectionError;

namespace LinkCheck {
// The target a link stands for: blanks around it and tabs and line breaks in
// it dropped; "//host/..." made a web address; the first "./" or ".\"
// segment and a leading "/" or "\" dropped (".." stays); "http://" put
// before a bare www host name; and a folder (with a "/" when it has none at
// its end) put before a link without scheme or drive: the root for a link
// from the site's root ("/a.htm"), `base` for any other (the root when
// `base` is empty).
QString Normalise(QString link, const QString& root, const QString& base = QString());
// Whether a link starts at the site's root: "/" or "\" (not "//host").
bool FromRoot(const QString& link);
// Links that lead nowhere to check: scripts, mail addresses, in-page marks,
// embedded data.
bool Skipped(const QString& link);
// Whether a double click may hand the target to the system: web addresses
// and existing files that are not programs.
bool MayOpen(const QString& target);
// "/" or "\\".
bool IsSeparator(QChar c);
// Whether a link needs a folder to be read against (no scheme, no drive).
bool NeedsRoot(const QString& link);
// The address with each backslash in its path (before "?" and "#") read as
// "/", as a browser reads it.
QString SlashedPath(QString address);

// Why a target failed.
enum class TFailure {
  None,
  HttpStatus,      // the server answered with a status other than 2xx
  Refused,         // the connection was refused
  HostNotFound,    // the host name is unknown
  MissingFile,     // no such local file
  NotRegularFile,  // a folder, device or pipe
  Timeout,         // no (whole) answer in time
  TooManyRedirects,
  RedirectElsewhere,  // a redirect to an address other than http or https
  HeaderTooLarge,     // the answer's header block passed the limit
  BadAnswer,          // not an HTTP answer
  Secure,             // the secure connection failed
  Network,            // any other network failure
  Unsupported,        // an address of a kind that is not checked
  NoNetworkModule,    // the network module could not be loaded
};
// The row's reason text for a failure (language texts); empty for None.
QString FailureText(TFailure failure, int status);
// The local file a target names: as written when such a file is there, else
// read as a browser reads a file address (query and fragment dropped,
// percent escapes decoded).
QString LocalPath(const QString& target);
// Looks a local file up without opening it: None for a regular file.
TFailure StatLocal(const QString& path);
}  // namespace LinkCheck

// Checks lists of links one after another.
class TLinkChecker : public QObject {
  Q_OBJECT
 public:
  explicit TLinkChecker(QObject* parent = nullptr);
  ~TLinkChecker() override;

  QString Root;
  // The folder links relative to the page are read against (the saved
  // page's own); empty: the root.
  QString Base;
  QString User;
  QString Password;
  // Milliseconds a web link may take from connecting until the whole header
  // block of its last answer is in, its redirects and retry included (a
  // server that keeps sending is no answer either).
  int Timeout = 15000;
  // Redirects followed before a link counts as broken.
  static constexpr int kMaxRedirects = 5;
  // Bytes an answer's header block may take.
  static constexpr int kMaxHeaderBytes = 64 * 1024;
  // Milliseconds a run of local look-ups may take before the event loop
  // gets a turn.
  static constexpr int kSliceMs = 15;

  // Checks the links of each group in turn, from the next turn of the event
  // loop on.
  void Start(const QList<QStringList>& groups);
  // Ends the check: no further link is checked; the groups not begun yet are
  // still announced (with their counts), then the check finishes.
  void Stop();
  bool Running() const { return running_; }

 signals:
  void GroupStarted(int group, int count);
  // `status` is the last HTTP status seen (0 when none); `link` is the link
  // as the page writes it.
  void Checked(const QString& target, bool ok, LinkCheck::TFailure failure, int status, const QString& link);
  // `done` entries of the current group are through.
  void Advanced(int done);
  // Everything checked so far has been reported, and the event loop is
  // about to turn (a run of look-ups ends, or a request goes out).
  void Paused();
  void Finished(bool stopped);

 private:
  void Next();
  // Schedules the next run for a turn of the event loop.
  void Later();
  void Request(const QUrl& url, int redirectsLeft, bool credentials);
  void SendRequest();
  void ReadAnswer();
  void SocketFailed(TConnectionError error);
  void Answer(int status, const QByteArray& location);
  void Done(LinkCheck::TFailure failure, int status = 0);
  // Closes the connection of the running request (if any) at once; the
  // link's deadline runs on.
  void DropSocket(bool now = false);
  void Finish(bool stopped);
  // Same scheme, host and port as the root path: the only place the
  // credentials go to.
  bool SameOrigin(const QUrl& url) const;

  // The running request's connection (made by the network module).
  ILinkConnection* socket_ = nullptr;
  QTimer* deadline_;
  QUrl url_;
  QByteArray header_;
  int redirectsLeft_ = 0;
  bool credentials_ = false;
  QList<QStringList> groups_;
  int group_ = 0;
  int index_ = 0;
  bool announced_ = false;
  bool running_ = false;
  // Changes as a check starts and as it ends: a run scheduled, or a slot
  // called, during another check stops there.
  quint64 run_ = 0;
  QString target_;
  QString link_;
};

// The "Verify Links" page: result list, start button, options, progress.
class TLinkCheckPage : public QWidget {
  Q_OBJECT
 public:
  // `showEditor` brings the editor page forward.
  TLinkCheckPage(TSrcEdit* editor, std::function<void()> showEditor, QWidget* parent = nullptr);
  ~TLinkCheckPage() override;

  void ApplyLanguage();
  // Runs the whole check on the editor's text.
  void vfLinksClick();
  void StopTheLinkCheckExecute();
  // Ends a running check without the closing notice (the window goes).
  void Cancel();
  // Opens or finds the target of the selected row.
  void ListView1DblClick();

  TLinkChecker* Checker() const { return checker_; }

  QTreeWidget* ListView1 = nullptr;
  QPushButton* vfLinks = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  TExtProgressBar* ProgressBar1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QString OkText, ErrorText;
  // The document's file (empty while it was never saved). Links of a saved
  // page are read against its folder, those from the site's root ("/") against
  // the root path (the page's folder when the root path is empty); a page
  // never saved has all of them read against the root path.
  std::function<QString()> DocumentPath;

 private:
  // Rows and progress are kept until the checker pauses, then put into the
  // list and the bar at once.
  // `link` (as the page writes it) is kept with the row.
  void AddRow(const QString& caption, const QString& status, const QString& reason = QString(),
              const QString& link = QString());
  void ShowRows();

  TSrcEdit* editor_;
  std::function<void()> showEditor_;
  TLinkChecker* checker_;
  QList<QWidget*> labels_;
  // The root and the page's folder the last check read links against.
  QString root_, base_;
  QList<QTreeWidgetItem*> rows_;
  int progress_ = 0;
};
