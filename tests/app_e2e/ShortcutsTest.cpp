// The main window's keys as a person presses them on a real X display, with
// the caret in the editor of a page given on the command line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/shell/Frame.h"
#include "app/shell/StartUp.h"
#include "highlighters/SrcHighlighters.h"
#include "platform/ProgramFolder.h"
#include "tests/common/TestUtil.h"

#ifdef KV_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {
// A program folder of the test's own with a one-key language module, no
// question before closing a document, and a page in it; returns the page.
QString PrepareProgramFolder(const QTemporaryDir& dir, const QByteArray& text) {
  const QString root = dir.path() + u'/';
  SetProgramFolder(root);
  QDir(root).mkpath("Language Modules");
  WriteFileBytes(root + "Language Modules/english.lms", "ExitMsg             ExitMsg\r\n");
  Settings::Open().WriteString("TranslationModule", "Path", root + "Language Modules/english.lms");
  Settings::Open().WriteBool("Ask", "ToSave?", false);
  WriteFileBytes(root + "page.html", text);
  return root + "page.html";
}
}  // namespace

TEST(Shortcuts, MainWindowKeysWinOverTheEditor) {
  QTemporaryDir dir;
  const QByteArray text = "<html>\n<body>\nword one\n</body>\n</html>\n";
  const QString page = PrepareProgramFolder(dir, text);

  TScriptedPrompts prompts;
  TPromptsScope scope(prompts);
  prompts.Answer("ExitMsg", 6);
  std::unique_ptr<TfMain> main(StartUp({page}));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  main->activateWindow();  // no window manager hands out the focus here
  ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
  const auto windows = [&main] { return main->MDIClient->subWindowList().size(); };
  const auto press = [](const char* keys) {
    const QKeyCombination k = QKeySequence(QLatin1String(keys))[0];
    QTest::keyClick(QApplication::focusWidget(), k.key(), k.keyboardModifiers());
    QCoreApplication::processEvents();
  };
  TChildForm* doc = main->ActiveDocument();
  ASSERT_NE(doc, nullptr);
  doc->Memo1->SetCaretXY({5, 3});
  ASSERT_EQ(QApplication::focusWidget(), doc->Memo1);

  press("Ctrl+T");  // inserting a table is not there yet: the key does nothing
  EXPECT_FALSE(doc->Modified);
  press("Ctrl+L");  // the desktop's key for left alignment wraps, as Ctrl+Alt+L does
  EXPECT_EQ(doc->Memo1->Lines()[2], QStringLiteral("word<div align=\"left\"></div> one"));
  press("Ctrl+N");  // a new document, not a line split
  EXPECT_EQ(windows(), 2);
  EXPECT_EQ(doc->Memo1->Lines().Count(), 5);
  press("Ctrl+Shift+W");  // close all
  EXPECT_EQ(windows(), 0);

  EXPECT_TRUE(main->close());
  main.reset();
  SetProgramFolder(QString());
}

#ifdef KV_HAVE_XCB
namespace {

// Presses and releases the key of X key code `keycode` with the X modifier
// mask `state` in the window that has the focus, as the X server delivers
// keys (Qt reads a sent event with the modifiers it carries).
// Notes the release of a key by its X key code.
class ReleaseWatch : public QObject {
 public:
  explicit ReleaseWatch(std::uint8_t keycode) : keycode_(keycode) { qApp->installEventFilter(this); }
  ~ReleaseWatch() override { qApp->removeEventFilter(this); }
  bool seen = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->nativeScanCode() == keycode_)
      seen = true;
    return QObject::eventFilter(watched, event);
  }

 private:
  std::uint8_t keycode_;
};

void PressXKey(QWidget* window, std::uint8_t keycode, std::uint16_t state) {
  ReleaseWatch released(keycode);
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  ASSERT_NE(x11, nullptr);
  xcb_connection_t* connection = x11->connection();
  const auto target = static_cast<xcb_window_t>(window->winId());
  for (const std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
    xcb_key_press_event_t event{};
    event.response_type = type;
    event.detail = keycode;
    event.time = XCB_CURRENT_TIME;
    event.event = target;
    event.child = XCB_NONE;
    event.same_screen = 1;
    event.state = state;
    xcb_send_event(connection, 0, target, type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE,
                   reinterpret_cast<const char*>(&event));
  }
  xcb_flush(connection);
  // The events come back through the server: the press has been handled once
  // the release arrives.
  ASSERT_TRUE(QTest::qWaitFor([&released] { return released.seen; }, 10000));
}

}  // namespace

TEST(Shortcuts, BookmarkKeysOfTheDigitRow) {
  QTemporaryDir dir;
  const QString page = PrepareProgramFolder(dir, "<html>\n<body>\nword one\n</body>\n</html>\n");

  TScriptedPrompts prompts;
  TPromptsScope scope(prompts);
  prompts.Answer("ExitMsg", 6);
  std::unique_ptr<TfMain> main(StartUp({page}));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
  TChildForm* doc = main->ActiveDocument();
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(QApplication::focusWidget(), doc->Memo1);
  constexpr std::uint16_t shift = XCB_MOD_MASK_SHIFT, ctrl = XCB_MOD_MASK_CONTROL;
  constexpr std::uint8_t key1 = 10, key3 = 12;  // the "1" and "3" keys of the digit row

  // Ctrl+Shift+1 and Ctrl+Shift+3 ("!" and "#" on this layout) set bookmarks.
  doc->Memo1->SetCaretXY({3, 3});
  PressXKey(main.get(), key1, ctrl | shift);
  doc->Memo1->SetCaretXY({2, 5});
  PressXKey(main.get(), key3, ctrl | shift);
  int x = 0, y = 0;
  ASSERT_TRUE(doc->Memo1->GetBookmark(1, x, y));
  EXPECT_EQ(y, 3);
  ASSERT_TRUE(doc->Memo1->GetBookmark(3, x, y));
  EXPECT_EQ(y, 5);
  EXPECT_FALSE(doc->Modified);  // no "!" or "#" typed
  // Ctrl+1 and Ctrl+3 go there.
  doc->Memo1->SetCaretXY({1, 1});
  PressXKey(main.get(), key1, ctrl);
  EXPECT_EQ(doc->Memo1->CaretY(), 3);
  PressXKey(main.get(), key3, ctrl);
  EXPECT_EQ(doc->Memo1->CaretY(), 5);
  EXPECT_FALSE(doc->Modified);

  EXPECT_TRUE(main->close());
  main.reset();
  SetProgramFolder(QString());
}
#endif

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  RegisterBuiltinHighlighters();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
