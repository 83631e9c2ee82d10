// The builders the insert dialogs share, the colour field and the insert
// commands, which show a dialog and insert its fragment.
#include "app/dialogs/InsertDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

#include "app/core/AppHost.h"
#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/dialogs/InsertDialogParts.h"
#include "app/document/Child.h"
#include "authoring/WtInsertFragments.h"
#include "editor/SrcEdit.h"
#include "files/FrComboBox.h"
#include "images/AnimPicture.h"
#include "images/PlatformPicture.h"

using namespace InsertFragments;

namespace InsertDialogParts {

QString Lang(const char* key) { return LangText(QLatin1String(key)); }

QLineEdit* Edit(const char* name, const QString& text) {
  auto* e = Named(new QLineEdit(text), name);
  return e;
}

// A spin box over `min`..`max` (the default maximum would be 99).
QSpinBox* Spin(const char* name, int min, int max, int value) {
  auto* s = Named(new QSpinBox, name);
  s->setRange(min, max);
  s->setValue(value);
  return s;
}

// OK and Cancel at the right; `ok` and `cancel` run before the dialog closes.
QHBoxLayout* OkCancel(QDialog* d, QPushButton*& okButton, const char* okName, QPushButton*& cancelButton,
                      const char* cancelName, std::function<bool()> ok, std::function<void()> cancel) {
  okButton = Named(new QPushButton(Lang("btOk")), okName);
  cancelButton = Named(new QPushButton(Lang("btCancel")), cancelName);
  okButton->setDefault(true);
  QObject::connect(okButton, &QPushButton::clicked, d, [d, ok] {
    if (ok()) d->accept();
  });
  QObject::connect(cancelButton, &QPushButton::clicked, d, [d, cancel] {
    cancel();
    d->reject();
  });
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(okButton);
  row->addWidget(cancelButton);
  return row;
}

// OK and Cancel setting and clearing `ok`.
QHBoxLayout* OkFlag(QDialog* d, bool& ok, QPushButton*& okButton, const char* okName, QPushButton*& cancelButton,
                    const char* cancelName) {
  return OkCancel(
      d, okButton, okName, cancelButton, cancelName,
      [&ok] {
        ok = true;
        return true;
      },
      [&ok] { ok = false; });
}

// An open dialog through the prompts; empty when cancelled.
QString ChooseFile(const QString& filter) {
  QFileDialog dialog;
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (!filter.isEmpty()) dialog.setNameFilter(filter);
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

QString PictureFilter() { return Lang("ADIMPicture") + QStringLiteral(" (*.jpg *.jpeg *.gif *.bmp *.ico *.png)"); }

}  // namespace InsertDialogParts

using namespace InsertDialogParts;

// ---------------------------------------------------------------- colour panel

TColorPanel::TColorPanel(TColor color, QWidget* parent) : QPushButton(parent), color_(~color) {
  setMinimumSize(48, 22);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  SetColor(color);
  connect(this, &QPushButton::clicked, this, [this] {
    QColorDialog dialog(window());
    dialog.setObjectName(QStringLiteral("ColorDialog1"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setCurrentColor(ToQColor(color_));
    if (Prompts().ExecModal(dialog) != QDialog::Accepted) return;
    SetColor(FromQColor(dialog.currentColor()));
    emit Chosen();
  });
}

void TColorPanel::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid palette(dark); }")
                    .arg(ToQColor(color).name()));
}

// ---------------------------------------------------------------- commands

TInsertClock& InsertClock() {
  static TInsertClock clock{[] { return QLocale::system(); }, [] { return QDateTime::currentDateTime(); }};
  return clock;
}

TChildForm* InsertTarget(IAppHost& host) {
  TChildForm* c = host.ActiveDocument();
  return c && !c->Memo1->ReadOnly() ? c : nullptr;
}

QString PageFolder(const TChildForm& c) {
  const QFileInfo page(c.Caption());
  return page.isAbsolute() ? page.absolutePath() : QString();
}

namespace {

// Shows `dialog` with the main window's font; its result.
int Run(IAppHost& host, QDialog& dialog) {
  dialog.setFont(host.HostWindow()->font());
  return Prompts().ExecModal(dialog);
}

}  // namespace

void InsertTable(IAppHost& host) {
  TChildForm* c = InsertTarget(host);
  if (!c) return;
  TfTable dialog(host.HostWindow());
  dialog.DocumentFolder = PageFolder(*c);
  Run(host, dialog);
  if (dialog.Ok) host.InsertTextAtCursor(TableFragment(dialog.Options()));
}

void InsertList(IAppHost& host, bool ordered) {
  if (!InsertTarget(host)) return;
  TfNumber dialog(ordered, host.HostWindow());
  if (Run(host, dialog) == QDialog::Accepted && !dialog.Cancelled)
    host.InsertTextAtCursor(ListFragment(dialog.Options()));
}

void InsertHorLine(IAppHost& host) {
  if (!InsertTarget(host)) return;
  TfHorLine dialog(host.HostWindow());
  if (Run(host, dialog) == QDialog::Accepted && !dialog.Cancelled)
    host.InsertTextAtCursor(HorLineFragment(dialog.Options()));
}

void InsertTextFormatting(IAppHost& host) {
  TChildForm* c = InsertTarget(host);
  if (!c) return;
  TSrcEdit* e = c->Memo1;
  host.RememberSelection(e->SelStart(), e->SelEnd());
  TfTextFormat dialog(host.HostWindow());
  Run(host, dialog);
  if (!dialog.Ok) {
    // Nothing changed: the selection (a column block too) or a caret past
    // the line end stays as it was.
    e->setFocus();
    return;
  }
  // The old text selected again inside the tags, as by the wrap commands.
  const TFontTags tags = FontTags(dialog.Options());
  host.WrapSelection(tags.open, tags.close);
}

void InsertDateTime(IAppHost& host) {
  if (!InsertTarget(host)) return;
  TfDT dialog(InsertClock().Locale(), InsertClock().Now(), host.HostWindow());
  Run(host, dialog);
  if (dialog.Ok) host.InsertTextAtCursor(dialog.DateTimeText);
}

void InsertUpdateScript(IAppHost& host) {
  if (!InsertTarget(host)) return;
  TfUpdateScript dialog(host.HostWindow());
  dialog.Edit1->setText(Lang("UpdOn1"));
  Run(host, dialog);
  if (!dialog.Ok) return;
  const QString format = InsertClock().Locale().dateFormat(QLocale::ShortFormat);
  host.InsertTextAtCursor(
      UpdateScript({dialog.CheckBox1->isChecked(), dialog.CheckBox2->isChecked(), dialog.CheckBox3->isChecked(),
                    dialog.Edit1->text(), Lang("UpdOn1"), format, DateSeparator(format)}));
}

void InsertFormControl(IAppHost& host, const QString& kind) {
  struct Kind {
    const char* key;
    TfHTMLButton::TPage page;
    int height, width;
  };
  static const Kind kinds[] = {
      {"FCheck", TfHTMLButton::cbr, 188, 533},       {"FRadio", TfHTMLButton::cbr, 188, 533},
      {"FButton", TfHTMLButton::Buttons, 259, 556},  {"FEdit", TfHTMLButton::TextSheet, 341, 594},
      {"FPwBox", TfHTMLButton::PassSheet, 359, 606}, {"FTA", TfHTMLButton::TextArea, 320, 429},
      {"FImage", TfHTMLButton::ImgSheet, 411, 639},  {"FHText", TfHTMLButton::HidSh, 135, 512},
  };
  if (!InsertTarget(host)) return;
  for (const Kind& k : kinds) {
    if (kind != QLatin1String(k.key)) continue;
    TfHTMLButton dialog(host.HostWindow());
    dialog.ShowPage(k.page);
    dialog.resize(k.width, k.height);
    dialog.setWindowTitle(Lang(k.key));
    Run(host, dialog);
    if (dialog.Ok) host.InsertTextAtCursor(dialog.Fragment(kind == u"FRadio"));
    return;
  }
}

void InsertMailForm(IAppHost& host) {
  if (!InsertTarget(host)) return;
  QInputDialog dialog(host.HostWindow());
  dialog.setObjectName(QStringLiteral("fDosPrompt"));
  dialog.setWindowTitle(Lang("FExample"));
  dialog.setLabelText(Lang("ALEmailAdres"));
  dialog.setMinimumWidth(360);
  dialog.setOkButtonText(Lang("btOk"));
  dialog.setCancelButtonText(Lang("btCancel"));
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return;
  host.InsertTextAtCursor(MailForm(dialog.textValue()));
}

void InsertCharacters(IAppHost& host) {
  if (!InsertTarget(host)) return;
  TfCharacter dialog([&host](const QString& text) { host.InsertTextAtCursor(text); }, host.HostWindow());
  Run(host, dialog);
}
