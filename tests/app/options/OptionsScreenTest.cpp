// Tests of TfConfig, the options screen (app/options/uconfig.cpp), with the
// code library page (CodeInsidePage.cpp) and its entry dialog (uCodeEntry.cpp).
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>

#include "app/dialogs/FramePictures.h"
#include "app/look/FlatLook.h"
#include "app/options/CodeInsidePage.h"
#include "app/options/uCodeEntry.h"
#include "app/options/uconfig.h"
#include "editor/SrcEdit.h"
#include "files/FrComboBox.h"
#include "files/PromptDialogs.h"
#include "highlighters/SrcHighlighterMulti.h"
#include "images/uImageLoad.h"
#include "tests/app/AppFixture.h"
#include "tests/common/FifoWatch.h"

namespace {

class OptionsScreen : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    // The screen's own question and notices, answered by key.
    QByteArray module = ReadFileBytes(root + "Language Modules/test.lms");
    for (const char* key :
         {"CfgScreen", "DoYou", "CCNoKey", "CCBracketLine", "BrwNameHash", "SyncReady", "LangModBad", "NotRegularFile"})
      module += QByteArray(key).leftJustified(20, ' ') + key + "\r\n";
    WriteFileBytes(root + "Language Modules/test.lms", module);
    LoadLanguageModule();
  }
  void TearDown() override {
    if (TfConfig* screen = TfConfig::Instance()) delete screen;
    AppFixture::TearDown();
  }
  TfConfig& Screen() { return *TfConfig::Execute(&Main()); }
  void Close() {
    Screen().close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  QString Key(const char* section, const char* key) { return Ini().ReadString(section, key, "<none>"); }
  QString Library() { return QString::fromUtf8(ReadFileBytes(root + "CodeC/codeinside.dci")); }
  void AnswerName(const QString& name) {
    prompts.AnswerDialog("fDosPrompt", [name](QDialog& d) {
      static_cast<TfDosPrompt&>(d).Edit1->setText(name);
      return int(QDialog::Accepted);
    });
  }
  static QStringList Items(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
  }
};

TEST_F(OptionsScreen, OneScreenAtATimeAtThePageAsked) {
  Main().Action("ConfigScreen")->trigger();
  TfConfig* first = TfConfig::Instance();
  ASSERT_NE(first, nullptr);
  Main().Action("TBCD")->trigger();  // the code library
  EXPECT_EQ(TfConfig::Instance(), first);
  EXPECT_EQ(first->PageControl1->currentIndex(), 4);
  Main().FTPExecute();  // no FTP program yet
  EXPECT_EQ(TfConfig::Instance(), first);
  EXPECT_EQ(std::pair(first->PageControl1->currentIndex(), first->PageControl2->currentIndex()), std::pair(3, 0));
  OpenImageBrowser(Main(), {})->deleteLater();
  ImageBrowserHooks().ShowGraphicsOptions();  // the image browser's "Edit" without a program
  EXPECT_EQ(std::pair(first->PageControl1->currentIndex(), first->PageControl2->currentIndex()), std::pair(3, 1));
  EXPECT_EQ(Main().DocumentCounter, 4);
  EXPECT_EQ(first->windowTitle(), "CfgScreen");
}

TEST_F(OptionsScreen, GutterMarginAndCharsetEdgeCases) {
  Ini().WriteInteger("Margin", "Right", 120);
  Ini().WriteInteger("Font", "CharSet", 100);
  TfConfig& s = Screen();
  EXPECT_EQ(s.SpinEdit2->value(), 60);  // the width is missing: twice the design value
  s.SpinEdit2->setValue(61);
  EXPECT_EQ(Key("Gutter", "Width"), "30");
  EXPECT_EQ(s.SpinEdit4->value(), 120);

  s.CheckBox9->click();  // off
  EXPECT_EQ(std::tuple(Key("Margin", "Enabled"), Key("Margin", "Right")), std::tuple("0", "-1"));
  EXPECT_TRUE(s.SpinEdit4->isHidden());
  s.CheckBox9->click();  // on: 80 whatever was there
  EXPECT_EQ(std::tuple(Key("Margin", "Enabled"), Key("Margin", "Right")), std::tuple("1", "80"));
  EXPECT_EQ(s.SpinEdit4->value(), 80);
  EXPECT_FALSE(s.SpinEdit4->isHidden());

  EXPECT_EQ(s.ComboBox1->count(), 19);
  EXPECT_EQ(s.ComboBox1->currentIndex(), -1);  // 100 is none of the sets
  s.ComboBox1->setCurrentIndex(s.ComboBox1->findText("RUSSIAN_CHARSET"));
  EXPECT_EQ(Key("Font", "CharSet"), "204");
  s.ComboBox1->setCurrentIndex(-1);
  EXPECT_EQ(Key("Font", "CharSet"), "1");
  s.FontSize->setValue(12);
  EXPECT_EQ(Key("Font", "Size"), "12");
  s.SpeedButton11->click();
  EXPECT_EQ(Key("EditWindow", "BGCol"), "<none>");  // written empty: read as the default
}

TEST_F(OptionsScreen, CheckBoxesWriteTheirKeysAndTheMainWindowFollows) {
  TfConfig& s = Screen();
  const struct {
    QCheckBox* box;
    const char* section;
    const char* key;
  } boxes[] = {{s.CheckBox1, "Ask", "ToSave?"},        {s.CheckBox2, "Gutter", "Vis"},
               {s.CheckBox3, "LN", "Enabled"},         {s.CheckBox4, "SHigh", "Enabled"},
               {s.CheckBox5, "Scrollhint", "Enabled"}, {s.CheckBox7, "Autoindent", "Enabled"},
               {s.CheckBox10, "SpecialChar", "Vis"},   {s.CheckBox11, "TtoSpaces", "Enabled"},
               {s.CheckBox6, "Files", "NoDoubles"},    {s.CheckBox8, "DoubleClick", "Open"},
               {s.CheckBox12, "XPLook", "Enabled?"},   {s.CheckBox13, "Show", "DocMan?"}};
  for (const auto& b : boxes) {
    const bool was = b.box->isChecked();
    b.box->click();
    EXPECT_EQ(Key(b.section, b.key), was ? "0" : "1") << b.section;
  }
  EXPECT_EQ(Main().Options().NoDoubles, s.CheckBox6->isChecked());
  EXPECT_EQ(Main().Options().DoubleClickOpen, s.CheckBox8->isChecked());
  EXPECT_EQ(MainFlatLook(&Main())->Active(), s.CheckBox12->isChecked());
}

TEST_F(OptionsScreen, ProgramPathsTypedAreWrittenAtCloseOnly) {
  Ini().WriteString("GFX", "Path", "/old/gfx");
  Screen().Edit1->setText("/elements.dat");
  Close();
  EXPECT_EQ(std::tuple(Key("FTP", "Path"), Key("GFX", "Path"), Key("Elements", "Path"), Key("WEB", "Path")),
            std::tuple("<none>", "/old/gfx", root + "elements/elements.dat", "<none>"));
  TfConfig& s = Screen();
  s.Edit11->setText("/set/by/code");  // not typed: no flag
  QTest::keyClicks(s.Edit4, "/usr/bin/ftp");
  EXPECT_EQ(Key("FTP", "Path"), "<none>");
  Close();
  EXPECT_EQ(std::tuple(Key("FTP", "Path"), Key("GFX", "Path"), Key("WEB", "Path")),
            std::tuple("/usr/bin/ftp", "/set/by/code", "<none>"));
  QTest::keyClicks(Screen().Edit5, "/usr/bin/web");
  Close();
  EXPECT_EQ(Key("WEB", "Path"), "/usr/bin/web");
}

TEST_F(OptionsScreen, BrowserList) {
  const QString list = root + "browserlist.dat";
  TfConfig& s = Screen();
  const auto add = [&](const QString& program) {
    AnswerFileDialog("OpenDialog1", {program});
    s.SpeedButton8Click();
  };
  // No list yet: the file is made with the one line.
  AnswerName("Fire fox");
  add(MakeFile("firefox"));
  EXPECT_EQ(ReadFileBytes(list), "Fire fox#" + (root + "docs/firefox").toUtf8() + "\r\n");
  EXPECT_EQ(Key("WEB", "Path"), root + "docs/firefox");
  EXPECT_EQ(Main().BrowserPop->actions().size(), 1);
  // The same program again: only WEB / Path is written.
  Ini().WriteString("WEB", "Path", "other");
  prompts.AnswerDialog("fDosPrompt", [](QDialog&) -> int {
    ADD_FAILURE() << "asked";
    return 0;
  });
  add(root + "docs/firefox");
  EXPECT_EQ(Key("WEB", "Path"), root + "docs/firefox");
  EXPECT_EQ(s.ListBox3->count(), 1);
  // Cancel adds nothing; a name with "#" is asked again.
  prompts.AnswerDialog("fDosPrompt", [](QDialog&) { return int(QDialog::Rejected); });
  add(MakeFile("lynx"));
  EXPECT_EQ(s.ListBox3->count(), 1);
  int asked = 0;
  prompts.AnswerDialog("fDosPrompt", [&asked](QDialog& d) {
    static_cast<TfDosPrompt&>(d).Edit1->setText(asked++ ? "Opera" : "Op#era");
    return int(QDialog::Accepted);
  });
  add(MakeFile("opera"));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(prompts.Messages().last().text, "BrwNameHash");
  EXPECT_EQ(Items(s.ListBox3), QStringList({"Fire fox#" + root + "docs/firefox", "Opera#" + root + "docs/opera"}));
  // Removing keeps every other entry's name; the default is the path part.
  s.ListBox3->setCurrentRow(0);
  s.ListBox3DblClick();
  EXPECT_EQ(ReadFileBytes(list), "Opera#" + (root + "docs/opera").toUtf8() + "\r\n");
  EXPECT_EQ(Main().BrowserPop->actions().size(), 1);
  s.ListBox3->setCurrentRow(0);
  s.SpeedButton7Click();
  EXPECT_EQ(Key("WEB", "Path"), root + "docs/opera");
  EXPECT_EQ(s.Edit5->text(), root + "docs/opera");
}

// A pipe or a link to a device in the browser list's place is left as it is,
// and a file to import into a library entry that is one is refused at once:
// each in the module's words naming it.
TEST_F(OptionsScreen, PipesAndDevicesAreNeverWaitedOn) {
  TFifoWatch fifos;
  const QString list = root + "browserlist.dat";
  ASSERT_TRUE(fifos.Make(list));
  TfConfig& s = Screen();
  AnswerName("Lynx");
  AnswerFileDialog("OpenDialog1", {MakeFile("lynx")});
  s.SpeedButton8Click();
  ASSERT_FALSE(prompts.Messages().isEmpty());
  EXPECT_EQ(prompts.Messages().last().text, list + " NotRegularFile");
  EXPECT_EQ(EntryKind(list), 'p');

  const QString pipe = root + "docs/pipe.txt";
  ASSERT_TRUE(fifos.Make(pipe));
  const QString toNull = root + "docs/to-null.txt";
  if (const std::string why = MakeDeviceNode(root + "null", TDeviceNode::Null); !why.empty()) GTEST_SKIP() << why;
  ASSERT_TRUE(QFile::link(root + "null", toNull));
  Tcc cc;
  cc.codeman->SetText("keep");
  for (const QString& path : {pipe, toNull}) {
    AnswerFileDialog("OpenDialog1", {path});
    cc.SpeedButton1Click();
    EXPECT_EQ(prompts.Messages().last().text, path + " NotRegularFile");
  }
  EXPECT_EQ(prompts.Messages().size(), 3);
  EXPECT_EQ(cc.codeman->Text(), "keep");
  EXPECT_EQ(fifos.Opened(), QStringList());
  EXPECT_EQ(EntryKind(pipe), 'p');
  EXPECT_EQ(EntryKind(toNull), 'l');
}

TEST_F(OptionsScreen, LanguageModuleChosenOrNot) {
  TfConfig& s = Screen();
  Main().UICharset = 99;
  prompts.AnswerDialog("OpenDialog1", [](QDialog&) { return int(QDialog::Rejected); });
  s.SpeedButton5Click();
  EXPECT_EQ(Main().UICharset, 1);  // the character set is applied again all the same
  EXPECT_TRUE(prompts.Messages().isEmpty());
  // A file that is no module is refused: the program keeps its texts.
  const QString junk = root + "Language Modules/junk.lms";
  static const char elf[] =
      "\x7f"
      "ELF\x02\x01\x01\0\0\0\n\x03\0>\0\x01\0\0\0 \xf5\x01\0\n";
  WriteFileBytes(junk, QByteArray(elf, sizeof elf - 1));
  AnswerFileDialog("OpenDialog1", {junk});
  s.SpeedButton5Click();
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages().last().text, "LangModBad " + junk);
  EXPECT_EQ(prompts.Messages().last().kind, 2);
  EXPECT_EQ(Key("TranslationModule", "Path"), root + "Language Modules/test.lms");
  EXPECT_EQ(s.windowTitle(), "CfgScreen");
  const QString other = root + "Language Modules/other.lms";
  WriteFileBytes(other,
                 "btOk                OK\r\nCfgScreen           Einstellungen\r\nCBConf7             Einzug\r\n"
                 "SyncReady           ok\r\n");
  AnswerFileDialog("OpenDialog1", {other});
  s.SpeedButton5Click();
  EXPECT_EQ(Key("TranslationModule", "Path"), other);
  EXPECT_EQ(s.Edit10->text(), other);
  EXPECT_EQ(s.CheckBox7->text(), "Einzug");
  EXPECT_EQ(prompts.Messages().last().text, "ok");
}

// ------------------------------------------------------------ code library

class CodeLibrary : public OptionsScreen {
 protected:
  TCodeInsidePage& Page() { return *Screen().CodeInside; }
  // Replaces the editor's text as typing does.
  static void Type(TCodeInsidePage& p, const QString& text) {
    p.Memo1->SelectAll();
    p.Memo1->SetSelText(text);
  }
  void WriteLibrary(const QByteArray& bytes) {
    QDir().mkpath(root + "CodeC");
    WriteFileBytes(root + "CodeC/codeinside.dci", bytes);
  }
  void AnswerEntry(const QString& key, const QString& comment, const QString& text) {
    prompts.AnswerDialog("Tcc", [=](QDialog& d) {
      auto& cc = static_cast<Tcc&>(d);
      cc.Edit1->setText(key);
      cc.Edit2->setText(comment);
      cc.codeman->SetText(text);
      cc.Button1->click();
      return cc.result();
    });
  }
};

TEST_F(CodeLibrary, AddWritesEveryTemplateAndTheNewOne) {
  AnswerEntry("t a b", "A table", "<table>\r\n</table>");
  Page().Button4Click();
  AnswerEntry("br", "Break", "<br>");
  Page().Button4Click();
  EXPECT_EQ(Library(), "[tab | A table]\r\n<table>\r\n</table>\r\n\r\n[br | Break]\r\n<br>\r\n\r\n");
  EXPECT_EQ(Items(Page().ListBox1), QStringList({"tab", "br"}));
  EXPECT_EQ(Items(Page().ListBox2), QStringList({"A table", "Break"}));
  EXPECT_EQ(prompts.Messages().last().text, "CCUpARLstb");  // the documents were told
  // Cancel writes nothing.
  prompts.AnswerDialog("Tcc", [](QDialog&) { return int(QDialog::Rejected); });
  Page().Button4Click();
  EXPECT_EQ(Page().ListBox1->count(), 2);
}

TEST_F(CodeLibrary, TheEntryDialogRefusesWhatWouldNotReadBack) {
  Tcc cc;
  cc.Edit1->setText("   ");
  cc.codeman->SetText("x");
  cc.Button1Click();
  EXPECT_FALSE(cc.Ok);
  cc.Edit1->setText("k");
  cc.codeman->SetText("ok\r\n[k | new]");
  cc.Button1Click();
  EXPECT_FALSE(cc.Ok);
  EXPECT_EQ(prompts.Messages().size(), 2);
  EXPECT_EQ(prompts.Messages()[0].text, "CCNoKey");
  EXPECT_EQ(prompts.Messages()[1].text, "CCBracketLine");
  // Importing replaces the text and keeps the key and the comment.
  cc.Edit2->setText("c");
  prompts.AnswerDialog("OpenDialog1", [this](QDialog& d) {
    static_cast<QFileDialog&>(d).selectFile(MakeFile("snippet.txt", "one\r\ntwo\r\n"));
    return int(QDialog::Accepted);
  });
  cc.SpeedButton1Click();
  EXPECT_EQ(cc.codeman->Lines().ToStringList(), QStringList({"one", "two"}));
  EXPECT_EQ(std::pair(cc.Edit1->text(), cc.Edit2->text()), std::pair(QString("k"), QString("c")));
  cc.Button1Click();
  EXPECT_TRUE(cc.Ok);
}

TEST_F(CodeLibrary, PhpBlockRunsToItsClosingTag) {
  Tcc cc;
  cc.codeman->SetText("<?php $a->b; ?><p>");
  TSrcMultiHighlighter& m = *cc.SrcMultiHighlighter1;
  const auto language = [&](int column) {
    QString token;
    int kind = 0, start = 0;
    TSrcHighlighterAttributes* a = nullptr;
    cc.codeman->GetTokenAttributeAt(TPoint{column, 1}, token, kind, start, a);
    for (int i = 0; i < m.Schemes().Count(); ++i) {
      TSrcCustomHighlighter* h = m.Schemes().Items(i)->Highlighter();
      for (int j = 0; j < h->GetAttributeCount(); ++j)
        if (h->GetAttribute(j) == a) return h->GetLanguageName();
    }
    return QString("other");
  };
  const QString php = m.Schemes().Items(5)->Highlighter()->GetLanguageName();
  EXPECT_EQ(language(11), php);  // "b" after "->"
  EXPECT_NE(language(17), php);  // "p" after "?>"
}

TEST_F(CodeLibrary, EditsAreNotLostSilently) {
  WriteLibrary("[a | x]\r\nA\r\n\r\n[b | y]\r\nB\r\n\r\n");
  const QByteArray before = ReadFileBytes(root + "CodeC/codeinside.dci");
  TCodeInsidePage& p = Page();
  p.ListBox1Click(0);
  EXPECT_FALSE(p.HasUnsavedEdits());  // showing a template is no edit
  Type(p, "A2");
  EXPECT_TRUE(p.HasUnsavedEdits());
  prompts.Answer("DoYou", 7);
  p.ListBox2Click(1);  // a comment click asks as well
  EXPECT_EQ(ReadFileBytes(root + "CodeC/codeinside.dci"), before);
  EXPECT_EQ(p.Memo1->Text(), "B");
  // A line beginning with "[" is refused and stays on screen.
  Type(p, "[B");
  EXPECT_FALSE(p.SpeedButton1Click());
  EXPECT_EQ(prompts.Messages().last().text, "CCBracketLine");
  EXPECT_TRUE(p.HasUnsavedEdits());
  // Closing asks too: an edit that cannot be written keeps the screen open, Yes writes it.
  prompts.Answer("DoYou", 6);
  EXPECT_FALSE(Screen().close());
  EXPECT_NE(TfConfig::Instance(), nullptr);
  Type(p, "B2");
  prompts.Answer("DoYou", 6);
  Close();
  EXPECT_EQ(Library(), "[a | x]\r\nA\r\n\r\n[b | y]\r\nB2\r\n\r\n");
}

// Closing the main window closes the options screen first, with its
// question; a refused close keeps both open.
TEST_F(CodeLibrary, ClosingTheMainWindowAsksAboutEdits) {
  WriteLibrary("[a | x]\r\nA\r\n\r\n");
  TCodeInsidePage& p = Page();
  p.ListBox1Click(0);
  Type(p, "[A");  // cannot be written: the edits stay, the exit stops
  prompts.Answer("DoYou", 6);
  EXPECT_FALSE(Main().close());
  EXPECT_NE(TfConfig::Instance(), nullptr);
  Type(p, "A2");
  prompts.Answer("ExitMsg", 7);
  EXPECT_FALSE(Main().close());
  EXPECT_EQ(Library(), "[a | x]\r\nA2\r\n\r\n");
}

TEST_F(CodeLibrary, DeleteImportAndExport) {
  WriteLibrary("[a | x]\r\nA\r\n\r\n");
  TCodeInsidePage& p = Page();
  p.Button1Click();  // nothing selected
  EXPECT_EQ(p.ListBox1->count(), 1);
  p.ListBox1Click(0);
  p.Button1Click();  // the last template
  EXPECT_EQ(Library(), "");
  EXPECT_EQ(p.ListBox1->count(), 0);
  // Import with Cancel still shows what the file holds now.
  WriteLibrary("[n | new]\r\nN\r\n");
  prompts.AnswerDialog("OpenDialog1", [](QDialog&) { return int(QDialog::Rejected); });
  p.SpeedButton2Click();
  EXPECT_EQ(Items(p.ListBox1), QStringList{"n"});
  const QString other = MakeFile("other.dci", "[o | other]\r\nO\r\n");
  AnswerFileDialog("OpenDialog1", {other});
  p.SpeedButton2Click();
  EXPECT_EQ(Items(p.ListBox2), QStringList{"other"});
  const QString exported = root + "docs/out.dci";
  AnswerFileDialog("SaveDialog1", {exported});
  p.SpeedButton3Click();
  EXPECT_EQ(ReadFileBytes(exported), "[o | other]\r\nO\r\n");
}

// ------------------------------------------------------------ document window settings

TEST_F(OptionsScreen, TidyPanelSizeIsKeptWhenThePanelIsHiddenAndWriteFailuresAreReported) {
  Ini().WriteBool("HTMLTidy", "Enabled", true);
  Ini().WriteInteger("HTMLTidy", "Size", 90);
  Ini().WriteBool("Ask", "ToSave?", false);
  Main().ToolButton33Click();
  TChildForm* doc = Main().ActiveDocument();
  QCoreApplication::processEvents();
  auto* split = qobject_cast<QSplitter*>(doc->TidyPanel->parentWidget());
  split->setSizes({split->height() - 70, 70});
  doc->findChild<QAction*>("ToolButton20")->setChecked(false);
  ASSERT_TRUE(doc->TidyPanel->isHidden());
  doc->close();
  EXPECT_EQ(Ini().ReadInteger("HTMLTidy", "Size", 0), 70);

  Main().ToolButton33Click();
  QFile::remove(Settings::FileName());
  QDir().mkpath(Settings::FileName());  // settings.ini cannot be written now
  Main().ActiveDocument()->SelectionItems[2]->trigger();
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  QDir().rmdir(Settings::FileName());
}

}  // namespace

TEST_F(OptionsScreen, FontBoxesShowTheFontsDrawnWhenNoneIsStored) {
  // Without Courier New or Verdana on the system and without stored names,
  // the boxes show the families the system draws instead, never nothing.
  TfConfig& s = Screen();
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const QString verdana = QFontInfo(QFont(QStringLiteral("Verdana"))).family();
  if (s.CBFont->findText(fixed.family(), Qt::MatchFixedString) < 0 &&
      s.CBFont->findText(QFontInfo(fixed).family(), Qt::MatchFixedString) < 0)
    GTEST_SKIP() << "the system's fixed font is not among its fixed-pitch fonts";
  EXPECT_GE(s.CBFont->currentIndex(), 0);
  if (s.FrFontComboBox1->findText(verdana, Qt::MatchFixedString) >= 0) {
    EXPECT_GE(s.FrFontComboBox1->currentIndex(), 0);
  }
}
