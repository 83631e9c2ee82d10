// Key codes as the keystroke tables store them: the desktop's virtual-key
// numbers (letters and digits are their upper-case ASCII codes), and the
// shortcut word, which adds 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for
// Alt to the key code. One table turns Qt's keys into these codes.
#pragma once

#include <Qt>
#include <cstdint>

#include "platform/Types.h"

class QKeyEvent;

namespace vk {
inline constexpr std::uint16_t Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18, Pause = 19,
                               Capital = 20, Escape = 27, Space = 32, Prior = 33, Next = 34, End = 35, Home = 36,
                               Left = 37, Up = 38, Right = 39, Down = 40, Insert = 45, Delete = 46, Numpad0 = 96,
                               Multiply = 106, Add = 107, Subtract = 109, Decimal = 110, Divide = 111, F1 = 112,
                               F24 = 135, NumLock = 144, Scroll = 145;
}  // namespace vk

using TShortCut = std::uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// The shortcut word of a key and its modifiers (Shift, Ctrl and Alt only).
TShortCut ShortCut(std::uint16_t key, TShiftState shift);
// Splits a shortcut word into key and modifiers.
void ShortCutToKey(TShortCut shortCut, std::uint16_t& key, TShiftState& shift);

// The virtual key of a Qt key (0 when it has none) and the shift state of
// Qt's modifiers; the keypad modifier is dropped.
std::uint16_t QtKeyToVirtualKey(int qtKey);
// The virtual key of a pressed key, with the platform's own codes of the
// event: a key of the digit row gives its digit whatever the layout and Shift
// make of it ("#" for Shift+3, "&" or an accented letter on AZERTY), since
// the keystroke table means the key, not its character. The digit row is
// known by its X key code (`nativeScanCode`, 10 to 19 for "1" .. "9", "0") or
// by a digit keysym (`nativeVirtualKey`). Keys that have a code of their own
// keep it.
std::uint16_t QtKeyToVirtualKey(int qtKey, std::uint32_t nativeScanCode, std::uint32_t nativeVirtualKey);
std::uint16_t QtKeyToVirtualKey(const QKeyEvent& event);
TShiftState QtModifiersToShiftState(Qt::KeyboardModifiers modifiers);
