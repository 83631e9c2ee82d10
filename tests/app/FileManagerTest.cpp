#include "app/FileManagerDialogs.h"
#include "app/FileManagerPane.h"
#include "app/FileOperations.h"
#include "app/ProjectPages.h"
#include "files/FrDirectoryTree.h"
#include "files/FrFileListBox.h"
#include "files/PromptDialogs.h"
#include "tests/app/AppFixture.h"

#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

namespace {

// Keys of the file manager's own texts, added to the fixture's module.
const QStringList kPaneKeys = {
    "FilesCounted", "FMMAN",      "PJMAN",     "TagLib",      "DelFile1",    "DelFile2",    "DelFileAll",
    "DelFileConf",  "DelFileComp", "DelFileAbort", "DelFileFail", "ChFToN",   "ChFToNe",     "RenameBad",
    "RenameExists", "RenameFail", "Incl",      "DP_Show",     "DP_CMD",      "fcSource",    "fcDest",
    "fcCpFiles",    "Stoppen",    "DestPath",  "NoDir",       "cncDir",      "FileExists1", "FileExists2",
    "CopyDone",     "CopyFailed", "CopyStopped", "Close",     "DelFolder1",  "DelFolder2",  "ErrorDel1",
    "ErrorDel2",    "ShToolMissing", "FLOpenFail"};

class FileManager : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    QByteArray module;
    for (const QString& key : ModuleKeys() + kPaneKeys) {
      const QByteArray k = key.toLatin1();
      module += k.leftJustified(20, ' ') + (key == u"DefCharSet" ? QByteArray("DEFAULT_CHARSET") : k) + "\r\n";
    }
    WriteFileBytes(root + QStringLiteral("Language Modules/test.lms"), module);
    LoadLanguageModule();
    site = root + QStringLiteral("site/");
    QDir().mkpath(site);
  }
  TFileManagerPane& Pane() { return *Main().FileManager; }
  // Shows `folder` in the pane and selects `names` in the list.
  void Select(const QString& folder, const QStringList& names) {
    Pane().FrDirectoryTree1->OpenPath(folder);
    Pane().FrFileListBox1->ReadFileNames();
    Pane().FrFileListBox1->clearSelection();
    for (const QString& n : names) {
      const auto found = Pane().FrFileListBox1->findItems(n, Qt::MatchExactly);
      ASSERT_EQ(found.size(), 1) << n.toStdString();
      Pane().FrFileListBox1->setCurrentItem(found.first(), QItemSelectionModel::Select);
    }
  }
  QString File(const QString& name, const QByteArray& bytes = "x") {
    WriteFileBytes(site + name, bytes);
    return site + name;
  }
  QStringList MessageTexts() const {
    QStringList texts;
    for (const auto& m : prompts.Messages()) texts << m.text;
    return texts;
  }
  // Answers the one-line prompt with `text` (OK) or cancels it.
  void AnswerPrompt(const QString& text, bool ok = true) {
    prompts.AnswerDialog("fDosPrompt", [text, ok](QDialog& d) {
      auto& p = static_cast<TfDosPrompt&>(d);
      p.Edit1->setText(text);
      (ok ? p.Button1 : p.Button2)->click();
      return d.result();
    });
  }

  QString site;
};

}  // namespace

// ------------------------------------------------------------ pure rules

TEST(FileOperations, SizeTexts) {
  const struct {
    qint64 bytes;
    const char* locale;
    const char* text;
  } cases[] = {
      {0, "en_US", "0 bytes"},          {999, "en_US", "999 bytes"},         {1000, "en_US", "0.97 KB"},
      {1536, "en_US", "1.50 KB"},       {12646, "en_US", "12.3 KB"},         {1048575, "en_US", "1023 KB"},
      {1048576, "en_US", "1.00 MB"},    {1073741824, "en_US", "1.00 GB"},    {126362, "en_US", "123 KB"},
      {126362, "de_DE", "123 KB"},      {1536, "de_DE", "1,50 KB"},          {1073741824, "de_DE", "1,00 GB"},
      // From 10000 GB up the integer part stays whole.
      {10995116277760LL, "en_US", "10240 GB"}, {1073741824LL * 1500, "de_DE", "1500 GB"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FileOps::SizeText(c.bytes, QLocale(QLatin1String(c.locale))), QLatin1String(c.text))
        << c.bytes << " " << c.locale;
  EXPECT_EQ(FileOps::SignificantDigits(12.345, 3, QLocale::c()), "12.3");
  for (int digits : {0, 17}) {
    try {
      FileOps::SignificantDigits(1.0, digits, QLocale::c());
      ADD_FAILURE() << digits;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "GetSignificantDigits: A number of significant digits out of range");
    }
  }
}

TEST(FileOperations, AddToDocumentFragments) {
  const struct {
    const char* name;
    const char* include;
    const char* link;
  } cases[] = {
      {"menu.inc.php", "<!--#include file=\"menu.inc.php\" -->", "<a href=\"menu.inc.php\">menu</a>"},
      {"README", "<!--#include file=\"README\" -->", "<a href=\"README\">README</a>"},
      {"a&b<\"c.html", "<!--#include file=\"a&amp;b&lt;&quot;c.html\" -->",
       "<a href=\"a&amp;b&lt;&quot;c.html\">a&amp;b&lt;&quot;c</a>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileOps::IncludeFragment(c.name), QLatin1String(c.include));
    EXPECT_EQ(FileOps::LinkFragment(c.name), QLatin1String(c.link));
  }
  for (const char* name : {"a.BMP", "b.ico", "c.wmf", "d.emf", "e.gif", "f.jpg", "g.JPEG", "h.png"})
    EXPECT_TRUE(FileOps::IsInsertablePicture(name)) << name;
  for (const char* name : {"a.tif", "jpg", "x.html"}) EXPECT_FALSE(FileOps::IsInsertablePicture(name)) << name;
}

TEST(FileOperations, RunBoxTexts) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/My Site";
  QDir().mkpath(folder);
  WriteFileBytes(folder + "/index.html", "x");
  const QString url = QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded);
  ASSERT_TRUE(url.contains("My%20Site"));
  const struct {
    QString text;
    FileOps::TRunTarget::Kind kind;
    QString path;
  } cases[] = {
      {url + "/index.html", FileOps::TRunTarget::File, folder + "/index.html"},
      {folder + "/index.html", FileOps::TRunTarget::File, folder + "/index.html"},
      {QString(folder).replace(" ", "%20") + "/index.html", FileOps::TRunTarget::File, folder + "/index.html"},
      {"  " + url + "/  ", FileOps::TRunTarget::Folder, folder},
      {"cmd", FileOps::TRunTarget::Tool, "cmd"},
      {"calc", FileOps::TRunTarget::Tool, "calc"},
      {"notepad", FileOps::TRunTarget::Nothing, ""},
      {"file:", FileOps::TRunTarget::Nothing, ""},
  };
  for (const auto& c : cases) {
    const FileOps::TRunTarget t = FileOps::ResolveRunText(c.text);
    EXPECT_EQ(t.kind, c.kind) << c.text.toStdString();
    EXPECT_EQ(t.path, c.path) << c.text.toStdString();
  }
}

// ------------------------------------------------------------ the pane

TEST_F(FileManager, SidePanePagesAndVisibility) {
  Ini().WriteBool("ToolBars", "FileManager", true);
  EXPECT_TRUE(Main().Panel1->isVisible());
  ASSERT_EQ(Main().TabSet1->count(), 3);
  EXPECT_EQ(Main().TabSet1->tabText(0), "FMMAN");
  EXPECT_EQ(Main().TabSet1->tabText(1), "PJMAN");
  EXPECT_EQ(Main().TabSet1->tabText(2), "TagLib");
  Main().TabSet1->setCurrentIndex(2);
  EXPECT_EQ(Main().PageControl2->currentWidget(), Main().TagPage->parentWidget());
  Main().PageControl2->setCurrentIndex(0);  // as the project tree does when it opens a folder
  EXPECT_EQ(Main().TabSet1->currentIndex(), 0);
  // F11 hides the pane and keeps that; the close button too; the tools menu shows it again.
  Main().Action("FileMan1")->trigger();
  EXPECT_FALSE(Main().Panel1->isVisible());
  EXPECT_FALSE(Ini().ReadBool("ToolBars", "FileManager", true));
  Main().Action("ProjectManager1")->trigger();
  EXPECT_TRUE(Main().Panel1->isVisible());
  EXPECT_EQ(Main().PageControl2->currentIndex(), 1);
  EXPECT_EQ(Main().TabSet1->currentIndex(), 1);
  EXPECT_TRUE(Ini().ReadBool("ToolBars", "FileManager", false));
  Pane().SpeedButton2->click();
  EXPECT_FALSE(Main().Panel1->isVisible());
  EXPECT_FALSE(Ini().ReadBool("ToolBars", "FileManager", true));
}
