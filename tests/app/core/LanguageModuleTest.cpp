// Tests of the language module (app/core/LanguageModule.cpp).
#include <gtest/gtest.h>

#include <QDir>
#include <QHash>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/core/LanguageModule.h"
#include "app/core/Settings.h"
#include "platform/ProgramFolder.h"
#include "tests/common/FifoWatch.h"
#include "tests/common/TestUtil.h"

namespace {

// A module line: the key padded to 19 columns, `col20`, then the text.
QByteArray Line(const QByteArray& key, const QByteArray& text, char col20 = ' ') {
  QByteArray line = key.leftJustified(19, ' ', true);
  line += col20;
  line += text;
  return line + "\r\n";
}

TLanguageModule Module(const QByteArray& bytes) {
  TLanguageModule m;
  m.LoadFromBytes(bytes);
  return m;
}

TEST(LanguageModule, ColumnsKeysAndLookUp) {
  const TLanguageModule m =
      Module(Line("Save", "Speichern", 'X') + "ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n" + Line("Open", "Erste") +
             Line("open", "Zweite") + "Short\n\n" + QByteArray(" Pad\t").leftJustified(20, ' ') + "\n" +
             Line("Msg", "  100% of %1  ") + Line("\tTabbed", "x"));
  EXPECT_EQ(m.LangText(QStringLiteral("save")), QStringLiteral("Speichern"));
  EXPECT_EQ(m.LangText(QStringLiteral("SAVE")), QStringLiteral("Speichern"));
  EXPECT_EQ(m.LangText(QStringLiteral("ABCDEFGHIJKLMNOPQRS")), QStringLiteral("UVWXYZ"));
  EXPECT_EQ(m.LangText(QStringLiteral("ABCDEFGHIJKLMNOPQRST")), QString());
  EXPECT_EQ(m.LangText(QStringLiteral("Open")), QStringLiteral("Erste"));
  EXPECT_EQ(m.LangText(QStringLiteral("Short")), QString());
  EXPECT_EQ(m.LangText(QStringLiteral("Pad")), QString());
  EXPECT_EQ(m.LangText(QStringLiteral("Msg")), QStringLiteral("100% of %1"));
  EXPECT_EQ(m.LangText(QStringLiteral("Tabbed")), QStringLiteral("x"));
  EXPECT_EQ(m.LangText(QStringLiteral("Missing")), QString());
  ASSERT_EQ(m.LangKeys().size(), 9);
  EXPECT_EQ(m.LangKeys()[5], QString());  // a blank line has an empty key
  EXPECT_EQ(m.LangLines()[0], QStringLiteral("Save               XSpeichern"));
  EXPECT_EQ(m.LangKeys().size(), m.LangLines().size());
}

TEST(LanguageModule, EveryCharsetNameDecodesItsCodePage) {
  struct Case {
    const char* name;
    int number;
    QByteArray bytes;
    QString text;
  };
  const Case cases[] = {
      {"GB2312_CHARSET", 134, "\xB4\xF2\xBF\xAA", QStringLiteral("\u6253\u5F00")},
      {"ARABIC_CHARSET", 178, "\xC7", QStringLiteral("\u0627")},
      {"BALTIC_CHARSET", 186, "\xE0", QStringLiteral("\u0105")},
      {"CHINESEBIG5_CHARSET", 136, "\xB6\x7D\xC0\xC9", QStringLiteral("\u958B\u6A94")},
      {"DEFAULT_CHARSET", 1, "caf\xE9", QStringLiteral("caf\u00E9")},
      {"EASTEUROPE_CHARSET", 238, "\xB9", QStringLiteral("\u0105")},
      {"GREEK_CHARSET", 161, "\xC1", QStringLiteral("\u0391")},
      {"HEBREW_CHARSET", 177, "\xF9", QStringLiteral("\u05E9")},
      {"RUSSIAN_CHARSET", 204, "\xCE\xF2\xEA\xF0\xFB\xF2\xFC",
       QStringLiteral("\u041E\u0442\u043A\u0440\u044B\u0442\u044C")},
      {"THAI_CHARSET", 222, "\xA1", QStringLiteral("\u0E01")},
      {"TURKISH_CHARSET", 162, "\xFD", QStringLiteral("\u0131")},
  };
  for (const Case& c : cases) {
    const TLanguageModule m = Module(Line("Open", c.bytes) + Line("DefCharSet", c.name));
    EXPECT_EQ(m.DefCharSet(), c.number) << c.name;
    EXPECT_EQ(m.UICharset(), c.number) << c.name;
    EXPECT_EQ(m.LangText(QStringLiteral("Open")), c.text) << c.name;
  }
  const TLanguageModule lower = Module(Line("DefCharSet", "greek_charset") + Line("Open", "\xC1"));
  EXPECT_FALSE(lower.DefCharSet().has_value());
  EXPECT_EQ(lower.UICharset(), 1);
  EXPECT_EQ(lower.LangText(QStringLiteral("Open")), QStringLiteral("\u00C1"));
  EXPECT_EQ(Module(Line("Open", "x")).UICharset(), 1);
}

TEST(LanguageModule, DoubleByteModuleSplitsOnBytes) {
  // The key is 18 ASCII bytes and a lead byte whose trail byte falls in
  // column 20: the key keeps a replacement character, the text is intact.
  const QByteArray module = Line("DefCharSet", "GB2312_CHARSET") + Line("Open", "\xB4\xF2\xBF\xAA") +
                            QByteArray("ABCDEFGHIJKLMNOPQR\xB4\xF2\xBF\xAA\xCE\xC4\r\n");
  const TLanguageModule m = Module(module);
  EXPECT_EQ(m.LangText(QStringLiteral("open")), QStringLiteral("\u6253\u5F00"));
  EXPECT_EQ(m.LangKeys()[2], QStringLiteral("ABCDEFGHIJKLMNOPQR\uFFFD"));
  EXPECT_EQ(m.LangText(QStringLiteral("ABCDEFGHIJKLMNOPQR\uFFFD")), QStringLiteral("\u5F00\u6587"));
}

TEST(LanguageModule, Utf8ModulesAndTheByteOrderMark) {
  const TLanguageModule bom = Module("\xEF\xBB\xBF" + Line("btOk", "D'accord") + Line("DefCharSet", "GREEK_CHARSET"));
  EXPECT_TRUE(bom.IsUtf8());
  EXPECT_EQ(bom.LangText(QStringLiteral("btok")), QStringLiteral("D'accord"));
  EXPECT_EQ(bom.UICharset(), 161);
  const TLanguageModule utf8 = Module(Line("Open",
                                           "\xC3\x96"
                                           "ffnen"));
  EXPECT_TRUE(utf8.IsUtf8());
  EXPECT_EQ(utf8.LangText(QStringLiteral("Open")), QStringLiteral("\u00D6ffnen"));
  const TLanguageModule binary = Module(QByteArray("\x00\x01\xFF\xFE", 4));
  EXPECT_EQ(binary.LangText(QStringLiteral("Open")), QString());
}

class LoadLanguageModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramFolder(dir.path());
    QDir().mkpath(dir.filePath(QStringLiteral("Language Modules")));
    ASSERT_TRUE(WriteFileBytes(dir.filePath(QStringLiteral("Language Modules/english.lms")),
                               ReadFileBytes(QStringLiteral(KV_SOURCE_DIR "/data/Language Modules/english.lms"))));
  }
  void TearDown() override {
    SetProgramFolder(QString());
    Language().Clear();
  }
  QTemporaryDir dir;
};

TEST_F(LoadLanguageModuleTest, LoadsTheModuleNamedInTheSettingsAndFallsBackToEnglish) {
  EXPECT_TRUE(LoadLanguageModule());
  EXPECT_EQ(Settings::Open().ReadString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), QString()),
            dir.path() + QStringLiteral("/Language Modules/english.lms"));
  EXPECT_EQ(LangText(QStringLiteral("btYesToAll")), QStringLiteral("Yes to all"));
  EXPECT_EQ(AcceleratedLangText(QStringLiteral("File")), QStringLiteral("&File"));
  EXPECT_EQ(HeadingCaption(3), QStringLiteral("Heading Style 3"));

  const QString german = dir.filePath(QStringLiteral("Language Modules/deutsch.lms"));
  ASSERT_TRUE(WriteFileBytes(german, Line("File", "Datei")));
  Settings::Open().WriteString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), german);
  EXPECT_TRUE(LoadLanguageModule());
  EXPECT_EQ(LangText(QStringLiteral("File")), QStringLiteral("Datei"));
  EXPECT_EQ(LangText(QStringLiteral("btOk")), QString());

  // A missing file, or one that is no module (it shares no key with the
  // shipped one), leaves English rather than empty captions.
  const QString junk = dir.filePath(QStringLiteral("junk.lms"));
  static const char elf[] =
      "\x7f"
      "ELF\x02\x01\x01\0\0\0\n\x03\0>\0";
  ASSERT_TRUE(WriteFileBytes(junk, QByteArray(elf, sizeof elf - 1)));
  for (const QString& path : {dir.filePath(QStringLiteral("missing.lms")), junk}) {
    Settings::Open().WriteString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), path);
    EXPECT_FALSE(LoadLanguageModule());
    EXPECT_EQ(LangText(QStringLiteral("File")), QStringLiteral("File"));
  }
}

// A pipe named as the module (or as the English fallback) is passed over at
// once: start-up never waits on it, and the captions stay English.
TEST_F(LoadLanguageModuleTest, APipeNamedAsTheModuleIsNeverWaitedOn) {
  TFifoWatch fifos;
  const QString pipe = dir.filePath(QStringLiteral("Language Modules/pipe.lms"));
  ASSERT_TRUE(fifos.Make(pipe));
  Settings::Open().WriteString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), pipe);
  EXPECT_FALSE(LoadLanguageModule());
  EXPECT_EQ(LangText(QStringLiteral("File")), QStringLiteral("File"));
  EXPECT_EQ(LangText(QStringLiteral("btYesToAll")), QStringLiteral("Yes to all"));
  EXPECT_TRUE(fifos.Opened().isEmpty()) << "the pipe was opened";
}

TEST(EnglishModule, HasEveryKeyTheShellUses) {
  TLanguageModule m;
  ASSERT_TRUE(m.LoadFromFile(QStringLiteral(KV_SOURCE_DIR "/data/Language Modules/english.lms")));
  EXPECT_EQ(m.DefCharSet(), 1);
  const char* keys[] = {"btOk",
                        "btYes",
                        "btNo",
                        "btCancel",
                        "btYesToAll",
                        "InformMsg1Lib",
                        "ConfirmMsg1Lib",
                        "ErrorMsg1Lib",
                        "NewDocName",
                        "@pluginversion",
                        "DoEmail",
                        "KvxSup",
                        "PJMAN",
                        "TagLib",
                        "SAllIT",
                        "PJMan",
                        "FileMan1",
                        "FMMAN",
                        "FMMan",
                        "PMNew",
                        "PMAdd",
                        "PMRem",
                        "FExample",
                        "FCheck",
                        "FRadio",
                        "FButton",
                        "FHText",
                        "FEdit",
                        "FTA",
                        "FPwBox",
                        "FImage",
                        "TB53",
                        "SupMItem",
                        "TB1",
                        "TB2",
                        "TB3",
                        "TB4",
                        "TB21",
                        "TB22",
                        "Search",
                        "SearchReplace",
                        "FindNext",
                        "FindPrevious",
                        "TBCD",
                        "TB5",
                        "TB6",
                        "TB7",
                        "TB9",
                        "TB23",
                        "TB14",
                        "TB12",
                        "TB13",
                        "TB29",
                        "TB15",
                        "TB20",
                        "TB46",
                        "TB47",
                        "TB48",
                        "TB60",
                        "TB55",
                        "TB56",
                        "TB57",
                        "TB50",
                        "TB51",
                        "TB25",
                        "TB26",
                        "TB27",
                        "TB59",
                        "TB30",
                        "TB31",
                        "TB32",
                        "SB02",
                        "File",
                        "New",
                        "Open",
                        "Save",
                        "SaveAs",
                        "Close",
                        "CloseAll",
                        "ImportRTFDocument",
                        "Export",
                        "Exit",
                        "Edit",
                        "Cut",
                        "Copy",
                        "Paste",
                        "Undo",
                        "Redo",
                        "SelectAll",
                        "Help1",
                        "UpdCheck",
                        "Info",
                        "Tools",
                        "PreviewSite",
                        "LoadBrowser",
                        "Options",
                        "FrDirectoryTree",
                        "ComboBox",
                        "LinkToDoc",
                        "AddImgMain",
                        "About1",
                        "C_Lang",
                        "PR_DOC1",
                        "LoadDocs1",
                        "ImpRTF1",
                        "ImpDoc1",
                        "ExpDoc1",
                        "WWrap1",
                        "GotoLine1",
                        "ImgBrowser",
                        "stFTPcl",
                        "Window1",
                        "WArrange",
                        "WCascade",
                        "WMinimize",
                        "WTile2",
                        "WTile1",
                        "fManOpenFile",
                        "fManCopyFile",
                        "fManInsertFile",
                        "fManRefresh",
                        "GotoFolderH",
                        "fManDelFile",
                        "rmCreateF",
                        "rmDelF",
                        "fmHeading",
                        "rmvfLinks",
                        "fMCommon",
                        "HTMLFM",
                        "ScrP",
                        "MM_Ops",
                        "MM_NetWork1",
                        "MM_NetWork1_Map",
                        "MM_NetWork1_UnMap",
                        "MM_AddPrinter",
                        "MM_SFile",
                        "MM_FindC",
                        "MM_DoDon",
                        "FM_RenFile",
                        "FM_EDGFX",
                        "FM_Prop",
                        "fmAJustify",
                        "FilesCounted"};
  for (const char* key : keys) EXPECT_FALSE(m.LangText(QLatin1String(key)).isEmpty()) << key;
  // Every key the program's code looks up by name is in the module.
  const QRegularExpression lookUp(QStringLiteral("LangText\\((?:QStringLiteral|QLatin1String)\\(\"([^\"]+)\"\\)"));
  for (const char* folder : {"app", "authoring", "images", "editor", "platform"}) {
    QDirIterator files(QStringLiteral(KV_SOURCE_DIR "/") + QLatin1String(folder), {"*.cpp", "*.h"}, QDir::Files);
    while (files.hasNext()) {
      const QString file = files.next();
      const QString code = QString::fromUtf8(ReadFileBytes(file));
      for (const QRegularExpressionMatch& match : lookUp.globalMatch(code))
        EXPECT_FALSE(m.LangText(match.captured(1)).isEmpty())
            << match.captured(1).toStdString() << " in " << file.toStdString();
    }
  }
  EXPECT_EQ(m.LangText(QStringLiteral("NewDocName")), QStringLiteral("Untitled"));
}

// A key given twice shows only its first text: the shipped module gives
// each key one line, so what a translator reads is what the program shows.
TEST(EnglishModule, HoldsEachKeyOnce) {
  TLanguageModule m;
  ASSERT_TRUE(m.LoadFromFile(QStringLiteral(KV_SOURCE_DIR "/data/Language Modules/english.lms")));
  QHash<QString, qsizetype> seen;
  for (qsizetype i = 0; i < m.LangKeys().size(); ++i) {
    const QString key = m.LangKeys()[i].toCaseFolded();
    if (key.isEmpty()) continue;
    if (seen.contains(key))
      ADD_FAILURE() << m.LangKeys()[i].toStdString() << " on lines " << seen[key] + 1 << " and " << i + 1;
    seen.insert(key, i);
  }
  EXPECT_EQ(m.LangText(QStringLiteral("DocCapCHK")), QStringLiteral("Do not show the document manager on start-up"));
  EXPECT_EQ(m.LangText(QStringLiteral("UCCP_Filen")), QStringLiteral("File name"));
}

}  // namespace
