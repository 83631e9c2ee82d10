// Editor commands and the keystroke table that maps keys to them.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "editor/SrcEditTypes.h"
#include "platform/VirtualKeys.h"

using TSrcEditorCommand = int;

// Command numbers. A selecting move is its move plus 100.
inline constexpr TSrcEditorCommand ecNone = 0, ecLeft = 1, ecRight = 2, ecUp = 3, ecDown = 4, ecWordLeft = 5,
                                   ecWordRight = 6, ecLineStart = 7, ecLineEnd = 8, ecPageUp = 9, ecPageDown = 10,
                                   ecPageLeft = 11, ecPageRight = 12, ecPageTop = 13, ecPageBottom = 14,
                                   ecEditorTop = 15, ecEditorBottom = 16, ecGotoXY = 17, ecSelection = 100,
                                   ecSelLeft = 101, ecSelRight = 102, ecSelUp = 103, ecSelDown = 104,
                                   ecSelWordLeft = 105, ecSelWordRight = 106, ecSelLineStart = 107, ecSelLineEnd = 108,
                                   ecSelPageUp = 109, ecSelPageDown = 110, ecSelPageLeft = 111, ecSelPageRight = 112,
                                   ecSelPageTop = 113, ecSelPageBottom = 114, ecSelEditorTop = 115,
                                   ecSelEditorBottom = 116, ecSelGotoXY = 117, ecSelectAll = 199, ecCopy = 201,
                                   ecScrollUp = 211, ecScrollDown = 212, ecScrollLeft = 213, ecScrollRight = 214,
                                   ecInsertMode = 221, ecOverwriteMode = 222, ecToggleMode = 223, ecNormalSelect = 231,
                                   ecColumnSelect = 232, ecLineSelect = 233, ecMatchBracket = 250, ecGotoMarker0 = 301,
                                   ecGotoMarker9 = 310, ecSetMarker0 = 351, ecSetMarker9 = 360, ecContextHelp = 490,
                                   ecDeleteLastChar = 501, ecDeleteChar = 502, ecDeleteWord = 503,
                                   ecDeleteLastWord = 504, ecDeleteBOL = 505, ecDeleteEOL = 506, ecDeleteLine = 507,
                                   ecClearAll = 508, ecLineBreak = 509, ecInsertLine = 510, ecChar = 511,
                                   ecImeStr = 550, ecUndo = 601, ecRedo = 602, ecCut = 603, ecPaste = 604,
                                   ecBlockIndent = 610, ecBlockUnindent = 611, ecTab = 612, ecShiftTab = 613,
                                   ecUpperCase = 620, ecLowerCase = 621, ecToggleCase = 622, ecTitleCase = 623,
                                   ecString = 630, ecAutoCompletion = 650, ecUserFirst = 1001;

struct TSrcEditorCommandName {
  TSrcEditorCommand command;
  const char* name;
};

// The 96 commands with their names, by number.
const std::vector<TSrcEditorCommandName>& EditorCommandNames();
// A command's name; a number outside the table gives its decimal digits.
QString EditorCommandToIdent(TSrcEditorCommand command);
// A name's command; none for an unknown name.
std::optional<TSrcEditorCommand> IdentToEditorCommand(const QString& ident);
// Reads a command as form data stores it: a name or a decimal number.
std::optional<TSrcEditorCommand> EditorCommandFromString(const QString& text);

class ESrcKeyError : public ESrcEditError {
 public:
  using ESrcEditError::ESrcEditError;
};

class TSrcEditKeyStrokes;

// One key, or two-key chord, and the command it fires.
class TSrcEditKeyStroke {
 public:
  explicit TSrcEditKeyStroke(TSrcEditKeyStrokes* collection = nullptr) : collection_(collection) {}

  TSrcEditorCommand Command() const { return command_; }
  void SetCommand(TSrcEditorCommand command) { command_ = command; }
  std::uint16_t Key() const { return key_; }
  TShiftState Shift() const { return shift_; }
  std::uint16_t Key2() const { return key2_; }
  TShiftState Shift2() const { return shift2_; }
  void SetKey(std::uint16_t key, TShiftState shift);
  void SetKey2(std::uint16_t key, TShiftState shift);

  TShortCut GetShortCut() const { return ::ShortCut(key_, shift_); }
  TShortCut GetShortCut2() const { return ::ShortCut(key2_, shift2_); }
  // Refused with ESrcKeyError "Shortcut already exists" when another
  // keystroke of the collection has the same pair of shortcuts.
  void SetShortCut(TShortCut value);
  void SetShortCut2(TShortCut value);

  void Assign(const TSrcEditKeyStroke& source);

 private:
  friend class TSrcEditKeyStrokes;
  TSrcEditKeyStrokes* collection_;
  TSrcEditorCommand command_ = ecNone;
  std::uint16_t key_ = 0;
  TShiftState shift_ = 0;
  std::uint16_t key2_ = 0;
  TShiftState shift2_ = 0;
};

// The keystroke table of an editor.
class TSrcEditKeyStrokes {
 public:
  TSrcEditKeyStrokes() = default;
  TSrcEditKeyStrokes(const TSrcEditKeyStrokes& other) { Assign(other); }
  TSrcEditKeyStrokes& operator=(const TSrcEditKeyStrokes& other) {
    Assign(other);
    return *this;
  }

  int Count() const { return static_cast<int>(items_.size()); }
  TSrcEditKeyStroke& Item(int index) { return *items_.at(static_cast<size_t>(index)); }
  const TSrcEditKeyStroke& Item(int index) const { return *items_.at(static_cast<size_t>(index)); }
  TSrcEditKeyStroke& Add();
  // Adds a binding without the duplicate check (the defaults have none).
  void AddKey(TSrcEditorCommand command, std::uint16_t key, TShiftState shift, std::uint16_t key2 = 0,
              TShiftState shift2 = 0);
  void Delete(int index);
  void Clear() { items_.clear(); }
  void Assign(const TSrcEditKeyStrokes& source);

  // Index of the first keystroke with this key, shift and no second key.
  int FindKeycode(std::uint16_t key, TShiftState shift) const;
  // Index of the first keystroke on which all four match.
  int FindKeycode2(std::uint16_t key, TShiftState shift, std::uint16_t key2, TShiftState shift2) const;
  // Index of the first keystroke with both shortcuts, skipping `except`.
  int FindShortcut2(TShortCut shortCut, TShortCut shortCut2, const TSrcEditKeyStroke* except = nullptr) const;

  // The 82 default bindings.
  void SetDefaults();
  // The 81 bindings the document window and the template editor keep: Undo
  // on Ctrl+Z instead of Alt+Backspace, Redo on Ctrl+Shift+Z only, Ctrl+J
  // for completion.
  void SetDocumentDefaults();

 private:
  std::vector<std::unique_ptr<TSrcEditKeyStroke>> items_;
};
