// Tests of TfPrintdoc (app/dialogs/uPrintDlg.cpp), the print dialog.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QCheckBox>
#include <QDir>
#include <QSpinBox>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "app/dialogs/uPrintDlg.h"
#include "modules/ModuleLoader.h"
#include "modules/PrintModule.h"
#include "tests/app/AppFixture.h"
#include "tests/common/FifoWatch.h"
#include "tests/editor/PrintTestSupport.h"

namespace {
struct PrintCommands : AppFixture {
  void SetUp() override {
    AppFixture::SetUp();
    // The keys of these commands, as their texts, and a footer.
    QByteArray module = ReadFileBytes(root + "Language Modules/test.lms");
    for (const char* key : {"PrDoc", "ExpComp", "ExpError", "Print", "PR_DOC1", "prFailed", "NotRegularFile"})
      module += QByteArray(key).leftJustified(20, ' ') + key + "\r\n";
    module += QByteArray("prFooter").leftJustified(20, ' ') + "Page $PAGENUM$ of $PAGECOUNT$\r\n";
    WriteFileBytes(root + "Language Modules/test.lms", module);
    LoadLanguageModule();
    // Into a PDF file through the print module.
    PrintTarget() = [this](QWidget*) { return PrintModule::OpenCanvas(root + "out.pdf"); };
  }
  void TearDown() override {
    PrintTarget() = {};
    AppFixture::TearDown();
  }
  TSrcEdit* NewDocument(const QString& text) {
    Main().ToolButton33Click();
    TSrcEdit* e = Main().ActiveDocument()->Memo1;
    e->SetText(text);
    return e;
  }
  // Prints, pressing OK in the print dialog as it stands; the dialog's result.
  int PrintWithOk() {
    int result = -1;
    prompts.AnswerDialog("fPrintdoc", [&result](QDialog& d) {
      static_cast<TfPrintdoc&>(d).Button1Click();
      result = d.result();
      return result;
    });
    Main().PrintDocument1Click();
    return result;
  }
  // Answers the print dialog: records what the engine would print, then
  // presses Print with the given switches.
  QStringList printed;
  TSrcEditPrint engine;  // the switches the dialog gave its engine
  void AnswerPrintDialog(bool colours, bool lineNumbers, int copies) {
    prompts.AnswerDialog("fPrintdoc", [=, this](QDialog& d) {
      auto& dialog = static_cast<TfPrintdoc&>(d);
      dialog.CheckBox1->setChecked(colours);
      dialog.CheckBox3->setChecked(lineNumbers);
      dialog.SpinEdit1->setValue(copies);
      dialog.Button1Click();
      TSrcEditPrint& p = dialog.SrcEditPrint1;
      TRecordingCanvas canvas;
      p.Print(canvas);
      for (const QStringList& page : canvas.PageTexts()) printed += page;
      engine.Copies = p.Copies;
      engine.Colors = p.Colors;
      engine.Highlight = p.Highlight;
      engine.LineNumbers = p.LineNumbers;
      return dialog.result();
    });
  }
};
}  // namespace

TEST_F(PrintCommands, ExportWritesRtfAndReportsOnlyRealSuccess) {
  NewDocument("<b>{bold}</b>");
  const QString target = root + "docs/page.rtf";
  QDir().mkpath(root + "docs");
  AnswerFileDialog("SaveDialog2", {target});
  Main().Documenttortf1Click();
  const QByteArray rtf = ReadFileBytes(target);
  EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi")) << rtf.constData();
  EXPECT_TRUE(rtf.contains("\\{bold\\}")) << rtf.constData();
  EXPECT_TRUE(rtf.contains("\\fs20 ")) << "Courier New of 13 pixels is 10 points";
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "ExpComp");
  EXPECT_EQ(prompts.Messages()[0].kind, 0);

  AnswerFileDialog("SaveDialog2", {root + "missing/page.rtf"});
  Main().Documenttortf1Click();
  ASSERT_EQ(prompts.Messages().size(), 2);
  EXPECT_TRUE(prompts.Messages()[1].text.startsWith("ExpError ")) << prompts.Messages()[1].text.toStdString();
  EXPECT_EQ(prompts.Messages()[1].kind, 2);
}

TEST_F(PrintCommands, ExportUsesTheDocumentsHighlighterAndFont) {
  // A style sheet is exported as the CSS highlighter shows it (property names
  // bold, comments italic), not as HTML's, in the editor's font and size.
  TSrcEdit* e = NewDocument("body { color: red; } /* note */");
  Main().ActiveDocument()->SetHighlighterForFile("style.css");
  ASSERT_TRUE(e->Highlighter());
  ASSERT_EQ(e->Highlighter()->GetLanguageName(), "Cascading style sheets");
  e->SetFont(QFont(QStringLiteral("Monospace"), 14));
  const QString target = root + "style.rtf";
  AnswerFileDialog("SaveDialog2", {target});
  Main().Documenttortf1Click();
  const QByteArray rtf = ReadFileBytes(target);
  EXPECT_TRUE(rtf.contains("{\\f0\\fmodern " + e->Font().family().toLatin1() + ";}")) << rtf.constData();
  EXPECT_TRUE(rtf.contains("\\fs28 body \\{ \\b color\\b0 : red; \\} \\i /* note */\r\n\\par }")) << rtf.constData();

  // A document without a highlighter is exported as plain text.
  e->SetHighlighter(nullptr);
  AnswerFileDialog("SaveDialog2", {target});
  Main().Documenttortf1Click();
  EXPECT_TRUE(ReadFileBytes(target).contains("\\fs28 body \\{ color: red; \\} /* note */\r\n\\par }"));
}

TEST_F(PrintCommands, SelectionAnsweredNoPrintsOnlyTheSelection) {
  TSrcEdit* e = NewDocument("first\nsecond\nthird");
  e->SetBlockBegin({1, 2});
  e->SetBlockEnd({7, 2});
  prompts.Answer("PrDoc", 7);
  AnswerPrintDialog(false, true, 1);
  Main().PrintDocument1Click();
  EXPECT_EQ(printed, (QStringList{"Untitled~1", "2: ", "second", "Page 1 of 1"}));
  EXPECT_TRUE(QFileInfo(root + "out.pdf").size() > 0);

  printed.clear();
  prompts.Answer("PrDoc", 6);
  AnswerPrintDialog(false, false, 1);
  Main().PrintDocument1Click();
  EXPECT_EQ(printed, (QStringList{"Untitled~1", "first", "second", "third", "Page 1 of 1"}));
}

TEST_F(PrintCommands, DialogSwitchesReachTheEngine) {
  NewDocument("<p>x</p>");
  Main().ActiveDocument()->SetHighlighterForFile("a.html");
  const struct {
    bool colours, numbers;
    int copies, expectedCopies;
  } cases[] = {{false, false, 0, 1}, {true, true, 3, 3}, {false, true, 5000, TfPrintdoc::kMaxCopies}};
  for (const auto& c : cases) {
    AnswerPrintDialog(c.colours, c.numbers, c.copies);
    Main().PrintDocument1Click();
    EXPECT_EQ(engine.Copies, c.expectedCopies);
    EXPECT_EQ(engine.Colors, c.colours) << "colours off: black text";
    EXPECT_EQ(engine.Highlight, c.colours) << "and no highlighter";
    EXPECT_EQ(engine.LineNumbers, c.numbers);
  }
  EXPECT_TRUE(prompts.Messages().isEmpty()) << "no selection, no question";
}

TEST_F(PrintCommands, PrinterThatCannotPrintIsReported) {
  NewDocument("text");
  PrintTarget() = [this](QWidget*) { return PrintModule::OpenCanvas(root + "missing/out.pdf"); };
  const int result = PrintWithOk();
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "prFailed");
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  EXPECT_NE(result, int(QDialog::Accepted)) << "the dialog stays for another try";
}

TEST_F(PrintCommands, CloseWhilePrintingStopsTheJob) {
  NewDocument("one\ntwo");
  prompts.AnswerDialog("fPrintdoc", [](QDialog& d) {
    auto& dialog = static_cast<TfPrintdoc&>(d);
    int pages = 0;
    dialog.SrcEditPrint1.OnPrintLine = [&pages](int, int) { ++pages; };
    // The first status lets waiting events through: Close is pressed there.
    QTimer::singleShot(0, &dialog, [&dialog] { dialog.Button2Click(); });
    dialog.Button1Click();
    EXPECT_EQ(pages, 0);
    return dialog.result();
  });
  Main().PrintDocument1Click();
  EXPECT_TRUE(prompts.Messages().isEmpty()) << "a stopped job is no failure";
  EXPECT_FALSE(QFileInfo::exists(root + "out.pdf")) << "and leaves no half-printed file";
}

// Without the print module, printing says so where it was asked for and
// nothing else changes.
TEST_F(PrintCommands, AMissingPrintModuleIsReportedWherePrintingIsAskedFor) {
  NewDocument("text");
  PrintTarget() = {};
  Modules::SetFolder(root + "no-modules");
  QByteArray module = ReadFileBytes(root + "Language Modules/test.lms");
  module += QByteArray("PrintMissing").leftJustified(20, ' ') + "PrintMissing\r\n";
  WriteFileBytes(root + "Language Modules/test.lms", module);
  LoadLanguageModule();
  prompts.AnswerDialog("fPrintdoc", [](QDialog& d) {
    static_cast<TfPrintdoc&>(d).Button1Click();
    return d.result();
  });
  Main().PrintDocument1Click();
  Modules::SetFolder(QString());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_TRUE(prompts.Messages()[0].text.startsWith("PrintMissing\n")) << prompts.Messages()[0].text.toStdString();
  EXPECT_FALSE(prompts.Messages()[0].text.section(u'\n', 1).isEmpty()) << "with the reason";
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  EXPECT_FALSE(QFileInfo::exists(root + "out.pdf"));
  EXPECT_EQ(Main().Documents().size(), 1);
}

namespace {
// The save temporaries left in `folder`.
QStringList Temporaries(const QString& folder) {
  return QDir(folder).entryList({".kvx-*"}, QDir::Files | QDir::Hidden | QDir::System);
}
}  // namespace

// Printing into an existing PDF file: the file keeps its bytes while the
// pages are made, and a finished job puts the whole new PDF in its place.
TEST_F(PrintCommands, PrintingIntoAFileReplacesItOnlyWhenTheJobEnds) {
  QString text;
  for (int i = 1; i <= 300; ++i) text += QStringLiteral("line %1\n").arg(i);
  NewDocument(text);
  ASSERT_TRUE(WriteFileBytes(root + "out.pdf", "old bytes"));
  QByteArray whilePrinting;
  int pages = 0;
  prompts.AnswerDialog("fPrintdoc", [&](QDialog& d) {
    auto& dialog = static_cast<TfPrintdoc&>(d);
    dialog.SrcEditPrint1.OnPrintLine = [&](int line, int page) {
      if (line == 200) whilePrinting = ReadFileBytes(root + "out.pdf");
      pages = std::max(pages, page);
    };
    dialog.Button1Click();
    return dialog.result();
  });
  Main().PrintDocument1Click();
  EXPECT_TRUE(prompts.Messages().isEmpty());
  EXPECT_EQ(whilePrinting, "old bytes");
  const QByteArray pdf = ReadFileBytes(root + "out.pdf");
  EXPECT_TRUE(pdf.startsWith("%PDF-")) << pdf.left(20).constData();
  EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
  ASSERT_GT(pages, 2);
  EXPECT_EQ(pdf.count("/Type /Page\n"), pages) << "every page printed";
  EXPECT_TRUE(Temporaries(root).isEmpty()) << Temporaries(root).join(' ').toStdString();
}

// A job stopped after some pages leaves the file it was to replace as it was,
// and no temporary beside it.
TEST_F(PrintCommands, AStoppedPrintLeavesTheFileAsItWas) {
  QString text;
  for (int i = 1; i <= 300; ++i) text += QStringLiteral("line %1\n").arg(i);
  NewDocument(text);
  ASSERT_TRUE(WriteFileBytes(root + "out.pdf", "old bytes"));
  int lines = 0;
  prompts.AnswerDialog("fPrintdoc", [&lines](QDialog& d) {
    auto& dialog = static_cast<TfPrintdoc&>(d);
    // Close pressed while page 2 is printed: the job stops at the next page.
    dialog.SrcEditPrint1.OnPrintLine = [&lines, &dialog](int, int page) {
      ++lines;
      if (page == 2) dialog.Button2Click();
    };
    dialog.Button1Click();
    return dialog.result();
  });
  Main().PrintDocument1Click();
  EXPECT_GT(lines, 60) << "pages were printed before the stop";
  EXPECT_LT(lines, 300);
  EXPECT_TRUE(prompts.Messages().isEmpty()) << "a stopped job is no failure";
  EXPECT_EQ(ReadFileBytes(root + "out.pdf"), "old bytes");
  EXPECT_TRUE(Temporaries(root).isEmpty()) << Temporaries(root).join(' ').toStdString();
}

// With no printer, a pipe or a device chosen as the file to print into is
// refused at once with the usual message, never opened or waited on; the
// dialog stays for another try.
TEST_F(PrintCommands, APipeOrDeviceChosenAsTheFileIsRefusedAtOnce) {
  PrintTarget() = {};
  if (PrintModule::HasPrinter()) GTEST_SKIP() << "a printer is installed: printing goes there, not into a file";
  NewDocument("text");
  TFifoWatch fifos;
  QStringList targets;
  ASSERT_TRUE(fifos.Make(root + "pipe.pdf"));
  targets << root + "pipe.pdf";
  if (mknod(QFile::encodeName(root + "null.pdf").constData(), S_IFCHR | 0600, makedev(1, 3)) == 0)
    targets << root + "null.pdf";
  else
    std::cerr << "no device made here (" << std::strerror(errno) << "): only the pipe is tried\n";
  for (const QString& target : targets) {
    const qsizetype before = prompts.Messages().size();
    AnswerFileDialog("PrintToFileDialog", {target});
    const int result = PrintWithOk();
    ASSERT_EQ(prompts.Messages().size(), before + 1) << target.toStdString();
    EXPECT_EQ(prompts.Messages().back().text, target + " NotRegularFile");
    EXPECT_EQ(prompts.Messages().back().kind, 2);
    EXPECT_NE(result, int(QDialog::Accepted)) << "the dialog stays for another try";
    EXPECT_EQ(EntryKind(target), target.endsWith("pipe.pdf") ? 'p' : 'c');
  }
  EXPECT_TRUE(fifos.Opened().isEmpty()) << "the pipe was opened";
  EXPECT_TRUE(Temporaries(root).isEmpty()) << Temporaries(root).join(' ').toStdString();
}
