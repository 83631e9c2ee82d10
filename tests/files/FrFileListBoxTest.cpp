#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

#include "files/FrFileListBox.h"
#include "tests/files/FilesFixture.h"

namespace {
QStringList Names(const TFrFileListBox& list) {
  QStringList names;
  for (int i = 0; i < list.count(); ++i) names << list.item(i)->text();
  return names;
}
}  // namespace

class FileList : public FilesFixture {};

TEST_F(FileList, MasksSortingAndFilters) {
  Make({"a.php", "b.inc", "D.PHTML", "c.txt", "b.txt", "A.txt", "README", ".hidden.txt", "z/", "sub.txt/"});
  struct Case {
    QString mask;
    int fileType;
    QStringList expected;
  } cases[] = {
      {"*.php;*.php3;*.phtml;*.inc", ftNormal, {"a.php", "b.inc", "D.PHTML"}},
      // a name matched by two pieces is listed once
      {"*.txt;*.*", ftNormal, {"a.php", "A.txt", "b.inc", "b.txt", "c.txt", "D.PHTML", "README"}},
      {"*.TXT", ftNormal, {"A.txt", "b.txt", "c.txt"}},
      {" *.inc ; ;*.php", ftNormal, {"a.php", "b.inc"}},
      // folders first, then files, each group without regard to case
      {"*.txt;z", ftNormal | ftDirectory, {"sub.txt", "z", "A.txt", "b.txt", "c.txt"}},
      {"*.txt", ftNormal | ftHidden, {".hidden.txt", "A.txt", "b.txt", "c.txt"}},
      // without ftNormal only entries sharing an attribute are listed
      {"*", ftDirectory, {"sub.txt", "z"}},
  };
  for (const Case& c : cases) {
    TFrFileListBox list;
    list.SetFileType(c.fileType);
    list.SetDirectory(root);
    list.SetMask(c.mask);
    EXPECT_EQ(Names(list), c.expected) << c.mask.toStdString();
    for (int i = 0; i < list.count(); ++i) EXPECT_EQ(list.Info(i).name, list.item(i)->text());
  }
}

TEST_F(FileList, FileNameAndApplyFilePath) {
  Make({"site/index.html", "site/style.css", "site/a.css", "other/x.txt"});
  const QString cwd = QDir::currentPath();
  TFrFileListBox list;
  int changes = 0;
  QObject::connect(&list, &TFrFileListBox::Change, [&] { ++changes; });
  list.ApplyFilePath(root + "/site/*.css");
  EXPECT_EQ(list.Directory(), root + "/site");
  EXPECT_EQ(list.Mask(), "*.css");
  EXPECT_EQ(Names(list), QStringList({"a.css", "style.css"}));
  EXPECT_EQ(list.FileName(), "");

  changes = 0;
  list.SetFileName("style.css");
  EXPECT_EQ(list.FileName(), "style.css");
  EXPECT_EQ(list.FilePath(), root + "/site/style.css");
  EXPECT_EQ(changes, 1);

  // a file the mask hides becomes the mask and is selected
  list.ApplyFilePath(root + "/site/index.html");
  EXPECT_EQ(list.Mask(), "index.html");
  EXPECT_EQ(list.FileName(), "index.html");

  const QString missing = root + "/other/nothing.txt";
  try {
    list.ApplyFilePath(missing);
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "The " + missing + " file does not exist");
  }
  // names are told apart by case
  EXPECT_THROW(list.ApplyFilePath(root + "/other/X.TXT"), EInOutError);
  EXPECT_EQ(QDir::currentPath(), cwd);  // the process's folder never moves
}

TEST_F(FileList, DoubleClickOpensFoldersAndOnlyAllowedFiles) {
  Make({"f/", "f/in.txt", "doc.txt"});
  TFrFileListBox list;
  list.SetFileType(ftNormal | ftDirectory);
  list.SetDirectory(root);
  list.OpenItem(1);  // doc.txt with AllowOpen off
  EXPECT_TRUE(opened.isEmpty());
  list.SetAllowOpen(true);
  openResult = false;
  list.OpenItem(1);
  EXPECT_EQ(opened, QStringList{root + "/doc.txt"});
  EXPECT_EQ(Messages(), QStringList{"Could not open file."});
  list.OpenItem(0);  // the folder
  EXPECT_EQ(list.Directory(), root + "/f");
  EXPECT_EQ(Names(list), QStringList{"in.txt"});
}

TEST_F(FileList, IconsAreAskedOncePerExtensionAndHourglassAbove100) {
  QStringList names;
  for (int i = 0; i < 101; ++i) names << QStringLiteral("f%1.%2").arg(i).arg(QStringList{"html", "css", "js"}[i % 3]);
  Make(names);
  TFrFileListBox list;
  TFileIconCache::Instance().Clear();
  list.SetDirectory(root);
  EXPECT_EQ(TFileIconCache::Instance().Lookups(), 3);
  EXPECT_TRUE(list.ShowedHourglass());
  QFile::remove(root + "/f0.html");
  list.ReadFileNames();
  EXPECT_FALSE(list.ShowedHourglass());
  EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(FileList, WheelScrollingReachesTheTop) {
  QStringList names;
  for (int i = 0; i < 60; ++i) names << QStringLiteral("n%1.txt").arg(i, 2, 10, QChar(u'0'));
  Make(names);
  TFrFileListBox list;
  list.resize(200, 120);
  list.SetDirectory(root);
  list.show();
  QScrollBar* bar = list.verticalScrollBar();
  bar->setValue(2);
  QWheelEvent up(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                 Qt::NoScrollPhase, false);
  QApplication::sendEvent(list.viewport(), &up);
  EXPECT_EQ(bar->value(), 0);
  // a touch pad's small steps add up to whole lines
  for (int i = 0; i < 4; ++i) {
    QWheelEvent down(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -30), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(list.viewport(), &down);
  }
  EXPECT_EQ(bar->value(), QApplication::wheelScrollLines());
  EXPECT_GE(list.ItemHeight(), 18);
  list.SetShowGlyphs(false);
  EXPECT_EQ(list.ItemHeight(), list.fontMetrics().height() - 1);
}
