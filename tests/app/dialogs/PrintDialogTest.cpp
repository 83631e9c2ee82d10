// Tests of TfPrintdoc (app/dialogs/uPrintDlg.cpp), the print dialog.
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "app/dialogs/uPrintDlg.h"
#include "app/dialogs/ufMessageDlg.h"
#include "app/sidepane/FileManagerPane.h"
#include "modules/ModuleLoader.h"
#include "modules/PrintModule.h"
#include "tests/app/AppFixture.h"
#include "tests/common/FifoWatch.h"
#include "tests/editor/PrintTestSupport.h"

namespace {
// `lines` numbered lines: a document of many pages.
QString NumberedLines(int lines) {
  QString text;
  for (int i = 1; i <= lines; ++i) text += QStringLiteral("line %1\n").arg(i);
  return text;
}

// A file at `path` holding `bytes` with a second name `link` (a backup made with ln).
bool MakeLinkedFile(const QString& path, const QString& link, const QByteArray& bytes) {
  return WriteFileBytes(path, bytes) &&
         ::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()) == 0;
}

// Prints `lines` numbered lines into the PDF file `pdf` through the print
// module, as the print dialog does; `onPage` is told each page as it begins,
// `error` why the canvas could not go on.
bool PrintLines(const QString& pdf, int lines, const std::function<void(int page)>& onPage = {},
                QString* error = nullptr) {
  std::unique_ptr<TPrintCanvas> canvas = PrintModule::OpenCanvas(pdf);
  if (!canvas) return false;
  TSrcEditPrint print;
  print.SetLines(NumberedLines(lines).split(u'\n'));
  print.OnPrintStatus = [&onPage](TSrcEditPrint::Status status, int page, bool&) {
    if (status == TSrcEditPrint::psNewPage && onPage) onPage(page);
  };
  const bool printed = print.Print(*canvas);
  if (error) *error = canvas->Error();
  return printed;
}

// How a child process ended, for the test's messages.
std::string Ended(int status) {
  if (WIFSIGNALED(status)) return "by signal " + std::to_string(WTERMSIG(status));
  return "with status " + std::to_string(WEXITSTATUS(status));
}
}  // namespace

namespace {
struct PrintCommands : AppFixture {
  void SetUp() override {
    AppFixture::SetUp();
    // The keys of these commands, as their texts, and a footer.
    QByteArray module = ReadFileBytes(root + "Language Modules/test.lms");
    for (const char* key :
         {"PrDoc", "ExpComp", "ExpError", "Print", "PR_DOC1", "prFailed", "NotRegularFile", "SaveWriteProtected"})
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
  // Prints, pressing Close while page 2 is printed (the job stops at the
  // next page); the number of lines printed.
  int PrintStoppedOnPage2() {
    int lines = 0;
    prompts.AnswerDialog("fPrintdoc", [&lines](QDialog& d) {
      auto& dialog = static_cast<TfPrintdoc&>(d);
      dialog.SrcEditPrint1.OnPrintLine = [&lines, &dialog](int, int page) {
        ++lines;
        if (page == 2) dialog.Button2Click();
      };
      dialog.Button1Click();
      return dialog.result();
    });
    Main().PrintDocument1Click();
    return lines;
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
  prompts.Answer(u'"' + target + QStringLiteral("\"\nSaveReplace"), 6);
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
  // The reason comes with the failure.
  EXPECT_EQ(prompts.Messages()[0].text,
            "prFailed Cannot create file \"" + root + "missing/out.pdf\". No such file or directory.");
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

// Escape, or the title bar's close button, while pages are printed stops
// the job as Close does: the file keeps its old bytes.
TEST_F(PrintCommands, EscapeOrClosingTheWindowWhilePrintingStopsTheJob) {
  NewDocument(NumberedLines(300));
  ASSERT_TRUE(WriteFileBytes(root + "out.pdf", "old bytes"));
  for (const bool escape : {true, false}) {
    int lines = 0;
    prompts.AnswerDialog("fPrintdoc", [&lines, escape](QDialog& d) {
      auto& dialog = static_cast<TfPrintdoc&>(d);
      dialog.SrcEditPrint1.OnPrintLine = [&lines, &dialog, escape](int, int page) {
        ++lines;
        if (page != 2) return;
        if (escape)
          QTest::keyClick(&dialog, Qt::Key_Escape);
        else
          dialog.close();
      };
      dialog.show();  // as the modal loop shows it: a hidden dialog takes no close
      dialog.Button1Click();
      return dialog.result();
    });
    Main().PrintDocument1Click();
    EXPECT_LT(lines, 300) << (escape ? "Escape" : "close");
    EXPECT_EQ(ReadFileBytes(root + "out.pdf"), "old bytes") << (escape ? "Escape" : "close");
  }
  EXPECT_TRUE(prompts.Messages().isEmpty()) << "a stopped job is no failure";
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
  const int lines = PrintStoppedOnPage2();
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

// Printing into a PDF that has a second hard link: a job stopped part-way
// leaves both names with the old bytes; a job that ends whole gives both the
// new PDF, still one file.
TEST_F(PrintCommands, APdfWithASecondLinkChangesOnlyWhenTheJobEndsWhole) {
  NewDocument(NumberedLines(300));
  const QString out = root + "out.pdf", backup = root + "backup.pdf";
  ASSERT_TRUE(MakeLinkedFile(out, backup, "old bytes"));
  EXPECT_GT(PrintStoppedOnPage2(), 60) << "pages were printed before the stop";
  EXPECT_TRUE(prompts.Messages().isEmpty());
  EXPECT_EQ(ReadFileBytes(out), "old bytes");
  EXPECT_EQ(ReadFileBytes(backup), "old bytes");
  EXPECT_TRUE(Temporaries(root).isEmpty()) << Temporaries(root).join(' ').toStdString();

  EXPECT_EQ(PrintWithOk(), int(QDialog::Accepted));
  const QByteArray pdf = ReadFileBytes(out);
  EXPECT_TRUE(pdf.startsWith("%PDF-")) << pdf.left(20).constData();
  EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
  EXPECT_EQ(ReadFileBytes(backup), pdf);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(out).constData(), &st), 0);
  EXPECT_EQ(st.st_nlink, 2u) << "the two names still name one file";
  EXPECT_TRUE(Temporaries(root).isEmpty()) << Temporaries(root).join(' ').toStdString();
}

// A job that fails because the disk is full leaves both names of a linked
// PDF with their old bytes. The full disk is a small file system of a child
// process's own (a mount of its own namespace, in the test's folder); where
// the machine does not allow that, a limit on the size of files stands for it.
TEST_F(PrintCommands, APrintOntoAFullDiskLeavesBothNamesOfTheOldPdf) {
  const QString folder = root + "full";
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString out = folder + "/out.pdf", backup = folder + "/backup.pdf";
  // The parent's fonts are ready before the child starts.
  ASSERT_TRUE(PrintLines(root + "warm.pdf", 1));
  // Some fifty pages, should the job go on.
  NewDocument(NumberedLines(3000));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(60);
    const QByteArray native = QFile::encodeName(folder);
    const bool ownDisk = ::unshare(CLONE_NEWNS) == 0 &&
                         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         ::mount("kvx-full", native.constData(), "tmpfs", 0, "size=256k") == 0;
    if (!MakeLinkedFile(out, backup, "old bytes")) _exit(200);
    if (ownDisk) {
      // Filled to the last block.
      QFile filler(folder + "/filler");
      if (!filler.open(QIODevice::WriteOnly)) _exit(201);
      const QByteArray block(4096, 'x');
      while (filler.write(block) == block.size() && filler.flush()) {
      }
      filler.close();
    } else {
      fprintf(stderr, "no file system of its own here: a file-size limit stands for the full disk\n");
      const rlimit limit{4096, RLIM_INFINITY};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(202);
    }
    int pages = 0;
    QString error;
    const bool printed = PrintLines(out, 3000, [&pages](int) { ++pages; }, &error);
    // Told by the system: the disk is full (or the file over its size limit).
    const QString reason = QString::fromLocal8Bit(std::strerror(ownDisk ? ENOSPC : EFBIG));
    int fault = 0;
    if (printed) fault |= 1;
    // The job ends with the first page that could not be written.
    if (pages > 4) fault |= 16;
    if (!error.contains(out) || !error.contains(reason)) fault |= 32;
    fprintf(stderr, "%d pages begun; %s\n", pages, qPrintable(error));
    if (ReadFileBytes(out) != "old bytes") fault |= 2;
    if (ReadFileBytes(backup) != "old bytes") fault |= 4;
    if (!QDir(folder).entryList({".kvx-*"}, QDir::Files | QDir::Hidden | QDir::System).isEmpty()) fault |= 8;
    _exit(fault);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended " << Ended(status);
  const int fault = WEXITSTATUS(status);
  EXPECT_EQ(fault & 1, 0) << "the job was reported printed";
  EXPECT_EQ(fault & 2, 0) << "the file's first name changed";
  EXPECT_EQ(fault & 4, 0) << "its second name changed";
  EXPECT_EQ(fault & 8, 0) << "a temporary was left";
  EXPECT_EQ(fault & 16, 0) << "the job went on after a page could not be written";
  EXPECT_EQ(fault & 32, 0) << "the failure does not name the file and the reason";
  EXPECT_LT(fault, 128) << "the child could not set up the disk";

  // The dialog says so: the failure, then the file and the reason; the job
  // ends with the page that could not be written.
  // The dialog owns the canvas and lets it go when the job ends: what it
  // saw is kept here.
  struct TSeen {
    int pages = 0;
    bool aborted = false;
  } seen;
  struct TFullDiskCanvas : TRecordingCanvas {
    explicit TFullDiskCanvas(TSeen& seen) : seen_(seen) {}
    ~TFullDiskCanvas() override { seen_.aborted = !Ops.empty() && Ops.back().kind == TRecordingCanvas::opAbort; }
    void NewPage() override {
      TRecordingCanvas::NewPage();
      if (++seen_.pages == 2) error = QStringLiteral("Cannot write file \"/x/out.pdf\". No space left on device.");
    }
    QString Error() const override { return error; }
    TSeen& seen_;
    QString error;
  };
  PrintTarget() = [&seen](QWidget*) { return std::unique_ptr<TPrintCanvas>(std::make_unique<TFullDiskCanvas>(seen)); };
  const int result = PrintWithOk();
  EXPECT_EQ(seen.pages, 2);
  EXPECT_TRUE(seen.aborted);
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "prFailed Cannot write file \"/x/out.pdf\". No space left on device.");
  EXPECT_NE(result, int(QDialog::Accepted));
}

// A print killed in the middle of the job (the process ended at once) leaves
// both names of a linked PDF with their old bytes and no temporary.
TEST_F(PrintCommands, APrintKilledMidJobLeavesBothNamesOfTheOldPdf) {
  const QString out = root + "out.pdf", backup = root + "backup.pdf";
  ASSERT_TRUE(MakeLinkedFile(out, backup, "old bytes"));
  ASSERT_TRUE(PrintLines(root + "warm.pdf", 1));
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipeFds[0]);
    alarm(60);
    // Page 4 begins: three pages are made; the parent is told and kills the job there.
    PrintLines(out, 600, [&pipeFds](int page) {
      if (page != 4) return;
      if (::write(pipeFds[1], "4", 1) != 1) _exit(2);
      for (;;) ::pause();
    });
    _exit(1);
  }
  ::close(pipeFds[1]);
  pollfd ready{pipeFds[0], POLLIN, 0};
  char page = 0;
  const bool told = ::poll(&ready, 1, 30000) == 1 && ::read(pipeFds[0], &page, 1) == 1;
  ::close(pipeFds[0]);
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(told) << "the child never reached page 4; it ended " << Ended(status);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << Ended(status);
  EXPECT_EQ(ReadFileBytes(out), "old bytes");
  EXPECT_EQ(ReadFileBytes(backup), "old bytes");
  EXPECT_TRUE(Temporaries(root).isEmpty()) << Temporaries(root).join(' ').toStdString();
}

// A write-protected PDF is asked about as a save asks: No leaves it and is
// no failure; Yes replaces it, and it stays write-protected.
TEST_F(PrintCommands, AWriteProtectedPdfIsReplacedOnlyWhenTheUserSaysSo) {
  PrintTarget() = {};
  if (PrintModule::HasPrinter()) GTEST_SKIP() << "a printer is installed: printing goes there, not into a file";
  NewDocument("text");
  const QString out = root + "out.pdf";
  ASSERT_TRUE(WriteFileBytes(out, "old bytes"));
  ASSERT_EQ(::chmod(QFile::encodeName(out).constData(), 0444), 0);
  const QString replace = u'"' + out + QStringLiteral("\"\nSaveReplace");
  const QString protectedFile = u'"' + out + QStringLiteral("\"\nSaveWriteProtected");
  AnswerFileDialog("PrintToFileDialog", {out});
  prompts.Answer(replace, 6);
  prompts.Answer(protectedFile, 7);
  EXPECT_NE(PrintWithOk(), int(QDialog::Accepted));
  ASSERT_EQ(prompts.Messages().size(), 2);
  EXPECT_EQ(prompts.Messages()[0].text, replace);
  EXPECT_EQ(prompts.Messages()[1].text, protectedFile);
  EXPECT_EQ(prompts.Messages()[1].kind, 1);
  EXPECT_EQ(ReadFileBytes(out), "old bytes");

  prompts.Answer(protectedFile, 6);
  EXPECT_EQ(PrintWithOk(), int(QDialog::Accepted));
  EXPECT_EQ(prompts.Messages().size(), 4) << "no failure reported";
  EXPECT_TRUE(ReadFileBytes(out).startsWith("%PDF-"));
  EXPECT_EQ(QFileInfo(out).permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), 0);
}

// With no printer, the file dialog starts in the file manager's folder with
// the document's name and ".pdf", and asks before it replaces a file in the
// language module's words, not the toolkit's: No leaves the file and the
// print dialog open.
TEST_F(PrintCommands, PrintToFileStartsInTheFileManagersFolderWithTheDocumentsName) {
  PrintTarget() = {};
  if (PrintModule::HasPrinter()) GTEST_SKIP() << "a printer is installed: printing goes there, not into a file";
  const QString site = root + "site";
  ASSERT_TRUE(QDir().mkpath(site));
  Main().OpenDocument(false, true, MakeFile("page.html"));
  Main().Action("FileMan1")->trigger();
  Main().FileManager->Restore(QString(), site);
  ASSERT_EQ(Main().FileManager->Folder(), site);
  QString started, proposed;
  bool toolkitAsks = true;
  prompts.AnswerDialog("PrintToFileDialog", [&](QDialog& d) {
    auto& fd = static_cast<QFileDialog&>(d);
    started = fd.directory().absolutePath();
    proposed = fd.selectedFiles().value(0);
    toolkitAsks = !fd.testOption(QFileDialog::DontConfirmOverwrite);
    return int(QDialog::Rejected);
  });
  PrintWithOk();
  EXPECT_EQ(started, site);
  EXPECT_EQ(proposed, site + "/page.pdf");
  EXPECT_FALSE(toolkitAsks);
  // An untitled document proposes its name.
  NewDocument("text");
  PrintWithOk();
  EXPECT_EQ(proposed, site + u'/' + Main().ActiveDocument()->Caption() + ".pdf");

  const QString target = site + "/page.pdf";
  ASSERT_TRUE(WriteFileBytes(target, "old bytes"));
  const QString question = u'"' + target + QStringLiteral("\"\nSaveReplace");
  // No brings the file dialog back with the same name; cancelled there.
  QStringList shown;
  prompts.AnswerDialog("PrintToFileDialog", [&](QDialog& d) {
    auto& fd = static_cast<QFileDialog&>(d);
    if (shown.isEmpty()) fd.selectFile(target);
    shown << fd.selectedFiles().value(0);
    return int(shown.size() == 1 ? QDialog::Accepted : QDialog::Rejected);
  });
  prompts.Answer(question, 7);
  EXPECT_NE(PrintWithOk(), int(QDialog::Accepted));
  EXPECT_EQ(shown, QStringList({target, target}));
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, question);
  EXPECT_EQ(prompts.Messages()[0].kind, 1);
  EXPECT_EQ(ReadFileBytes(target), "old bytes");
  AnswerFileDialog("PrintToFileDialog", {target});
  prompts.Answer(question, 6);
  EXPECT_EQ(PrintWithOk(), int(QDialog::Accepted));
  EXPECT_TRUE(ReadFileBytes(target).startsWith("%PDF-"));
}

// The message of a damaged print module names the file and both checksums
// in lines the message box can hold: nothing runs past its edge.
TEST_F(PrintCommands, ADamagedPrintModuleIsToldInAMessageThatFitsTheBox) {
  NewDocument("text");
  PrintTarget() = {};
  QByteArray texts = ReadFileBytes(root + "Language Modules/test.lms");
  for (const char* key : {"PrintMissing", "ModuleDamaged"})
    texts += QByteArray(key).leftJustified(20, ' ') + key + "\r\n";
  WriteFileBytes(root + "Language Modules/test.lms", texts);
  LoadLanguageModule();
  const QString folder = root + "damaged-modules";
  ASSERT_TRUE(QDir().mkpath(folder));
  QByteArray module = ReadFileBytes(QCoreApplication::applicationDirPath() + "/print-module.so");
  // A byte the loader maps: elsewhere (debugging information) a change harms nothing that runs.
  const auto [at, count] = LargestLoadedSegment(module);
  ASSERT_GT(count, 4096);
  module[at + count / 2] = static_cast<char>(module[at + count / 2] ^ 0x40);
  ASSERT_TRUE(WriteFileBytes(folder + "/print-module.so", module));
  Modules::SetFolder(folder);
  PrintWithOk();
  Modules::SetFolder(QString());
  ASSERT_EQ(prompts.Messages().size(), 1);
  const QString text = prompts.Messages()[0].text;
  EXPECT_TRUE(text.contains("\nModuleDamaged\nchecksum ")) << text.toStdString();
  TfMessageDlg box;
  box.Prepare(text, 2);
  box.show();
  EXPECT_LE(box.Label->minimumSizeHint().width(), box.Label->width()) << text.toStdString();
  EXPECT_LE(box.Label->geometry().right(), box.width());
  EXPECT_GE(box.Label->height(), box.Label->heightForWidth(box.Label->width())) << "every line is shown";
}
