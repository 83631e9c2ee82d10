// Tests of TfMain and TChildForm (app/shell/Frame.cpp, app/document/Child.cpp)
// against the language module.
// Every text the main window and a document window show comes from the
// language module: with a module whose every text is "@" and its key, no
// caption, hint, tab, label or message may show anything else.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>

#include "app/shell/Frame.h"
#include "tests/app/AppFixture.h"

namespace {

const QString kEnglish = QStringLiteral(KV_SOURCE_DIR "/data/Language Modules/english.lms");

// The keys of the shipped module, each with "@" and the key as its text.
QByteArray MarkedModule() {
  TLanguageModule english;
  english.LoadFromFile(kEnglish);
  QByteArray module;
  for (const QString& key : english.LangKeys()) {
    if (key.isEmpty()) continue;
    const QByteArray k = key.toLatin1();
    module += k.leftJustified(20, ' ') + (key == u"DefCharSet" ? QByteArray("DEFAULT_CHARSET") : "@" + k) + "\r\n";
  }
  return module;
}

// Texts that are not words of a language: the caret position's fixed
// format, language names and file names.
bool Untranslatable(const QString& text) {
  static const QRegularExpression fixed(
      QStringLiteral("^(Ln: *\\d+, Col: *\\d+|HTML|PHP|CSS|VBScript|JavaScript|SQL|XML|.*\\.html?)$"));
  return fixed.match(text).hasMatch() || !text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
}

// "where: text" of every text under `root` that is not from the module.
QStringList Foreign(QWidget* root) {
  QStringList out;
  const auto check = [&out](const QObject* o, const char* what, QString text) {
    text.remove(u'&');
    if (!text.isEmpty() && !text.contains(u'@') && !Untranslatable(text))
      out << QStringLiteral("%1 %2 %3: %4").arg(o->metaObject()->className(), o->objectName(), what, text);
  };
  for (QAction* a : root->findChildren<QAction*>()) {
    if (a->isSeparator()) continue;
    check(a, "text", a->text());
    check(a, "hint", a->toolTip());
  }
  for (QMenu* m : root->findChildren<QMenu*>()) check(m, "title", m->title());
  for (QTabWidget* t : root->findChildren<QTabWidget*>())
    for (int i = 0; i < t->count(); ++i) {
      check(t, "tab", t->tabText(i));
      check(t, "tab hint", t->tabToolTip(i));
    }
  for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) check(b, "caption", b->text());
  for (QLabel* l : root->findChildren<QLabel*>()) check(l, "label", l->text());
  for (QToolBar* t : root->findChildren<QToolBar*>()) check(t, "title", t->windowTitle());
  for (QWidget* w : root->findChildren<QWidget*>()) check(w, "hint", w->toolTip());
  return out;
}

class LanguageWalk : public AppFixture {
 protected:
  void UseModule(const QByteArray& module) {
    WriteFileBytes(root + QStringLiteral("Language Modules/test.lms"), module);
    LoadLanguageModule();
  }
};

TEST_F(LanguageWalk, NoWindowShowsATextOutsideTheModule) {
  UseModule(MarkedModule());
  Main().ToolButton33Click();
  Main().OpenDocument(false, true, MakeFile("page.html"));
  QCoreApplication::processEvents();
  EXPECT_EQ(Foreign(&Main()), QStringList());
  // The same after the pages of a document window were shown.
  TChildForm* doc = Main().ActiveDocument();
  doc->PageControl1->setCurrentIndex(1);
  doc->PageControl1->setCurrentIndex(0);
  EXPECT_EQ(Foreign(&Main()), QStringList());
  EXPECT_EQ(doc->PanelText(2), QStringLiteral("@DocStateI"));
  EXPECT_EQ(doc->systemMenu()->actions().first()->text(), QStringLiteral("@WinRestore"));
  EXPECT_EQ(doc->systemMenu()->actions().last()->text(), QStringLiteral("@WinClose"));
  EXPECT_EQ(Main().Action("New1")->text(), QStringLiteral("&@New"));
  EXPECT_EQ(Main().Action("Support1")->text(), QStringLiteral("@SupMItem"));
  EXPECT_EQ(Main().Action("ToolButton35")->toolTip(), QStringLiteral("@TB3"));
  // The walk sees a text that does not come from the module.
  QAction stray(QStringLiteral("Stray"), doc);
  EXPECT_EQ(Foreign(&Main()).size(), 2);  // its caption and its hint
}

TEST_F(LanguageWalk, ComposedMessagesHaveTheirBlanks) {
  // The shipped texts are trimmed when read: the composition adds blanks.
  Ini().WriteString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), kEnglish);
  LoadLanguageModule();
  const QString page = MakeFile("a.html");
  TChildForm* doc = Main().OpenDocument(false, true, page);
  doc->Modified = true;
  doc->close();  // unanswered: the window stays
  prompts.AnswerDialog("fDosPrompt", [](QDialog& d) {
    static_cast<QInputDialog&>(d).setTextValue(QStringLiteral("20"));
    return int(QDialog::Accepted);
  });
  Main().GotoLine1Click();
  Main().OpenDocument(false, true, root + "docs");
  launcher.result = false;
  Main().SendEmail();
  Main().OpenHelp();
  Main().OpenWithProgram("/bin/nothing", page);
  Main().OpenDocument(false, true, MakeFile("letter.rtf", "no rich text"));
  QStringList texts;
  for (const auto& m : prompts.Messages()) texts << m.text;
  EXPECT_EQ(texts,
            QStringList({"The document a.html has been changed. Close it without saving?",
                         "The document has no line 20.", "This is not a file that can be opened: " + root + "docs",
                         "No mail program could be started.", "This file could not be opened: " + Settings::HelpPath(),
                         "This program could not be started: /bin/nothing",
                         "The document could not be imported.\nThe data is not an RTF document."}));
}

TEST(ComposeText, BlanksBetweenPartsOnly) {
  struct Case {
    std::initializer_list<QString> parts;
    QString joined;
  };
  const Case cases[] = {
      {{"The document has no line", "20", "."}, "The document has no line 20."},
      {{"Error", "", "x"}, "Error x"},
      {{"", "x"}, "x"},
      {{"Failed:", "\n\r", "/a b"}, "Failed:\n\r/a b"},
      {{"a", ", b", "!"}, "a, b!"},
      {{"100%", "%1"}, "100% %1"},
  };
  for (const Case& c : cases) EXPECT_EQ(ComposeText(c.parts), c.joined);
}

}  // namespace

TEST_F(LanguageWalk, MainWindowItemsReadTheirOwnKeys) {
  // Menu items, hints and the status panel that read a key of their own.
  UseModule(MarkedModule());
  EXPECT_EQ(Main().Action("C_Lang")->text(), "@C_Lang");
  EXPECT_EQ(Main().Action("LoadDocs1")->text(), "@LoadDocs1");
  EXPECT_EQ(Main().Action("Support1")->toolTip(), "@KvxSup");
  EXPECT_EQ(Main().Action("Support1")->text(), "@SupMItem");
  QMenu* exportMenu = Main().findChild<QMenu*>("Export1");
  ASSERT_NE(exportMenu, nullptr);
  EXPECT_EQ(exportMenu->title(), "@Export");
  auto* panel = Main().findChild<QLabel*>("StatusPanel1");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->text(), "@SB02");
}

TEST_F(LanguageWalk, EveryKeyOfTheMainWindowAndDocumentIsShownSomewhere) {
  // The keys the main window and a document window set their captions and
  // hints from: each shows up on some item of the windows.
  UseModule(MarkedModule());
  Main().EnsureSidePane();
  Main().ToolButton33Click();
  QStringList shown;
  const auto take = [&shown](const QString& text) {
    if (text.contains(u'@')) shown << text.mid(text.indexOf(u'@') + 1).section(u' ', 0, 0).remove(u'&');
  };
  for (QAction* a : Main().findChildren<QAction*>()) {
    take(a->text());
    take(a->toolTip());
  }
  for (QMenu* m : Main().findChildren<QMenu*>()) take(m->title());
  for (QLabel* l : Main().findChildren<QLabel*>()) take(l->text());
  for (QTabWidget* t : Main().findChildren<QTabWidget*>())
    for (int i = 0; i < t->count(); ++i) take(t->tabText(i));
  for (QTabBar* t : Main().findChildren<QTabBar*>())
    for (int i = 0; i < t->count(); ++i) take(t->tabText(i));
  for (QWidget* w : Main().findChildren<QWidget*>()) take(w->toolTip());
  const char* const keys[] = {"KvxSup",    "TB6",        "TB7",    "TB25",      "TB51",       "SB02",   "Export",
                              "LinkToDoc", "AddImgMain", "C_Lang", "LoadDocs1", "fmAJustify", "rmTags", "rmAddie",
                              "TB23",      "TB31",       "TB29",   "BulForm",   "LetterForm"};
  for (const char* key : keys) EXPECT_TRUE(shown.contains(QLatin1String(key))) << key;
}
