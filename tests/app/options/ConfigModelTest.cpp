// Tests of ConfigModel (app/options/ConfigModel.cpp): the character sets of
// the editor font, the stored form of the gutter width and the list of
// external browsers, apart from the options screen.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <climits>

#include "app/options/ConfigModel.h"
#include "platform/Exceptions.h"

using namespace ConfigModel;

TEST(ConfigModel, TheNineteenCharsetsInTheirOrder) {
  const std::pair<const char*, int> expected[19] = {
      {"ANSI_CHARSET", 0},          {"DEFAULT_CHARSET", 1},      {"SYMBOL_CHARSET", 2},    {"MAC_CHARSET", 77},
      {"SHIFTJIS_CHARSET", 128},    {"HANGEUL_CHARSET", 129},    {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},
      {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161},      {"TURKISH_CHARSET", 162}, {"VIETNAMESE_CHARSET", 163},
      {"HEBREW_CHARSET", 177},      {"ARABIC_CHARSET", 178},     {"BALTIC_CHARSET", 186},  {"RUSSIAN_CHARSET", 204},
      {"THAI_CHARSET", 222},        {"EASTEUROPE_CHARSET", 238}, {"OEM_CHARSET", 255}};
  for (int i = 0; i < 19; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(Charsets()[i].name, expected[i].first);
    EXPECT_EQ(Charsets()[i].value, expected[i].second);
    // Index and value lead back to each other for every set.
    EXPECT_EQ(CharsetIndex(expected[i].second), i);
    EXPECT_EQ(CharsetValue(i), expected[i].second);
  }
}

TEST(ConfigModel, CharsetsOutsideTheListAndNoSelection) {
  // Values between, below and above the listed ones belong to no set.
  for (int value : {-1, 3, 76, 78, 127, 254, 256, INT_MIN, INT_MAX}) EXPECT_EQ(CharsetIndex(value), -1) << value;
  // Nothing selected (-1) and indexes past either end give DEFAULT_CHARSET.
  for (int index : {-1, 19, 20, INT_MIN, INT_MAX}) EXPECT_EQ(CharsetValue(index), 1) << index;
  EXPECT_EQ(CharsetValue(0), 0);  // the first set is ANSI, not the default
  EXPECT_EQ(CharsetValue(18), 255);
}

TEST(ConfigModel, GutterIsShownDoubledAndStoredHalvedTowardZero) {
  EXPECT_EQ(GutterShown(30), 60);  // the design value
  EXPECT_EQ(GutterStored(60), 30);
  // Odd values lose their half toward zero, also below zero (not toward minus infinity).
  EXPECT_EQ(GutterStored(61), 30);
  EXPECT_EQ(GutterStored(1), 0);
  EXPECT_EQ(GutterStored(-1), 0);
  EXPECT_EQ(GutterStored(-3), -1);
  EXPECT_EQ(GutterStored(-61), -30);
  for (int stored : {0, 1, 17, -1, -17}) EXPECT_EQ(GutterStored(GutterShown(stored)), stored) << stored;
}

TEST(ConfigModel, BrowserListLinesAndLookUps) {
  TBrowserList list;
  list.Add(QStringLiteral("  Firefox "), QStringLiteral(" /usr/bin/firefox  "));
  list.Add(QString(), QStringLiteral("/usr/bin/lynx"));
  // Both parts are kept trimmed; an entry without a name is its bare path.
  EXPECT_EQ(list.Lines(), QStringList({"Firefox#/usr/bin/firefox", "/usr/bin/lynx"}));
  EXPECT_EQ(list.IndexOfPath(QStringLiteral("\t/usr/bin/lynx ")), 1);
  EXPECT_EQ(list.IndexOfPath(QStringLiteral("/usr/bin/Lynx")), -1);  // paths are case-sensitive
  list.Remove(2);                                                    // past the end: nothing happens
  list.Remove(-1);
  EXPECT_EQ(list.Entries().size(), 2);
  list.Remove(0);
  EXPECT_EQ(list.Lines(), QStringList({"/usr/bin/lynx"}));
  EXPECT_TRUE(TBrowserList::ValidName(QStringLiteral("Web (2)")));
  EXPECT_FALSE(TBrowserList::ValidName(QStringLiteral("a#b")));
}

TEST(ConfigModel, BrowserListFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("browserlist.dat"));
  TBrowserList list;
  list.Add(QStringLiteral("Web"), QStringLiteral("/opt/web browser/run"));
  list.Add(QString(), QStringLiteral("/usr/bin/lynx"));
  list.Save(path);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("Web#/opt/web browser/run\r\n/usr/bin/lynx\r\n"));

  TBrowserList read;
  EXPECT_TRUE(read.Load(path));
  EXPECT_EQ(read.Entries(), list.Entries());
  // A program whose path holds "#" and that has no name reads back whole.
  list.Add(QString(), QStringLiteral("/opt/c#/run"));
  list.Save(path);
  EXPECT_TRUE(read.Load(path));
  EXPECT_EQ(read.Entries(), list.Entries());
  // A missing file gives an empty list, not the one loaded before.
  EXPECT_FALSE(read.Load(dir.filePath(QStringLiteral("missing.dat"))));
  EXPECT_TRUE(read.Entries().isEmpty());
  // A file that cannot be written raises and leaves no file behind.
  const QString noFolder = dir.filePath(QStringLiteral("no/such/browserlist.dat"));
  EXPECT_THROW(list.Save(noFolder), EStreamError);
  EXPECT_FALSE(QFile::exists(noFolder));
}
