// Tests of TfMain, the main window (app/shell/Frame.cpp, FrameMenus.cpp and
// the other Frame*.cpp files): menus, documents, side pane, stored layout.
#include <QApplication>
#include <QCoreApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <tuple>

#include "app/document/Documents.h"
#include "app/document/EmbeddedBrowser.h"
#include "app/options/uconfig.h"
#include "app/shell/Application.h"
#include "app/shell/Frame.h"
#include "app/sidepane/FileManagerPane.h"
#include "editor/SrcEdit.h"
#include "editor/SrcEditAutoComplete.h"
#include "files/FrDirectoryTree.h"
#include "files/FrFileListBox.h"
#include "platform/Colors.h"
#include "tests/app/AppFixture.h"

namespace {

class MainWindow : public AppFixture {
 protected:
  int Windows() { return static_cast<int>(Main().MDIClient->subWindowList().size()); }
  QStringList Recent() {
    QStringList lines = QString::fromUtf8(ReadFileBytes(root + "recentfiles.dat")).split(u'\n');
    lines.removeAll(QString());
    return lines;
  }
  void AnswerGoto(const QString& text) {
    prompts.AnswerDialog("fDosPrompt", [text](QDialog& d) {
      static_cast<QInputDialog&>(d).setTextValue(text);
      return int(QDialog::Accepted);
    });
  }
  // Shows the side pane (F11) and clicks `folder` in the folder tree, its
  // parent's node opened first, as a user browses to it.
  void BrowseTo(const QString& folder) {
    if (!Main().Panel1->isVisible()) Main().Action("FileMan1")->trigger();
    // Wide enough to show the folder's name.
    if (auto* split = qobject_cast<QSplitter*>(Main().Panel1->parentWidget())) split->setSizes({500, 500});
    TFrDirectoryTree* tree = Main().FileManager->FrDirectoryTree1;
    tree->OpenPath(QFileInfo(folder).absolutePath());
    QTreeWidgetItem* parent = tree->currentItem();
    ASSERT_NE(parent, nullptr);
    tree->expandItem(parent);
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; i < parent->childCount(); ++i)
      if (parent->child(i)->text(0) == QFileInfo(folder).fileName()) node = parent->child(i);
    ASSERT_NE(node, nullptr) << folder.toStdString();
    tree->scrollToItem(node);
    const QRect shown = tree->visualItemRect(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(shown.left() + 4, shown.center().y()));
    ASSERT_EQ(Main().FileManager->Folder(), QDir::cleanPath(folder));
  }
};

TEST_F(MainWindow, OpeningTwiceWithAndWithoutNoDoubles) {
  const QString index = MakeFile("Site/index.html");
  Main().OpenDocument(false, true, index);
  Main().OpenDocument(false, true, index);
  EXPECT_EQ(Windows(), 2);  // NoDoubles off
  EXPECT_EQ(Main().Documents()[1]->Caption(), index);
  EXPECT_EQ(Main().MDITab1->count(), 2);
  EXPECT_EQ(Main().MDITab1->tabText(1), QStringLiteral("index.html"));
  Main().CloseAllExecute();
  EXPECT_EQ(Windows(), 0);

  Main().Options().NoDoubles = true;
  TChildForm* first = Main().OpenDocument(false, true, index);
  Main().ToolButton33Click();
  EXPECT_EQ(Main().OpenDocument(false, true, index), first);
  EXPECT_EQ(Windows(), 2);
  EXPECT_EQ(Main().ActiveDocument(), first);
  // Linux paths differ by case: a second window.
  const QString upper = MakeFile("site/INDEX.html");
  Main().OpenDocument(false, true, upper);
  EXPECT_EQ(Windows(), 3);
  EXPECT_EQ(Recent(), QStringList({upper, index}));
}

TEST_F(MainWindow, RefusedAndUnreadableFilesOpenNothing) {
  const QString movie = MakeFile("movie.AVI", "RIFF");
  EXPECT_EQ(Main().OpenDocument(false, true, movie), nullptr);
  EXPECT_TRUE(prompts.Messages().isEmpty());  // ignored silently
  EXPECT_EQ(Main().DocumentCounter, 0);
  // A folder, a device: refused with a message, no window, no entry.
  EXPECT_EQ(Main().OpenDocument(false, true, root + "docs"), nullptr);
  if (const std::string why = MakeDeviceNode(root + "zero", TDeviceNode::Zero); !why.empty()) GTEST_SKIP() << why;
  EXPECT_EQ(Main().OpenDocument(false, true, root + "zero"), nullptr);
  EXPECT_EQ(prompts.Messages().size(), 2);
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  // A file that cannot be read: reported, and no empty window stays.
  const QString locked = MakeFile("locked.html");
  QFile::setPermissions(locked, QFileDevice::Permissions());
  if (!QFile(locked).open(QIODevice::ReadOnly)) {
    EXPECT_EQ(Main().OpenDocument(false, true, locked), nullptr);
    EXPECT_EQ(prompts.Messages().size(), 3);
  }
  EXPECT_EQ(Windows(), 0);
  EXPECT_EQ(Main().MDITab1->count(), 0);
  EXPECT_FALSE(QFileInfo::exists(root + "recentfiles.dat"));
}

TEST_F(MainWindow, NewDocumentNamesAndSkeleton) {
  Main().ToolButton33Click();
  EXPECT_EQ(Main().ActiveDocument()->Caption(), QStringLiteral("Untitled~1"));
  EXPECT_EQ(Main().ActiveDocument()->Memo1->Lines().Count(), 19);
  EXPECT_EQ(Main().ActiveDocument()->Memo1->Lines().Get(1), QStringLiteral("<html>"));
  Main().OpenDocument(false, true, MakeFile("a.html"));  // files count too
  Main().LoadCssTemplate();
  Main().CreateDocument(false, false, ".css", QString());
  EXPECT_EQ(Main().ActiveDocument()->Caption(), QStringLiteral("Untitled~3"));
  EXPECT_EQ(Main().ActiveDocument()->Memo1->Lines().Get(0), QStringLiteral("<style>"));
  EXPECT_EQ(Main().MDITab1->tabText(2), QStringLiteral("Untitled~3"));
  EXPECT_EQ(Main().MDITab1->ImageIndexOf(2), 69);
  EXPECT_TRUE(Main().Action("Save2")->isEnabled());
  EXPECT_TRUE(Main().Action("SaveAs1")->isEnabled());
}

TEST_F(MainWindow, SaveOfANewDocumentAsksForTheNameAndSaveAsRenamesTheTab) {
  Main().ToolButton33Click();
  Main().ToolButton33Click();
  TChildForm* doc = Main().ActiveDocument();
  ASSERT_EQ(doc->Caption(), QStringLiteral("Untitled~2"));
  QString preset;
  prompts.AnswerDialog("SaveDialog1", [&preset](QDialog& d) {
    auto& fd = static_cast<QFileDialog&>(d);
    preset = QFileInfo(fd.selectedFiles().value(0)).fileName();
    return int(QDialog::Rejected);
  });
  EXPECT_FALSE(Main().ActionSaveExecute());
  EXPECT_EQ(preset, QStringLiteral("Untitled~2.html"));

  const QString target = root + "docs/page.html";
  QDir().mkpath(root + "docs");
  AnswerFileDialog("SaveDialog1", {target});
  doc->Memo1->SetSelText("<p>");
  EXPECT_TRUE(Main().ActionSaveExecute());
  EXPECT_EQ(doc->Caption(), target);
  EXPECT_EQ(doc->PanelText(3), target);
  EXPECT_FALSE(doc->Modified);
  EXPECT_EQ(Main().MDITab1->tabText(Main().MDITab1->IndexOf(doc)), QStringLiteral("page.html"));
  EXPECT_FALSE(Main().Action("Save2")->isEnabled());
  EXPECT_TRUE(ReadFileBytes(target).startsWith("<p><!DOCTYPE"));
  EXPECT_EQ(Recent(), QStringList({target}));

  // A plain save of a file writes in place without a dialog.
  prompts.AnswerDialog("SaveDialog1", [](QDialog&) -> int {
    ADD_FAILURE() << "no dialog expected";
    return 0;
  });
  doc->Memo1->SetSelText("x");
  EXPECT_TRUE(Main().ActionSaveExecute());
  EXPECT_TRUE(ReadFileBytes(target).startsWith("<p>x<!DOCTYPE"));
}

TEST_F(MainWindow, FailedSaveIsReportedAndNeverSuccess) {
  const QString path = MakeFile("ro/page.html");
  Main().OpenDocument(false, true, path);
  TChildForm* doc = Main().ActiveDocument();
  doc->Memo1->SetSelText("changed");
  QFile::setPermissions(root + "docs/ro", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  QFile::setPermissions(path, QFileDevice::ReadOwner);
  const bool canWrite = QFile(path).open(QIODevice::ReadWrite);  // root writes anyway
  if (!canWrite) {
    EXPECT_FALSE(Main().ActionSaveExecute());
    EXPECT_TRUE(doc->Modified);
    EXPECT_EQ(prompts.Messages().last().kind, 2);
    EXPECT_EQ(ReadFileBytes(path), QByteArray("<html></html>\r\n"));
  }
  QFile::setPermissions(root + "docs/ro", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  // Save As into a folder that does not exist fails the same way.
  AnswerFileDialog("SaveDialog1", {root + "missing/x.html"});
  EXPECT_FALSE(Main().SaveAs1Click());
  EXPECT_EQ(doc->Caption(), path);
  EXPECT_TRUE(doc->Modified);
}

TEST_F(MainWindow, RecentFilesKeepTenNewestFirstAndTheExactPath) {
  QStringList paths;
  for (int i = 1; i <= 12; ++i) paths << MakeFile(QStringLiteral("f%1 & co.html").arg(i));
  for (const QString& p : paths) Main().OpenDocument(false, true, p);
  const QStringList recent = Recent();
  ASSERT_EQ(recent.size(), 10);
  EXPECT_EQ(recent.first(), paths[11]);
  EXPECT_EQ(recent.last(), paths[2]);
  const QList<QAction*> items = Main().RecentFiles2->actions();
  ASSERT_EQ(items.size(), 10);
  EXPECT_EQ(items[0]->text(), "1  " + QString(paths[11]).replace("&", "&&"));
  EXPECT_EQ(items[0]->data().toString(), paths[11]);
  // A file gone from the disk is hidden from the menu but stays in the file.
  QFile::remove(paths[10]);
  Main().BuildRecentMenu();
  EXPECT_EQ(Main().RecentFiles2->actions().size(), 9);
  EXPECT_EQ(Recent().size(), 10);
  Main().CloseAllExecute();
  Main().RecentFileClick(Main().RecentFiles2->actions()[1]);
  ASSERT_NE(Main().ActiveDocument(), nullptr);
  EXPECT_EQ(Main().ActiveDocument()->Caption(), paths[9]);
}

// A name that ends in a blank is reopened from the recent list as itself,
// not as the file without the blank beside it.
TEST_F(MainWindow, ARecentNameEndingInABlankOpensThatVeryFile) {
  const QString plain = MakeFile("page.html");
  const QString blank = MakeFile("page.html ");
  Main().OpenDocument(false, true, blank);
  EXPECT_EQ(Recent(), QStringList{blank});
  Main().CloseAllExecute();
  ASSERT_EQ(Main().RecentFiles2->actions().size(), 1);
  Main().RecentFileClick(Main().RecentFiles2->actions()[0]);
  ASSERT_NE(Main().ActiveDocument(), nullptr);
  EXPECT_EQ(Main().ActiveDocument()->Caption(), blank);
  EXPECT_NE(Main().ActiveDocument()->Caption(), plain);
}

TEST_F(MainWindow, ANameWithALineBreakNeverSplitsTheRecentList) {
  const QString plain = MakeFile("plain.html");
  Main().OpenDocument(false, true, plain);
  Main().OpenDocument(false, true, MakeFile("two\nlines.html"));
  EXPECT_EQ(Windows(), 2);
  EXPECT_EQ(Recent(), QStringList{plain});
}

TEST_F(MainWindow, TabStripFollowsWindowsBothWays) {
  TChildForm* a = Main().OpenDocument(false, true, MakeFile("a.html"));
  TChildForm* b = Main().OpenDocument(false, true, MakeFile("b.html"));
  TChildForm* c = Main().OpenDocument(false, true, MakeFile("c.html"));
  EXPECT_EQ(Main().MDITab1->currentIndex(), 2);
  Main().MDIClient->setActiveSubWindow(a);
  EXPECT_EQ(Main().MDITab1->currentIndex(), 0);
  Main().MDITab1->setCurrentIndex(1);
  EXPECT_EQ(Main().MDIClient->currentSubWindow(), b);
  b->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(Main().MDITab1->count(), 2);
  EXPECT_EQ(Main().MDITab1->FormAt(1), c);
  EXPECT_EQ(Main().MDITab1->tabText(1), QStringLiteral("c.html"));
}

TEST_F(MainWindow, ExitSequence) {
  const QString path = MakeFile("a.html");
  Main().EnsureSidePane();  // the project list is written only once it was read
  Main().OpenDocument(false, true, path);
  Main().ActiveDocument()->Memo1->SetSelText("x");
  // The document refuses: no exit question, WorkList.Dat not written.
  EXPECT_FALSE(Main().close());
  EXPECT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, QStringLiteral("Sluiten1 a.html Sluiten2"));
  EXPECT_FALSE(QFileInfo::exists(root + "WorkList.Dat"));
  // The document agrees; No to "ExitMsg" keeps the program and its window.
  prompts.Answer("Sluiten1 a.html Sluiten2", 6);
  EXPECT_FALSE(Main().close());
  EXPECT_EQ(prompts.Messages().last().text, QStringLiteral("ExitMsg"));
  EXPECT_EQ(prompts.Messages().last().kind, 10);
  EXPECT_TRUE(QFileInfo::exists(root + "WorkList.Dat"));
  EXPECT_EQ(Windows(), 1);
  EXPECT_FALSE(Ini().SectionExists("tb1"));
  // Yes writes the window state and closes.
  Ini().WriteString("WEB", "Path", "/usr/bin/browser");
  Main().LoadBrowserExecute();
  Main().LoadBrowserExecute();
  const QStringList previews = {root + "docs/korvex_temp1.html", root + "docs/korvex_temp2.html"};
  EXPECT_EQ(Main().PreviewTempFiles, previews);
  BrowseTo(root + "docs");
  prompts.Answer("ExitMsg", 6);
  EXPECT_TRUE(Main().close());
  for (const char* section : {"tb1", "tb5", "tb6", "tb7", "tb8"})
    for (const char* key : {"left", "top", "height"})
      EXPECT_TRUE(Ini().ValueExists(section, key)) << section << "/" << key;
  EXPECT_EQ(Ini().ReadString("Last", "Folder", ""), root + "docs");
  EXPECT_TRUE(Ini().ValueExists("Directory", "Height"));
  EXPECT_TRUE(Ini().ValueExists("FileMan", "Width"));
  for (const QString& preview : previews) EXPECT_FALSE(QFileInfo::exists(preview));
  EXPECT_EQ(ReadFileBytes(path), QByteArray("<html></html>\r\n"));
}

TEST_F(MainWindow, ToolBarPositionsSurviveARestart) {
  TIniFile ini = Ini();
  // ToolBar6 alone on a second row, ToolBar5 before ToolBar1 on the first.
  const int placement[5][2] = {{300, 0}, {0, 0}, {0, 40}, {400, 0}, {500, 0}};
  for (int i = 0; i < 5; ++i) {
    const QString s = Settings::ToolBarSections[i];
    ini.WriteInteger(s, "left", placement[i][0]);
    ini.WriteInteger(s, "top", placement[i][1]);
    ini.WriteInteger(s, "height", 30);
  }
  Main();
  QCoreApplication::processEvents();
  auto& bars = Main().ToolBars;
  EXPECT_LT(bars[1]->x(), bars[0]->x());
  EXPECT_EQ(bars[1]->y(), bars[0]->y());
  EXPECT_GT(bars[2]->y(), bars[0]->y());
  Main().SaveToolbarPositions();
  main.reset();
  Main();
  QCoreApplication::processEvents();
  EXPECT_LT(Main().ToolBars[1]->x(), Main().ToolBars[0]->x());
  EXPECT_GT(Main().ToolBars[2]->y(), Main().ToolBars[0]->y());
  EXPECT_EQ(Main().ToolBars[3]->y(), Main().ToolBars[0]->y());
}

// Every key the program writes comes back on screen after an exit and a
// new start, including those of windows it does not have (kept as stored).
TEST_F(MainWindow, WindowSettingsSurviveARestart) {
  const char* stored[][3] = {{"ToolBars", "FileManager", "1"},
                             {"Directory", "Height", "123"},
                             {"FileMan", "Width", "250"},
                             {"HTMLTidy", "Enabled", "1"},
                             {"HTMLTidy", "Size", "90"},
                             {"pvtb", "left", "12"},
                             {"pvtb", "top", "3"},
                             {"pvEdit", "left", "20"},
                             {"pvEdit", "top", "2"}};
  for (const auto& k : stored) Ini().WriteString(k[0], k[1], k[2]);
  prompts.Answer("ExitMsg", 6);
  // A new document: the side pane's width, the Tidy panel's height, the
  // preview bar's and address box's places and the selection mode.
  const auto start = [this] {
    Main().ToolButton33Click();
    TChildForm* doc = Main().ActiveDocument();
    doc->PageControl1->setCurrentIndex(1);
    QCoreApplication::processEvents();
    const auto shown =
        std::tuple(Main().Panel1->width(), doc->TidyPanel->height(), doc->findChild<QToolBar*>("pvtb")->pos(),
                   doc->Edit1->pos(), doc->Memo1->SelectionMode());
    doc->PageControl1->setCurrentIndex(0);
    return shown;
  };
  const auto restart = [this] {
    Main().ActiveDocument()->Modified = false;
    ASSERT_TRUE(Main().close());
    main.reset();
  };
  EXPECT_EQ(start(), std::tuple(250, 90, QPoint(12, 3), QPoint(20, 2), smNormal));
  // The user moves the splitters and picks line selection.
  Main().ActiveDocument()->SelectionItems[1]->trigger();
  qobject_cast<QSplitter*>(Main().Panel1->parentWidget())->setSizes({300, 600});
  auto* tidySplit = qobject_cast<QSplitter*>(Main().ActiveDocument()->TidyPanel->parentWidget());
  tidySplit->setSizes({tidySplit->height() - 70, 70});
  restart();
  EXPECT_EQ(start(), std::tuple(300, 70, QPoint(12, 3), QPoint(20, 2), smLine));
  // A hidden side pane keeps its width, the folder tree its stored height.
  Main().Panel1->hide();
  restart();
  EXPECT_EQ(Ini().ReadInteger("FileMan", "Width", 0), 300);
  EXPECT_EQ(Ini().ReadInteger("Directory", "Height", 0), 123);
}

TEST_F(MainWindow, GotoLine) {
  Main().ToolButton33Click();  // 19 lines
  TChildForm* doc = Main().ActiveDocument();
  AnswerGoto("19");
  Main().GotoLine1Click();
  EXPECT_EQ(doc->Memo1->CaretY(), 19);
  EXPECT_EQ(doc->HighlightLine, 19);
  EXPECT_TRUE(prompts.Messages().isEmpty());
  for (const char* bad : {"20", "0", "-1", "abc"}) {
    AnswerGoto(bad);
    Main().GotoLine1Click();
    EXPECT_EQ(prompts.Messages().last().text, QStringLiteral("NoLines %1 NoLines2").arg(bad));
    EXPECT_EQ(prompts.Messages().last().kind, 0);
    EXPECT_EQ(doc->Memo1->CaretY(), 19);
  }
  EXPECT_EQ(prompts.Dialogs().count("fDosPrompt"), 5);
}

// The line gone to is marked until the caret leaves it, by key as by mouse;
// a selection on it is drawn as a selection, not in the mark's colours.
TEST_F(MainWindow, GotoLineMarkGivesWayToTheSelection) {
  Main().ToolButton33Click();
  TSrcEdit* editor = Main().ActiveDocument()->Memo1;
  editor->SetLines({"first", "caf\u00e9 \U0001F600 wide line", "third"});
  QApplication::setActiveWindow(&Main());
  editor->setFocus();
  AnswerGoto("2");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_G, Qt::ControlModifier);
  ASSERT_EQ(Main().ActiveDocument()->HighlightLine, 2);
  // The background at the foot of column 3 of line 2, as painted.
  const auto painted = [editor] {
    const QImage shot = editor->viewport()->grab().toImage();
    const QPoint at = editor->RowColumnToPixels(TPoint{3, 2});
    return shot.pixelColor(at.x() + 1, at.y() + editor->LineHeight() - 1);
  };
  const QColor mark = ToQColor(0xFF0000), selection = ToQColor(editor->SelectedColor().Background());
  const QColor plain = ToQColor(editor->DefaultBackground());
  ASSERT_NE(selection, plain);
  EXPECT_EQ(painted(), mark);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ShiftModifier);
  ASSERT_EQ(editor->SelText(), QStringLiteral("caf\u00e9 \U0001F600 wide line"));
  EXPECT_EQ(painted(), selection);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);  // no selection, still on the line
  EXPECT_EQ(painted(), mark);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_EQ(Main().ActiveDocument()->HighlightLine, -1);
  EXPECT_EQ(painted(), plain);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);  // coming back does not mark it again
  EXPECT_EQ(painted(), plain);
}

// Going to a line ends the selection, as a caret move without Shift does:
// the keys that follow act on the line gone to, never on the lines left.
TEST_F(MainWindow, GotoLineLeavesNoSelectionBehind) {
  Main().ToolButton33Click();
  TSrcEdit* editor = Main().ActiveDocument()->Memo1;
  QStringList lines;
  for (int i = 1; i <= 40; ++i) lines << QStringLiteral("line %1").arg(i);
  editor->SetLines(lines);
  QApplication::setActiveWindow(&Main());
  editor->setFocus();
  editor->SetCaretXY({1, 2});
  QTest::keyClick(editor, Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(editor->SelText(), QStringLiteral("line 2\r\n"));
  AnswerGoto("12");
  QTest::keyClick(editor, Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(prompts.Dialogs().count("fDosPrompt"), 1);
  EXPECT_EQ(editor->CaretXY(), (TPoint{1, 12}));
  EXPECT_FALSE(editor->SelAvail());
  QTest::keyClick(editor, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(editor->SelText(), QStringLiteral("line 12\r\n"));
  QTest::keyClick(editor, Qt::Key_X);
  lines[11] = QStringLiteral("xline 13");
  lines.removeAt(12);
  EXPECT_EQ(editor->Lines().ToStringList(), lines);
}

TEST_F(MainWindow, WordWrapIsOneUndoableChange) {
  Main().ToolButton33Click();
  TChildForm* doc = Main().ActiveDocument();
  const QString long_line = QString("word ").repeated(100).trimmed();
  doc->Memo1->SetLines({long_line, "short"});
  doc->Modified = false;
  Main().Wordwrap1Click();
  EXPECT_GT(doc->Memo1->Lines().Count(), 2);
  EXPECT_TRUE(doc->Modified);
  doc->Memo1->Undo();
  EXPECT_EQ(doc->Memo1->Lines().ToStringList(), QStringList({long_line, "short"}));
}

TEST_F(MainWindow, CommandsWithoutADocumentDoNothing) {
  Main().GotoLine1Click();
  Main().Wordwrap1Click();
  Main().previewExecute();
  EXPECT_FALSE(Main().ActionSaveExecute());
  Ini().WriteString("WEB", "Path", "/usr/bin/browser");
  for (const char* name :
       {"Undo1",        "Redo1",        "SelectAll1",     "Cut1",          "Copy1",        "Paste1",
        "ExpDoc1",      "PR_DOC1",      "Search1",        "SearchReplace", "FindNext",     "FindPrevious",
        "LoadBrowser",  "Bold1",        "HeadingStyle13", "AlignJustify1", "ToolButton26", "ToolButton14",
        "ToolButton31", "ToolButton22", "Table1",         "ToolButton51",  "ToolButton50", "ToolButton27",
        "ToolButton60", "ToolButton30", "ToolButton32",   "ToolButton5",   "ToolButton29", "ToolButton61",
        "ToolButton17"})
    Main().Action(name)->trigger();
  EXPECT_TRUE(prompts.Messages().isEmpty());
  EXPECT_TRUE(prompts.Dialogs().isEmpty());
  EXPECT_TRUE(launcher.calls.isEmpty());
}

TEST_F(MainWindow, MainWindowKeysComeBeforeTheEditors) {
  Ini().WriteBool("Ask", "ToSave?", false);
  Main().ToolButton33Click();
  QApplication::setActiveWindow(&Main());
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    int windows;    // document windows afterwards
    bool textKept;  // in the document the key was typed into
  };
  const Case cases[] = {
      {Qt::Key_T, Qt::ControlModifier, 1, true},                      // Table is disabled: nothing happens
      {Qt::Key_L, Qt::ControlModifier | Qt::AltModifier, 1, false},   // Left wraps the caret
      {Qt::Key_N, Qt::ControlModifier, 2, true},                      // New, not the editor's line split
      {Qt::Key_Y, Qt::ControlModifier, 2, false},                     // the editor's own key (delete line)
      {Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier, 0, true},  // Close all, the desktop's key
  };
  for (const Case& c : cases) {
    const std::string name = QKeySequence(c.key | c.mods).toString().toStdString();
    QPointer<TChildForm> typedInto = Main().ActiveDocument();
    const QStringList before = typedInto->Memo1->Lines().ToStringList();
    QTest::keyClick(typedInto->Memo1, c.key, c.mods);
    QCoreApplication::processEvents();
    EXPECT_EQ(Windows(), c.windows) << name;
    if (typedInto) {
      EXPECT_EQ(typedInto->Memo1->Lines().ToStringList() == before, c.textKept) << name;
    }
  }
  // The clipboard commands and Redo show their keys in the menu.
  for (const char* name : {"Cut1", "Copy1", "Paste1", "Redo1"})
    EXPECT_FALSE(Main().Action(name)->shortcut().isEmpty()) << name;
  // File-manager keys belong to the side pane only.
  Main().EnsureSidePane();
  for (const char* name : {"fManDelFile", "fManDelForGood", "FM_RenFile", "fManRefresh"}) {
    EXPECT_EQ(Main().Action(name)->shortcutContext(), Qt::WidgetShortcut) << name;
    EXPECT_TRUE(Main().FileManager->FrFileListBox1->actions().contains(Main().Action(name))) << name;
    EXPECT_FALSE(Main().actions().contains(Main().Action(name))) << name;
  }
}

TEST_F(MainWindow, ProgramsStartWithArgumentLists) {
  Main().OpenWithProgram("/usr/bin/browser", "/site/a \"b\".html");
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].program, QStringLiteral("/usr/bin/browser"));
  EXPECT_EQ(launcher.calls[0].arguments, QStringList({"/site/a \"b\".html"}));
  Main().SendEmail();
  EXPECT_EQ(launcher.calls[1].target, QStringLiteral("mailto:"));
}

TEST_F(MainWindow, HelpOpensTheShippedManual) {
  Main().OpenHelp();  // no manual: said so, nothing started
  EXPECT_TRUE(launcher.calls.isEmpty());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "NoOpenFile " + root + "Help/english.html");
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  const QString manual = root + "Help/english.html";
  QDir().mkpath(root + "Help");
  QFile::copy(KV_SOURCE_DIR "/data/Help/english.html", manual);
  Ini().WriteString("Help", "Path", root + "Help/english.chm");  // named by older settings, not there
  Main().OpenHelp();
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].target, manual);
  launcher.result = false;
  Main().OpenHelp();  // the desktop has no browser: the program's own shows the manual
  EXPECT_EQ(prompts.Messages().size(), 1);
  QMdiSubWindow* own = Main().findChild<QMdiSubWindow*>("OwnBrowser");
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(static_cast<TEmbeddedBrowser*>(own->widget())->LocationURL(), QUrl::fromLocalFile(manual));
  delete own;
  SetBrowserViewFactory([](QWidget*, TBrowserViewHost) { return std::unique_ptr<IBrowserView>(); });
  Main().OpenHelp();  // and no engine either: a failure is said
  ASSERT_EQ(prompts.Messages().size(), 2);
  EXPECT_EQ(prompts.Messages()[1].text, "NoOpenFile " + manual);
  EXPECT_EQ(Main().findChild<QMdiSubWindow*>("OwnBrowser"), nullptr);
  // The manual names the key of every command that has one.
  const QString text = QString::fromUtf8(ReadFileBytes(manual));
  for (QAction* a : Main().findChildren<QAction*>()) {
    if (!a->isEnabled() && a->property("later").toBool()) continue;
    for (const QKeySequence& key : a->shortcuts())
      EXPECT_TRUE(text.contains(key.toString()))
          << a->objectName().toStdString() << " " << key.toString().toStdString();
  }
}

TEST_F(MainWindow, FtpClient) {
  Main().FTPExecute();  // no path: nothing is started
  EXPECT_TRUE(launcher.calls.isEmpty());
  Ini().WriteString("FTP", "Path", "/no/such/ftp");
  Main().FTPExecute();
  EXPECT_EQ(prompts.Messages().last().text, QStringLiteral("FtpLoadError\n\r/no/such/ftp"));
  EXPECT_EQ(prompts.Messages().last().kind, 0);
  const QString ftp = MakeFile("ftp.sh", "#!/bin/sh\n");
  Ini().WriteString("FTP", "Path", ftp);
  Main().FTPExecute();
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].program, ftp);
}

TEST_F(MainWindow, DroppedFilesAndImages) {
  QStringList shown;
  AppServices().ImageBrowser = [&shown](const QStringList& files) {
    shown = files;
    auto* w = new QMdiSubWindow;
    w->setWindowTitle("Images");
    w->setAttribute(Qt::WA_DeleteOnClose);
    return w;
  };
  const QStringList drop = {MakeFile("a.png", "x"), MakeFile("b.GIF", "x"), MakeFile("style.css", "p{}"),
                            MakeFile("c.jpg", "x")};
  Main().WMDropFiles(drop);
  EXPECT_EQ(Windows(), 2);
  EXPECT_EQ(Main().Documents().size(), 1);
  EXPECT_EQ(shown, QStringList({drop[0], drop[1], drop[3]}));
  EXPECT_EQ(Main().MDITab1->ImageIndexOf(1), 110);
  // With the image browser active, document commands do nothing.
  EXPECT_EQ(Main().ActiveDocument(), nullptr);
}

TEST_F(MainWindow, OpenDialogOpensEverySelectedFileAndFileDialogsStartInTheFileManagersFolder) {
  const QString a = MakeFile("a.html"), b = MakeFile("b.css");
  QDir().mkpath(root + "site");
  BrowseTo(root + "site");
  QStringList filters;
  prompts.AnswerDialog("OpenDialog1", [&](QDialog& d) {
    auto& fd = static_cast<QFileDialog&>(d);
    filters = fd.nameFilters();
    fd.setDirectory(root + "docs");
    fd.selectFile(R"("a.html" "b.css")");
    return int(QDialog::Accepted);
  });
  Main().ActionOpenExecute();
  ASSERT_EQ(Main().Documents().size(), 2);
  EXPECT_EQ(Main().Documents()[0]->Caption(), a);
  EXPECT_EQ(Main().Documents()[1]->Caption(), b);
  ASSERT_EQ(filters.size(), 4);
  EXPECT_TRUE(filters[0].startsWith("FltWebPages (*.html *.htm "));
  EXPECT_EQ(filters.mid(1),
            (QStringList{"FltStyleSheets (*.css)", "FltScripts (*.js *.vbs *.sql)", "FltAllFiles (*)"}));
  // Open, Save As, a new document's first save, the RTF export and both
  // imports start in the folder the file manager shows, not in the folder
  // the last dialog ended in; after a restart, in the folder it showed at exit.
  QStringList started;
  const auto note = [&started](QDialog& d) {
    started << d.objectName() + u' ' + static_cast<QFileDialog&>(d).directory().absolutePath();
    return int(QDialog::Rejected);
  };
  const auto everyDialog = [&] {
    for (const char* name : {"OpenDialog1", "SaveDialog1", "SaveDialog2", "OpenDialog2"})
      prompts.AnswerDialog(name, note);
    started.clear();
    Main().ActionOpenExecute();
    Main().SaveDocument(true);
    Main().Documenttortf1Click();
    Main().ImportRTFExecute();
    Main().ImportWordExecute();
    Main().ToolButton33Click();
    Main().ActionSaveExecute();
    return started;
  };
  const auto in = [](const QString& folder) {
    QStringList all;
    for (const char* name : {"OpenDialog1", "SaveDialog1", "SaveDialog2", "OpenDialog2", "OpenDialog2", "SaveDialog1"})
      all << QLatin1String(name) + u' ' + folder;
    return all;
  };
  EXPECT_EQ(everyDialog(), in(root + "site"));
  QDir().mkpath(root + "site/pages");
  BrowseTo(root + "site/pages");
  EXPECT_EQ(everyDialog(), in(root + "site/pages"));
  prompts.Answer("ExitMsg", 6);
  Ini().WriteBool("Ask", "ToSave?", false);
  ASSERT_TRUE(Main().close());
  main.reset();
  Main().OpenDocument(false, true, a);
  EXPECT_EQ(everyDialog(), in(root + "site/pages"));
}

// At exit settings.ini keeps the folder the file manager shows, not the one
// an open or save dialog used last: after a restart the file manager opens
// there again, whether its pane is shown at start or later.
TEST_F(MainWindow, TheFileManagersFolderIsKeptAtExit) {
  QDir().mkpath(root + "site/pages");
  const QString page = MakeFile("a.html");
  BrowseTo(root + "site/pages");
  AnswerFileDialog("OpenDialog1", {page});
  Main().ActionOpenExecute();
  EXPECT_EQ(Main().LastFolder, root + "docs");
  prompts.Answer("ExitMsg", 6);
  ASSERT_TRUE(Main().close());
  EXPECT_EQ(Ini().ReadString("Last", "Folder", ""), root + "site/pages");
  for (bool shownAtStart : {true, false}) {
    Ini().WriteBool("ToolBars", "FileManager", shownAtStart);
    main.reset();
    if (!shownAtStart) Main().Action("FileMan1")->trigger();
    ASSERT_NE(Main().FileManager, nullptr);
    EXPECT_EQ(Main().FileManager->Folder(), root + "site/pages");
  }
  // Hidden all the time, the pane keeps the folder it was given.
  Ini().WriteBool("ToolBars", "FileManager", false);
  main.reset();
  ASSERT_TRUE(Main().close());
  EXPECT_EQ(Ini().ReadString("Last", "Folder", ""), root + "site/pages");
}

TEST_F(MainWindow, SaveDialogProposesTheDocumentTypesExtension) {
  Ini().WriteBool("SHigh", "Enabled", true);
  struct Case {
    const char* kind;
    const char* name;
    const char* filter;
  };
  const Case cases[] = {{"HTML", "Untitled~1.html", "FltWebPages"},
                        {".css", "Untitled~2.css", "FltStyleSheets"},
                        {".js", "Untitled~3.js", "FltScripts"}};
  for (const Case& c : cases) {
    Main().CreateDocument(false, false, c.kind, QString());
    for (bool saveAs : {false, true}) {
      QString name, filter, suffix;
      prompts.AnswerDialog("SaveDialog1", [&](QDialog& d) {
        auto& fd = static_cast<QFileDialog&>(d);
        name = QFileInfo(fd.selectedFiles().value(0)).fileName();
        filter = fd.selectedNameFilter();
        suffix = fd.defaultSuffix();
        return int(QDialog::Rejected);
      });
      EXPECT_FALSE(Main().SaveDocument(saveAs));
      EXPECT_EQ(name, c.name) << c.kind;
      EXPECT_TRUE(filter.startsWith(c.filter)) << filter.toStdString();
      EXPECT_EQ(u'.' + suffix, QFileInfo(c.name).completeSuffix().prepend(u'.'));
    }
  }
  // A name chosen is kept for when the file manager's folder is gone.
  QDir().mkpath(root + "site");
  prompts.AnswerDialog("SaveDialog1", [this](QDialog& d) {
    static_cast<QFileDialog&>(d).selectFile(root + "site/x.js");
    d.accept();
    return int(QDialog::Accepted);
  });
  EXPECT_TRUE(Main().SaveDocument(true));
  EXPECT_EQ(Main().LastFolder, root + "site");
  EXPECT_EQ(TfMain::ProposedSaveName("/site/page.htm", "CSS"), "/site/page.htm");
  EXPECT_EQ(TfMain::ProposedSaveName("Untitled~9", ""), "Untitled~9.html");
}

TEST_F(MainWindow, SaveAllAndCloseAll) {
  const QString a = MakeFile("a.html"), b = MakeFile("b.html");
  TChildForm* da = Main().OpenDocument(false, true, a);
  TChildForm* db = Main().OpenDocument(false, true, b);
  da->Memo1->SetSelText("A");
  db->Memo1->SetSelText("B");
  Main().MDITab1->setCurrentIndex(0);
  Main().SaveAllExecute();
  EXPECT_EQ(ReadFileBytes(a), QByteArray("A<html></html>\r\n"));
  EXPECT_EQ(ReadFileBytes(b), QByteArray("B<html></html>\r\n"));
  EXPECT_EQ(Main().MDITab1->currentIndex(), 0);
  EXPECT_EQ(Main().ActiveDocument(), da);
  // Close all: a window that refuses stays, the others close.
  da->Memo1->SetSelText("again");
  Main().CloseAllExecute();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(Main().Documents().size(), 1);
  EXPECT_EQ(Main().Documents()[0], da);
}

TEST_F(MainWindow, ImportedDocumentsAreNamedLikeNewOnes) {
  QList<TChildForm*> targets;
  AppServices().Import = [&targets](const QString&, bool word, TChildForm* target) {
    EXPECT_FALSE(word);
    targets << target;
  };
  const QString rtf = MakeFile("letter.rtf", "{\\rtf1 x}");
  TChildForm* doc = Main().CreateDocument(false, true, QString(), rtf);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->Caption(), QStringLiteral("Untitled~1"));  // a save never writes HTML over the source
  EXPECT_EQ(targets, QList<TChildForm*>({doc}));
  EXPECT_EQ(doc->Memo1->Lines().Count(), 19);
}

TEST_F(MainWindow, PreviewPages) {
  Main().ToolButton33Click();
  TChildForm* doc = Main().ActiveDocument();
  Main().previewExecute();
  EXPECT_EQ(doc->PageControl1->currentIndex(), 1);
  EXPECT_TRUE(QFileInfo::exists(root + "kvx_tmp~Untitled~1.html"));
  Main().previewExecute();
  EXPECT_EQ(doc->PageControl1->currentIndex(), 0);
  Main().previewExecute();
  Main().nopreviewExecute();
  EXPECT_EQ(doc->PageControl1->currentIndex(), 0);
  prompts.Answer("Sluiten1 Untitled~1 Sluiten2", 6);
  doc->close();
  EXPECT_FALSE(QFileInfo::exists(root + "kvx_tmp~Untitled~1.html"));
}

}  // namespace

namespace {

TEST_F(MainWindow, DocumentCommandsOnlyWithADocument) {
  Ini().WriteString("WEB", "Path", "/usr/bin/browser");  // F12 has a browser: it needs a document
  const QStringList commands = {"Save2",         "ToolButton35", "SaveAs1",      "SaveAll",       "Close1",
                                "CloseAll",      "ExpDoc1",      "PR_DOC1",      "Undo1",         "Cut1",
                                "Paste1",        "GotoLine1",    "WWrap1",       "SearchReplace", "FindPrevious",
                                "preview",       "LoadBrowser",  "ToolButton22", "Bold1",         "HeadingStyle13",
                                "AlignJustify1", "Table1",       "ToolButton5",  "ToolButton29",  "ToolButton17"};
  const auto enabled = [&] {
    QStringList on;
    for (const QString& name : commands)
      if (Main().Action(name)->isEnabled()) on << name;
    return on;
  };
  EXPECT_EQ(enabled(), QStringList());
  Main().ToolButton33Click();
  const QStringList on = enabled();
  for (const QString& name : commands.mid(2)) EXPECT_TRUE(on.contains(name)) << name.toStdString();
  Main().CloseAllExecute();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(enabled(), QStringList());
}

TEST_F(MainWindow, WindowMenuAndTabPopup) {
  TChildForm* a = Main().OpenDocument(false, true, MakeFile("page &co.html"));
  TChildForm* b = Main().OpenDocument(false, true, MakeFile("b.html"));
  EXPECT_EQ(Main().MDITab1->tabText(0), QStringLiteral("page &&co.html"));  // shows "&"
  const QRect area = Main().MDIClient->viewport()->rect();
  Main().Action("WTile2")->trigger();  // side by side
  EXPECT_EQ(a->geometry(), QRect(0, 0, area.width() / 2, area.height()));
  EXPECT_EQ(b->geometry().left(), area.width() / 2);
  Main().Action("WTile1")->trigger();  // one above the other
  EXPECT_EQ(a->geometry(), QRect(0, 0, area.width(), area.height() / 2));
  EXPECT_EQ(b->geometry().top(), area.height() / 2);
  Main().Action("WMinimize")->trigger();
  EXPECT_TRUE(a->isMinimized() && b->isMinimized());
  Main().Action("WArrange")->trigger();
  EXPECT_EQ(a->y(), b->y());
  EXPECT_EQ(a->geometry().bottom(), area.bottom());
  EXPECT_NE(a->x(), b->x());
  Main().Action("WCascade")->trigger();
  EXPECT_FALSE(Main().Action("WCascade")->text().isEmpty());

  QStringList popup;
  for (QAction* item : Main().TabPopup->actions()) popup << item->objectName();
  EXPECT_EQ(popup, QStringList({"Close1", "CloseAll", "preview"}));
}

TEST_F(MainWindow, EditorPopupGoesToALine) {
  Main().ToolButton33Click();
  TChildForm* doc = Main().ActiveDocument();
  AnswerGoto("7");
  QAction* item = doc->PopupMenu1->findChild<QAction*>("GotoLine1");
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(doc->PopupMenu1->actions().contains(item));
  item->trigger();
  EXPECT_EQ(doc->Memo1->CaretY(), 7);
  EXPECT_EQ(prompts.Dialogs(), QStringList({"fDosPrompt"}));

  // Tag and table commands are the main window's actions; text formatting
  // opens the main window's dialog.
  for (const char* name : {"Bold1", "Italic1", "Underline1", "Left1", "Center1", "Right1", "Table1"})
    EXPECT_TRUE(doc->PopupMenu1->actions().contains(Main().Action(name))) << name;
  doc->Memo1->SelectAll();
  doc->Memo1->SetSelText("x");
  doc->Memo1->SelectAll();
  doc->PopupMenu1->findChild<QAction*>("TextFormattinh1")->trigger();  // unanswered: cancelled
  EXPECT_EQ(prompts.Dialogs(), QStringList({"fDosPrompt", "fTextFormat"}));
  EXPECT_EQ(doc->Memo1->Text(), "x");
}

TEST_F(MainWindow, IconsFromTheThemeOrOurOwn) {
  for (QToolBar* bar : Main().ToolBars)
    for (QAction* a : bar->actions()) {
      EXPECT_FALSE(a->icon().pixmap(22).isNull()) << a->objectName().toStdString();
      EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }
  if (QIcon::hasThemeIcon("document-new")) {
    EXPECT_EQ(Main().Action("ToolButton33")->icon().name(), "document-new");
  }
  EXPECT_FALSE(Main().Action("SaveAll")->icon().pixmap(22).isNull());  // no theme has it
}

}  // namespace

namespace {

TEST_F(MainWindow, CodeTemplatesReloadInEveryDocument) {
  QDir(root).mkpath("CodeC");
  WriteFileBytes(root + "CodeC/codeinside.dci", "[a | x]\r\n<a>|</a>\r\n\r\n");
  Main().ToolButton33Click();
  Main().ToolButton33Click();
  WriteFileBytes(root + "CodeC/codeinside.dci", "[b | y]\r\n<b>|</b>\r\n\r\n");
  Main().ReloadCodeInsideLists();
  for (TChildForm* c : Main().Documents()) EXPECT_EQ(c->AutoComplete->TemplateNames(), QStringList({"b"}));
  EXPECT_EQ(prompts.Messages().last().text, QStringLiteral("CCUpARLstb"));
}

}  // namespace

TEST_F(MainWindow, ToolBarsCarryTheirCommandsAndFollowTheLastWindowGone) {
  Ini().WriteString("WEB", "Path", "/usr/bin/browser");
  const auto names = [](QToolBar* bar) {
    QStringList out;
    for (QAction* a : bar->actions()) out << a->objectName();
    return out;
  };
  EXPECT_EQ(names(Main().ToolBars[0]), (QStringList{"ToolButton33", "ActionOpen", "ToolButton35", "SaveAll", "Close1",
                                                    "Copy1", "Paste1", "Cut1", "DoEmail"}));
  EXPECT_EQ(names(Main().ToolBars[4]), (QStringList{"ConfigScreen", "TBCD", "C_Lang"}));

  // "Change language" opens the options screen at its language page.
  const int counter = Main().DocumentCounter;
  Main().Action("C_Lang")->trigger();
  ASSERT_NE(TfConfig::Instance(), nullptr);
  EXPECT_EQ(TfConfig::Instance()->PageControl1->currentIndex(), 2);
  EXPECT_EQ(Main().DocumentCounter, counter + 1);
  TfConfig::Instance()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  // Tabs show the picture of their kind of window.
  Main().ToolButton33Click();
  Main().ToolButton33Click();
  ASSERT_EQ(Main().MDITab1->count(), 2);
  EXPECT_FALSE(Main().MDITab1->tabIcon(0).isNull());
  EXPECT_EQ(Main().MDITab1->tabIcon(1).pixmap(16).toImage(), Main().MDITab1->tabIcon(0).pixmap(16).toImage());
  // The document window itself shows that picture, not the toolkit's.
  EXPECT_EQ(Main().ActiveDocument()->windowIcon().pixmap(16).toImage(),
            Main().MDITab1->tabIcon(0).pixmap(16).toImage());

  // Close all by its key: once the windows are gone, no document command of
  // the tool bars stays enabled.
  Ini().WriteBool("Ask", "ToSave?", false);
  QApplication::setActiveWindow(&Main());
  QTest::keyClick(Main().ActiveDocument()->Memo1, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
  ASSERT_EQ(Windows(), 0);
  QStringList enabled;
  for (QToolBar* bar : Main().ToolBars)
    for (QAction* a : bar->actions())
      if (a->isEnabled() && bar->widgetForAction(a) && bar->widgetForAction(a)->isEnabled() &&
          QStringList({"SaveAll", "Close1", "Copy1", "Paste1", "Cut1", "preview", "LoadBrowser", "Search1",
                       "SearchReplace", "ToolButton35", "Undo1", "Redo1", "FindNext", "FindPrevious"})
              .contains(a->objectName()))
        enabled << a->objectName();
  EXPECT_EQ(enabled, QStringList());
}

// Once Close all has closed the last document, the document commands are
// off and their tool buttons look it: a dark picture such as the
// magnifier fades as clearly as a bright one.
TEST_F(MainWindow, DocumentCommandsFollowTheActiveWindowAndLookIt) {
  const QString style = QApplication::style()->name();
  UseProgramStyle();
  const auto button = [this](const char* name) -> QWidget* {
    QAction* a = Main().Action(QLatin1String(name));
    for (QToolBar* bar : Main().findChildren<QToolBar*>())
      if (QWidget* w = bar->widgetForAction(a)) return w;
    return nullptr;
  };
  // How far the button's pixels stand from its background, in grey levels.
  const auto ink = [](QWidget* w) {
    const QImage image = w->grab().toImage();
    const int background = qGray(image.pixel(0, 0));
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) sum += std::abs(qGray(image.pixel(x, y)) - background);
    return sum;
  };
  const char* const commands[] = {"Search1", "SearchReplace", "Bold1", "Italic1"};
  Main().OpenDocument(false, true, MakeFile("a.html"));
  Main().ToolButton33Click();
  QList<qint64> enabled;
  for (const char* name : commands) {
    ASSERT_NE(button(name), nullptr) << name;
    ASSERT_TRUE(Main().Action(QLatin1String(name))->isEnabled()) << name;
    enabled << ink(button(name));
  }
  Ini().WriteBool("Ask", "ToSave?", false);
  QApplication::setActiveWindow(&Main());
  QTest::keyClick(Main().ActiveDocument()->Memo1, Qt::Key_F4, Qt::ControlModifier | Qt::AltModifier);
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
  ASSERT_EQ(Windows(), 0);
  for (int i = 0; i < std::ssize(commands); ++i) {
    const char* name = commands[i];
    EXPECT_FALSE(Main().Action(QLatin1String(name))->isEnabled()) << name;
    EXPECT_FALSE(button(name)->isEnabled()) << name;
    EXPECT_LT(ink(button(name)) * 2, enabled[i]) << name;
  }
  QApplication::setStyle(style);

  // They follow the active window: an image browser's tab, a document's, and
  // the browser left alone once the document is closed.
  const auto on = [this] { return Main().Action("Search1")->isEnabled() && Main().Action("Bold1")->isEnabled(); };
  Main().OpenDocument(false, true, MakeFile("a.html"));
  Main().OpenImages({MakeFile("p.png", "x")});
  EXPECT_FALSE(on());
  Main().MDITab1->setCurrentIndex(0);
  EXPECT_TRUE(on());
  Main().Action("Close1")->trigger();
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
  ASSERT_EQ(Windows(), 1);
  EXPECT_FALSE(on());
}

TEST_F(MainWindow, DocumentManagerItemOpensIt) {
  int shown = 0;
  AppServices().DocumentManager = [&shown](IAppHost&) { ++shown; };
  Main().Action("LoadDocs1")->trigger();
  EXPECT_EQ(shown, 1);
  QMenu* exportMenu = Main().findChild<QMenu*>("Export1");
  ASSERT_NE(exportMenu, nullptr);
  EXPECT_TRUE(exportMenu->actions().contains(Main().Action("ExpDoc1")));
}

TEST_F(MainWindow, PreviewInBrowserWithoutABrowserOpensTheBrowsersPage) {
  // No document and no browser set: F12 is offered and opens the options
  // screen at the browsers' page.
  QAction* f12 = Main().Action("LoadBrowser");
  ASSERT_TRUE(f12->isEnabled());
  f12->trigger();
  ASSERT_NE(TfConfig::Instance(), nullptr);
  EXPECT_EQ(TfConfig::Instance()->PageControl1->currentIndex(), 3);
  EXPECT_EQ(TfConfig::Instance()->PageControl2->currentIndex(), 2);
  TfConfig::Instance()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
