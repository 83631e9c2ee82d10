#include <gtest/gtest.h>

#include "authoring/WtInsertFragments.h"

namespace {

using namespace InsertFragments;

TEST(InsertFragments, EveryWrapCommandsTags) {
  const QStringList expected = {
      "Bold <b> </b>",
      "Italic <i> </i>",
      "Underline <u> </u>",
      "center <div align=\"center\"> </div>",
      "Left <div align=\"left\"> </div>",
      "Right <div align=\"right\"> </div>",
      "ToolButton84 <div align=\"justify\"> </div>",
      "HeadingStyle11 <h1> </h1>",
      "HeadingStyle12 <h2> </h2>",
      "HeadingStyle13 <h3> </h3>",
      "HeadingStyle14 <h4> </h4>",
      "HeadingStyle15 <h5> </h5>",
      "HeadingStyle16 <h6> </h6>",
      "AlignLeft1 <p align=\"left\"> </p>",
      "AlignCenter1 <p align=\"center\"> </p>",
      "AlignRight1 <p align=\"right\"> </p>",
      "AlignJustify1 <p style=\"text-align:justify;\"> </p>",
  };
  QStringList actual;
  for (const TWrapTags& t : WrapCommands())
    actual << QLatin1String(t.command) + u' ' + QLatin1String(t.open) + u' ' + QLatin1String(t.close);
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(FindWrapCommand("HeadingStyle13")->open, std::string_view("<h3>"));
  EXPECT_EQ(FindWrapCommand("Table1"), nullptr);
  EXPECT_EQ(LineBreak(), QStringLiteral("<br>"));
}

TEST(InsertFragments, WrapSelectionArithmetic) {
  struct Case {
    const char* name;
    TWrapInput in;
    QString text;
    int selStart, selEnd;
  };
  const Case cases[] = {
      {"caret only", {"<b>", "</b>", "", 10}, "<b></b>", 13, 13},
      {"one line", {"<h3>", "</h3>", "Title", 5}, "<h3>Title</h3>", 9, 14},
      {"CR LF counts 2", {"<b>", "</b>", "abcde\r\nfghij", 1}, "<b>abcde\r\nfghij</b>", 4, 16},
      {"LF counts 2", {"<b>", "</b>", "abcde\nfghij", 1}, "<b>abcde\nfghij</b>", 4, 16},
      {"lone CR counts 2", {"<i>", "</i>", "a\rb", 3}, "<i>a\rb</i>", 6, 10},
  };
  for (const Case& c : cases) {
    const TWrapResult r = Wrap(c.in);
    EXPECT_EQ(r.text, c.text) << c.name;
    EXPECT_EQ(r.selStart, c.selStart) << c.name;
    EXPECT_EQ(r.selEnd, c.selEnd) << c.name;
  }
}

TEST(InsertFragments, ColourCodes) {
  EXPECT_EQ(ColorToHtml(clRed), QStringLiteral("#ff0000"));
  EXPECT_EQ(ColorToHtml(clBlue), QStringLiteral("#0000ff"));
  EXPECT_EQ(ColorToHtml(clBtnFace), u'#' + ToQColor(clBtnFace).name().mid(1).toLower());
}

TEST(InsertFragments, AlertScriptIsEscapedForItsString) {
  EXPECT_EQ(AlertScript("X"), QStringLiteral("<script language=\"javascript\">\r\n  alert(\"X\");\r\n</script>\r\n"));
  EXPECT_EQ(AlertScript(""), QString());
  const struct {
    const char* typed;
    const char* inString;
  } cases[] = {
      {"say \"hi\"", "say \\\"hi\\\""}, {"C:\\dir", "C:\\\\dir"},           {"</script><b>", "<\\/script><b>"},
      {"a / b < c", "a / b < c"},       {"two\r\nlines", "two\\r\\nlines"},
      // After "<!--" and "<script" the element's end tag would not end it.
      {"<!--<script>", "<\\!--<script>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeScriptString(c.typed), QString::fromLatin1(c.inString)) << c.typed;
    EXPECT_TRUE(AlertScript(c.typed).contains(QStringLiteral("alert(\"") + QString::fromLatin1(c.inString) +
                                              QStringLiteral("\");")))
        << c.typed;
  }
}

}  // namespace
