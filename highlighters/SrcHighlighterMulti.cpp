#include "highlighters/SrcHighlighterMulti.h"

#include <algorithm>

#include "editor/SrcEditStrConst.h"

namespace {

constexpr int kSchemeBits = 5;
constexpr int kSubRangeMask = 4095;     // bits 5..16 while a scheme is active
constexpr int kDefaultRangeShift = 17;  // the default highlighter's range meanwhile
constexpr int kDefaultRangeMask = 16383;

}  // namespace

// ---------------------------------------------------------------------------

TMultiScheme::TMultiScheme(TSrcMultiHighlighter* owner)
    : owner_(owner), markerAttri_(std::make_unique<TSrcHighlighterAttributes>(SrcEditStrConst::AttrNameMarker)) {
  markerAttri_->SetBackground(static_cast<TColor>(65535));
  markerAttri_->SetStyle(fsBold);
  markerAttri_->InternalSaveDefaultValues();
  markerAttri_->OnChange = TNotifyEvent::Bind<&TMultiScheme::MarkerChanged>(this);
}

TMultiScheme::~TMultiScheme() = default;

void TMultiScheme::Changed() { owner_->SchemesChanged(); }

void TMultiScheme::Prepare(TRegexEngine& engine, const QString& text) const {
  engine.SetModifier(1, !caseSensitive_);
  engine.SetExpression(text);
  if (!text.isEmpty()) engine.Compile();
}

void TMultiScheme::SetExpr(QString& expr, TRegexEngine& re, const QString& value) {
  if (value == expr) return;
  TRegexEngine engine;
  Prepare(engine, value);  // raises before anything is stored
  re = std::move(engine);
  expr = value;
  Changed();
}

void TMultiScheme::SetStartExpr(const QString& value) { SetExpr(startExpr_, startRe_, value); }
void TMultiScheme::SetEndExpr(const QString& value) { SetExpr(endExpr_, endRe_, value); }

void TMultiScheme::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  Prepare(startRe_, startExpr_);
  Prepare(endRe_, endExpr_);
  Changed();
}

void TMultiScheme::SetHighlighter(TSrcCustomHighlighter* value) {
  if (value == highlighter_.data()) return;
  highlighter_ = value;
  owner_->Relink();
  Changed();
}

bool TMultiScheme::Active() const {
  return !startExpr_.isEmpty() && !endExpr_.isEmpty() && highlighter_ && highlighter_->Enabled() &&
         highlighter_.data() != owner_;
}

// ---------------------------------------------------------------------------

TMultiScheme* TMultiSchemes::Add() {
  if (Count() >= kMaxSchemes) throw Exception(QStringLiteral("A multi highlighter holds at most 30 schemes"));
  items_.push_back(std::make_unique<TMultiScheme>(owner_));
  owner_->SchemesChanged();
  return items_.back().get();
}

void TMultiSchemes::Delete(int index) {
  items_.erase(items_.begin() + index);
  owner_->Relink();
  owner_->SchemesChanged();
}

void TMultiSchemes::Clear() {
  items_.clear();
  owner_->Relink();
  owner_->SchemesChanged();
}

// ---------------------------------------------------------------------------

TSrcMultiHighlighter::TSrcMultiHighlighter(QObject* owner) : TSrcCustomHighlighter(owner), schemes_(this) {}

TSrcMultiHighlighter::~TSrcMultiHighlighter() {
  for (auto& h : linked_)
    if (h) h->RemoveChangeHandler(TNotifyEvent::Bind<&TSrcMultiHighlighter::HookChanged>(this));
  linked_.clear();
}

QString TSrcMultiHighlighter::GetLanguageName() const { return SrcEditStrConst::LangNameMulti; }

void TSrcMultiHighlighter::SetDefaultHighlighter(TSrcCustomHighlighter* value) {
  if (value == default_.data()) return;
  if (value == this)
    throw Exception(QStringLiteral(
        "It is not good to set the DefaultHighlighter of a SrcMultiHighlighter to the SrcMultiHighlighter itself. "
        "Please do not try this again"));
  default_ = value;
  Relink();
  SchemesChanged();
}

void TSrcMultiHighlighter::Relink() {
  const TNotifyEvent hook = TNotifyEvent::Bind<&TSrcMultiHighlighter::HookChanged>(this);
  for (auto& h : linked_)
    if (h) h->RemoveChangeHandler(hook);
  linked_.clear();
  auto link = [&](TSrcCustomHighlighter* h) {
    if (!h || h == this || std::any_of(linked_.begin(), linked_.end(), [h](const auto& p) { return p == h; })) return;
    h->AddChangeHandler(hook);
    linked_.emplace_back(h);
    // A highlighter that goes away is no longer the active one.
    connect(h, &QObject::destroyed, this, &TSrcMultiHighlighter::LinkedDestroyed, Qt::UniqueConnection);
  };
  link(default_.data());
  for (int i = 0; i < schemes_.Count(); ++i) link(schemes_.Items(i)->Highlighter());
  UpdateActive();
}

TSrcHighlighterAttributes* TSrcMultiHighlighter::GetAttribute(int index) const {
  return index >= 0 && index < schemes_.Count() ? schemes_.Items(index)->MarkerAttri() : nullptr;
}

TSrcCustomHighlighter* TSrcMultiHighlighter::FindActive() const {
  if (scheme_ >= 0 && scheme_ < schemes_.Count()) {
    TSrcCustomHighlighter* h = schemes_.Items(scheme_)->Highlighter();
    if (h && h != this) return h;
  }
  return default_.data();
}

TSrcHighlighterAttributes* TSrcMultiHighlighter::GetRoleAttribute(int role) const {
  TSrcCustomHighlighter* h = Active();
  return h ? h->GetRoleAttribute(role) : nullptr;
}

TSrcIdentChars TSrcMultiHighlighter::GetIdentChars() const {
  TSrcCustomHighlighter* h = Active();
  return h ? h->GetIdentChars() : TSrcCustomHighlighter::GetIdentChars();
}

// ---------------------------------------------------------------------------
// Ranges.

int TSrcMultiHighlighter::GetRange() const {
  TSrcCustomHighlighter* h = Active();
  const int own = h ? h->GetRange() : 0;
  if (scheme_ < 0) return 1 + (own << kSchemeBits);
  return (scheme_ + 2) | ((own & kSubRangeMask) << kSchemeBits) |
         ((savedDefaultRange_ & kDefaultRangeMask) << kDefaultRangeShift);
}

void TSrcMultiHighlighter::SetRange(int value) {
  if (value == 0) return;
  const int scheme = (value & 31) - 2;
  if (scheme == -1) {
    scheme_ = -1;
    UpdateActive();
    if (default_) default_->SetRange(value >> kSchemeBits);
    return;
  }
  TSrcCustomHighlighter* h = scheme >= 0 && scheme < schemes_.Count() ? schemes_.Items(scheme)->Highlighter() : nullptr;
  if (!h || h == this) {  // a scheme that is gone: the default highlighter from its start
    ResetRange();
    return;
  }
  scheme_ = scheme;
  UpdateActive();
  savedDefaultRange_ = (value >> kDefaultRangeShift) & kDefaultRangeMask;
  h->SetRange((value >> kSchemeBits) & kSubRangeMask);
}

void TSrcMultiHighlighter::ResetRange() {
  scheme_ = -1;
  UpdateActive();
  savedDefaultRange_ = 0;
  if (default_) {
    default_->ResetRange();
    savedDefaultRange_ = default_->GetRange();
  }
}

// ---------------------------------------------------------------------------
// Scanning.

void TSrcMultiHighlighter::AddMarker(int scheme, int start0, int length, bool open) {
  int startPos = start0 + 1;
  int markerLen = length;
  QString text = lineText_.mid(start0, length);
  const TMultiScheme& s = *schemes_.Items(scheme);
  const TOnCheckMarker& check = open ? s.OnCheckStartMarker : s.OnCheckEndMarker;
  if (check) check(this, startPos, markerLen, text);
  if (text.isEmpty() || markerLen < 1) return;
  // A marker lies inside the line and after the one before it.
  const int lineLength = static_cast<int>(lineText_.size());
  if (startPos < 1 || startPos > lineLength) return;
  if (!markers_.empty() && startPos < markers_.back().StartPos + markers_.back().MarkerLen) return;
  markerLen = std::min(markerLen, lineLength - startPos + 1);
  markers_.push_back(TMultiMarker{scheme, startPos, markerLen, text, open});
}

void TSrcMultiHighlighter::FindMarkers() {
  markers_.clear();
  const QStringView line(lineText_);
  const int length = static_cast<int>(line.size());
  const int count = schemes_.Count();
  int scheme = scheme_ >= 0 && scheme_ < count ? scheme_ : -1;
  // Start expressions that can begin with any character are searched as a
  // whole; their leftmost match from an earlier place of the line is kept
  // while it lies ahead (kUnknown: not searched yet, kNone: there is none).
  // The others are tried place by place, at the characters they can begin
  // with, in one walk for all of them.
  constexpr int kUnknown = -1, kNone = -2;
  found_.assign(static_cast<size_t>(count), {kUnknown, 0});
  if (takingDirty_) {
    // Per scheme: 0 takes no part, 1 searched as a whole, 2 tried by place.
    taking_.assign(static_cast<size_t>(count), 0);
    firstChars_.reset();
    firstHigh_ = byPlace_ = false;
    for (int i = 0; i < count; ++i) {
      TMultiScheme& s = *schemes_.Items(i);
      if (!s.Active()) continue;
      const bool whole = s.startRe_.FirstCharSetIsUniversal();
      taking_[static_cast<size_t>(i)] = whole ? 1 : 2;
      if (whole) continue;
      s.startRe_.AddFirstChars(firstChars_, firstHigh_);
      byPlace_ = true;
    }
    takingDirty_ = false;
  }
  const std::bitset<256>& firstChars = firstChars_;
  const bool firstHigh = firstHigh_, byPlace = byPlace_;
  lineBudget_ = TRegexBudget{TRegexEngine::StepBudget(length), 0};
  int offset = 0;
  while (offset < length && !lineBudget_.Exhausted()) {
    const QStringView rest = line.mid(offset);
    int pick = -1, pos = 0, len = 0;
    if (scheme < 0) {
      // The leftmost start marker wins; among equals the first scheme.
      for (int i = 0; i < count; ++i) {
        if (taking_[static_cast<size_t>(i)] != 1) continue;
        TMultiScheme& s = *schemes_.Items(i);
        auto& [at, size] = found_[static_cast<size_t>(i)];
        if (at == kUnknown || (at >= 0 && at < offset) || s.startRe_.StartDependent()) {
          const bool hit = s.startRe_.ExecView(rest, &lineBudget_);
          at = hit ? offset + s.startRe_.MatchPos(0) - 1 : kNone;
          size = hit ? s.startRe_.MatchLen(0) : 0;
        }
        if (at == kNone || (pick >= 0 && at - offset >= pos)) continue;
        pick = i;
        pos = at - offset;
        len = size;
      }
      const int last = pick >= 0 ? pos : static_cast<int>(rest.size()) - 1;
      for (int p = 0; byPlace && p <= last && !lineBudget_.Exhausted(); ++p) {
        const char16_t c = rest[p].unicode();
        if (c < 256 ? !firstChars[c] : !firstHigh) continue;
        for (int i = 0; i < count && !(p == pos && i >= pick && pick >= 0); ++i) {
          if (taking_[static_cast<size_t>(i)] != 2) continue;
          TRegexEngine& re = schemes_.Items(i)->startRe_;
          if (!re.MayMatchAt(rest, p) || !re.ExecAt(rest, p, &lineBudget_)) continue;
          pick = i;
          pos = p;
          len = re.MatchLen(0);
          break;
        }
        if (pick >= 0 && pos == p) break;
      }
      if (pick < 0) break;
      AddMarker(pick, offset + pos, len, true);
      scheme = pick;
    } else {
      TMultiScheme& s = *schemes_.Items(scheme);
      if (!(taking_[static_cast<size_t>(scheme)] || s.Active()) || !s.endRe_.ExecView(rest, &lineBudget_)) break;
      pos = s.endRe_.MatchPos(0) - 1;
      len = s.endRe_.MatchLen(0);
      AddMarker(scheme, offset + pos, len, false);
      scheme = -1;
    }
    // An empty match still moves the search on.
    offset += pos + std::max(len, 1);
  }
}

void TSrcMultiHighlighter::SetLine(const QString& lineText, int lineIndex) {
  UpdateActive();
  lineText_ = lineText;
  lineNumber_ = lineIndex;
  markers_.clear();
  lineBudget_ = TRegexBudget{};
  nextMarker_ = 0;
  markerToken_ = -1;
  segmentToken_ = false;
  tokenPos_ = 0;
  run_ = 0;
  atEnd_ = false;
  wholeLine_ = !default_;
  if (wholeLine_) {  // the whole line is one token
    run_ = static_cast<int>(lineText_.size());
    atEnd_ = lineText_.isEmpty();
    return;
  }
  FindMarkers();
  Advance();
}

// Finds the next token from the run position on, outside a segment: a
// marker there, or the first token of the segment up to the next marker.
void TSrcMultiHighlighter::Advance() {
  const int length = static_cast<int>(lineText_.size());
  for (;;) {
    if (nextMarker_ < markers_.size() && markers_[nextMarker_].StartPos - 1 <= run_) {
      const TMultiMarker& m = markers_[nextMarker_];
      markerToken_ = static_cast<int>(nextMarker_++);
      tokenPos_ = m.StartPos - 1;
      run_ = tokenPos_ + m.MarkerLen;
      return;
    }
    segmentStart_ = run_;
    segmentEnd_ = nextMarker_ < markers_.size() ? markers_[nextMarker_].StartPos - 1 : length;
    TSrcCustomHighlighter* h = Active();
    h->SetLine(run_ == 0 && segmentEnd_ == length ? lineText_ : lineText_.mid(run_, segmentEnd_ - run_), lineNumber_);
    if (!h->AtLineEnd()) {
      segmentToken_ = true;
      return;
    }
    run_ = segmentEnd_;
    if (nextMarker_ < markers_.size()) continue;
    atEnd_ = true;
    tokenPos_ = run_ = length;
    return;
  }
}

void TSrcMultiHighlighter::PassMarker(const TMultiMarker& marker) {
  if (marker.IsOpenMarker) {
    if (scheme_ < 0) savedDefaultRange_ = default_->GetRange();
    scheme_ = marker.SchemeIndex;
    UpdateActive();
    Active()->ResetRange();
  } else if (scheme_ >= 0) {
    scheme_ = -1;
    active_ = default_.data();
    default_->SetRange(savedDefaultRange_);
  }
}

void TSrcMultiHighlighter::ScanNext() {
  if (segmentToken_) {
    TSrcCustomHighlighter* h = Active();
    h->ScanNext();
    if (!h->AtLineEnd()) return;
    segmentToken_ = false;
    run_ = segmentEnd_;
  } else if (atEnd_) {
    return;
  } else if (wholeLine_) {
    atEnd_ = true;
    tokenPos_ = run_;
    return;
  } else if (markerToken_ >= 0) {
    PassMarker(markers_[static_cast<size_t>(markerToken_)]);
    markerToken_ = -1;
  }
  Advance();
}

int TSrcMultiHighlighter::GetTokenPos() const {
  return segmentToken_ ? segmentStart_ + Active()->GetTokenPos() : tokenPos_;
}

int TSrcMultiHighlighter::GetTokenLength() const {
  return segmentToken_ ? Active()->GetTokenLength() : run_ - tokenPos_;
}

TSrcHighlighterAttributes* TSrcMultiHighlighter::GetTokenAttribute() const {
  if (markerToken_ >= 0) return schemes_.Items(markers_[static_cast<size_t>(markerToken_)].SchemeIndex)->MarkerAttri();
  if (wholeLine_) return nullptr;
  TSrcCustomHighlighter* h = Active();
  return h ? h->GetTokenAttribute() : nullptr;
}

int TSrcMultiHighlighter::GetTokenKind() const {
  if (markerToken_ >= 0 || wholeLine_) return 0;
  TSrcCustomHighlighter* h = Active();
  return h ? h->GetTokenKind() : 0;
}
