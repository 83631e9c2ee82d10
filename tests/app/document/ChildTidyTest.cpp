// Tests of TChildForm's Tidy commands (app/document/ChildTidy.cpp).
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <thread>

#include "app/document/Child.h"
#include "app/shell/Frame.h"
#include "authoring/TidyRun.h"
#include "authoring/tidy.h"
#include "modules/ModuleLoader.h"
#include "tests/app/AppFixture.h"

namespace {

class ChildTidy : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    QByteArray module;
    for (const QString& key :
         ModuleKeys() + QStringList{"HTMLTidyBusy", "HTMLTidyFailed", "TidyHelperMissing", "HTMLTidyLeftOut",
                                    "HTMLTidyStopped", "TidyMissing", "ModuleMissing", "ModuleCutShort"}) {
      const QByteArray k = key.toLatin1();
      module += k.leftJustified(20, ' ') + (key == u"DefCharSet" ? QByteArray("DEFAULT_CHARSET") : k) + "\r\n";
    }
    WriteFileBytes(root + QStringLiteral("Language Modules/test.lms"), module);
    LoadLanguageModule();
  }
  std::unique_ptr<TChildForm> Form() {
    auto form = std::make_unique<TChildForm>();
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    return form;
  }
  // Tidy runs in its own process: lets the command (and what it chains) end.
  static void Wait(const TChildForm& f) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.TidyRunning(); }, 120000)) << "Tidy never ended";
  }
  static QStringList Reports(const TChildForm& f) {
    QStringList out;
    for (int i = 0; i < f.Memo2->count(); ++i) out << f.Memo2->item(i)->text();
    return out;
  }
};

TEST_F(ChildTidy, ReportLines) {
  auto f = Form();
  const struct {
    int level;
    const char* expected;
  } cases[] = {
      {trlInfo, "3:14 InformMsg1Lib: m %s"},
      {trlWarning, "3:14 HT_Warning: m %s"},
      {trlAccess, "3:14 HTAccess: m %s"},
      {trlError, "3:14 ErrorMsg1Lib: m %s"},
      {trlBadDocument, "3:14 HtBadDoc: m %s"},
      {trlFatal, "3:14 HtFatal: m %s"},
      {7, "3:14 m %s"},
  };
  for (const auto& c : cases) {
    f->Memo2->clear();
    f->Tidy1Report(c.level, 3, 14, QStringLiteral("m %s"));
    f->Tidy1Report(c.level, 3, 14, QStringLiteral("m %s"));  // the same report twice is listed once
    EXPECT_EQ(Reports(*f), QStringList{QLatin1String(c.expected)}) << c.level;
  }
  // Reports of the whole document have no position.
  const struct {
    int level;
    const char* expected;
  } whole[] = {{trlInfo, "InformMsg1Lib: m"}, {trlBadDocument, "HtBadDoc: m"}, {trlFatal, "HtFatal: m"}, {7, "m"}};
  for (const auto& c : whole) {
    f->Memo2->clear();
    f->Tidy1Report(c.level, 0, 0, QStringLiteral("m"));
    EXPECT_EQ(Reports(*f), QStringList{QLatin1String(c.expected)}) << c.level;
  }
}

// A style sheet or a script is no page: the Tidy commands are disabled and
// leave it as it is, also when it is highlighted as HTML; a page read as a
// script has none until it is highlighted as a page again.
TEST_F(ChildTidy, ScriptsAndStyleSheetsHaveNoTidyCommands) {
  Main();
  const auto enabled = [](const TChildForm& f) {
    QStringList on;
    for (const char* name : {"HT_Check", "HT_Repair", "HT_Force"}) {
      const QList<QAction*> actions = f.findChildren<QAction*>(QLatin1String(name));
      EXPECT_FALSE(actions.isEmpty()) << name;
      for (QAction* a : actions)
        if (a->isEnabled()) on << QLatin1String(name);
    }
    return on;
  };
  const QStringList all{"HT_Check", "HT_Repair", "HT_Force"};
  for (const char* name : {"style.css", "site.js", "macro.vbs", "query.sql", "data.xml", "notes.txt"}) {
    TChildForm* f = main->OpenDocument(false, true, MakeFile(name, "body { color: red }\r\n"));
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(enabled(*f), QStringList()) << name;
  }
  for (const char* name : {"page.html", "page.php"}) {
    TChildForm* f = main->OpenDocument(false, true, MakeFile(name, "<p>x\r\n"));
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(enabled(*f), all) << name;
  }

  const QString script = QStringLiteral("function f(a) {\n  return a < 2;\n}");
  TChildForm* js = main->OpenDocument(false, true, MakeFile("app.js", script.toUtf8()));
  ASSERT_NE(js, nullptr);
  EXPECT_EQ(js->CheckedHighlighter(), "JS");
  EXPECT_EQ(main->ActiveDocument(), js);
  const QString loaded = js->Memo1->Text();  // as the editor gives it back
  EXPECT_EQ(loaded.split(QRegularExpression(QStringLiteral("\\r?\\n"))), script.split(u'\n'));
  for (const char* name : {"HT_Repair", "HT_Force", "HT_Check"})
    js->findChild<QAction*>(QLatin1String(name))->trigger();
  js->RepairExecute();
  js->ForceExecute();
  js->CheckHTMLExecute();
  Wait(*js);
  EXPECT_EQ(js->Memo1->Text(), loaded);
  EXPECT_FALSE(js->Memo1->CanUndo());
  EXPECT_TRUE(Reports(*js).isEmpty());
  EXPECT_TRUE(prompts.Messages().isEmpty());
  EXPECT_EQ(enabled(*js), QStringList());

  const auto choose = [&](TChildForm* f, const QString& code) {
    for (QAction* a : f->HighlighterMenu->actions())
      if (a->data().toString() == code) a->trigger();
  };
  // Highlighted as HTML, a script file is still a script.
  choose(js, "HTML");
  EXPECT_EQ(enabled(*js), QStringList());
  js->RepairExecute();
  Wait(*js);
  EXPECT_EQ(js->Memo1->Text(), loaded);

  // The same text in a page: highlighted as JavaScript it has no commands;
  // highlighted as HTML again it can be repaired; back to JavaScript, the
  // commands go again.
  TChildForm* page = main->OpenDocument(false, true, MakeFile("app.html", script.toUtf8()));
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(enabled(*page), all);
  choose(page, "JS");
  EXPECT_EQ(enabled(*page), QStringList());
  choose(page, "HTML");
  EXPECT_EQ(enabled(*page), all);
  page->findChild<QAction*>(QStringLiteral("HT_Repair"))->trigger();
  Wait(*page);
  EXPECT_TRUE(page->Memo1->Text().contains(QLatin1String("<html>")));
  page->Memo1->Undo();
  EXPECT_EQ(page->Memo1->Text(), loaded);
  choose(page, "JS");
  EXPECT_EQ(enabled(*page), QStringList());
  // Switched while Tidy runs: the run ends and the text stays.
  choose(page, "HTML");
  page->RepairExecute();
  ASSERT_TRUE(page->TidyRunning());
  choose(page, "CSS");
  EXPECT_FALSE(page->TidyRunning());
  EXPECT_EQ(page->Memo1->Text(), loaded);
  QTest::qWait(300);
  EXPECT_EQ(js->Memo1->Text(), loaded);
  EXPECT_FALSE(js->Memo1->ReadOnly());
  EXPECT_EQ(enabled(*js), QStringList());
}

// Without the tidy module a Tidy command says so, and the document and the
// window go on as they were.
TEST_F(ChildTidy, WithoutTheTidyModuleTheCommandsSaySo) {
  Modules::SetFolder(root + "no-modules");
  auto f = Form();
  EXPECT_FALSE(f->Tidy1->Available());
  f->Memo1->SetText(QStringLiteral("<p>x"));
  for (void (TChildForm::*command)() : {&TChildForm::CheckHTMLExecute, &TChildForm::RepairExecute})
    (f.get()->*command)();
  EXPECT_FALSE(f->TidyRunning());
  EXPECT_EQ(f->Memo1->Text(), "<p>x");
  EXPECT_FALSE(f->Memo1->ReadOnly());
  ASSERT_EQ(prompts.Messages().size(), 2);
  EXPECT_TRUE(prompts.Messages()[0].text.startsWith(LangText("TidyMissing") + "\n"));
  EXPECT_EQ(prompts.Messages()[0].text, "TidyMissing\n\"" + root + "no-modules/tidy-module.so\"\nModuleMissing");
  // Once the module is there again the window has Tidy, and so has a new one.
  Modules::SetFolder(QString());
  EXPECT_TRUE(f->Tidy1->Available());
  EXPECT_TRUE(Form()->Tidy1->Available());
}

// A tidy module cut short (an update interrupted, a full disk) in the
// program's module folder: a document window opens all the same and works;
// a Tidy command says what is wrong with the module; once the module is whole
// again the same window has Tidy, with the options it was given meanwhile.
TEST_F(ChildTidy, CutShortTidyModuleLeavesTheWindowWorking) {
  QFile built(Modules::Path(QStringLiteral("tidy-module.so")));
  ASSERT_TRUE(built.open(QIODevice::ReadOnly));
  const QByteArray whole = built.readAll();
  ASSERT_TRUE(QDir(root).mkpath("modules"));
  const QString module = root + "modules/tidy-module.so";
  ASSERT_TRUE(WriteFileBytes(module, whole.left(whole.size() / 2)));
  Modules::SetFolder(root + "modules");
  ASSERT_TRUE(WriteFileBytes(root + "tidyconfig.ini", "wrap: 66\n"));
  Main();
  const QString page = MakeFile("page.html", "<p>x\r\n");
  TChildForm* f = main->OpenDocument(false, true, page);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(f->Memo1->Text(), "<p>x");
  EXPECT_TRUE(Modules::Error("tidy-module.so").isEmpty()) << "not loaded with the window";
  f->Tidy1->SetIndentSpaces(5);
  f->CheckHTMLExecute();
  EXPECT_FALSE(f->TidyRunning());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "TidyMissing\n\"" + module + "\"\nModuleCutShort");
  f->Memo1->SetText(QStringLiteral("<p>y"));
  EXPECT_EQ(f->Memo1->Text(), "<p>y");

  ASSERT_TRUE(WriteFileBytes(module, whole));
  f->CheckHTMLExecute();
  Wait(*f);
  EXPECT_EQ(prompts.Messages().size(), 1);
  EXPECT_TRUE(Reports(*f).contains("1:1 HT_Warning: missing <!DOCTYPE> declaration"))
      << Reports(*f).join('\n').toStdString();
  EXPECT_EQ(f->Tidy1->IndentSpaces(), 5);
  EXPECT_EQ(f->Tidy1->ShowErrors(), 6);  // the window's own value
  EXPECT_EQ(f->Tidy1->WrapLen(), 66);    // from tidyconfig.ini
  Modules::SetFolder(QString());
}

TEST_F(ChildTidy, CheckRepairForce) {
  auto f = Form();
  f->Memo1->SetText(QStringLiteral("<p>x"));
  f->CheckHTMLExecute();
  Wait(*f);
  EXPECT_EQ(f->Memo1->Text(), "<p>x");
  EXPECT_TRUE(Reports(*f).contains("1:1 HT_Warning: missing <!DOCTYPE> declaration"))
      << Reports(*f).join('\n').toStdString();

  f->RepairExecute();
  Wait(*f);
  const QString repaired = f->Memo1->Text();
  EXPECT_TRUE(repaired.contains(QLatin1String("<html>")) && repaired.contains(QLatin1String("<p>x</p>")));
  EXPECT_FALSE(Reports(*f).contains("1:1 HT_Warning: missing <!DOCTYPE> declaration"));  // checked again
  f->Memo1->Undo();                                                                      // one change
  EXPECT_EQ(f->Memo1->Text(), "<p>x");

  f->Memo1->SetText(QStringLiteral("plain words"));
  f->RepairExecute();
  Wait(*f);
  EXPECT_TRUE(f->Memo1->Text().contains(QLatin1String("plain words")));

  f->Memo1->SetText(QStringLiteral("<p>a</p>"));
  f->ForceExecute();
  Wait(*f);
  EXPECT_TRUE(f->Memo1->Text().contains(QLatin1String("<body>")));
  EXPECT_FALSE(f->Tidy1->ForceOutput());
  EXPECT_TRUE(prompts.Messages().isEmpty());
}

TEST_F(ChildTidy, NoOutputKeepsTheTextAndConfigReportsComeOnce) {
  WriteFileBytes(root + QStringLiteral("tidyconfig.ini"), "markup: no\nno-such-option: 1\nother-unknown: 2\n");
  auto f = Form();
  f->Memo1->SetText(QStringLiteral("<p>keep me"));
  const auto run = [&](const char* name) {
    for (QAction* a : f->findChildren<QAction*>(QLatin1String(name))) a->trigger();
    Wait(*f);
  };
  run("HT_Force");
  EXPECT_EQ(f->Memo1->Text(), "<p>keep me");
  run("HT_Repair");
  EXPECT_EQ(f->Memo1->Text(), "<p>keep me");
  QStringList texts;
  for (const auto& m : prompts.Messages()) texts << m.text;
  // The configuration's faults come once, together, after the first command.
  ASSERT_EQ(texts.size(), 3) << texts.join('|').toStdString();
  EXPECT_EQ(texts[0], "HTMLTidyCannotFix");
  EXPECT_TRUE(texts[1].contains("no-such-option") && texts[1].contains("other-unknown")) << texts[1].toStdString();
  EXPECT_EQ(texts[2], "HTMLTidyCannotFix");
}

// Tidy makes a whole HTML page of whatever it reads: an SVG picture, an XML
// document, plain text or a PHP include opened, made or saved under such a
// name has no Tidy commands, and a command triggered anyway changes nothing.
// HTML and PHP pages have them, opened, new or saved under a page's name.
TEST_F(ChildTidy, OnlyPagesHaveTidyCommands) {
  Main();
  const QStringList all{"HT_Check", "HT_Repair", "HT_Force"};
  const auto enabled = [&all](const TChildForm& f) {
    QStringList on;
    for (const QString& name : all)
      for (QAction* a : f.findChildren<QAction*>(name))
        if (a->isEnabled() && a->isVisible()) on << name;
    return on;
  };
  const struct {
    const char* name;
    QByteArray bytes;
  } others[] = {
      {"star.svg",
       "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
       "viewBox=\"0 0 10 10\">\n<title>\xc3\x89toile \xe2\x98\x85 \xf0\x9d\x84\x9e</title>\n<rdf:RDF/>\n"
       "<path d=\"M5 0L6 4L10 4z\"/>\n</svg>\n"},
      {"data.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<list><item>caf\xc3\xa9 \xf0\x9f\x98\x80</item></list>\n"},
      {"notes.txt", "<p>Notes: \xc3\xa9t\xc3\xa9\n"},
      {"README", "<b>read me\n"},
      {"header.inc", "<div id=\"top\"><?php echo $title; ?></div>\n"},
      {"STAR.SVG", "<svg><circle r=\"4\"/></svg>\n"},
  };
  for (const auto& o : others) {
    SCOPED_TRACE(o.name);
    TChildForm* f = main->OpenDocument(false, true, MakeFile(QLatin1String(o.name), o.bytes));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(enabled(*f), QStringList());
    const QString loaded = f->Memo1->Text();
    // Every letter as read, those beyond the BMP too.
    EXPECT_EQ(loaded.split(QRegularExpression(QStringLiteral("\\r?\\n"))).join(u'\n') + u'\n',
              QString::fromUtf8(o.bytes));
    for (const QString& name : all) f->findChild<QAction*>(name)->trigger();
    f->CheckHTMLExecute();
    f->RepairExecute();
    f->ForceExecute();
    EXPECT_FALSE(f->TidyRunning());
    EXPECT_EQ(f->Memo1->Text(), loaded);
    EXPECT_FALSE(f->Memo1->CanUndo());
    EXPECT_FALSE(f->Modified);
    EXPECT_TRUE(Reports(*f).isEmpty());
  }
  for (const char* name : {"page.html", "page.htm", "page.HTML", "page.xhtml", "page.shtml", "page.php", "page.php3",
                           "page.phtml"}) {
    TChildForm* f = main->OpenDocument(false, true, MakeFile(QLatin1String(name), "<p>x\n"));
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(enabled(*f), all) << name;
  }
  EXPECT_TRUE(prompts.Messages().isEmpty());

  // New documents: the new-page button's kind and the document manager's.
  for (const char* kind : {"HTML", ".html", ".php", ".xhtml"}) {
    TChildForm* f = main->CreateDocument(false, false, QLatin1String(kind), QString());
    ASSERT_NE(f, nullptr) << kind;
    EXPECT_EQ(enabled(*f), all) << kind;
  }
  TChildForm* css = main->CreateDocument(false, false, QStringLiteral(".css"), QString());
  ASSERT_NE(css, nullptr);
  EXPECT_EQ(enabled(*css), QStringList());
  // A file named on the command line that does not exist yet.
  for (const char* name : {"new.svg", "new.xml", "new.txt", "new"})
    EXPECT_EQ(enabled(*main->OpenNewFile(root + QStringLiteral("docs/") + QLatin1String(name))), QStringList())
        << name;
  EXPECT_EQ(enabled(*main->OpenNewFile(root + QStringLiteral("docs/new.php"))), all);

  // Saved under another name, the document is what that name says.
  TChildForm* page = main->CreateDocument(false, false, QStringLiteral("HTML"), QString());
  ASSERT_NE(page, nullptr);
  const QString picture = root + QStringLiteral("docs/saved.svg");
  AnswerFileDialog(QStringLiteral("SaveDialog1"), {picture});
  ASSERT_TRUE(main->SaveDocument(true));
  ASSERT_EQ(page->Caption(), picture);
  EXPECT_EQ(enabled(*page), QStringList());
  const QString html = root + QStringLiteral("docs/saved.html");
  AnswerFileDialog(QStringLiteral("SaveDialog1"), {html});
  ASSERT_TRUE(main->SaveDocument(true));
  ASSERT_EQ(page->Caption(), html);
  EXPECT_EQ(enabled(*page), all);
  for (const auto& m : prompts.Messages()) ADD_FAILURE() << "asked: " << m.text.toStdString();
}

TEST_F(ChildTidy, CommandsShowTheirReports) {
  auto f = Form();
  QAction* panel = f->findChild<QAction*>(QStringLiteral("ToolButton20"));
  ASSERT_TRUE(panel);
  for (const char* name : {"HT_Check", "HT_Repair", "HT_Force"}) {
    panel->setChecked(false);
    ASSERT_TRUE(f->TidyPanel->isHidden());
    f->Memo1->SetText(QStringLiteral("<p>x"));
    f->findChild<QAction*>(QLatin1String(name))->trigger();
    Wait(*f);
    EXPECT_FALSE(Reports(*f).isEmpty()) << name;
    EXPECT_FALSE(f->TidyPanel->isHidden()) << name;
    EXPECT_TRUE(panel->isChecked()) << name;
    EXPECT_TRUE(Ini().ReadBool("HTMLTidy", "Enabled", false)) << name;
  }
}

// 100 000 nested elements: more than Tidy's parser can recurse through on a
// normal stack. The program gets the message and keeps the document; before,
// the program (here: the test runner) died.
TEST_F(ChildTidy, DeepPageGivesTheMessage) {
  auto f = Form();
  QString deep;
  for (int i = 0; i < 100000; ++i) deep += QLatin1String("<div>");
  deep += u'x';
  for (int i = 0; i < 100000; ++i) deep += QLatin1String("</div>");
  for (const char* name : {"HT_Check", "HT_Repair", "HT_Force"}) {
    f->Memo1->SetText(deep);
    const qsizetype before = prompts.Messages().size();
    f->findChild<QAction*>(QLatin1String(name))->trigger();
    Wait(*f);
    QStringList texts;
    for (const auto& m : prompts.Messages().mid(before)) texts << m.text;
    EXPECT_EQ(texts, QStringList{"HTMLTidyFailed"}) << name;
    EXPECT_EQ(f->Memo1->Text(), deep) << name;
    EXPECT_FALSE(f->Memo1->ReadOnly()) << name;
    EXPECT_TRUE(f->findChild<QAction*>(QLatin1String(name))->isEnabled()) << name;
  }
  EXPECT_FALSE(f->Memo1->CanUndo());
  // The window goes on working.
  f->Memo1->SetText(QStringLiteral("<p>x"));
  f->RepairExecute();
  Wait(*f);
  EXPECT_TRUE(f->Memo1->Text().contains(QLatin1String("<p>x</p>")));
}

TEST_F(ChildTidy, StopDropsTheResult) {
  auto f = Form();
  f->Memo1->SetText(QStringLiteral("<p>keep"));
  f->Memo1->SetReadOnly(false);
  for (const char* name : {"HT_Repair", "HT_Force", "HT_Check"}) {
    f->Memo2->clear();
    f->findChild<QAction*>(QLatin1String(name))->trigger();
    // Running: busy cursor, status text, Stop; the editor takes no changes.
    ASSERT_TRUE(f->TidyRunning()) << name;
    ASSERT_TRUE(QGuiApplication::overrideCursor()) << name;
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor) << name;
    EXPECT_FALSE(f->TidyStatus->isHidden()) << name;
    EXPECT_EQ(f->TidyStatus->text(), "HTMLTidyBusy") << name;
    EXPECT_FALSE(f->TidyStop->isHidden()) << name;
    EXPECT_TRUE(f->Memo1->ReadOnly()) << name;
    EXPECT_FALSE(f->findChild<QAction*>(QStringLiteral("HT_Check"))->isEnabled()) << name;

    f->TidyStop->click();
    EXPECT_FALSE(f->TidyRunning()) << name;
    QTest::qWait(300);  // nothing of the run arrives later
    EXPECT_EQ(f->Memo1->Text(), "<p>keep") << name;
    EXPECT_FALSE(f->Memo1->CanUndo()) << name;
    EXPECT_EQ(Reports(*f), QStringList{"HTMLTidyStopped"}) << name;
    EXPECT_FALSE(QGuiApplication::overrideCursor()) << name;
    EXPECT_TRUE(f->TidyStatus->isHidden() && f->TidyStop->isHidden()) << name;
    EXPECT_FALSE(f->Memo1->ReadOnly()) << name;
    EXPECT_TRUE(f->findChild<QAction*>(QStringLiteral("HT_Check"))->isEnabled()) << name;
  }
  EXPECT_FALSE(f->Tidy1->ForceOutput());
  EXPECT_TRUE(prompts.Messages().isEmpty());
  // A read-only document stays read-only after a run.
  f->Memo1->SetReadOnly(true);
  f->CheckHTMLExecute();
  Wait(*f);
  EXPECT_TRUE(f->Memo1->ReadOnly());
  // Closing the window in the middle of a run ends it.
  f->CheckHTMLExecute();
  f.reset();
  EXPECT_FALSE(QGuiApplication::overrideCursor());
}

// Stopped while its reports are being listed: what was listed goes, and a
// line says that Tidy was stopped.
TEST_F(ChildTidy, AStopWhileListingLeavesTheLineThatSaysSo) {
  auto f = Form();
  f->Memo1->SetText(QStringLiteral("<p foo=1>x <img src=a.png></p>\n").repeated(6000));
  f->CheckHTMLExecute();
  ASSERT_TRUE(QTest::qWaitFor([&] { return f->Memo2->count() > 0 || !f->TidyRunning(); }, 120000));
  ASSERT_TRUE(f->TidyRunning()) << "the listing ended before it could be stopped";
  f->TidyStop->click();
  EXPECT_FALSE(f->TidyRunning());
  QTest::qWait(100);
  EXPECT_EQ(Reports(*f), QStringList{"HTMLTidyStopped"});
  EXPECT_FALSE(f->TidyPanel->isHidden());
  // A double click on it goes nowhere.
  f->Memo2->setCurrentRow(0);
  f->Memo2DblClick();
  EXPECT_EQ(f->HighlightLine, -1);
}

// Tidy's summary ends in a line break and its note on faults runs over two
// lines: each line is a row, and every row of a real check is one line tall.
TEST_F(ChildTidy, ReportRowsAreOneLineTall) {
  auto f = Form();
  for (int twice = 0; twice < 2; ++twice) {
    f->Tidy1Report(7, 0, 0, QStringLiteral("Tidy found 1 warning and 1 error!\n"));
    f->Tidy1Report(7, 0, 0,
                   QStringLiteral("This document has errors that must be fixed before\r\n"
                                  "using HTML Tidy to generate a tidied up version.\n"));
  }
  EXPECT_EQ(Reports(*f),
            (QStringList{"Tidy found 1 warning and 1 error!", "This document has errors that must be fixed before",
                         "using HTML Tidy to generate a tidied up version."}));

  f->resize(800, 600);
  f->show();
  QAction* panel = f->findChild<QAction*>(QStringLiteral("ToolButton20"));
  panel->setChecked(true);
  f->Memo1->SetText(QStringLiteral("<p>x<zz>y</p>"));
  f->CheckHTMLExecute();
  Wait(*f);
  QCoreApplication::processEvents();
  const QStringList rows = Reports(*f);
  ASSERT_TRUE(rows.contains("using HTML Tidy to generate a tidied up version.")) << rows.join('\n').toStdString();
  const int lineHeight = f->Memo2->fontMetrics().lineSpacing();
  for (int i = 0; i < f->Memo2->count(); ++i) {
    EXPECT_FALSE(rows[i].contains(u'\n')) << rows[i].toStdString();
    EXPECT_LT(f->Memo2->visualItemRect(f->Memo2->item(i)).height(), 2 * lineHeight) << rows[i].toStdString();
  }
}

// A UTF-8 page and a Windows-1252 page with letters beyond ASCII (on the
// UTF-8 page one beyond the BMP too, the other page holds it as an entity)
// in text, attributes, script, style and comment, repaired or forced
// through the commands and saved: every letter and entity comes back, the
// declared character set stays, and the page is saved in it unasked.
TEST_F(ChildTidy, RepairAndForceKeepEveryLetterOnDisk) {
  // The encodings a user's options may still name change nothing.
  WriteFileBytes(root + QStringLiteral("tidyconfig.ini"), "char-encoding: ascii\n");
  const QString page = QStringLiteral(
      "<!DOCTYPE html>\n<html><head><meta charset=\"%1\"><title>Caf\u00e9%2</title>\n"
      "<script>var price = \"Caf\u00e9 4 \u20ac%2\";</script>\n"
      "<style>p::before { content: \"\u00bb%2 \"; }</style></head>\n"
      "<body><!-- n\u00e9%2 --><p title=\"\u00e9t\u00e9%2\">\u00c7a co\u00fbte 4 \u20ac%2 &eacute; &#x1F600;</p>%3\n"
      "</body></html>\n");
  const QStringList parts = {
      QStringLiteral("<meta charset=\"%1\">"),
      QStringLiteral("<title>Caf\u00e9%2</title>"),
      QStringLiteral("var price = \"Caf\u00e9 4 \u20ac%2\";"),
      QStringLiteral("content: \"\u00bb%2 \";"),
      QStringLiteral("<!-- n\u00e9%2 -->"),
      QStringLiteral("title=\"\u00e9t\u00e9%2\""),
      QStringLiteral("\u00c7a co\u00fbte 4 \u20ac%2 &eacute; &#x1F600;</p>"),
  };
  const struct {
    const char* charset;
    const char* codec;
    QString beyond;  // a letter beyond the BMP where the page can hold one
  } pages[] = {{"utf-8", "UTF-8", QStringLiteral("\U0001F600")}, {"windows-1252", "windows-1252", QString()}};
  for (const auto& p : pages) {
    for (const char* command : {"HT_Repair", "HT_Force"}) {
      const std::string what = std::string(p.charset) + " " + command;
      const bool force = qstrcmp(command, "HT_Force") == 0;
      // Forced: a fault keeps Tidy from giving output otherwise.
      const QString text = page.arg(QLatin1String(p.charset), p.beyond, force ? QStringLiteral("<zz>") : QString());
      QStringEncoder encode(p.codec);
      const QByteArray bytes = encode(text);
      ASSERT_FALSE(encode.hasError()) << what;
      const QString path = MakeFile(QString::fromLatin1(p.charset) + QLatin1String(command) + ".html", bytes);
      TChildForm* doc = Main().OpenDocument(false, true, path);
      ASSERT_TRUE(doc) << what;
      doc->findChild<QAction*>(QLatin1String(command))->trigger();
      Wait(*doc);
      ASSERT_NE(doc->Memo1->Text(), text) << what;  // Tidy's output
      EXPECT_TRUE(Main().ActionSaveExecute()) << what;
      QStringDecoder decode(p.codec);
      const QString saved = decode(ReadFileBytes(path));
      EXPECT_FALSE(decode.hasError()) << what;
      for (const QString& part : parts) {
        const QString expected =
            QString(part).replace(QLatin1String("%1"), QLatin1String(p.charset)).replace(QLatin1String("%2"), p.beyond);
        EXPECT_TRUE(doc->Memo1->Text().contains(expected)) << what << ": " << expected.toStdString();
        EXPECT_TRUE(saved.contains(expected)) << what << ": " << expected.toStdString() << "\n" << saved.toStdString();
      }
      EXPECT_FALSE(saved.contains(QChar::ReplacementCharacter)) << what;
    }
  }
  for (const auto& m : prompts.Messages()) ADD_FAILURE() << "asked: " << m.text.toStdString();
}

// A page that ends with a line break keeps exactly that one: Tidy's output
// ends with a break too, and the editor makes no empty last line of it. So
// Repair or Force of a page Tidy leaves as it is, and a save, give back the
// same bytes, with either kind of line break.
TEST_F(ChildTidy, RepairOfACleanPageSavesTheSameBytes) {
  for (const QByteArray& lineBreak : {QByteArray("\r\n"), QByteArray("\n")}) {
    const std::string what = lineBreak == "\n" ? "LF" : "CR LF";
    const QString path =
        MakeFile(QString::fromLatin1(lineBreak.toHex()) + ".html", "<title>t</title>" + lineBreak + "<p>x" + lineBreak);
    TChildForm* doc = Main().OpenDocument(false, true, path);
    ASSERT_TRUE(doc) << what;
    doc->RepairExecute();
    Wait(*doc);
    ASSERT_TRUE(Main().ActionSaveExecute()) << what;
    // The page as Tidy writes it.
    const QByteArray clean = ReadFileBytes(path);
    EXPECT_TRUE(clean.endsWith("</html>" + lineBreak)) << what << ": " << clean.constData();
    EXPECT_FALSE(clean.contains("\r\n") && lineBreak == "\n") << what;
    for (const char* command : {"HT_Repair", "HT_Force"}) {
      doc->close();
      doc = Main().OpenDocument(false, true, path);
      ASSERT_TRUE(doc) << what << " " << command;
      doc->findChild<QAction*>(QLatin1String(command))->trigger();
      Wait(*doc);
      ASSERT_TRUE(Main().ActionSaveExecute()) << what << " " << command;
      EXPECT_EQ(ReadFileBytes(path), clean) << what << " " << command;
    }
    doc->close();
  }
  for (const auto& m : prompts.Messages()) ADD_FAILURE() << "asked: " << m.text.toStdString();
}

TEST_F(ChildTidy, ManyReportsListedOnceInOrder) {
  auto f = Form();
  QList<TTidyReport> reports;
  for (int i = 0; i < 20000; ++i) reports << TTidyReport{trlWarning, unsigned(i % 5000 + 1), 1, QStringLiteral("w")};
  reports << TTidyReport{trlConfig, 0, 0, QStringLiteral("bad option")};
  f->AddTidyReports(reports);
  const QStringList lines = Reports(*f);
  ASSERT_EQ(lines.size(), 5000);
  EXPECT_EQ(lines.first(), "1:1 HT_Warning: w");
  EXPECT_EQ(lines.last(), "5000:1 HT_Warning: w");
  f->Tidy1Report(trlWarning, 17, 1, QStringLiteral("w"));  // already there
  EXPECT_EQ(f->Memo2->count(), 5000);
  f->Memo2->clear();  // the check follows the list
  f->Tidy1Report(trlWarning, 17, 1, QStringLiteral("w"));
  EXPECT_EQ(Reports(*f), QStringList{"17:1 HT_Warning: w"});
}

qint64 ResidentBytes() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

// CPU time the calling thread has used.
qint64 ThreadCpuMs() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// 25 inline elements left open, then 20 000 paragraphs: Tidy reports each
// element again at each paragraph, about a million reports. The window
// lists a bounded part of them, says how many it left out, and the event
// loop goes on turning all the while.
TEST_F(ChildTidy, AFloodOfReportsLeavesTheWindowAnswering) {
  auto f = Form();
  const QString page = QStringLiteral(
                           "<b><i><u><em><strong><small><big><tt><code><kbd><var><cite><dfn><abbr><samp><sub><sup><s>"
                           "<strike><q><font><label><a><span><bdo>") +
                       QStringLiteral("<p>x\n").repeated(20000);
  f->Memo1->SetText(page);
  const QString text = f->Memo1->Text();
  QCoreApplication::processEvents();
  const qint64 before = ResidentBytes();
  qint64 peak = before;
  // The longest stretch between two ticks of a 10 ms timer, counted in the
  // CPU time this thread spent (a loaded machine delays the ticks, not
  // this), and in wall time for the record.
  qint64 lastCpu = ThreadCpuMs();
  qint64 longestCpu = 0;
  qint64 longestWall = 0;
  QElapsedTimer wall;
  QTimer tick;
  tick.setInterval(10);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 cpu = ThreadCpuMs();
    longestCpu = std::max(longestCpu, cpu - lastCpu);
    lastCpu = cpu;
    longestWall = std::max(longestWall, wall.restart());
    peak = std::max(peak, ResidentBytes());
  });
  wall.start();
  tick.start();
  f->CheckHTMLExecute();
  Wait(*f);
  tick.stop();
  EXPECT_LT(longestCpu, 500) << "the event loop was held up (wall time: " << longestWall << " ms)";
  EXPECT_LT(peak - before, qint64(150) << 20) << "grew by " << ((peak - before) >> 20) << " MB";
  const QStringList lines = Reports(*f);
  ASSERT_EQ(lines.size(), kTidyMaxReports + 1);
  EXPECT_TRUE(lines[0].contains("HT_Warning")) << lines[0].toStdString();
  const QString& last = lines.last();
  ASSERT_TRUE(last.startsWith("HTMLTidyLeftOut ")) << last.toStdString();
  EXPECT_GT(last.section(u' ', 1).toLongLong(), 100000) << last.toStdString();
  EXPECT_EQ(f->Memo1->Text(), text);
  EXPECT_TRUE(prompts.Messages().isEmpty());
  // The window is ready for the next command.
  f->Memo1->SetText(QStringLiteral("<p>x"));
  f->CheckHTMLExecute();
  Wait(*f);
  EXPECT_TRUE(Reports(*f).contains("1:1 HT_Warning: missing <!DOCTYPE> declaration"));
}

// Without the helper program the message names what is missing, not the page.
TEST_F(ChildTidy, AMissingHelperIsSaid) {
  auto f = Form();
  const QString helper = root + QStringLiteral("nowhere/kvx-tidy");
  TTidyRun::SetHelperPath(helper);
  f->Memo1->SetText(QStringLiteral("<p>x"));
  f->RepairExecute();
  Wait(*f);
  TTidyRun::SetHelperPath(QString());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "TidyHelperMissing " + helper);
  EXPECT_EQ(f->Memo1->Text(), "<p>x");
  EXPECT_FALSE(f->Memo1->ReadOnly());
}

// A FIFO as tidyconfig.ini: the window opens, checks and closes without
// waiting on it for a writer.
TEST_F(ChildTidy, AFifoAsTheOptionsFileHoldsNothingUp) {
  const QByteArray fifo = QFile::encodeName(root + QStringLiteral("tidyconfig.ini"));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  // Were anything to wait on the FIFO, this lets it go after a while (and
  // says so), so that the test ends either way.
  std::atomic<bool> done{false};
  std::atomic<bool> released{false};
  std::thread guard([&] {
    for (int i = 0; i < 200 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    while (!done) {
      const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        released = true;
        ::close(fd);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  {
    auto f = Form();
    f->Memo1->SetText(QStringLiteral("<p>x"));
    f->CheckHTMLExecute();
    Wait(*f);
    EXPECT_TRUE(Reports(*f).contains("1:1 HT_Warning: missing <!DOCTYPE> declaration"));
    f->close();
  }
  done = true;
  guard.join();
  EXPECT_FALSE(released) << "something waited on the FIFO";
}

// 30 000 lines, each with two proprietary attributes and a picture without
// "alt": three warnings and three information reports per line. The list
// shows warnings, in line order, each row where Tidy found it, and the rows
// and the count line add up to every report Tidy gave.
TEST_F(ChildTidy, AFloodOfInformationHidesNoWarning) {
  QString page;
  for (int n = 1; n <= 30000; ++n) page += QStringLiteral("<p foo=1 bar=2>item %1 <img src=x%1.png></p>\n").arg(n);
  auto f = Form();
  f->Memo1->SetText(page);
  f->CheckHTMLExecute();
  Wait(*f);
  const QStringList lines = Reports(*f);
  ASSERT_EQ(lines.size(), kTidyMaxReports + 1);
  // Tidy's own count of its reports, with the window's options.
  auto other = Form();
  qint64 reported = 0;
  other->Tidy1->SetOnReport([&](TObject*, int level, unsigned, unsigned, const QString&, bool& writeOut) {
    if (level != trlConfig) ++reported;
    writeOut = false;
  });
  other->Tidy1->SetSourceString(page);
  QString output;
  other->Tidy1->Execute(output);
  ASSERT_GT(reported, 180000);
  const QString& last = lines.last();
  ASSERT_TRUE(last.startsWith("HTMLTidyLeftOut ")) << last.toStdString();
  EXPECT_EQ(kTidyMaxReports + last.section(u' ', 1).toLongLong(), reported) << last.toStdString();

  const QStringList rows = lines.mid(0, kTidyMaxReports);
  EXPECT_EQ(rows.mid(0, 7), (QStringList{
                                "1:1 HT_Warning: missing <!DOCTYPE> declaration",
                                "1:1 HT_Warning: inserting implicit <body>",
                                "1:1 HT_Warning: inserting missing 'title' element",
                                "1:1 HT_Warning: <p> proprietary attribute \"foo\"",
                                "1:1 HT_Warning: <p> proprietary attribute \"bar\"",
                                "1:23 HT_Warning: <img> lacks \"alt\" attribute",
                                "2:1 HT_Warning: <p> proprietary attribute \"foo\"",
                            }));
  int previous = 0;
  for (const QString& row : rows) {
    ASSERT_TRUE(row.contains(" HT_Warning: ")) << row.toStdString();
    const int line = row.section(u':', 0, 0).toInt();
    ASSERT_GE(line, previous) << row.toStdString();
    previous = line;
  }
  EXPECT_EQ(previous, 3333);
  EXPECT_TRUE(rows.contains("3000:26 HT_Warning: <img> lacks \"alt\" attribute"));

  // A double click goes to the picture of line 2.
  f->Memo2->setCurrentRow(int(rows.indexOf("2:23 HT_Warning: <img> lacks \"alt\" attribute")));
  f->Memo2DblClick();
  EXPECT_EQ(f->HighlightLine, 2);
  EXPECT_EQ(f->Memo1->CaretXY(), (TPoint{23, 2}));
}

// Tidy counts characters and takes a tab to its next tab stop; the editor
// counts UTF-16 units.
TEST_F(ChildTidy, DoubleClickGoesToTheColumn) {
  auto f = Form();
  f->Memo1->SetText(QStringLiteral("<p>a\n\t<img src=a>\n\u00e9\U0001F600 <img src=b>\n  <img src=c>"));
  for (const int tabs : {8, 3}) {
    f->Tidy1->SetTabSize(tabs);
    f->CheckHTMLExecute();
    Wait(*f);
    for (int line = 2; line <= 4; ++line) {
      const QString prefix = QString::number(line) + u':';
      const QStringList rows = Reports(*f).filter(QStringLiteral("lacks"));
      const auto row = std::find_if(rows.begin(), rows.end(), [&](const QString& r) { return r.startsWith(prefix); });
      ASSERT_NE(row, rows.end()) << line << Reports(*f).join('\n').toStdString();
      const QList<QListWidgetItem*> items = f->Memo2->findItems(*row, Qt::MatchExactly);
      ASSERT_EQ(items.size(), 1);
      f->Memo2->setCurrentItem(items[0]);
      f->Memo2DblClick();
      EXPECT_EQ(f->Memo1->CaretY(), line) << row->toStdString();
      EXPECT_EQ(f->Memo1->LineText().mid(f->Memo1->CaretX() - 1, 4), "<img") << row->toStdString() << " tabs " << tabs;
    }
    // An information report has its position too.
    const QStringList info = Reports(*f).filter(QStringLiteral("3:4 InformMsg1Lib: "));
    ASSERT_EQ(info.size(), 1) << Reports(*f).join('\n').toStdString();
    f->Memo2->setCurrentItem(f->Memo2->findItems(info[0], Qt::MatchExactly).value(0));
    f->Memo2DblClick();
    EXPECT_EQ(f->Memo1->CaretXY(), (TPoint{5, 3}));
  }
}

TEST_F(ChildTidy, DoubleClickGoesToTheLine) {
  auto f = Form();
  f->Memo1->SetText(QStringLiteral("a\nb\nc"));
  for (const char* line : {"InformMsg1Lib: x", "no number: x", "2:5 HT_Warning: y"}) f->Memo2->addItem(line);
  for (int i = 0; i < 3; ++i) {
    f->Memo2->setCurrentRow(i);
    f->Memo2DblClick();
    EXPECT_EQ(f->HighlightLine, i < 2 ? -1 : 2);
  }
  EXPECT_EQ(f->Memo1->CaretY(), 2);
}

}  // namespace
