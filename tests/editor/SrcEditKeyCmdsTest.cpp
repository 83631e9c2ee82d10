#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "editor/SrcEdit.h"
#include "editor/SrcEditKeyCmds.h"

TEST(KeyCommands, NamesRoundTrip) {
  const auto& names = EditorCommandNames();
  EXPECT_EQ(names.size(), 96u);
  for (const auto& e : names) {
    EXPECT_EQ(EditorCommandToIdent(e.command), QString::fromLatin1(e.name));
    EXPECT_EQ(IdentToEditorCommand(QString::fromLatin1(e.name)), e.command);
  }
  EXPECT_EQ(EditorCommandToIdent(ecSelLeft), QStringLiteral("ecSelLeft"));
  EXPECT_EQ(ecSelLeft, ecLeft + 100);
  EXPECT_EQ(EditorCommandToIdent(ecSetMarker0 + 7), QStringLiteral("ecSetMarker7"));
  EXPECT_EQ(EditorCommandToIdent(777), QStringLiteral("777"));  // outside the table: its number
  EXPECT_EQ(EditorCommandFromString("777"), 777);
  EXPECT_EQ(EditorCommandFromString("ecAutoCompletion"), 650);
  EXPECT_FALSE(IdentToEditorCommand("ecNoSuchThing").has_value());
}

TEST(KeyCommands, DefaultTable) {
  TSrcEditKeyStrokes keys;
  keys.SetDefaults();
  ASSERT_EQ(keys.Count(), 82);
  EXPECT_EQ(keys.Item(0).Command(), ecUp);
  EXPECT_EQ(keys.Item(0).Key(), vk::Up);
  EXPECT_EQ(keys.Item(0).Shift(), 0);
  EXPECT_EQ(keys.Item(81).Command(), ecMatchBracket);
  EXPECT_EQ(keys.Item(81).GetShortCut(), 'B' + scCtrl + scShift);
  for (int i = 0; i < keys.Count(); ++i) EXPECT_EQ(keys.Item(i).Key2(), 0);

  auto command = [&](std::uint16_t key, TShiftState shift) {
    const int i = keys.FindKeycode(key, shift);
    return i < 0 ? -1 : keys.Item(i).Command();
  };
  EXPECT_EQ(command(vk::Back, ssShift), ecDeleteLastChar);
  EXPECT_EQ(command(vk::Return, ssShift), ecLineBreak);
  EXPECT_EQ(command(vk::Back, ssAlt), ecUndo);
  EXPECT_EQ(command(vk::Back, ssAlt | ssShift), ecRedo);
  EXPECT_EQ(command('5', ssCtrl), ecGotoMarker0 + 5);
  EXPECT_EQ(command('5', ssCtrl | ssShift), ecSetMarker0 + 5);
  EXPECT_EQ(command(vk::Insert, ssCtrl), ecCopy);
  EXPECT_EQ(command(vk::Delete, ssShift), ecCut);
  EXPECT_EQ(command(vk::F1, ssCtrl), ecContextHelp);
  EXPECT_EQ(command('Q', ssCtrl), -1);
  // The order of addition after the arrows and pages.
  EXPECT_EQ(keys.Item(30).Command(), ecToggleMode);
  EXPECT_EQ(keys.Item(31).Command(), ecCopy);
  EXPECT_EQ(keys.Item(32).Command(), ecCut);
  EXPECT_EQ(keys.Item(33).Command(), ecPaste);
}

TEST(KeyCommands, DocumentPreset) {
  TSrcEditKeyStrokes keys;
  keys.SetDocumentDefaults();
  ASSERT_EQ(keys.Count(), 81);
  TSrcEditKeyStrokes defaults;
  defaults.SetDefaults();
  const int altBack = defaults.FindKeycode(vk::Back, ssAlt);
  EXPECT_EQ(keys.Item(altBack).Command(), ecUndo);  // at the same place, now on Ctrl+Z
  EXPECT_EQ(keys.Item(altBack).GetShortCut(), 'Z' + scCtrl);
  EXPECT_EQ(keys.FindKeycode(vk::Back, ssAlt), -1);
  EXPECT_EQ(keys.FindKeycode(vk::Back, ssAlt | ssShift), -1);
  // Redo has one key, Ctrl+Shift+Z, at its place in the defaults; Ctrl+Y
  // stays Delete line and Ctrl+Shift+Y Delete to the line's end.
  std::vector<TShortCut> redo;
  for (int i = 0; i < keys.Count(); ++i)
    if (keys.Item(i).Command() == ecRedo) redo.push_back(keys.Item(i).GetShortCut());
  EXPECT_EQ(redo, std::vector<TShortCut>{'Z' + scCtrl + scShift});
  EXPECT_EQ(keys.FindKeycode('Z', ssCtrl | ssShift), defaults.FindKeycode('Z', ssCtrl | ssShift) - 2);
  EXPECT_EQ(keys.Item(keys.FindKeycode('Y', ssCtrl)).Command(), ecDeleteLine);
  EXPECT_EQ(keys.Item(keys.FindKeycode('Y', ssCtrl | ssShift)).Command(), ecDeleteEOL);
  EXPECT_EQ(keys.Item(80).Command(), ecAutoCompletion);
  EXPECT_EQ(keys.Item(80).GetShortCut(), 'J' + scCtrl);
  int ctrlZ = 0;
  for (int i = 0; i < keys.Count(); ++i) ctrlZ += keys.Item(i).GetShortCut() == 'Z' + scCtrl;
  EXPECT_EQ(ctrlZ, 1);
}

TEST(KeyCommands, ShortcutsAndDuplicates) {
  TSrcEditKeyStrokes keys;
  keys.SetDefaults();
  TSrcEditKeyStroke& up = keys.Item(0);
  up.SetShortCut(up.GetShortCut());  // its own value: no error
  try {
    up.SetShortCut(vk::Down);
    FAIL();
  } catch (const ESrcKeyError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Shortcut already exists"));
  }
  EXPECT_EQ(up.Key(), vk::Up);  // kept its keys
  up.SetShortCut(0);
  EXPECT_EQ(up.Key(), 0);

  // A chord differs from the single key; a second chord equal to it clashes.
  TSrcEditKeyStroke& chord = keys.Add();
  chord.SetCommand(ecUserFirst);
  chord.SetShortCut('K' + scCtrl);
  chord.SetShortCut2('B');
  EXPECT_EQ(keys.FindKeycode2('K', ssCtrl, 'B', 0), keys.Count() - 1);
  EXPECT_EQ(keys.FindKeycode('K', ssCtrl), -1);
  TSrcEditKeyStroke& other = keys.Add();
  other.SetShortCut('K' + scCtrl);
  EXPECT_THROW(other.SetShortCut2('B'), ESrcKeyError);
  // A later duplicate is found even when the first match is the keystroke itself.
  TSrcEditKeyStrokes two;
  two.AddKey(ecUp, 'Q', ssCtrl);
  two.AddKey(ecDown, 'Q', ssCtrl);
  EXPECT_THROW(two.Item(0).SetShortCut('Q' + scCtrl), ESrcKeyError);

  TSrcEditKeyStrokes copy(keys);
  ASSERT_EQ(copy.Count(), keys.Count());
  EXPECT_EQ(copy.Item(copy.Count() - 2).GetShortCut2(), 'B');

  std::uint16_t key = 0;
  TShiftState shift = 0;
  ShortCutToKey('A' + scShift + scAlt, key, shift);
  EXPECT_EQ(key, 'A');
  EXPECT_EQ(shift, ssShift | ssAlt);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_PageDown), vk::Next);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_F1), vk::F1);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Backtab), vk::Tab);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_7), '7');
  EXPECT_EQ(QtModifiersToShiftState(Qt::ControlModifier | Qt::KeypadModifier), ssCtrl);
}

namespace {

// A key press as X11 delivers it: Qt's key, the modifiers, the X key code
// (scan code), the keysym (virtual key), the X modifier mask and the text.
struct X11Key {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  quint32 keycode;
  quint32 keysym;
  const char* text;
};

QKeyEvent Press(const X11Key& k) {
  const quint32 mask = (k.modifiers & Qt::ShiftModifier ? 0x1 : 0) | (k.modifiers & Qt::ControlModifier ? 0x4 : 0);
  return QKeyEvent(QEvent::KeyPress, k.key, k.modifiers, k.keycode, k.keysym, mask, QString::fromUtf8(k.text));
}

constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

}  // namespace

TEST(KeyCommands, DigitRowKeysGiveTheirDigitOnAnyLayout) {
  const struct {
    X11Key press;
    std::uint16_t vk;
  } cases[] = {
      // US layout: Shift turns the digits into symbols.
      {{Qt::Key_Exclam, kCtrlShift, 10, 0x21, "!"}, '1'},
      {{Qt::Key_NumberSign, kCtrlShift, 12, 0x23, "#"}, '3'},
      {{Qt::Key_ParenRight, kCtrlShift, 19, 0x29, ")"}, '0'},
      // AZERTY: the digits need Shift; alone the keys give symbols and accented letters.
      {{Qt::Key_Ampersand, kCtrl, 10, 0x26, "&"}, '1'},
      {{Qt::Key_Eacute, kCtrl, 11, 0xE9, "\xC3\xA9"}, '2'},
      {{Qt::Key_QuoteDbl, kCtrl, 12, 0x22, "\""}, '3'},
      {{Qt::Key_Agrave, kCtrl, 19, 0xE0, "\xC3\xA0"}, '0'},
      {{Qt::Key_3, kCtrlShift, 12, 0x33, "3"}, '3'},
      // A digit keysym on a key elsewhere.
      {{Qt::Key_unknown, kCtrl, 0, 0x37, ""}, '7'},
      // Keys with a code of their own keep it; other symbols have none.
      {{Qt::Key_A, kCtrl, 38, 0x61, "a"}, 'A'},
      {{Qt::Key_F1, kCtrl, 67, 0xFFBE, ""}, vk::F1},
      {{Qt::Key_NumberSign, kCtrlShift, 51, 0x23, "#"}, 0},
      {{Qt::Key_NumberSign, kCtrlShift, 0, 0, "#"}, 0},
  };
  for (const auto& c : cases) {
    const QKeyEvent e = Press(c.press);
    EXPECT_EQ(QtKeyToVirtualKey(e), c.vk) << c.press.text << ' ' << c.press.keycode;
  }
}

TEST(KeyCommands, BookmarksFromTheKeyboardAsX11DeliversThem) {
  TSrcEdit e;
  e.SetLines({"one", "two", "three", "four"});
  auto send = [&e](const X11Key& k) {
    QKeyEvent press = Press(k);
    QApplication::sendEvent(&e, &press);
  };
  int x = 0, y = 0;
  // US layout: Ctrl+Shift+3 arrives as "#", Ctrl+Shift+1 as "!".
  e.SetCaretXY({2, 3});
  send({Qt::Key_NumberSign, kCtrlShift, 12, 0x23, "#"});
  ASSERT_TRUE(e.GetBookmark(3, x, y));
  EXPECT_EQ(y, 3);
  e.SetCaretXY({1, 2});
  send({Qt::Key_Exclam, kCtrlShift, 10, 0x21, "!"});
  ASSERT_TRUE(e.GetBookmark(1, x, y));
  EXPECT_EQ(y, 2);
  EXPECT_EQ(e.Lines().ToStringList(), QStringList({"one", "two", "three", "four"}));  // nothing typed
  EXPECT_FALSE(e.Modified());
  // Ctrl+3 goes there.
  e.SetCaretXY({1, 4});
  send({Qt::Key_3, kCtrl, 12, 0x33, "3"});
  EXPECT_EQ(e.CaretY(), 3);

  // AZERTY: Ctrl with the "3" key gives '"', with Shift the digit.
  e.SetCaretXY({1, 4});
  send({Qt::Key_2, kCtrlShift, 11, 0x32, "2"});
  ASSERT_TRUE(e.GetBookmark(2, x, y));
  EXPECT_EQ(y, 4);
  e.SetCaretXY({1, 1});
  send({Qt::Key_QuoteDbl, kCtrl, 12, 0x22, "\""});
  EXPECT_EQ(e.CaretY(), 3);
  send({Qt::Key_Eacute, kCtrl, 11, 0xE9, "\xC3\xA9"});
  EXPECT_EQ(e.CaretY(), 4);
  EXPECT_FALSE(e.Modified());
}
