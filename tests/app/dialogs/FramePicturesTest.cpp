// Tests of the picture commands (app/dialogs/FramePictures.cpp).
// The image browser opened from the main window, and the link, picture and
// flash-movie commands, answered through the prompts.
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>

#include "app/dialogs/FramePictures.h"
#include "app/sidepane/FileManagerPane.h"
#include "authoring/uPictureInserts.h"
#include "editor/SrcEdit.h"
#include "files/FrDirectoryTree.h"
#include "images/AnimPicture.h"
#include "images/ThumbnailList.h"
#include "images/uImageLoad.h"
#include "tests/app/AppFixture.h"
#include "tests/images/PictureTestSupport.h"

using namespace picturetest;

class PictureCommands : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    // Texts equal to their keys for the keys of these windows too.
    QByteArray module = ReadFileBytes(root + "Language Modules/test.lms");
    for (const char* key : {"ImgBrowser", "FM_EDGFX", "Close", "ADIMCapt", "ALAddMailLink", "NoDocOpen", "ImgNoPictures"})
      module += QByteArray(key).leftJustified(20, ' ') + key + "\r\n";
    WriteFileBytes(root + "Language Modules/test.lms", module);
    LoadLanguageModule();
  }
  QString MakePng(const QString& name, int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(qRgba(0, 128, 0, 100));
    return MakeFile(name, Encode(image, "png"));
  }
  TfImageBrowser* Browser() { return CurrentImageBrowser().data(); }
  void Click(TfImageBrowser* b, int index, bool twice = false) {
    b->ThumbnailList1->SetItemIndex(index);
    b->ThumbnailList1Click();
    if (twice) {
      b->ThumbnailList1DblClick();
      EXPECT_TRUE(b->WaitForPicture());
    }
  }
  TChildForm* NewDocument() {
    Main().ToolButton33Click();
    TChildForm* c = Main().ActiveDocument();
    c->Memo1->SetText(QString());
    return c;
  }
};

TEST_F(PictureCommands, ImageBrowserFlows) {
  const QString png = MakePng("a.png", 30, 20);
  const QString gif = MakeFile("b.gif", ThreeFrameGif());
  const QString broken = MakeFile("c.jpg", "not a picture");
  Main().WMDropFiles({png, gif, broken});
  TfImageBrowser* b = Browser();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->windowTitle(), "ImgBrowser");
  EXPECT_EQ(b->Button1->text(), "FM_EDGFX");
  EXPECT_EQ(b->Button2->text(), "Close");
  EXPECT_EQ(b->ThumbnailList1->Thumbnails().Count(), 3);
  EXPECT_EQ(Main().MDITab1->ImageIndexOf(0), 110);

  // Nothing selected: no full view, and "Edit" starts the program without a file.
  b->ThumbnailList1DblClick();
  EXPECT_FALSE(b->FullViewShown());
  Ini().WriteString("GFX", "Path", "/usr/bin/gimp");
  b->Button1Click();
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].program, "/usr/bin/gimp");
  EXPECT_EQ(launcher.calls[0].arguments, QStringList());
  launcher.calls.clear();

  // A PNG at full size, its transparency kept; back by a click on the picture.
  Click(b, 0, true);
  EXPECT_EQ(b->StatusBar1->currentMessage(), png);
  EXPECT_TRUE(b->FullViewShown());
  EXPECT_EQ(b->AnimPicture1->Picture().GetWidth(), 30);
  EXPECT_LT(qAlpha(b->AnimPicture1->Shown().pixel(0, 0)), 255);
  b->AnimPicture1Click();
  EXPECT_FALSE(b->FullViewShown());

  // A GIF animates; "Close" goes back.
  Click(b, 1, true);
  EXPECT_TRUE(b->AnimPicture1->Animated());
  EXPECT_TRUE(b->AnimPicture1->TimerActive());
  b->Button2Click();
  EXPECT_FALSE(b->FullViewShown());

  // A broken picture is reported and the thumbnails stay.
  Click(b, 2, true);
  EXPECT_FALSE(b->FullViewShown());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "Could not load image. Invalid format");
  EXPECT_EQ(prompts.Messages()[0].kind, 2);

  // "Edit" hands the last clicked file to the graphics program.
  Click(b, 1);
  b->Button1Click();
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].program, "/usr/bin/gimp");
  EXPECT_EQ(launcher.calls[0].arguments, QStringList{gif});
  Ini().WriteString("GFX", "Path", "");
  b->Button1Click();
  EXPECT_EQ(launcher.calls.size(), 1);

  // Refilling from a folder replaces the items, with the same pictures as
  // the first fill, PNG files included.
  b->RefillFromFolder(root + "docs");
  ASSERT_EQ(b->ThumbnailList1->Thumbnails().Count(), 3);
  EXPECT_EQ(b->ThumbnailList1->Thumbnails().Items(0).Caption(), "a.png");
  EXPECT_EQ(b->ThumbnailList1->Thumbnails().Items(1).Caption(), "b.gif");

  // Closing frees the browser; the guarded pointer lets go of it.
  b->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(CurrentImageBrowser().isNull());
}

// A browser that follows the folder tree lists the folder as F8 does: the
// same order whatever the case of the names, hidden files left out both times.
TEST_F(PictureCommands, RefillListsTheFolderAsTheFirstFill) {
  for (const char* name : {"b.gif", "A.gif", "c.GIF", "_d.gif", ".hidden.gif", "Z.png"})
    MakeFile(name, ThreeFrameGif());
  QDir().mkpath(root + "none");
  Ini().WriteString("Last", "Folder", root + "docs");
  Main().Action("ImgBrowser")->trigger();
  TfImageBrowser* b = Browser();
  ASSERT_NE(b, nullptr);
  const auto captions = [b] {
    QStringList out;
    for (int i = 0; i < b->ThumbnailList1->Thumbnails().Count(); ++i)
      out << b->ThumbnailList1->Thumbnails().Items(i).Caption();
    return out;
  };
  const QStringList first = captions();
  EXPECT_EQ(first, QStringList({"_d.gif", "A.gif", "b.gif", "c.GIF", "Z.png"}));
  b->RefillFromFolder(root + "none");
  EXPECT_EQ(b->StatusBar1->currentMessage(), "ImgNoPictures " + root + "none");
  b->RefillFromFolder(root + "docs");
  EXPECT_EQ(captions(), first);
  EXPECT_EQ(b->StatusBar1->currentMessage(), "");
  EXPECT_EQ(b->statusTip(), "");
}

TEST_F(PictureCommands, LinkAndMailLink) {
  TChildForm* c = NewDocument();
  prompts.AnswerDialog("fUrl", [](QDialog& d) {
    auto& url = static_cast<TfUrl&>(d);
    url.Edit2->setText("x.html");
    url.Edit3->setText("X");
    url.newwd->setChecked(true);
    url.Button1->click();
    return d.result();
  });
  InsertLink(Main());
  EXPECT_EQ(c->Memo1->Text(), R"(<a href="x.html" target="_blank">X</a>)");
  prompts.AnswerDialog("fUrl", [](QDialog& d) {
    auto& url = static_cast<TfUrl&>(d);
    url.TabSet1->setCurrentIndex(1);
    url.Edit1->setText("a@b.c");
    url.Edit4->setText("Me");
    url.Button1->click();
    return d.result();
  });
  c->Memo1->SetText(QString());
  InsertLink(Main());
  EXPECT_EQ(c->Memo1->Text(), R"(<a href="mailto:a@b.c">Me</a>)");
  prompts.AnswerDialog("fUrl", [](QDialog& d) {
    static_cast<TfUrl&>(d).Button2->click();
    return d.result();
  });
  InsertLink(Main());
  EXPECT_EQ(c->Memo1->Text(), R"(<a href="mailto:a@b.c">Me</a>)");
}

TEST_F(PictureCommands, PictureByNameByBrowseAndRefused) {
  const QString png = MakePng("x.png", 32, 16);
  const QString gif = MakeFile("pics/y.gif", ThreeFrameGif());
  TChildForm* c = NewDocument();
  const auto add = [](QDialog& d) {
    auto& image = static_cast<TfImage&>(d);
    image.AltText->setText("A");
    image.Button2->click();
    return d.result();
  };
  prompts.AnswerDialog("fImage", add);
  InsertImage(Main(), png);
  EXPECT_EQ(c->Memo1->Text(), R"(<img src="x.png" alt="A" border="0" width="32" height="16">)");

  c->Memo1->SetText(QString());
  AnswerFileDialog("OpenDialog1", {gif});
  prompts.AnswerDialog("fImage", [](QDialog& d) {
    auto& image = static_cast<TfImage&>(d);
    EXPECT_FALSE(image.Button2->isEnabled());
    image.Button1Click();
    image.comp->setChecked(true);
    image.Button2->click();
    return d.result();
  });
  InsertImage(Main());
  EXPECT_EQ(c->Memo1->Text(), "<img src=\"" + gif + R"(" alt="" border="0" width="4" height="4">)");

  // Not a picture: the error is shown, the dialog stays, nothing goes in.
  c->Memo1->SetText(QString());
  const QString text = MakeFile("z.jpg", "text");
  prompts.AnswerDialog("fImage", [&](QDialog& d) {
    static_cast<TfImage&>(d).Edit1->setText(text);
    static_cast<TfImage&>(d).Button2->click();
    EXPECT_FALSE(static_cast<TfImage&>(d).Ok);
    return d.result();
  });
  InsertImage(Main());
  EXPECT_EQ(c->Memo1->Text(), "");
  ASSERT_FALSE(prompts.Messages().isEmpty());
  EXPECT_EQ(prompts.Messages().last().text, "Could not load image. Invalid format");
}

// Browse in the picture dialog starts in the file manager's folder (not in
// the folder of the last open dialog), or in the folder of the path typed.
TEST_F(PictureCommands, PictureBrowseStartsInTheFileManagersFolder) {
  MakeFile("pics/y.gif", ThreeFrameGif());
  QDir().mkpath(root + "shown");
  Ini().WriteString("Last", "Folder", root + "shown");
  NewDocument();
  AnswerFileDialog("OpenDialog1", {MakeFile("a.html")});
  Main().ActionOpenExecute();
  ASSERT_EQ(Main().LastFolder, root + "docs");
  QStringList started;
  const auto browse = [&started](const QString& typed) {
    return [&started, typed](QDialog& d) {
      auto& image = static_cast<TfImage&>(d);
      image.Edit1->setText(typed);
      image.Button1Click();
      image.Button3->click();
      return d.result();
    };
  };
  prompts.AnswerDialog("OpenDialog1", [&started](QDialog& d) {
    started << static_cast<QFileDialog&>(d).directory().absolutePath();
    return int(QDialog::Rejected);
  });
  // The side pane never shown: the folder it will show.
  prompts.AnswerDialog("fImage", browse(QString()));
  InsertImage(Main());
  // Browsed to in the folder tree.
  Main().EnsureSidePane();
  Main().FileManager->FrDirectoryTree1->OpenPath(root + "docs/pics");
  prompts.AnswerDialog("fImage", browse(QString()));
  InsertImage(Main());
  prompts.AnswerDialog("fImage", browse(root + "docs/a.html"));
  InsertImage(Main());
  EXPECT_EQ(started, QStringList({root + "shown", root + "docs/pics", root + "docs"}));
}

// A path typed into the file field and left with Tab: the preview and the
// size follow it, and are emptied while it names no picture.
TEST_F(PictureCommands, PicturePreviewAndSizeFollowATypedPath) {
  const QString png = MakePng("x.png", 32, 16);
  const QString gif = MakeFile("pics/y.gif", ThreeFrameGif());
  const QString text = MakeFile("z.jpg", "text");
  TChildForm* c = NewDocument();
  QStringList shown;
  prompts.AnswerDialog("fImage", [&](QDialog& d) {
    auto& image = static_cast<TfImage&>(d);
    image.show();
    image.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&image));
    const auto type = [&](const QString& path) {
      image.Edit1->setFocus();
      image.Edit1->selectAll();
      QTest::keyClick(image.Edit1, Qt::Key_Backspace);
      QTest::keyClicks(image.Edit1, path);
      QTest::keyClick(image.Edit1, Qt::Key_Tab);
      EXPECT_NE(QApplication::focusWidget(), image.Edit1);
      const TPlatformPicture& preview = image.AnimPicture2->Picture();
      shown << QStringLiteral("%1 %2 %3x%4")
                   .arg(image.Label3->text(), image.Label4->text())
                   .arg(preview.GetEmpty() ? 0 : preview.GetWidth())
                   .arg(preview.GetEmpty() ? 0 : preview.GetHeight());
    };
    type(png);
    type(gif);
    type(text);                  // no picture
    type(root + "docs/no.png");  // no file
    type(png);
    type(QString());
    type(gif);
    image.Button2->click();
    return d.result();
  });
  InsertImage(Main());
  EXPECT_EQ(shown, QStringList({"32 16 32x16", "4 4 4x4", "  0x0", "  0x0", "32 16 32x16", "  0x0", "4 4 4x4"}));
  EXPECT_TRUE(prompts.Messages().isEmpty());  // typing reports nothing; Add would
  EXPECT_EQ(c->Memo1->Text(), R"(<img src="y.gif" alt="" border="0" width="4" height="4">)");
}

TEST_F(PictureCommands, PictureWithAnImageBrowserInFront) {
  const QString png = MakePng("x.png", 32, 16);
  // Only an image browser: said before a picture is chosen.
  Main().WMDropFiles({png});
  ASSERT_NE(Browser(), nullptr);
  ASSERT_EQ(Main().ActiveDocument(), nullptr);
  ASSERT_TRUE(Main().Action("ToolButton19")->isEnabled());
  Main().Action("ToolButton19")->trigger();
  EXPECT_TRUE(prompts.Dialogs().isEmpty());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "NoDocOpen");
  EXPECT_EQ(prompts.Messages()[0].kind, 0);

  // A document window used before the browser came to the front: the
  // picture goes in there, and that window comes to the front.
  TChildForm* c = NewDocument();
  Main().MDIClient->setActiveSubWindow(Browser());
  ASSERT_EQ(Main().ActiveDocument(), nullptr);
  prompts.AnswerDialog("fImage", [png](QDialog& d) {
    static_cast<TfImage&>(d).TryLoad(png);
    static_cast<TfImage&>(d).Button2->click();
    return d.result();
  });
  Main().Action("ToolButton19")->trigger();
  EXPECT_EQ(c->Memo1->Text(), R"(<img src="x.png" alt="" border="0" width="32" height="16">)");
  EXPECT_EQ(Main().ActiveDocument(), c);
  EXPECT_EQ(prompts.Messages().size(), 1);
}

TEST_F(PictureCommands, FlashMovie) {
  TChildForm* c = NewDocument();
  prompts.AnswerDialog("fFlash", [](QDialog& d) {
    static_cast<TfFlash&>(d).Edit1->setText("m.swf");
    return int(QDialog::Accepted);
  });
  InsertFlashMovie(*c);
  const QStringList lines = c->Memo1->Text().split("\r\n");
  ASSERT_EQ(lines.size(), 10);  // nine lines, each ended
  EXPECT_EQ(lines[1], R"(<param name=movie value="m.swf">)");
  EXPECT_EQ(lines[3], R"(<param name=loop value="false">)");
  EXPECT_EQ(lines[9], "");
}

// ------------------------------------------------------------ previews share one picture

TEST_F(PictureCommands, PicturePreviewsShareOneDecodedPictureAndBudget) {
  TfImage dialog([](const QString& key) { return key; });
  QStringList errors;
  dialog.ShowError = [&errors](const QString& message) { errors << message; };
  ASSERT_TRUE(dialog.TryLoad(MakeFile("b.gif", ThreeFrameGif())));
  TPlatformPicture& first = dialog.AnimPicture1->Picture();
  TPlatformPicture& second = dialog.AnimPicture2->Picture();
  EXPECT_EQ(first.DecodeCount(), 1);
  EXPECT_EQ(second.DecodeCount(), 1);
  EXPECT_EQ(first.Budget(), second.Budget());

  // Three 8192 x 8192 frames in 89 bytes: refused once, before any pixel.
  EXPECT_FALSE(dialog.TryLoad(MakeFile("huge.gif", TinyGif(QSize(8192, 8192), QSize(8192, 8192), 3, 1))));
  EXPECT_EQ(errors, QStringList{"Could not allocate memory for image"});
  EXPECT_EQ(first.Budget()->Refusals(), 1);
  EXPECT_EQ(first.Budget()->Peak(), 0);
  EXPECT_EQ(second.DecodeCount(), 1);  // the second preview was not asked again
}
