// Tests of the whole program (app/, every folder) on a desktop.
// The program as a Linux desktop user meets it: its icon, help and web pages
// in a browser, the keys every dialog answers, the search boxes, the replace
// question beside its hit, F8 on a folder without pictures, and the options
// screen's tab width.
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <functional>

#include "app/dialogs/InsertDialogs.h"
#include "app/dialogs/SearchDialogs.h"
#include "app/dialogs/ShellDialogs.h"
#include "app/dialogs/UpdateConsole.h"
#include "app/dialogs/uAbout.h"
#include "app/dialogs/uPrintDlg.h"
#include "app/dialogs/ufMessageDlg.h"
#include "app/document/Documents.h"
#include "app/document/EmbeddedBrowser.h"
#include "app/options/uCodeEntry.h"
#include "app/options/uconfig.h"
#include "app/shell/Application.h"
#include "app/shell/StartUp.h"
#include "app/sidepane/DocumentManager.h"
#include "app/sidepane/FileManagerDialogs.h"
#include "app/sidepane/FileManagerPane.h"
#include "app/sidepane/TemplateEditor.h"
#include "files/FrComboBox.h"
#include "files/FrDirectoryTree.h"
#include "files/FrFileListBox.h"
#include "files/FrListView.h"
#include "files/PromptDialogs.h"
#include "images/uImageLoad.h"
#include "tests/app/AppFixture.h"

// Delivers shortcuts the way the toolkit does for a key from the window system.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text, bool autorep, ushort count);

namespace {

// A key as an X11 server delivers it: its X key code and key symbol along.
struct TX11Key {
  Qt::Key key;
  quint32 keycode;
  quint32 keysym;
  const char* text;
};
constexpr TX11Key kEscape{Qt::Key_Escape, 9, 0xff1b, "\x1b"};
constexpr TX11Key kReturn{Qt::Key_Return, 36, 0xff0d, "\r"};

// Presses and releases `k` on the focus widget of `window`.
void PressKey(QWidget* window, const TX11Key& k) {
  QWidget* target = QApplication::focusWidget();
  if (!target || target->window() != window->window()) target = window->focusWidget() ? window->focusWidget() : window;
  const QString text = QString::fromLatin1(k.text);
  if (qt_sendShortcutOverrideEvent(target, 0, k.key, Qt::NoModifier, text, false, 1)) return;
  QKeyEvent press(QEvent::KeyPress, k.key, Qt::NoModifier, k.keycode, k.keysym, 0, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, k.key, Qt::NoModifier, k.keycode, k.keysym, 0, text);
  QApplication::sendEvent(target, &release);
}

// Shows `w` active with the focus where the window puts it.
void ShowActive(QWidget* w) {
  w->show();
  QApplication::setActiveWindow(w);
  w->activateWindow();
  QCoreApplication::processEvents();
}

class Desktop : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    QByteArray module = ReadFileBytes(root + "Language Modules/test.lms");
    for (const char* key : {"NoOpenAddress", "ImgNoPictures"})
      module += QByteArray(key).leftJustified(20, ' ') + key + "\r\n";
    WriteFileBytes(root + "Language Modules/test.lms", module);
    LoadLanguageModule();
    SearchReplace::State() = SearchReplace::TSearchState();
  }
  void TearDown() override {
    if (TfConfig* screen = TfConfig::Instance()) delete screen;
    SearchReplace::State() = SearchReplace::TSearchState();
    AppFixture::TearDown();
  }
};

TEST_F(Desktop, AboutBoxAndWindowsShowTheProgramsIcon) {
  TfAbout box;
  const QLabel* picture = box.findChild<QLabel*>("Image1");
  ASSERT_NE(picture, nullptr);
  const QImage shown = picture->pixmap().toImage();
  ASSERT_FALSE(shown.isNull());  // an empty square before
  const QImage own = QImage(":/icons/korvex-vantar-64.png").convertToFormat(shown.format());
  ASSERT_FALSE(own.isNull());
  EXPECT_EQ(shown, own);
  EXPECT_FALSE(box.windowIcon().isNull());
  EXPECT_EQ(ProgramIcon().availableSizes().size(), 8);
}

// Help, Support and Donate: the browser set in the options, else the
// desktop's, else the program's own; none of them is said.
TEST_F(Desktop, HelpAndWebLinksFallBackInOrderAndSayAFailure) {
  const QString manual = MakeFile("Help/english.html");
  Ini().WriteString("Help", "Path", manual);
  Ini().WriteString("WEB", "Path", "/opt/browser/run");
  Main().OpenHelp();
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].program, "/opt/browser/run");
  EXPECT_EQ(launcher.calls[0].arguments, QStringList{QUrl::fromLocalFile(manual).toString()});

  launcher.calls.clear();
  launcher.result = false;  // neither the set browser nor the desktop starts
  Main().findChild<QAction*>("Support1")->trigger();
  ASSERT_EQ(launcher.calls.size(), 2);
  EXPECT_EQ(launcher.calls[0].program, "/opt/browser/run");
  EXPECT_EQ(launcher.calls[1].target, TfMain::SupportSite());
  QMdiSubWindow* own = Main().findChild<QMdiSubWindow*>("OwnBrowser");
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(static_cast<TEmbeddedBrowser*>(own->widget())->LocationURL(), QUrl(TfMain::SupportSite()));
  EXPECT_TRUE(prompts.Messages().isEmpty());
  delete own;

  Ini().WriteString("WEB", "Path", "");
  launcher.calls.clear();
  SetBrowserViewFactory([](QWidget*, TBrowserViewHost) { return std::unique_ptr<IBrowserView>(); });
  Main().findChild<QAction*>("MM_DoDon")->trigger();  // silent before
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].target, TfMain::DonateSite());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "NoOpenAddress " + TfMain::DonateSite());
  EXPECT_EQ(prompts.Messages()[0].kind, 2);

  launcher.result = true;  // the desktop's browser alone
  launcher.calls.clear();
  Main().OpenHelp();
  ASSERT_EQ(launcher.calls.size(), 1);
  EXPECT_EQ(launcher.calls[0].target, manual);
}

// Escape, as the X server sends it, closes every dialog from the control
// that has the focus when it opens.
TEST_F(Desktop, EscapeClosesEveryDialog) {
  Main();
  const std::pair<const char*, std::function<QDialog*()>> dialogs[] = {
      {"table", [] { return new TfTable; }},
      {"list", [] { return new TfNumber(true); }},
      {"line", [] { return new TfHorLine; }},
      {"text formatting", [] { return new TfTextFormat; }},
      {"date and time", [] { return new TfDT(QLocale::c(), QDateTime::currentDateTime()); }},
      {"update script", [] { return new TfUpdateScript; }},
      {"form button", [] { return new TfHTMLButton; }},
      {"character", [] { return new TfCharacter([](const QString&) {}); }},
      {"file copy", [] { return new TfFileCopy; }},
      {"delete", [] { return new TfConfdel({"/tmp/a"}); }},
      {"file properties", [] { return new TfFileProperties; }},
      {"find files", [] { return new TFindFilesDialog(QDir::tempPath()); }},
      {"find computer", [] { return new TFindComputerDialog; }},
      {"first time", [] { return new TfFirstTimeSettings; }},
      {"template editor", [this] { return new TfMyDocumentsCreator(root + "MyDocuments/"); }},
      {"update console", [] { return new TfUpdate; }},
      {"about", [] { return new TfAbout; }},
      {"code entry", [] { return new Tcc; }},
      {"print", [] { return new TfPrintdoc; }},
      {"message", [] { return new TfMessageDlg; }},
      {"search", [] { return new TTextSearchDialog; }},
      {"replace", [] { return new TTextReplaceDialog; }},
      {"replace question", [] { return new TConfirmReplaceDialog; }},
      {"document manager", [] { return new TfDocumentManager; }},
      {"prompt", [] { return new TfDosPrompt; }},
      {"folder choice", [] { return new TfSelDir; }},
  };
  for (const auto& [name, make] : dialogs) {
    std::unique_ptr<QDialog> d(make());
    ShowActive(d.get());
    ASSERT_TRUE(d->isVisible()) << name;
    PressKey(d.get(), kEscape);
    EXPECT_FALSE(d->isVisible()) << name;
    EXPECT_EQ(d->result(), QDialog::Rejected) << name;
  }
}

TEST_F(Desktop, EscapeInTheTextFormattingFontBoxCancels) {
  TfTextFormat d;
  ShowActive(&d);
  d.FrFontComboBox1->setFocus();
  const QString font = d.FrFontComboBox1->currentText();
  PressKey(&d, kEscape);  // the font box picked its first font and the dialog stayed
  EXPECT_FALSE(d.isVisible());
  EXPECT_FALSE(d.Ok);
  EXPECT_EQ(d.FrFontComboBox1->currentText(), font);
}

TEST_F(Desktop, EscapeClosesTheOptionsScreen) {
  Main();
  for (int control = 0; control < 2; ++control) {  // a number box, the font box
    TfConfig* screen = TfConfig::Execute();
    ShowActive(screen);
    if (control == 0)
      screen->SpinEdit3->setFocus();
    else
      screen->CBFont->setFocus();
    PressKey(screen, kEscape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(TfConfig::Instance(), nullptr) << control;
  }
}

TEST_F(Desktop, EnterOpensTheSelectedItemInTheDocumentManager) {
  TfDocumentManager manager(&Main());
  ShowActive(&manager);
  manager.FrListView1->setFocus();
  manager.FrListView1->setCurrentItem(manager.FrListView1->topLevelItem(2));  // PHP
  PressKey(&manager, kReturn);
  ASSERT_EQ(Main().Documents().size(), 1);
  EXPECT_EQ(Main().Documents()[0]->Memo1->Lines()[0], Documents::PhpSkeleton(Documents::Now()).value(0))
      << "the PHP skeleton";
  manager.FrListView1->clearSelection();
  PressKey(&manager, kReturn);  // nothing selected: nothing opens
  EXPECT_EQ(Main().Documents().size(), 1);
  EXPECT_TRUE(manager.isVisible());
}

// Ctrl+F, then typing: the last text is replaced, not appended to.
TEST_F(Desktop, SearchAndReplaceBoxesOpenWithTheirTextSelected) {
  TChildForm* doc = Main().OpenDocument(false, true, MakeFile("page.html", "lexslt xslt-config\r\n"));
  ASSERT_NE(doc, nullptr);
  SearchReplace::State().SearchText = "xslt-config";
  SearchReplace::State().ReplaceText = "old";
  QString selectedSearch;
  const auto answer = [&](QDialog& d) {
    ShowActive(&d);
    auto& s = static_cast<TTextSearchDialog&>(d);
    selectedSearch = s.cbSearchText->lineEdit()->selectedText();
    EXPECT_EQ(s.focusWidget(), s.cbSearchText);
    QTest::keyClicks(s.cbSearchText->lineEdit(), "lexslt");
    d.accept();
    return d.result();
  };
  prompts.AnswerDialog("TextSearchDialog", answer);
  prompts.AnswerDialog("TextReplaceDialog", answer);
  doc->ShowSearchDialog(false);
  EXPECT_EQ(selectedSearch, "xslt-config");
  EXPECT_EQ(SearchReplace::State().SearchText, "lexslt");
  EXPECT_TRUE(prompts.Messages().isEmpty());  // found
  EXPECT_EQ(doc->Memo1->SelText(), "lexslt");
  prompts.AnswerDialog("ConfirmReplaceDialog", [](QDialog&) { return 2; });
  doc->ShowSearchDialog(true);
  EXPECT_EQ(selectedSearch, "lexslt");
}

// The whole question window, title bar included, stays off the hit's line.
TEST(ConfirmReplace, PlacementKeepsTheFrameOffTheLine) {
  const QSize dialog(328, 98);
  const QMargins frame(2, 28, 2, 2);  // a title bar
  const QRect editor(0, 0, 800, 600);
  // Low hit: above, the frame's bottom 4 pixels over the line's top.
  const QPoint above = SearchReplace::ConfirmPlacement(editor, 10, 520, 504, dialog, frame);
  EXPECT_EQ(above.y() + frame.top() + dialog.height() + frame.bottom(), 504 - 4);
  // High hit: below the line.
  EXPECT_EQ(SearchReplace::ConfirmPlacement(editor, 10, 120, 104, dialog, frame).y(), 124);
  // The right edge holds for the frame too.
  EXPECT_EQ(SearchReplace::ConfirmPlacement(editor, 700, 120, 104, dialog, frame).x(), 800 - 332);
  // No room above on the screen: below; no room below: above.
  const QRect screen(0, 0, 1024, 600);
  const QRect top(0, 0, 800, 140);
  EXPECT_EQ(SearchReplace::ConfirmPlacement(top, 10, 110, 94, dialog, frame, screen).y(), 114);
  const QRect bottom(0, 500, 800, 100);
  EXPECT_EQ(SearchReplace::ConfirmPlacement(bottom, 10, 530, 514, dialog, frame, screen).y(), 514 - 4 - 128);
}

// The question shows the hit selected and in view, and stands clear of its line.
TEST_F(Desktop, ReplaceQuestionStandsBesideTheSelectedHit) {
  QByteArray text;
  for (int i = 1; i <= 200; ++i) text += (i == 150 ? "the needle here" : "line " + QByteArray::number(i)) + "\r\n";
  TChildForm* doc = Main().OpenDocument(false, true, MakeFile("long.html", text));
  ASSERT_NE(doc, nullptr);
  Main().resize(900, 700);
  QCoreApplication::processEvents();
  SearchReplace::State().SearchText = "needle";
  SearchReplace::State().ReplaceText = "pin";
  bool asked = false;
  prompts.AnswerDialog("ConfirmReplaceDialog", [&](QDialog& d) {
    asked = true;
    TSrcEdit* e = doc->Memo1;
    EXPECT_EQ(e->SelText(), "needle");
    EXPECT_EQ(e->BlockBegin().Y, 150);
    EXPECT_GE(150, e->TopLine());
    EXPECT_LT(150, e->TopLine() + e->LinesInWindow());
    const QPoint hit = e->viewport()->mapToGlobal(e->RowColumnToPixels(e->CharToDisplayPos(TPoint{5, 150})));
    const QRect line(e->viewport()->mapToGlobal(QPoint(0, hit.y())), QSize(e->viewport()->width(), e->LineHeight()));
    d.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(d.frameGeometry().intersects(line)) << d.frameGeometry().y() << " " << line.y();
    return 2;
  });
  doc->DoSearchReplace(true, false);
  EXPECT_TRUE(asked);
}

// F8 on a folder without pictures opens the image browser there and says so.
TEST_F(Desktop, ImageBrowserOnAFolderWithoutPictures) {
  const QString folder = root + "nopics";
  QDir().mkpath(folder);
  WriteFileBytes(folder + "/page.html", "<html></html>");
  Main().EnsureSidePane();
  Main().FileManager->FrDirectoryTree1->OpenPath(folder);  // the file manager shows the folder
  Main().findChild<QAction*>("ImgBrowser")->trigger();
  const auto windows = Main().MDIClient->subWindowList();
  ASSERT_EQ(windows.size(), 1);  // nothing happened before
  auto* browser = qobject_cast<TfImageBrowser*>(windows[0]);
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(browser->StatusBar1->currentMessage(), "ImgNoPictures " + folder);
}

TEST_F(Desktop, OptionsScreenShowsTheTabWidthDocumentsUse) {
  Main();
  const int used = Settings::ReadEditorSettings(Settings::TEditorSettings()).TabWidth;
  EXPECT_EQ(TfConfig::Execute()->SpinEdit3->value(), used);  // showed 8
  delete TfConfig::Instance();
  Ini().WriteInteger("BlockIndent", "Width", 4);
  EXPECT_EQ(TfConfig::Execute()->SpinEdit3->value(), 4);
}

}  // namespace
