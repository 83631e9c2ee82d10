#include "authoring/InsertDialogFragments.h"

// Tables of controls give only the fields a case fills.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTextDocumentFragment>
#include <QTimeZone>

namespace {

using namespace InsertFragments;

QString Lines(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"); }

TEST(InsertDialogFragments, Tables) {
  TTableOptions two;
  two.rows = "2";
  two.cols = "2";
  EXPECT_EQ(
      TableFragment(two),
      Lines({"<table align='right' width='100%'  border='0' cellpadding='0' cellspacing='0' summary=\"\">", "<tr>",
             "  <td></td>", "  <td></td>", "</tr>", "<tr>", "  <td></td>", "  <td></td>", "</tr>", "</table>"}));

  struct Case {
    const char* name;
    TTableOptions o;
    QString tag;
  };
  TTableOptions full;
  full.align = 1;
  full.backgroundImage = "/t/x.gif";
  full.backgroundExists = true;
  full.width = "400";
  full.background = clRed;
  full.border = true;
  full.borderWidth = "2";
  full.lightChosen = true;  // confirmed as white, still written
  full.cellPadding = 1;
  full.cellSpacing = 2;
  TTableOptions missingImage;
  missingImage.backgroundImage = "/nowhere.gif";
  missingImage.align = 2;
  missingImage.lightChosen = missingImage.darkChosen = true;  // never without a border
  TTableOptions dark = full;
  dark.lightChosen = false;
  dark.darkChosen = true;
  dark.darkColor = clBlue;
  dark.background = clWhite;
  TTableOptions quotes;
  quotes.width = "5'0";
  quotes.backgroundImage = "bob's.gif";
  quotes.backgroundExists = true;
  const Case cases[] = {
      {"everything", full,
       "<table align='center' background='/t/x.gif' width='400' BGColor=#ff0000  border='2' bordercolor='#000000' "
       "bordercolorlight='#ffffff' cellpadding='1' cellspacing='2' summary=\"\">"},
      {"missing image, left", missingImage,
       "<table align='left' width='100%'  border='0' cellpadding='0' cellspacing='0' summary=\"\">"},
      {"dark only, white background", dark,
       "<table align='center' background='/t/x.gif' width='400'  border='2' bordercolor='#000000' "
       "bordercolordark='#0000ff' cellpadding='1' cellspacing='2' summary=\"\">"},
      {"single quotes", quotes,
       "<table align='right' background='bob&#39;s.gif' width='5&#39;0'  border='0' cellpadding='0' cellspacing='0' "
       "summary=\"\">"},
  };
  for (const Case& c : cases) EXPECT_EQ(TableFragment(c.o).section("\r\n", 0, 0), c.tag) << c.name;
}

TEST(InsertDialogFragments, TableChecksInOrder) {
  struct Case {
    QString rows, cols, width;
    bool border;
    QString borderWidth;
    QString key;
    int kind;
  };
  const Case cases[] = {
      {"0", "0", "", true, "", "RowError", 2},      {"abc", "1", "1", false, "", "RowError", 2},
      {"1001", "1", "1", false, "", "RowError", 2}, {" 1000 ", "x", "", true, "", "ColError", 2},
      {"1", "1001", "1", false, "", "ColError", 2}, {"1", "1000", "", true, "", "TblWidth", 2},
      {"1", "1", "50%", true, "", "BdWidth", 0},    {"1", "1", "50%", false, "", "", 0},
      {"1000", "1000", "50%", true, "0", "", 0},
  };
  for (const Case& c : cases) {
    TTableOptions o;
    o.rows = c.rows;
    o.cols = c.cols;
    o.width = c.width;
    o.border = c.border;
    o.borderWidth = c.borderWidth;
    const TTableCheck check = CheckTable(o);
    EXPECT_EQ(check.key, c.key) << c.rows.toStdString() << "x" << c.cols.toStdString();
    EXPECT_EQ(check.kind, c.kind) << c.rows.toStdString() << "x" << c.cols.toStdString();
  }
}

TEST(InsertDialogFragments, ListsAndLines) {
  struct Case {
    TListOptions o;
    QString text;
  };
  const Case cases[] = {
      {{true, "i", 3, 4}, Lines({"<ol type=\"i\" start=\"4\">", "<li></li>", "<li></li>", "<li></li>", "</ol>"})},
      {{true, "default", 1, 7}, Lines({"<ol start=\"7\">", "<li></li>", "</ol>"})},
      {{false, "disc", 0, 1}, Lines({"<ul type=\"disc\">", "</ul>"})},
      {{false, "square", -2, 1}, Lines({"<ul type=\"square\">", "</ul>"})},
      {{false, "circle", 2, 9}, Lines({"<ul type=\"circle\">", "<li></li>", "<li></li>", "</ul>"})},
  };
  for (const Case& c : cases) EXPECT_EQ(ListFragment(c.o), c.text);

  THorLineOptions line;
  EXPECT_EQ(HorLineFragment(line), "<hr size=1 width=100% color=#000000>");
  line = {"3", "400", false, clRed};
  EXPECT_EQ(HorLineFragment(line), "<hr size=3 width=400 color=#ff0000>");
  // An empty size would take the width as its value; a blank or ">" would
  // cut the value or the tag short.
  line = {"", "50 %", false, clBlack};
  EXPECT_EQ(HorLineFragment(line), "<hr size=\"\" width=\"50 %\" color=#000000>");
  line = {"2>", "9\"", true, clBlack};
  EXPECT_EQ(HorLineFragment(line), "<hr size=\"2>\" width=\"9&quot;%\" color=#000000>");
}

TEST(InsertDialogFragments, FontTags) {
  struct Case {
    TFontOptions o;
    QString open, close;
  };
  const Case cases[] = {
      {{"Verdana", "2", "#000000"}, "<font face=\"verdana\" size=\"2\" color=\"#000000\">", "</font>"},
      {{"Arial", "3", "#ff0000", false, false, false, false, true},
       "<font face='arial' size='3' color='#ff0000'>",
       "</font>"},
      {{"Arial", "1", "#000000", true, true, true, true},
       "<b><i><u><center><font face=\"arial\" size=\"1\" color=\"#000000\">",
       "</font></center></u></i></b>"},
      {{"Ar'i\"al", "+1", "#000000", false, true, false, false, true},
       "<i><font face='ar&#39;i\"al' size='+1' color='#000000'>",
       "</font></i>"},
      {{"Ar\"ial", "2", "#000000"}, "<font face=\"ar&quot;ial\" size=\"2\" color=\"#000000\">", "</font>"},
  };
  for (const Case& c : cases) {
    const TFontTags t = FontTags(c.o);
    EXPECT_EQ(t.open, c.open);
    EXPECT_EQ(t.close, c.close);
  }
}

TEST(InsertDialogFragments, DateAndTimeTexts) {
  const QDateTime when(QDate(2026, 3, 4), QTime(9, 5, 7), QTimeZone::utc());
  const QLocale de(QLocale::German, QLocale::Germany);
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  EXPECT_EQ(DateText(de, when), "04.03.26");
  EXPECT_EQ(TimeText(de, when), "09:05:07");
  EXPECT_EQ(DateText(us, when), "3/4/26");
  // The time zone of the long format is left out.
  EXPECT_TRUE(TimeText(us, when).startsWith("9:05:07")) << TimeText(us, when).toStdString();
  EXPECT_TRUE(TimeText(us, when).endsWith("AM")) << TimeText(us, when).toStdString();
}

TEST(InsertDialogFragments, DateExpressions) {
  struct Case {
    QString format;
    QString expression;
  };
  const Case cases[] = {
      {"dd.mm.yyyy", "modiDate.getDate()+ \".\" +(modiDate.getMonth()+1)+ \".\" +modiDate.getFullYear()"},
      {"M/d/yyyy", "(modiDate.getMonth()+1)+ \"/\" +modiDate.getDate()+ \"/\" +modiDate.getFullYear()"},
      {"yyyy-MM-dd", "modiDate.getFullYear()+ \"-\" +(modiDate.getMonth()+1)+ \"-\" +modiDate.getDate()"},
      // Nothing from the locale: day, month, year with full stops.
      {"", "modiDate.getDate()+ \".\" +(modiDate.getMonth()+1)+ \".\" +modiDate.getFullYear()"},
      // Parts missing: no separator left dangling, the missing ones follow.
      {"MM/yy", "(modiDate.getMonth()+1)+ \"/\" +modiDate.getFullYear()+ \"/\" +modiDate.getDate()"},
      // Quoted text is not a part of the date.
      {"d 'de' MMMM 'de' y", "modiDate.getDate()+ \" \" +(modiDate.getMonth()+1)+ \" \" +modiDate.getFullYear()"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DateExpression(c.format, DateSeparator(c.format)), c.expression) << c.format.toStdString();
  EXPECT_EQ(DateSeparator(QLocale(QLocale::German, QLocale::Germany).dateFormat(QLocale::ShortFormat)), ".");
  EXPECT_EQ(DateSeparator(QLocale(QLocale::English, QLocale::UnitedStates).dateFormat(QLocale::ShortFormat)), "/");
  EXPECT_EQ(DateSeparator("yyyyMMdd"), ".");
  // Right-to-left marks around the separator are not the separator.
  EXPECT_EQ(DateSeparator(QLocale(QLocale::Arabic, QLocale::Egypt).dateFormat(QLocale::ShortFormat)), "/");
}

QStringList ScriptLines(const QString& showAs, const QStringList& writes) {
  QStringList lines = {"<script language=\"JavaScript\">",
                       "",
                       "function lastModified() {",
                       "  var modiDate=new Date(document.lastModified)",
                       "  var showAs=" + showAs + ";",
                       "return showAs }",
                       "",
                       "function GetTime() {",
                       "  var modiDate = new Date();",
                       "  var Seconds",
                       "",
                       "    if (modiDate.getSeconds() < 10) {",
                       "\t    Seconds = \"0\" + modiDate.getSeconds();",
                       "\t  } else {",
                       "\t    Seconds = modiDate.getSeconds();",
                       "\t  }",
                       "",
                       "  var modiDate = new Date();",
                       "  var CurTime =  modiDate.getHours() + \":\" + modiDate.getMinutes() + \":\" + Seconds",
                       "  return CurTime }",
                       ""};
  return lines + writes + QStringList{"", "</script>"};
}

TEST(InsertDialogFragments, UpdateScripts) {
  const QString de = "modiDate.getDate()+ \".\" +(modiDate.getMonth()+1)+ \".\" +modiDate.getFullYear()";
  const QString us = "(modiDate.getMonth()+1)+ \"/\" +modiDate.getDate()+ \"/\" +modiDate.getFullYear()";
  const QString stamp = "  document.write (lastModified() + \" @ \" + GetTime() );";
  const QString deFormat = QLocale(QLocale::German, QLocale::Germany).dateFormat(QLocale::ShortFormat);
  const QString usFormat = QLocale(QLocale::English, QLocale::UnitedStates).dateFormat(QLocale::ShortFormat);
  struct Case {
    TUpdateScriptOptions o;
    QStringList lines;
  };
  const Case cases[] = {
      {{true, true, true, "Changed on", "Updated on", deFormat, DateSeparator(deFormat)},
       ScriptLines(de, {"  document.write (\"<b><i><u>\");", "  document.write (\"Changed on \") ", stamp,
                        "  document.write (\"</u></i></b>\");"})},
      {{false, false, false, "", "Updated on", usFormat, DateSeparator(usFormat)},
       ScriptLines(us, {"  document.write (\"Updated on  \");", stamp})},
      {{false, true, false, "Say \"hi\" </script>", "", "dd.mm.yyyy", "."},
       ScriptLines(de, {"  document.write (\"<i>\");", "  document.write (\"Say \\\"hi\\\" <\\/script> \") ", stamp,
                        "  document.write (\"</i>\");"})},
  };
  for (const Case& c : cases) EXPECT_EQ(UpdateScript(c.o), Lines(c.lines));
  EXPECT_EQ(ScriptLines(de, {"a", "b", "c", "d"}).size(), 27);
}

TEST(InsertDialogFragments, FormControls) {
  struct Case {
    const char* name;
    QString text;
    QString expected;
  };
  const Case cases[] = {
      {"check box, value only", CheckBoxFragment({"", "V", "", true}, false),
       "<input type=\"checkbox\" Checked=\"Yes\">V"},
      {"radio, all", CheckBoxFragment({"n", "V", "go()", false}, true),
       "<input type=\"radio\" name=\"n\" OnClick=\"go()\">V"},
      {"submit, empty", ButtonFragment({2}), "<input type=\"Submit\">"},
      {"button order", ButtonFragment({0, "n", "v", "alert(\"x\")"}),
       "<input type=\"Button\" value=\"v\" name=\"n\" onClick=\"alert(&quot;x&quot;)\">"},
      {"reset", ButtonFragment({1, "", "Clear"}), "<input type=\"Reset\" value=\"Clear\">"},
      {"text, size only", EditFragment({"", "", "", "20"}, false), "<input type=\"text\" size=\"20\">"},
      {"text order", EditFragment({"n", "v", "9", "20", "b()", "c()", "f()", "s()"}, false),
       "<input type=\"text\" name=\"n\" value=\"v\" maxlength=\"9\" size=\"20\" onBlur=\"b()\" onChange=\"c()\" "
       "onFocus=\"f()\" onSelect=\"s()\">"},
      {"password order", EditFragment({"p", "", "8", "", "", "", "f()"}, true),
       "<input type=\"password\" name=\"p\" maxlength=\"8\" onFocus=\"f()\">"},
      {"text area, no wrap", TextAreaFragment({}), "<textarea wrap=\"off\">\r\n\r\n</textarea>\r\n"},
      {"text area, all", TextAreaFragment({"t", "4", "30", 1, "a\nb"}),
       "<textarea name=\"t\" rows=\"4\" cols=\"30\" wrap=\"physical\">\r\na\r\nb\r\n</textarea>\r\n"},
      {"text area, end tag in the text", TextAreaFragment({"", "", "", 0, "x</TextArea>y"}),
       "<textarea wrap=\"virtual\">\r\nx&lt;/textarea>y\r\n</textarea>\r\n"},
      {"image order", ImageButtonFragment({"a.png", "i", "go()", "32", "16", "A \"b\"", true}),
       "<input type=\"image\" src=\"a.png\" name=\"i\" border=\"1\" onClick=\"go()\" width=\"32\" height=\"16\" "
       "alt=\"A &quot;b&quot;\">"},
      {"image, no picture", ImageButtonFragment({}), "<input type=\"image\">"},
      {"hidden", HiddenFragment("h", "1"), "<input type=\"hidden\" name=\"h\" value=\"1\">"},
      {"hidden, empty", HiddenFragment("", ""), "<input type=\"hidden\">"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, c.expected) << c.name;
}

TEST(InsertDialogFragments, MailForm) {
  const QStringList rest = {"Your First Name: <input type=\"text\" name=\"first_name\">",
                            "<br>",
                            "Your Last Name: <input type=\"text\" name=\"last_name\">",
                            "<br>",
                            "<input type=\"submit\" value=\"Send\">",
                            "</form>"};
  EXPECT_EQ(MailForm("me@x.org"),
            Lines(QStringList{"<form enctype=\"text/plain\" method=\"post\" action=\"mailto:me@x.org\">"} + rest));
  EXPECT_EQ(MailForm(""),
            Lines(QStringList{"<form enctype=\"text/plain\" method=\"post\" action=\"mailto:\">"} + rest));
}

TEST(InsertDialogFragments, CharacterMap) {
  const QList<TCharButton>& buttons = CharacterButtons();
  ASSERT_EQ(buttons.size(), 103);
  // The 93 characters: every code from U+00A2 to U+00FF but the soft hyphen,
  // each with the named entity a browser decodes back to it.
  int code = 0xA2;
  for (int i = 0; i < CharacterCount; ++i, ++code) {
    if (code == 0xAD) ++code;
    const TCharButton& b = buttons[i];
    EXPECT_EQ(b.caption, QString(QChar(char16_t(code))));
    EXPECT_EQ(b.character, b.caption);
    EXPECT_TRUE(b.entity.startsWith(u'&') && b.entity.endsWith(u';') && !b.entity.contains(u'#')) << code;
    EXPECT_EQ(QTextDocumentFragment::fromHtml(b.entity).toPlainText(), b.caption) << b.entity.toStdString();
  }
  EXPECT_EQ(code, 0x100);
  EXPECT_EQ(buttons[0].entity, "&cent;");
  EXPECT_EQ(buttons[CharacterCount - 1].entity, "&yuml;");
  EXPECT_EQ(buttons[0xE9 - 0xA3].entity, "&eacute;");
  EXPECT_EQ(buttons[0xE9 - 0xA3].character, "\u00E9");

  const QStringList specials = {"&nbsp; &nbsp;", "&quot; \"", "&amp; &",   "&lt; <",       "&gt; >",
                                "&euro; \u20AC", "&circ; ^",  "&tilde; ~", "&hellip; ...", "&trade; tm"};
  QStringList actual;
  for (int i = CharacterCount; i < buttons.size(); ++i) actual << buttons[i].entity + u' ' + buttons[i].character;
  EXPECT_EQ(actual, specials);
}

}  // namespace
