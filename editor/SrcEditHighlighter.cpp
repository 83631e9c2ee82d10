#include "editor/SrcEditHighlighter.h"

#include <algorithm>

#include "platform/Exceptions.h"

// ------------------------------------------------------------- char sets

TSrcIdentChars::TSrcIdentChars(QStringView chars, bool above255) : above255_(above255) {
  for (QChar c : chars) Include(c);
}

TSrcIdentChars TSrcIdentChars::Range(int from, int to, bool above255) {
  TSrcIdentChars set;
  set.above255_ = above255;
  for (int i = std::max(from, 0); i <= std::min(to, 255); ++i) set.bits_.set(static_cast<size_t>(i));
  return set;
}

void TSrcIdentChars::Include(QChar c) {
  if (c.unicode() < 256) bits_.set(c.unicode());
}

void TSrcIdentChars::Exclude(QChar c) {
  if (c.unicode() < 256) bits_.reset(c.unicode());
}

TSrcIdentChars DefaultWordBreakChars() { return TSrcIdentChars(u"!\"'()*+,-./:;=?[]\\^{}|"); }

// ------------------------------------------------------------- attributes

void TSrcHighlighterAttributes::Changed() {
  if (OnChange) OnChange(this);
}

void TSrcHighlighterAttributes::SetBackground(TColor value) {
  if (background_ == value) return;
  background_ = value;
  Changed();
}

void TSrcHighlighterAttributes::SetForeground(TColor value) {
  if (foreground_ == value) return;
  foreground_ = value;
  Changed();
}

void TSrcHighlighterAttributes::SetStyle(TFontStyles value) {
  if (style_ == value) return;
  style_ = value;
  Changed();
}

void TSrcHighlighterAttributes::InternalSaveDefaultValues() {
  backgroundDefault_ = background_;
  foregroundDefault_ = foreground_;
  styleDefault_ = style_;
}

void TSrcHighlighterAttributes::Assign(const TSrcHighlighterAttributes& source) {
  name_ = source.name_;
  const bool changed =
      background_ != source.background_ || foreground_ != source.foreground_ || style_ != source.style_;
  background_ = source.background_;
  foreground_ = source.foreground_;
  style_ = source.style_;
  if (changed) Changed();
}

namespace {

bool IsTrue(const QString& s) { return s.compare(QStringLiteral("FALSE"), Qt::CaseInsensitive) != 0 && s != u"0"; }

constexpr TColor kStandardColors[16] = {clBlack, clMaroon, clGreen, clOlive,  clNavy, clPurple,  clTeal, clSilver,
                                        clGray,  clRed,    clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};

}  // namespace

bool TSrcHighlighterAttributes::LoadFromRegistry(TRegistryRoot root, const QString& keyPath, const QString& valueName,
                                                 bool oldStyle) {
  TRegistry reg(root);
  TColor fg = foreground_, bg = background_;
  TFontStyles style = 0;
  try {
    if (oldStyle) {
      if (!reg.OpenKeyReadOnly(keyPath) || !reg.ValueExists(valueName)) return false;
      const QStringList fields = reg.ReadString(valueName).split(u',');
      if (fields.size() < 7) return false;
      if (fields[2].contains(u'B', Qt::CaseInsensitive)) style |= fsBold;
      if (fields[2].contains(u'I', Qt::CaseInsensitive)) style |= fsItalic;
      if (fields[2].contains(u'U', Qt::CaseInsensitive)) style |= fsUnderline;
      bool ok = false;
      const int fgIndex = fields[5].trimmed().toInt(&ok);
      if (fields[3].trimmed() == u"1")
        fg = clWindowText;
      else if (ok && fgIndex >= 0 && fgIndex < 16)
        fg = kStandardColors[fgIndex];
      const int bgIndex = fields[6].trimmed().toInt(&ok);
      if (fields[4].trimmed() == u"1")
        bg = clWindow;
      else if (ok && bgIndex >= 0 && bgIndex < 16)
        bg = kStandardColors[bgIndex];
    } else {
      if (!reg.OpenKeyReadOnly(keyPath + u'\\' + valueName)) return false;
      if (reg.ValueExists(QStringLiteral("Foreground Color"))) fg = reg.ReadInteger(QStringLiteral("Foreground Color"));
      if (reg.ValueExists(QStringLiteral("Background Color"))) bg = reg.ReadInteger(QStringLiteral("Background Color"));
      auto flag = [&](const char* name) {
        const QString n = QString::fromLatin1(name);
        return reg.ValueExists(n) && IsTrue(reg.ReadString(n));
      };
      if (flag("Bold")) style |= fsBold;
      if (flag("Italic")) style |= fsItalic;
      if (flag("Underline")) style |= fsUnderline;
      if (flag("Default Foreground")) fg = clWindowText;
      if (flag("Default Background")) bg = clWindow;
    }
  } catch (const ERegistryException&) {
    return false;
  }
  SetForeground(fg);
  SetBackground(bg);
  SetStyle(style);
  return true;
}

// ------------------------------------------------------------ highlighter

TSrcCustomHighlighter::TSrcCustomHighlighter(QObject* owner)
    : QObject(owner), changeChain_(this), wordBreakChars_(DefaultWordBreakChars()) {}

TSrcCustomHighlighter::~TSrcCustomHighlighter() {
  for (auto it = attributes_.rbegin(); it != attributes_.rend(); ++it) delete *it;
}

int TSrcCustomHighlighter::GetAttributeCount() const { return static_cast<int>(attributes_.size()); }

TSrcHighlighterAttributes* TSrcCustomHighlighter::GetAttribute(int index) const {
  if (index < 0 || index >= GetAttributeCount()) return nullptr;
  return attributes_[static_cast<size_t>(index)];
}

TSrcIdentChars TSrcCustomHighlighter::GetIdentChars() const { return TSrcIdentChars::Range(33, 255, true); }

TSrcHighlighterAttributes* TSrcCustomHighlighter::AttributeByName(const QString& name) const {
  for (auto* a : attributes_)
    if (a->Name().compare(name, Qt::CaseInsensitive) == 0) return a;
  return nullptr;
}

void TSrcCustomHighlighter::AddAttribute(TSrcHighlighterAttributes* attribute) {
  const auto pos = std::lower_bound(attributes_.begin(), attributes_.end(), attribute, [](auto* a, auto* b) {
    return a->Name().compare(b->Name(), Qt::CaseInsensitive) < 0;
  });
  if (pos != attributes_.end() && (*pos)->Name().compare(attribute->Name(), Qt::CaseInsensitive) == 0)
    throw EStringListError(QStringLiteral("String list does not allow duplicates"));
  attributes_.insert(pos, attribute);
}

void TSrcCustomHighlighter::SetAttributesOnChange(const TNotifyEvent& handler) {
  for (auto* a : attributes_) {
    a->OnChange = handler;
    a->InternalSaveDefaultValues();
  }
}

void TSrcCustomHighlighter::AttributesChanged(TObject*) {
  if (updateCount_ < 1)
    changeChain_.Fire();
  else
    changesPending_ = true;
}

void TSrcCustomHighlighter::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && changesPending_) {
    changesPending_ = false;
    changeChain_.Fire();
  }
}

void TSrcCustomHighlighter::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  AttributesChanged(nullptr);
}

void TSrcCustomHighlighter::Assign(const TSrcCustomHighlighter& source) {
  for (auto* own : attributes_)
    for (int i = 0; i < source.GetAttributeCount(); ++i) {
      const TSrcHighlighterAttributes* theirs = source.GetAttribute(i);
      if (theirs->Name() == own->Name()) own->Assign(*theirs);
    }
  if (source.metaObject()->inherits(metaObject())) SetSampleSource(source.GetSampleSource());
  wordBreakChars_ = source.wordBreakChars_;
  SetDefaultFilter(source.DefaultFilter());
  SetEnabled(source.Enabled());
}

void TSrcCustomHighlighter::SetLineView(QStringView lineText, int lineIndex) {
  SetLine(lineText.toString(), lineIndex);
}

QStringView TSrcCustomHighlighter::GetTokenView() const {
  const qsizetype pos = std::clamp<qsizetype>(GetTokenPos(), 0, lineText_.size());
  const qsizetype len = std::clamp<qsizetype>(GetTokenLength(), 0, lineText_.size() - pos);
  return QStringView(lineText_).mid(pos, len);
}

bool TSrcCustomHighlighter::NextToken(TSrcTokenInfo& token) {
  if (AtLineEnd()) return false;
  token.pos = GetTokenPos();
  token.length = GetTokenLength();
  token.kind = GetTokenKind();
  token.attribute = GetTokenAttribute();
  ScanNext();
  return true;
}

void TSrcCustomHighlighter::ScanToLineEnd() {
  for (int n = MaxTokens(); n > 0 && !AtLineEnd(); --n) ScanNext();
}

bool TSrcCustomHighlighter::SaveToRegistry(TRegistryRoot root, const QString& keyPath) {
  try {
    TRegistry reg(root);
    if (!reg.OpenKey(keyPath, true)) return false;
    for (auto* a : attributes_) {
      TRegistry sub(root);
      if (!sub.OpenKey(keyPath + u'\\' + a->Name(), true)) return false;
      sub.WriteInteger(QStringLiteral("Background"), a->Background());
      sub.WriteInteger(QStringLiteral("Foreground"), a->Foreground());
      sub.WriteInteger(QStringLiteral("Style"), a->Style());
    }
  } catch (const ERegistryException&) {
    return false;
  }
  return true;
}

bool TSrcCustomHighlighter::LoadFromRegistry(TRegistryRoot root, const QString& keyPath) {
  try {
    TRegistry reg(root);
    if (!reg.OpenKeyReadOnly(keyPath)) return false;
    for (auto* a : attributes_) {
      TRegistry sub(root);
      if (!sub.OpenKeyReadOnly(keyPath + u'\\' + a->Name())) return false;
      if (sub.ValueExists(QStringLiteral("Background")))
        a->SetBackground(sub.ReadInteger(QStringLiteral("Background")));
      if (sub.ValueExists(QStringLiteral("Foreground")))
        a->SetForeground(sub.ReadInteger(QStringLiteral("Foreground")));
      if (sub.ValueExists(QStringLiteral("Style")))
        a->SetStyle(static_cast<TFontStyles>(sub.ReadInteger(QStringLiteral("Style")) & 0x0F));
    }
  } catch (const ERegistryException&) {
    return false;
  }
  return true;
}

// ------------------------------------------------------------ class list

std::vector<TSrcHighlighterClass>& TSrcHighlighterList() {
  static std::vector<TSrcHighlighterClass> list;
  return list;
}

void RegisterHighlighter(const TSrcHighlighterClass& cls) {
  auto& list = TSrcHighlighterList();
  if (std::find(list.begin(), list.end(), cls) == list.end()) list.push_back(cls);
}
