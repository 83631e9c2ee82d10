#include "app/dialogs/LinkCheck.h"

#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/core/LanguageModule.h"
#include "app/core/Launcher.h"
#include "app/core/Prompts.h"
#include "app/look/ExtProgressBar.h"
#include "authoring/HTMLParser.h"
#include "editor/SrcEdit.h"
#include "modules/Network.h"

namespace LinkCheck {

bool IsSeparator(QChar c) { return c == u'/' || c == u'\\'; }

namespace {

// A host name written without a scheme: a first segment such as
// "www.example.org" (a file "www.gif" or a folder "www" is no host).
bool BareWebAddress(const QString& link) {
  static const QRegularExpression hostEnd(QStringLiteral("[/\\\\?#]"));
  const QString host = link.left(link.indexOf(hostEnd));
  return host.startsWith(QLatin1String("www"), Qt::CaseInsensitive) && host.count(u'.') >= 2;
}

// Blanks around a link and tabs and line breaks in it do not count.
QString Cleaned(QString link) {
  link = link.trimmed();
  link.removeIf([](QChar c) { return c == u'\t' || c == u'\r' || c == u'\n'; });
  return link;
}

}  // namespace

bool FromRoot(const QString& link) {
  const QString l = Cleaned(link);
  return !l.isEmpty() && IsSeparator(l[0]) && !l.startsWith(QLatin1String("//"));
}

QString Normalise(QString link, const QString& root, const QString& base) {
  link = Cleaned(std::move(link));
  // "//host/path" is a web address in the scheme of the root's site.
  if (link.startsWith(QLatin1String("//"))) {
    const QString scheme = QUrl(root.trimmed()).scheme().toLower();
    return (scheme == u"https" ? scheme : QStringLiteral("http")) + u':' + link;
  }
  const QString& folder = base.isEmpty() || FromRoot(link) ? root : base;
  // The first "." segment goes ("./a", "b/./c"); ".." steps back and stays.
  for (const QChar separator : {u'/', u'\\'}) {
    for (qsizetype at = link.indexOf(QString(u'.') + separator); at >= 0;
         at = link.indexOf(QString(u'.') + separator, at + 1)) {
      if (at == 0 || IsSeparator(link[at - 1])) {
        link.remove(at, 2);
        break;
      }
    }
  }
  for (const QChar lead : {u'/', u'\\'})
    if (link.startsWith(lead)) link.remove(0, 1);
  if (BareWebAddress(link)) link.prepend(QLatin1String("http://"));
  // A link with a scheme or drive (":") stands on its own; the others are
  // read in their folder, also one typed without its "/".
  if (link.contains(u':')) return link;
  return folder.isEmpty() || IsSeparator(folder.back()) ? folder + link : folder + u'/' + link;
}

bool Skipped(const QString& link) {
  const QString l = link.trimmed().toLower();
  return l.isEmpty() || l.startsWith(u'#') || l.startsWith(QLatin1String("javascript:")) ||
         l.startsWith(QLatin1String("mailto:")) || l.startsWith(QLatin1String("data:"));
}

bool MayOpen(const QString& target) {
  const QUrl url(target.trimmed());
  if ((url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty()) return true;
  const QFileInfo file(target.trimmed());
  static const QStringList programs = {"exe", "com", "bat",     "cmd",      "scr", "pif", "msi", "sh", "bash",
                                       "run", "bin", "desktop", "appimage", "jar", "ps1", "vbs", "py", "pl"};
  return file.isFile() && !file.isExecutable() && !programs.contains(file.suffix().toLower());
}

bool NeedsRoot(const QString& link) {
  return !Skipped(link) && !Normalise(link, QString()).contains(u':');
}

QString SlashedPath(QString address) {
  static const QRegularExpression pathEnd(QStringLiteral("[?#]"));
  const qsizetype end = address.indexOf(pathEnd);
  for (qsizetype at = 0; at < (end < 0 ? address.size() : end); ++at)
    if (address[at] == u'\\') address[at] = u'/';
  return address;
}

QString FailureText(TFailure failure, int status) {
  const char* key = nullptr;
  switch (failure) {
    case TFailure::None:
      return QString();
    case TFailure::HttpStatus:
      return ComposeText({LangText(QStringLiteral("LinkWhyStatus")), QString::number(status)});
    case TFailure::Refused:
      key = "LinkWhyRefused";
      break;
    case TFailure::HostNotFound:
      key = "LinkWhyNoHost";
      break;
    case TFailure::MissingFile:
      key = "LinkWhyNoFile";
      break;
    case TFailure::NotRegularFile:
      key = "LinkWhyNotFile";
      break;
    case TFailure::Timeout:
      key = "LinkWhyTimeout";
      break;
    case TFailure::TooManyRedirects:
      key = "LinkWhyRedirects";
      break;
    case TFailure::RedirectElsewhere:
      key = "LinkWhyRedirectTo";
      break;
    case TFailure::HeaderTooLarge:
      key = "LinkWhyHeader";
      break;
    case TFailure::BadAnswer:
      key = "LinkWhyBadAnswer";
      break;
    case TFailure::Secure:
      key = "LinkWhySecure";
      break;
    case TFailure::Network:
      key = "LinkWhyNetwork";
      break;
    case TFailure::Unsupported:
      key = "LinkWhyScheme";
      break;
    case TFailure::NoNetworkModule:
      key = "LinkWhyNoModule";
      break;
  }
  return LangText(QLatin1String(key));
}

TFailure StatLocal(const QString& path) {
  // stat only: a pipe or device named by a page is never opened.
  struct stat st {};
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return TFailure::MissingFile;
  return S_ISREG(st.st_mode) ? TFailure::None : TFailure::NotRegularFile;
}

QString LocalPath(const QString& target) {
  // ".." steps back in the path as written, as a browser reads it.
  const auto written = [](const QString& path) {
    return path.split(u'/').contains(QLatin1String("..")) ? QDir::cleanPath(path) : path;
  };
  if (StatLocal(written(target)) != TFailure::MissingFile) return written(target);
  QString path = target;
  if (const int hash = path.indexOf(u'#'); hash >= 0) path.truncate(hash);
  if (const int query = path.indexOf(u'?'); query >= 0) path.truncate(query);
  return written(SlashedPath(QUrl::fromPercentEncoding(path.toUtf8())));
}

}  // namespace LinkCheck

using LinkCheck::TFailure;

namespace {

bool IsWeb(const QUrl& url) { return (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty(); }

int DefaultPort(const QUrl& url) { return url.port(url.scheme() == u"https" ? 443 : 80); }

// The status of an HTTP status line; 0 when it is none.
int StatusOf(const QByteArray& line) {
  if (!line.startsWith("HTTP/")) return 0;
  const QList<QByteArray> parts = line.simplified().split(' ');
  bool ok = false;
  const int status = parts.value(1).toInt(&ok);
  return ok && status >= 100 && status <= 999 ? status : 0;
}

// Looks up a target that is no web address.
TFailure CheckLocal(const QUrl& url, const QString& target) {
  if (url.isLocalFile()) return LinkCheck::StatLocal(url.toLocalFile());
  // Anything else with a scheme of its own ("ftp:", "news:") is not looked
  // for; a drive letter ("C:") is a path.
  if (url.scheme().size() > 1 && target.contains(u':') && !target.contains(u'\\'))
    return LinkCheck::StatLocal(target) == TFailure::None ? TFailure::None : TFailure::Unsupported;
  return LinkCheck::StatLocal(LinkCheck::LocalPath(target));
}

}  // namespace

TLinkChecker::TLinkChecker(QObject* parent) : QObject(parent), deadline_(new QTimer(this)) {
  deadline_->setSingleShot(true);
  connect(deadline_, &QTimer::timeout, this, [this] {
    DropSocket();
    Done(TFailure::Timeout);
  });
}

TLinkChecker::~TLinkChecker() { DropSocket(true); }

void TLinkChecker::Start(const QList<QStringList>& groups) {
  DropSocket();
  deadline_->stop();
  groups_ = groups;
  group_ = 0;
  index_ = 0;
  announced_ = false;
  running_ = true;
  ++run_;
  // The first run comes on the next turn: the caller sees the check going.
  Later();
}

void TLinkChecker::Stop() {
  if (!running_) return;
  DropSocket();
  deadline_->stop();
  // The groups not begun yet still start, and end before their first link.
  const quint64 run = run_;
  for (int group = announced_ ? group_ + 1 : group_; group < groups_.size(); ++group) {
    emit GroupStarted(group, static_cast<int>(groups_[group].size()));
    if (!running_ || run != run_) return;
  }
  Finish(true);
}

void TLinkChecker::Next() {
  if (!running_) return;
  // A slot may stop the check, or stop and start another, at any signal.
  const quint64 run = run_;
  const auto live = [this, run] { return running_ && run == run_; };
  QElapsedTimer slice;
  slice.start();
  for (;;) {
    if (group_ >= groups_.size()) {
      emit Paused();
      if (live()) Finish(false);
      return;
    }
    const auto count = static_cast<int>(groups_[group_].size());
    if (!announced_) {
      announced_ = true;
      emit GroupStarted(group_, count);
      if (!live()) return;
      continue;
    }
    if (index_ >= count) {
      ++group_;
      index_ = 0;
      announced_ = false;
      continue;
    }
    if (slice.hasExpired(kSliceMs)) {
      emit Paused();
      if (live()) Later();
      return;
    }
    const QString link = groups_[group_][index_++];
    if (!LinkCheck::Skipped(link)) {
      target_ = LinkCheck::Normalise(link, Root, Base);
      link_ = link;
      const QUrl url(target_);
      if (IsWeb(url)) {
        emit Paused();
        // A backslash is a "/" and ".." steps back in the address asked
        // for, as a browser asks.
        if (live())
          Request(QUrl(LinkCheck::SlashedPath(target_)).adjusted(QUrl::NormalizePathSegments), kMaxRedirects, false);
        return;
      }
      const TFailure failure = CheckLocal(url, target_);
      emit Checked(target_, failure == TFailure::None, failure, 0, link_);
      if (!live()) return;
    }
    emit Advanced(index_);
    if (!live()) return;
  }
}

void TLinkChecker::Later() {
  QTimer::singleShot(0, this, [this, run = run_] {
    if (run == run_) Next();
  });
}

bool TLinkChecker::SameOrigin(const QUrl& url) const {
  const QUrl root(Root.trimmed());
  return IsWeb(root) && root.scheme() == url.scheme() && root.host().compare(url.host(), Qt::CaseInsensitive) == 0 &&
         DefaultPort(root) == DefaultPort(url);
}

void TLinkChecker::Request(const QUrl& url, int redirectsLeft, bool credentials) {
  DropSocket();
  url_ = url;
  redirectsLeft_ = redirectsLeft;
  credentials_ = credentials;
  header_.clear();
  TConnectionEvents events;
  events.ready = [this] { SendRequest(); };
  events.readyRead = [this] { ReadAnswer(); };
  events.failed = [this](TConnectionError error) { SocketFailed(error); };
  TConnectionRefusal refusal = TConnectionRefusal::None;
  socket_ = NewLinkConnection(url.scheme() == u"https", std::move(events), this, refusal);
  if (refusal == TConnectionRefusal::NoModule) return Done(TFailure::NoNetworkModule);
  if (!socket_) return Done(TFailure::Secure);
  // One deadline for the link's connections and whole header blocks, its
  // redirects and retry included: a server that answers slowly, never stops
  // sending headers or sends the link round in circles is given up on.
  if (!deadline_->isActive()) deadline_->start(Timeout);
  socket_->Connect(url.host(QUrl::FullyEncoded), DefaultPort(url));
}

void TLinkChecker::SendRequest() {
  if (!socket_) return;
  QByteArray path = url_.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
  if (!path.startsWith('/')) path.prepend('/');
  QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: " +
                       url_.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1() +
                       "\r\nUser-Agent: InetURL:/1.0\r\nAccept: */*\r\nCache-Control: no-cache\r\nPragma: no-cache\r\n";
  if (credentials_)
    request += "Authorization: Basic " + (User.trimmed() + u':' + Password.trimmed()).toUtf8().toBase64() + "\r\n";
  request += "Connection: close\r\n\r\n";
  socket_->Write(request);
}

void TLinkChecker::ReadAnswer() {
  if (!socket_) return;
  // Never more than the limit is kept; the body is never read.
  header_ += socket_->Read(kMaxHeaderBytes + 4 - header_.size());
  for (;;) {
    qsizetype end = header_.indexOf("\r\n\r\n");
    qsizetype skip = 4;
    if (const qsizetype lf = header_.indexOf("\n\n"); lf >= 0 && (end < 0 || lf < end)) end = lf, skip = 2;
    if (end < 0) break;
    const QList<QByteArray> lines = header_.left(end).split('\n');
    const int status = StatusOf(lines.first().trimmed());
    if (status == 0) {
      DropSocket();
      return Done(TFailure::BadAnswer);
    }
    if (status < 200) {  // an interim answer: the real one follows
      header_.remove(0, end + skip);
      continue;
    }
    QByteArray location;
    for (const QByteArray& line : lines)
      if (location.isEmpty() && line.toLower().startsWith("location:")) location = line.mid(9).trimmed();
    DropSocket();
    return Answer(status, location);
  }
  if (header_.size() > kMaxHeaderBytes) {
    DropSocket();
    Done(TFailure::HeaderTooLarge);
  }
}

void TLinkChecker::SocketFailed(TConnectionError error) {
  if (!socket_) return;
  // A server that closes after a complete header block has answered.
  if (error == TConnectionError::RemoteClosed && socket_->BytesAvailable() > 0) ReadAnswer();
  if (!socket_) return;
  DropSocket();
  switch (error) {
    case TConnectionError::Refused:
      return Done(TFailure::Refused);
    case TConnectionError::HostNotFound:
      return Done(TFailure::HostNotFound);
    case TConnectionError::Timeout:
      return Done(TFailure::Timeout);
    case TConnectionError::Secure:
      return Done(TFailure::Secure);
    case TConnectionError::RemoteClosed:
      return Done(TFailure::BadAnswer);
    case TConnectionError::Other:
      return Done(TFailure::Network);
  }
}

void TLinkChecker::Answer(int status, const QByteArray& location) {
  if (status >= 300 && status < 400 && !location.isEmpty()) {
    const QUrl next = url_.resolved(QUrl::fromEncoded(location));
    // Only web addresses are followed: a redirect never reaches a local file.
    if (!IsWeb(next)) return Done(TFailure::RedirectElsewhere, status);
    if (redirectsLeft_ == 0) return Done(TFailure::TooManyRedirects, status);
    return Request(next, redirectsLeft_ - 1, credentials_ && SameOrigin(next));
  }
  if (status >= 200 && status < 300) return Done(TFailure::None, status);
  // Credentials go only to the root path's own site, and only when it asks.
  if (status == 401 && !credentials_ && !User.trimmed().isEmpty() && SameOrigin(url_))
    return Request(url_, redirectsLeft_, true);
  Done(TFailure::HttpStatus, status);
}

void TLinkChecker::DropSocket(bool now) {
  // Gone at once; the object itself goes when its event is through.
  if (ILinkConnection* socket = std::exchange(socket_, nullptr)) socket->Close(now);
}

void TLinkChecker::Done(TFailure failure, int status) {
  deadline_->stop();
  const quint64 run = run_;
  const auto live = [this, run] { return running_ && run == run_; };
  emit Checked(target_, failure == TFailure::None, failure, status, link_);
  if (!live()) return;
  emit Advanced(index_);
  // The event loop turns before the next link (and may stop the check).
  if (live()) Later();
}

void TLinkChecker::Finish(bool stopped) {
  running_ = false;
  ++run_;
  groups_.clear();
  emit Finished(stopped);
}

TLinkCheckPage::TLinkCheckPage(TSrcEdit* editor, std::function<void()> showEditor, QWidget* parent)
    : QWidget(parent), editor_(editor), showEditor_(std::move(showEditor)), checker_(new TLinkChecker(this)) {
  setObjectName(QStringLiteral("LinkPage"));
  auto* layout = new QVBoxLayout(this);
  ListView1 = new QTreeWidget(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setColumnCount(3);
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setColumnWidth(0, 500);
  ListView1->setColumnWidth(1, 150);
  ListView1->setColumnWidth(2, 250);
  layout->addWidget(ListView1, 1);

  auto* grid = new QGridLayout;
  vfLinks = new QPushButton(this);
  vfLinks->setObjectName(QStringLiteral("vfLinks"));
  CheckBox1 = new QCheckBox(this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  ProgressBar1 = new TExtProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->SetSelectionColor(Qt::black);
  ProgressBar1->setValue(0);
  const auto edit = [this](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QLatin1String(name));
    return e;
  };
  Edit2 = edit("Edit2");
  Edit3 = edit("Edit3");
  Edit4 = edit("Edit4");
  Edit4->setEchoMode(QLineEdit::Password);
  for (int i = 0; i < 4; ++i) labels_ << new QLabel(this);
  grid->addWidget(vfLinks, 0, 0);
  grid->addWidget(ProgressBar1, 0, 1, 1, 3);
  grid->addWidget(CheckBox1, 0, 4, 1, 2);
  grid->addWidget(labels_[0], 1, 0);
  grid->addWidget(Edit2, 1, 1);
  grid->addWidget(labels_[1], 1, 2);
  grid->addWidget(Edit3, 1, 3);
  grid->addWidget(labels_[2], 1, 4);
  grid->addWidget(Edit4, 1, 5);
  grid->addWidget(labels_[3], 2, 0, 1, 6);
  layout->addLayout(grid);

  auto* stop = new QAction(this);
  stop->setObjectName(QStringLiteral("StopTheLinkCheck"));
  stop->setShortcut(QKeySequence(Qt::Key_Escape));
  stop->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  addAction(stop);
  connect(stop, &QAction::triggered, this, &TLinkCheckPage::StopTheLinkCheckExecute);
  connect(vfLinks, &QPushButton::clicked, this, &TLinkCheckPage::vfLinksClick);
  connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &TLinkCheckPage::ListView1DblClick);

  connect(checker_, &TLinkChecker::GroupStarted, this, [this](int group, int count) {
    progress_ = 0;
    ProgressBar1->setValue(0);
    ProgressBar1->setMaximum(std::max(1, count));
    if (count == 0) AddRow(LangText(QLatin1String(group == 0 ? "ZeroHttp" : "ZeroImg")), QString());
  });
  connect(checker_, &TLinkChecker::Advanced, this, [this](int done) { progress_ = done; });
  connect(checker_, &TLinkChecker::Paused, this, &TLinkCheckPage::ShowRows);
  connect(checker_, &TLinkChecker::Checked, this,
          [this](const QString& target, bool ok, TFailure failure, int status, const QString& link) {
            AddRow(target, ok ? OkText : ErrorText, LinkCheck::FailureText(failure, status), link);
          });
  connect(checker_, &TLinkChecker::Finished, this, [this] {
    ShowRows();
    progress_ = 0;
    ProgressBar1->setValue(0);
    vfLinks->setEnabled(true);
    ShowMessageDlg(LangText(QStringLiteral("LinkCheckDone")), 0);
  });
}

TLinkCheckPage::~TLinkCheckPage() { Cancel(); }

void TLinkCheckPage::ApplyLanguage() {
  ListView1->setHeaderLabels({LangText(QStringLiteral("rmlvUrl")), LangText(QStringLiteral("rmlvStatus")),
                              LangText(QStringLiteral("rmlvReason"))});
  vfLinks->setText(LangText(QStringLiteral("rmvfLinks")));
  vfLinks->setToolTip(LangText(QStringLiteral("Ver_vLINBW")));
  CheckBox1->setText(LangText(QStringLiteral("vlViewInBrowser")));
  const char* keys[] = {"rmRoot", "vlNameI", "vlPwI", "vlpwInfo"};
  for (int i = 0; i < 4; ++i) static_cast<QLabel*>(labels_[i])->setText(LangText(QLatin1String(keys[i])));
}

void TLinkCheckPage::AddRow(const QString& caption, const QString& status, const QString& reason, const QString& link) {
  auto* row = new QTreeWidgetItem({caption, status, reason});
  if (!link.isEmpty()) row->setData(0, Qt::UserRole, link);
  if (!reason.isEmpty()) row->setToolTip(0, reason);
  rows_ << row;
}

void TLinkCheckPage::ShowRows() {
  // One insertion for the lot: the list is laid out and drawn once.
  if (!rows_.isEmpty()) ListView1->addTopLevelItems(std::exchange(rows_, {}));
  ProgressBar1->setValue(progress_);
}

void TLinkCheckPage::vfLinksClick() {
  if (checker_->Running()) return;
  THTMLParser parser;
  parser.HTML = editor_->Lines().ToStringList();
  parser.Parse();
  // A saved page's links are read against its folder, those from the site's
  // root against the root path (the page's folder when it is empty). A page
  // never saved has only the root path: without one its relative links
  // cannot be checked.
  QString base;
  if (const QString document = DocumentPath ? DocumentPath() : QString();
      !document.isEmpty() && QFileInfo(document).isAbsolute()) {
    base = QFileInfo(document).absolutePath();
    if (!base.endsWith(u'/')) base += u'/';
  }
  QString root = Edit2->text().trimmed();
  if (root.isEmpty()) {
    if (!base.isEmpty()) {
      root = base;
    } else if (std::any_of(parser.Parsed.Hyperlinks.cbegin(), parser.Parsed.Hyperlinks.cend(), LinkCheck::NeedsRoot) ||
               std::any_of(parser.Parsed.Images.cbegin(), parser.Parsed.Images.cend(), LinkCheck::NeedsRoot)) {
      ShowMessageDlg(LangText(QStringLiteral("LinkCheckUnsaved")), 0);
      return;
    }
  }
  root_ = root;
  base_ = base;
  OkText = LangText(QStringLiteral("rmdOk"));
  ErrorText = LangText(QStringLiteral("rmdError"));
  ProgressBar1->setValue(0);
  ListView1->clear();
  checker_->Root = root;
  checker_->Base = base;
  checker_->User = Edit3->text();
  checker_->Password = Edit4->text();
  vfLinks->setEnabled(false);
  checker_->Start({parser.Parsed.Hyperlinks, parser.Parsed.Images});
}

void TLinkCheckPage::StopTheLinkCheckExecute() { checker_->Stop(); }

void TLinkCheckPage::Cancel() {
  const QSignalBlocker quiet(checker_);
  checker_->Stop();
  ShowRows();
}

void TLinkCheckPage::ListView1DblClick() {
  const QTreeWidgetItem* item = ListView1->currentItem();
  if (!item) return;
  const QString caption = item->text(0);
  if (CheckBox1->isChecked()) {
    // A local row opens the file its link names, as the check looked it up.
    const QString target = IsWeb(QUrl(caption.trimmed())) ? caption.trimmed() : LinkCheck::LocalPath(caption.trimmed());
    if (LinkCheck::MayOpen(target)) Launcher().Open(target);
    return;
  }
  QString text = caption.trimmed();
  if (text.isEmpty()) return;
  QString root = Edit2->text().trimmed();
  if (root.isEmpty()) root = root_.trimmed();
  const QString link = item->data(0, Qt::UserRole).toString();
  // A link relative to a saved page was read against the page's folder.
  if (!base_.isEmpty() && !link.isEmpty() && !LinkCheck::FromRoot(link)) root = base_;
  if (!root.isEmpty() && text.contains(root)) {
    text = text.mid(root.size()).trimmed();
    if (!LinkCheck::IsSeparator(root.back()) && text.startsWith(u'/')) text.remove(0, 1);
  }
  // A link wrapped over lines is found by its longest line.
  if (link.contains(u'\n')) {
    text.clear();
    for (const QString& part : link.split(u'\n'))
      if (part.trimmed().size() > text.size()) text = part.trimmed();
  }
  editor_->SetCaretXY(TPoint{1, 1});
  editor_->SearchReplace(text, QString(), ssoMatchCase | ssoEntireScope);
  if (showEditor_) showEditor_();
}
