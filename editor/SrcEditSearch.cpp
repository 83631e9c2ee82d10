#include "editor/SrcEditSearch.h"

#include <QChar>

namespace {

// Lower case of the first 256 characters, built once.
const std::array<char16_t, 256>& LowerTable() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> t{};
    for (int c = 0; c < 256; ++c) t[static_cast<size_t>(c)] = QChar(c).toLower().unicode();
    return t;
  }();
  return table;
}

}  // namespace

char16_t TSrcEditSearch::Fold(char16_t c) const {
  if (sensitive_) return c;
  if (c < 256) return LowerTable()[c];
  if (QChar::isSurrogate(c)) return c;
  return QChar(c).toLower().unicode();
}

bool TSrcEditSearch::IsDelimiter(char32_t c) const { return c != U'_' && !QChar::isLetterOrNumber(c); }

void TSrcEditSearch::SetPattern(const QString& value) {
  if (value != pattern_) {
    pattern_ = value;
    ready_ = false;
  }
  count_ = 0;
}

void TSrcEditSearch::SetSensitive(bool value) {
  if (value == sensitive_) return;
  sensitive_ = value;
  ready_ = false;
}

void TSrcEditSearch::InitTables() {
  if (pattern_.isEmpty()) throw ESrcEditError(QStringLiteral("Pattern is empty"));
  patLen_ = static_cast<int>(pattern_.size());
  folded_ = pattern_;
  for (QChar& c : folded_) c = QChar(Fold(c.unicode()));
  shift_.fill(patLen_ + 1);
  for (int i = 1; i <= patLen_; ++i) shift_[folded_[i - 1].unicode() & 0xFF] = patLen_ + 1 - i;
  const char16_t last = folded_[patLen_ - 1].unicode();
  look_ = 1;
  while (look_ < patLen_ && last != folded_[patLen_ - 1 - look_].unicode()) ++look_;
  ready_ = true;
}

int TSrcEditSearch::FindFirst(const QString& text) {
  if (!ready_) InitTables();
  textCopy_ = text;
  text_ = reinterpret_cast<const char16_t*>(textCopy_.constData());
  textLen_ = static_cast<int>(textCopy_.size());
  if (textLen_ < patLen_) return 0;
  run_ = -1;
  return FindNext();
}

bool TSrcEditSearch::IsWholeWord(int start) const {
  if (start > 0) {
    char32_t before = text_[start - 1];
    if (start >= 2 && QChar::isLowSurrogate(before) && QChar::isHighSurrogate(text_[start - 2]))
      before = QChar::surrogateToUcs4(text_[start - 2], text_[start - 1]);
    if (!IsDelimiter(before)) return false;
  }
  const int after = start + patLen_;
  if (after >= textLen_) return true;
  char32_t next = text_[after];
  if (after + 1 < textLen_ && QChar::isHighSurrogate(next) && QChar::isLowSurrogate(text_[after + 1]))
    next = QChar::surrogateToUcs4(text_[after], text_[after + 1]);
  return IsDelimiter(next);
}

int TSrcEditSearch::FindNext() {
  if (!text_ || patLen_ == 0) return 0;
  const char16_t* pat = reinterpret_cast<const char16_t*>(folded_.constData());
  const char16_t last = pat[patLen_ - 1];
  auto shiftAt = [&](int i) { return shift_[(i < textLen_ ? Fold(text_[i]) : 0) & 0xFF]; };
  run_ += patLen_;
  while (run_ < textLen_) {
    if (Fold(text_[run_]) != last) {
      run_ += shiftAt(run_ + 1);
      continue;
    }
    const int start = run_ - patLen_ + 1;
    int i = 0;
    while (i < patLen_ && Fold(text_[start + i]) == pat[i]) ++i;
    if (i == patLen_ && (!whole_ || IsWholeWord(start))) {
      ++count_;
      return start + 1;
    }
    run_ += look_;
    if (run_ >= textLen_) return 0;
    run_ += shiftAt(run_) - 1;
  }
  return 0;
}

int TSrcEditSearch::FindAll(const QString& text) {
  results_.clear();
  for (int pos = FindFirst(text); pos > 0; pos = FindNext()) results_.push_back(pos);
  return static_cast<int>(results_.size());
}

int TSrcEditSearch::Results(int index) const {
  return index >= 0 && index < ResultCount() ? results_[static_cast<size_t>(index)] : 0;
}

void TSrcEditSearch::ShiftResults(int first, int delta) {
  if (delta == 0) return;
  for (auto i = results_.size(); i-- > 0;) {
    if (results_[i] <= first) break;
    results_[i] -= delta;
  }
}
