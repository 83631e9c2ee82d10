#include "app/dialogs/UpdateConsole.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/document/EmbeddedBrowser.h"
#include "platform/IniFile.h"
#include "platform/ProgramFolder.h"

namespace {
const QString kConfig = QStringLiteral("config");
QString Encoded(const QString& value) { return QString::fromLatin1(QUrl::toPercentEncoding(value)); }
}  // namespace

bool IsUpdateServer(const TUpdateRequest& r) {
  const QString scheme = r.scheme.toLower();
  if (scheme != u"http" && scheme != u"https") return false;
  QString name = r.host;
  if (const qsizetype colon = name.indexOf(u':'); colon >= 0) {
    const QString port = name.mid(colon + 1);
    bool ok = false;
    const int number = port.toInt(&ok);
    if (!ok || number < 1 || number > 65535 || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
      return false;
    name.truncate(colon);
  }
  if (name.isEmpty() || name.size() > 253) return false;
  for (const QString& label : name.split(u'.')) {
    if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-')) return false;
    for (const QChar c : label)
      if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'))
        return false;
  }
  return true;
}

QString BuildUpdateUrl(const TUpdateRequest& r) {
  return r.scheme + QStringLiteral("://") + r.host + QStringLiteral("/update.php?sysver=") + Encoded(r.build) +
         QStringLiteral("&tidate=") + Encoded(r.mcs1) + QStringLiteral("&elfiledat=") + Encoded(r.mcs2) +
         QStringLiteral("&lid=") + Encoded(r.languageId) + QStringLiteral("&langvers=") + Encoded(r.languageVersion);
}

QString LanguageIdentifier(const QString& modulePath) {
  QString path = modulePath;
  path.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return QFileInfo(path).completeBaseName();
}

TUpdateRequest ReadUpdateRequest(const QString& buildString) {
  const TIniFile console(ProgramFolder() + QStringLiteral("uconsole.dat"));
  TUpdateRequest r;
  r.scheme = console.ReadString(kConfig, QStringLiteral("Scheme"), QStringLiteral("https"));
  r.host = console.ReadString(kConfig, QStringLiteral("Host"), QStringLiteral("update.korvex-vantar.org"));
  r.build = buildString;
  r.mcs1 = console.ReadString(kConfig, QStringLiteral("MCS1"), QString());
  r.mcs2 = console.ReadString(kConfig, QStringLiteral("MCS2"), QString());
  r.languageId = LanguageIdentifier(
      Settings::Open().ReadString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), QString()));
  r.languageVersion = LangText(QStringLiteral("@pluginversion"));
  return r;
}

TfUpdate::TfUpdate(QWidget* parent, const QString& buildString) : QDialog(parent), buildString_(buildString) {
  setObjectName(QStringLiteral("fUpdate"));
  resize(522, 375);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  EmbeddedBrowser1 = new TEmbeddedBrowser(this);
  EmbeddedBrowser1->setObjectName(QStringLiteral("EmbeddedBrowser1"));
  EmbeddedBrowser1->setContextMenuPolicy(Qt::NoContextMenu);
  EmbeddedBrowser1->SetUserAgent(QStringLiteral("Korvex Vantar - Update Console"));
  layout->addWidget(EmbeddedBrowser1, 1);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  layout->addWidget(StatusBar1);
  Panel1 = new QWidget(this);
  auto* row = new QHBoxLayout(Panel1);
  row->addStretch();
  Button2 = new QPushButton(Panel1);
  Button2->setObjectName(QStringLiteral("Button2"));
  row->addWidget(Button2);
  layout->addWidget(Panel1);
  connect(Button2, &QPushButton::clicked, this, &QDialog::close);

  // The answer page gets no context menu.
  EmbeddedBrowser1->OnShowContextMenu = [](TObject*, const QPoint&) { return kS_OK; };
  EmbeddedBrowser1->OnDownloadBegin = [this](TObject*) {
    StatusBar1->showMessage(LangText(QStringLiteral("ConServ")));
  };
  EmbeddedBrowser1->OnDownloadComplete = [this](TObject*) { StatusBar1->clearMessage(); };
  EmbeddedBrowser1->OnNavigateError = [this](TObject*, const QUrl&) {
    EmbeddedBrowser1->Stop();
    StatusBar1->clearMessage();
    // One box per request, however many parts of the page fail.
    if (errorShown_) return;
    errorShown_ = true;
    ShowMessageDlg(LangText(QStringLiteral("NoCon")), 2);
  };
}

void TfUpdate::CheckForUpdate() {
  errorShown_ = false;
  TUpdateRequest request = ReadUpdateRequest(buildString_);
  if (!IsUpdateServer(request)) {
    ShowMessageDlg(
        LangText(QStringLiteral("UCBadServer")) + u'\n' + request.scheme + QStringLiteral("://") + request.host, 2);
    return;
  }
  request.scheme = request.scheme.toLower();
  EmbeddedBrowser1->Go(BuildUpdateUrl(request));
}

void TfUpdate::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  Button2->setText(LangText(QStringLiteral("Close")));
  setWindowTitle(LangText(QStringLiteral("UCCP_Update")));
  CheckForUpdate();
}
