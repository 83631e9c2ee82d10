// Tests of Documents (app/document/Documents.cpp): file kinds, skeletons,
// recent entries, preview places.
#include <gtest/gtest.h>

#include <QLocale>

#include "app/document/Documents.h"
#include "tests/common/TestUtil.h"

using namespace Documents;

TEST(Documents, RefusedExtensions) {
  const QStringList refused = {".zip", ".exe", ".rar", ".mpg", ".mpeg", ".avi", ".dll", ".tmp",
                               ".vtd", ".mp3", ".vqf", ".wav", ".snd",  ".au",  ".cda", ".asf",
                               ".wma", ".wm",  ".wmv", ".mid", ".midi", ".pdf", ".chm"};
  EXPECT_EQ(RefusedExtensions(), refused);
  for (const QString& ext : refused) {
    EXPECT_FALSE(IsTextDocument("/site/x" + ext)) << ext.toStdString();
    EXPECT_FALSE(IsTextDocument("/site/X" + ext.toUpper())) << ext.toStdString();
  }
  EXPECT_FALSE(IsTextDocument("movie.AVI"));
  for (const char* ok : {"index.html", "x.RTF", "style.css", "README", "/a.zip/page", "x.zipx"})
    EXPECT_TRUE(IsTextDocument(ok)) << ok;
}

TEST(Documents, ImageFilesAndExtensions) {
  for (const char* image : {"a.bmp", "a.ICO", "a.wmf", "a.emf", "a.Gif", "a.jpg", "a.jpeg", "a.PNG"})
    EXPECT_TRUE(IsImageFile(image)) << image;
  EXPECT_FALSE(IsImageFile("a.svg"));
  EXPECT_FALSE(IsImageFile("png"));
  EXPECT_EQ(ExtractFileExt("/a.b/c"), QString());
  EXPECT_EQ(ExtractFileExt("/a/c.tar.GZ"), QStringLiteral(".GZ"));
}

class Skeletons : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    SetClock([] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)); });
  }
  void TearDown() override {
    SetClock({});
    QLocale::setDefault(QLocale::system());
  }
};

TEST_F(Skeletons, DateCommentUsesTheClock) {
  EXPECT_EQ(DateComment(Now()).toStdString(), "<!-- ** file created on 4 Mar 2026 05:06:07 ** -->");
}

TEST_F(Skeletons, GoldenTexts) {
  const QString date = DateComment(Now());
  const QString banner = BannerLine();
  EXPECT_TRUE(banner.startsWith("<!--") && banner.endsWith("-->") && banner.contains("Korvex Vantar"));
  const QStringList xhtml = {"<!DOCTYPE html",
                             "PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\"",
                             "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">",
                             "<html>",
                             "<head>",
                             "  <meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\" />",
                             "  <title></title>",
                             "</head>",
                             "<body>",
                             "",
                             "",
                             "",
                             "</body>",
                             "</html>",
                             "",
                             date,
                             banner};
  EXPECT_EQ(XhtmlSkeleton(Now()), xhtml);

  const QStringList html = HtmlSkeleton(Now());
  ASSERT_EQ(html.size(), 19);
  EXPECT_EQ(html[0],
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
            "\"http://www.w3.org/TR/html4/loose.dtd\">");
  EXPECT_EQ(html[3], "  <meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">");
  EXPECT_EQ(html[4], "  <title></title>");
  EXPECT_EQ(html[5], "  <meta name=\"description\" content=\"\">");
  EXPECT_EQ(html[6], "  <meta name=\"keywords\" content=\"\">");
  EXPECT_EQ(html[7], "  <meta name=\"author\" content=\"\">");
  EXPECT_TRUE(html[8].startsWith("  <meta name=\"generator\" content=\"Korvex Vantar"));
  EXPECT_EQ(html.mid(9, 8), QStringList({"</head>", "<body>", "", "", "", "</body>", "</html>", ""}));
  EXPECT_EQ(html[17], date);
  EXPECT_EQ(html[18], banner);

  EXPECT_EQ(PhpSkeleton(Now()), QStringList({"<?php", "", "?>", "", date, banner}));
  EXPECT_EQ(CssSkeleton(Now()), QStringList({"<style>", "<!--", "", "-->", "</style>", "", date, banner}));
}

TEST(Documents, RecentEntries) {
  // Paths that differ in case are different files here; blank lines go.
  EXPECT_EQ(AddRecentEntry({"/Site/index.html", "", "/b"}, "/site/index.html"),
            QStringList({"/site/index.html", "/Site/index.html", "/b"}));
  // A name that ends in a blank is another file than the one without it:
  // both stay, each as it is, and the same path again moves to the top.
  const QStringList both = AddRecentEntry({"/site/a.html"}, "/site/a.html ");
  EXPECT_EQ(both, QStringList({"/site/a.html ", "/site/a.html"}));
  EXPECT_EQ(AddRecentEntry(both, "/site/a.html"), QStringList({"/site/a.html", "/site/a.html "}));
}

TEST(Documents, PreviewPlaces) {
  const struct {
    const char* caption;
    const char* folder;
    const char* fileName;
  } rows[] = {
      {"/site/about.htm", "/site/", "kvx_tmp~about.html"},
      {"Untitled~2", "/pf/", "kvx_tmp~Untitled~2.html"},  // a new document
      {"/site/README", "/site/", "kvx_tmp~README.html"},  // a file without an extension
      {"/site/v1.2/README", "/site/v1.2/", "kvx_tmp~README.html"},
      {"/site/archive.tar.gz", "/site/", "kvx_tmp~archive.tar.html"},
  };
  for (const auto& r : rows) {
    const TPreviewPlace place = PreviewPlace(r.caption, "/pf");
    EXPECT_EQ(place.folder, r.folder) << r.caption;
    EXPECT_EQ(place.fileName, r.fileName) << r.caption;
  }
}

TEST(Documents, GotoLineEntry) {
  int line = 0;
  EXPECT_EQ(CheckGotoLine("5", 5, line), TGotoCheck::Ok);
  EXPECT_EQ(line, 5);
  EXPECT_EQ(CheckGotoLine(" 1 ", 5, line), TGotoCheck::Ok);
  EXPECT_EQ(CheckGotoLine("6", 5, line), TGotoCheck::TooLarge);
  EXPECT_EQ(CheckGotoLine("0", 5, line), TGotoCheck::TooSmall);
  EXPECT_EQ(CheckGotoLine("-3", 5, line), TGotoCheck::TooSmall);
  EXPECT_EQ(CheckGotoLine("abc", 5, line), TGotoCheck::NotANumber);
  EXPECT_EQ(CheckGotoLine("", 5, line), TGotoCheck::NotANumber);
  EXPECT_EQ(CheckGotoLine("99999999999", 5, line), TGotoCheck::NotANumber);
}

// Word wrap inserts line breaks and nothing else: no cut falls inside a
// surrogate pair or parts a letter from its combining marks.
TEST(Documents, WordWrapCutsBetweenCharacters) {
  const QString smile = QStringLiteral("\U0001F600");
  const QString accented = QStringLiteral("e\u0301\u0327");
  for (const QString& unit : {smile, accented}) {
    for (int width = 1; width <= 7; ++width) {
      for (int lead = 0; lead <= width + 1; ++lead) {
        const QString line = QString(lead, u'a') + unit.repeated(3 * width + 1) + QStringLiteral("z");
        const QStringList pieces = WrapLines({line}, width);
        const std::string what = "width " + std::to_string(width) + ", lead " + std::to_string(lead);
        EXPECT_EQ(pieces.join(QString()), line) << what;
        for (const QString& piece : pieces) {
          ASSERT_FALSE(piece.isEmpty()) << what;
          EXPECT_FALSE(piece.front().isLowSurrogate()) << what;
          EXPECT_FALSE(piece.back().isHighSurrogate()) << what;
          EXPECT_NE(piece.front(), QChar(0x0301)) << what;
          EXPECT_NE(piece.front(), QChar(0x0327)) << what;
          // Wider only when one character alone is wider than the line.
          if (piece.size() > width) {
            EXPECT_EQ(piece, unit) << what;
          }
        }
      }
    }
  }
  // The page that lost its emoji: a paragraph of 301 without blanks.
  const QString page = QStringLiteral("<p>") + smile.repeated(301);
  for (const int width : {80, 81, 99}) {
    const QStringList pieces = WrapLines({page}, width);
    EXPECT_GT(pieces.size(), 1);
    EXPECT_EQ(pieces.join(QString()), page) << width;
  }
  // Blanks still break the line, and are the only thing dropped.
  const QString words = QStringLiteral("ab%1 %1%1 c%1d %1").arg(smile);
  for (int width = 1; width <= 8; ++width) {
    const QStringList pieces = WrapLines({words}, width);
    QString joined = pieces.join(QString());
    EXPECT_EQ(joined.remove(u' '), QString(words).remove(u' ')) << width;
    for (const QString& piece : pieces) EXPECT_FALSE(!piece.isEmpty() && piece.back().isHighSurrogate()) << width;
  }
  EXPECT_EQ(WrapLines({QStringLiteral("ab cd ef")}, 5), QStringList({"ab cd", "ef"}));
}
