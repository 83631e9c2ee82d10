#include "app/sidepane/TemplateEditor.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/AppHost.h"
#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/document/Child.h"
#include "app/document/Documents.h"
#include "app/document/HighlighterCodes.h"
#include "app/look/Icons.h"
#include "app/sidepane/DocumentManager.h"
#include "editor/SrcEditHighlighter.h"
#include "platform/TextCodec.h"

TfMyDocumentsCreator::TfMyDocumentsCreator(const QString& folder, QWidget* parent) : QDialog(parent), folder_(folder) {
  setObjectName(QStringLiteral("fMyDocumentsCreator"));
  resize(640, 480);
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QToolBar(this);
  SpeedButton1 = new QToolButton(bar);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setIcon(ThemeIcon(QStringLiteral("document-open")));
  bar->addWidget(SpeedButton1);
  ToolButton10 = new QToolButton(bar);
  ToolButton10->setObjectName(QStringLiteral("ToolButton10"));
  ToolButton10->setPopupMode(QToolButton::InstantPopup);
  bar->addWidget(ToolButton10);
  layout->addWidget(bar);

  Memo1 = new TSrcEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->SetFont(DefaultEditorFont());
  Memo1->Gutter().SetShowLineNumbers(true);
  Memo1->Gutter().SetAutoSize(true);
  Memo1->SetWantTabs(true);
  Memo1->Keystrokes().SetDocumentDefaults();  // the keys of the document windows
  layout->addWidget(Memo1, 1);

  auto* nameRow = new QHBoxLayout;
  Label1 = new QLabel(this);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Button2 = new QPushButton(this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setDefault(true);
  Button3 = new QPushButton(this);
  Button3->setObjectName(QStringLiteral("Button3"));
  nameRow->addWidget(Label1);
  nameRow->addWidget(Edit1, 1);
  nameRow->addWidget(Button2);
  nameRow->addWidget(Button3);
  layout->addLayout(nameRow);

  StatusBar1 = EditorStatusBar(this, Panels);
  layout->addWidget(StatusBar1);

  highlighters_ = CreateHighlighters(this);
  HighLighterPopUp = new QMenu(this);
  highlighterItems_ = AddHighlighterItems(HighLighterPopUp, [this](const QString& code) { SelectHighlighter(code); });
  ToolButton10->setMenu(HighLighterPopUp);
  // The design highlighter, without changing the kind.
  Memo1->SetHighlighter(highlighters_.value(QStringLiteral("HTML")));
  highlighterItems_.first()->setChecked(true);

  PopupMenu1 = new QMenu(this);
  const auto item = [this](const char* name, auto handler) {
    QAction* a = PopupMenu1->addAction(QString(), this, handler);
    a->setObjectName(QLatin1String(name));
    return a;
  };
  item("Copy1", [this] { Memo1->CopyToClipboard(); });
  item("Paste1", [this] { Memo1->PasteFromClipboard(); });
  item("Cut1", [this] { Memo1->CutToClipboard(); });
  item("GotoLine1", [this] { GotoLine1Click(); })->setShortcut(QKeySequence(QStringLiteral("Ctrl+G")));
  Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Memo1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(Memo1->mapToGlobal(at)); });
  addActions(PopupMenu1->actions());

  Memo1->OnChange = [this](TObject*) {
    Modified = true;
    Panels[1]->setText(DocStatusNow);
  };
  Memo1->OnStatusChange = [this](TObject*, TSrcStatusChanges changes) {
    if (changes & (scAll | scCaretX | scCaretY | scLeftChar)) ShowCaret();
    if (changes & scInsertMode) Panels[2]->setText(Memo1->InsertMode() ? DocStateI : DocStateO);
  };
  Memo1->OnSpecialLineColors = [this](TObject*, int line, bool& special, TColor& fg, TColor& bg) {
    if (line != HighlightLine) return;
    special = true;
    fg = 0xFFFFFF;  // white on blue
    bg = 0xFF0000;
  };
  Memo1->viewport()->installEventFilter(this);

  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(Edit1, &QLineEdit::textEdited, this, [this] { Edit1->setStyleSheet(QString()); });
  ApplyEditorSettings(*Memo1);
  ApplyLanguage();
  ShowCaret();
}

TfMyDocumentsCreator::~TfMyDocumentsCreator() { Memo1->SetHighlighter(nullptr); }

void TfMyDocumentsCreator::ApplyLanguage() {
  setWindowTitle(LangText(QStringLiteral("DocCap")) + QStringLiteral(" - ") + LangText(QStringLiteral("ChildEDTBSH")));
  Button2->setText(LangText(QStringLiteral("btOk")));
  Button3->setText(LangText(QStringLiteral("btCancel")));
  ToolButton10->setText(LangText(QStringLiteral("chg_HighLighter")));
  ToolButton10->setToolTip(ToolButton10->text());
  SpeedButton1->setToolTip(LangText(QStringLiteral("ImportRTFDocument")));
  Label1->setText(LangText(QStringLiteral("ALName")));
  DocStatusNow = LangText(QStringLiteral("DocStatusNow"));
  DocStateI = LangText(QStringLiteral("DocStateI"));
  DocStateO = LangText(QStringLiteral("DocStateO"));
  Panels[2]->setText(Memo1->InsertMode() ? DocStateI : DocStateO);
  const char* const menu[][2] = {{"Copy1", "Copy"}, {"Paste1", "Paste"}, {"Cut1", "Cut"}, {"GotoLine1", "GotoLine1"}};
  for (QAction* a : PopupMenu1->actions())
    for (const auto& m : menu)
      if (a->objectName() == QLatin1String(m[0])) a->setText(LangText(QLatin1String(m[1])));
}

void TfMyDocumentsCreator::ShowCaret() {
  const QString text = TChildForm::CaretText(Memo1->CaretY(), Memo1->CaretX());
  Panels[0]->setText(text);
  Panels[0]->setMinimumWidth(6 * static_cast<int>(text.size()));
}

void TfMyDocumentsCreator::SetHighlighterByExt(const QString& name) {
  if (!Settings::HighlightByExtension()) return;
  SelectHighlighter(HighlighterCodeFor(name));
}

void TfMyDocumentsCreator::SelectHighlighter(const QString& code) {
  for (const THighlighterCode& h : kHighlighterCodes) {
    if (code != QLatin1String(h.code)) continue;
    Memo1->SetHighlighter(highlighters_.value(code));
    for (QAction* a : highlighterItems_) a->setChecked(a->data().toString() == code);
    TemplateExt = QLatin1String(h.extension);
  }
}

QString TfMyDocumentsCreator::CheckedHighlighter() const {
  for (QAction* a : highlighterItems_)
    if (a->isChecked()) return a->data().toString();
  return QString();
}

void TfMyDocumentsCreator::RefuseName() {
  Edit1->setStyleSheet(QStringLiteral("background: #ff0000"));
  Edit1->setFocus();
}

void TfMyDocumentsCreator::Button2Click() {
  const QString name = Edit1->text();
  if (name.isEmpty()) return RefuseName();
  if (!EditMode && !UserTemplates::IsTemplateName(name)) {
    RefuseName();
    ShowMessageDlg(LangText(QStringLiteral("TplNameBad")), 0);
    return;
  }
  if (!EditMode && QFileInfo::exists(folder_ + name + QStringLiteral(".mds"))) {
    if (ShowMessageDlg(name + u' ' + LangText(QStringLiteral("FileExists2")), 10) != 6) return;
    Exists = true;
  }
  Ok = true;
  accept();
}

void TfMyDocumentsCreator::Button3Click() {
  Exists = true;
  Ok = false;
  reject();
}

void TfMyDocumentsCreator::SpeedButton1Click() {
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({LangText(QStringLiteral("FltAllFiles")) + QStringLiteral(" (*)")});
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  // A pipe or device picked is refused at once, never waited on.
  const QString path = dialog.selectedFiles().constFirst();
  QByteArray bytes;
  if (!ReadPickedFile(path, bytes)) return;
  QString text = TextCodec::decodeFile(bytes).text;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
  Memo1->SetSelText(text.replace(u'\n', QStringLiteral("\r\n")));
}

void TfMyDocumentsCreator::GotoLine1Click() {
  QString text;
  if (!AskLineNumber(this, text)) return;
  int line = 0;
  switch (Documents::CheckGotoLine(text, Memo1->Lines().Count(), line)) {
    case Documents::TGotoCheck::NotANumber:
      ShowMessageDlg(LangText(QStringLiteral("ONummie")), 0);
      return;
    case Documents::TGotoCheck::TooSmall:
    case Documents::TGotoCheck::TooLarge:
      ShowMessageDlg(
          ComposeText({LangText(QStringLiteral("NoLines")), text.trimmed(), LangText(QStringLiteral("NoLines2"))}), 0);
      return;
    case Documents::TGotoCheck::Ok:
      break;
  }
  HighlightLine = line;
  Memo1->MoveCaretWithSelection(Memo1->CaretXY(), TPoint{Memo1->CaretX(), line}, false);  // ends the selection
  Memo1->viewport()->update();
}

bool TfMyDocumentsCreator::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonPress && HighlightLine != -1) {
    HighlightLine = -1;  // a click ends the line marking of go to line
    Memo1->viewport()->update();
  }
  return QDialog::eventFilter(watched, event);
}
