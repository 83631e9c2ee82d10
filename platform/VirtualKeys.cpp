#include "platform/VirtualKeys.h"

#include <QKeyEvent>

namespace {

// X key codes (the kernel's key numbers plus 8) of the digit row: "1" to "9"
// are 10 to 18, "0" is 19. Every X server with the usual key-code set and
// Wayland's compositors report these.
constexpr std::uint32_t kDigitRowFirst = 10, kDigitRowZero = 19;
// The keysyms of the digits are their ASCII codes.
constexpr std::uint32_t kKeysym0 = 0x30, kKeysym9 = 0x39;

}  // namespace

TShortCut ShortCut(std::uint16_t key, TShiftState shift) {
  TShortCut sc = key & 0x1FFF;
  if (shift & ssShift) sc |= scShift;
  if (shift & ssCtrl) sc |= scCtrl;
  if (shift & ssAlt) sc |= scAlt;
  return sc;
}

void ShortCutToKey(TShortCut shortCut, std::uint16_t& key, TShiftState& shift) {
  key = shortCut & 0x1FFF;
  shift = 0;
  if (shortCut & scShift) shift |= ssShift;
  if (shortCut & scCtrl) shift |= ssCtrl;
  if (shortCut & scAlt) shift |= ssAlt;
}

std::uint16_t QtKeyToVirtualKey(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return static_cast<std::uint16_t>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return static_cast<std::uint16_t>(vk::F1 + (qtKey - Qt::Key_F1));
  switch (qtKey) {
    case Qt::Key_Backspace:
      return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vk::Return;
    case Qt::Key_Shift:
      return vk::Shift;
    case Qt::Key_Control:
      return vk::Control;
    case Qt::Key_Alt:
      return vk::Menu;
    case Qt::Key_Pause:
      return vk::Pause;
    case Qt::Key_CapsLock:
      return vk::Capital;
    case Qt::Key_Escape:
      return vk::Escape;
    case Qt::Key_Space:
      return vk::Space;
    case Qt::Key_PageUp:
      return vk::Prior;
    case Qt::Key_PageDown:
      return vk::Next;
    case Qt::Key_End:
      return vk::End;
    case Qt::Key_Home:
      return vk::Home;
    case Qt::Key_Left:
      return vk::Left;
    case Qt::Key_Up:
      return vk::Up;
    case Qt::Key_Right:
      return vk::Right;
    case Qt::Key_Down:
      return vk::Down;
    case Qt::Key_Insert:
      return vk::Insert;
    case Qt::Key_Delete:
      return vk::Delete;
    case Qt::Key_NumLock:
      return vk::NumLock;
    case Qt::Key_ScrollLock:
      return vk::Scroll;
    default:
      return 0;
  }
}

std::uint16_t QtKeyToVirtualKey(int qtKey, std::uint32_t nativeScanCode, std::uint32_t nativeVirtualKey) {
  if (const std::uint16_t key = QtKeyToVirtualKey(qtKey)) return key;
  if (nativeScanCode >= kDigitRowFirst && nativeScanCode < kDigitRowZero)
    return static_cast<std::uint16_t>('1' + (nativeScanCode - kDigitRowFirst));
  if (nativeScanCode == kDigitRowZero) return '0';
  if (nativeVirtualKey >= kKeysym0 && nativeVirtualKey <= kKeysym9) return static_cast<std::uint16_t>(nativeVirtualKey);
  return 0;
}

std::uint16_t QtKeyToVirtualKey(const QKeyEvent& event) {
  return QtKeyToVirtualKey(event.key(), event.nativeScanCode(), event.nativeVirtualKey());
}

TShiftState QtModifiersToShiftState(Qt::KeyboardModifiers modifiers) {
  TShiftState s = 0;
  if (modifiers & Qt::ShiftModifier) s |= ssShift;
  if (modifiers & Qt::ControlModifier) s |= ssCtrl;
  if (modifiers & Qt::AltModifier) s |= ssAlt;
  return s;
}
