// The HTML Tidy commands and the link check of a document window.
#include <QAction>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/dialogs/LinkCheck.h"
#include "app/document/Child.h"
#include "app/document/Documents.h"
#include "authoring/TidyRun.h"
#include "authoring/tidy.h"
#include "platform/ProgramFolder.h"

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
  // The editor's text is Unicode: Tidy reads and writes it whole.
  t.SetCharEncoding(TidyEncUtf8);
  t.SetInCharEncoding(TidyEncUtf8);
  t.SetOutCharEncoding(TidyEncUtf8);
  t.SetDuplicateAttrs(TidyKeepFirst);
  t.SetIndentContent(TidyNoState);
  for (auto set :
       {&TTidy::SetDropEmptyParas, &TTidy::SetFixComments, &TTidy::SetQuoteNbsp, &TTidy::SetQuoteAmpersand,
        &TTidy::SetWrapSection, &TTidy::SetWrapAsp, &TTidy::SetWrapJste, &TTidy::SetWrapPhp, &TTidy::SetFixBackslash,
        &TTidy::SetMark, &TTidy::SetFixUri, &TTidy::SetLowerLiterals, &TTidy::SetAsciiChars, &TTidy::SetJoinStyles})
    (t.*set)(true);
}

// While Tidy runs: the busy cursor, and an editor that takes no changes
// (the result replaces the text Tidy was given). Ends with the run or the window.
class TTidyBusy : public QObject {
 public:
  explicit TTidyBusy(QObject* parent, TSrcEdit* editor)
      : QObject(parent), editor_(editor), readOnly_(editor->ReadOnly()) {
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    editor->SetReadOnly(true);
  }
  ~TTidyBusy() override {
    QGuiApplication::restoreOverrideCursor();
    if (editor_) editor_->SetReadOnly(readOnly_);
  }

 private:
  QPointer<TSrcEdit> editor_;
  bool readOnly_;
};

// The editor's column (from 1, in UTF-16 units) of Tidy's column `col` on
// `line`: Tidy counts characters and takes a tab to the next tab stop.
int EditorColumn(const QString& line, unsigned col, int tabSize) {
  unsigned at = 1;
  qsizetype i = 0;
  while (i < line.size() && at < col) {
    if (line[i] == u'\t' && tabSize > 0)
      at += unsigned(tabSize) - (at - 1) % unsigned(tabSize);
    else
      ++at;
    i += line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate() ? 2 : 1;
  }
  return int(i) + 1;
}

// Tidy's output as the editor's lines: its text ends with a line break, and a
// break at the end makes no empty last line, as when a file is read. So a
// save after Tidy ends the file with one line break, as it ended before.
QString WithoutFinalBreak(QString output) {
  if (output.endsWith(QLatin1String("\r\n")))
    output.chop(2);
  else if (output.endsWith(u'\n') || output.endsWith(u'\r'))
    output.chop(1);
  return output;
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
    bar->addAction(QString(), this,
                   [this, command = c.command] { RunTidyCommand([this, command] { (this->*command)(); }); })
        ->setObjectName(QLatin1String(c.name));
  connect(Memo2, &QListWidget::itemDoubleClicked, this, [this] { Memo2DblClick(); });

  Memo2->setUniformItemSizes(true);
  tidyRun_ = new TTidyRun(this);
  tidyListTimer_ = new QTimer(this);
  tidyListTimer_->setSingleShot(true);
  tidyListTimer_->setInterval(0);
  connect(tidyListTimer_, &QTimer::timeout, this, [this] { ListTidyReports(); });
  TidyStatus = new QLabel(StatusBar1);
  TidyStatus->setObjectName(QStringLiteral("TidyStatus"));
  TidyStop = new QToolButton(StatusBar1);
  TidyStop->setObjectName(QStringLiteral("HT_Stop"));
  connect(TidyStop, &QToolButton::clicked, this, [this] { StopTidy(); });
  StatusBar1->addPermanentWidget(TidyStatus);
  StatusBar1->addPermanentWidget(TidyStop);
  TidyStatus->hide();
  TidyStop->hide();
}

void TChildForm::LoadTidyConfig() {
  Tidy1->LoadConfigFile(ProgramFolder() + QStringLiteral("tidyconfig.ini"));
  if (auto* panel = findChild<QAction*>(QStringLiteral("ToolButton20"))) {
    const QSignalBlocker quiet(panel);
    panel->setChecked(!TidyPanel->isHidden());
  }
}

void TChildForm::RunTidyCommand(const std::function<void()>& command) {
  if (!TidyRunning()) command();
}

bool TChildForm::TidyRunning() const { return tidyRun_->Running() || tidyAfterList_ != nullptr; }

void TChildForm::StartTidy(const QString& source, bool wantOutput, std::function<void(const QString&)> then) {
  // Without the tidy module there is no Tidy: said here, where it is asked for.
  if (!Tidy1->Available()) {
    ShowMessageDlg(LangText(QStringLiteral("TidyMissing")) + u'\n' + Tidy1->UnavailableReason(), 2);
    return;
  }
  if (!tidyBusy_) tidyBusy_ = new TTidyBusy(this, Memo1);
  TidyStatus->setText(LangText(QStringLiteral("HTMLTidyBusy")));
  TidyStatus->show();
  TidyStop->show();
  tidyRun_->Start(*Tidy1, source, wantOutput, [this, then = std::move(then)](TTidyEnd end, const TTidyResult& result) {
    if (end != TTidyEnd::Done) {
      EndTidy();
      if (end == TTidyEnd::HelperMissing)
        ShowMessageDlg(ComposeText({LangText(QStringLiteral("TidyHelperMissing")), TTidyRun::HelperPath()}), 2);
      else
        ShowMessageDlg(LangText(QStringLiteral("HTMLTidyFailed")), 0);
      return;
    }
    // Listed a part per turn of the event loop: the window goes on answering.
    tidyToList_ = result.reports;
    tidyListedUpTo_ = 0;
    tidyLeftOut_ = result.leftOut;
    tidyAfterList_ = [this, then, output = WithoutFinalBreak(result.output)] {
      delete std::exchange(tidyBusy_, nullptr);  // the editor takes the output
      then(output);
    };
    ListTidyReports();
  });
  UpdateTidyCommands();
}

void TChildForm::ListTidyReports() {
  constexpr qsizetype kBatch = 200;
  constexpr qint64 kTurnMs = 15;
  QElapsedTimer turn;
  turn.start();
  while (tidyListedUpTo_ < tidyToList_.size()) {
    const qsizetype n = std::min(kBatch, tidyToList_.size() - tidyListedUpTo_);
    tidyLeftOut_ += AddTidyReports(tidyToList_.mid(tidyListedUpTo_, n));
    tidyListedUpTo_ += n;
    if (tidyListedUpTo_ < tidyToList_.size() && turn.elapsed() >= kTurnMs) {
      tidyListTimer_->start();
      return;
    }
  }
  tidyToList_.clear();
  tidyListedUpTo_ = 0;
  if (tidyLeftOut_ > 0)
    Memo2->addItem(ComposeText({LangText(QStringLiteral("HTMLTidyLeftOut")), QString::number(tidyLeftOut_)}));
  tidyLeftOut_ = 0;
  if (std::function<void()> after = std::exchange(tidyAfterList_, nullptr)) after();
  if (!TidyRunning()) EndTidy();
}

void TChildForm::StopTidy() {
  if (!TidyRunning()) return;
  tidyRun_->Stop();
  if (tidyAfterList_) {  // what was listed of the run goes as well
    tidyListTimer_->stop();
    tidyToList_.clear();
    tidyListedUpTo_ = 0;
    tidyLeftOut_ = 0;
    tidyAfterList_ = nullptr;
    Memo2->clear();
  }
  Memo2->addItem(LangText(QStringLiteral("HTMLTidyStopped")));
  EndTidy();
}

void TChildForm::EndTidy() {
  delete std::exchange(tidyBusy_, nullptr);
  TidyStatus->hide();
  TidyStop->hide();
  UpdateTidyCommands();
  // What the command found is shown: a hidden report panel comes up.
  if (Memo2->count() > 0 && TidyPanel->isHidden())
    if (auto* panel = findChild<QAction*>(QStringLiteral("ToolButton20"))) panel->setChecked(true);
  if (tidyConfigReports_.isEmpty()) return;
  const QString text = tidyConfigReports_.join(u'\n');
  tidyConfigReports_.clear();
  ShowMessageDlg(text, 0);
}

QString TChildForm::TidyReportLine(int level, unsigned line, unsigned col, const QString& msg) {
  if (level == trlConfig) {
    if (!tidyConfigReports_.contains(msg)) tidyConfigReports_ << msg;
    return {};
  }
  const auto at = [&](const char* key) {
    return QString::number(line) + u':' + QString::number(col) + u' ' + LangText(QLatin1String(key)) +
           QStringLiteral(": ") + msg;
  };
  // Reports of the document as a whole have no position to show.
  const auto maybeAt = [&](const char* key) {
    return line > 0 ? at(key) : LangText(QLatin1String(key)) + QStringLiteral(": ") + msg;
  };
  switch (level) {
    case trlInfo:
      return maybeAt("InformMsg1Lib");
    case trlWarning:
      return at("HT_Warning");
    case trlAccess:
      return at("HTAccess");
    case trlError:
      return at("ErrorMsg1Lib");
    case trlBadDocument:
      return maybeAt("HtBadDoc");
    case trlFatal:
      return maybeAt("HtFatal");
    default:
      return line > 0 ? QString::number(line) + u':' + QString::number(col) + u' ' + msg : msg;
  }
}

void TChildForm::Tidy1Report(int level, unsigned line, unsigned col, const QString& msg) {
  AddTidyReports({TTidyReport{level, line, col, msg}});
}

qsizetype TChildForm::AddTidyReports(const QList<TTidyReport>& reports) {
  // The set follows the list; the list may have been cleared or changed since.
  if (tidyListed_.size() != Memo2->count()) {
    tidyListed_.clear();
    for (int i = 0; i < Memo2->count(); ++i) tidyListed_.insert(Memo2->item(i)->text());
  }
  QStringList added;
  const qsizetype room = std::max<qsizetype>(0, kTidyMaxReports - Memo2->count());
  qsizetype notListed = 0;
  for (const TTidyReport& r : reports) {
    const QString text = TidyReportLine(r.level, r.line, r.col, r.msg);
    if (r.level == trlConfig) continue;
    // A row a line, every row one line tall: Tidy's summaries and notes end
    // in a line break, and some run over two lines.
    bool left = false;
    for (QStringView row : QStringView(text).split(u'\n')) {
      if (row.endsWith(u'\r')) row.chop(1);
      if (row.trimmed().isEmpty()) continue;
      if (added.size() == room || tidyListed_.contains(row.toString())) {
        left = true;
        continue;
      }
      tidyListed_.insert(row.toString());
      added << row.toString();
    }
    if (left) ++notListed;
  }
  if (!added.isEmpty()) Memo2->addItems(added);
  return notListed;
}

bool TChildForm::TidyApplies() const {
  static const QStringList others{QStringLiteral("CSS"), QStringLiteral("JS"), QStringLiteral("VBS"),
                                  QStringLiteral("SQL"), QStringLiteral("XML")};
  return page_ && !others.contains(CheckedHighlighter());
}

void TChildForm::SetDocumentKind(const QString& name) {
  page_ = Documents::IsPageName(name);
  if (!TidyApplies()) StopTidy();
  UpdateTidyCommands();
}

void TChildForm::UpdateTidyCommands() {
  const bool on = TidyApplies() && !TidyRunning();
  for (const char* name : {"HT_Check", "HT_Repair", "HT_Force"})
    for (QAction* a : findChildren<QAction*>(QLatin1String(name))) a->setEnabled(on);
}

void TChildForm::CheckHTMLExecute() {
  if (!TidyApplies()) return;
  Memo2->clear();
  StartTidy(Memo1->Text(), false, [](const QString&) {});
}

void TChildForm::RepairExecute() {
  if (!TidyApplies()) return;
  Memo2->clear();
  QString text = Memo1->Text();
  if (!text.contains(u'<')) text.prepend(QLatin1String("<html>"));
  StartTidy(text, true, [this](const QString& output) {
    if (output.size() < 3) {
      ShowMessageDlg(LangText(QStringLiteral("HTMLTidyCannotFix")), 0);
    } else {
      Memo1->ReplaceWholeText(output);  // one undoable change
    }
    Tidy1->Reset();
    CheckHTMLExecute();
  });
}

void TChildForm::ForceExecute() {
  if (!TidyApplies()) return;
  Memo2->clear();
  const bool forced = Tidy1->ForceOutput();
  Tidy1->SetForceOutput(true);
  StartTidy(Memo1->Text(), true, [this](const QString& output) {
    if (output.size() < 3) {
      ShowMessageDlg(LangText(QStringLiteral("HTMLTidyCannotFix")), 0);
    } else {
      Memo1->ReplaceWholeText(output);
    }
    Tidy1->Reset();
  });
  Tidy1->SetForceOutput(forced);  // the run took its options along; the other commands keep their own rule
}

void TChildForm::Memo2DblClick() {
  const QListWidgetItem* item = Memo2->currentItem();
  if (!item) return;
  // "line:column ...": a report with a position.
  const QString head = item->text().section(u':', 0, 0);
  if (head == LangText(QStringLiteral("InformMsg1Lib"))) return;
  bool ok = false;
  const int line = head.toInt(&ok);
  if (!ok || line < 1) return;  // a report without a position
  const int col = item->text().section(u':', 1).section(u' ', 0, 0).toInt(&ok);
  HighlightLine = line;
  const int y = std::min(line, std::max(1, Memo1->Lines().Count()));
  const int x = ok && col > 1 ? EditorColumn(Memo1->Lines()[y - 1], unsigned(col), Tidy1->TabSize()) : 1;
  Memo1->SetCaretXY(TPoint{x, y});
  Memo1->viewport()->update();
  Memo1->setFocus();
}

void TChildForm::vfLinksClick() {
  PageControl1->setCurrentWidget(LinkPage);
  LinkPage->vfLinksClick();
}
