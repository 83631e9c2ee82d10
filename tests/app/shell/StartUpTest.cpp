// Tests of the start-up (app/shell/StartUp.cpp): first start, splash window,
// command line, the files opened at start.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <csignal>

#include "app/document/PreviewFile.h"
#include "app/shell/StartUp.h"
#include "platform/ScopeExit.h"
#include "tests/app/AppFixture.h"

namespace {

class StartUpTest : public AppFixture {
 protected:
  // Runs the start-up with `arguments` and keeps the main window.
  TfMain& Start(const QStringList& arguments) {
    main.reset(StartUp(arguments));
    return *main;
  }
};

TEST_F(StartUpTest, EmptySettingsAskForTheLanguageModule) {
  QFile::remove(Settings::FileName());
  WriteFileBytes(Settings::FileName(), "");
  prompts.AnswerDialog("fFirstTimeSettings", [](QDialog& d) {
    auto& dialog = static_cast<TfFirstTimeSettings&>(d);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("First Time Settings"));
    const QList<QListWidgetItem*> items = dialog.FrFileListBox1->findItems("english.lms", Qt::MatchExactly);
    EXPECT_EQ(dialog.FrFileListBox1->count(), 2);  // english.lms and test.lms
    dialog.FrFileListBox1->setCurrentItem(items.value(0));
    dialog.SpeedButton1->click();
    return dialog.result();
  });
  TfMain& m = Start({});
  EXPECT_EQ(prompts.Dialogs(), QStringList({"fFirstTimeSettings"}));
  EXPECT_EQ(Ini().ReadString("TranslationModule", "Path", ""), root + "Language Modules/english.lms");
  EXPECT_EQ(m.ReleaseKind, QStringLiteral("STABLE"));
  EXPECT_EQ(m.windowTitle(), ProductTitle);
  EXPECT_TRUE(m.isMaximized());
}

// The first-start language window, which comes before the main window,
// carries the program's icon.
TEST_F(StartUpTest, TheFirstStartWindowCarriesTheProgramsIcon) {
  WriteFileBytes(Settings::FileName(), "");
  QApplication::setWindowIcon(QIcon());
  QList<QSize> sizes;
  bool ownIcon = false;
  prompts.AnswerDialog("fFirstTimeSettings", [&](QDialog& d) {
    sizes = QApplication::windowIcon().availableSizes();
    ownIcon = !d.windowIcon().isNull() && d.windowIcon().cacheKey() == QApplication::windowIcon().cacheKey();
    static_cast<TfFirstTimeSettings&>(d).SpeedButton1->click();
    return d.result();
  });
  Start({});
  EXPECT_EQ(sizes.size(), 8);
  EXPECT_TRUE(ownIcon);
  QApplication::setWindowIcon(QIcon());
}

// The splash window: borderless, 500 x 299, white, with the product's name
// drawn on it.
TEST_F(StartUpTest, SplashWindowIsWhiteWithTheName) {
  TfSplash splash;
  EXPECT_EQ(splash.size(), QSize(500, 299));
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  const QImage image = splash.grab().toImage();
  EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(497, 296), QColor(Qt::white));
  int inked = 0;
  for (int x = 0; x < image.width(); ++x) inked += image.pixelColor(x, image.height() / 2) != QColor(Qt::white);
  EXPECT_GT(inked, 10);
}

// The show-time loading runs before the main window first becomes visible:
// when the window gets its first show event, the menus already carry the
// language module's texts.
TEST_F(StartUpTest, TheMainWindowShowsWithItsTextsInPlace) {
  struct TFirstShow : QObject {
    QStringList titles;
    bool seen = false;
    bool eventFilter(QObject* watched, QEvent* event) override {
      auto* window = qobject_cast<TfMain*>(watched);
      if (window && event->type() == QEvent::Show && !seen) {
        seen = true;
        for (QAction* a : window->menuBar()->actions()) titles << a->text();
      }
      return false;
    }
  } first;
  qApp->installEventFilter(&first);
  ScopeExit remove([&first] { qApp->removeEventFilter(&first); });
  TfMain& m = Start({});
  ASSERT_TRUE(first.seen);
  EXPECT_GT(first.titles.size() - first.titles.count(QString()), 3);
  QStringList now;
  for (QAction* a : m.menuBar()->actions()) now << a->text();
  EXPECT_EQ(first.titles, now);
}

TEST_F(StartUpTest, OkWithNothingChosenTakesTheEnglishModule) {
  WriteFileBytes(Settings::FileName(), "[TranslationModule]\nPath=\n");
  prompts.AnswerDialog("fFirstTimeSettings", [](QDialog& d) {
    static_cast<TfFirstTimeSettings&>(d).SpeedButton1->click();
    return d.result();
  });
  Start({});
  EXPECT_EQ(Ini().ReadString("TranslationModule", "Path", ""), root + "Language Modules/english.lms");
}

TEST_F(StartUpTest, AnOversizedSettingsFileIsReportedAndLeftAsItIs) {
  QByteArray bytes = "[TranslationModule]\nPath=\n";
  bytes += QByteArray(TIniFile::MaxFileSize, ';') + "\n";
  WriteFileBytes(Settings::FileName(), bytes);
  prompts.Answer("ExitMsg", 6);
  TfMain& m = Start({});
  EXPECT_TRUE(prompts.Dialogs().isEmpty());  // no first-time question
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "IniTooLarge " + Settings::FileName());
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  EXPECT_EQ(LangText("ExitMsg"), "ExitMsg");  // the module was loaded all the same
  EXPECT_TRUE(m.close());
  EXPECT_EQ(ReadFileBytes(Settings::FileName()), bytes);
}

TEST_F(StartUpTest, OneArgumentOpensTheFile) {
  const QString page = MakeFile("page.html");
  TfMain& m = Start({page});
  ASSERT_EQ(m.Documents().size(), 1);
  EXPECT_EQ(m.Documents()[0]->Caption(), page);
  EXPECT_TRUE(m.isMaximized());
}

TEST_F(StartUpTest, EveryArgumentOpensAndNewNamesBecomeEmptyDocuments) {
  Main().LoadCssTemplate();  // the skeleton of the next new document stays
  const QStringList skeleton = Main().NewDocSkeleton;
  main.reset();
  const QString fresh = root + "docs/fresh.css";
  MakeFile("-dash.html");
  const QString cwd = QDir::currentPath();
  QDir::setCurrent(root + "docs");
  TfMain& m = Start({MakeFile("a.html"), "-dash.html", fresh, root + "docs/fresh.exe"});
  QDir::setCurrent(cwd);
  ASSERT_EQ(m.Documents().size(), 3);
  EXPECT_EQ(m.Documents()[1]->Caption(), root + "docs/-dash.html");
  TChildForm* doc = m.Documents()[2];
  EXPECT_EQ(doc->Caption(), fresh);
  EXPECT_EQ(doc->PanelText(3), fresh);
  EXPECT_EQ(m.MDITab1->tabText(2), "fresh.css");
  EXPECT_EQ(doc->Memo1->Lines().Count(), 0);
  EXPECT_FALSE(QFileInfo::exists(fresh));
  EXPECT_TRUE(m.isMaximized());
}

// The toolkit's options come only from before "--"; after it every
// argument is a file, whatever it looks like.
// The whole start-up, the main window and a document window with it, opens
// settings.ini once: every later read comes from the copy in memory.
TEST_F(StartUpTest, SettingsAreOpenedOnceAtStart) {
  Ini().WriteString("Elements", "Path", root + "elements/elements.dat");
  Ini().WriteString("Help", "Path", root + "Help/english.html");
  Ini().WriteBool("Show", "DocMan?", true);
  // Written a while ago, as it is at a normal start.
  QFile file(Settings::FileName());
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
  file.close();
  const quint64 before = TIniFile::OpenCount(Settings::FileName());
  TfMain& m = Start({root + "page.html"});
  QApplication::processEvents();
  EXPECT_EQ(m.Documents().size(), 1);
  EXPECT_EQ(TIniFile::OpenCount(Settings::FileName()) - before, 1u);
}

// The program's icon goes to the windows once the main window has painted,
// not before: the first window does not wait for it.
TEST_F(StartUpTest, TheProgramsIconComesAfterTheFirstPaint) {
  Ini().WriteBool("Show", "DocMan?", true);
  QApplication::setWindowIcon(QIcon());
  UseProgramIconAfterFirstPaint();
  TfMain& m = Start({});
  EXPECT_TRUE(QApplication::windowIcon().isNull());
  m.repaint();
  EXPECT_TRUE(QTest::qWaitFor([] { return !QApplication::windowIcon().isNull(); }, 5000));
  EXPECT_EQ(QApplication::windowIcon().availableSizes().size(), 8);
  EXPECT_FALSE(m.windowIcon().isNull());
  QApplication::setWindowIcon(QIcon());
}

TEST(CommandLine, FilesAfterTheToolkitsOptions) {
  const char* const argv[] = {"kv", "-page.html", "--", "-style", "--", "b.html"};
  EXPECT_EQ(ToolkitArgumentCount(6, argv), 2);
  EXPECT_EQ(ToolkitArgumentCount(2, argv), 2);
  EXPECT_EQ(CommandLineFiles({"-page.html"}, 6, argv, 2), (QStringList{"-page.html", "-style", "--", "b.html"}));
  EXPECT_EQ(CommandLineFiles({"a"}, 2, argv, 2), QStringList{"a"});
}

TEST_F(StartUpTest, DirectoriesAndDevicesAreRefused) {
  QDir().mkpath(root + "docs");
  TfMain& m = Start({root + "docs"});
  EXPECT_TRUE(m.Documents().isEmpty());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  EXPECT_TRUE(prompts.Messages()[0].text.contains(root + "docs"));
  if (const std::string why = MakeDeviceNode(root + "zero", TDeviceNode::Zero); !why.empty()) GTEST_SKIP() << why;
  m.WMOpenParamFile(root + "zero");
  EXPECT_TRUE(m.Documents().isEmpty());
}

TEST_F(StartUpTest, UpperCaseRtfOpensAsADocumentAndImagesGetATab) {
  QStringList imported;
  AppServices().Import = [&imported](const QString& file, bool, TChildForm*) { imported << file; };
  AppServices().ImageBrowser = [](const QStringList&) { return new QMdiSubWindow; };
  TfMain& m = Start({MakeFile("x.RTF", "{\\rtf1}")});
  EXPECT_EQ(m.Documents().size(), 1);
  EXPECT_TRUE(imported.isEmpty());
  m.WMOpenParamFile(MakeFile("y.rtf", "{\\rtf1}"));
  EXPECT_EQ(imported, QStringList({root + "docs/y.rtf"}));
  m.WMOpenParamFile(MakeFile("a.png", "x"));
  EXPECT_EQ(m.MDIClient->subWindowList().size(), 2);
  EXPECT_EQ(m.MDITab1->ImageIndexOf(1), 110);
}

TEST_F(StartUpTest, DocumentManagerAtStart) {
  int shown = 0;
  AppServices().DocumentManager = [&shown](IAppHost&) { ++shown; };
  Start({});
  EXPECT_EQ(shown, 1);
  main.reset();
  Ini().WriteBool("Show", "DocMan?", true);
  Start({});
  EXPECT_EQ(shown, 1);
}

// A run killed after previews (F9, F12) leaves its preview files; the next
// start removes those still as they were made, and nothing a running
// program made.
TEST_F(StartUpTest, PreviewFilesOfAKilledRunGoAtTheNextStartWhenUnchanged) {
  const QString docs = root + "docs/";
  QDir().mkpath(docs);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t run = ::fork();
  if (run == 0) {
    Preview::TPreviewFile file, gone;
    QString error;
    bool ok = true;
    for (const char* name : {"kvx_tmp~a.html", "kvx_tmp~b.html", "korvex_temp1.html", "korvex_temp2.html"})
      ok = ok && Preview::Create(docs, QString::fromLatin1(name), "<p>preview</p>\r\n", file, error);
    ok = ok && Preview::Create(docs, "kvx_tmp~closed.html", "x", gone, error) && Preview::Remove(gone);
    if (::write(ready[1], ok ? "1" : "0", 1) != 1) _exit(1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char started = 0;
  const bool read = ::read(ready[0], &started, 1) == 1;
  ::close(ready[0]);
  const auto exists = [&](const char* name) { return QFileInfo::exists(docs + QString::fromLatin1(name)); };
  const auto records = [&] { return QDir(root).entryList({"kvx-previews-*"}, QDir::Files | QDir::Hidden).size(); };

  // While it runs, its files are its own.
  Preview::RemoveLeftovers(root);
  const bool keptWhileRunning = exists("kvx_tmp~a.html") && exists("korvex_temp1.html");
  ::kill(run, SIGKILL);
  ::waitpid(run, nullptr, 0);
  ASSERT_TRUE(read && started == '1');
  EXPECT_TRUE(keptWhileRunning);
  EXPECT_EQ(records(), 1);

  // The user changed two of them since; a running program has one of its own.
  WriteFileBytes(docs + "kvx_tmp~b.html", "<p>edited by hand</p>\r\n");
  const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(docs + "korvex_temp2.html").constData(), times, 0), 0);
  Preview::TPreviewFile own;
  QString error;
  ASSERT_TRUE(Preview::Create(docs, "kvx_tmp~own.html", "own", own, error));
  EXPECT_EQ(records(), 2);

  Start({});
  EXPECT_FALSE(exists("kvx_tmp~a.html"));
  EXPECT_FALSE(exists("korvex_temp1.html"));
  EXPECT_TRUE(exists("kvx_tmp~b.html"));
  EXPECT_TRUE(exists("korvex_temp2.html"));
  EXPECT_TRUE(exists("kvx_tmp~own.html"));
  EXPECT_EQ(records(), 1);  // the running program's
  EXPECT_TRUE(Preview::Remove(own));
  EXPECT_EQ(records(), 0);  // nothing left to clean up
}

// Another user's first start, the program folder not writable for them: the
// per-user folder gets the shipped data files only, none of the first
// user's settings, history, projects, templates or leftovers.
TEST(SecondUser, FirstStartCopiesOnlyTheShippedDataFiles) {
  QTemporaryDir dir;
  const QString root = dir.path() + u'/', exe = root + "bin/", home = root + "home/";
  ASSERT_EQ(::chmod(QFile::encodeName(root).constData(), 0755), 0);
  const QStringList shipped = {
      "CodeC/codeinside.dci",         "Help/english.html",     "Help/index.html", "Language Modules/deutsch.lms",
      "Language Modules/english.lms", "elements/elements.dat", "tidyconfig.ini",  "uconsole.dat"};
  const QStringList state = {"settings.ini",
                             "recentfiles.dat",
                             "WorkList.Dat",
                             "browserlist.dat",
                             "MyDocuments/index.dat",
                             "MyDocuments/mine.mds",
                             "CodeC/mine.dci",
                             "Language Modules/notes.txt",
                             ".kvx-a1B2c3",
                             "kvx-previews-a1B2c3",
                             "kvx_tmp~Untitled~1.html",
                             "projects/site.dat",
                             "elements/elements.dat.bak"};
  for (const QString& name : shipped + state) {
    QDir().mkpath(QFileInfo(exe + name).absolutePath());
    ASSERT_TRUE(WriteFileBytes(exe + name, name.toUtf8()));
  }
  ASSERT_EQ(::symlink("/etc/passwd", QFile::encodeName(exe + "Help/passwd.html").constData()), 0);
  QDir().mkpath(home);
  for (const QString& path : QStringList{root, exe, home})
    ::chown(QFile::encodeName(path).constData(), path == home ? 65534 : 0, path == home ? 65534 : 0);
  QDirIterator all(exe, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (all.hasNext()) {
    const QString path = all.next();
    ::chmod(QFile::encodeName(path).constData(), all.fileInfo().isDir() ? 0755 : 0644);
  }
  ASSERT_EQ(::chmod(QFile::encodeName(exe).constData(), 0555), 0);

  const pid_t user = ::fork();
  if (user == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(99);
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", (home + "data").toUtf8());
    _exit(ChooseProgramFolder(exe) == home + "data/korvex-vantar/" ? 0 : 1);
  }
  int status = 0;
  ::waitpid(user, &status, 0);
  ::chmod(QFile::encodeName(exe).constData(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  const QString copy = home + "data/korvex-vantar/";
  QStringList files;
  QDirIterator it(copy, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) files << QDir(copy).relativeFilePath(it.next());
  files.sort();
  EXPECT_EQ(files, shipped);
  for (const QString& name : shipped) EXPECT_EQ(ReadFileBytes(copy + name), name.toUtf8());
  EXPECT_TRUE(QFileInfo(copy + "MyDocuments").isDir());  // the templates' folder, empty
  EXPECT_EQ(QDir(home + "data").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"korvex-vantar"});
}

}  // namespace
