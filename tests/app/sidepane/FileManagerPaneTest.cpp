// Tests of TFileManagerPane (app/sidepane/FileManagerPane.cpp) with its
// dialogs (FileManagerDialogs.cpp) and file operations (FileOperations.cpp).
#include <QApplication>
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

#include "app/sidepane/FileManagerDialogs.h"
#include "app/sidepane/FileManagerPane.h"
#include "app/sidepane/FileOperations.h"
#include "app/sidepane/ProjectPages.h"
#include "files/FrDirectoryTree.h"
#include "files/FrFileListBox.h"
#include "files/PromptDialogs.h"
#include "images/ThumbnailList.h"
#include "images/uImageLoad.h"
#include "tests/app/AppFixture.h"
#include "tests/common/FifoWatch.h"
#include "tests/images/PictureTestSupport.h"

namespace {

// Keys of the file manager's own texts, added to the fixture's module.
const QStringList kPaneKeys = {
    "FilesCounted", "FMMAN",         "PJMAN",        "TagLib",      "DelFile1",   "DelFile2",     "DelFileAll",
    "DelFileConf",  "DelFileComp",   "DelFileAbort", "DelFileFail", "ChFToN",     "ChFToNe",      "RenameBad",
    "RenameExists", "RenameFail",    "Incl",         "DP_Show",     "DP_CMD",     "fcSource",     "fcDest",
    "fcCpFiles",    "Stoppen",       "DestPath",     "NoDir",       "cncDir",     "FileExists1",  "FileExists2",
    "CopyDone",     "CopyFailed",    "CopyStopped",  "Close",       "DelFolder1", "DelFolder2",   "ErrorDel1",
    "ErrorDel2",    "ShToolMissing", "FLOpenFail",   "NoTrash",     "NotRegular", "ImgNoPictures"};
// Keys of the refusals of pipes and devices.
const QStringList kRefusalKeys = {"NotRegularFile"};

class FileManager : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    QByteArray module;
    for (const QString& key : ModuleKeys() + kPaneKeys + kRefusalKeys) {
      const QByteArray k = key.toLatin1();
      module += k.leftJustified(20, ' ') + (key == u"DefCharSet" ? QByteArray("DEFAULT_CHARSET") : k) + "\r\n";
    }
    WriteFileBytes(root + QStringLiteral("Language Modules/test.lms"), module);
    LoadLanguageModule();
    site = root + QStringLiteral("site/");
    QDir().mkpath(site);
  }
  TFileManagerPane& Pane() {
    Main().EnsureSidePane();
    return *Main().FileManager;
  }
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
    // Keys reach the list as the user's would.
    Main().Panel1->show();
    QApplication::setActiveWindow(&Main());
    Pane().FrFileListBox1->setFocus();
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
      {0, "en_US", "0 bytes"},
      {999, "en_US", "999 bytes"},
      {1000, "en_US", "0.97 KB"},
      {1536, "en_US", "1.50 KB"},
      {12646, "en_US", "12.3 KB"},
      {1048575, "en_US", "1023 KB"},
      {1048576, "en_US", "1.00 MB"},
      {1073741824, "en_US", "1.00 GB"},
      {126362, "en_US", "123 KB"},
      {126362, "de_DE", "123 KB"},
      {1536, "de_DE", "1,50 KB"},
      {1073741824, "de_DE", "1,00 GB"},
      // From 10000 GB up the integer part stays whole.
      {10995116277760LL, "en_US", "10240 GB"},
      {1073741824LL * 1500, "de_DE", "1500 GB"},
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

TEST_F(FileManager, MaskItemsCountAndSetting) {
  ASSERT_EQ(TFileManagerPane::MaskItems().size(), 16);
  EXPECT_EQ(Pane().ComboBox2->currentText(), "Filter ...");
  File("a.txt");
  File("b.xsd");
  File("c.html");
  Select(site, {});
  // Items holding "," or a trailing blank still filter.
  Pane().ComboBox2->setCurrentIndex(5);  // "*.txt,"
  Pane().MaskChosen(5);
  EXPECT_EQ(Pane().FrFileListBox1->count(), 1);
  EXPECT_EQ(Ini().ReadString("File", "Mask", ""), "*.txt,");
  Pane().MaskChosen(13);  // "*.xml,*.xsd,..."
  EXPECT_EQ(Pane().FrFileListBox1->Mask(), "*.xml;*.xsd;*.xsl;*.xslt;*.dtd");
  EXPECT_EQ(Pane().FrFileListBox1->count(), 1);
  EXPECT_EQ(Pane().StatusText->text(), "FilesCounted 1");
  // Enter applies a typed mask, even one equal to an item, without keeping it.
  Pane().ComboBox2->setEditText("*.html");
  QTest::keyClick(Pane().ComboBox2->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(Pane().FrFileListBox1->Mask(), "*.html");
  EXPECT_EQ(Ini().ReadString("File", "Mask", ""), "*.xml,*.xsd,*.xsl,*.xslt,*.dtd");
}

TEST_F(FileManager, DeleteGoesToTheTrash) {
  const QString trash = root + "xdg";
  const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", trash.toLocal8Bit());
  const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", oldXdg); });
  File("one.html");
  Select(site, {"one.html"});
  prompts.Answer("DelFile1 [ one.html ] DelFile2", 6);
  QTest::keyClick(Pane().FrFileListBox1, Qt::Key_Delete);
  EXPECT_FALSE(QFileInfo::exists(site + "one.html"));
  EXPECT_TRUE(QFileInfo::exists(trash + "/Trash/files/one.html"));
  const QString info = QString::fromUtf8(ReadFileBytes(trash + "/Trash/info/one.html.trashinfo"));
  EXPECT_TRUE(info.contains("Path=" + site + "one.html")) << info.toStdString();
  EXPECT_EQ(MessageTexts(), QStringList{"DelFile1 [ one.html ] DelFile2"});
  EXPECT_EQ(Pane().FrFileListBox1->count(), 0);
}

TEST_F(FileManager, FailedMoveToTheTrashIsReportedAndKeepsTheFile) {
  // A trash that cannot be made: its place is taken by a file.
  const QString blocked = root + "blocked";
  WriteFileBytes(blocked, "x");
  const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", blocked.toLocal8Bit());
  const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", oldXdg); });
  File("keep.html", "K");
  Select(site, {"keep.html"});
  prompts.Answer("DelFile1 [ keep.html ] DelFile2", 6);
  Pane().DeleteSelectedFiles(false);
  EXPECT_EQ(ReadFileBytes(site + "keep.html"), "K");
  ASSERT_EQ(prompts.Messages().size(), 2);
  // The message says what is wrong with the trash.
  EXPECT_EQ(prompts.Messages()[1].text, "DelFileFail\nkeep.html: NoTrash " + blocked + ": Not a directory");
  EXPECT_EQ(prompts.Messages()[1].kind, 2);
  EXPECT_FALSE(QFileInfo::exists("files/keep.html"));
}

TEST_F(FileManager, AFailedMoveToTheTrashNamesItsReason) {
  // The trash's "files" folder is a file: the system gives no reason of its
  // own, the message names the folder and what is wrong with it.
  const QString trash = root + "xdg";
  QDir().mkpath(trash + "/Trash/info");
  WriteFileBytes(trash + "/Trash/files", "x");
  const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", trash.toLocal8Bit());
  const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", oldXdg); });
  File("d.txt", "D");
  QString error;
  EXPECT_FALSE(FileOps::MoveToTrash(site + "d.txt", &error));
  EXPECT_EQ(error, "NoTrash " + trash + "/Trash/files: Not a directory");
  EXPECT_EQ(ReadFileBytes(site + "d.txt"), "D");
}

TEST_F(FileManager, ShiftDeleteAndSeveralFiles) {
  for (const char* n : {"a.html", "b.html", "c.html"}) File(n);
  Select(site, {"a.html"});
  prompts.Answer("DelFile1 [ a.html ] DelFile2", 6);
  QTest::keyClick(Pane().FrFileListBox1, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_FALSE(QFileInfo::exists(site + "a.html"));
  // Three files, three questions before anything goes.
  File("a.html");
  QStringList listed;
  const auto confirm = [&listed](bool ok) {
    return [&listed, ok](QDialog& d) {
      auto& c = static_cast<TfConfdel&>(d);
      listed.clear();
      for (int i = 0; i < c.ListBox1->count(); ++i) listed << c.ListBox1->item(i)->text();
      (ok ? c.Button1 : c.Button2)->click();
      return d.result();
    };
  };
  prompts.Answer("DelFileAll", 6);
  prompts.Answer("DelFileConf", 6);
  prompts.AnswerDialog("fConfdel", confirm(false));
  Select(site, {"a.html", "b.html", "c.html"});
  Pane().DeleteSelectedFiles(true);
  EXPECT_EQ(Pane().FrFileListBox1->count(), 3);
  EXPECT_EQ(MessageTexts().mid(1), QStringList({"DelFileAll", "DelFileAbort"}));
  prompts.AnswerDialog("fConfdel", confirm(true));
  Pane().DeleteSelectedFiles(true);
  EXPECT_EQ(listed, QStringList({site + "a.html", site + "b.html", site + "c.html"}));
  EXPECT_EQ(MessageTexts().mid(3), QStringList({"DelFileAll", "DelFileConf", "DelFileComp"}));
  EXPECT_EQ(QDir(site).entryList(QDir::Files), QStringList());
}

TEST_F(FileManager, RenameRefusals) {
  File("a.html", "A");
  File("b.html", "B");
  QDir().mkpath(root + "outside");
  const struct {
    QString name;
    QString message;  // empty: renamed
  } cases[] = {
      {"b.html", "RenameExists b.html"},
      {"../outside/a.html", "RenameBad"},
      {"sub/a.html", "RenameBad"},
      {".", "RenameBad"},
      {"..", "RenameBad"},
      {"", "RenameBad"},
      {" c.html", "RenameBad"},
      {"c.html", ""},
  };
  QString current = "a.html";
  for (const auto& c : cases) {
    Select(site, {current});
    const qsizetype before = prompts.Messages().size();
    AnswerPrompt(c.name);
    QTest::keyClick(Pane().FrFileListBox1, Qt::Key_F2);
    if (c.message.isEmpty()) {
      EXPECT_EQ(prompts.Messages().size(), before) << c.name.toStdString();
      current = c.name;
    } else {
      ASSERT_EQ(prompts.Messages().size(), before + 1) << c.name.toStdString();
      EXPECT_EQ(prompts.Messages().last().text, c.message);
    }
  }
  EXPECT_EQ(ReadFileBytes(site + "c.html"), "A");
  EXPECT_EQ(ReadFileBytes(site + "b.html"), "B");
  EXPECT_EQ(QDir(root + "outside").entryList(QDir::Files), QStringList());
  EXPECT_EQ(Pane().FrFileListBox1->FileName(), "c.html");
  // Cancel renames nothing.
  AnswerPrompt("d.html", false);
  Pane().RenameSelectedFile();
  EXPECT_TRUE(QFileInfo::exists(site + "c.html"));
}

TEST_F(FileManager, CopyFlows) {
  for (const char* n : {"a.txt", "b.txt", "c.txt", "d.txt"}) File(n, QByteArray(n));
  const QString dest = root + "copy/new";
  QDir().mkpath(root + "copy");
  // Runs the copy dialog on the selected files with `destination`.
  const auto copyTo = [this](const QString& destination) {
    prompts.AnswerDialog("fFileCopy", [destination](QDialog& d) {
      auto& c = static_cast<TfFileCopy&>(d);
      c.Edit1->setText(destination);
      c.Button1->click();
      return d.result();
    });
    Pane().CopySelectedFiles();
    return prompts.Dialogs().last() == "fFileCopy";
  };
  // Four files into a folder that is made for them; the tree then shows it.
  Select(site, {"a.txt", "b.txt", "c.txt", "d.txt"});
  prompts.Answer("NoDir", 6);
  EXPECT_TRUE(copyTo(dest + "/"));
  EXPECT_EQ(QDir(dest).entryList(QDir::Files), QStringList({"a.txt", "b.txt", "c.txt", "d.txt"}));
  EXPECT_EQ(ReadFileBytes(dest + "/c.txt"), "c.txt");
  EXPECT_EQ(MessageTexts(), QStringList({"NoDir", "CopyDone"}));
  EXPECT_EQ(Pane().Folder(), dest);
  EXPECT_EQ(QDir(dest).entryList(QDir::Hidden | QDir::Files).size(), 4);  // no temporary files left

  // Again with "Yes to all": asked once, all replaced.
  for (const char* n : {"a.txt", "b.txt", "c.txt", "d.txt"}) File(n, "new");
  Select(site, {"a.txt", "b.txt", "c.txt", "d.txt"});
  prompts.Answer("FileExists1 a.txt FileExists2", 10);
  copyTo(dest);
  EXPECT_EQ(MessageTexts().mid(2), QStringList({"FileExists1 a.txt FileExists2", "CopyDone"}));
  EXPECT_EQ(ReadFileBytes(dest + "/d.txt"), "new");

  // No skips a file, Yes replaces one.
  File("a.txt", "newer");
  File("b.txt", "newer");
  Select(site, {"a.txt", "b.txt"});
  prompts.Answer("FileExists1 a.txt FileExists2", 7);
  prompts.Answer("FileExists1 b.txt FileExists2", 6);
  copyTo(dest);
  EXPECT_EQ(ReadFileBytes(dest + "/a.txt"), "new");
  EXPECT_EQ(ReadFileBytes(dest + "/b.txt"), "newer");

  // A copy into the source folder keeps every source, without a question.
  const qsizetype asked = prompts.Messages().size();
  Select(site, {"a.txt", "b.txt"});
  copyTo(site);
  EXPECT_EQ(MessageTexts().mid(asked), QStringList{"CopyDone"});
  EXPECT_EQ(ReadFileBytes(site + "a.txt"), "newer");

  // A file gone before its turn: counted and reported, never "CopyDone".
  Select(site, {"a.txt", "c.txt"});
  QFile::remove(site + "a.txt");
  copyTo(root + "copy/other");  // made after the question
  ASSERT_EQ(prompts.Messages().last().kind, 2);
  EXPECT_TRUE(prompts.Messages().last().text.startsWith("CopyFailed 1\na.txt: "))
      << prompts.Messages().last().text.toStdString();
  EXPECT_FALSE(MessageTexts().mid(asked + 1).contains("CopyDone"));
  EXPECT_EQ(ReadFileBytes(root + "copy/other/c.txt"), "new");
}

TEST_F(FileManager, CopyRefusalsAndStop) {
  File("big.bin", QByteArray(3 << 20, 'x'));
  File("small.txt", "s");
  WriteFileBytes(root + "blocked", "x");
  Select(site, {"big.bin", "small.txt"});
  TfFileCopy dialog;
  dialog.Setup({"big.bin", "small.txt"}, site);
  EXPECT_EQ(dialog.Label7->text(), "FilesCounted2");
  // No destination: said so; none that can be made: said so, nothing copied.
  dialog.Button1->click();
  prompts.Answer("NoDir", 6);
  dialog.Edit1->setText(root + "blocked/sub");
  dialog.Button1->click();
  EXPECT_EQ(MessageTexts(), QStringList({"DestPath", "NoDir", "cncDir " + root + "blocked/sub"}));
  EXPECT_EQ(prompts.Messages()[2].kind, 2);
  // Stopped in the middle of the big file: no part of it is left behind;
  // Copy and Close stay disabled while copying.
  QDir().mkpath(root + "to");
  dialog.Edit1->setText(root + "to");
  prompts.Answer("Stoppen", 6);
  bool disabled = false;
  QTimer::singleShot(0, &dialog, [&] {
    disabled = dialog.Copying() && !dialog.Button1->isEnabled() && !dialog.Button2->isEnabled();
    dialog.Button3->click();
  });
  dialog.Button1->click();
  EXPECT_TRUE(disabled);
  EXPECT_EQ(QDir(root + "to").entryList(QDir::Files | QDir::Hidden), QStringList());
  EXPECT_EQ(prompts.Messages().last().text, "CopyStopped");
  // Closing the window while copying stops as well.
  QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
  dialog.Button1->click();
  EXPECT_FALSE(QFileInfo::exists(root + "to/small.txt"));
  EXPECT_EQ(prompts.Messages().last().text, "CopyStopped");
}

TEST_F(FileManager, AddFileToTheOpenDocument) {
  File("menu.inc.php");
  File("README");
  File("photo.jpeg");
  Select(site, {"menu.inc.php"});
  Pane().AddFileToDocument();  // no document: nothing asked
  EXPECT_TRUE(prompts.Messages().isEmpty());
  Main().ToolButton33Click();
  TSrcEdit* editor = Main().ActiveDocument()->Memo1;
  const struct {
    const char* file;
    int answer;
    const char* inserted;
  } cases[] = {
      {"menu.inc.php", 6, "<!--#include file=\"menu.inc.php\" -->"},
      {"menu.inc.php", 7, "<a href=\"menu.inc.php\">menu</a>"},
      {"README", 7, "<a href=\"README\">README</a>"},
      {"README", 2, ""},
      // ".jpeg" is a picture here too: the picture dialog, no question.
      {"photo.jpeg", 0, ""},
  };
  for (const auto& c : cases) {
    editor->SelectAll();
    editor->SetSelText(QString());
    prompts.Answer("Incl", c.answer);
    const qsizetype asked = prompts.Messages().size();
    Select(site, {c.file});
    Pane().AddFileToDocument();
    EXPECT_EQ(editor->Lines().ToStringList().join("\n"), QLatin1String(c.inserted)) << c.file << " " << c.answer;
    EXPECT_EQ(MessageTexts().mid(asked).contains("Incl"), c.answer != 0) << c.file;
  }
  EXPECT_EQ(prompts.Dialogs().size(), 1);  // the picture dialog
}

TEST_F(FileManager, OpenByKind) {
  File("page.html", "<p>");
  File("pic.png", QByteArray());
  File("pack.zip", "PK");
  Ini().WriteBool("DoubleClick", "Open", true);
  Select(site, {"page.html"});
  QTest::keyClick(Pane().FrFileListBox1, Qt::Key_Return);
  ASSERT_EQ(Main().Documents().size(), 1);
  EXPECT_EQ(Main().Documents()[0]->Caption(), site + "page.html");
  // Pictures go to an image browser, archives to the desktop on a double click only.
  QStringList browsed;
  AppServices().ImageBrowser = [&browsed](const QStringList& files) {
    browsed << files;
    return nullptr;
  };
  Select(site, {"pic.png"});
  Pane().OpenSelectedFile();
  EXPECT_EQ(browsed, QStringList{site + "pic.png"});
  Select(site, {"pack.zip"});
  Pane().OpenSelectedFile(false);
  EXPECT_TRUE(launcher.calls.isEmpty());
  Pane().OpenSelectedFile(true);
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].target, site + "pack.zip");
  // Open all: documents one by one, the pictures together; F8 every picture shown.
  File("pic2.gif", QByteArray());
  browsed.clear();
  Select(site, {"page.html", "pic.png", "pic2.gif"});
  Pane().OpenAllSelected();
  EXPECT_EQ(browsed, QStringList({site + "pic.png", site + "pic2.gif"}));
  Select(site, {});
  browsed.clear();
  Main().Action("ImgBrowser")->trigger();
  EXPECT_EQ(browsed, QStringList({site + "pic.png", site + "pic2.gif"}));
  // Nothing focused: nothing opens.
  Pane().FrFileListBox1->setCurrentItem(nullptr);
  const qsizetype documents = Main().Documents().size();
  Pane().OpenSelectedFile();
  EXPECT_EQ(Main().Documents().size(), documents);
}

// F8 takes the pictures from the file manager's folder itself: with the
// side pane never shown, with a mask that lists none of them, past a FIFO
// named like a picture.
TEST_F(FileManager, ImageBrowserOnAFolderWhoseListWasNeverRead) {
  const QString photos = root + "photos/";
  QDir().mkpath(photos + "album.gif");  // a folder named like a picture
  const QByteArray gif = picturetest::ThreeFrameGif();
  for (int i = 0; i < 500; ++i) WriteFileBytes(photos + QString("p%1.gif").arg(i, 3, 10, QChar('0')), gif);
  WriteFileBytes(photos + "notes.txt", "x");
  picturetest::TestFifo fifo(photos + "pipe.png");
  ASSERT_TRUE(fifo.Made());
  Ini().WriteString("Last", "Folder", photos);
  Ini().WriteString("File", "Mask", "*.html");
  Ini().WriteBool("ToolBars", "FileManager", false);
  Main().Action("ImgBrowser")->trigger();
  TfImageBrowser* browser = CurrentImageBrowser().data();
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->statusTip().isEmpty());
  ASSERT_EQ(browser->ThumbnailList1->Thumbnails().Count(), 500);
  EXPECT_EQ(browser->ThumbnailList1->Thumbnails().Items(0).Filename(), photos + "p000.gif");
  EXPECT_EQ(browser->ThumbnailList1->Thumbnails().Items(499).Caption(), "p499.gif");
  EXPECT_FALSE(Main().Panel1->isVisible());
  // A folder without pictures says so.
  QDir().mkpath(root + "empty");
  Pane().FrDirectoryTree1->OpenPath(root + "empty");
  Main().Action("ImgBrowser")->trigger();
  ASSERT_NE(CurrentImageBrowser().data(), browser);
  EXPECT_EQ(CurrentImageBrowser()->ThumbnailList1->Thumbnails().Count(), 0);
  EXPECT_TRUE(CurrentImageBrowser()->statusTip().startsWith("ImgNoPictures"))
      << CurrentImageBrowser()->statusTip().toStdString();
}

// An open image browser follows the folder tree, and shows the same
// pictures as F8 on that folder: PNG files too.
TEST_F(FileManager, ImageBrowserFollowsTheTreeWithThePngFiles) {
  File("first.gif", picturetest::ThreeFrameGif());
  QDir().mkpath(site + "more");
  QImage image(6, 4, QImage::Format_ARGB32);
  image.fill(Qt::red);
  WriteFileBytes(site + "more/a.png", picturetest::Encode(image, "png"));
  WriteFileBytes(site + "more/b.gif", picturetest::ThreeFrameGif());
  WriteFileBytes(site + "more/c.txt", "x");
  Select(site, {});
  Main().Action("ImgBrowser")->trigger();
  TfImageBrowser* browser = CurrentImageBrowser().data();
  ASSERT_NE(browser, nullptr);
  const auto captions = [](TfImageBrowser* b) {
    QStringList out;
    for (int i = 0; i < b->ThumbnailList1->Thumbnails().Count(); ++i)
      out << b->ThumbnailList1->Thumbnails().Items(i).Caption();
    return out;
  };
  EXPECT_EQ(captions(browser), QStringList{"first.gif"});
  Pane().FrDirectoryTree1->OpenPath(site + "more");
  ASSERT_EQ(CurrentImageBrowser().data(), browser);
  EXPECT_EQ(captions(browser), QStringList({"a.png", "b.gif"}));
  browser->resize(400, 300);
  browser->ThumbnailList1->grab();
  EXPECT_FALSE(browser->ThumbnailList1->Thumbnails().Items(0).Failed);
  Main().Action("ImgBrowser")->trigger();
  ASSERT_NE(CurrentImageBrowser().data(), browser);
  EXPECT_EQ(captions(CurrentImageBrowser().data()), captions(browser));
}

TEST_F(FileManager, RunBox) {
  QDir().mkpath(root + "My Site");
  WriteFileBytes(root + "My Site/index.html", "<p>");
  const struct {
    QString text;
    int documents;
    QString folder;
  } cases[] = {
      {QUrl::fromLocalFile(root + "My Site/index.html").toString(QUrl::FullyEncoded), 1, ""},
      {root + "My%20Site", 1, root + "My Site"},
      {"cmd", 1, ""},
      {"file:", 1, ""},
      {"nothing here", 1, ""},
  };
  for (const auto& c : cases) {
    AnswerPrompt(c.text);
    EXPECT_EQ(Pane().RunCommandBox(), c.folder) << c.text.toStdString();
    EXPECT_EQ(Main().Documents().size(), c.documents) << c.text.toStdString();
  }
  EXPECT_EQ(Main().Documents()[0]->Caption(), root + "My Site/index.html");
  ASSERT_EQ(launcher.calls.size(), 1);  // the terminal
  EXPECT_EQ(launcher.calls[0].program, "x-terminal-emulator");
  // The tool button puts a folder named into the tree.
  AnswerPrompt(root + "My Site");
  Pane().RunBoxClick();
  EXPECT_EQ(Pane().Folder(), root + "My Site");
}

TEST_F(FileManager, FoldersAndProperties) {
  QDir().mkpath(site + "empty");
  QDir().mkpath(site + "full");
  WriteFileBytes(site + "full/x", "x");
  prompts.Answer("DelFolder1 " + site + "full DelFolder2", 6);
  prompts.Answer("DelFolder1 " + site + "empty DelFolder2", 6);
  Pane().FrDirectoryTree1->OpenPath(site + "full");
  Pane().DeleteFolder();
  EXPECT_TRUE(QFileInfo::exists(site + "full/x"));
  EXPECT_EQ(prompts.Messages().last().text, "ErrorDel1 [ " + site + "full ] ErrorDel2");
  Pane().FrDirectoryTree1->OpenPath(site + "empty");
  Pane().DeleteFolder();
  EXPECT_FALSE(QFileInfo::exists(site + "empty"));
  EXPECT_TRUE(QFileInfo::exists(site));  // never its parent
  EXPECT_EQ(Pane().Folder(), QDir::cleanPath(site));

  File("size.txt", QByteArray(1536, 'x'));
  TfFileProperties properties;
  properties.Fill(site + "size.txt");
  EXPECT_EQ(properties.Edit1->text(), "size.txt");
  EXPECT_EQ(properties.Edit2->text(), site + "size.txt");
  EXPECT_EQ(properties.SizeText->text(), QLocale().toString(1.5, 'f', 2) + " KB");
  EXPECT_EQ(properties.ModifiedText->text(), QFileInfo(site + "size.txt").lastModified().toString("dd/MM/yyyy hh:mm"));
  properties.Fill(site + "gone.txt");
  EXPECT_FALSE(properties.SizeText->text().isEmpty());  // the reason, not a size
  // Size and reason come from the entry alone: a pipe is never opened.
  TFifoWatch fifos;
  ASSERT_TRUE(fifos.Make(site + "pipe"));
  properties.Fill(site + "pipe");
  EXPECT_EQ(properties.SizeText->text(), FileOps::SizeText(0));
  EXPECT_EQ(FileOps::FileSizeText(site + "gone.txt"), "No such file or directory");
  EXPECT_EQ(FileOps::FileSizeText(site), "Is a directory");
  EXPECT_EQ(fifos.Opened(), QStringList());
}

TEST_F(FileManager, GraphicsEditorAndShellFolders) {
  File("pic.gif", QByteArray());
  File("page.html");
  Select(site, {"page.html"});
  EXPECT_FALSE(Main().Action("FM_EDGFX")->isEnabled());
  Select(site, {"pic.gif"});
  EXPECT_TRUE(Main().Action("FM_EDGFX")->isEnabled());
  // Without a graphics program the options screen opens at its page.
  std::pair<int, int> page{-1, -1};
  AppServices().OptionsScreen = [&page](int p, int inner) { page = {p, inner}; };
  const int counter = Main().DocumentCounter;
  Main().Action("FM_EDGFX")->trigger();
  EXPECT_EQ(page, std::make_pair(3, 1));
  EXPECT_EQ(Main().DocumentCounter, counter + 1);
  Ini().WriteString("GFX", "Path", "/usr/bin/paint");
  Main().Action("FM_EDGFX")->trigger();
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].program, "/usr/bin/paint");
  EXPECT_EQ(launcher.calls[0].arguments, QStringList{site + "pic.gif"});

  const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
  const auto restore = qScopeGuard([&] {
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
  });
  qputenv("HOME", QFile::encodeName(root + "home"));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + "config"));
  for (const char* folder : {"home/Desktop", "home/Documents"}) QDir().mkpath(root + folder);
  Pane().SpeedButton1->click();
  EXPECT_EQ(Pane().Folder(), root + "home/Desktop");
  Pane().SpeedButton6->click();
  EXPECT_EQ(Pane().Folder(), root + "home/Documents");
}

TEST_F(FileManager, SingleClickOpensWhenDoubleClickIsOff) {
  File("page.html");
  Ini().WriteBool("DoubleClick", "Open", false);
  Select(site, {});
  QListWidgetItem* item = Pane().FrFileListBox1->item(0);
  const QPoint at = Pane().FrFileListBox1->visualItemRect(item).center();
  QTest::mouseClick(Pane().FrFileListBox1->viewport(), Qt::LeftButton, {}, at);
  ASSERT_EQ(Main().Documents().size(), 1);
  // The double click that follows opens nothing more.
  QTest::mouseDClick(Pane().FrFileListBox1->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(Main().Documents().size(), 1);
}

// The pane's pages are built when it is first shown (at start when the
// settings have it shown, else by any command that shows or uses it), and
// then come with the stored mask and folder and with their captions.
TEST_F(FileManager, MaskAndFolderComeBackWhenThePaneIsBuilt) {
  File("a.css");
  File("b.html");
  Ini().WriteString("File", "Mask", "*.css");
  Ini().WriteString("Last", "Folder", site);
  const std::function<void()> shows[] = {[this] { Main().ShowSidePane(true); },
                                         [this] { Main().TabSet1->setCurrentIndex(2); },
                                         [this] { Main().Panel1->show(); }, [this] { Main().EnsureSidePane(); }};
  for (bool atStart : {true, false}) {
    for (const auto& show : shows) {
      Ini().WriteBool("ToolBars", "FileManager", atStart);
      main.reset();
      ASSERT_EQ(Main().FileManager != nullptr, atStart);
      EXPECT_EQ(Main().Panel1->isVisible(), atStart);
      show();
      EXPECT_EQ(Pane().ComboBox2->currentText(), "*.css");
      EXPECT_EQ(Pane().Folder(), QDir::cleanPath(site));
      ASSERT_EQ(Pane().FrFileListBox1->count(), 1);
      EXPECT_EQ(Pane().FrFileListBox1->item(0)->text(), "a.css");
      EXPECT_EQ(Main().Action("fManOpenFile")->text(), LangText("fManOpenFile"));
      EXPECT_EQ(Main().Action("fManOpenFile")->toolTip(), LangText("fManOpenFile"));
      if (atStart) break;
    }
  }
}

TEST_F(FileManager, FifoIsReportedAndSkippedAndTheCopyFinishes) {
  File("a.txt", "a");
  File("c.txt", "c");
  picturetest::TestFifo fifo(site + "b.txt");
  ASSERT_TRUE(fifo.Made());
  QDir().mkpath(root + "to");
  FileOps::TFileCopyRun run;
  run.sourceFolder = site;
  run.destination = root + "to";
  run.names = {"a.txt", "b.txt", "c.txt"};
  const FileOps::TFileCopyRun::Result result = run.Run();
  EXPECT_EQ(result.copied, 2);
  EXPECT_EQ(result.failures, QStringList{"b.txt: NotRegular"});
  EXPECT_FALSE(result.stopped);
  EXPECT_EQ(QDir(root + "to").entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList({"a.txt", "c.txt"}));
  EXPECT_EQ(ReadFileBytes(root + "to/c.txt"), "c");
}

// A FIFO, or a link to one or to a device, in the destination: not asked
// about, not written, named; the other files are copied.
TEST_F(FileManager, PipesAndDevicesInTheDestinationAreNamedAndLeftAsTheyAre) {
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) File(name, name);
  const QString to = root + "to/";
  QDir().mkpath(to);
  TFifoWatch fifos;
  ASSERT_TRUE(fifos.Make(to + "a.txt"));
  ASSERT_EQ(::symlink("a.txt", QFile::encodeName(to + "b.txt").constData()), 0);
  if (const std::string why = MakeDeviceNode(root + "null", TDeviceNode::Null); !why.empty()) GTEST_SKIP() << why;
  ASSERT_EQ(::symlink(QFile::encodeName(root + "null").constData(), QFile::encodeName(to + "c.txt").constData()), 0);
  FileOps::TFileCopyRun run;
  run.sourceFolder = site;
  run.destination = to;
  run.names = {"a.txt", "b.txt", "c.txt", "d.txt"};
  QStringList asked;
  run.askOverwrite = [&](const QString& name) {
    asked << name;
    return FileOps::TFileCopyRun::kYesToAll;
  };
  const FileOps::TFileCopyRun::Result result = run.Run();
  EXPECT_EQ(result.copied, 1);
  EXPECT_EQ(result.failures,
            QStringList({"a.txt: " + to + "a.txt NotRegularFile", "b.txt: " + to + "b.txt NotRegularFile",
                         "c.txt: " + to + "c.txt NotRegularFile"}));
  EXPECT_TRUE(asked.isEmpty());
  EXPECT_EQ(EntryKind(to + "a.txt"), 'p');
  EXPECT_EQ(QFile::symLinkTarget(to + "b.txt"), to + "a.txt");
  EXPECT_EQ(QFile::symLinkTarget(to + "c.txt"), root + "null");
  EXPECT_EQ(EntryKind(root + "null"), 'c');
  EXPECT_EQ(ReadFileBytes(to + "d.txt"), "d.txt");
  EXPECT_EQ(QDir(to).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList({"a.txt", "b.txt", "c.txt", "d.txt"}));
  // One file copied on its own meets the same refusal.
  QString error;
  bool stopped = false;
  EXPECT_FALSE(run.CopyOne(site + "d.txt", to + "c.txt", true, error, stopped));
  EXPECT_EQ(error, to + "c.txt NotRegularFile");
  EXPECT_EQ(fifos.Opened(), QStringList());
}

// Without a usable trash nothing moves, and nothing is made in the working
// folder (where the system would put "files" and "info").
TEST_F(FileManager, WithoutAUsableTrashNothingIsMadeInTheWorkingFolder) {
  const QString work = root + "work";
  QDir().mkpath(work);
  const QString oldWork = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(work));
  const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
  const auto restore = qScopeGuard([&] {
    qputenv("XDG_DATA_HOME", oldXdg);
    QDir::setCurrent(oldWork);
  });
  File("keep.html", "K");
  for (const QString& blocked : {root + "blocked", root + "xdg/Trash"}) {
    QDir().mkpath(QFileInfo(blocked).absolutePath());
    WriteFileBytes(blocked, "x");  // a file where the trash would be
    qputenv("XDG_DATA_HOME",
            QFileInfo(blocked).fileName() == "Trash" ? QFile::encodeName(root + "xdg") : QFile::encodeName(blocked));
    QString error;
    EXPECT_FALSE(FileOps::MoveToTrash(site + "keep.html", &error));
    EXPECT_EQ(error, "NoTrash " + blocked + ": Not a directory");
    EXPECT_EQ(ReadFileBytes(site + "keep.html"), "K");
    EXPECT_EQ(QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList());
  }
}
