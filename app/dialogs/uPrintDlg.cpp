#include "app/dialogs/uPrintDlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/document/DocumentFile.h"
#include "modules/ModuleLoader.h"
#include "modules/PrintModule.h"
#include "platform/RegularFile.h"

namespace {
// The print module could not be loaded: said where printing was asked for.
std::unique_ptr<TPrintCanvas> NoPrintModule() {
  ShowMessageDlg(LangText(QStringLiteral("PrintMissing")) + u'\n' + Modules::Error(PrintModule::File()), 2);
  return nullptr;
}

}  // namespace

TPrintTarget& PrintTarget() {
  static TPrintTarget target;
  return target;
}

std::unique_ptr<TPrintCanvas> TfPrintdoc::DefaultTarget() {
  if (PrintModule::HasPrinter()) return PrintModule::OpenCanvas(QString());
  if (!Modules::Error(PrintModule::File()).isEmpty()) return NoPrintModule();
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("PrintToFileDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setWindowTitle(LangText(QStringLiteral("prToFile")));
  dialog.setNameFilter(LangText(QStringLiteral("FltPdf")) + QStringLiteral(" (*.pdf)"));
  dialog.setDefaultSuffix(QStringLiteral("pdf"));
  dialog.setDirectory(StartFolder.isEmpty() ? QDir::homePath() : StartFolder);
  if (const QString name = QFileInfo(SrcEditPrint1.Title).completeBaseName(); !name.isEmpty())
    dialog.selectFile(name + QStringLiteral(".pdf"));
  const QString file = DocumentFile::ChooseSaveFile(dialog);
  if (file.isEmpty()) return nullptr;
  // A pipe or device chosen as the file is refused at once, never waited on.
  if (IsNotRegularFile(file)) {
    ShowMessageDlg(NotRegularFileText(file), 2);
    return nullptr;
  }
  // A write-protected file is asked about as a save asks; No stops the job.
  std::unique_ptr<TPrintCanvas> canvas =
      PrintModule::OpenCanvas(file, [this](const QString& name, TInPlaceReason reason) {
        declined_ = !DocumentFile::AskSaveInPlace(name, reason);
        return !declined_;
      });
  return canvas ? std::move(canvas) : NoPrintModule();
}

TfPrintdoc::TfPrintdoc(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fPrintdoc"));
  GroupBox1 = new QGroupBox(this);
  SpinEdit1 = new QSpinBox(GroupBox1);
  // One below the least, so that a typed 0 is seen and set back.
  SpinEdit1->setRange(0, kMaxCopies);
  SpinEdit1->setValue(1);
  (new QHBoxLayout(GroupBox1))->addWidget(SpinEdit1);
  GroupBox2 = new QGroupBox(this);
  CheckBox1 = new QCheckBox(GroupBox2);
  CheckBox3 = new QCheckBox(GroupBox2);
  auto* options = new QVBoxLayout(GroupBox2);
  options->addWidget(CheckBox1);
  options->addWidget(CheckBox3);
  Button1 = new QPushButton(this);
  Button2 = new QPushButton(this);
  Button1->setDefault(true);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(GroupBox1);
  layout->addWidget(GroupBox2);
  layout->addLayout(buttons);
  layout->addWidget(StatusBar1);
  connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

  // The engine as the dialog sets it up; a title on the left of the header
  // and the page number in the footer.
  TSrcEditPrint& p = SrcEditPrint1;
  QFont hf(QStringLiteral("Arial"));
  hf.setPixelSize(13);
  p.Header.DefaultFont = p.Footer.DefaultFont = PointSizedFont(hf);
  p.TabWidth = 8;
  p.Color = Qt::white;
  p.Highlight = false;
  p.Colors = false;
  p.Header.Add(QStringLiteral("$TITLE$"), nullptr, 0, 1);
  const QString footer = LangText(QStringLiteral("prFooter"));
  p.Footer.Add(footer.isEmpty() ? QStringLiteral("$PAGENUM$") : footer, nullptr, 2, 1);
  p.OnPrintStatus = [this](TSrcEditPrint::Status status, int page, bool& abort) {
    if (status == TSrcEditPrint::psNewPage)
      StatusBar1->showMessage(ComposeText({LangText(QStringLiteral("prPage")), QString::number(page)}));
    QCoreApplication::processEvents();
    abort = stopRequested_;
  };
}

void TfPrintdoc::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TfPrintdoc::FormShow() {
  Button1->setText(LangText(QStringLiteral("Print")));
  Button2->setText(LangText(QStringLiteral("Close")));
  GroupBox1->setTitle(LangText(QStringLiteral("prCopies")));
  GroupBox2->setTitle(LangText(QStringLiteral("prOpt")));
  CheckBox1->setText(LangText(QStringLiteral("prSyntaxOn")));
  CheckBox3->setText(LangText(QStringLiteral("prlnNumbers")));
  setWindowTitle(LangText(QStringLiteral("PR_DOC1")));
}

void TfPrintdoc::SpinEdit1Change() {
  if (SpinEdit1->value() < 1) SpinEdit1->setValue(1);
}

void TfPrintdoc::Button1Click() {
  TSrcEditPrint& p = SrcEditPrint1;
  p.Colors = p.Highlight = CheckBox1->isChecked();
  p.Copies = std::max(SpinEdit1->value(), 1);
  p.LineNumbers = CheckBox3->isChecked();
  declined_ = false;
  std::unique_ptr<TPrintCanvas> printer = PrintTarget() ? PrintTarget()(this) : DefaultTarget();
  if (!printer) return;
  stopRequested_ = false;
  Button1->setEnabled(false);
  const bool printed = p.Print(*printer);
  Button1->setEnabled(true);
  StatusBar1->clearMessage();
  // A file the user would not replace: the dialog stays for another try.
  if (!printed && declined_) return;
  // A stopped job is no failure; a printer that cannot print is.
  if (!printed && !stopRequested_) {
    ShowMessageDlg(LangText(QStringLiteral("prFailed")), 2);
    return;
  }
  accept();
}

void TfPrintdoc::Button2Click() { reject(); }

void TfPrintdoc::reject() {
  if (SrcEditPrint1.Printing()) {
    stopRequested_ = true;
    return;
  }
  QDialog::reject();
}
