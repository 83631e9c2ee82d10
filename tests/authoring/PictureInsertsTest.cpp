// Fragments of the link, picture and flash-movie insert dialogs.
#include <QCheckBox>
#include <QSpinBox>
#include <gtest/gtest.h>

#include "authoring/PictureInserts.h"
#include "authoring/uPictureInserts.h"

using namespace PictureInserts;

TEST(PictureInserts, Links) {
  const struct {
    QString address, text;
    bool newWindow;
    QString fragment;
  } links[] = {
      {"", "", false, R"(<a href=""></a>)"},
      {"page.html", "Page", true, R"(<a href="page.html" target="_blank">Page</a>)"},
      {R"(x.html?q="a")", "<b>X</b>", false, R"(<a href="x.html?q=&quot;a&quot;"><b>X</b></a>)"},
  };
  for (const auto& l : links) EXPECT_EQ(LinkFragment(l.address, l.text, l.newWindow), l.fragment);
  const struct {
    QString email, subject, text, fragment;
  } mails[] = {
      {"a@b.c", "Hi there", "Me", R"(<a href="mailto:a@b.c?subject=Hi%20there">Me</a>)"},
      {"a@b.c", "", "Me", R"(<a href="mailto:a@b.c">Me</a>)"},
      {"a@b.c", "Q&A #1?", "Me", R"(<a href="mailto:a@b.c?subject=Q%26A%20%231%3F">Me</a>)"},
  };
  for (const auto& m : mails) EXPECT_EQ(MailLinkFragment(m.email, m.subject, m.text), m.fragment);
}

TEST(PictureInserts, PicturePathsAndTag) {
  const struct {
    QString path;
    QString full, nofull;
  } cases[] = {
      {R"(c:\myimages\myimage.jpg)", R"(myimages\myimage.jpg)", "myimage.jpg"},
      {"/home/u/x.gif", "home/u/x.gif", "x.gif"},
      {R"(pics\x.gif)", R"(pics\x.gif)", "x.gif"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PicturePath(c.path, psFull), c.full);
    EXPECT_EQ(PicturePath(c.path, psNoFull), c.nofull);
    EXPECT_EQ(PicturePath(c.path, psComp), c.path);
  }
  EXPECT_EQ(ImageFragment("x.png", "A", 32, 16), R"(<img src="x.png" alt="A" border="0" width="32" height="16">)");
  EXPECT_EQ(ImageFragment(R"(a\b.gif)", R"(say "hi")", 1, 2),
            R"(<img src="a\b.gif" alt="say &quot;hi&quot;" border="0" width="1" height="2">)");
}

TEST(PictureInserts, FlashBlock) {
  const QString object = R"(<object classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000" )"
                         R"(codebase="http://download.macromedia.com/flash2/cabs/swflash.cab#version=4,0,0,0" id=untitled)";
  const QString page =
      R"(pluginspage="http://www.macromedia.com/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash">)";
  EXPECT_EQ(FlashLines("m.swf", 300, 200, "true"),
            QStringList({object + " width=300 height=200>", R"(<param name=movie value="m.swf">)",
                         "<param name=quality value=high>", R"(<param name=loop value="true">)",
                         R"(<embed src="m.swf" loop=true quality=high)",
                         R"(width=300 height=200 type="application/x-shockwave-flash")", page, "</embed>",
                         "</object>"}));
  // Height 100 and width 0: no size anywhere.
  const QStringList unsized = FlashLines("m.swf", 0, 100, "false");
  EXPECT_EQ(unsized[0], object + ">");
  EXPECT_EQ(unsized[5], R"(type="application/x-shockwave-flash")");
  EXPECT_EQ(JoinLines({"a", "b"}), "a\r\nb\r\n");
}

TEST(PictureInserts, FlashDialogLoopTextFollowsTheBox) {
  TfFlash dialog([](const QString& key) { return key; });
  dialog.SpinEdit1->setValue(100);  // height
  EXPECT_EQ(dialog.Lines()[3], R"(<param name=loop value="false">)");
  dialog.CheckBox1->click();
  EXPECT_EQ(dialog.Lines()[3], R"(<param name=loop value="true">)");
  dialog.CheckBox1->click();
  EXPECT_EQ(dialog.LoopText, "false");
  EXPECT_TRUE(dialog.Lines()[0].endsWith("id=untitled>"));
}
