// The interface every language highlighter implements, and the attribute
// set (colours and font style) of one token class.
//
// Scanning contract: the caller keeps one range per line, the scanner state
// at the start of that line. To scan line i it calls ResetRange (line 0) or
// SetRange (the stored range), then SetLine; while AtLineEnd is false it
// reads the current token and calls ScanNext (or, in one call, NextToken).
// GetRange afterwards is the state at the start of line i + 1. A scanner that
// fails to advance must not hang the caller: loops stop after MaxTokens()
// tokens.
#pragma once

#include <QObject>
#include <QString>
#include <QStringView>
#include <bitset>
#include <vector>

#include "editor/SrcEditMiscClasses.h"
#include "platform/Colors.h"
#include "platform/Registry.h"
#include "platform/Types.h"

// A set of characters: the 256 codes below 256 by bit, all characters from
// 256 on by one flag.
class TSrcIdentChars {
 public:
  TSrcIdentChars() = default;
  TSrcIdentChars(QStringView chars, bool above255 = false);
  static TSrcIdentChars Range(int from, int to, bool above255 = false);
  bool Contains(QChar c) const { return c.unicode() < 256 ? bits_[c.unicode()] : above255_; }
  void Include(QChar c);
  void Exclude(QChar c);
  bool operator==(const TSrcIdentChars&) const = default;

 private:
  std::bitset<256> bits_;
  bool above255_ = false;
};

// Colours and style of one token class.
class TSrcHighlighterAttributes : public TObject {
 public:
  explicit TSrcHighlighterAttributes(const QString& name) : name_(name) {}
  const char* ClassName() const override { return "TSrcHighlighterAttributes"; }

  const QString& Name() const { return name_; }
  TColor Background() const { return background_; }
  TColor Foreground() const { return foreground_; }
  TFontStyles Style() const { return style_; }
  void SetBackground(TColor value);
  void SetForeground(TColor value);
  void SetStyle(TFontStyles value);
  // Each property is stored (written out) only when it differs from its default.
  bool BackgroundStored() const { return background_ != backgroundDefault_; }
  bool ForegroundStored() const { return foreground_ != foregroundDefault_; }
  bool StyleStored() const { return style_ != styleDefault_; }
  // Makes the current values the defaults.
  void InternalSaveDefaultValues();

  // Copies name, colours and style; notifies once when anything changed.
  void Assign(const TSrcHighlighterAttributes& source);

  // Reads this attribute from another editor's registry layout: the newer
  // one (a key with typed values) or the older one (one comma-separated
  // string value). Returns false when the key or value is missing.
  bool LoadFromRegistry(TRegistryRoot root, const QString& keyPath, const QString& valueName, bool oldStyle);

  TNotifyEvent OnChange;

 private:
  void Changed();
  QString name_;
  TColor background_ = clNone;
  TColor backgroundDefault_ = clNone;
  TColor foreground_ = clNone;
  TColor foregroundDefault_ = clNone;
  TFontStyles style_ = 0;
  TFontStyles styleDefault_ = 0;
};

class TSrcCustomHighlighter;

// One token of a line as NextToken hands it out.
struct TSrcTokenInfo {
  int pos = 0;  // start, counted from 0 in the line text
  int length = 0;
  int kind = 0;
  TSrcHighlighterAttributes* attribute = nullptr;
};

// A highlighter class as the program knows it: its identity and a maker.
struct TSrcHighlighterClass {
  const QMetaObject* meta = nullptr;
  TSrcCustomHighlighter* (*create)(QObject* owner) = nullptr;
  bool operator==(const TSrcHighlighterClass& o) const { return meta == o.meta; }
};

// The base of every language highlighter. A highlighter may serve several
// editors at once; each subscribes to its change notification.
class TSrcCustomHighlighter : public QObject, public TObject {
  Q_OBJECT
 public:
  // Token roles for GetRoleAttribute.
  enum Role {
    roleComment = 0,
    roleIdentifier = 1,
    roleKeyword = 2,
    roleString = 3,
    roleWhitespace = 4,
    roleSymbol = 5
  };

  explicit TSrcCustomHighlighter(QObject* owner = nullptr);
  ~TSrcCustomHighlighter() override;
  const char* ClassName() const override { return metaObject()->className(); }

  // Copies attributes with matching names, the sample source (from the same
  // class or one derived from it), word-break set, filter and Enabled.
  virtual void Assign(const TSrcCustomHighlighter& source);

  virtual int GetAttributeCount() const;
  // The attribute at `index` of the name-sorted list; none out of range.
  virtual TSrcHighlighterAttributes* GetAttribute(int index) const;
  virtual TSrcHighlighterAttributes* GetRoleAttribute(int role) const = 0;
  virtual QString DefaultFilter() const { return defaultFilter_; }
  virtual bool DefaultFilterStored() const { return true; }
  virtual void SetDefaultFilter(const QString& value) { defaultFilter_ = value; }
  virtual TSrcIdentChars GetIdentChars() const;
  virtual void SetWordBreakChars(const TSrcIdentChars& chars) { wordBreakChars_ = chars; }
  const TSrcIdentChars& WordBreakChars() const { return wordBreakChars_; }
  virtual QString GetSampleSource() const { return QString(); }
  virtual void SetSampleSource(const QString&) {}
  virtual QString GetLanguageName() const { return QStringLiteral("<Unknown>"); }

  // Scanning.
  virtual bool AtLineEnd() const = 0;
  virtual int GetRange() const { return 0; }
  virtual QString GetTokenText() const = 0;
  virtual TSrcHighlighterAttributes* GetTokenAttribute() const = 0;
  virtual int GetTokenKind() const = 0;
  // Start of the current token, counted from 0 in the line text.
  virtual int GetTokenPos() const = 0;
  // Length of the current token; with GetTokenPos it reads the token from
  // LineText() without copying.
  virtual int GetTokenLength() const = 0;
  virtual bool IsKeyword(const QString&) const { return false; }
  virtual void ScanNext() = 0;
  // Starts a line from the current range and scans its first token. The
  // highlighter keeps its own (shared) copy of the text.
  virtual void SetLine(const QString& lineText, int lineIndex) = 0;
  // SetLine for a caller that keeps the text alive and unchanged until it
  // has read the line's tokens (up to its next SetLine or SetLineView): the
  // highlighter may scan it in place, without taking a copy, and LineText()
  // then refers to the caller's text. Base: SetLine on a copy.
  virtual void SetLineView(QStringView lineText, int lineIndex);
  virtual void SetRange(int) {}
  virtual void ResetRange() {}
  // At the line's end false; else the current token's position, length,
  // kind and attribute go to `token`, the scan moves on to the next token
  // (ScanNext) and the result is true. The token loops of painting,
  // printing and rescanning make this one call per token; a highlighter
  // may do it faster than the calls it stands for, never differently.
  virtual bool NextToken(TSrcTokenInfo& token);

  virtual bool LoadFromRegistry(TRegistryRoot root, const QString& keyPath);
  virtual bool SaveToRegistry(TRegistryRoot root, const QString& keyPath);

  const QString& LineText() const { return lineText_; }
  QStringView GetTokenView() const;
  // The most tokens a line can hold: the bound of every token loop.
  int MaxTokens() const { return static_cast<int>(lineText_.size()) + 1; }
  // Calls ScanNext until AtLineEnd (at most MaxTokens times); a highlighter
  // may do it with fewer calls, never to another end.
  virtual void ScanToLineEnd();

  // Adds an attribute under its name; a name already present raises
  // EStringListError.
  void AddAttribute(TSrcHighlighterAttributes* attribute);
  // Sets every attribute's OnChange and makes its values the defaults.
  void SetAttributesOnChange(const TNotifyEvent& handler);
  // Tells the listeners now, or marks the change pending inside an update.
  void AttributesChanged(TObject* sender = nullptr);
  void AddChangeHandler(const TNotifyEvent& handler) { changeChain_.Add(handler); }
  void RemoveChangeHandler(const TNotifyEvent& handler) { changeChain_.Remove(handler); }
  int ChangeHandlerCount() const { return changeChain_.Count(); }

  // Update blocks gather changes; the end of the outermost one fires a
  // pending change once.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);

  // The attribute of a name, or none.
  TSrcHighlighterAttributes* AttributeByName(const QString& name) const;

 protected:
  QString lineText_;

 private:
  std::vector<TSrcHighlighterAttributes*> attributes_;  // sorted by name, case-insensitive
  TSrcNotifyEventChain changeChain_;
  int updateCount_ = 0;
  bool enabled_ = true;
  TSrcIdentChars wordBreakChars_;
  QString defaultFilter_;
  bool changesPending_ = false;
};

// The highlighter classes the program offers, in registration order.
std::vector<TSrcHighlighterClass>& TSrcHighlighterList();
// Adds a class unless it is already there.
void RegisterHighlighter(const TSrcHighlighterClass& cls);
template <class T>
void RegisterHighlighter() {
  RegisterHighlighter(TSrcHighlighterClass{&T::staticMetaObject,
                                           [](QObject* owner) -> TSrcCustomHighlighter* { return new T(owner); }});
}

// The default word-break characters.
TSrcIdentChars DefaultWordBreakChars();
