#include "app/options/CodeInsidePage.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/core/AppHost.h"
#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/document/DocumentFile.h"
#include "app/options/uCodeEntry.h"
#include "editor/SrcEdit.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "platform/ProgramFolder.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

namespace {

const QString kLibraryFilter = QStringLiteral("Code Inside Files ( *.dci )");

QPushButton* Button(QWidget* parent, const char* name) {
  auto* b = new QPushButton(parent);
  b->setObjectName(QLatin1String(name));
  return b;
}

// A library file chosen in the open (or save) dialog; empty when none was.
QString ChooseLibraryFile(QWidget* parent, bool save) {
  QFileDialog dialog(parent);
  dialog.setObjectName(save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilter(kLibraryFilter);
  dialog.setDefaultSuffix(QStringLiteral("dci"));
  if (save) return DocumentFile::ChooseSaveFile(dialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

// A pipe or device named (or a link to one) is said in the module's words.
void ShowFileError(const Exception& e) {
  if (const auto* notRegular = dynamic_cast<const ENotRegularFile*>(&e))
    ShowMessageDlg(NotRegularFileText(notRegular->FileName()), 2);
  else
    ShowMessageDlg(e.Message(), 2);
}

// Copies a file whole; the target is replaced only when the copy is complete.
void CopyFile(const QString& from, const QString& to) {
  QByteArray bytes;
  QString why;
  switch (ReadRegularFile(from, bytes, &why)) {
    case TRegularOpen::Opened:
      break;
    case TRegularOpen::NotRegular:
      throw ENotRegularFile(from);
    case TRegularOpen::Failed:
      throw EFOpenError(from, why);
  }
  SafeFile::Write(to, bytes);
}

}  // namespace

TCodeInsidePage::TCodeInsidePage(IAppHost* host, QWidget* parent) : QWidget(parent), host_(host) {
  setObjectName(QStringLiteral("TabSheet3"));
  library_ = std::make_unique<TSrcAutoComplete>();
  html_ = std::make_unique<TSrcHTMLHighlighter>();

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Panel11 = new QLabel(this);
  Panel11->setObjectName(QStringLiteral("Panel11"));
  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  ListBox2 = new QListWidget(this);
  ListBox2->setObjectName(QStringLiteral("ListBox2"));

  Memo1 = new TSrcEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->SetFont(CodeEditorFont());
  Memo1->SetWantTabs(true);
  Memo1->Gutter().SetShowLineNumbers(true);
  Memo1->SetHighlighter(html_.get());
  Memo1->SetReadOnly(true);  // until a template is chosen
  Memo1->OnChange = [this](TObject*) { Memo1Change(); };

  Button4 = Button(this, "Button4");
  Button1 = Button(this, "Button1");
  SpeedButton3 = Button(this, "SpeedButton3");
  SpeedButton2 = Button(this, "SpeedButton2");
  SpeedButton1 = Button(this, "SpeedButton1");
  SpeedButton1->hide();

  auto* lists = new QGridLayout;
  lists->addWidget(Label1, 0, 0);
  lists->addWidget(Panel11, 0, 1);
  lists->addWidget(ListBox1, 1, 0);
  lists->addWidget(ListBox2, 1, 1);
  lists->setColumnStretch(1, 2);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {Button4, Button1, SpeedButton3, SpeedButton2}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(SpeedButton1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(lists, 1);
  layout->addWidget(Memo1, 2);
  layout->addLayout(buttons);

  connect(ListBox1, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { ListBox1Click(ListBox1->row(item)); });
  connect(ListBox2, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { ListBox2Click(ListBox2->row(item)); });
  connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(SpeedButton2, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
  connect(SpeedButton3, &QPushButton::clicked, this, [this] { SpeedButton3Click(); });
  LoadLibrary();
}

TCodeInsidePage::~TCodeInsidePage() {
  Memo1->OnChange = nullptr;
  Memo1->SetHighlighter(nullptr);
}

QString TCodeInsidePage::LibraryFile() { return ProgramFolder() + QStringLiteral("CodeC/codeinside.dci"); }

void TCodeInsidePage::ApplyLanguage() {
  const struct {
    QWidget* widget;
    const char* key;
  } captions[] = {{Label1, "LBConf1"},       {Panel11, "PLConf11"},     {Button4, "BTConf4"},     {Button1, "BTConf1"},
                  {SpeedButton3, "SPConf3"}, {SpeedButton2, "SPConf2"}, {SpeedButton1, "SPConf1"}};
  for (const auto& c : captions) c.widget->setProperty("text", LangText(QLatin1String(c.key)));
}

void TCodeInsidePage::LoadLibrary() {
  library_->LoadFromFile(LibraryFile());
  const QSignalBlocker quiet1(ListBox1), quiet2(ListBox2);
  ListBox1->clear();
  ListBox2->clear();
  ListBox1->addItems(library_->TemplateNames());
  ListBox2->addItems(library_->TemplateComments());
  DropEdits();
}

bool TCodeInsidePage::HasUnsavedEdits() const { return !SpeedButton1->isHidden(); }

void TCodeInsidePage::DropEdits() {
  SpeedButton1->hide();
  edited_ = -1;
}

void TCodeInsidePage::Memo1Change() {
  if (showing_ || Memo1->ReadOnly()) return;
  edited_ = ListBox1->currentRow();
  SpeedButton1->setVisible(edited_ >= 0);
}

void TCodeInsidePage::ShowTemplate(int row) {
  if (row < 0 || row >= library_->TemplateTexts().size()) return;
  ListBox1->setCurrentRow(row);
  ListBox2->setCurrentRow(row);
  showing_ = true;
  Memo1->SetReadOnly(false);
  Memo1->SetText(library_->TemplateTexts()[row]);
  Memo1->SetModified(false);
  showing_ = false;
}

bool TCodeInsidePage::SettlePendingEdits() {
  if (!HasUnsavedEdits()) return true;
  if (ShowMessageDlg(LangText(QStringLiteral("DoYou")), 1) == 6) return SpeedButton1Click();
  DropEdits();
  return true;
}

void TCodeInsidePage::ListBox1Click(int row) {
  if (!SettlePendingEdits()) {
    // The unsaved text stays on screen with its own template selected.
    ListBox1->setCurrentRow(edited_);
    ListBox2->setCurrentRow(edited_);
    return;
  }
  ShowTemplate(row);
}

void TCodeInsidePage::ListBox2Click(int row) { ListBox1Click(row); }

bool TCodeInsidePage::WriteLibrary(const QList<TCodeTemplate>& templates) {
  bool written = false;
  try {
    QDir().mkpath(QFileInfo(LibraryFile()).absolutePath());
    SaveCodeLibrary(LibraryFile(), templates, library_->Encoding());
    written = true;
  } catch (const Exception& e) {
    ShowFileError(e);
  }
  if (written) LoadLibrary();
  return written;
}

void TCodeInsidePage::ReloadDocuments() {
  if (host_) host_->ReloadCodeInsideLists();
}

void TCodeInsidePage::Button4Click() {
  if (!SettlePendingEdits()) return;
  Tcc dialog(this);
  dialog.setFont(font());
  Prompts().ExecModal(dialog);
  if (!dialog.Ok) return;
  QList<TCodeTemplate> templates = CodeTemplates(*library_);
  templates.append({CodeTemplateKey(dialog.Edit1->text()), dialog.Edit2->text(), dialog.codeman->Text()});
  if (WriteLibrary(templates)) ReloadDocuments();
}

void TCodeInsidePage::Button1Click() {
  const int row = ListBox1->currentRow();
  if (row < 0) return;
  if (HasUnsavedEdits() && edited_ != row && !SettlePendingEdits()) return;
  QList<TCodeTemplate> templates = CodeTemplates(*library_);
  templates.removeAt(row);
  if (WriteLibrary(templates)) {
    Memo1->SetReadOnly(false);
    showing_ = true;
    Memo1->SetText(QString());
    showing_ = false;
    Memo1->SetReadOnly(true);
  }
}

bool TCodeInsidePage::SpeedButton1Click() {
  const int row = edited_;
  QList<TCodeTemplate> templates = CodeTemplates(*library_);
  if (row < 0 || row >= templates.size()) return false;
  templates[row].text = Memo1->Text();
  if (CheckCodeTemplate(templates[row]) == TCodeTemplateFault::HeaderLine) {
    ShowMessageDlg(LangText(QStringLiteral("CCBracketLine")), 0);
    return false;
  }
  if (!WriteLibrary(templates)) return false;
  ShowTemplate(row);
  ReloadDocuments();
  return true;
}

void TCodeInsidePage::SpeedButton2Click() {
  if (!SettlePendingEdits()) return;
  const QString file = ChooseLibraryFile(this, false);
  if (!file.isEmpty()) {
    try {
      QDir().mkpath(QFileInfo(LibraryFile()).absolutePath());
      CopyFile(file, LibraryFile());
    } catch (const Exception& e) {
      ShowFileError(e);
    }
  }
  LoadLibrary();
}

void TCodeInsidePage::SpeedButton3Click() {
  const QString file = ChooseLibraryFile(this, true);
  if (file.isEmpty()) return;
  try {
    CopyFile(LibraryFile(), file);
  } catch (const Exception& e) {
    ShowFileError(e);
  }
}
