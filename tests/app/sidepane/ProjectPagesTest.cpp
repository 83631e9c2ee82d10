// Tests of the project pages (app/sidepane/ProjectPages.cpp).
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "app/document/Child.h"
#include "app/sidepane/ProjectPages.h"
#include "files/FrDirectoryTree.h"
#include "files/FrTreeView.h"
#include "files/PromptDialogs.h"
#include "files/TreeText.h"
#include "tests/app/AppFixture.h"

namespace {

class ProjectPages : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    for (const char* folder : {"site/a", "site/b", "site/c"}) QDir(root).mkpath(folder);
  }
  // The folder chooser picks `folder` with `name` as project name.
  void AnswerFolder(const QString& folder, const QString& name = QString()) {
    prompts.AnswerDialog("fSelDir", [=](QDialog& d) {
      auto& chooser = static_cast<TfSelDir&>(d);
      chooser.FrDirectoryTree1->OpenPath(folder);
      chooser.Edit1->setText(name);
      chooser.Button1->click();
      return d.result();
    });
  }
  TProjectTree& Page() {
    Main().EnsureSidePane();
    return *Main().ProjectPage;
  }
  QTreeWidget& Tree() { return *Page().TreeView1; }
  QString WorkList() const { return root + "WorkList.Dat"; }
  QStringList Messages() const {
    QStringList texts;
    for (const auto& m : prompts.Messages()) texts << QString::number(m.kind) + ": " + m.text;
    return texts;
  }
};

TEST_F(ProjectPages, NewProjectsAndFoldersAreWrittenAsTreeText) {
  Main();
  AnswerFolder(root + "site/a");
  Page().NewProject();
  EXPECT_EQ(ReadFileBytes(WorkList()), "Untitled Project\r\n\t" + (root + "site/a").toUtf8() + "\r\n");
  AnswerFolder(root + "site/b", "  P2 ");
  Page().NewProject();
  // A folder goes to the project of the selected node, a folder's as well.
  Tree().setCurrentItem(Tree().topLevelItem(1)->child(0));
  AnswerFolder(root + "site/c");
  Page().AddFolder();
  const QByteArray golden = "Untitled Project\r\n\t" + (root + "site/a").toUtf8() + "\r\nP2\r\n\t" +
                            (root + "site/b").toUtf8() + "\r\n\t" + (root + "site/c").toUtf8() + "\r\n";
  EXPECT_EQ(ReadFileBytes(WorkList()), golden);
  // A folder whose name would read back as another is refused.
  QDir(root).mkpath("site/trail ");
  AnswerFolder(root + "site/trail ");
  Page().AddFolder();
  EXPECT_EQ(Messages(), QStringList{"2: PMBadFolder " + root + "site/trail "});
  EXPECT_EQ(ReadFileBytes(WorkList()), golden);
  // Cancel changes nothing; the exit writes the same bytes.
  prompts.AnswerDialog("fSelDir", [](QDialog&) { return 0; });
  Page().NewProject();
  Page().AddFolder();
  EXPECT_EQ(Tree().topLevelItemCount(), 2);
  prompts.Answer("ExitMsg", 7);
  Main().FormCloseQuery();
  EXPECT_EQ(ReadFileBytes(WorkList()), golden);
  EXPECT_EQ(Messages().last(), "10: ExitMsg");
}

TEST_F(ProjectPages, BlankIndentedListLoadsAndIsWrittenBackWithTabs) {
  WriteFileBytes(WorkList(), "Home\n /srv/a\n\t/srv/b\nSite: A\n C:\\web\n");
  Main();
  ASSERT_EQ(Tree().topLevelItemCount(), 2);
  EXPECT_EQ(Tree().topLevelItem(0)->childCount(), 2);
  EXPECT_EQ(Tree().topLevelItem(1)->child(0)->text(0), "C:\\web");
  prompts.Answer("ExitMsg", 7);
  Main().FormCloseQuery();
  EXPECT_EQ(ReadFileBytes(WorkList()), "Home\r\n\t/srv/a\r\n\t/srv/b\r\nSite: A\r\n\tC:\\web\r\n");
}

TEST_F(ProjectPages, UnreadableListIsKeptUntilTheUserChangesTheTree) {
  const QByteArray damaged = "Site\r\n\t/srv/a\r\n\t\t\tx\r\n";
  WriteFileBytes(WorkList(), damaged);
  Main();
  EXPECT_TRUE(Messages().isEmpty());  // the list is read when the pane is first shown
  Main().ShowSidePage(1);
  EXPECT_EQ(Messages(), QStringList{"2: PMLoadErr " + WorkList() + " Invalid level (3) for item \"x\" PMKeptAs " +
                                    WorkList() + ".bak"});
  EXPECT_EQ(ReadFileBytes(WorkList() + ".bak"), damaged);
  EXPECT_EQ(Tree().topLevelItemCount(), 0);
  EXPECT_TRUE(Page().HeldBack());
  // The exit does not write the empty tree over the projects.
  prompts.Answer("ExitMsg", 7);
  Main().FormCloseQuery();
  EXPECT_EQ(ReadFileBytes(WorkList()), damaged);
  // A change of the user's is written; the copy stays.
  AnswerFolder(root + "site/a", "New");
  Page().NewProject();
  EXPECT_EQ(ReadFileBytes(WorkList()), "New\r\n\t" + (root + "site/a").toUtf8() + "\r\n");
  EXPECT_EQ(ReadFileBytes(WorkList() + ".bak"), damaged);
}

TEST_F(ProjectPages, FailedWriteIsReportedAndTheTreeKeepsTheChange) {
  WriteFileBytes(root + "blocker", "a file, not a folder");
  TProjectTree page;
  page.Load(root + "blocker/WorkList.Dat");
  AnswerFolder(root + "site/a");
  page.NewProject();
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  EXPECT_TRUE(prompts.Messages()[0].text.startsWith("PMSaveErr ")) << prompts.Messages()[0].text.toStdString();
  EXPECT_TRUE(prompts.Messages()[0].text.contains(root + "blocker/WorkList.Dat"));
  EXPECT_EQ(page.TreeView1->topLevelItemCount(), 1);
}

TEST_F(ProjectPages, DoubleClickOpensTheFolderOfANode) {
  QTreeWidget tree;
  // Folders are known by their level, whatever their texts hold.
  TreeText::Fill(tree,
                 {{0, "Site: A"}, {1, "/srv/a"}, {1, "/srv/b"}, {0, "Empty\\x"}, {0, "Last"}, {1, "rel"}, {0, "End"}});
  struct Case {
    QTreeWidgetItem* node;
    QString folder;
  } cases[] = {
      {tree.topLevelItem(0), "/srv/a"}, {tree.topLevelItem(0)->child(1), "/srv/b"},
      {tree.topLevelItem(1), ""},       {tree.topLevelItem(2), "rel"},
      {tree.topLevelItem(3), ""},       {nullptr, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TProjectTree::FolderToOpen(tree, c.node), c.folder) << (c.node ? c.node->text(0).toStdString() : "none");

  // Through the page: the file manager is sent there and the folder kept.
  QStringList shown;
  AppServices().ShowFolder = [&shown](const QString& folder) { shown << folder; };
  WriteFileBytes(WorkList(), "Site\r\n\t/srv/a\r\nEmpty\r\n");
  Main().PageControl2->setCurrentIndex(1);
  Tree().setCurrentItem(Tree().topLevelItem(1));
  Page().OpenSelected();
  EXPECT_TRUE(shown.isEmpty());
  Tree().setCurrentItem(Tree().topLevelItem(0));
  Page().OpenSelected();
  EXPECT_EQ(shown, QStringList{"/srv/a"});
  EXPECT_EQ(Main().PageControl2->currentIndex(), 0);
  EXPECT_EQ(Ini().ReadString("Work", "Dir", ""), "/srv/a");
}

// The pane changes page or hides under the focus: the document the user
// works on stays the active one.
TEST_F(ProjectPages, PaneChangesKeepTheActiveDocument) {
  WriteFileBytes(WorkList(), "Site\r\n\t" + (root + "site/a").toUtf8() + "\r\n");
  Main().OpenNewFile(MakeFile("first.html"));
  Main().OpenNewFile(MakeFile("second.html"));
  TChildForm* second = Main().ActiveDocument();
  ASSERT_TRUE(second);
  QApplication::setActiveWindow(&Main());
  const std::function<void()> changes[] = {
      [&] { Page().OpenSelected(); },
      [&] { Main().TabSet1->setCurrentIndex(2); },
      [&] { Main().ShowSidePane(false); },
  };
  for (const auto& change : changes) {
    Main().ShowSidePage(1);
    Tree().setCurrentItem(Tree().topLevelItem(0)->child(0));
    Tree().setFocus();
    ASSERT_TRUE(Tree().hasFocus());
    change();
    EXPECT_EQ(Main().ActiveDocument(), second);
  }
  EXPECT_EQ(Ini().ReadString("Work", "Dir", ""), root + "site/a");
}

TEST_F(ProjectPages, RemoveAsksAndEditReplacesTheFolder) {
  WriteFileBytes(WorkList(), "Site\r\n\t/srv/a\r\n\t/srv/b\r\n");
  Main();
  Tree().setCurrentItem(Tree().topLevelItem(0)->child(1));
  const QString question = "DelFile1 \" /srv/b \" DelFile2";
  prompts.Answer(question, 7);
  Page().RemoveSelected();
  EXPECT_EQ(Messages(), QStringList{"1: " + question});
  EXPECT_EQ(Tree().topLevelItem(0)->childCount(), 2);
  prompts.Answer(question, 6);
  Page().RemoveSelected();
  EXPECT_EQ(ReadFileBytes(WorkList()), "Site\r\n\t/srv/a\r\n");

  Tree().setCurrentItem(Tree().topLevelItem(0)->child(0));
  AnswerFolder(root + "site/c");
  Page().EditSelectedItem();
  EXPECT_EQ(ReadFileBytes(WorkList()), "Site\r\n\t" + (root + "site/c").toUtf8() + "\r\n");
  // A project is no folder: nothing to edit.
  Tree().setCurrentItem(Tree().topLevelItem(0));
  Page().EditSelectedItem();
  EXPECT_EQ(Tree().topLevelItem(0)->text(0), "Site");
}

TEST_F(ProjectPages, TagLibraryInsertsAnEntryOnceAndACategoryNever) {
  QDir(root).mkpath("elements");
  WriteFileBytes(root + "elements/elements.dat",
                 "Scripts\r\n\tdocument.write()\r\n\t<script>f()</script>\r\nForms\r\n\t<br>\r\n");
  Main().OpenNewFile(MakeFile("page.html", ""));
  Main().EnsureSidePane();
  TFrTreeView& tags = *Main().TagPage->FrTreeView1;
  ASSERT_EQ(tags.topLevelItemCount(), 2);
  struct Case {
    QTreeWidgetItem* node;
    QString inserted;
  } cases[] = {
      {tags.topLevelItem(0)->child(0), "document.write()"},
      {tags.topLevelItem(0)->child(1), "<script>f()</script>"},
      {tags.topLevelItem(1)->child(0), "<br>"},
      {tags.topLevelItem(1), ""},
  };
  for (const Case& c : cases) {
    Main().ActiveDocument()->Memo1->SetLines({});
    tags.setCurrentItem(c.node);
    Main().TagPage->InsertSelected();
    EXPECT_EQ(Main().ActiveDocument()->Memo1->Text(), c.inserted);
  }
  // A damaged element file is reported and leaves the library empty.
  WriteFileBytes(root + "elements/elements.dat", "Forms\r\n\t\t<br>\r\n");
  Main().TagPage->Load(root + "elements/elements.dat");
  EXPECT_EQ(tags.topLevelItemCount(), 0);
  EXPECT_EQ(Messages().last(), "0: ElementsLE " + root + "elements/elements.dat Invalid level (2) for item \"<br>\"");
}

// A double click on `item` as the window system delivers it: press, release,
// double click, release.
void DoubleClick(QTreeWidget& tree, QTreeWidgetItem* item) {
  QWidget* view = tree.viewport();
  const QPoint at = tree.visualItemRect(item).center();
  QTest::mouseClick(view, Qt::LeftButton, {}, at);
  QMouseEvent twice(QEvent::MouseButtonDblClick, at, view->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
  QApplication::sendEvent(view, &twice);
  QTest::mouseRelease(view, Qt::LeftButton, {}, at);
}

// A double click in the library inserts the entry and hands the keyboard to
// the page: what the user types next, and Undo and Redo, go to the document.
TEST_F(ProjectPages, TagLibraryHandsTheKeyboardBackToThePage) {
  QDir(root).mkpath("elements");
  WriteFileBytes(root + "elements/elements.dat", "Forms\r\n\t<br>\r\n");
  TChildForm* page = Main().OpenNewFile(MakeFile("page.html", ""));
  ASSERT_NE(page, nullptr);
  page->Memo1->SetLines({"caf\u00e9 \U0001F600"});
  page->Memo1->SetCaretXY(TPoint{8, 1});
  Main().Action("TagLibrary1")->trigger();
  QCoreApplication::processEvents();  // laid out as shown
  TFrTreeView& tags = *Main().TagPage->FrTreeView1;
  ASSERT_TRUE(tags.isVisible());
  QApplication::setActiveWindow(&Main());
  QTreeWidgetItem* forms = tags.topLevelItem(0);
  // A double click on a category opens it and inserts nothing: the tree keeps the keys.
  DoubleClick(tags, forms);
  ASSERT_TRUE(forms->isExpanded());
  EXPECT_EQ(QApplication::focusWidget(), &tags);
  DoubleClick(tags, forms->child(0));
  EXPECT_EQ(page->Memo1->Lines().ToStringList(), QStringList({"caf\u00e9 \U0001F600<br>"}));
  ASSERT_EQ(QApplication::focusWidget(), page->Memo1);
  QTest::keyClicks(QApplication::focusWidget(), "b");
  EXPECT_EQ(page->Memo1->Lines().ToStringList(), QStringList({"caf\u00e9 \U0001F600<br>b"}));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(page->Memo1->Lines().ToStringList(), QStringList({"caf\u00e9 \U0001F600"}));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(page->Memo1->Lines().ToStringList(), QStringList({"caf\u00e9 \U0001F600<br>"}));
}

}  // namespace
