#include "editor/SrcEditKeyCmds.h"

#include <gtest/gtest.h>

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
  ASSERT_EQ(keys.Count(), 80);
  TSrcEditKeyStrokes defaults;
  defaults.SetDefaults();
  const int altBack = defaults.FindKeycode(vk::Back, ssAlt);
  EXPECT_EQ(keys.Item(altBack).Command(), ecUndo);  // at the same place, now on Ctrl+Z
  EXPECT_EQ(keys.Item(altBack).GetShortCut(), 'Z' + scCtrl);
  EXPECT_EQ(keys.FindKeycode(vk::Back, ssAlt), -1);
  EXPECT_EQ(keys.FindKeycode(vk::Back, ssAlt | ssShift), -1);
  EXPECT_EQ(keys.FindKeycode('Z', ssCtrl | ssShift), -1);
  for (int i = 0; i < keys.Count(); ++i) EXPECT_NE(keys.Item(i).Command(), ecRedo);
  EXPECT_EQ(keys.Item(79).Command(), ecAutoCompletion);
  EXPECT_EQ(keys.Item(79).GetShortCut(), 'J' + scCtrl);
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
