#include "app/LinkCheck.h"

#include "app/LanguageModule.h"
#include "app/Launcher.h"
#include "app/Prompts.h"
#include "authoring/HTMLParser.h"
#include "editor/SrcEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace LinkCheck {

QString Normalise(QString link, const QString& root) {
  for (const QLatin1String dot : {QLatin1String("./"), QLatin1String(".\\")})
    if (const int at = link.indexOf(dot); at >= 0) link.remove(at, 2);
  for (const QChar lead : {u'.', u'/', u'\\'})
    if (link.startsWith(lead)) link.remove(0, 1);
  const QString lower = link.toLower();
  if (lower.contains(QLatin1String("www")) && !lower.contains(QLatin1String("http:")) &&
      !lower.contains(QLatin1String("https:")))
    link.prepend(QLatin1String("http://"));
  // A link with a folder or scheme ("\\" or ":") stands on its own.
  return link.contains(u'\\') || link.contains(u':') ? link : root + link;
}

bool Skipped(const QString& link) {
  const QString l = link.trimmed().toLower();
  return l.isEmpty() || l.startsWith(u'#') || l.startsWith(QLatin1String("javascript:")) ||
         l.startsWith(QLatin1String("mailto:"));
}

bool MayOpen(const QString& target) {
  const QUrl url(target.trimmed());
  if ((url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty()) return true;
  const QFileInfo file(target.trimmed());
  static const QStringList programs = {"exe", "com", "bat", "cmd", "scr", "pif", "msi", "sh", "bash", "run",
                                       "bin", "desktop", "appimage", "jar", "ps1", "vbs", "py", "pl"};
  return file.isFile() && !file.isExecutable() && !programs.contains(file.suffix().toLower());
}

}  // namespace LinkCheck

TLinkChecker::TLinkChecker(QObject* parent) : QObject(parent), net_(new QNetworkAccessManager(this)) {}

TLinkChecker::~TLinkChecker() { DropReply(); }

void TLinkChecker::Start(const QList<QStringList>& groups) {
  DropReply();
  groups_ = groups;
  group_ = 0;
  index_ = 0;
  announced_ = false;
  running_ = true;
  Next();
}

void TLinkChecker::Stop() {
  if (!running_) return;
  DropReply();
  Finish(true);
}

void TLinkChecker::Next() {
  if (!running_) return;
  while (group_ < groups_.size()) {
    const QStringList& links = groups_[group_];
    if (!announced_) {
      announced_ = true;
      emit GroupStarted(group_, static_cast<int>(links.size()));
      if (!running_) return;
    }
    if (index_ < links.size()) {
      const QString link = links[index_++];
      if (LinkCheck::Skipped(link)) {
        emit Advanced(index_);
        continue;
      }
      CheckTarget(LinkCheck::Normalise(link, Root));
      return;
    }
    ++group_;
    index_ = 0;
    announced_ = false;
  }
  Finish(false);
}

void TLinkChecker::CheckTarget(const QString& target) {
  target_ = target;
  if (QFileInfo::exists(target)) return Done(true);
  const QUrl url(target);
  if ((url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty())
    return Request(url, kMaxRedirects, false);
  Done(false);
}

bool TLinkChecker::OwnHost(const QUrl& url) const {
  const QUrl root(Root.trimmed());
  return (root.scheme() == u"http" || root.scheme() == u"https") && !root.host().isEmpty() &&
         root.host().compare(url.host(), Qt::CaseInsensitive) == 0 && root.port() == url.port();
}

void TLinkChecker::Request(const QUrl& url, int redirectsLeft, bool credentials) {
  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("InetURL:/1.0"));
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  request.setTransferTimeout(Timeout);
  if (credentials)
    request.setRawHeader("Authorization", "Basic " + (User.trimmed() + u':' + Password.trimmed()).toUtf8().toBase64());
  QNetworkReply* reply = net_->get(request);
  reply_ = reply;
  // The answer is known with the headers; the body is never read.
  const auto answer = [this, reply, redirectsLeft, credentials] { Answer(reply, redirectsLeft, credentials); };
  connect(reply, &QNetworkReply::metaDataChanged, this, answer);
  connect(reply, &QNetworkReply::finished, this, answer);
}

void TLinkChecker::Answer(QNetworkReply* reply, int redirectsLeft, bool credentials) {
  if (reply != reply_) return;
  const QUrl url = reply->url();
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const QByteArray location = reply->rawHeader("Location");
  if (status == 0 && !reply->isFinished()) return;  // not answered yet
  DropReply();
  if (status >= 300 && status < 400 && !location.isEmpty()) {
    if (redirectsLeft == 0) return Done(false);
    const QUrl next = url.resolved(QUrl::fromEncoded(location));
    return Request(next, redirectsLeft - 1, credentials && OwnHost(next));
  }
  if (status >= 200 && status < 300) return Done(true);
  // Credentials go only to the site's own host, and only when it asks.
  if (status == 401 && !credentials && !User.trimmed().isEmpty() && OwnHost(url))
    return Request(url, redirectsLeft, true);
  Done(false);
}

void TLinkChecker::DropReply() {
  if (QNetworkReply* reply = reply_) {
    reply_ = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
  }
}

void TLinkChecker::Done(bool ok) {
  emit Checked(target_, ok);
  if (!running_) return;
  emit Advanced(index_);
  // Between two links the event loop runs (and may stop the check).
  QTimer::singleShot(0, this, &TLinkChecker::Next);
}

void TLinkChecker::Finish(bool stopped) {
  running_ = false;
  groups_.clear();
  emit Finished(stopped);
}

TLinkCheckPage::TLinkCheckPage(TSrcEdit* editor, std::function<void()> showEditor, QWidget* parent)
    : QWidget(parent), editor_(editor), showEditor_(std::move(showEditor)), checker_(new TLinkChecker(this)) {
  setObjectName(QStringLiteral("LinkPage"));
  auto* layout = new QVBoxLayout(this);
  ListView1 = new QTreeWidget(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setColumnCount(2);
  ListView1->setRootIsDecorated(false);
  ListView1->setColumnWidth(0, 500);
  ListView1->setColumnWidth(1, 150);
  layout->addWidget(ListView1, 1);

  auto* grid = new QGridLayout;
  vfLinks = new QPushButton(this);
  vfLinks->setObjectName(QStringLiteral("vfLinks"));
  CheckBox1 = new QCheckBox(this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
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
    ProgressBar1->setValue(0);
    ProgressBar1->setMaximum(std::max(1, count));
    if (count == 0) AddRow(LangText(QLatin1String(group == 0 ? "ZeroHttp" : "ZeroImg")), QString());
  });
  connect(checker_, &TLinkChecker::Advanced, ProgressBar1, &QProgressBar::setValue);
  connect(checker_, &TLinkChecker::Checked, this,
          [this](const QString& target, bool ok) { AddRow(target, ok ? OkText : ErrorText); });
  connect(checker_, &TLinkChecker::Finished, this, [this] {
    ProgressBar1->setValue(0);
    vfLinks->setEnabled(true);
    ShowMessageDlg(LangText(QStringLiteral("LinkCheckDone")), 0);
  });
}

TLinkCheckPage::~TLinkCheckPage() { Cancel(); }

void TLinkCheckPage::ApplyLanguage() {
  ListView1->setHeaderLabels({LangText(QStringLiteral("rmlvUrl")), LangText(QStringLiteral("rmlvStatus"))});
  vfLinks->setText(LangText(QStringLiteral("rmvfLinks")));
  vfLinks->setToolTip(LangText(QStringLiteral("Ver_vLINBW")));
  CheckBox1->setText(LangText(QStringLiteral("vlViewInBrowser")));
  const char* keys[] = {"rmRoot", "vlNameI", "vlPwI", "vlpwInfo"};
  for (int i = 0; i < 4; ++i) static_cast<QLabel*>(labels_[i])->setText(LangText(QLatin1String(keys[i])));
}

void TLinkCheckPage::AddRow(const QString& caption, const QString& status) {
  ListView1->setUpdatesEnabled(false);
  new QTreeWidgetItem(ListView1, {caption, status});
  ListView1->setUpdatesEnabled(true);
}

void TLinkCheckPage::vfLinksClick() {
  if (checker_->Running()) return;
  OkText = LangText(QStringLiteral("rmdOk"));
  ErrorText = LangText(QStringLiteral("rmdError"));
  ProgressBar1->setValue(0);
  ListView1->clear();
  THTMLParser parser;
  parser.HTML = editor_->Lines().ToStringList();
  parser.Parse();
  checker_->Root = Edit2->text();
  checker_->User = Edit3->text();
  checker_->Password = Edit4->text();
  vfLinks->setEnabled(false);
  checker_->Start({parser.Parsed.Hyperlinks, parser.Parsed.Images});
}

void TLinkCheckPage::StopTheLinkCheckExecute() { checker_->Stop(); }

void TLinkCheckPage::Cancel() {
  const QSignalBlocker quiet(checker_);
  checker_->Stop();
}

void TLinkCheckPage::ListView1DblClick() {
  const QTreeWidgetItem* item = ListView1->currentItem();
  if (!item) return;
  const QString caption = item->text(0);
  if (CheckBox1->isChecked()) {
    if (LinkCheck::MayOpen(caption)) Launcher().Open(caption.trimmed());
    return;
  }
  QString text = caption.trimmed();
  if (text.isEmpty()) return;
  const QString root = Edit2->text().trimmed();
  if (!root.isEmpty() && text.contains(root)) text = text.mid(root.size()).trimmed();
  editor_->SetCaretXY(TPoint{1, 1});
  editor_->SearchReplace(text, QString(), ssoMatchCase | ssoEntireScope);
  if (showEditor_) showEditor_();
}
