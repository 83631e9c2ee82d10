// The main window's simple insert commands: how text reaches the active
// document, the wrap of the selection and the commands that need no dialog
// or only a one-line prompt.
#include <QAction>
#include <QColorDialog>
#include <QInputDialog>
#include <QMenu>
#include <QToolBar>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/dialogs/InsertDialogs.h"
#include "app/look/Icons.h"
#include "app/shell/Frame.h"
#include "authoring/WtInsertFragments.h"

void TfMain::InsertTextAtCursor(const QString& text) {
  TChildForm* c = ActiveDocument();
  if (!c) return;
  c->Memo1->InsertFragment(text);
}

void TfMain::WrapSelection(const QString& openTag, const QString& closeTag) {
  // A text that takes no changes keeps its selection too.
  TChildForm* c = InsertTarget(*this);
  if (!c) return;
  TSrcEdit* e = c->Memo1;
  SavedSelStart = e->SelStart();
  SavedSelEnd = e->SelEnd();
  // A column block over several lines: each line's piece gets its own tags
  // in its own line.
  if (e->WrapColumnRows(openTag, closeTag)) {
    e->setFocus();
    return;
  }
  QString selected = e->SelAvail() ? e->SelText() : QString();
  // Whole lines are wrapped up to their last line's end: the line break
  // after it stays outside, so the next line is left as it was.
  QString lineEnd;
  if (e->SelectionMode() == smLine && selected.endsWith(QLatin1String("\r\n"))) {
    selected.chop(2);
    lineEnd = QStringLiteral("\r\n");
  }
  const int start = e->InsertFragment(openTag + selected + closeTag + lineEnd);
  // The old text selected again between the tags (the caret between them
  // when there was none), wherever the caret stood.
  const InsertFragments::TWrapResult r = InsertFragments::Wrap({openTag, closeTag, selected, start});
  const TSrcSelectionMode mode = e->SelectionMode();
  e->SetSelectionMode(smNormal);
  e->SetSelStart(r.selStart);
  e->SetSelEnd(r.selEnd);
  // Text over several lines cannot be selected as a column or whole lines:
  // that block would cover other text (the tags). The caret then stands
  // after the old text, before the closing tag.
  if (mode != smNormal && e->BlockBegin().Y != e->BlockEnd().Y) e->SetSelStart(r.selEnd);
  e->SetSelectionMode(mode);
  e->setFocus();
}

QString TfMain::ColorToHtml(TColor color) { return InsertFragments::ColorToHtml(color); }

void TfMain::WrapCommand(const QString& name) {
  if (const InsertFragments::TWrapTags* tags = InsertFragments::FindWrapCommand(name))
    WrapSelection(QLatin1String(tags->open), QLatin1String(tags->close));
}

void TfMain::ToolButton26Click() { InsertTextAtCursor(InsertFragments::LineBreak()); }

void TfMain::ToolButton14Click() {
  if (!InsertTarget(*this)) return;
  QColorDialog dialog(this);
  dialog.setObjectName(QStringLiteral("ColorDialog1"));
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return;
  InsertTextAtCursor(ColorToHtml(FromQColor(dialog.currentColor())));
}

void TfMain::ToolButton31Click() {
  if (!InsertTarget(*this)) return;
  QInputDialog dialog(this);
  dialog.setObjectName(QStringLiteral("fDosPrompt"));
  dialog.setWindowTitle(LangText(QStringLiteral("AlertBox1")));
  dialog.setLabelText(LangText(QStringLiteral("AlertBox2")));
  dialog.setMinimumWidth(360);  // room for the caption
  dialog.setOkButtonText(LangText(QStringLiteral("btOk")));
  dialog.setCancelButtonText(LangText(QStringLiteral("btCancel")));
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return;
  const QString script = InsertFragments::AlertScript(dialog.textValue());
  if (!script.isEmpty()) InsertTextAtCursor(script);
}

void TfMain::BuildInsertCommands(QMenu* insert) {
  const auto wrap = [this](const char* name) { return [this, name] { WrapCommand(QLatin1String(name)); }; };
  AddAction(insert, "Table1", "TB9", "Ctrl+T", [this] { InsertTable(*this); });
  AddAction(insert, "Bold1", "TB46", "Ctrl+B", wrap("Bold"));
  AddAction(insert, "Italic1", "TB47", "Ctrl+I", wrap("Italic"));
  AddAction(insert, "Underline1", "TB48", "Ctrl+U", wrap("Underline"));
  AddAction(insert, "Center1", "TB14", "Ctrl+F1", wrap("center"));
  AddAction(insert, "Left1", "TB12", "Ctrl+Alt+L; Ctrl+L", wrap("Left"));
  AddAction(insert, "Right1", "TB13", "Ctrl+Alt+R", wrap("Right"));
  AddAction(insert, "ToolButton84", "TB29", "", wrap("ToolButton84"));
  // Headings: "Heading 1" .. "Heading 6".
  PopupMenu4 = insert->addMenu(QString());
  PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
  PopupMenu4->setProperty("langKey", QStringLiteral("fmHeading"));
  menus_.insert(QStringLiteral("PopupMenu4"), PopupMenu4);
  static const char* const headings[] = {"HeadingStyle11", "HeadingStyle12", "HeadingStyle13",
                                         "HeadingStyle14", "HeadingStyle15", "HeadingStyle16"};
  for (int level = 1; level <= 6; ++level) {
    QAction* a = AddAction(PopupMenu4, headings[level - 1], "fmHeading", "", wrap(headings[level - 1]));
    a->setProperty("langSuffix", QStringLiteral(" ") + QString::number(level));
  }
  // Paragraph alignment.
  PopupMenu2 = insert->addMenu(QString());
  PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
  PopupMenu2->setProperty("langKey", QStringLiteral("TB20"));
  menus_.insert(QStringLiteral("PopupMenu2"), PopupMenu2);
  AddAction(PopupMenu2, "AlignLeft1", "TB12", "", wrap("AlignLeft1"));
  AddAction(PopupMenu2, "AlignCenter1", "TB14", "", wrap("AlignCenter1"));
  AddAction(PopupMenu2, "AlignRight1", "TB13", "", wrap("AlignRight1"));
  AddAction(PopupMenu2, "AlignJustify1", "fmAJustify", "", wrap("AlignJustify1"));
  insert->addSeparator();
  AddAction(insert, "ToolButton26", "TB15", "", [this] { ToolButton26Click(); });
  AddAction(insert, "ToolButton14", "TBColor", "", [this] { ToolButton14Click(); });
  AddAction(insert, "ToolButton31", "AlertBox1", "", [this] { ToolButton31Click(); });
  AddAction(insert, "ToolButton60", "TB60", "F4", [this] { InsertTextFormatting(*this); });
  insert->addSeparator();
  QMenu* lists = insert->addMenu(QString());
  lists->setObjectName(QStringLiteral("Lists1"));
  lists->setProperty("langKey", QStringLiteral("TB25"));
  menus_.insert(QStringLiteral("Lists1"), lists);
  AddAction(lists, "ToolButton51", "BulForm", "", [this] { InsertList(*this, false); });
  AddAction(lists, "ToolButton50", "LetterForm", "", [this] { InsertList(*this, true); });
  AddAction(insert, "ToolButton27", "TB27", "", [this] { InsertHorLine(*this); });
  AddAction(insert, "ToolButton30", "TB30", "", [this] { InsertDateTime(*this); });
  AddAction(insert, "ToolButton32", "LUS", "", [this] { InsertUpdateScript(*this); });
  AddAction(insert, "ToolButton5", "TB5", "", [this] { InsertCharacters(*this); });
  // Form controls.
  QMenu* forms = insert->addMenu(QString());
  forms->setObjectName(QStringLiteral("FormControls1"));
  forms->setProperty("langKey", QStringLiteral("TB53"));
  menus_.insert(QStringLiteral("FormControls1"), forms);
  static const char* const controls[][2] = {
      {"ToolButton29", "FCheck"}, {"ToolButton65", "FRadio"}, {"ToolButton43", "FButton"}, {"ToolButton52", "FEdit"},
      {"ToolButton66", "FPwBox"}, {"ToolButton63", "FTA"},    {"ToolButton61", "FImage"},  {"ToolButton80", "FHText"}};
  for (const auto& c : controls) {
    const QString kind = QLatin1String(c[1]);
    AddAction(forms, c[0], kind, "", [this, kind] { InsertFormControl(*this, kind); });
  }
  AddAction(forms, "ToolButton17", "FExample", "", [this] { InsertMailForm(*this); });

  static const char* const icons[][2] = {{"ToolButton51", "format-list-unordered"},
                                         {"ToolButton50", "format-list-ordered"},
                                         {"ToolButton27", "insert-horizontal-rule"},
                                         {"ToolButton30", "x-office-calendar"},
                                         {"ToolButton32", "appointment-new"},
                                         {"ToolButton5", "accessories-character-map"},
                                         {"ToolButton29", "checkbox"},
                                         {"ToolButton65", "radio"},
                                         {"ToolButton43", "insert-button"},
                                         {"ToolButton52", "insert-text"},
                                         {"ToolButton66", "dialog-password"},
                                         {"ToolButton63", "accessories-text-editor"},
                                         {"ToolButton61", "insert-image"},
                                         {"ToolButton80", "view-hidden"},
                                         {"ToolButton17", "mail-message-new"}};
  for (const auto& i : icons) actions_.value(QLatin1String(i[0]))->setIcon(ThemeIcon(QLatin1String(i[1])));

  // The dialog commands on the second insert page, the form controls on the third.
  const auto fill = [this](int page, const QStringList& names) {
    auto* bar = qobject_cast<QToolBar*>(PageControl1->widget(page));
    if (!bar) return;
    for (const QString& name : names) bar->addAction(actions_.value(name));
  };
  fill(1, {"Table1", "ToolButton51", "ToolButton50", "ToolButton27", "ToolButton60", "ToolButton30", "ToolButton32",
           "ToolButton5"});
  fill(2, {"ToolButton29", "ToolButton65", "ToolButton43", "ToolButton52", "ToolButton66", "ToolButton63",
           "ToolButton61", "ToolButton80", "ToolButton17"});
}
