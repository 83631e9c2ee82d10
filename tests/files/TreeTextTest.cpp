#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "files/TreeText.h"
#include "tests/common/FifoWatch.h"

namespace {

using Items = QList<TTreeTextItem>;

const Items kProjects = {{0, "Untitled Project"}, {1, "/srv/a"}, {0, "P2"}, {1, "/srv/b"}, {1, "/srv/c"}};
const QByteArray kProjectsBytes = "Untitled Project\r\n\t/srv/a\r\nP2\r\n\t/srv/b\r\n\t/srv/c\r\n";

TEST(TreeText, WritesOneTabPerLevelAndCrLf) {
  EXPECT_EQ(TreeText::Format(kProjects), kProjectsBytes);
  // Texts that would read back differently lose what cannot be kept.
  EXPECT_EQ(TreeText::Format({{0, " \tLead"}, {1, "two\r\nlines\n"}}), "Lead\r\n\ttwo  lines\r\n");
}

TEST(TreeText, ReadsEveryIndentationAndLineEnd) {
  struct Case {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"tabs", kProjectsBytes},
      {"blanks", "Untitled Project\n /srv/a\nP2\n /srv/b\n /srv/c\n"},
      {"mixed", "Untitled Project\r\n /srv/a\r\nP2\r\n\t/srv/b\r\n /srv/c"},
      {"blank lines", "\r\nUntitled Project\r\n\r\n\t/srv/a\r\n  \t \r\nP2\r\n\t/srv/b\r\n\t/srv/c\r\n\r\n"},
      {"CR only", "Untitled Project\r\t/srv/a\rP2\r\t/srv/b\r\t/srv/c\r"},
      {"byte-order mark", "\xEF\xBB\xBFUntitled Project\r\n\t/srv/a\r\nP2\r\n\t/srv/b\r\n\t/srv/c\r\n"},
      {"trailing blanks", "Untitled Project \r\n\t/srv/a\t\r\nP2\r\n\t/srv/b\r\n\t/srv/c\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(TreeText::Parse(c.bytes), kProjects) << c.name;
  // TABs and blanks mix within a line too; a line may go back any number of levels.
  EXPECT_EQ(TreeText::Parse("a\n\tb\n \tc\nd\n"), (Items{{0, "a"}, {1, "b"}, {2, "c"}, {0, "d"}}));
  EXPECT_EQ(TreeText::Parse("caf\xC3\xA9\n"), (Items{{0, QString::fromUtf8("caf\xC3\xA9")}}));
}

TEST(TreeText, RefusesALevelJump) {
  struct Case {
    QByteArray bytes;
    QString message;
  } cases[] = {
      {"a\n\t\tx\n", "Invalid level (2) for item \"x\""},
      {"\tfirst\n", "Invalid level (1) for item \"first\""},
      {"a\n\tb\n\t\t\t\tdeep one\n", "Invalid level (4) for item \"deep one\""},
  };
  for (const Case& c : cases) {
    try {
      TreeText::Parse(c.bytes);
      ADD_FAILURE() << c.message.toStdString();
    } catch (const ETreeTextError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(TreeText, ReadsDeepTrees) {
  QByteArray bytes;
  constexpr int kDepth = 5000;
  for (int i = 0; i < kDepth; ++i) bytes += QByteArray(i, '\t') + "n\n";
  const Items items = TreeText::Parse(bytes);
  ASSERT_EQ(items.size(), kDepth);
  EXPECT_EQ(items.last().level, kDepth - 1);
  EXPECT_EQ(TreeText::Format(items).size(), bytes.size() + kDepth);  // CRLF for LF
}

TEST(TreeText, FillsAndCollectsATreeWidget) {
  QTreeWidget tree;
  tree.addTopLevelItem(new QTreeWidgetItem(QStringList{"old"}));
  TreeText::Fill(tree, kProjects);
  ASSERT_EQ(tree.topLevelItemCount(), 2);
  EXPECT_EQ(tree.topLevelItem(1)->child(1)->text(0), "/srv/c");
  EXPECT_EQ(TreeText::Level(tree.topLevelItem(1)->child(1)), 1);
  EXPECT_EQ(TreeText::Collect(tree), kProjects);
  EXPECT_TRUE(tree.updatesEnabled());
}

// The tag library shipped with the program: every leaf is an entry (it
// begins with "<" or holds "()"), every node with children a category.
TEST(TreeText, ShippedElementFileHoldsEntriesUnderCategories) {
  const Items items = TreeText::ReadFile(KV_SOURCE_DIR "/data/elements/elements.dat");
  ASSERT_GT(items.size(), 20);
  for (qsizetype i = 0; i < items.size(); ++i) {
    const bool leaf = i + 1 == items.size() || items[i + 1].level <= items[i].level;
    const bool entry = items[i].text.startsWith(u'<') || items[i].text.contains(QLatin1String("()"));
    EXPECT_EQ(leaf, entry) << items[i].text.toStdString();
  }
}

}  // namespace

// A pipe, a link to a device or a folder named as the list is refused at
// once, unopened; a missing file gives the system's reason.
TEST(TreeText, APipeOrDeviceIsRefusedAtOnce) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TFifoWatch fifos;
  const QString pipe = dir.filePath("WorkList.Dat");
  ASSERT_TRUE(fifos.Make(pipe));
  const QString toNull = dir.filePath("to-null.dat");
  if (const std::string why = MakeDeviceNode(dir.filePath("null"), TDeviceNode::Null); !why.empty())
    GTEST_SKIP() << why;
  ASSERT_TRUE(QFile::link(dir.filePath("null"), toNull));
  const QString folder = dir.filePath("folder.dat");
  ASSERT_TRUE(QDir().mkdir(folder));
  const auto message = [](const QString& path) -> QString {
    try {
      TreeText::ReadFile(path);
    } catch (const EFOpenError& e) {
      return e.Message();
    }
    return "read";
  };
  for (const QString& path : {pipe, toNull, folder})
    EXPECT_EQ(message(path), "Cannot open file \"" + path + "\". It is not a regular file.");
  EXPECT_EQ(fifos.Opened(), QStringList());
  EXPECT_EQ(EntryKind(pipe), 'p');
  EXPECT_EQ(EntryKind(toNull), 'l');
  const QString missing = dir.filePath("missing.dat");
  EXPECT_EQ(message(missing), "Cannot open file \"" + missing + "\". No such file or directory");
}
