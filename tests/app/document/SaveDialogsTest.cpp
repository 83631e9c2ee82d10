// Tests of the question every save dialog puts before it replaces a file
// (app/document/DocumentFile.cpp, ChooseSaveFile), through the dialogs that
// use it: Save As, the RTF export, the code library's export and printing
// into a PDF file.
#include <QApplication>
#include <QMdiArea>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <iostream>

#include "app/core/LanguageModule.h"
#include "app/dialogs/uPrintDlg.h"
#include "app/document/Child.h"
#include "app/options/CodeInsidePage.h"
#include "app/options/uconfig.h"
#include "modules/PrintModule.h"
#include "tests/app/AppFixture.h"

namespace {

class SaveDialogs : public AppFixture {
 protected:
  void TearDown() override {
    if (TfConfig* screen = TfConfig::Instance()) delete screen;
    AppFixture::TearDown();
  }

  // Answers the save dialog `name` as a user does: `file` is typed and the
  // dialog's own accept is pressed, which is where the toolkit would put its
  // question. A dialog shown again (after No) is cancelled, and the name it
  // showed is kept in `reshown`. Every message box of the toolkit that comes
  // up is noted in `toolkitBoxes` and closed.
  void ChooseInDialog(const QString& name, const QString& file) {
    reshown.clear();
    prompts.AnswerDialog(name, [this, file, calls = 0](QDialog& d) mutable {
      auto& fd = static_cast<QFileDialog&>(d);
      if (++calls > 1) {
        reshown << fd.selectedFiles().value(0);
        return int(QDialog::Rejected);
      }
      fd.selectFile(file);
      QTimer::singleShot(0, &fd, [this] { CloseToolkitBoxes(); });
      d.accept();  // the file dialog's own
      return d.result();
    });
  }
  void CloseToolkitBoxes() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
        toolkitBoxes << box->text();
        box->done(QMessageBox::No);
      }
  }

  QStringList reshown;
  QStringList toolkitBoxes;
};

// Each save dialog, with an existing file chosen, asks the program's own
// question naming the file, never the toolkit's: No keeps the file and shows
// the dialog again with the same name; Yes writes it.
TEST_F(SaveDialogs, AnExistingFileIsReplacedOnlyAfterTheProgramsOwnQuestion) {
  QDir().mkpath(root + "CodeC");
  WriteFileBytes(root + "CodeC/codeinside.dci", "[a | x]\r\nA\r\n\r\n");
  TChildForm* doc = Main().OpenDocument(false, true, MakeFile("page.html", "<p>new</p>\r\n"));
  ASSERT_TRUE(doc);
  doc->Memo1->SetSelText("<b>");
  const struct {
    const char* dialog;
    const char* file;
    std::function<void()> run;
    QByteArray written;  // how the file begins once written
  } cases[] = {
      {"SaveDialog1", "saved.html", [this] { Main().SaveAs1Click(); }, "<b><p>new</p>\r\n"},
      {"SaveDialog2", "export.rtf", [this] { Main().Documenttortf1Click(); }, "{\\rtf1"},
      {"SaveDialog1", "library.dci", [this] { TfConfig::Execute(&Main())->CodeInside->SpeedButton3Click(); },
       "[a | x]\r\nA\r\n"},
      {"PrintToFileDialog", "print.pdf",
       [this] {
         prompts.AnswerDialog("fPrintdoc", [](QDialog& d) {
           static_cast<TfPrintdoc&>(d).Button1Click();
           return d.result();
         });
         Main().PrintDocument1Click();
       },
       "%PDF-"},
  };
  for (const auto& c : cases) {
    const std::string what = c.dialog + std::string(" ") + c.file;
    if (QLatin1String(c.dialog) == u"PrintToFileDialog" && PrintModule::HasPrinter()) {
      std::cerr << "a printer is installed: printing goes there, not into a file\n";
      continue;
    }
    Main().MDIClient->setActiveSubWindow(doc);
    const QString target = root + "out/" + QLatin1String(c.file);
    QDir().mkpath(root + "out");
    ASSERT_TRUE(WriteFileBytes(target, "old bytes")) << what;
    const QString question = u'"' + target + QStringLiteral("\"\nSaveReplace");
    const qsizetype before = prompts.Messages().size();

    ChooseInDialog(QLatin1String(c.dialog), target);
    prompts.Answer(question, 7);
    c.run();
    ASSERT_EQ(prompts.Messages().size(), before + 1) << what;
    EXPECT_EQ(prompts.Messages()[before].text, question) << what;
    EXPECT_EQ(prompts.Messages()[before].kind, 1) << what;
    EXPECT_EQ(reshown, QStringList{target}) << what;
    EXPECT_EQ(ReadFileBytes(target), "old bytes") << what;

    ChooseInDialog(QLatin1String(c.dialog), target);
    prompts.Answer(question, 6);
    c.run();
    ASSERT_GT(prompts.Messages().size(), before + 1) << what;
    EXPECT_EQ(prompts.Messages()[before + 1].text, question) << what;
    EXPECT_TRUE(reshown.isEmpty()) << what;
    EXPECT_TRUE(ReadFileBytes(target).startsWith(c.written)) << what << ": " << ReadFileBytes(target).constData();
    EXPECT_EQ(toolkitBoxes, QStringList()) << what;
  }
  EXPECT_EQ(doc->Caption(), root + "out/saved.html");  // Save As took the name
  CloseToolkitBoxes();
  EXPECT_EQ(toolkitBoxes, QStringList());

  // The shipped module has the question's words.
  ASSERT_TRUE(Language().LoadFromFile(KV_SOURCE_DIR "/data/Language Modules/english.lms"));
  EXPECT_EQ(LangText("SaveReplace"), "This file already exists. Replace it?");
}

}  // namespace
