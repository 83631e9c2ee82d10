// Tests of TChildForm's file handling (app/document/ChildFile.cpp) through
// TfMain's save commands: the questions before saving, changes on disk.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTest>

#include "app/shell/Frame.h"
#include "platform/Memory.h"
#include "tests/app/AppFixture.h"
#include "tests/common/FifoWatch.h"

namespace {

class DocumentSave : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    // The texts of the questions asked here equal their keys, too.
    QByteArray more;
    for (const char* key :
         {"SaveInPlaceDir", "SaveInPlaceLinks", "SaveInPlaceOwner", "SaveInPlaceAsk", "DiskChangedSave",
          "DiskChangedReload", "SaveAsUtf8", "SaveWriteProtected", "NotRegularFile"})
      more += QByteArray(key).leftJustified(20, ' ') + key + "\r\n";
    const QString module = root + QStringLiteral("Language Modules/test.lms");
    WriteFileBytes(module, ReadFileBytes(module) + more);
    LoadLanguageModule();
  }
  TChildForm* Open(const QString& path) { return Main().OpenDocument(false, true, path); }
  QString Question(const QString& path, const QString& keys) { return u'"' + path + QStringLiteral("\"\n") + keys; }
};

TEST_F(DocumentSave, ErrorsNameTheFileAndTheReason) {
  const QString path = MakeFile("page.html");
  TChildForm* doc = Open(path);
  doc->Memo1->SetSelText(QString(5000, u'x'));
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limit = saved;
  limit.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &limit);
  const bool written = Main().ActionSaveExecute();
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_FALSE(written);
  ASSERT_FALSE(prompts.Messages().isEmpty());
  EXPECT_EQ(prompts.Messages().last().text, "Cannot write file \"" + path + "\". File too large.");
  EXPECT_EQ(prompts.Messages().last().kind, 2);
  EXPECT_TRUE(doc->Modified);
  EXPECT_EQ(ReadFileBytes(path), QByteArray("<html></html>\r\n"));
}

TEST_F(DocumentSave, HardLinksSurviveOnlyWithTheUsersConsent) {
  const QString path = MakeFile("page.html"), link = root + "docs/other-name.html";
  ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
  TChildForm* doc = Open(path);
  doc->Memo1->SetSelText("<p>");
  const QString question = Question(path, "SaveInPlaceLinks SaveInPlaceAsk");

  EXPECT_FALSE(Main().ActionSaveExecute());  // the box closed: nothing written, nothing reported
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages().last().text, question);
  EXPECT_EQ(prompts.Messages().last().kind, 1);
  EXPECT_TRUE(doc->Modified);
  EXPECT_EQ(ReadFileBytes(link), QByteArray("<html></html>\r\n"));

  prompts.Answer(question, 6);
  EXPECT_TRUE(Main().ActionSaveExecute());
  EXPECT_FALSE(doc->Modified);
  EXPECT_EQ(ReadFileBytes(link), QByteArray("<p><html></html>\r\n"));
}

TEST_F(DocumentSave, AWritableFileInAReadOnlyFolderIsSavedInPlaceAfterAsking) {
  const QString path = MakeFile("page.html");
  TChildForm* doc = Open(path);
  doc->Memo1->SetSelText("<p>");
  const QString question = Question(path, "SaveInPlaceDir SaveInPlaceAsk");
  prompts.Answer(question, 6);
  // Permissions bind a user without privileges only: the save runs as one.
  for (const QString& folder : {root, root + "docs/"}) ::chmod(QFile::encodeName(folder).constData(), 0755);
  ::chmod(QFile::encodeName(path).constData(), 0666);
  ::chmod(QFile::encodeName(root + "docs").constData(), 0555);
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
    const bool saved = Main().ActionSaveExecute();
    // (The recent-files list of the program folder is not this user's to write.)
    _exit(saved && prompts.Messages().first().text == question ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ::chmod(QFile::encodeName(root + "docs").constData(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFileBytes(path), QByteArray("<p><html></html>\r\n"));
}

// A write-protected file in a writable folder is asked about, as a file in a
// read-only folder is; it is replaced only on Yes and stays write-protected.
TEST_F(DocumentSave, AWriteProtectedFileIsReplacedOnlyAfterYes) {
  const QString path = MakeFile("page.html");
  TChildForm* doc = Open(path);
  doc->Memo1->SetSelText("<p>");
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
  const QString question = Question(path, "SaveWriteProtected");

  prompts.Answer(question, 7);
  EXPECT_FALSE(Main().ActionSaveExecute());
  ASSERT_EQ(prompts.Messages().size(), 1);  // asked, and nothing else said
  EXPECT_EQ(prompts.Messages().last().text, question);
  EXPECT_EQ(prompts.Messages().last().kind, 1);
  EXPECT_TRUE(doc->Modified);
  EXPECT_EQ(ReadFileBytes(path), QByteArray("<html></html>\r\n"));

  prompts.Answer(question, 6);
  EXPECT_TRUE(Main().ActionSaveExecute());
  EXPECT_FALSE(doc->Modified);
  EXPECT_EQ(ReadFileBytes(path), QByteArray("<p><html></html>\r\n"));
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
}

// Saving a link in a circle of links is refused with the system's reason;
// the links stay links.
TEST_F(DocumentSave, ACircleOfLinksIsRefusedWithTheReason) {
  const QString loop1 = root + "docs/loop1.html", loop2 = root + "docs/loop2.html";
  QDir().mkpath(root + "docs");
  TChildForm* doc = Main().CreateDocument(false, false, ".html", QString());
  ASSERT_TRUE(doc);
  const QString name = doc->Caption();
  doc->Memo1->SetSelText("<p>");
  ASSERT_EQ(::symlink("loop2.html", QFile::encodeName(loop1).constData()), 0);
  ASSERT_EQ(::symlink("loop1.html", QFile::encodeName(loop2).constData()), 0);
  AnswerFileDialog("SaveDialog1", {loop1});
  EXPECT_FALSE(Main().SaveDocument(true));
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages().last().text, "Cannot create file \"" + loop1 + "\". Too many levels of symbolic links.");
  EXPECT_EQ(prompts.Messages().last().kind, 2);
  EXPECT_TRUE(doc->Modified);
  EXPECT_EQ(doc->Caption(), name);
  EXPECT_TRUE(QFileInfo(loop1).isSymLink() && QFileInfo(loop2).isSymLink());
}

TEST_F(DocumentSave, AFileTooLargeForTheMemoryIsRefusedWithAMessage) {
  const QString path = MakeFile("huge.html", QByteArray(100000, '\n'));
  Memory::SetAvailableForTesting(100000);
  TChildForm* doc = Open(path);
  Memory::SetAvailableForTesting(-1);
  EXPECT_EQ(doc, nullptr);
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_TRUE(prompts.Messages().last().text.startsWith("Not enough memory to open \"" + path + "\""));
  EXPECT_EQ(prompts.Messages().last().kind, 2);
}

TEST_F(DocumentSave, ChangesOnDiskAreNotOverwrittenUnasked) {
  const QString path = MakeFile("page.html");
  TChildForm* doc = Open(path);
  doc->Memo1->SetSelText("mine ");
  WriteFileBytes(path, "theirs\n");  // another program saves meanwhile
  const QString question = Question(path, "DiskChangedSave");

  EXPECT_FALSE(Main().ActionSaveExecute());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages().last().text, question);
  EXPECT_EQ(prompts.Messages().last().kind, 1);
  EXPECT_EQ(ReadFileBytes(path), QByteArray("theirs\n"));
  EXPECT_TRUE(doc->Modified);

  prompts.Answer(question, 6);
  EXPECT_TRUE(Main().ActionSaveExecute());
  EXPECT_EQ(ReadFileBytes(path), QByteArray("mine <html></html>\r\n"));
  // Our own save is no change by another program.
  doc->Memo1->SetSelText("again ");
  EXPECT_TRUE(Main().ActionSaveExecute());
  EXPECT_EQ(prompts.Messages().size(), 2);
}

TEST_F(DocumentSave, AnUnmodifiedDocumentOffersToReloadOncePerChange) {
  const QString path = MakeFile("page.html", "one\ntwo\nthree\n");
  TChildForm* doc = Open(path);
  doc->Memo1->SetCaretXY({2, 3});
  const QString question = Question(path, "DiskChangedReload");
  doc->CheckDiskChange();
  EXPECT_TRUE(prompts.Messages().isEmpty());  // nothing changed

  WriteFileBytes(path, "one\ntwo\nTHREE\nfour\n");
  doc->CheckDiskChange();  // declined: the text stays
  doc->CheckDiskChange();  // the same change is not offered twice
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages().last().text, question);
  EXPECT_EQ(doc->Memo1->Lines().ToStringList(), QStringList({"one", "two", "three"}));

  prompts.Answer(question, 6);
  WriteFileBytes(path, "one\ntwo\nTHREE!\nfour\n");
  doc->CheckDiskChange();
  EXPECT_EQ(doc->Memo1->Lines().ToStringList(), QStringList({"one", "two", "THREE!", "four"}));
  EXPECT_FALSE(doc->Modified);
  EXPECT_EQ(doc->Memo1->CaretXY(), (TPoint{2, 3}));

  // A document with changes of its own is not offered a reload (its save asks).
  doc->Memo1->SetSelText("x");
  WriteFileBytes(path, "other\n");
  doc->CheckDiskChange();
  EXPECT_EQ(prompts.Messages().size(), 2);

  // The system's file watch brings the offer without a call.
  TChildForm* second = Open(MakeFile("second.html"));
  const QString secondQuestion = Question(second->Caption(), "DiskChangedReload");
  WriteFileBytes(second->Caption(), "changed\n");
  EXPECT_TRUE(QTest::qWaitFor([&] { return prompts.Messages().last().text == secondQuestion; }, 10000));
}

// A pipe put in the place of an open document's file is named when a reload
// is asked for, and never opened: the text stays as it was.
TEST_F(DocumentSave, AReloadOfAFileTurnedIntoAPipeNamesItAndKeepsTheText) {
  const QString path = MakeFile("page.html", "one\ntwo\n");
  TChildForm* doc = Open(path);
  const QString question = Question(path, "DiskChangedReload");
  prompts.Answer(question, 6);
  TFifoWatch fifos;
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(fifos.Make(path));
  doc->CheckDiskChange();
  ASSERT_FALSE(prompts.Messages().isEmpty());
  EXPECT_EQ(prompts.Messages().last().text, path + " NotRegularFile");
  EXPECT_EQ(prompts.Messages().last().kind, 2);
  EXPECT_EQ(doc->Memo1->Lines().ToStringList(), QStringList({"one", "two"}));
  EXPECT_TRUE(fifos.Opened().isEmpty()) << "the pipe was opened";
}

TEST_F(DocumentSave, ASingleBytePageBecomesUtf8OnlyWhenTheUserSaysSo) {
  const QByteArray page =
      "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n"
      "<html><head><meta charset=\"ISO-8859-1\"></head>\n<body></body></html>\n";
  const QString path = MakeFile("latin.html", page);
  TChildForm* doc = Open(path);
  doc->Memo1->SetCaretXY({7, 3});
  doc->Memo1->SetSelText(QStringLiteral("caf\u00E9"));
  EXPECT_TRUE(Main().ActionSaveExecute());
  EXPECT_TRUE(prompts.Messages().isEmpty());
  const QByteArray latin = ReadFileBytes(path);
  EXPECT_TRUE(latin.contains("<body>caf\xE9</body>"));

  doc->Memo1->SetSelText(QStringLiteral(" \u4E2D"));
  const QString question = Question(path, "SaveAsUtf8");
  EXPECT_FALSE(Main().ActionSaveExecute());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages().last().text, question);
  EXPECT_EQ(prompts.Messages().last().kind, 1);
  EXPECT_EQ(ReadFileBytes(path), latin);
  EXPECT_TRUE(doc->Modified);

  prompts.Answer(question, 6);
  EXPECT_TRUE(Main().ActionSaveExecute());
  EXPECT_EQ(ReadFileBytes(path), QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                            "<html><head><meta charset=\"utf-8\"></head>\n"
                                            "<body>caf\xC3\xA9 \xE4\xB8\xAD</body></html>\n"));
}

// The bytes a save writes for `bytes` read unchanged: every line break in
// the style the file used (CR LF when it mixed them), one after the last line.
QByteArray WithSaveLineBreaks(const QByteArray& bytes) {
  const bool cr = bytes.contains('\r'), lf = bytes.contains('\n');
  const QByteArray style = cr && !lf ? "\r" : lf && !cr ? "\n" : "\r\n";
  QByteArray out = bytes;
  out.replace("\r\n", "\n").replace('\r', '\n');
  if (!out.isEmpty() && !out.endsWith('\n')) out += '\n';
  return out.replace("\n", style);
}

TEST_F(DocumentSave, RealPagesComeBackAsTheyWereRead) {
  const QDir pages(QStringLiteral(KV_SOURCE_DIR "/tests/data/pages"));
  const QStringList names = pages.entryList({"*.html"}, QDir::Files, QDir::Name);
  ASSERT_EQ(names.size(), 5);
  for (const QString& name : names) {
    const QByteArray original = ReadFileBytes(pages.filePath(name));
    QByteArray crlf = original;
    crlf.replace("\n", "\r\n");
    QStringEncoder utf16(QStringConverter::Utf16LE);
    const QByteArray wide = "\xFF\xFE" + QByteArray(utf16(QString::fromUtf8(original)));
    int variant = 0;
    for (const QByteArray& bytes : {original, crlf, wide}) {
      SCOPED_TRACE(name.toStdString() + " of " + std::to_string(bytes.size()) + " bytes");
      const QString path = MakeFile(QString::number(++variant) + name, bytes);
      TChildForm* doc = Open(path);
      ASSERT_NE(doc, nullptr);
      ASSERT_TRUE(Main().ActionSaveExecute());
      const QByteArray saved = ReadFileBytes(path);
      if (variant == 3) {
        QStringEncoder again(QStringConverter::Utf16LE);
        EXPECT_EQ(saved, "\xFF\xFE" + QByteArray(again(QString::fromUtf8(WithSaveLineBreaks(original)))));
      } else {
        EXPECT_EQ(saved, WithSaveLineBreaks(bytes));
      }
      doc->close();
    }
  }
  EXPECT_TRUE(prompts.Messages().isEmpty());
}

}  // namespace
