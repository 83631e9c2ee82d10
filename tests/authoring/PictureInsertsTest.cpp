// Fragments of the link, picture and flash-movie insert dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include "authoring/PictureInserts.h"
#include "authoring/uPictureInserts.h"
#include "images/AnimPicture.h"
#include "tests/common/EventLoopPause.h"
#include "tests/images/WmfWriter.h"

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
  // A document never saved: "full" gives the path as typed.
  const struct {
    QString path;
    QString nofull;
  } cases[] = {
      {R"(c:\myimages\myimage.jpg)", "myimage.jpg"},
      {"/home/u/x.gif", "x.gif"},
      {R"(pics\x.gif)", "x.gif"},
      {"img/a b.png", "a b.png"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PicturePath(c.path, psFull), c.path);
    EXPECT_EQ(PicturePath(c.path, psNoFull, "/home/u/site"), c.nofull);
    EXPECT_EQ(PicturePath(c.path, psComp, "/home/u/site"), c.path);
  }
  EXPECT_EQ(ImageFragment("x.png", "A", 32, 16), R"(<img src="x.png" alt="A" border="0" width="32" height="16">)");
  EXPECT_EQ(ImageFragment(R"(a\b.gif)", R"(say "hi")", 1, 2),
            R"(<img src="a\b.gif" alt="say &quot;hi&quot;" border="0" width="1" height="2">)");
}

// A saved document: "full" is the picture's address relative to the
// document's folder, each name percent-encoded where an address needs it.
TEST(PictureInserts, FullPathRelativeToTheSavedDocument) {
  const QString site = "/home/u/site";
  const struct {
    QString path, full;
  } cases[] = {
      {"/home/u/site/links/logo.gif", "links/logo.gif"},
      {"/home/u/site/logo.gif", "logo.gif"},
      {"/home/u/img/a.png", "../img/a.png"},
      {"/home/u/site/links/../x/./y.png", "x/y.png"},
      {"/srv/pics/p.png", "../../../srv/pics/p.png"},
      {"links/logo.gif", "links/logo.gif"},  // typed relative: from the document's folder
      {"  /home/u/site/a.png ", "a.png"},
      {"/home/u/site/my pics/a b.png", "my%20pics/a%20b.png"},
      {"/home/u/site/#1?/100%.png", "%231%3F/100%25.png"},
      {"/home/u/site/Bilder/Größe ü.png", "Bilder/Gr%C3%B6%C3%9Fe%20%C3%BC.png"},
      {"/home/u/site/日本.gif", "%E6%97%A5%E6%9C%AC.gif"},
      {"/home/u/site/a:b.png", "a%3Ab.png"},  // not read as a scheme
      {"/home/u/site/q\"&<x>.png", "q%22%26%3Cx%3E.png"},
      {"/home/u/site/(x)_y-z~1,2.png", "(x)_y-z~1,2.png"},
  };
  for (const auto& c : cases) EXPECT_EQ(PicturePath(c.path, psFull, site), c.full) << c.path.toStdString();
  // The folder given with a closing "/" is the same folder; nothing typed
  // stays nothing.
  EXPECT_EQ(PicturePath("/home/u/site/links/logo.gif", psFull, site + "/"), "links/logo.gif");
  EXPECT_EQ(PicturePath("", psFull, site), "");
  EXPECT_EQ(ImageFragment(PicturePath("/home/u/site/my pics/a.png", psFull, site), "", 1, 1),
            R"(<img src="my%20pics/a.png" alt="" border="0" width="1" height="1">)");
}

TEST(PictureInserts, FlashBlock) {
  const QString object =
      R"(<object classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000" )"
      R"(codebase="http://download.macromedia.com/flash2/cabs/swflash.cab#version=4,0,0,0" id=untitled)";
  const QString page =
      R"(pluginspage="http://www.macromedia.com/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash">)";
  EXPECT_EQ(
      FlashLines("m.swf", 300, 200, "true"),
      QStringList({object + " width=300 height=200>", R"(<param name=movie value="m.swf">)",
                   "<param name=quality value=high>", R"(<param name=loop value="true">)",
                   R"(<embed src="m.swf" loop=true quality=high)",
                   R"(width=300 height=200 type="application/x-shockwave-flash")", page, "</embed>", "</object>"}));
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

namespace {
// Counts the paint events of the widgets it watches.
struct TPaintCounter : QObject {
  QHash<QObject*, int> paints;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints[watched];
    return false;
  }
};
}  // namespace

// The picture dialog shows one preview: the picture is drawn once, not
// beside itself; its size and the "full" path come from the loaded file.
TEST(PictureInserts, PictureDialogDrawsThePictureOnceAndWritesTheRelativePath) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir().mkpath(dir.filePath("site/links")));
  const QString picture = dir.filePath("site/links/my logo.png");
  QImage image(24, 12, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  ASSERT_TRUE(image.save(picture));
  TfImage dialog([](const QString& key) { return key; });
  dialog.DocumentFolder = dir.filePath("site");
  ASSERT_TRUE(dialog.TryLoad(picture));
  TPaintCounter counter;
  for (TAnimPicture* p : {dialog.AnimPicture1, dialog.AnimPicture2}) p->installEventFilter(&counter);
  dialog.grab();
  EXPECT_EQ(counter.paints.value(dialog.AnimPicture1) + counter.paints.value(dialog.AnimPicture2), 1);
  EXPECT_NE(dialog.AnimPicture1->isVisibleTo(&dialog), dialog.AnimPicture2->isVisibleTo(&dialog));
  dialog.full->setChecked(true);
  EXPECT_EQ(dialog.Fragment(), R"(<img src="links/my%20logo.png" alt="" border="0" width="24" height="12">)");
  dialog.comp->setChecked(true);
  EXPECT_EQ(dialog.Fragment(), "<img src=\"" + picture + R"(" alt="" border="0" width="24" height="12">)");
  // Not saved: the path as typed.
  dialog.DocumentFolder.clear();
  dialog.full->setChecked(true);
  EXPECT_EQ(dialog.Fragment(), "<img src=\"" + picture + R"(" alt="" border="0" width="24" height="12">)");

  // A path typed relative to the saved page names the picture beside the
  // page, whatever the working folder holds under that name.
  ASSERT_TRUE(QDir().mkpath(dir.filePath("work/links")));
  ASSERT_TRUE(QImage(5, 7, QImage::Format_RGB32).save(dir.filePath("work/links/my logo.png")));
  const QString working = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.filePath("work")));
  dialog.DocumentFolder = dir.filePath("site");
  dialog.Edit1->setText("links/my logo.png");
  dialog.Button2Click();
  QDir::setCurrent(working);
  EXPECT_TRUE(dialog.Ok);
  dialog.comp->setChecked(true);
  EXPECT_EQ(dialog.Fragment(), R"(<img src="links/my logo.png" alt="" border="0" width="24" height="12">)");
}

// A metafile that takes long to draw: the dialog answers while the preview
// is drawn, shows the size once it is, and Add waits for it; closed while a
// picture is drawn, nothing of it is added.
TEST(PictureInserts, PictureDialogDrawsAMetafileWithoutStoppingTheWindow) {
  QTemporaryDir dir;
  wmftest::Wmf w;
  w.WindowExt(4000, 3000).RedNoPen();
  for (int i = 0; i < 20000; ++i) w.Ellipse(-(i % 50), -(i % 40), 4000 + i % 50, 3000 + i % 40);
  const QString file = dir.filePath("slow.wmf");
  QFile out(file);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(w.Plain());
  out.close();
  QStringList errors;
  TfImage dialog([](const QString& key) { return key; });
  dialog.ShowError = [&errors](const QString& message) { errors << message; };
  dialog.show();
  ASSERT_TRUE(dialog.TryLoad(file));
  EXPECT_TRUE(dialog.PictureLoading());
  EXPECT_EQ(dialog.Edit1->text(), file);
  EXPECT_TRUE(dialog.Label3->text().isEmpty());
  EXPECT_LT(LongestPause(60000, [&] { return !dialog.PictureLoading(); }), 500);  // generous for a loaded machine
  EXPECT_EQ(dialog.Label3->text(), "4000");
  EXPECT_EQ(dialog.Label4->text(), "3000");
  EXPECT_EQ(dialog.AnimPicture2->Picture().GetWidth(), 4000);

  // Add draws the picture again and closes once it is drawn.
  dialog.Button2Click();
  EXPECT_FALSE(dialog.Ok);
  EXPECT_TRUE(dialog.PictureLoading());
  ASSERT_TRUE(dialog.WaitForPicture());
  EXPECT_TRUE(dialog.Ok);
  dialog.nofull->setChecked(true);
  EXPECT_EQ(dialog.Fragment(), R"(<img src="slow.wmf" alt="" border="0" width="4000" height="3000">)");

  // Closed while drawing for Add: nothing is added.
  TfImage closed([](const QString& key) { return key; });
  closed.show();
  closed.Edit1->setText(file);
  closed.Button2Click();
  ASSERT_TRUE(closed.PictureLoading());
  closed.Button3->click();
  EXPECT_FALSE(closed.PictureLoading());
  QCoreApplication::processEvents();
  EXPECT_FALSE(closed.Ok);
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}
