#include "app/dialogs/ShellDialogs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>

#include "app/core/LanguageModule.h"
#include "app/core/Launcher.h"
#include "app/core/Prompts.h"
#include "modules/ModuleLoader.h"
#include "modules/Network.h"
#include "platform/MountWatcher.h"

namespace {
QString Text(const char* key) { return LangText(QLatin1String(key)); }

// A dialog with one prompt line, an input widget and OK/Cancel.
void AddOkCancel(QDialog& dialog, QVBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->addButton(Text("btOk"), QDialogButtonBox::AcceptRole);
  buttons->addButton(Text("btCancel"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
}

void SetSearching(QPushButton* find, QPushButton* stop, bool searching) {
  find->setEnabled(!searching);
  stop->setEnabled(searching);
}

// The Find and Stop buttons of a search; Stop is enabled while it runs.
void AddFindStopRow(QDialog& dialog, QVBoxLayout* layout, QPushButton*& find, QPushButton*& stop) {
  auto* row = new QHBoxLayout;
  find = new QPushButton(Text("ShFindStart"), &dialog);
  stop = new QPushButton(Text("ShFindStop"), &dialog);
  row->addWidget(find);
  row->addWidget(stop);
  row->addStretch();
  layout->addLayout(row);
  SetSearching(find, stop, false);
}
}  // namespace

bool StartFirstTool(const QList<QStringList>& candidates, const QString& folder) {
  for (const QStringList& c : candidates) {
    if (c.isEmpty()) continue;
    const bool started = c.first().contains(QLatin1String("://")) ? Launcher().Open(c.first())
                                                                   : Launcher().Start(c.first(), c.mid(1), folder);
    if (started) return true;
  }
  if (!candidates.isEmpty()) ShowMessageDlg(ComposeText({Text("ShToolMissing"), candidates.first().value(0)}), 0);
  return false;
}

bool TWtConnectNetwork::Execute() {
  QDialog dialog;
  dialog.setObjectName(QStringLiteral("NetConnectDlg"));
  dialog.setWindowTitle(Text("MM_NetWork1_Map"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(Text("ShNetAddress"), &dialog));
  auto* edit = new QLineEdit(&dialog);
  edit->setObjectName(QStringLiteral("Address"));
  layout->addWidget(edit);
  AddOkCancel(dialog, layout);
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return false;
  const QString address = edit->text().trimmed();
  if (address.isEmpty()) return false;
  return StartFirstTool({{QStringLiteral("gio"), QStringLiteral("mount"), address}});
}

bool TWtDisconnectNetwork::Execute() {
  TSystemMountSource system;
  TMountSource& source = mounts_ ? *mounts_ : static_cast<TMountSource&>(system);
  QStringList roots;
  for (const TMountEntry& m : source.Mounts())
    if (m.type == TDriveType::Remote) roots << m.root;
  if (roots.isEmpty()) {
    ShowMessageDlg(Text("ShNoNetMounts"), 0);
    return false;
  }
  QDialog dialog;
  dialog.setObjectName(QStringLiteral("NetDisconnectDlg"));
  dialog.setWindowTitle(Text("MM_NetWork1_UnMap"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* list = new QListWidget(&dialog);
  list->setObjectName(QStringLiteral("Mounts"));
  list->addItems(roots);
  list->setCurrentRow(0);
  layout->addWidget(list);
  AddOkCancel(dialog, layout);
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || !list->currentItem()) return false;
  return StartFirstTool(
      {{QStringLiteral("gio"), QStringLiteral("mount"), QStringLiteral("-u"), list->currentItem()->text()}});
}

bool TWtAddPrinter::Execute() {
  return StartFirstTool(
      {{QStringLiteral("system-config-printer")}, {QStringLiteral("http://localhost:631/admin?OP=add-printer")}});
}

bool TWtCommandPrompt::Execute() {
  // Every terminal works in the folder, also those that take no option for it.
  const QString dir = !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
  return StartFirstTool({{QStringLiteral("x-terminal-emulator")},
                         {QStringLiteral("gnome-terminal"), QStringLiteral("--working-directory=") + dir},
                         {QStringLiteral("konsole"), QStringLiteral("--workdir"), dir},
                         {QStringLiteral("xfce4-terminal"), QStringLiteral("--working-directory=") + dir},
                         {QStringLiteral("xterm")}},
                        dir);
}

void TFileSearch::Start(const QString& folder, const QString& pattern) {
  pending_ = QStringList{QDir::cleanPath(folder)};
  patterns_ = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (QString& p : patterns_) p = p.trimmed();
  if (patterns_.isEmpty()) patterns_ << QStringLiteral("*");
}

bool TFileSearch::Step(int budget, const std::function<void(const QString&)>& found) {
  static const QStringList skipped = {QStringLiteral("/proc"), QStringLiteral("/sys"), QStringLiteral("/dev")};
  while (budget > 0 && !pending_.isEmpty()) {
    const QString folder = pending_.takeFirst();
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(
        patterns_, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& f : entries)
      if (!f.isSymLink()) found(f.filePath());
    const QFileInfoList folders =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& d : folders)
      if (!skipped.contains(d.filePath())) pending_ << d.filePath();
    budget -= 1 + int(entries.size());
  }
  return !pending_.isEmpty();
}

TFindFilesDialog::TFindFilesDialog(const QString& folder, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FindFilesDlg"));
  setWindowTitle(Text("MM_SFile"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  FolderEdit = new QLineEdit(folder.isEmpty() ? QDir::homePath() : folder, this);
  NameEdit = new QLineEdit(QStringLiteral("*.html"), this);
  form->addRow(Text("ShFindIn"), FolderEdit);
  form->addRow(Text("ShFindName"), NameEdit);
  layout->addLayout(form);
  AddFindStopRow(*this, layout, FindButton, StopButton);
  Results = new QListWidget(this);
  layout->addWidget(Results, 1);
  timer_ = new QTimer(this);
  timer_->setInterval(0);
  connect(timer_, &QTimer::timeout, this, [this] {
    if (!search_.Step(200, [this](const QString& path) { Results->addItem(path); })) StopSearch();
  });
  connect(FindButton, &QPushButton::clicked, this, &TFindFilesDialog::StartSearch);
  connect(StopButton, &QPushButton::clicked, this, &TFindFilesDialog::StopSearch);
}

void TFindFilesDialog::StartSearch() {
  Results->clear();
  search_.Start(FolderEdit->text(), NameEdit->text());
  SetSearching(FindButton, StopButton, true);
  timer_->start();
}

void TFindFilesDialog::StopSearch() {
  search_.Stop();
  timer_->stop();
  SetSearching(FindButton, StopButton, false);
}

bool TWtFindFiles::Execute() {
  TFindFilesDialog dialog(drive);
  Prompts().ExecModal(dialog);
  return true;
}

TFindComputerDialog::TFindComputerDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FindComputerDlg"));
  setWindowTitle(Text("MM_FindC"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  NameEdit = new QLineEdit(this);
  form->addRow(Text("ShCompName"), NameEdit);
  layout->addLayout(form);
  AddFindStopRow(*this, layout, FindButton, StopButton);
  ResultLabel = new QLabel(this);
  ResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(ResultLabel, 1);
  connect(FindButton, &QPushButton::clicked, this, &TFindComputerDialog::StartLookup);
  connect(StopButton, &QPushButton::clicked, this, &TFindComputerDialog::StopLookup);
}

TFindComputerDialog::~TFindComputerDialog() { StopLookup(); }

void TFindComputerDialog::StartLookup() {
  StopLookup();
  const QString name = NameEdit->text().trimmed();
  if (name.isEmpty()) return;
  ResultLabel->clear();
  SetSearching(FindButton, StopButton, true);
  lookupId_ = LookUpHost(name, this, [this](const QStringList& addresses) {
    lookupId_ = -1;
    SetSearching(FindButton, StopButton, false);
    ResultLabel->setText(addresses.isEmpty() ? Text("ShCompNotFound") : addresses.join(QLatin1Char('\n')));
  });
  if (lookupId_ == -1) {  // no network module: said where the look-up was asked for
    SetSearching(FindButton, StopButton, false);
    ResultLabel->setText(Text("NetworkMissing") + u'\n' + Modules::Error(NetworkModuleFile()));
  }
}

void TFindComputerDialog::StopLookup() {
  if (lookupId_ != -1) AbortHostLookup(lookupId_);
  lookupId_ = -1;
  SetSearching(FindButton, StopButton, false);
}

bool TWtFindComputerDlg::Execute() {
  TFindComputerDialog dialog;
  Prompts().ExecModal(dialog);
  return true;
}
