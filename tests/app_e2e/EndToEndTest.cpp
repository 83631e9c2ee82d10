// The program as a person uses it, with the real embedded browser: open a
// page given on the command line, change it, preview it and save it. Runs
// under a virtual X server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/shell/Frame.h"
#include "app/shell/StartUp.h"
#include "highlighters/SrcHighlighters.h"
#include "platform/ProgramFolder.h"
#include "tests/common/TestUtil.h"

namespace {

// The program in a folder of its own, with a language module whose exit
// question is asked by key and answered Yes.
class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramFolder(root);
    QDir(root).mkpath("Language Modules");
    WriteFileBytes(root + "Language Modules/english.lms", "ExitMsg             ExitMsg\r\n");
    Settings::Open().WriteString("TranslationModule", "Path", root + "Language Modules/english.lms");
    prompts.Answer("ExitMsg", 6);
  }
  void TearDown() override {
    main.reset();
    SetProgramFolder(QString());
  }
  // Starts the program with `page` on its command line; its document window.
  TChildForm* Start(const QString& page) {
    main.reset(StartUp({page}));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    return main->ActiveDocument();
  }

  QTemporaryDir dir;
  const QString root = dir.path() + u'/';
  TScriptedPrompts prompts;
  TPromptsScope scope{prompts};
  std::unique_ptr<TfMain> main;
};

}  // namespace

TEST_F(EndToEnd, OpenTypePreviewSave) {
  Settings::Open().WriteBool("SHigh", "Enabled", true);
  const QString page = root + "site/page.html";
  QDir().mkpath(root + "site");
  WriteFileBytes(page, "<html>\n<head><title>Generated page</title></head>\n<body>\n</body>\n</html>\n");

  TChildForm* doc = Start(page);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->Caption(), page);
  EXPECT_EQ(doc->CheckedHighlighter(), QStringLiteral("HTML"));

  // Type a paragraph into the body and a new title, key by key.
  doc->Memo1->setFocus();
  doc->Memo1->SetCaretXY({1, 4});
  QTest::keyClicks(doc->Memo1, "<p>typed</p>");
  QTest::keyClick(doc->Memo1, Qt::Key_Return);
  doc->Memo1->SetCaretXY({28, 2});
  QTest::keyClicks(doc->Memo1, " (edited)");
  EXPECT_TRUE(doc->Modified);

  main->previewExecute();
  EXPECT_EQ(doc->PageControl1->currentIndex(), 1);
  ASSERT_TRUE(doc->wb->HasView());
  EXPECT_TRUE(QTest::qWaitFor([doc] { return doc->wb->View().Title() == "Generated page (edited)"; }, 60000))
      << doc->wb->View().Title().toStdString();
  EXPECT_TRUE(QFileInfo::exists(root + "site/kvx_tmp~page.html"));

  EXPECT_TRUE(main->ActionSaveExecute());
  EXPECT_EQ(
      ReadFileBytes(page),
      QByteArray(
          "<html>\n<head><title>Generated page (edited)</title></head>\n<body>\n<p>typed</p>\n</body>\n</html>\n"));
  EXPECT_TRUE(main->close());
  EXPECT_FALSE(QFileInfo::exists(root + "site/kvx_tmp~page.html"));
}

// A preview page may show its sibling image, but its scripts may not read
// the sibling files; the page sees the preview's user agent.
TEST_F(EndToEnd, PreviewScriptsCannotReadLocalFiles) {
  QDir(root).mkpath("site");
  QImage picture(3, 2, QImage::Format_RGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(root + "site/pic.png"));
  WriteFileBytes(root + "site/secret.txt", "secret");
  const QString page = root + "site/page.html";
  WriteFileBytes(page, R"(<html><head><title>loading</title></head><body>
<img id="pic" src="pic.png">
<script>
function viaXhr() {
  return new Promise(function (done) {
    var x = new XMLHttpRequest();
    x.onload = function () { done('read ' + x.responseText); };
    x.onerror = function () { done('refused'); };
    try { x.open('GET', 'secret.txt'); x.send(); } catch (e) { done('refused'); }
  });
}
function viaFetch() {
  return fetch('secret.txt').then(function (r) { return r.text(); })
      .then(function (t) { return 'read ' + t; }, function () { return 'refused'; });
}
window.addEventListener('load', function () {
  Promise.all([viaXhr(), viaFetch()]).then(function (r) {
    document.title = 'image ' + document.getElementById('pic').naturalWidth + ', xhr ' + r[0] + ', fetch ' + r[1] +
        ', agent ' + / Korvex Vantar - Preview Browser$/.test(navigator.userAgent);
  });
});
</script></body></html>
)");

  TChildForm* doc = Start(page);
  ASSERT_NE(doc, nullptr);
  main->previewExecute();
  ASSERT_TRUE(doc->wb->HasView());
  EXPECT_TRUE(QTest::qWaitFor([doc] { return doc->wb->View().Title().startsWith("image"); }, 60000))
      << doc->wb->View().Title().toStdString();
  EXPECT_EQ(doc->wb->View().Title().toStdString(), "image 3, xhr refused, fetch refused, agent true");
  if (const QString artefacts = qEnvironmentVariable("KV_ARTEFACT_DIR"); !artefacts.isEmpty()) {
    QDir().mkpath(artefacts);
    main->grab().save(artefacts + "/preview.png");
  }
  EXPECT_TRUE(main->close());
}

int main(int argc, char** argv) {
  // As in the program: the browser module is loaded with the first preview
  // (as root its engine runs without its sandbox), and no OpenGL context is
  // made for it at start-up.
  QApplication app(argc, argv);
  RegisterBuiltinHighlighters();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
