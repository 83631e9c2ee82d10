// Finds every occurrence of a plain-text pattern in one string with a
// Quick Search style skip: a shift table indexed by the character just after
// the current window, case folding per engine and an optional whole-word
// test. Hits never overlap. NUL is an ordinary character.
#pragma once

#include <QString>
#include <array>
#include <vector>

#include "editor/SrcEditTypes.h"

class TSrcEditSearch {
 public:
  const QString& Pattern() const { return pattern_; }
  void SetPattern(const QString& value);
  bool Sensitive() const { return sensitive_; }
  void SetSensitive(bool value);
  bool Whole() const { return whole_; }
  void SetWhole(bool value) { whole_ = value; }

  // Number of hits in `text`; their positions (from 1) go to Results.
  int FindAll(const QString& text);
  // Position (from 1) of the first hit, or 0. Raises ESrcEditError
  // "Pattern is empty" for an empty pattern.
  int FindFirst(const QString& text);
  // Position of the next hit in the same text, or 0.
  int FindNext();
  int Results(int index) const;
  int ResultCount() const { return static_cast<int>(results_.size()); }
  // Moves every result after `first` back by `delta`.
  void ShiftResults(int first, int delta);
  // Hits accepted since the pattern was last set.
  int Count() const { return count_; }

 private:
  char16_t Fold(char16_t c) const;
  // By code point: a surrogate pair is judged as the character it makes.
  bool IsDelimiter(char32_t c) const;
  void InitTables();
  bool IsWholeWord(int start) const;

  QString pattern_;
  QString folded_;  // the pattern, folded
  bool sensitive_ = false;
  bool whole_ = false;
  bool ready_ = false;
  int patLen_ = 0;
  std::array<int, 256> shift_{};
  int look_ = 1;  // step after a complete match that was rejected
  const char16_t* text_ = nullptr;
  int textLen_ = 0;
  QString textCopy_;
  int run_ = 0;
  int count_ = 0;
  std::vector<int> results_;
};
