#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "files/FrDirectoryTree.h"
#include "files/FrFileListBox.h"
#include "tests/files/FilesFixture.h"

namespace {
// Counts the serial look-ups so that tests can tell which volumes were read.
class TCountingMounts : public TFakeMountSource {
 public:
  QStringList asked;
  std::uint64_t VolumeSerial(const QString& root) override {
    asked << root;
    return TFakeMountSource::VolumeSerial(root);
  }
};

QStringList Texts(const QTreeWidgetItem* parent) {
  QStringList t;
  for (int i = 0; i < parent->childCount(); ++i) t << parent->child(i)->text(0);
  return t;
}
}  // namespace

class DirTree : public FilesFixture {
 protected:
  void SetUp() override {
    FilesFixture::SetUp();
    Make({"vol/", "vol/sub/deep/", "vol/Alpha/", "vol/beta/", "vol/.hid/", "vol/empty/", "vol/sub/file.txt",
          "net/share/", "usb/"});
    mounts.mounts = {{"/", "", "ext4", TDriveType::Fixed},
                     {root + "/net", "srv", "nfs4", TDriveType::Remote},
                     {root + "/vol", "DATA DISK", "ext4", TDriveType::Fixed}};
    mounts.serials.insert(root + "/vol", 7);
    TMountWatcher::Instance().SetSource(&mounts);
  }
  QTreeWidgetItem* Root(TFrDirectoryTree& tree, const QString& sub) { return tree.RootOf(root + sub); }

  TCountingMounts mounts;
};

TEST_F(DirTree, RootsCaptionsAndMarkers) {
  TFrDirectoryTree tree;
  ASSERT_EQ(tree.topLevelItemCount(), 3);
  EXPECT_EQ(tree.topLevelItem(0)->text(0), "(/)");  // no serial: the volume could not be read
  EXPECT_EQ(Root(tree, "/vol")->text(0), "Data disk (" + root + "/vol)");
  EXPECT_EQ(Root(tree, "/net")->text(0), "Srv (" + root + "/net)");
  // a network share gets its marker unread and is never asked for a serial
  EXPECT_EQ(Texts(Root(tree, "/net")), QStringList{":"});
  EXPECT_FALSE(mounts.asked.contains(root + "/net"));

  QTreeWidgetItem* vol = Root(tree, "/vol");
  vol->setExpanded(true);
  EXPECT_EQ(Texts(vol), QStringList({"Alpha", "beta", "empty", "sub"}));
  EXPECT_EQ(TFrDirectoryTree::PathOf(vol->child(3)), root + "/vol/sub/");
  // markers only where a sub-folder exists (sub holds a file and a folder)
  EXPECT_EQ(vol->child(2)->childCount(), 0);
  EXPECT_EQ(Texts(vol->child(3)), QStringList{":"});

  tree.SetShowHiddenDirs(true);
  Root(tree, "/vol")->setExpanded(true);
  EXPECT_EQ(Texts(Root(tree, "/vol")), QStringList({".hid", "Alpha", "beta", "empty", "sub"}));
}

TEST_F(DirTree, OpenPathGetDirectoryAndDrive) {
  TFrDirectoryTree tree;
  int changes = 0, driveChanges = 0;
  QObject::connect(&tree, &TFrDirectoryTree::Change, [&] { ++changes; });
  QObject::connect(&tree, &TFrDirectoryTree::DriveChange, [&] { ++driveChanges; });
  tree.setCurrentItem(nullptr);
  EXPECT_EQ(tree.GetDirectory(), "");
  EXPECT_EQ(tree.GetDrive(), "");

  tree.OpenPath(root + "/vol/sub/deep");
  EXPECT_EQ(tree.GetDirectory(), root + "/vol/sub/deep");
  EXPECT_EQ(tree.GetDrive(), root + "/vol");  // the closest mount point holds it
  changes = driveChanges = 0;
  tree.OpenPath(root + "/vol/sub/deep/");  // already selected: nothing happens
  EXPECT_EQ(changes, 0);
  // three missing levels fall back to the deepest existing folder
  tree.OpenPath(root + "/vol/beta/x/y/z");
  EXPECT_EQ(tree.GetDirectory(), root + "/vol/beta");
  EXPECT_EQ(driveChanges, 0);
  tree.OpenPath(root + "/net");
  EXPECT_EQ(driveChanges, 1);
  tree.OpenPath("/");
  EXPECT_EQ(tree.GetDirectory(), "/");
  EXPECT_EQ(tree.GetDrive(), "/");
  tree.SelectParent();  // a root has no parent
  EXPECT_EQ(tree.GetDirectory(), "/");
}

TEST_F(DirTree, FoldersMadeAfterTheirParentWasReadAreReached) {
  TFrDirectoryTree tree;
  tree.OpenPath(root + "/vol/sub/deep");
  QTreeWidgetItem* vol = Root(tree, "/vol");
  ASSERT_EQ(Texts(vol), QStringList({"Alpha", "beta", "empty", "sub"}));
  QTreeWidgetItem* sub = vol->child(3);
  Make({"vol/new/inner/", "vol/aaa/"});
  tree.OpenPath(root + "/vol/new/inner");
  EXPECT_EQ(tree.GetDirectory(), root + "/vol/new/inner");
  // The listing keeps its order and its nodes: "sub" is the same item.
  EXPECT_EQ(Texts(vol), QStringList({"aaa", "Alpha", "beta", "empty", "new", "sub"}));
  EXPECT_EQ(vol->child(5), sub);
  // A hidden folder stays out of reach while hidden folders are not shown.
  Make({"vol/.later/"});
  tree.OpenPath(root + "/vol/.later");
  EXPECT_EQ(tree.GetDirectory(), root + "/vol/new/inner");
}

TEST_F(DirTree, MountsComeAndGoWithoutRebuildingOthers) {
  TFrDirectoryTree tree;
  tree.OpenPath(root + "/vol/sub");
  QTreeWidgetItem* vol = Root(tree, "/vol");
  QTreeWidgetItem* net = Root(tree, "/net");
  mounts.mounts.insert(2, {root + "/usb", "STICK", "vfat", TDriveType::Removable});
  TMountWatcher::Instance().Check();
  ASSERT_EQ(tree.topLevelItemCount(), 4);
  EXPECT_EQ(tree.topLevelItem(1), net);
  EXPECT_EQ(TFrDirectoryTree::PathOf(tree.topLevelItem(2)), root + "/usb/");
  EXPECT_EQ(tree.topLevelItem(3), vol);
  EXPECT_EQ(tree.GetDirectory(), root + "/vol/sub");

  // removing the volume of the selection moves the selection and tells the list
  TFrFileListBox list;
  tree.SetFileList(&list);
  mounts.mounts.removeLast();
  TMountWatcher::Instance().Check();
  EXPECT_EQ(tree.topLevelItemCount(), 3);
  EXPECT_FALSE(Root(tree, "/vol"));
  EXPECT_FALSE(tree.GetDirectory().startsWith(root + "/vol"));
  EXPECT_EQ(list.Directory(), tree.GetDirectory());

  // drive types filter roots
  tree.SetDriveTypes(dtFixed);
  EXPECT_EQ(tree.topLevelItemCount(), 1);
}

TEST_F(DirTree, RenameInPlace) {
  TFrDirectoryTree tree;
  TFrFileListBox list;
  tree.SetFileList(&list);
  tree.OpenPath(root + "/vol");
  EXPECT_FALSE(tree.StartRename());  // a volume root keeps its name
  tree.OpenPath(root + "/vol/sub/deep");
  QTreeWidgetItem* sub = tree.currentItem()->parent();

  const QString charsText = "A directory name cannot contain any of the following characters:\r\\ / : * ? \" < > |";
  for (const QString& bad : {QString("a:b"), QString("x/y"), QString(".."), QString("."), QString("")}) {
    EXPECT_FALSE(tree.RenameNode(sub, bad)) << bad.toStdString();
    EXPECT_EQ(Messages().last(), charsText);
  }
  // an existing folder is never replaced, even an empty one
  EXPECT_FALSE(tree.RenameNode(sub, "empty"));
  EXPECT_TRUE(Messages().last().startsWith("The folder could not be renamed: "));
  EXPECT_TRUE(QFileInfo::exists(root + "/vol/sub/file.txt"));
  EXPECT_TRUE(QFileInfo::exists(root + "/vol/empty"));
  EXPECT_EQ(sub->text(0), "sub");

  tree.setCurrentItem(sub);
  ASSERT_TRUE(tree.RenameNode(sub, "renamed"));
  EXPECT_EQ(sub->text(0), "renamed");
  EXPECT_EQ(tree.GetDirectory(), root + "/vol/renamed");
  EXPECT_EQ(TFrDirectoryTree::PathOf(sub->child(0)), root + "/vol/renamed/deep/");
  EXPECT_EQ(list.Directory(), root + "/vol/renamed");
  EXPECT_EQ(list.count(), 1);
}

TEST_F(DirTree, LinksItselfToAFileListOnTheSameWindow) {
  QWidget form;
  auto* tree = new TFrDirectoryTree(&form);
  auto* list = new TFrFileListBox;
  form.setLayout(new QVBoxLayout);
  form.layout()->addWidget(tree);
  form.layout()->addWidget(list);
  ASSERT_EQ(tree->FileList(), list);
  tree->OpenPath(root + "/vol/sub");
  EXPECT_EQ(list->Directory(), root + "/vol/sub");
  delete list;
  EXPECT_EQ(tree->FileList(), nullptr);
  QLabel label;
  label.resize(400, 20);
  tree->SetDirLabel(&label);
  EXPECT_EQ(label.text(), root + "/vol/sub");
}

// A tree and list on a hidden page read nothing until they are shown or
// asked; a folder opened meanwhile is the one shown, with its files.
TEST_F(DirTree, HeldTreeAndListReadWhenShownOrAsked) {
  for (const bool show : {true, false}) {
    QWidget form;
    auto* tree = new TFrDirectoryTree(&form, false);
    auto* list = new TFrFileListBox(&form, false);
    form.setLayout(new QVBoxLayout);
    form.layout()->addWidget(tree);
    form.layout()->addWidget(list);
    tree->SetFileList(list);
    tree->OpenPath(root + "/vol/sub");
    list->SetMask(QStringLiteral("*.txt"));
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(mounts.asked.isEmpty());
    if (show) form.show();
    EXPECT_EQ(tree->GetDirectory(), root + "/vol/sub") << show;
    EXPECT_EQ(tree->topLevelItemCount(), 3);
    ASSERT_EQ(list->count(), 1) << show;
    EXPECT_EQ(list->item(0)->text(), "file.txt");
    mounts.asked.clear();
  }
}

namespace {
// A table that changes while the tree reads the first volume.
class TChangingMounts : public TFakeMountSource {
 public:
  QString added;
  std::uint64_t VolumeSerial(const QString& root) override {
    if (!added.isEmpty() && mounts.size() == 3) {
      mounts.append({added, "", "ext4", TDriveType::Fixed});
      TMountWatcher::Instance().Check();
    }
    return TFakeMountSource::VolumeSerial(root);
  }
};
}  // namespace

TEST_F(DirTree, ATableChangeWhileBuildingAddsEachRootOnce) {
  TChangingMounts changing;
  changing.mounts = mounts.mounts;
  TMountWatcher::Instance().SetSource(&changing);
  TFrDirectoryTree tree;
  changing.added = root + "/usb";
  tree.BuildDrives();
  QStringList paths;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) paths << TFrDirectoryTree::PathOf(tree.topLevelItem(i));
  EXPECT_EQ(paths, QStringList({"/", root + "/net/", root + "/usb/", root + "/vol/"}));
}

TEST_F(DirTree, F2EditsTheNameAndEnterRenames) {
  TFrDirectoryTree tree;
  tree.show();
  tree.OpenPath(root + "/vol");
  QTest::keyClick(&tree, Qt::Key_F2);
  EXPECT_FALSE(tree.findChild<QLineEdit*>());  // no editor on a volume root
  tree.OpenPath(root + "/vol/beta");
  QTest::keyClick(&tree, Qt::Key_F2);
  auto* editor = tree.findChild<QLineEdit*>();
  ASSERT_TRUE(editor);
  editor->selectAll();
  QTest::keyClicks(editor, "gamma");
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the edit is committed on the next turn of the loop
  EXPECT_TRUE(QFileInfo(root + "/vol/gamma").isDir());
  EXPECT_EQ(tree.GetDirectory(), root + "/vol/gamma");
  EXPECT_EQ(tree.currentItem()->text(0), "gamma");
}

TEST_F(DirTree, AnExchangedMediumIsReadAgain) {
  TFrDirectoryTree tree;
  tree.OpenPath(root + "/vol/sub");
  Make({"vol/new/"});
  mounts.mounts[2].label = "backup";
  mounts.serials[root + "/vol"] = 8;  // another medium in the same place
  TMountWatcher::Instance().Check();
  QTreeWidgetItem* vol = Root(tree, "/vol");
  tree.OpenPath(root + "/vol/beta");
  EXPECT_EQ(vol->text(0), "Backup (" + root + "/vol)");
  EXPECT_EQ(tree.GetDirectory(), root + "/vol/beta");
  EXPECT_EQ(Texts(vol), QStringList({"Alpha", "beta", "empty", "new", "sub"}));

  // choosing a node of a changed medium reads it again once the view is done
  mounts.serials[root + "/vol"] = 9;
  tree.setCurrentItem(vol->child(4));
  QCoreApplication::processEvents();
  EXPECT_EQ(tree.currentItem(), vol);
  EXPECT_EQ(Texts(vol), QStringList{":"});

  mounts.serials.remove(root + "/vol");  // the medium cannot be read
  tree.setCurrentItem(tree.topLevelItem(0));
  tree.setCurrentItem(vol);
  QCoreApplication::processEvents();
  EXPECT_EQ(vol->text(0), "(" + root + "/vol)");
  EXPECT_EQ(vol->childCount(), 0);
}

// A deep folder in a narrow tree: on first show the tree is scrolled so that
// the folder's name is in view beside its arrow, not cut off past the edge.
TEST_F(DirTree, NarrowTreeShowsTheNameOfADeepFolder) {
  Make({"vol/sub/deep/deeper/deepest/holiday pictures/"});
  const QString deep = root + "/vol/sub/deep/deeper/deepest/holiday pictures";
  for (const bool held : {true, false}) {
    QWidget form;
    form.setLayout(new QVBoxLayout);
    auto* tree = new TFrDirectoryTree(&form, !held);
    tree->setFixedSize(127, 200);
    form.layout()->addWidget(tree);
    tree->OpenPath(deep);
    form.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(tree->GetDirectory(), deep);
    const QRect name = tree->visualItemRect(tree->currentItem());
    const int width = tree->viewport()->width();
    EXPECT_GE(name.left(), 0) << held;
    EXPECT_LE(name.left(), tree->indentation()) << held;
    EXPECT_GT(name.right(), width / 2) << held;
    // The name is whole, not elided: the tree scrolls sideways instead.
    EXPECT_GE(name.width(), tree->fontMetrics().horizontalAdvance("holiday pictures")) << held;
  }
}
