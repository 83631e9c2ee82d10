#include "files/PromptDialogs.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "files/FileServices.h"
#include "files/FrDirectoryTree.h"

namespace {
// OK sets `okFlag` and closes, Cancel clears it and closes.
void WireOkCancel(QDialog* dialog, QPushButton* ok, QPushButton* cancel, bool* okFlag) {
  QObject::connect(ok, &QPushButton::clicked, dialog, [dialog, okFlag] {
    *okFlag = true;
    dialog->accept();
  });
  QObject::connect(cancel, &QPushButton::clicked, dialog, [dialog, okFlag] {
    *okFlag = false;
    dialog->reject();
  });
}

// Shows `dialog` modally with its flag cleared; the flag's final value.
bool ExecuteWithFlag(QDialog& dialog, bool* okFlag) {
  *okFlag = false;
  FilesExecModal(dialog);
  return *okFlag;
}

// OK and Cancel at the right of a row.
QHBoxLayout* ButtonRow(QPushButton* ok, QPushButton* cancel) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  ok->setDefault(true);
  ok->setText(FilesText(QStringLiteral("btOk")));
  cancel->setText(FilesText(QStringLiteral("btCancel")));
  return row;
}
}  // namespace

TfDosPrompt::TfDosPrompt(QWidget* parent)
    : QDialog(parent), Label1(new QLabel), Edit1(new QLineEdit), Button1(new QPushButton), Button2(new QPushButton) {
  setObjectName(QStringLiteral("fDosPrompt"));
  setFixedWidth(417);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Edit1);
  layout->addLayout(ButtonRow(Button1, Button2));
  connect(Edit1, &QLineEdit::textChanged, this, [this](const QString& t) { text_ = t; });
  WireOkCancel(this, Button1, Button2, &ok_);
}

void TfDosPrompt::Setup(const QString& caption, const QString& prompt, const QString& text) {
  setWindowTitle(caption);
  Label1->setText(prompt);
  Edit1->setText(text);
  text_ = text;
}

bool TfDosPrompt::Execute() { return ExecuteWithFlag(*this, &ok_); }

TfSelDir::TfSelDir(QWidget* parent)
    : QDialog(parent),
      FrDirectoryTree1(new TFrDirectoryTree),
      Panel1(new QWidget),
      Label1(new QLabel(QStringLiteral("Enter project name :"))),
      Edit1(new QLineEdit),
      Button1(new QPushButton),
      Button2(new QPushButton) {
  setObjectName(QStringLiteral("fSelDir"));
  setWindowTitle(FilesText(QStringLiteral("SelDirCap")));
  resize(360, 420);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrDirectoryTree1, 1);
  auto* panel = new QHBoxLayout(Panel1);
  panel->setContentsMargins(0, 0, 0, 0);
  panel->addWidget(Label1);
  panel->addWidget(Edit1, 1);
  Panel1->hide();
  layout->addWidget(Panel1);
  layout->addLayout(ButtonRow(Button1, Button2));
  WireOkCancel(this, Button1, Button2, &ok_);
}

bool TfSelDir::Execute() { return ExecuteWithFlag(*this, &ok_); }

TfFolder::TfFolder(TFrDirectoryTree* tree, QWidget* parent)
    : QDialog(parent),
      StatusBar2(new QStatusBar),
      StatusText(new QLabel),
      Edit2(new QLineEdit),
      Button6(new QPushButton),
      Button7(new QPushButton),
      tree_(tree) {
  setObjectName(QStringLiteral("fFolder"));
  setWindowTitle(FilesText(QStringLiteral("ccCreaFol")));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Edit2);
  layout->addLayout(ButtonRow(Button6, Button7));
  StatusBar2->addWidget(StatusText, 1);
  StatusBar2->setSizeGripEnabled(false);
  layout->addWidget(StatusBar2);
  connect(Button6, &QPushButton::clicked, this, [this] {
    if (CreateFolder()) accept();
  });
  connect(Button7, &QPushButton::clicked, this, &QDialog::reject);
  connect(Edit2, &QLineEdit::textEdited, this, [this] { Edit2->setStyleSheet(QString()); });
}

void TfFolder::SetParentFolder(const QString& folder) {
  parentFolder_ = folder;
  StatusText->setText(FilesText(QStringLiteral("CreateFolder@")) + u' ' + folder);
}

bool TfFolder::Execute() { return FilesExecModal(*this) == QDialog::Accepted; }

bool TfFolder::CreateFolder() {
  const QString name = Edit2->text();
  // One level inside the parent folder, never the parent itself or above it.
  if (!IsSingleFolderName(name)) {
    Edit2->setStyleSheet(QStringLiteral("background: #ffd0d0"));
    FilesMessage(FilesText(QStringLiteral("FolderNameBad")), kMsgError);
    return false;
  }
  const QString path = QDir(parentFolder_).filePath(name);
  if (QFileInfo::exists(path) || !QDir().mkdir(path)) {
    Edit2->setStyleSheet(QStringLiteral("background: #ffd0d0"));
    FilesMessage(FilesText(QFileInfo::exists(path) ? QStringLiteral("FolderExists") : QStringLiteral("FolderNotMade")) +
                     u' ' + path,
                 kMsgError);
    return false;
  }
  if (tree_) {
    tree_->Refresh();
    tree_->OpenPath(path);
  }
  Edit2->clear();
  return true;
}
