// Tests of TChildForm, the document window (app/document/Child.cpp).
#include <QCoreApplication>
#include <QSet>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include "app/document/Child.h"
#include "app/document/Documents.h"
#include "editor/SrcEditAutoComplete.h"
#include "tests/app/AppFixture.h"

namespace {

class ChildForm : public AppFixture {
 protected:
  std::unique_ptr<TChildForm> Form() {
    auto form = std::make_unique<TChildForm>();
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    return form;
  }
};

TEST_F(ChildForm, SettingsReachTheEditor) {
  {
    auto f = Form();                                  // nothing set: the design state
    EXPECT_EQ(f->Memo1->RightEdgeColor(), 0xC0C0C0);  // Margin / Enabled missing: grey
    EXPECT_EQ(f->Memo1->SelectionMode(), smNormal);
    EXPECT_EQ(f->Memo1->TabWidth(), 1);
    EXPECT_EQ(f->Memo1->Gutter().LeftOffset(), 15);
    EXPECT_FALSE(f->Memo1->HasOption(eoTabsToSpaces));
    EXPECT_FALSE(f->TidyPanel->isVisibleTo(f.get()));
  }
  TIniFile ini = Ini();
  ini.WriteBool("Margin", "Enabled", false);
  ini.WriteInteger("Margin", "Right", 72);
  ini.WriteInteger("SelectionMode", "Set", 2);
  ini.WriteInteger("BlockIndent", "Width", 4);
  ini.WriteInteger("Gutter", "Width", 30);
  ini.WriteBool("TtoSpaces", "Enabled", true);
  ini.WriteBool("Autoindent", "Enabled", false);
  ini.WriteBool("LN", "Enabled", false);
  ini.WriteBool("HTMLTidy", "Enabled", true);
  ini.WriteInteger("EditWindow", "BGCol", 0x00FFFF);  // yellow
  ini.WriteInteger("Font", "Color", 0xFF0000);        // blue
  auto f = Form();
  // The colours reach the painting: the text area is yellow, the text blue.
  f->Memo1->SetLines({"WWWWWWWW"});
  f->resize(400, 300);
  f->show();
  QCoreApplication::processEvents();
  const QImage image = f->Memo1->viewport()->grab().toImage();
  const int textLeft = f->Memo1->Gutter().RealGutterWidth(f->Memo1->CharWidth()) + 2;
  EXPECT_EQ(image.pixelColor(textLeft + 200, image.height() - 5), QColor(Qt::yellow));
  bool blue = false;
  for (int x = textLeft; x < textLeft + 8 * f->Memo1->CharWidth() && !blue; ++x)
    for (int y = 0; y < f->Memo1->LineHeight() && !blue; ++y) {
      const QColor c = image.pixelColor(x, y);  // smoothed edges mix in the background
      blue = c.blue() > 150 && c.red() < 100 && c.green() < 100;
    }
  EXPECT_TRUE(blue);
  EXPECT_EQ(f->Memo1->RightEdgeColor(), 0xFFFFFF);
  EXPECT_EQ(f->Memo1->RightEdge(), 72);
  EXPECT_EQ(f->Memo1->SelectionMode(), smColumn);
  EXPECT_TRUE(f->SelectionItems[2]->isChecked());
  EXPECT_FALSE(f->SelectionItems[0]->isChecked());
  EXPECT_EQ(f->Memo1->TabWidth(), 4);
  EXPECT_EQ(f->Memo1->Gutter().LeftOffset(), 30);
  EXPECT_TRUE(f->Memo1->HasOption(eoTabsToSpaces));
  EXPECT_FALSE(f->Memo1->HasOption(eoAutoIndent));
  EXPECT_FALSE(f->Memo1->Gutter().ShowLineNumbers());
  EXPECT_TRUE(f->TidyPanel->isVisibleTo(f.get()));
  // A selection mode outside 0..2 changes nothing.
  ini.WriteInteger("SelectionMode", "Set", 5);
  EXPECT_EQ(Form()->Memo1->SelectionMode(), smNormal);
}

TEST_F(ChildForm, HighlighterByExtensionIsCaseSensitiveAndOptional) {
  auto f = Form();
  Ini().WriteBool("SHigh", "Enabled", false);
  f->SetHighlighterForFile("page.html");
  EXPECT_EQ(f->Memo1->Highlighter(), nullptr);  // switched off
  Ini().DeleteKey("SHigh", "Enabled");
  f->SetHighlighterForFile("page.html");  // missing: on, as the options screen shows it
  EXPECT_EQ(f->CheckedHighlighter(), QStringLiteral("HTML"));
  f->Memo1->SetHighlighter(nullptr);
  Ini().WriteBool("SHigh", "Enabled", true);
  f->SetHighlighterForFile("page.PHP");
  EXPECT_EQ(f->CheckedHighlighter(), QStringLiteral("HTML"));
  EXPECT_EQ(f->Memo1->Highlighter(), f->SrcHTMLHighlighter1);
  ASSERT_NE(f->SrcHTMLHighlighter1, nullptr);
  f->SetHighlighterForFile("page.php");
  EXPECT_EQ(f->CheckedHighlighter(), QStringLiteral("PHP"));
  for (const auto& [name, code] : std::vector<std::pair<QString, QString>>{{"a.css", "CSS"},
                                                                           {"a.xslt", "XML"},
                                                                           {"a.js", "JS"},
                                                                           {"a.sql", "SQL"},
                                                                           {"a.inc", "PHP"},
                                                                           {"a.vbs", "VBS"},
                                                                           {"a.txt", "HTML"},
                                                                           {"HTML", "HTML"},
                                                                           {"a.htm", "HTML"}}) {
    f->SetHighlighterForFile(name);
    EXPECT_EQ(f->CheckedHighlighter(), code) << name.toStdString();
  }
}

TEST_F(ChildForm, StatusPanels) {
  EXPECT_EQ(TChildForm::CaretText(12, 3), QStringLiteral("Ln:    12, Col:  3"));
  auto f = Form();
  f->show();
  EXPECT_EQ(f->PanelText(2), QStringLiteral("DocStateI"));
  f->ToggleInsertMode();
  EXPECT_EQ(f->PanelText(2), QStringLiteral("DocStateO"));
  f->ToggleInsertMode();
  EXPECT_EQ(f->PanelText(2), QStringLiteral("DocStateI"));
  f->SetCaption("/site/a.html");
  EXPECT_EQ(f->PanelText(3), QStringLiteral("/site/a.html"));
  EXPECT_EQ(f->windowTitle(), QStringLiteral("/site/a.html"));
  f->Memo1->SetSelText("x");
  EXPECT_TRUE(f->Modified);
  EXPECT_EQ(f->PanelText(1), QStringLiteral("DocStatusNow"));
}

TEST_F(ChildForm, SaveKeepsLineBreaksAndEncoding) {
  const QByteArray unix = "<p>caf\xe9</p>\n<p>two</p>\n";  // Windows-1252, LF
  const QString path = MakeFile("unix.html", unix);
  auto f = Form();
  f->LoadFile(path);
  f->SetCaption(path);
  EXPECT_FALSE(f->Modified);
  f->Memo1->SetCaretXY({1, 2});
  f->Memo1->SetSelText("<br>");
  ASSERT_TRUE(f->Modified);
  f->SaveFile();
  EXPECT_FALSE(f->Modified);
  EXPECT_TRUE(f->PanelText(1).isEmpty());
  EXPECT_EQ(ReadFileBytes(path), QByteArray("<p>caf\xe9</p>\n<br><p>two</p>\n"));

  // A new document is written with CR LF in UTF-8 without a byte-order mark.
  auto n = Form();
  n->Memo1->SetLines({QString::fromUtf8("<p>\xc3\xa9t\xc3\xa9</p>"), "x"});
  n->SetCaption(root + "docs/new.html");
  n->SaveFile();
  EXPECT_EQ(ReadFileBytes(root + "docs/new.html"), QByteArray("<p>\xc3\xa9t\xc3\xa9</p>\r\nx\r\n"));
}

TEST_F(ChildForm, FailedSaveRaisesAndKeepsTheDocumentModified) {
  auto f = Form();
  f->Memo1->SetSelText("text");
  f->SetCaption(root + "no/such/folder/x.html");
  EXPECT_THROW(f->SaveFile(), EStreamError);
  EXPECT_TRUE(f->Modified);
  EXPECT_EQ(f->PanelText(1), QStringLiteral("DocStatusNow"));
}

TEST_F(ChildForm, CloseQuestion) {
  const QString path = MakeFile("about.htm");
  auto f = Form();
  f->LoadFile(path);
  f->SetCaption(path);
  // Unmodified: closes without a question.
  EXPECT_TRUE(f->FormCloseQuery());
  EXPECT_TRUE(prompts.Messages().isEmpty());
  f->Memo1->SetSelText("x");
  f->ShowPreview();
  const QString preview = root + "docs/kvx_tmp~about.html";
  ASSERT_TRUE(QFileInfo::exists(preview));
  // Ask / ToSave? missing: the question is asked; No keeps the window, yet
  // its preview files are gone already.
  EXPECT_FALSE(f->FormCloseQuery());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, QStringLiteral("Sluiten1 about.htm Sluiten2"));
  EXPECT_EQ(prompts.Messages()[0].kind, 10);
  EXPECT_FALSE(QFileInfo::exists(preview));
  prompts.Answer("Sluiten1 about.htm Sluiten2", 6);
  EXPECT_TRUE(f->FormCloseQuery());
  // Switched off: closes without asking.
  Ini().WriteBool("Ask", "ToSave?", false);
  EXPECT_TRUE(f->FormCloseQuery());
  EXPECT_EQ(prompts.Messages().size(), 2);
  EXPECT_EQ(ReadFileBytes(path), QByteArray("<html></html>\r\n"));  // closing never saves
}

TEST_F(ChildForm, PopupCommands) {
  auto f = Form();
  f->Memo1->SetLines({"ab text cd"});
  f->Memo1->SetSelStart(4);
  f->Memo1->SetSelEnd(8);
  f->Commenttext1Click();
  EXPECT_EQ(f->Memo1->Lines().Get(0), QStringLiteral("ab <!-- text --> cd"));
  EXPECT_EQ(f->Memo1->SelStart(), 13);  // the old end plus 5: before " -->"
  f->Memo1->Undo();
  EXPECT_EQ(f->Memo1->Lines().Get(0), QStringLiteral("ab text cd"));

  f->Memo1->SetLines({"<P>Hello</P>"});
  f->Setdocumentinlowercase1Click();  // unanswered: nothing changes
  EXPECT_EQ(f->Memo1->Lines().Get(0), QStringLiteral("<P>Hello</P>"));
  EXPECT_EQ(prompts.Messages().last().kind, 1);
  prompts.Answer("LowerCase", 6);
  f->Setdocumentinlowercase1Click();
  EXPECT_EQ(f->Memo1->Lines().Get(0), QStringLiteral("<p>hello</p>"));
}

}  // namespace

namespace {

TEST_F(ChildForm, CodeTemplatesAndBlockIndent) {
  // The shipped library: every template has a name, one caret mark and a
  // body, and Ctrl+J expands it.
  QDir(root).mkpath("CodeC");
  QFile::copy(QStringLiteral(KV_SOURCE_DIR "/data/CodeC/codeinside.dci"), root + "CodeC/codeinside.dci");
  auto f = Form();
  const QStringList names = f->AutoComplete->TemplateNames();
  ASSERT_GE(names.size(), 20);
  EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size());
  for (const QString& text : f->AutoComplete->TemplateTexts()) EXPECT_EQ(text.count(u'|'), 1) << text.toStdString();

  f->Memo1->SetLines({"  ul"});
  f->Memo1->SetCaretXY(TPoint{5, 1});
  QTest::keyClick(f->Memo1, Qt::Key_J, Qt::ControlModifier);
  EXPECT_EQ(f->Memo1->Lines().ToStringList(), QStringList({"  <ul>", "    <li></li>", "    <li></li>", "  </ul>"}));
  EXPECT_EQ(f->Memo1->CaretXY(), (TPoint{9, 2}));

  // Tab and Shift+Tab move a selected block; line numbers widen.
  f->Memo1->SetLines({"a", "b", "c"});
  f->Memo1->SetBlockBegin(TPoint{1, 1});
  f->Memo1->SetBlockEnd(TPoint{2, 3});
  QTest::keyClick(f->Memo1, Qt::Key_Tab);
  EXPECT_EQ(f->Memo1->Lines().ToStringList(), QStringList({"\ta", "\tb", "\tc"}));
  QTest::keyClick(f->Memo1, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(f->Memo1->Lines().ToStringList(), QStringList({"a", "b", "c"}));
  EXPECT_TRUE(f->Memo1->Gutter().AutoSize());

  // Without the library the window opens with no templates.
  QFile::remove(root + "CodeC/codeinside.dci");
  EXPECT_TRUE(Form()->AutoComplete->TemplateNames().isEmpty());
}

}  // namespace

// Opening a file of each language attaches that language's highlighter, ticks
// it in the document's menu, and paints its tokens in their colours.
TEST_F(ChildForm, EachLanguageIsColouredByItsOwnHighlighter) {
  struct Case {
    const char* file;
    QByteArray text;
    const char* code;
    const char* language;
  };
  const Case cases[] = {
      {"page.html", "<body class=\"wide\">text</body>\n", "HTML", "HTML document"},
      {"style.css", "body { color: red; } /* note */\n", "CSS", "Cascading style sheets"},
      {"code.js", "function f() { return \"text\"; } // note\n", "JS", "Javascript"},
      {"data.xml", "<item name=\"value\">text</item>\n", "XML", "XML document"},
      {"query.sql", "SELECT name FROM people; -- note\n", "SQL", "SQL"},
      {"page.php", "<?php function f() { return 'text'; } ?>\n", "PHP", "PHP"},
      {"tool.vbs", "Dim name: name = \"text\" ' note\n", "VBS", "MS VBScript"},
  };
  Ini().WriteBool("SHigh", "Enabled", true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TChildForm* f = Main().OpenDocument(false, true, MakeFile(c.file, c.text));
    ASSERT_NE(f, nullptr);
    TSrcCustomHighlighter* h = f->Memo1->Highlighter();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->GetLanguageName(), QLatin1String(c.language));
    EXPECT_EQ(f->CheckedHighlighter(), QLatin1String(c.code));
    // Painted with its attributes: not as plain text, and a colour of its own
    // where the language gives one.
    f->Memo1->resize(500, 120);
    const QImage shot = f->Memo1->viewport()->grab().toImage();
    f->Memo1->SetHighlighter(nullptr);
    EXPECT_NE(f->Memo1->viewport()->grab().toImage(), shot);
    f->Memo1->SetHighlighter(h);
    TSrcHighlighterAttributes* coloured = nullptr;  // of the longest coloured token
    for (int x = 1, longest = 0; x <= c.text.size(); ++x) {
      QString token;
      int kind = 0, start = 0;
      TSrcHighlighterAttributes* a = nullptr;
      if (f->Memo1->GetTokenAttributeAt({x, 1}, token, kind, start, a) && a && a->Foreground() != clNone &&
          a->Foreground() != clBlack && token.size() > longest) {
        longest = static_cast<int>(token.size());
        coloured = a;
      }
    }
    if (coloured) {
      // Glyph edges are smoothed: count pixels near the colour.
      const QColor want = ToQColor(coloured->Foreground());
      int hits = 0;
      for (int y = 0; y < shot.height(); ++y)
        for (int px = 0; px < shot.width(); ++px) {
          const QColor got = shot.pixelColor(px, y);
          hits += std::abs(got.red() - want.red()) + std::abs(got.green() - want.green()) +
                      std::abs(got.blue() - want.blue()) <
                  60;
        }
      EXPECT_GT(hits, 10);
    }
    f->Modified = false;
    f->close();
  }
}

namespace {

TEST_F(ChildForm, UndoAndRedoKeys) {
  // Ctrl+Z undoes, Ctrl+Shift+Z redoes; Ctrl+Y deletes the line as the
  // keystroke table says, and Alt+Backspace is no key in documents.
  auto f = Form();
  TSrcEdit& memo = *f->Memo1;
  memo.SetLines({"one", "two"});
  QTest::keyClicks(&memo, QStringLiteral("ab"));
  EXPECT_EQ(memo.Lines().ToStringList(), QStringList({"abone", "two"}));
  QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(memo.Lines().ToStringList(), QStringList({"one", "two"}));
  QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(memo.Lines().ToStringList(), QStringList({"abone", "two"}));
  QTest::keyClick(&memo, Qt::Key_Backspace, Qt::AltModifier);
  EXPECT_EQ(memo.Lines().ToStringList(), QStringList({"abone", "two"}));
  QTest::keyClick(&memo, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(memo.Lines().ToStringList(), QStringList({"two"}));
}

}  // namespace
