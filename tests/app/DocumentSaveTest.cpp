#include "app/Frame.h"

#include "platform/Memory.h"
#include "tests/app/AppFixture.h"

#include <QFile>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class DocumentSave : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    // The texts of the questions asked here equal their keys, too.
    QByteArray more;
    for (const char* key : {"SaveInPlaceDir", "SaveInPlaceLinks", "SaveInPlaceOwner", "SaveInPlaceAsk"})
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

}  // namespace
