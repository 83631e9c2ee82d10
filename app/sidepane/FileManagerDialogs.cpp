#include "app/sidepane/FileManagerDialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/look/ExtProgressBar.h"
#include "app/sidepane/FileOperations.h"
#include "files/FileServices.h"
#include "files/FrDirectoryTree.h"
#include "files/PromptDialogs.h"

namespace {
QString Text(const char* key) { return LangText(QLatin1String(key)); }
constexpr int kYes = 6;
}  // namespace

// ------------------------------------------------------------ copy monitor

TfFileCopy::TfFileCopy(QWidget* parent)
    : QDialog(parent),
      ListBox1(new QListWidget),
      Edit1(new QLineEdit),
      Edit2(new QLineEdit),
      SpeedButton1(new QPushButton(QStringLiteral("..."))),
      Label7(new QLabel),
      Label5(new QLabel),
      Label6(new QLabel),
      ProgressBar1(new TExtProgressBar),
      Button1(new QPushButton),
      Button2(new QPushButton),
      Button3(new QPushButton) {
  setObjectName(QStringLiteral("fFileCopy"));
  resize(460, 400);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label7);
  layout->addWidget(ListBox1, 1);
  auto* form = new QFormLayout;
  for (int i = 0; i < 2; ++i) {
    sourceLabels_ << new QLabel;
    destLabels_ << new QLabel;
  }
  Edit2->setReadOnly(true);
  form->addRow(sourceLabels_[0], Edit2);
  auto* dest = new QHBoxLayout;
  dest->addWidget(Edit1, 1);
  dest->addWidget(SpeedButton1);
  SpeedButton1->setFixedWidth(32);
  form->addRow(destLabels_[0], dest);
  form->addRow(sourceLabels_[1], Label5);
  form->addRow(destLabels_[1], Label6);
  layout->addLayout(form);
  layout->addWidget(ProgressBar1);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(Button3);
  row->addWidget(Button1);
  row->addWidget(Button2);
  layout->addLayout(row);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  Button3->hide();
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &TfFileCopy::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::close);
  connect(Button3, &QPushButton::clicked, this, &TfFileCopy::Button3Click);
  connect(SpeedButton1, &QPushButton::clicked, this, &TfFileCopy::SpeedButton1Click);
  connect(Edit1, &QLineEdit::textEdited, this, [this] { Edit1->setStyleSheet(QString()); });
  FormShow();
}

void TfFileCopy::Setup(const QStringList& names, const QString& sourceFolder) {
  ListBox1->clear();
  ListBox1->addItems(names);
  Edit2->setText(sourceFolder);
  Edit1->clear();
  FormShow();
}

void TfFileCopy::FormShow() {
  setWindowTitle(Text("fcCaption"));
  Label7->setText(Text("FilesCounted") + QString::number(ListBox1->count()));
  Button2->setText(Text("Close"));
  Button3->setText(Text("btCancel"));
  Button1->setText(Text("fcCpFiles"));
  for (QLabel* l : sourceLabels_) l->setText(Text("fcSource"));
  for (QLabel* l : destLabels_) l->setText(Text("fcDest"));
}

void TfFileCopy::SpeedButton1Click() {
  TfSelDir chooser(this);
  const QString start = Edit1->text().trimmed().isEmpty() ? Edit2->text() : Edit1->text().trimmed();
  try {
    if (QFileInfo(start).isDir()) chooser.FrDirectoryTree1->OpenPath(start);
  } catch (const Exception&) {
  }
  if (chooser.Execute() && !chooser.FrDirectoryTree1->GetDirectory().isEmpty()) {
    Edit1->setText(chooser.FrDirectoryTree1->GetDirectory());
    Edit1->setStyleSheet(QString());
  }
}

void TfFileCopy::Button3Click() {
  if (ShowMessageDlg(Text("Stoppen"), 1) == kYes) stop_ = true;
}

void TfFileCopy::Button1Click() {
  if (copying_) return;
  const QString typed = Edit1->text().trimmed();
  if (typed.isEmpty()) {
    ShowMessageDlg(Text("DestPath"), 0);
    Edit1->setStyleSheet(QStringLiteral("background: #ff0000"));
    Edit1->setFocus();
    return;
  }
  // "dest/", "dest/../x" and a name relative to the source folder all name
  // one folder.
  const QString destination = QDir::cleanPath(QDir(Edit2->text()).absoluteFilePath(typed));
  if (!QFileInfo(destination).isDir()) {
    if (ShowMessageDlg(Text("NoDir"), 1) != kYes) return;
    if (!QDir().mkdir(destination)) {
      // Without its destination the copy cannot go on.
      ShowMessageDlg(ComposeText({Text("cncDir"), destination}), 2);
      return;
    }
  }

  QStringList names;
  for (int i = 0; i < ListBox1->count(); ++i) names << ListBox1->item(i)->text();
  FileOps::TFileCopyRun run;
  run.sourceFolder = Edit2->text();
  run.destination = destination;
  run.names = names;
  run.askOverwrite = [](const QString& name) {
    return ShowMessageDlg(ComposeText({Text("FileExists1"), name, Text("FileExists2")}), 4);
  };
  run.progress = [this](int index, const QString& source, const QString& target) {
    Label5->setText(source);
    Label6->setText(target);
    ProgressBar1->setValue(index + 1);
  };
  run.processEvents = [] { QCoreApplication::processEvents(); };
  run.stopRequested = [this] { return stop_; };

  copying_ = true;
  stop_ = false;
  ProgressBar1->setRange(0, int(names.size()));
  Button1->setEnabled(false);
  Button2->setEnabled(false);
  Button3->show();
  const FileOps::TFileCopyRun::Result result = run.Run();
  copying_ = false;
  Button3->hide();
  Button1->setEnabled(true);
  Button2->setEnabled(true);
  Label5->clear();
  Label6->clear();
  ProgressBar1->setValue(0);

  if (!result.failures.isEmpty()) {
    ShowMessageDlg(ComposeText({Text("CopyFailed"), QString::number(result.failures.size())}) + u'\n' +
                       result.failures.join(u'\n'),
                   2);
  } else if (result.stopped) {
    ShowMessageDlg(Text("CopyStopped"), 0);
  } else {
    ShowMessageDlg(Text("CopyDone"), 0);
  }
  if (OnCopied) OnCopied(destination);
  accept();
}

void TfFileCopy::closeEvent(QCloseEvent* event) {
  if (copying_) {
    // Closing the window while copying stops the copy; the run closes it.
    stop_ = true;
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TfFileCopy::reject() {
  if (copying_) {
    stop_ = true;
    return;
  }
  QDialog::reject();
}

// ------------------------------------------------------------ delete confirmation

TfConfdel::TfConfdel(const QStringList& paths, QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel),
      ListBox1(new QListWidget),
      Button1(new QPushButton),
      Button2(new QPushButton) {
  setObjectName(QStringLiteral("fConfdel"));
  setWindowTitle(Text("FconfDelCap"));
  resize(420, 300);
  auto* layout = new QVBoxLayout(this);
  Label1->setText(Text("fToBeDel"));
  layout->addWidget(Label1);
  ListBox1->addItems(paths);
  layout->addWidget(ListBox1, 1);
  auto* row = new QHBoxLayout;
  row->addStretch();
  Button1->setText(Text("btOk"));
  Button2->setText(Text("btCancel"));
  row->addWidget(Button1);
  row->addWidget(Button2);
  layout->addLayout(row);
  connect(Button1, &QPushButton::clicked, this, &TfConfdel::Button1Click);
  connect(Button2, &QPushButton::clicked, this, [this] {
    ok_ = false;
    reject();
  });
}

void TfConfdel::Button1Click() {
  if (ShowMessageDlg(Text("DelFileConf"), 1) != kYes) return;
  ok_ = true;
  accept();
}

// ------------------------------------------------------------ properties

TfFileProperties::TfFileProperties(QWidget* parent)
    : QDialog(parent),
      Edit1(new QLineEdit),
      Edit2(new QLineEdit),
      SizeText(new QLabel),
      CreatedText(new QLabel),
      ModifiedText(new QLabel),
      AccessedText(new QLabel),
      ToolButton1(new QToolButton) {
  setObjectName(QStringLiteral("fFileProperties"));
  setWindowTitle(Text("FM_Prop"));
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(Text("FM_Prop"));
  auto* top = new QHBoxLayout(group);
  ToolButton1->setIconSize(QSize(32, 32));
  ToolButton1->setAutoRaise(true);
  top->addWidget(ToolButton1, 0, Qt::AlignTop);
  auto* form = new QFormLayout;
  Edit1->setReadOnly(true);
  Edit2->setReadOnly(true);
  form->addRow(Text("UCCP_Filen"), Edit1);
  form->addRow(Text("fpLoc"), Edit2);
  form->addRow(Text("fpFileSize"), SizeText);
  form->addRow(Text("fpCr"), CreatedText);
  form->addRow(Text("fpmodi"), ModifiedText);
  form->addRow(Text("fpAcc"), AccessedText);
  top->addLayout(form, 1);
  layout->addWidget(group);
  auto* close = new QPushButton(Text("Close"));
  close->setObjectName(QStringLiteral("Button1"));
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(close);
  layout->addLayout(row);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  resize(420, 260);
}

QString TfFileProperties::TimeText(const QDateTime& time) {
  return time.isValid() ? time.toLocalTime().toString(QStringLiteral("dd/MM/yyyy hh:mm")) : QString();
}

void TfFileProperties::Fill(const QString& path) {
  Edit2->setText(path);
  Edit1->setText(QFileInfo(path.trimmed()).fileName());
  SizeText->setText(FileOps::FileSizeText(path));
  const QFileInfo info(path);
  if (!info.exists()) return;
  // The times come from the file's entry; a file system that keeps no
  // creation time leaves that one empty.
  CreatedText->setText(TimeText(info.birthTime()));
  ModifiedText->setText(TimeText(info.lastModified()));
  AccessedText->setText(TimeText(info.lastRead()));
}

void TfFileProperties::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The icon follows once the window is up.
  QTimer::singleShot(30, this, [this] {
    ToolButton1->setIcon(TFileIconCache::Instance().IconFor(QFileInfo(Edit2->text()).fileName()));
  });
}
