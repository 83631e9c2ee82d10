// Tests of the imports and previews (app/document/ImportsPreviews.cpp).
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMenu>
#include <QProgressDialog>
#include <QTimer>
#include <functional>

#include "app/document/Documents.h"
#include "app/document/ImportsPreviews.h"
#include "app/shell/Frame.h"
#include "tests/app/AppFixture.h"

namespace {

using ExternalPreviews::TBrowserEntry;

TEST(ExternalPreviews, BrowserListLines) {
  const QList<TBrowserEntry> expected = {
      {"Firefox", "/usr/bin/firefox"}, {"", "/usr/bin/lynx"}, {"Odd", "/opt/a#b"}, {"", ""}};
  EXPECT_EQ(
      ExternalPreviews::ParseBrowserList(" Firefox # /usr/bin/firefox \r\n\r\n   \n/usr/bin/lynx\nOdd#/opt/a#b\n#"),
      expected);
  EXPECT_EQ(ExternalPreviews::FileName(12), QStringLiteral("korvex_temp12.html"));
}

// A small letter in rich text and the HTML it becomes.
const QByteArray kLetter =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\fs20 Dear <reader>,\\par \\b bold\\b0  & plain\\par}";
const QStringList kLetterHtml = {
    "<font color=\"#000000\" size=\"3\" face=\"Arial\">",
    "<br><font color=\"#000000\" size=\"2\" face=\"Arial\">Dear &lt;reader&gt;,",
    // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line of HTML in two pieces
    "<br></font><font color=\"#000000\" size=\"2\" face=\"Arial\"><b>bold</b></font>"
    "<font color=\"#000000\" size=\"2\" face=\"Arial\"> & plain",
    "</font>",
    "",
    "</font>",
};

class ImportTest : public AppFixture {
 protected:
  // Puts a converter named "soffice" on the PATH that writes `rtf` (or
  // nothing, when empty) as the rich-text form of the document.
  void FakeConverter(const QByteArray& rtf, const QByteArray& first = "") {
    const QString bin = root + "bin/";
    QDir().mkpath(bin);
    WriteFileBytes(bin + "made.rtf", rtf);
    QByteArray script = "#!/bin/sh\n" + first;
    if (!rtf.isEmpty())
      script += "for last; do :; done\nbase=$(basename \"$last\")\ncp \"" + (bin + "made.rtf").toUtf8() +
                "\" \"$5/${base%.*}.rtf\"\n";
    WriteFileBytes(bin + "soffice", script);
    QFile::setPermissions(bin + "soffice", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    oldPath = qgetenv("PATH");
    qputenv("PATH", (bin + ":").toUtf8() + oldPath);
  }
  void TearDown() override {
    if (!oldPath.isNull()) qputenv("PATH", oldPath);
    AppFixture::TearDown();
  }
  QStringList Lines(TChildForm* doc) { return doc->Memo1->Lines().ToStringList(); }
  QByteArray oldPath;
};

TEST_F(ImportTest, RichTextBecomesHtml) {
  EXPECT_EQ(::Imports::RtfToHtml(MakeFile("letter.rtf", kLetter), "Mono"), kLetterHtml);
}

TEST_F(ImportTest, OpenedRichTextFillsTheNewDocumentsBody) {
  TChildForm* doc = Main().OpenDocument(false, true, MakeFile("letter.rtf", kLetter));
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->Caption(), QStringLiteral("Untitled~1"));
  ASSERT_EQ(Lines(doc).size(), 19 + kLetterHtml.size());
  EXPECT_EQ(Lines(doc).mid(12, kLetterHtml.size()), kLetterHtml);
  EXPECT_EQ(Lines(doc).mid(10, 2), QStringList({"<body>", ""}));
  EXPECT_TRUE(prompts.Messages().isEmpty());
  // Nothing of the import is left in the program folder.
  EXPECT_EQ(QDir(root).entryList({"rtfTemp*"}), QStringList());
}

TEST_F(ImportTest, IntoAnOpenDocumentAtTheCaretOrANewOne) {
  Ini().WriteBool("Ask", "ToSave?", false);
  const QString letter = MakeFile("letter.rtf", kLetter);
  TChildForm* page = Main().OpenDocument(false, true, MakeFile("a.html", "one\r\ntwo\r\n"));
  page->Memo1->SetCaretXY(TPoint{2, 2});
  page->Memo1->SetBlockBegin(TPoint{1, 1});
  page->Memo1->SetBlockEnd(TPoint{2, 2});
  AnswerFileDialog("OpenDialog2", {letter});
  prompts.Answer("ImpIntDoc1", 6);
  Main().Action("ImpRTF1")->trigger();
  EXPECT_EQ(prompts.Messages().last().kind, 1);
  QStringList expected = kLetterHtml;
  expected.first().prepend(u't');
  expected << QStringLiteral("wo");
  EXPECT_EQ(Lines(page), QStringList({"one"}) + expected);  // the selection was kept
  page->Memo1->Undo();
  EXPECT_EQ(Lines(page), QStringList({"one", "two"}));
  EXPECT_EQ(page->Memo1->SelText(), "one\r\nt");  // and the selection back
  EXPECT_EQ(page->Memo1->CaretXY(), (TPoint{2, 2}));

  // No: a new HTML document takes it at its body line.
  prompts.Answer("ImpIntDoc1", 7);
  Main().ImportRtf(letter, nullptr);
  ASSERT_EQ(Main().Documents().size(), 2);
  TChildForm* made = Main().ActiveDocument();
  EXPECT_NE(made, page);
  EXPECT_EQ(Lines(made).mid(12, kLetterHtml.size()), kLetterHtml);
  EXPECT_EQ(Lines(page), QStringList({"one", "two"}));

  // Without any document nothing is asked.
  Main().CloseAllExecute();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const int asked = static_cast<int>(prompts.Messages().size());
  Main().WMOpenParamFile(letter);
  ASSERT_EQ(Main().Documents().size(), 1);
  EXPECT_EQ(prompts.Messages().size(), asked);
  EXPECT_EQ(Lines(Main().ActiveDocument()).mid(12, kLetterHtml.size()), kLetterHtml);
}

TEST_F(ImportTest, WordDocumentsThroughTheConverter) {
  const QString doc = MakeFile("report.doc", "binary word data");
  FakeConverter(kLetter);
  TChildForm* made = Main().OpenDocument(false, true, doc);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(Lines(made).mid(12, kLetterHtml.size()), kLetterHtml);
  EXPECT_TRUE(prompts.Messages().isEmpty());
  EXPECT_EQ(ReadFileBytes(doc), QByteArray("binary word data"));
  EXPECT_EQ(QDir(root + "docs").entryList(QDir::Files), QStringList({"report.doc"}));

  // Failures into an open document: no rich text made, no converter at
  // all, no rich text to read. Each names its reason; the document stays
  // as it was.
  Ini().WriteBool("Ask", "ToSave?", false);
  prompts.Answer("ImpIntDoc1", 6);
  FakeConverter("", "echo \"Error: source file could not be loaded \u00e9\U0001F600\" >&2\nexit 1\n");
  EXPECT_FALSE(Main().ImportWordDoc(doc, nullptr));
  qputenv("PATH", (root + "nothing").toUtf8());
  EXPECT_FALSE(Main().ImportWordDoc(doc, nullptr));
  EXPECT_FALSE(Main().ImportRtf(MakeFile("bad.rtf", "{\\rtf1 {unbalanced"), nullptr));
  QStringList told;
  for (const auto& m : prompts.Messages())
    if (m.kind == 0) told << m.text;
  ASSERT_EQ(told.size(), 3);
  EXPECT_EQ(told[0], QStringLiteral("ErrorImp\nErrorImpConv\nError: source file could not be loaded \u00e9\U0001F600"));
  EXPECT_EQ(told[1], QStringLiteral("ErrorImp\nErrorImpNoConv"));
  EXPECT_TRUE(told[2].startsWith(QStringLiteral("ErrorImp\n"))) << told[2].toStdString();
  EXPECT_GT(told[2].size(), 9);  // what the rich text lacks
  EXPECT_EQ(Lines(made).size(), 19 + kLetterHtml.size());  // the document as it was
  EXPECT_EQ(Main().Documents(), QList<TChildForm*>({made}));
}

// Opening, dropping or importing a word document without a converter: the
// reason is told and no page is left behind.
TEST_F(ImportTest, AFailedImportLeavesNoPage) {
  const QString doc = MakeFile("report.doc", "binary word data");
  oldPath = qgetenv("PATH");
  qputenv("PATH", (root + "nothing").toUtf8());
  const std::function<void()> ways[] = {
      [&] { EXPECT_EQ(Main().OpenDocument(false, true, doc), nullptr); },
      [&] { Main().WMDropFiles({doc}); },
      [&] {
        AnswerFileDialog("OpenDialog2", {doc});
        Main().Action("ImpDoc1")->trigger();
      },
  };
  for (const auto& way : ways) {
    const qsizetype before = prompts.Messages().size();
    way();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Main().Documents().isEmpty());
    EXPECT_EQ(Main().MDITab1->count(), 0);
    ASSERT_EQ(prompts.Messages().size(), before + 1);
    EXPECT_EQ(prompts.Messages().last().text, QStringLiteral("ErrorImp\nErrorImpNoConv"));
    EXPECT_EQ(prompts.Messages().last().kind, 0);
  }
  // The rich text made by a converter that then failed is not taken either;
  // a stopped conversion closes its page and says nothing.
  qputenv("PATH", oldPath);
  FakeConverter(kLetter, "exit 3\n");
  EXPECT_EQ(Main().OpenDocument(false, true, doc), nullptr);
  FakeConverter(kLetter, "sleep 20\n");
  QTimer::singleShot(800, &Main(), [this] {
    if (auto* progress = Main().findChild<QProgressDialog*>("ImportProgress")) progress->cancel();
  });
  EXPECT_EQ(Main().OpenDocument(false, true, doc), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(Main().Documents().isEmpty());
  ASSERT_EQ(prompts.Messages().size(), 4);  // the three above and the converter's failure
  EXPECT_EQ(prompts.Messages()[3].text, QStringLiteral("ErrorImp\nErrorImpConv"));

  // The words the user reads.
  ASSERT_TRUE(Language().LoadFromFile(KV_SOURCE_DIR "/data/Language Modules/english.lms"));
  EXPECT_EQ(LangText("ErrorImp"), "The document could not be imported.");
  EXPECT_EQ(LangText("ErrorImpNoConv"),
            "Word documents are turned into rich text by LibreOffice's converter \"soffice\", which was not found on "
            "the PATH.");
  EXPECT_EQ(LangText("ErrorImpConv"), "LibreOffice's converter \"soffice\" made no rich text of the document.");
}

TEST_F(ImportTest, StoppingTheConverter) {
  const QString doc = MakeFile("long.doc", "word data");
  TChildForm* made = Main().OpenDocument(false, true, MakeFile("a.html", "a\r\n"));
  FakeConverter(kLetter, "sleep 20\n");
  QTimer::singleShot(800, &Main(), [this] {
    if (auto* progress = Main().findChild<QProgressDialog*>("ImportProgress")) progress->cancel();
  });
  Main().ImportWordDoc(doc, made);
  EXPECT_TRUE(prompts.Messages().isEmpty());  // stopped, not failed
  EXPECT_EQ(Lines(made), QStringList({"a"}));
}

class ExternalPreview : public AppFixture {};

TEST_F(ExternalPreview, FilesBesideTheDocumentDeletedAtExit) {
  QList<QPair<int, int>> pages;
  AppServices().OptionsScreen = [&pages](int page, int inner) { pages << qMakePair(page, inner); };
  Main().LoadBrowserExecute();  // no document, no browser: the options screen's browser page
  EXPECT_EQ(Main().DocumentCounter, 1);
  EXPECT_EQ(pages, (QList<QPair<int, int>>{{3, 2}}));
  TChildForm* doc = Main().OpenDocument(false, true, MakeFile("about.htm", "<p>about</p>\r\n"));
  Main().LoadBrowserExecute();  // no browser named: the options screen's browser page
  EXPECT_EQ(pages, (QList<QPair<int, int>>{{3, 2}, {3, 2}}));
  EXPECT_TRUE(launcher.calls.isEmpty());

  Ini().WriteString("WEB", "Path", "/opt/my browser/run");
  // A file of the user's with the next name is never written over.
  WriteFileBytes(root + "docs/korvex_temp2.html", "mine");
  Main().LoadBrowserExecute();
  Main().LoadBrowserExecute();
  Main().ToolButton33Click();
  Main().LoadBrowserExecute();
  const QStringList made = {root + "docs/korvex_temp1.html", root + "docs/korvex_temp2~2.html",
                            root + "korvex_temp3.html"};
  EXPECT_EQ(Main().PreviewTempFiles, made);
  EXPECT_EQ(ReadFileBytes(made[0]), QByteArray("<p>about</p>\r\n"));
  ASSERT_EQ(launcher.calls.size(), 3);
  EXPECT_EQ(launcher.calls[0].program, QStringLiteral("/opt/my browser/run"));
  EXPECT_EQ(launcher.calls[0].arguments, QStringList({made[0]}));
  EXPECT_EQ(Main().PreviewCounter, 3);
  EXPECT_EQ(doc->PreviewFiles, QStringList());  // the window's own previews are others

  Main().DeleteTempFiles();
  for (const QString& file : made) EXPECT_FALSE(QFileInfo::exists(file)) << file.toStdString();
  EXPECT_EQ(ReadFileBytes(root + "docs/korvex_temp2.html"), QByteArray("mine"));
  EXPECT_TRUE(Main().PreviewTempFiles.isEmpty());
}

TEST_F(ExternalPreview, BrowserListMenu) {
  WriteFileBytes(root + "browserlist.dat", "Firefox#/usr/bin/firefox\r\n\r\nLynx # /usr/bin/lynx\r\n");
  Main().OpenDocument(false, true, MakeFile("a.html"));
  const QList<QAction*> items = Main().BrowserPop->actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[1]->text(), QStringLiteral("Lynx"));
  items[1]->trigger();
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].program, QStringLiteral("/usr/bin/lynx"));
  EXPECT_EQ(launcher.calls[0].arguments, QStringList({root + "docs/korvex_temp1.html"}));
}

}  // namespace
