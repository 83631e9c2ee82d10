// The HTML Tidy commands and the link check of a document window.
#include "app/Child.h"

#include "app/LanguageModule.h"
#include "app/LinkCheck.h"
#include "app/Prompts.h"
#include "authoring/tidy.h"
#include "platform/ProgramFolder.h"

#include <QAction>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolBar>

namespace {

// The Tidy options a document window starts with.
void ApplyDesignValues(TTidy& t) {
  t.SetQuiet(false);
  t.SetShowErrors(6);
  t.SetShowWarnings(true);
  t.SetAccessibilityCheckLevel(0);
  t.SetForceOutput(false);
  t.SetIndentSpaces(2);
  t.SetWrapLen(0);
  t.SetTabSize(8);
  t.SetCharEncoding(TidyEncAscii);
  t.SetInCharEncoding(TidyEncUtf8);
  t.SetOutCharEncoding(TidyEncAscii);
  t.SetDuplicateAttrs(TidyKeepFirst);
  t.SetIndentContent(TidyNoState);
  for (auto set : {&TTidy::SetDropEmptyParas, &TTidy::SetFixComments, &TTidy::SetQuoteNbsp,
                   &TTidy::SetQuoteAmpersand, &TTidy::SetWrapSection, &TTidy::SetWrapAsp, &TTidy::SetWrapJste,
                   &TTidy::SetWrapPhp, &TTidy::SetFixBackslash, &TTidy::SetMark, &TTidy::SetFixUri,
                   &TTidy::SetLowerLiterals, &TTidy::SetAsciiChars, &TTidy::SetJoinStyles})
    (t.*set)(true);
}

}  // namespace

void TChildForm::BuildTidyCommands(QToolBar* bar) {
  Tidy1 = std::make_unique<TTidy>(this);
  ApplyDesignValues(*Tidy1);
  // Reports go to the window's list only.
  Tidy1->SetOnReport([this](TObject*, int level, unsigned line, unsigned col, const QString& msg, bool& writeOut) {
    Tidy1Report(level, line, col, msg);
    writeOut = false;
  });
  bar->addSeparator();
  QAction* panel = bar->addAction(QString());
  panel->setObjectName(QStringLiteral("ToolButton20"));
  panel->setCheckable(true);
  connect(panel, &QAction::toggled, this, [this](bool on) {
    if (!on && TidyPanel->isVisible()) tidyPanelSize_ = TidyPanel->height();
    TidyPanel->setVisible(on);
    Settings::Open().WriteBool(QStringLiteral("HTMLTidy"), QStringLiteral("Enabled"), on);
  });
  const struct {
    const char* name;
    void (TChildForm::*command)();
  } commands[] = {{"HT_Check", &TChildForm::CheckHTMLExecute},
                  {"HT_Repair", &TChildForm::RepairExecute},
                  {"HT_Force", &TChildForm::ForceExecute}};
  for (const auto& c : commands)
    bar->addAction(QString(), this, [this, command = c.command] { RunTidyCommand([this, command] { (this->*command)(); }); })
        ->setObjectName(QLatin1String(c.name));
  connect(Memo2, &QListWidget::itemDoubleClicked, this, [this] { Memo2DblClick(); });
}

void TChildForm::LoadTidyConfig() {
  Tidy1->LoadConfigFile(ProgramFolder() + QStringLiteral("tidyconfig.ini"));
  if (auto* panel = findChild<QAction*>(QStringLiteral("ToolButton20"))) {
    const QSignalBlocker quiet(panel);
    panel->setChecked(!TidyPanel->isHidden());
  }
}

void TChildForm::RunTidyCommand(const std::function<void()>& command) {
  command();
  // What the command found is shown: a hidden report panel comes up.
  if (Memo2->count() > 0 && TidyPanel->isHidden())
    if (auto* panel = findChild<QAction*>(QStringLiteral("ToolButton20"))) panel->setChecked(true);
  if (tidyConfigReports_.isEmpty()) return;
  const QString text = tidyConfigReports_.join(u'\n');
  tidyConfigReports_.clear();
  ShowMessageDlg(text, 0);
}

void TChildForm::Tidy1Report(int level, unsigned line, unsigned col, const QString& msg) {
  if (level == trlConfig) {
    if (!tidyConfigReports_.contains(msg)) tidyConfigReports_ << msg;
    return;
  }
  const auto at = [&](const char* key) {
    return QString::number(line) + u':' + QString::number(col) + u' ' + LangText(QLatin1String(key)) +
           QStringLiteral(": ") + msg;
  };
  QString text;
  switch (level) {
    case trlInfo: text = LangText(QStringLiteral("InformMsg1Lib")) + QStringLiteral(": ") + msg; break;
    case trlWarning: text = at("HT_Warning"); break;
    case trlAccess: text = at("HTAccess"); break;
    case trlError: text = at("ErrorMsg1Lib"); break;
    case trlBadDocument: text = LangText(QStringLiteral("HtBadDoc")) + QStringLiteral(": ") + msg; break;
    case trlFatal: text = LangText(QStringLiteral("HtFatal")) + QStringLiteral(": ") + msg; break;
    default: text = msg;
  }
  if (Memo2->findItems(text, Qt::MatchExactly).isEmpty()) Memo2->addItem(text);
}

void TChildForm::CheckHTMLExecute() {
  Memo2->clear();
  QString output;
  Tidy1->SetSourceString(Memo1->Text());
  Tidy1->Execute(output);
}

void TChildForm::RepairExecute() {
  Memo2->clear();
  QString text = Memo1->Text();
  if (!text.contains(u'<')) text.prepend(QLatin1String("<html>"));
  QString output;
  Tidy1->SetSourceString(text);
  Tidy1->Execute(output);
  if (output.size() < 3) {
    ShowMessageDlg(LangText(QStringLiteral("HTMLTidyCannotFix")), 0);
  } else {
    Memo1->SelectAll();
    Memo1->SetSelText(output);  // one undoable change
  }
  Tidy1->Reset();
  CheckHTMLExecute();
}

void TChildForm::ForceExecute() {
  Memo2->clear();
  const bool forced = Tidy1->ForceOutput();
  Tidy1->SetForceOutput(true);
  QString output;
  Tidy1->SetSourceString(Memo1->Text());
  Tidy1->Execute(output);
  Tidy1->SetForceOutput(forced);  // the other commands keep their own rule
  if (output.size() < 3) {
    ShowMessageDlg(LangText(QStringLiteral("HTMLTidyCannotFix")), 0);
  } else {
    Memo1->SelectAll();
    Memo1->SetSelText(output);
  }
  Tidy1->Reset();
}

void TChildForm::Memo2DblClick() {
  const QListWidgetItem* item = Memo2->currentItem();
  if (!item) return;
  const QString head = item->text().section(u':', 0, 0);
  if (head == LangText(QStringLiteral("InformMsg1Lib"))) return;
  bool ok = false;
  const int line = head.toInt(&ok);
  if (!ok || line < 1) return;  // a report without a position
  HighlightLine = line;
  Memo1->SetCaretXY(TPoint{1, std::min(line, std::max(1, Memo1->Lines().Count()))});
  Memo1->viewport()->update();
  Memo1->setFocus();
}

void TChildForm::vfLinksClick() {
  PageControl1->setCurrentWidget(LinkPage);
  LinkPage->vfLinksClick();
}
