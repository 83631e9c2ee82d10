// The multi-language highlighter: a default highlighter colours the text,
// and each scheme names another highlighter that takes over between a start
// marker and an end marker, both regular expressions. The markers are
// tokens of their own, coloured with the scheme's marker attribute.
//
// Range of a line: the low 5 bits hold the active scheme's index + 2 (1 for
// the default highlighter, 0 is never produced); above them the active
// highlighter's own range. While a scheme is active, bits 17 and up keep the
// default highlighter's range from where the scheme began, so that any line
// scans alike alone or as part of a scan from the top.
#pragma once

#include <QPointer>
#include <bitset>
#include <functional>
#include <memory>
#include <vector>

#include "editor/SrcEditHighlighter.h"
#include "regex/SrcRegex.h"

class TSrcMultiHighlighter;

// Adjusts a marker before it is kept: its 1-based column, its length and
// its text. A marker left without text or length is dropped.
using TOnCheckMarker = std::function<void(TObject* sender, int& StartPos, int& MarkerLen, QString& MarkerText)>;

class TMultiScheme : public TObject {
 public:
  explicit TMultiScheme(TSrcMultiHighlighter* owner);
  ~TMultiScheme() override;
  const char* ClassName() const override { return "TMultiScheme"; }

  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);
  const QString& StartExpr() const { return startExpr_; }
  const QString& EndExpr() const { return endExpr_; }
  // Both compile the expression at once; an invalid one raises ERegexError
  // and leaves the old expression.
  void SetStartExpr(const QString& value);
  void SetEndExpr(const QString& value);
  TSrcCustomHighlighter* Highlighter() const { return highlighter_.data(); }
  void SetHighlighter(TSrcCustomHighlighter* value);
  TSrcHighlighterAttributes* MarkerAttri() const { return markerAttri_.get(); }
  const QString& SchemeName() const { return schemeName_; }
  void SetSchemeName(const QString& value) { schemeName_ = value; }

  TOnCheckMarker OnCheckStartMarker;
  TOnCheckMarker OnCheckEndMarker;

  // Takes part in marker finding: both expressions and an enabled
  // highlighter other than the owner are set.
  bool Active() const;

 private:
  friend class TSrcMultiHighlighter;
  void Changed();
  void MarkerChanged(TObject*) { Changed(); }
  // Compiles `text` for this scheme's case rule into `engine`.
  void Prepare(TRegexEngine& engine, const QString& text) const;
  void SetExpr(QString& expr, TRegexEngine& re, const QString& value);

  TSrcMultiHighlighter* owner_;
  bool caseSensitive_ = true;
  QString startExpr_, endExpr_, schemeName_;
  QPointer<TSrcCustomHighlighter> highlighter_;
  std::unique_ptr<TSrcHighlighterAttributes> markerAttri_;
  TRegexEngine startRe_, endRe_;
};

// The schemes of a multi highlighter, in the order they were added.
class TMultiSchemes {
 public:
  static constexpr int kMaxSchemes = 30;
  explicit TMultiSchemes(TSrcMultiHighlighter* owner) : owner_(owner) {}
  int Count() const { return static_cast<int>(items_.size()); }
  TMultiScheme* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  // A 31st scheme is refused with an exception.
  TMultiScheme* Add();
  void Delete(int index);
  void Clear();

 private:
  TSrcMultiHighlighter* owner_;
  std::vector<std::unique_ptr<TMultiScheme>> items_;
};

// One marker of the current line.
struct TMultiMarker {
  int SchemeIndex;
  int StartPos;  // 1-based column
  int MarkerLen;
  QString MarkerText;
  bool IsOpenMarker;
};

class TSrcMultiHighlighter : public TSrcCustomHighlighter {
  Q_OBJECT
 public:
  explicit TSrcMultiHighlighter(QObject* owner = nullptr);
  ~TSrcMultiHighlighter() override;

  TMultiSchemes& Schemes() { return schemes_; }
  const TMultiSchemes& Schemes() const { return schemes_; }
  TSrcCustomHighlighter* DefaultHighlighter() const { return default_.data(); }
  // The multi highlighter itself is refused with an exception.
  void SetDefaultHighlighter(TSrcCustomHighlighter* value);
  const QString& DefaultLanguageName() const { return defaultLanguageName_; }
  void SetDefaultLanguageName(const QString& value) { defaultLanguageName_ = value; }

  QString GetLanguageName() const override;
  QString GetSampleSource() const override { return sampleSource_; }
  void SetSampleSource(const QString& value) override { sampleSource_ = value; }
  // Attribute i is scheme i's marker attribute.
  int GetAttributeCount() const override { return schemes_.Count(); }
  TSrcHighlighterAttributes* GetAttribute(int index) const override;
  TSrcHighlighterAttributes* GetRoleAttribute(int role) const override;
  TSrcIdentChars GetIdentChars() const override;

  void SetLine(const QString& lineText, int lineIndex) override;
  void ScanNext() override;
  bool AtLineEnd() const override { return atEnd_; }
  QString GetTokenText() const override { return GetTokenView().toString(); }
  int GetTokenPos() const override;
  int GetTokenLength() const override;
  TSrcHighlighterAttributes* GetTokenAttribute() const override;
  int GetTokenKind() const override;
  int GetRange() const override;
  void SetRange(int value) override;
  void ResetRange() override;

  // The markers of the current line, in order of position.
  const std::vector<TMultiMarker>& Markers() const { return markers_; }
  // The steps the marker search of the current line took and had left.
  // All its searches share one budget; once it is spent, the line keeps
  // the markers found so far.
  const TRegexBudget& LineBudget() const { return lineBudget_; }
  // Tells the editors that colours or schemes changed.
  void SchemesChanged() {
    takingDirty_ = true;
    AttributesChanged(this);
  }
  // Follows the attribute changes of the default and every scheme's
  // highlighter (each once), and no others.
  void Relink();

 private:
  void HookChanged(TObject*) { SchemesChanged(); }  // a highlighter switched on or off, or recoloured
  // The highlighter of the current scheme, or the default one; kept in
  // active_ while a line is scanned.
  TSrcCustomHighlighter* FindActive() const;
  TSrcCustomHighlighter* Active() const { return active_ ? active_ : FindActive(); }
  void LinkedDestroyed() {
    active_ = nullptr;
    takingDirty_ = true;
  }
  void UpdateActive() { active_ = FindActive(); }
  void FindMarkers();
  void AddMarker(int scheme, int start0, int length, bool open);
  void Advance();
  void PassMarker(const TMultiMarker& marker);

  TMultiSchemes schemes_;
  QPointer<TSrcCustomHighlighter> default_;
  std::vector<QPointer<TSrcCustomHighlighter>> linked_;
  QString defaultLanguageName_;
  QString sampleSource_;

  std::vector<TMultiMarker> markers_;
  TRegexBudget lineBudget_;
  std::vector<std::pair<int, int>> found_;  // start matches found in the line, by scheme
  std::vector<char> taking_;                // how each scheme takes part
  std::bitset<256> firstChars_;             // where a start tried by place can begin
  bool firstHigh_ = false, byPlace_ = false;
  bool takingDirty_ = true;
  TSrcCustomHighlighter* active_ = nullptr;
  size_t nextMarker_ = 0;
  int markerToken_ = -1;  // index of the marker that is the current token
  int scheme_ = -1;       // -1: the default highlighter
  int savedDefaultRange_ = 0;
  int lineNumber_ = 0;
  // The current token: a marker, a token of the active highlighter inside
  // the segment between markers, or (tokenPos_, run_) otherwise.
  int tokenPos_ = 0;
  int run_ = 0;
  int segmentStart_ = 0;
  int segmentEnd_ = 0;
  bool segmentToken_ = false;
  bool wholeLine_ = false;  // no default highlighter: the line is one token
  bool atEnd_ = false;
};
