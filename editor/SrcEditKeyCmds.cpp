#include "editor/SrcEditKeyCmds.h"

#include "editor/SrcEditStrConst.h"

namespace {

std::vector<TSrcEditorCommandName> BuildNames() {
  std::vector<TSrcEditorCommandName> n = {
      {ecNone, "ecNone"},
      {ecLeft, "ecLeft"},
      {ecRight, "ecRight"},
      {ecUp, "ecUp"},
      {ecDown, "ecDown"},
      {ecWordLeft, "ecWordLeft"},
      {ecWordRight, "ecWordRight"},
      {ecLineStart, "ecLineStart"},
      {ecLineEnd, "ecLineEnd"},
      {ecPageUp, "ecPageUp"},
      {ecPageDown, "ecPageDown"},
      {ecPageLeft, "ecPageLeft"},
      {ecPageRight, "ecPageRight"},
      {ecPageTop, "ecPageTop"},
      {ecPageBottom, "ecPageBottom"},
      {ecEditorTop, "ecEditorTop"},
      {ecEditorBottom, "ecEditorBottom"},
      {ecGotoXY, "ecGotoXY"},
      {ecSelLeft, "ecSelLeft"},
      {ecSelRight, "ecSelRight"},
      {ecSelUp, "ecSelUp"},
      {ecSelDown, "ecSelDown"},
      {ecSelWordLeft, "ecSelWordLeft"},
      {ecSelWordRight, "ecSelWordRight"},
      {ecSelLineStart, "ecSelLineStart"},
      {ecSelLineEnd, "ecSelLineEnd"},
      {ecSelPageUp, "ecSelPageUp"},
      {ecSelPageDown, "ecSelPageDown"},
      {ecSelPageLeft, "ecSelPageLeft"},
      {ecSelPageRight, "ecSelPageRight"},
      {ecSelPageTop, "ecSelPageTop"},
      {ecSelPageBottom, "ecSelPageBottom"},
      {ecSelEditorTop, "ecSelEditorTop"},
      {ecSelEditorBottom, "ecSelEditorBottom"},
      {ecSelGotoXY, "ecSelGotoXY"},
      {ecSelectAll, "ecSelectAll"},
      {ecCopy, "ecCopy"},
      {ecScrollUp, "ecScrollUp"},
      {ecScrollDown, "ecScrollDown"},
      {ecScrollLeft, "ecScrollLeft"},
      {ecScrollRight, "ecScrollRight"},
      {ecInsertMode, "ecInsertMode"},
      {ecOverwriteMode, "ecOverwriteMode"},
      {ecToggleMode, "ecToggleMode"},
      {ecNormalSelect, "ecNormalSelect"},
      {ecColumnSelect, "ecColumnSelect"},
      {ecLineSelect, "ecLineSelect"},
      {ecMatchBracket, "ecMatchBracket"},
  };
  static const char* const kGoto[] = {"ecGotoMarker0", "ecGotoMarker1", "ecGotoMarker2", "ecGotoMarker3",
                                      "ecGotoMarker4", "ecGotoMarker5", "ecGotoMarker6", "ecGotoMarker7",
                                      "ecGotoMarker8", "ecGotoMarker9"};
  static const char* const kSet[] = {"ecSetMarker0", "ecSetMarker1", "ecSetMarker2", "ecSetMarker3", "ecSetMarker4",
                                     "ecSetMarker5", "ecSetMarker6", "ecSetMarker7", "ecSetMarker8", "ecSetMarker9"};
  for (int i = 0; i < 10; ++i) n.push_back({ecGotoMarker0 + i, kGoto[i]});
  for (int i = 0; i < 10; ++i) n.push_back({ecSetMarker0 + i, kSet[i]});
  const std::vector<TSrcEditorCommandName> rest = {
      {ecContextHelp, "ecContextHelp"},
      {ecDeleteLastChar, "ecDeleteLastChar"},
      {ecDeleteChar, "ecDeleteChar"},
      {ecDeleteWord, "ecDeleteWord"},
      {ecDeleteLastWord, "ecDeleteLastWord"},
      {ecDeleteBOL, "ecDeleteBOL"},
      {ecDeleteEOL, "ecDeleteEOL"},
      {ecDeleteLine, "ecDeleteLine"},
      {ecClearAll, "ecClearAll"},
      {ecLineBreak, "ecLineBreak"},
      {ecInsertLine, "ecInsertLine"},
      {ecChar, "ecChar"},
      {ecImeStr, "ecImeStr"},
      {ecUndo, "ecUndo"},
      {ecRedo, "ecRedo"},
      {ecCut, "ecCut"},
      {ecPaste, "ecPaste"},
      {ecBlockIndent, "ecBlockIndent"},
      {ecBlockUnindent, "ecBlockUnindent"},
      {ecTab, "ecTab"},
      {ecShiftTab, "ecShiftTab"},
      {ecUpperCase, "ecUpperCase"},
      {ecLowerCase, "ecLowerCase"},
      {ecToggleCase, "ecToggleCase"},
      {ecTitleCase, "ecTitleCase"},
      {ecString, "ecString"},
      {ecAutoCompletion, "ecAutoCompletion"},
      {ecUserFirst, "ecUserFirst"},
  };
  n.insert(n.end(), rest.begin(), rest.end());
  return n;
}

}  // namespace

const std::vector<TSrcEditorCommandName>& EditorCommandNames() {
  static const std::vector<TSrcEditorCommandName> names = BuildNames();
  return names;
}

QString EditorCommandToIdent(TSrcEditorCommand command) {
  for (const auto& e : EditorCommandNames())
    if (e.command == command) return QString::fromLatin1(e.name);
  return QString::number(command);
}

std::optional<TSrcEditorCommand> IdentToEditorCommand(const QString& ident) {
  for (const auto& e : EditorCommandNames())
    if (ident.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0) return e.command;
  return std::nullopt;
}

std::optional<TSrcEditorCommand> EditorCommandFromString(const QString& text) {
  if (auto c = IdentToEditorCommand(text.trimmed())) return c;
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  if (ok && n >= 0 && n <= 0xFFFF) return n;
  return std::nullopt;
}

// ---------------------------------------------------------------- keystroke

void TSrcEditKeyStroke::SetKey(std::uint16_t key, TShiftState shift) {
  key_ = key;
  shift_ = shift & (ssShift | ssAlt | ssCtrl);
}

void TSrcEditKeyStroke::SetKey2(std::uint16_t key, TShiftState shift) {
  key2_ = key;
  shift2_ = shift & (ssShift | ssAlt | ssCtrl);
}

void TSrcEditKeyStroke::SetShortCut(TShortCut value) {
  if (value != 0 && collection_ && collection_->FindShortcut2(value, GetShortCut2(), this) >= 0)
    throw ESrcKeyError(SrcEditStrConst::TextShortcutExists);
  std::uint16_t key = 0;
  TShiftState shift = 0;
  ShortCutToKey(value, key, shift);
  SetKey(key, shift);
}

void TSrcEditKeyStroke::SetShortCut2(TShortCut value) {
  if (value != 0 && collection_ && collection_->FindShortcut2(GetShortCut(), value, this) >= 0)
    throw ESrcKeyError(SrcEditStrConst::TextShortcutExists);
  std::uint16_t key = 0;
  TShiftState shift = 0;
  ShortCutToKey(value, key, shift);
  SetKey2(key, shift);
}

void TSrcEditKeyStroke::Assign(const TSrcEditKeyStroke& source) {
  command_ = source.command_;
  key_ = source.key_;
  shift_ = source.shift_;
  key2_ = source.key2_;
  shift2_ = source.shift2_;
}

// --------------------------------------------------------------- collection

TSrcEditKeyStroke& TSrcEditKeyStrokes::Add() {
  items_.push_back(std::make_unique<TSrcEditKeyStroke>(this));
  return *items_.back();
}

void TSrcEditKeyStrokes::AddKey(TSrcEditorCommand command, std::uint16_t key, TShiftState shift, std::uint16_t key2,
                                TShiftState shift2) {
  TSrcEditKeyStroke& k = Add();
  k.SetCommand(command);
  k.SetKey(key, shift);
  k.SetKey2(key2, shift2);
}

void TSrcEditKeyStrokes::Delete(int index) {
  if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TSrcEditKeyStrokes::Assign(const TSrcEditKeyStrokes& source) {
  if (&source == this) return;
  items_.clear();
  for (const auto& item : source.items_) Add().Assign(*item);
}

int TSrcEditKeyStrokes::FindKeycode(std::uint16_t key, TShiftState shift) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& k = *items_[static_cast<size_t>(i)];
    if (k.key_ == key && k.shift_ == shift && k.key2_ == 0) return i;
  }
  return -1;
}

int TSrcEditKeyStrokes::FindKeycode2(std::uint16_t key, TShiftState shift, std::uint16_t key2,
                                     TShiftState shift2) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& k = *items_[static_cast<size_t>(i)];
    if (k.key_ == key && k.shift_ == shift && k.key2_ == key2 && k.shift2_ == shift2) return i;
  }
  return -1;
}

int TSrcEditKeyStrokes::FindShortcut2(TShortCut shortCut, TShortCut shortCut2, const TSrcEditKeyStroke* except) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& k = *items_[static_cast<size_t>(i)];
    if (&k != except && k.GetShortCut() == shortCut && k.GetShortCut2() == shortCut2) return i;
  }
  return -1;
}

void TSrcEditKeyStrokes::SetDefaults() {
  struct Binding {
    TSrcEditorCommand command;
    std::uint16_t key;
    TShiftState shift;
  };
  constexpr TShiftState S = ssShift, C = ssCtrl, A = ssAlt, CS = ssCtrl | ssShift;
  static const Binding kBindings[] = {
      {ecUp, vk::Up, 0},
      {ecSelUp, vk::Up, S},
      {ecScrollUp, vk::Up, C},
      {ecDown, vk::Down, 0},
      {ecSelDown, vk::Down, S},
      {ecScrollDown, vk::Down, C},
      {ecLeft, vk::Left, 0},
      {ecSelLeft, vk::Left, S},
      {ecWordLeft, vk::Left, C},
      {ecSelWordLeft, vk::Left, CS},
      {ecRight, vk::Right, 0},
      {ecSelRight, vk::Right, S},
      {ecWordRight, vk::Right, C},
      {ecSelWordRight, vk::Right, CS},
      {ecPageDown, vk::Next, 0},
      {ecSelPageDown, vk::Next, S},
      {ecPageBottom, vk::Next, C},
      {ecSelPageBottom, vk::Next, CS},
      {ecPageUp, vk::Prior, 0},
      {ecSelPageUp, vk::Prior, S},
      {ecPageTop, vk::Prior, C},
      {ecSelPageTop, vk::Prior, CS},
      {ecLineStart, vk::Home, 0},
      {ecSelLineStart, vk::Home, S},
      {ecEditorTop, vk::Home, C},
      {ecSelEditorTop, vk::Home, CS},
      {ecLineEnd, vk::End, 0},
      {ecSelLineEnd, vk::End, S},
      {ecEditorBottom, vk::End, C},
      {ecSelEditorBottom, vk::End, CS},
      {ecToggleMode, vk::Insert, 0},
      {ecCopy, vk::Insert, C},
      {ecCut, vk::Delete, S},
      {ecPaste, vk::Insert, S},
      {ecDeleteChar, vk::Delete, 0},
      {ecDeleteLastChar, vk::Back, 0},
      {ecDeleteLastChar, vk::Back, S},
      {ecDeleteLastWord, vk::Back, C},
      {ecUndo, vk::Back, A},
      {ecRedo, vk::Back, A | S},
      {ecLineBreak, vk::Return, 0},
      {ecLineBreak, vk::Return, S},
      {ecTab, vk::Tab, 0},
      {ecShiftTab, vk::Tab, S},
      {ecContextHelp, vk::F1, C},
      {ecSelectAll, 'A', C},
      {ecCopy, 'C', C},
      {ecPaste, 'V', C},
      {ecCut, 'X', C},
      {ecBlockIndent, 'I', CS},
      {ecBlockUnindent, 'U', CS},
      {ecLineBreak, 'M', C},
      {ecInsertLine, 'N', C},
      {ecDeleteWord, 'T', C},
      {ecDeleteLine, 'Y', C},
      {ecDeleteEOL, 'Y', CS},
      {ecUndo, 'Z', C},
      {ecRedo, 'Z', CS},
  };
  Clear();
  for (const Binding& b : kBindings) AddKey(b.command, b.key, b.shift);
  for (int i = 0; i < 10; ++i) AddKey(ecGotoMarker0 + i, static_cast<std::uint16_t>('0' + i), C);
  for (int i = 0; i < 10; ++i) AddKey(ecSetMarker0 + i, static_cast<std::uint16_t>('0' + i), CS);
  AddKey(ecNormalSelect, 'N', CS);
  AddKey(ecColumnSelect, 'C', CS);
  AddKey(ecLineSelect, 'L', CS);
  AddKey(ecMatchBracket, 'B', CS);
}

void TSrcEditKeyStrokes::SetDocumentDefaults() {
  SetDefaults();
  for (int i = 0; i < Count(); ++i) {
    TSrcEditKeyStroke& k = Item(i);
    if (k.Command() == ecUndo && k.Key() == vk::Back && k.Shift() == ssAlt) k.SetKey('Z', ssCtrl);
  }
  // Drop Shift+Alt+Backspace and the later Ctrl+Z. Ctrl+Shift+Z stays for
  // Redo, the key every desktop editor has for it.
  Delete(FindKeycode(vk::Back, ssAlt | ssShift));
  for (int i = Count() - 1; i >= 0; --i) {
    const TSrcEditKeyStroke& k = Item(i);
    if (k.Key() == 'Z' && k.Shift() == ssCtrl && i != FindKeycode('Z', ssCtrl)) Delete(i);
  }
  AddKey(ecAutoCompletion, 'J', ssCtrl);
}
