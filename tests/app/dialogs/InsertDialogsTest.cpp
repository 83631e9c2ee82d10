// Tests of the insert dialogs (app/dialogs/InsertDialogs.cpp and the
// Insert*.cpp files beside it).
// The insert dialogs as the commands show them: answered through the
// scripted prompts, as a user would fill them in.
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeZone>
#include <QToolButton>

#include "app/dialogs/InsertDialogs.h"
#include "authoring/uPictureInserts.h"
#include "files/FrComboBox.h"
#include "images/AnimPicture.h"
#include "tests/app/AppFixture.h"
#include "tests/images/PictureTestSupport.h"

namespace {

class InsertDialogs : public AppFixture {
 protected:
  TSrcEdit* Open(const QByteArray& text = "") {
    return Main().OpenDocument(false, true, MakeFile("page.html", text))->Memo1;
  }
  QString Text(TSrcEdit* e) { return e->Lines().ToStringList().join(QStringLiteral("\r\n")); }
  // Answers dialog `name` by running `fill` on it and pressing `button`;
  // the answer is the dialog's result.
  template <typename D>
  void Answer(const char* name, std::function<void(D&)> fill, std::function<QAbstractButton*(D&)> button) {
    prompts.AnswerDialog(QLatin1String(name), [fill, button](QDialog& d) {
      auto& dialog = static_cast<D&>(d);
      if (fill) fill(dialog);
      button(dialog)->click();
      return d.result();
    });
  }
  void AnswerColor(const QColor& color) {
    prompts.AnswerDialog("ColorDialog1", [color](QDialog& d) {
      static_cast<QColorDialog&>(d).setCurrentColor(color);
      return int(QDialog::Accepted);
    });
  }
};

TEST_F(InsertDialogs, TableChecksThenInserts) {
  TSrcEdit* e = Open();
  // A failing check leaves the dialog open with its message.
  Answer<TfTable>(
      "fTable",
      [](TfTable& t) {
        t.Edit1->setText("two");
        t.Border->setChecked(true);
        t.edit4->clear();
      },
      [](TfTable& t) { return t.Button1; });
  Main().Action("Table1")->trigger();
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "RowError");
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  EXPECT_EQ(Text(e), QString());

  // Cancel inserts nothing; OK the 2x2 table.
  Answer<TfTable>(
      "fTable", [](TfTable& t) { t.Edit1->setText("2"); }, [](TfTable& t) { return t.Button2; });
  Main().Action("Table1")->trigger();
  EXPECT_EQ(Text(e), QString());
  Answer<TfTable>(
      "fTable",
      [](TfTable& t) {
        t.Edit1->setText("2");
        t.Edit2->setText("2");
      },
      [](TfTable& t) { return t.Button1; });
  Main().Action("Table1")->trigger();
  EXPECT_EQ(e->Lines().ToStringList(),
            QStringList({"<table align='right' width='100%'  border='0' cellpadding='0' cellspacing='0' summary=\"\">",
                         "<tr>", "  <td></td>", "  <td></td>", "</tr>", "<tr>", "  <td></td>", "  <td></td>", "</tr>",
                         "</table>", ""}));
}

TEST_F(InsertDialogs, TableBorderControlsAndChosenColours) {
  TfTable t;
  EXPECT_EQ(t.SpinEdit1->maximum(), 1000);
  for (QWidget* w : t.BorderControls) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  t.Border->setChecked(true);
  for (QWidget* w : t.BorderControls) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_EQ(t.BorderControls.size(), 10);
  // The light colour counts once its dialog was confirmed, even unchanged;
  // a cancelled dialog changes nothing.
  prompts.AnswerDialog("ColorDialog1", [](QDialog&) { return int(QDialog::Rejected); });
  t.Panel3->click();
  t.Panel2->click();
  EXPECT_FALSE(t.Options().lightChosen);
  AnswerColor(Qt::white);
  t.Panel3->click();
  AnswerColor(Qt::red);
  t.Panel2->click();
  const InsertFragments::TTableOptions o = t.Options();
  EXPECT_TRUE(o.lightChosen);
  EXPECT_FALSE(o.darkChosen);
  EXPECT_EQ(o.background, clRed);
  // The background image counts only when the file is there.
  t.Edit5->setText(MakeFile("back.gif", "GIF89a"));
  EXPECT_TRUE(t.Options().backgroundExists);
  t.Edit5->setText(root + "missing.gif");
  EXPECT_FALSE(t.Options().backgroundExists);
  // Typed relative to the saved page: looked for beside the page, never in
  // the working folder.
  MakeFile("img/bg.gif", "GIF89a");
  t.Edit5->setText("img/bg.gif");
  EXPECT_FALSE(t.Options().backgroundExists);
  t.DocumentFolder = root + "docs";
  EXPECT_TRUE(t.Options().backgroundExists);
  const QString working = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(root));
  t.Edit5->setText("docs/img/bg.gif");
  const bool foundInTheWorkingFolder = t.Options().backgroundExists;
  QDir::setCurrent(working);
  EXPECT_FALSE(foundInTheWorkingFolder);
}

TEST_F(InsertDialogs, ListsAndLines) {
  TSrcEdit* e = Open();
  // No type chosen: the notice, and the dialog stays open.
  Answer<TfNumber>("fNumber", {}, [](TfNumber& n) { return n.Button1; });
  Main().Action("ToolButton50")->trigger();
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "ListType");
  EXPECT_EQ(prompts.Messages()[0].kind, 0);
  // A click on a radio button is one on its picture.
  Answer<TfNumber>(
      "fNumber",
      [](TfNumber& n) {
        EXPECT_FALSE(n.GroupBox2->isHidden());
        EXPECT_TRUE(n.GroupBox3->isHidden());
        n.RadioButtons[3]->click();
        n.SpinEdit1->setValue(3);
        n.SpinEdit2->setValue(4);
      },
      [](TfNumber& n) { return n.Button1; });
  Main().Action("ToolButton50")->trigger();
  EXPECT_EQ(Text(e), "<ol type=\"i\" start=\"4\">\r\n<li></li>\r\n<li></li>\r\n<li></li>\r\n</ol>\r\n");
  e->SelectAll();
  Answer<TfNumber>(
      "fNumber",
      [](TfNumber& n) {
        EXPECT_TRUE(n.SpinEdit2->isHidden());
        n.SpeedButtons[5]->click();
        n.SpinEdit1->setValue(0);
      },
      [](TfNumber& n) { return n.Button1; });
  Main().Action("ToolButton51")->trigger();
  EXPECT_EQ(Text(e), "<ul type=\"disc\">\r\n</ul>\r\n");
  // Cancel: nothing, for the lists and the line.
  e->SelectAll();
  Answer<TfNumber>(
      "fNumber", [](TfNumber& n) { n.SpeedButtons[6]->click(); }, [](TfNumber& n) { return n.Button2; });
  Main().Action("ToolButton51")->trigger();
  Answer<TfHorLine>("fHorLine", {}, [](TfHorLine& h) { return h.Button2; });
  Main().Action("ToolButton27")->trigger();
  EXPECT_EQ(Text(e), "<ul type=\"disc\">\r\n</ul>\r\n");
  Answer<TfHorLine>("fHorLine", {}, [](TfHorLine& h) { return h.Button1; });
  Main().Action("ToolButton27")->trigger();
  EXPECT_EQ(Text(e), "<hr size=1 width=100% color=#000000>");
}

TEST_F(InsertDialogs, TextFormattingSelectsTheTextAgain) {
  TSrcEdit* e = Open("ab Hello cd\r\n");
  Ini().WriteString("Font", "Type", "No Such Face");
  Ini().WriteInteger("Font", "Size2", 5);
  e->SetSelStart(4);
  e->SetSelEnd(9);
  Answer<TfTextFormat>(
      "fTextFormat",
      [this](TfTextFormat& f) {
        EXPECT_EQ(f.SpinEdit1->value(), 5);
        f.CB_Bold->setChecked(true);
        AnswerColor(Qt::red);
        f.Panel1->click();
        EXPECT_EQ(f.Label2->text(), "#ff0000");
      },
      [](TfTextFormat& f) { return f.Button2; });
  Main().Action("ToolButton60")->trigger();
  EXPECT_EQ(e->Lines()[0], "ab <b><font face=\"no such face\" size=\"5\" color=\"#ff0000\">Hello</font></b> cd");
  EXPECT_EQ(e->SelText(), "Hello");
  // Cancel puts the selection back as it was.
  e->SetSelStart(2);
  e->SetSelEnd(7);
  Answer<TfTextFormat>("fTextFormat", {}, [](TfTextFormat& f) { return f.Button1; });
  Main().Action("ToolButton60")->trigger();
  EXPECT_EQ(e->SelStart(), 2);
  EXPECT_EQ(e->SelEnd(), 7);
  EXPECT_EQ(e->Lines()[0], "ab <b><font face=\"no such face\" size=\"5\" color=\"#ff0000\">Hello</font></b> cd");
}

TEST_F(InsertDialogs, DateTimeAndUpdateScript) {
  const TInsertClock system = InsertClock();
  const std::unique_ptr<void, std::function<void(void*)>> restore(this, [system](void*) { InsertClock() = system; });
  InsertClock().Locale = [] { return QLocale(QLocale::German, QLocale::Germany); };
  InsertClock().Now = [] { return QDateTime(QDate(2026, 3, 4), QTime(9, 5, 7), QTimeZone::utc()); };
  TSrcEdit* e = Open();
  // Editing a box has no effect until a button is clicked afterwards.
  Answer<TfDT>(
      "fDT", [](TfDT& d) { d.label3->setText("x"); }, [](TfDT& d) { return d.Button1; });
  Main().Action("ToolButton30")->trigger();
  EXPECT_EQ(Text(e), "04.03.26 09:05:07");
  e->SelectAll();
  Answer<TfDT>(
      "fDT",
      [](TfDT& d) {
        d.label4->setText("noon");
        d.RadioButton2->click();
      },
      [](TfDT& d) { return d.Button1; });
  Main().Action("ToolButton30")->trigger();
  EXPECT_EQ(Text(e), "noon");
  Answer<TfDT>(
      "fDT", [](TfDT& d) { d.RadioButton1->click(); }, [](TfDT& d) { return d.Button2; });
  Main().Action("ToolButton30")->trigger();
  EXPECT_EQ(Text(e), "noon");

  // The script: the lead text preset from the module, the locale's order.
  e->SelectAll();
  Answer<TfUpdateScript>(
      "fUpdateScript",
      [](TfUpdateScript& u) {
        EXPECT_EQ(u.Edit1->text(), "UpdOn1");
        u.CheckBox2->setChecked(true);
      },
      [](TfUpdateScript& u) { return u.Button1; });
  Main().Action("ToolButton32")->trigger();
  const QStringList lines = e->Lines().ToStringList();
  ASSERT_EQ(lines.size(), 28);
  EXPECT_EQ(lines[4],
            "  var showAs=modiDate.getDate()+ \".\" +(modiDate.getMonth()+1)+ \".\" +modiDate.getFullYear();");
  EXPECT_EQ(lines[21], "  document.write (\"<i>\");");
  EXPECT_EQ(lines[22], "  document.write (\"UpdOn1 \")");  // the editor trims the trailing blank
  Answer<TfUpdateScript>("fUpdateScript", {}, [](TfUpdateScript& u) { return u.Button2; });
  Main().Action("ToolButton32")->trigger();
  EXPECT_EQ(e->Lines().ToStringList(), lines);
}

TEST_F(InsertDialogs, FormControls) {
  TSrcEdit* e = Open();
  struct Case {
    const char* action;
    const char* caption;
    int page, width, height;
    QString text;
  };
  // Every box of the page holds its own name.
  const Case cases[] = {
      {"ToolButton29", "FCheck", TfHTMLButton::cbr, 533, 188,
       "<input type=\"checkbox\" name=\"cbrName\" OnClick=\"cbrOnClick\">cbrValue"},
      {"ToolButton65", "FRadio", TfHTMLButton::cbr, 533, 188,
       "<input type=\"radio\" name=\"cbrName\" OnClick=\"cbrOnClick\">cbrValue"},
      {"ToolButton43", "FButton", TfHTMLButton::Buttons, 556, 259,
       "<input type=\"Button\" value=\"bteValue\" name=\"bteName\" onClick=\"bteOnclick\">"},
      {"ToolButton52", "FEdit", TfHTMLButton::TextSheet, 594, 341,
       "<input type=\"text\" name=\"TextEName\" value=\"textevalue\" maxlength=\"textEMaxLen\" size=\"TexteSize\" "
       "onBlur=\"texteOnBlur\" onChange=\"TexteOnchange\" onFocus=\"TexteOnFocus\" onSelect=\"TexteOnSelect\">"},
      {"ToolButton66", "FPwBox", TfHTMLButton::PassSheet, 606, 359,
       "<input type=\"password\" name=\"pwlename\" value=\"pwleValue\" maxlength=\"pwleMaxLaneg\" size=\"pwleSize\" "
       "onBlur=\"pwleOnblur\" onChange=\"pwleOnChange\" onFocus=\"pwleOnFocus\" onSelect=\"pwleOnSelect\">"},
      {"ToolButton63", "FTA", TfHTMLButton::TextArea, 429, 320,
       "<textarea name=\"taeName\" rows=\"taeRows\" cols=\"taeCols\" wrap=\"off\">\r\n\r\n</textarea>\r\n"},
      {"ToolButton80", "FHText", TfHTMLButton::HidSh, 512, 135,
       "<input type=\"hidden\" name=\"hdeName\" value=\"hdeValue\">"},
  };
  for (const Case& c : cases) {
    for (bool ok : {false, true}) {
      e->SelectAll();
      e->SetSelText("");
      Answer<TfHTMLButton>(
          "fHTMLButton",
          [&c](TfHTMLButton& b) {
            EXPECT_EQ(b.PageControl1->currentIndex(), c.page) << c.action;
            EXPECT_EQ(b.size(), QSize(c.width, c.height)) << c.action;
            EXPECT_EQ(b.windowTitle(), QLatin1String(c.caption));
            for (QLineEdit* box : b.PageControl1->currentWidget()->findChildren<QLineEdit*>())
              box->setText(box->objectName());
          },
          [ok](TfHTMLButton& b) { return ok ? b.Button1 : b.Button2; });
      Main().Action(c.action)->trigger();
      EXPECT_EQ(Text(e), ok ? c.text : QString()) << c.action;
    }
  }
}

TEST_F(InsertDialogs, ImageButtonTakesThePicturesSize) {
  TSrcEdit* e = Open();
  const QString png = root + "docs/pic.png";
  QDir().mkpath(root + "docs");
  QImage(32, 16, QImage::Format_RGB32).save(png);
  AnswerFileDialog("OpenDialog1", {png});
  Answer<TfHTMLButton>(
      "fHTMLButton",
      [](TfHTMLButton& b) {
        b.SpeedButton1->click();
        b.CheckBox1->setChecked(true);
        b.Memo2->setPlainText("A");
      },
      [](TfHTMLButton& b) { return b.Button1; });
  Main().Action("ToolButton61")->trigger();
  EXPECT_EQ(Text(e), "<input type=\"image\" src=\"pic.png\" border=\"1\" width=\"32\" height=\"16\" alt=\"A\">");
  // A file that is no picture: the message, nothing taken over.
  TfHTMLButton b;
  EXPECT_FALSE(b.LoadPicture(MakeFile("bad.png", "no picture")));
  EXPECT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(b.Label1->text(), QString());
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

// The image button's dialog shows the picture in one preview, drawn once.
TEST_F(InsertDialogs, ImageButtonPreviewDrawsThePictureOnce) {
  const QString png = root + "docs/pic.png";
  QDir().mkpath(root + "docs");
  QImage(32, 16, QImage::Format_RGB32).save(png);
  TfHTMLButton b;
  ASSERT_TRUE(b.LoadPicture(png));
  TPaintCounter counter;
  for (TAnimPicture* p : {b.AnimPicture1, b.AnimPicture2}) p->installEventFilter(&counter);
  b.ShowPage(TfHTMLButton::ImgSheet);
  b.grab();
  EXPECT_EQ(counter.paints.value(b.AnimPicture1) + counter.paints.value(b.AnimPicture2), 1);
  EXPECT_NE(b.AnimPicture1->isVisibleTo(&b), b.AnimPicture2->isVisibleTo(&b));
}

// A picture from a subfolder or a parent folder of the saved page goes in
// by its address from the page's folder with the "full" style; in a page
// never saved as it was chosen.
TEST_F(InsertDialogs, PictureFromAnotherFolderOfTheSavedPage) {
  TSrcEdit* e = Open();  // docs/page.html
  const auto picture = [this](const QString& name) {
    const QString path = root + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    EXPECT_TRUE(QImage(8, 4, QImage::Format_RGB32).save(path, "PNG"));
    return path;
  };
  const auto insert = [&](const QString& path) {
    e->SetText(QString());
    Answer<TfImage>(
        "fImage",
        [path](TfImage& d) {
          d.Edit1->setText(path);
          d.full->setChecked(true);
        },
        [](TfImage& d) { return d.Button2; });
    Main().Action("ToolButton19")->trigger();
    return Text(e);
  };
  EXPECT_EQ(insert(MakeFile("links/logo.gif", picturetest::ThreeFrameGif())),
            R"(<img src="links/logo.gif" alt="" border="0" width="4" height="4">)");
  EXPECT_EQ(insert(picture("img/a b#1.png")),
            R"(<img src="../img/a%20b%231.png" alt="" border="0" width="8" height="4">)");
  EXPECT_EQ(insert(picture("docs/Übersicht.png")),
            R"(<img src="%C3%9Cbersicht.png" alt="" border="0" width="8" height="4">)");
  // A page never saved: the path as typed.
  Main().ToolButton33Click();
  e = Main().ActiveDocument()->Memo1;
  const QString typed = picture("img/a b#1.png");
  EXPECT_EQ(insert(typed), "<img src=\"" + typed + R"(" alt="" border="0" width="8" height="4">)");
}

TEST_F(InsertDialogs, MailForm) {
  TSrcEdit* e = Open();
  for (int result : {int(QDialog::Rejected), int(QDialog::Accepted)}) {
    prompts.AnswerDialog("fDosPrompt", [result](QDialog& d) {
      EXPECT_EQ(d.windowTitle(), "FExample");
      static_cast<QInputDialog&>(d).setTextValue("me@x.org");
      return result;
    });
    Main().Action("ToolButton17")->trigger();
  }
  EXPECT_EQ(e->Lines()[0], "<form enctype=\"text/plain\" method=\"post\" action=\"mailto:me@x.org\">");
  EXPECT_EQ(e->Lines().Count(), 8);
}

TEST_F(InsertDialogs, CharacterMapInsertsAtTheAdvancingCaret) {
  TSrcEdit* e = Open("xyz\r\n");
  e->SetSelStart(2);
  e->SetSelEnd(3);  // "y" is replaced by the first click
  prompts.AnswerDialog("fCharacter", [](QDialog& d) {
    auto& c = static_cast<TfCharacter&>(d);
    EXPECT_EQ(c.SpeedButtons.size(), 103);
    const int eacute = 0xE9 - 0xA3;
    EXPECT_EQ(c.label1->text(), "&Copy");
    c.SpeedButtons[eacute]->click();
    c.SpeedButtons[93]->click();  // no-break space
    c.CharMode->click();
    EXPECT_EQ(c.label1->text(), "\u00A9");
    c.SpeedButtons[eacute]->click();
    c.SpeedButtons[93]->click();
    c.SpeedButtons[102]->click();  // trade mark: two letters
    // The preview follows the mouse; between the buttons it is empty.
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(c.SpeedButtons[eacute], &enter);
    EXPECT_EQ(c.Panel1->text(), "\u00E9");
    QCoreApplication::sendEvent(c.SpeedButtons[95], &enter);
    EXPECT_EQ(c.Panel1->text(), "&");
    QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(c.GroupBox1, &move);
    EXPECT_EQ(c.Panel1->text(), QString());
    c.Button1->click();
    return d.result();
  });
  Main().Action("ToolButton5")->trigger();
  EXPECT_EQ(e->Lines()[0], "x&eacute;&nbsp;\u00E9&nbsp;tmz");
}

}  // namespace
