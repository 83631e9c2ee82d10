#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>
#include <functional>
#include <string>
#include <vector>

#include "editor/SrcEdit.h"
#include "editor/SrcEditKbdHandler.h"
#include "editor/SrcEditMiscProcs.h"

void PrintTo(const TPoint& p, std::ostream* os);

namespace {

// An editor that counts drag starts instead of running a drag loop.
class InputEdit : public TSrcEdit {
 public:
  InputEdit() {
    SetScrollBars(ssNone);
    resize(300, 10 * 20);
    show();
    QStringList lines;
    for (int i = 1; i <= 200; ++i) lines << QStringLiteral("line %1 with some text").arg(i);
    SetLines(lines);
  }
  int drags = 0;
  // The pixel inside the cell of a text position.
  QPoint At(int column, int line) const {
    return QPoint((column - LeftChar()) * CharWidth() + GutterWidth() + 2 + 1, (line - TopLine()) * LineHeight() + 1);
  }
  void Send(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(pos), viewport()->mapToGlobal(QPointF(pos)), button, buttons, mods);
    QApplication::sendEvent(viewport(), &e);
  }
  void Click(QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Send(QEvent::MouseButtonPress, pos, Qt::LeftButton, mods);
    Send(QEvent::MouseButtonRelease, pos, Qt::NoButton, mods);
  }
  void Wheel(int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWheelEvent e(QPointF(10, 10), viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport(), &e);
  }

 protected:
  void StartSelectionDrag() override { ++drags; }
};

TEST(SrcEditMouse, ShiftClickExtendsFromTheAnchor) {
  InputEdit e;
  e.Click(e.At(3, 1));
  EXPECT_EQ(e.CaretXY(), (TPoint{3, 1}));
  e.Click(e.At(6, 2), Qt::ShiftModifier);
  EXPECT_EQ(e.BlockBegin(), (TPoint{3, 1}));
  EXPECT_EQ(e.BlockEnd(), (TPoint{6, 2}));
  e.Click(e.At(2, 1), Qt::ShiftModifier);
  EXPECT_EQ(e.BlockBegin(), (TPoint{2, 1}));
  EXPECT_EQ(e.BlockEnd(), (TPoint{3, 1}));
  e.Click(e.At(4, 3));
  EXPECT_FALSE(e.SelAvail());
}

TEST(SrcEditMouse, ClickInsideTheSelectionCollapsesIt) {
  InputEdit e;
  e.SetBlockBegin(TPoint{2, 1});
  e.SetBlockEnd(TPoint{10, 1});
  e.Click(e.At(5, 1));
  EXPECT_FALSE(e.SelAvail());
  EXPECT_EQ(e.CaretXY(), (TPoint{5, 1}));
  EXPECT_EQ(e.drags, 0);
}

TEST(SrcEditMouse, MovingPastTheDragDistanceStartsADrag) {
  InputEdit e;
  e.SetBlockBegin(TPoint{2, 1});
  e.SetBlockEnd(TPoint{10, 1});
  const QPoint press = e.At(5, 1);
  const int distance = QApplication::startDragDistance();
  e.Send(QEvent::MouseButtonPress, press, Qt::LeftButton);
  e.Send(QEvent::MouseMove, press + QPoint(distance - 1, 0), Qt::LeftButton);
  EXPECT_EQ(e.drags, 0);
  e.Send(QEvent::MouseMove, press + QPoint(distance, 0), Qt::LeftButton);
  EXPECT_EQ(e.drags, 1);
  e.Send(QEvent::MouseButtonRelease, press + QPoint(distance, 0), Qt::NoButton);
  EXPECT_TRUE(e.SelAvail());  // the selection stays for the drag
}

TEST(SrcEditMouse, DraggingBelowTheTextScrolls) {
  InputEdit e;
  const int lh = e.LineHeight();
  const QPoint start = e.At(2, 2);
  e.Send(QEvent::MouseButtonPress, start, Qt::LeftButton);
  // One and a half line heights below the last whole line.
  const QPoint below(start.x(), e.LinesInWindow() * lh + lh + lh / 2);
  e.Send(QEvent::MouseMove, below, Qt::LeftButton);
  EXPECT_EQ(e.ScrollDeltaY(), 2);
  EXPECT_EQ(e.ScrollDeltaX(), 0);
  e.ScrollTimerTick();
  EXPECT_EQ(e.TopLine(), 3);
  EXPECT_EQ(e.CaretY(), 3 + e.LinesInWindow() - 1);
  EXPECT_EQ(e.BlockBegin(), (TPoint{2, 2}));
  EXPECT_EQ(e.BlockEnd(), e.CaretXY());
  e.Send(QEvent::MouseMove, below, Qt::LeftButton, Qt::ShiftModifier);
  e.ScrollTimerTick();
  EXPECT_EQ(e.TopLine(), 3 + 2 * e.LinesInWindow());
  e.Send(QEvent::MouseButtonRelease, below, Qt::NoButton);
  EXPECT_EQ(e.ScrollDeltaY(), 0);
  // Above the text the step goes up.
  e.Click(e.At(1, e.TopLine()));
  e.Send(QEvent::MouseButtonPress, e.At(2, e.TopLine() + 1), Qt::LeftButton);
  e.Send(QEvent::MouseMove, QPoint(start.x(), -lh / 2), Qt::LeftButton);
  EXPECT_EQ(e.ScrollDeltaY(), -1);
  e.Send(QEvent::MouseButtonRelease, QPoint(start.x(), -lh / 2), Qt::NoButton);
}

// A window of 44 columns (and half a column more) over lines of tabs
// plus text and lines of 300 characters.
class NarrowEdit : public InputEdit {
 public:
  NarrowEdit() {
    SetLines({QString(20, u'\t') + QStringLiteral("tabbed"),
              QString(156, u'x') + QStringLiteral("needle") + QString(138, u'y'),
              QString(12, u'\t') + QStringLiteral("a needle"), QString(300, u'z')});
    const int frame = width() - viewport()->width();
    resize(frame + GutterWidth() + 2 + 44 * CharWidth() + CharWidth() / 2, height());
  }
  // The caret's pixel lies in the text area of the viewport.
  bool CaretOnScreen() const {
    const QPoint p = RowColumnToPixels(CaretXY());
    return p.x() >= GutterWidth() + 2 && p.x() < viewport()->width() && p.y() >= 0 &&
           p.y() + LineHeight() <= viewport()->height();
  }
};

TEST(SrcEditScroll, TheCaretStaysOnScreen) {
  struct Case {
    const char* name;
    std::function<void(NarrowEdit&)> act;
    TPoint caret;
  };
  const Case cases[] = {
      {"End on a line of tabs", [](NarrowEdit& e) { e.ProcessCommand(ecLineEnd, QChar()); }, {27, 1}},
      {"End on a long line",
       [](NarrowEdit& e) {
         e.SetCaretXY(TPoint{1, 4});
         e.ProcessCommand(ecLineEnd, QChar());
       },
       {301, 4}},
      {"typing after tabs",
       [](NarrowEdit& e) {
         e.SetCaretXYEx(false, TPoint{21, 1});
         e.ProcessCommand(ecChar, u'q');
       },
       {22, 1}},
      {"typing at the end of a long line",
       [](NarrowEdit& e) {
         e.SetCaretXYEx(false, TPoint{301, 4});
         e.ProcessCommand(ecChar, u'q');
       },
       {302, 4}},
      {"search in a long line", [](NarrowEdit& e) { e.SearchReplace("needle", "", 0); }, {163, 2}},
      {"search after tabs",
       [](NarrowEdit& e) {
         e.SetCaretXY(TPoint{1, 3});
         e.SearchReplace("needle", "", 0);
       },
       {21, 3}},
      {"replace question",
       [](NarrowEdit& e) {
         e.OnReplaceText = [&e](TObject*, const QString&, const QString&, int, int, TSrcReplaceAction& action) {
           EXPECT_TRUE(e.CaretOnScreen());
           action = raSkip;
         };
         e.SearchReplace("needle", "pin", ssoReplace | ssoPrompt);
       },
       {163, 2}},
      {"a host inserting many lines at the end of a long line",
       [](NarrowEdit& e) {
         e.SetCaretXY(TPoint{301, 4});
         e.SetSelText(QStringLiteral("<tr>\r\n").repeated(100));
       },
       {1, 104}},
      {"bookmark after tabs",
       [](NarrowEdit& e) {
         e.SetBookmark(1, 25, 1);
         e.GotoBookmark(1);
       },
       {25, 1}},
      {"bookmark in a long line",
       [](NarrowEdit& e) {
         e.SetBookmark(2, 250, 4);
         e.SetCaretXY(TPoint{1, 1});
         e.GotoBookmark(2);
       },
       {250, 4}},
      {"drag to the right on a line of tabs",
       [](NarrowEdit& e) {
         e.Send(QEvent::MouseButtonPress, e.At(2, 1), Qt::LeftButton);
         e.Send(QEvent::MouseMove, QPoint(e.viewport()->width() + e.CharWidth(), 2), Qt::LeftButton);
         ASSERT_GT(e.ScrollDeltaX(), 0);
         e.ScrollTimerTick();
         e.Send(QEvent::MouseButtonRelease, QPoint(e.viewport()->width() + e.CharWidth(), 2), Qt::NoButton);
       },
       {6, 1}},
      {"drag to the left on a line of tabs",
       [](NarrowEdit& e) {
         e.SetLeftChar(11);
         e.Send(QEvent::MouseButtonPress, e.At(20, 1), Qt::LeftButton);
         e.Send(QEvent::MouseMove, QPoint(e.GutterWidth() - 1, 2), Qt::LeftButton);
         ASSERT_EQ(e.ScrollDeltaX(), -1);
         e.ScrollTimerTick();
         e.Send(QEvent::MouseButtonRelease, QPoint(e.GutterWidth() - 1, 2), Qt::NoButton);
       },
       {3, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NarrowEdit e;
    e.setFocus();
    ASSERT_EQ(e.CharsInWindow(), 44);
    c.act(e);
    EXPECT_EQ(e.CaretXY(), c.caret);
    EXPECT_TRUE(e.CaretOnScreen()) << "LeftChar " << e.LeftChar();
  }
}

TEST(SrcEditScroll, ALineWithoutRoomPastItsEndStillShowsTheCaretAtItsEnd) {
  NarrowEdit e;
  e.SetOptions(e.Options() & ~eoScrollPastEol);
  e.resize(e.width() - e.CharWidth() / 2, e.height());  // exactly 44 columns
  e.SetCaretXY(TPoint{301, 4});
  EXPECT_TRUE(e.CaretOnScreen()) << "LeftChar " << e.LeftChar();
  EXPECT_EQ(e.horizontalScrollBar()->maximum(), 301 - 44 + 1);
}

TEST(SrcEditMouse, TheCursorFollowsTheMouseWithoutAButton) {
  InputEdit e;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&e));
  e.Gutter().SetCursor(Qt::PointingHandCursor);
  QTest::mouseMove(e.viewport(), QPoint(2, 5));
  EXPECT_EQ(e.viewport()->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseMove(e.viewport(), e.At(3, 2));
  EXPECT_EQ(e.viewport()->cursor().shape(), Qt::IBeamCursor);
}

TEST(SrcEditMouse, DoubleClickSelectsTheWord) {
  InputEdit e;
  const QPoint p = e.At(3, 4);
  e.Send(QEvent::MouseButtonPress, p, Qt::LeftButton);
  e.Send(QEvent::MouseButtonRelease, p, Qt::NoButton);
  e.Send(QEvent::MouseButtonDblClick, p, Qt::LeftButton);
  e.Send(QEvent::MouseButtonRelease, p, Qt::NoButton);
  EXPECT_EQ(e.SelText(), "line");
  EXPECT_EQ(e.CaretXY(), (TPoint{5, 4}));
}

TEST(SrcEditMouse, PixelsToColumnRoundsHalvesAway) {
  InputEdit e;
  const int cw = e.CharWidth(), left = e.GutterWidth() + 2;
  EXPECT_EQ(e.PixelsToRowColumn(QPoint(left, 0)), (TPoint{1, 1}));
  EXPECT_EQ(e.PixelsToRowColumn(QPoint(left + cw / 2 + cw % 2, 0)).X, 2);
  EXPECT_EQ(e.PixelsToRowColumn(QPoint(left + 3 * cw - 1, 2 * e.LineHeight())), (TPoint{4, 3}));
  // Below the last whole visible line counts as that line.
  EXPECT_EQ(e.PixelsToRowColumn(QPoint(left, 5000)).Y, e.LinesInWindow());
  e.SetLines({"\tx"});
  e.SetTabWidth(4);
  EXPECT_EQ(e.PixelsToRowColumn(QPoint(left + 2 * cw + 1, 0)).X, 1);  // inside the TAB
  EXPECT_EQ(e.PixelsToRowColumn(QPoint(left + 4 * cw + 1, 0)).X, 2);
  EXPECT_EQ(e.RowColumnToPixels(TPoint{2, 1}).x(), 4 * cw + e.TextOffset());
}

TEST(SrcEditWheel, DeltasGatherToWholeNotches) {
  InputEdit e;
  e.SetTopLine(50);
  const int step = QApplication::wheelScrollLines();
  e.Wheel(-60);
  EXPECT_EQ(e.TopLine(), 50);
  e.Wheel(-60);
  EXPECT_EQ(e.TopLine(), 50 + step);
  e.Wheel(120);
  EXPECT_EQ(e.TopLine(), 50);
  e.Wheel(120, Qt::ControlModifier);
  EXPECT_EQ(e.TopLine(), 50 - e.LinesInWindow());
  e.SetOptions(e.Options() | eoHalfPageScroll);
  e.Wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(e.TopLine(), 50 - e.LinesInWindow() + e.LinesInWindow() / 2);
}

TEST(SrcEditScroll, HintTexts) {
  InputEdit e;
  e.SetTopLine(7);
  EXPECT_EQ(e.ScrollHintText(), "Top Line: 7");
  e.SetScrollHintFormat(shfTopToBottom);
  EXPECT_EQ(e.ScrollHintText(), QStringLiteral("7 - %1").arg(7 + e.LinesInWindow() - 1));
}

TEST(SrcEditDrop, FileNamesKeepTheirFullLength) {
  InputEdit e;
  QStringList got;
  e.OnDropFiles = [&](TObject*, int, int, const QStringList& files) { got = files; };
  const QString longName = QStringLiteral("/tmp/") + QString(300, QLatin1Char('d')) + QStringLiteral("/file.html");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(longName), QUrl(QStringLiteral("https://example.invalid/x"))});
  auto dropIt = [&] {
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(e.viewport(), &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(e.viewport(), &drop);
  };
  dropIt();
  EXPECT_TRUE(got.isEmpty());  // not accepted without eoDropFiles
  e.SetOptions(e.Options() | eoDropFiles);
  dropIt();
  EXPECT_EQ(got, QStringList{longName});
}

TEST(SrcEditGutter, ClickFindsTheMark) {
  InputEdit e;
  int clickedLine = 0;
  TSrcEditMark* clicked = nullptr;
  e.OnGutterClick = [&](TObject*, int, int, int line, TSrcEditMark* mark) {
    clickedLine = line;
    clicked = mark;
  };
  auto* first = new TSrcEditMark(&e);
  first->SetLine(2);
  e.Marks().Add(first);
  auto* second = new TSrcEditMark(&e);
  second->SetLine(2);
  e.Marks().Add(second);
  const int y = e.LineHeight() + 2;
  const int margin = e.BookMarkOptions().LeftMargin(), step = e.BookMarkOptions().Xoffset();
  e.Click(QPoint(margin + step + 1, y));
  EXPECT_EQ(clickedLine, 2);
  EXPECT_EQ(clicked, second);
  e.Click(QPoint(margin + 2 * step + 1, y));
  EXPECT_EQ(clicked, nullptr);
}

}  // namespace

namespace {

TEST(SrcEditMouse, AClickOnAWideCharacterPutsTheCaretBeforeOrAfterIt) {
  InputEdit e;
  e.SetLines({QStringLiteral("\u4E2D\u6587x"), QStringLiteral("\U00020000y")});  // 中文x, 𠀀y
  const int cw = e.CharWidth(), left = e.GutterWidth() + 2, mid = e.LineHeight() / 2;
  const struct {
    int x, line;  // pixels from the text's left side; line
    int column;
  } cases[] = {
      {1, 1, 1},                    // left half of 中
      {cw - 1, 1, 1},               // left half, next to the middle
      {cw + 1, 1, 2},               // right half, next to the middle
      {2 * cw - 1, 1, 2},           // right half, next to 文
      {3 * cw + 1, 1, 3},           // right half of 文
      {4 * cw + cw / 2 + 1, 1, 4},  // right half of x: after the line
      {cw - 1, 2, 1},               // left half of the pair
      {cw + 1, 2, 3},               // right half of the pair: after both halves
  };
  for (const auto& c : cases) {
    e.Click(QPoint(left + c.x, (c.line - 1) * e.LineHeight() + mid));
    EXPECT_EQ(e.CaretXY(), (TPoint{c.column, c.line})) << c.x;
    EXPECT_EQ(e.PixelsToRowColumn(QPoint(left + c.x, (c.line - 1) * e.LineHeight())), (TPoint{c.column, c.line}));
  }
  e.SetCaretXY({3, 1});
  EXPECT_EQ(e.RowColumnToPixels(e.CaretXY()).x(), 4 * cw + e.TextOffset());
}

TEST(SrcEditScroll, WideCharactersScrollByTheirCells) {
  NarrowEdit e;
  const QString wide = QString(100, QChar(0x4E2D));
  e.SetLines({wide, "ab"});
  e.SetCaretXY({1, 1});
  e.ProcessCommand(ecLineEnd, QChar());
  EXPECT_EQ(e.CaretXY(), (TPoint{101, 1}));
  EXPECT_EQ(e.LeftChar(), 201 - e.CharsInWindow() + 1);
  EXPECT_TRUE(e.CaretOnScreen());
  e.ProcessCommand(ecLineStart, QChar());
  EXPECT_EQ(e.LeftChar(), 1);
  e.SetOptions(e.Options() & ~eoScrollPastEol);  // the view goes as far as the widest line
  e.SetLeftChar(1000);
  EXPECT_EQ(e.LeftChar(), 201 - e.CharsInWindow() + 1);
}

TEST(SrcEditCaretShape, FollowsModeAndPosition) {
  InputEdit e;
  e.activateWindow();
  e.setFocus();
  QCoreApplication::processEvents();
  if (!e.hasFocus()) GTEST_SKIP() << "the platform gives no focus";
  e.SetCaretXY(TPoint{3, 2});
  const int cw = e.CharWidth(), lh = e.LineHeight();
  const QPoint cell(2 * cw + e.TextOffset(), lh);
  EXPECT_EQ(e.CaretRect(), QRect(cell.x() - 1, cell.y() + 1, 2, lh - 2));
  e.SetInsertMode(false);
  EXPECT_EQ(e.CaretRect(), QRect(cell.x(), cell.y() + 1, cw, lh - 2));
  e.SetOverwriteCaret(ctHorizontalLine);
  EXPECT_EQ(e.CaretRect(), QRect(cell.x(), cell.y() + lh - 1, cw, 2));
  // On a wide character a cell-shaped caret covers both its cells.
  e.SetLines({QStringLiteral("a\u4E2Db"), "x"});
  e.SetCaretXY(TPoint{2, 1});
  EXPECT_EQ(e.CaretRect(), QRect(cw + e.TextOffset(), lh - 1, 2 * cw, 2));
  e.SetLines(QStringList(200, QStringLiteral("line")));
  e.SetCaretXY(TPoint{3, 2});
  e.SetOptions(e.Options() | eoNoCaret);
  EXPECT_TRUE(e.CaretRect().isEmpty());
  e.SetOptions(e.Options() & ~eoNoCaret);
  e.SetTopLine(3);  // the caret line scrolled out of view
  EXPECT_TRUE(e.CaretRect().isEmpty());
}

}  // namespace

namespace {

TEST(SrcEditScroll, BarsMoveTheView) {
  InputEdit e;
  e.SetScrollBars(ssBoth);
  QScrollBar* v = e.verticalScrollBar();
  v->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(e.TopLine(), 1 + e.LinesInWindow());
  e.SetOptions(e.Options() | eoScrollByOneLess);
  v->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(e.TopLine(), 2 * e.LinesInWindow());
  v->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(e.TopLine(), 1);
  e.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(e.LeftChar(), 2);
}

}  // namespace

namespace {

TEST(SrcEditKeys, CharactersAndCommandKeys) {
  InputEdit e;
  e.SetLines({"abc"});
  e.SetCaretXY(TPoint{2, 1});
  QTest::keyClicks(&e, QStringLiteral("xy"));
  EXPECT_EQ(e.LineText(), "axybc");
  QTest::keyClick(&e, Qt::Key_End);
  EXPECT_EQ(e.CaretXY(), (TPoint{6, 1}));
  // A key that produced a command types no character of its own.
  e.Keystrokes().AddKey(ecLineStart, 'Q', 0);
  QTest::keyClick(&e, Qt::Key_Q, Qt::NoModifier);
  EXPECT_EQ(e.LineText(), "axybc");
  EXPECT_EQ(e.CaretXY(), (TPoint{1, 1}));
  // A key-down handler that takes the key stops the command.
  struct Eater {
    void KeyDown(TObject*, std::uint16_t& key, TShiftState) { key = 0; }
  } eater;
  e.KbdHandler().AddKeyDownHandler(TKeyEvent::Bind<&Eater::KeyDown>(&eater));
  QTest::keyClick(&e, Qt::Key_End);
  EXPECT_EQ(e.CaretXY(), (TPoint{1, 1}));
}

TEST(SrcEditKeys, ShortcutsNobodyTookTypeNothing) {
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    const char* line;
  };
  const Case cases[] = {
      {Qt::Key_Q, Qt::AltModifier, "q", "abc"},
      {Qt::Key_Minus, Qt::ControlModifier, "-", "abc"},
      {Qt::Key_Q, Qt::AltModifier | Qt::ShiftModifier, "Q", "abc"},
      {Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, "@", "@abc"},  // AltGr
      {Qt::Key_Q, Qt::ShiftModifier, "Q", "Qabc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString() + " " + std::to_string(int(c.modifiers)));
    InputEdit e;
    e.SetLines({"abc"});
    QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, c.text);
    QApplication::sendEvent(&e, &press);
    EXPECT_EQ(e.LineText(), c.line);
  }
}

// Shift with a movement key, as X11 delivers it: the X key code, the keysym
// and the Shift bit of the modifier mask, no text.
struct ShiftedKey {
  Qt::Key key;
  quint32 keycode, keysym;
};
constexpr ShiftedKey kShiftUp{Qt::Key_Up, 111, 0xFF52}, kShiftDown{Qt::Key_Down, 116, 0xFF54},
    kShiftLeft{Qt::Key_Left, 113, 0xFF51}, kShiftRight{Qt::Key_Right, 114, 0xFF53},
    kShiftHome{Qt::Key_Home, 110, 0xFF50}, kShiftEnd{Qt::Key_End, 115, 0xFF57},
    kShiftPageDown{Qt::Key_PageDown, 117, 0xFF56};

void Press(QWidget* w, const ShiftedKey& k) {
  QKeyEvent press(QEvent::KeyPress, k.key, Qt::ShiftModifier, k.keycode, k.keysym, 0x1, QString());
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, k.key, Qt::ShiftModifier, k.keycode, k.keysym, 0x1, QString());
  QApplication::sendEvent(w, &release);
}

// While keys extend a selection its anchor stays where it began, also when
// the block has no width for a while (a column block after up and down).
TEST(SrcEditKeys, ShiftedMovesKeepTheAnchorInEveryMode) {
  const int page = InputEdit().LinesInWindow();
  const struct {
    const char* name;
    TPoint start;
    std::vector<ShiftedKey> keys;
    TPoint end;
  } cases[] = {
      {"down down right", {3, 1}, {kShiftDown, kShiftDown, kShiftRight}, {4, 3}},
      {"down down left", {3, 1}, {kShiftDown, kShiftDown, kShiftLeft}, {2, 3}},
      {"down down home", {3, 1}, {kShiftDown, kShiftDown, kShiftHome}, {1, 3}},
      {"down down end", {3, 1}, {kShiftDown, kShiftDown, kShiftEnd}, {22, 3}},
      {"down right left down", {3, 1}, {kShiftDown, kShiftRight, kShiftLeft, kShiftDown}, {3, 3}},
      {"up up right", {3, 5}, {kShiftUp, kShiftUp, kShiftRight}, {4, 3}},
      {"page down right", {3, 1}, {kShiftPageDown, kShiftRight}, {4, 1 + page}},
  };
  for (const TSrcSelectionMode mode : {smNormal, smLine, smColumn}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " in mode " + std::to_string(int(mode)));
      InputEdit e;
      e.SetSelectionMode(mode);
      e.SetCaretXY(c.start);
      e.SetBlockBegin(c.start);
      for (const ShiftedKey& k : c.keys) Press(&e, k);
      EXPECT_EQ(e.CaretXY(), c.end);
      EXPECT_EQ(e.BlockBegin(), EarlierPoint(c.start, c.end));
      EXPECT_EQ(e.BlockEnd(), LaterPoint(c.start, c.end));
    }
  }
}

TEST(SrcEditKeys, AColumnBlockMadeWithKeysHoldsItsColumn) {
  InputEdit e;
  e.SetSelectionMode(smColumn);
  e.SetCaretXY(TPoint{3, 1});
  for (const ShiftedKey& k : {kShiftDown, kShiftDown, kShiftRight}) Press(&e, k);
  EXPECT_EQ(e.BlockBegin(), (TPoint{3, 1}));
  EXPECT_EQ(e.BlockEnd(), (TPoint{4, 3}));
  EXPECT_EQ(e.SelText(), QStringLiteral("n\r\nn\r\nn"));  // "line 1", "line 2", "line 3"
}

TEST(SrcEditKeys, InputMethodTextSwallowsNothing) {
  InputEdit e;
  e.SetLines({""});
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("\u65e5\u672c"));
  QApplication::sendEvent(&e, &commit);
  QTest::keyClicks(&e, QStringLiteral("ab"));
  EXPECT_EQ(e.LineText(), QStringLiteral("\u65e5\u672cab"));
  e.Undo();
  e.Undo();
  EXPECT_EQ(e.LineText(), QString());
}

}  // namespace

namespace {

TEST(SrcEditScroll, BarsStayUnlessTheyMayHide) {
  TSrcEdit e;
  e.SetLines({"short"});
  e.SetOptions(e.Options() & ~eoScrollPastEol);
  EXPECT_EQ(e.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_FALSE(e.verticalScrollBar()->isEnabled());  // nothing to scroll
  e.SetOptions(e.Options() | eoHideShowScrollbars);
  EXPECT_EQ(e.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  e.SetScrollBars(ssHorizontal);
  EXPECT_EQ(e.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

}  // namespace
