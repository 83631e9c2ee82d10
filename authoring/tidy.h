// TTidy: one HTML Tidy document with its options as properties. It parses a
// text, cleans and repairs it, runs the diagnostics, produces the output and
// passes Tidy's messages to OnReport. Tidy itself is the engine of
// TidyEngine.h; without one (the tidy module could not be loaded) Available()
// is false, options read as 0 and runs give no output.
//
// The engine is made when Tidy is first needed (an option read, a run, its
// configuration text), not when the TTidy is made: a document window makes
// one, and opening a window must not load the tidy module (nor fail when the
// module is damaged). What is set before that (options, configuration files,
// the source, the report handler) is kept in order and handed to the engine
// when it comes. Where Tidy is linked into the program (SetTidyEngineFactory)
// the engine is made at once.
#pragma once

#include <tidy/tidy.h>

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "authoring/TidyEngine.h"
#include "platform/Types.h"

// Report levels as handed to OnReport: counted from Tidy's information level.
enum TTidyReportLevel {
  trlInfo = 0,
  trlWarning = 1,
  trlConfig = 2,
  trlAccess = 3,
  trlError = 4,
  trlBadDocument = 5,
  trlFatal = 6,
};

// sender, level (TTidyReportLevel or above), line, column, message; clearing
// bWriteOut keeps Tidy from writing the message to its own error output.
using tTidyReportEvent =
    std::function<void(TObject*, int level, unsigned line, unsigned col, const QString& msg, bool& bWriteOut)>;

// The Boolean options: property name and Tidy option. HideEndTags is Tidy's
// "omit optional tags"; DropFontTags is no Tidy option any more (kept so
// that stored settings still load) and changes nothing.
#define KV_TIDY_BOOL_OPTIONS(X)                                                                                       \
  X(Quiet, TidyQuiet)                                                                                                 \
  X(ShowWarnings, TidyShowWarnings) X(ForceOutput, TidyForceOutput) X(ReplaceColor, TidyReplaceColor)                 \
      X(HideEndTags, TidyOmitOptionalTags) X(XmlTags, TidyXmlTags) X(XmlDecl, TidyXmlDecl) X(                         \
          UpperCaseTags, TidyUpperCaseTags) X(UpperCaseAttrs, TidyUpperCaseAttrs) X(MakeBare, TidyMakeBare)           \
          X(MakeClean, TidyMakeClean) X(LogicalEmphasis, TidyLogicalEmphasis) X(DropPropAttrs, TidyDropPropAttrs) X(  \
              DropEmptyParas, TidyDropEmptyParas) X(FixComments, TidyFixComments) X(BreakBeforeBR, TidyBreakBeforeBR) \
              X(NumEntities, TidyNumEntities) X(QuoteMarks, TidyQuoteMarks) X(QuoteNbsp, TidyQuoteNbsp)               \
                  X(QuoteAmpersand, TidyQuoteAmpersand) X(WrapAttVals, TidyWrapAttVals)                               \
                      X(WrapScriptlets, TidyWrapScriptlets) X(WrapSection, TidyWrapSection) X(WrapAsp, TidyWrapAsp)   \
                          X(WrapJste, TidyWrapJste) X(WrapPhp, TidyWrapPhp) X(FixBackslash, TidyFixBackslash) X(      \
                              IndentAttributes, TidyIndentAttributes) X(XmlPIs, TidyXmlPIs) X(XmlSpace, TidyXmlSpace) \
                              X(EncloseBodyText, TidyEncloseBodyText) X(EncloseBlockText, TidyEncloseBlockText)       \
                                  X(Word2000, TidyWord2000) X(Mark, TidyMark) X(LiteralAttribs, TidyLiteralAttribs)   \
                                      X(BodyOnly, TidyBodyOnly) X(FixUri, TidyFixUri)                                 \
                                          X(LowerLiterals, TidyLowerLiterals) X(HideComments, TidyHideComments)       \
                                              X(IndentCdata, TidyIndentCdata) X(AsciiChars, TidyAsciiChars)           \
                                                  X(JoinClasses, TidyJoinClasses) X(JoinStyles, TidyJoinStyles)       \
                                                      X(EscapeCdata, TidyEscapeCdata)

// The integer and enumeration options.
#define KV_TIDY_INT_OPTIONS(X)                                                                                      \
  X(ShowErrors, TidyShowErrors)                                                                                     \
  X(AccessibilityCheckLevel, TidyAccessibilityCheckLevel) X(IndentSpaces, TidyIndentSpaces) X(WrapLen, TidyWrapLen) \
      X(TabSize, TidyTabSize) X(CharEncoding, TidyCharEncoding) X(InCharEncoding, TidyInCharEncoding)               \
          X(OutCharEncoding, TidyOutCharEncoding) X(DuplicateAttrs, TidyDuplicateAttrs)                             \
              X(IndentContent, TidyIndentContent)

class TTidy : public TObject {
 public:
  explicit TTidy(TObject* owner = nullptr);
  ~TTidy() override;
  TTidy(const TTidy&) = delete;
  TTidy& operator=(const TTidy&) = delete;
  const char* ClassName() const override { return "TTidy"; }

#define KV_TIDY_BOOL_PROPERTY(Name, Id)     \
  bool Name() const { return GetBool(Id); } \
  void Set##Name(bool v) { SetBool(Id, v); }
#define KV_TIDY_INT_PROPERTY(Name, Id)    \
  int Name() const { return GetInt(Id); } \
  void Set##Name(int v) { SetInt(Id, v); }
  KV_TIDY_BOOL_OPTIONS(KV_TIDY_BOOL_PROPERTY)
  KV_TIDY_INT_OPTIONS(KV_TIDY_INT_PROPERTY)
#undef KV_TIDY_BOOL_PROPERTY
#undef KV_TIDY_INT_PROPERTY
  bool DropFontTags() const { return dropFontTags_; }
  void SetDropFontTags(bool v) { dropFontTags_ = v; }
  QString AltText() const;
  void SetAltText(const QString& v);
  // Writing it also sends Tidy's own messages to that file.
  QString ErrorFile() const;
  void SetErrorFile(const QString& v);

  // False once Tidy refused an option value; never set again.
  bool OptionsOk() const {
    const ITidyEngine* engine = Engine();
    return !engine || engine->OptionsOk();
  }
  // Whether there is a Tidy engine (making it when there is none yet); why
  // not, when there is none.
  bool Available() const { return Engine() != nullptr; }
  const QString& UnavailableReason() const {
    Engine();
    return unavailable_;
  }

  // Reads a Tidy configuration file; false when it cannot be read or holds
  // options Tidy does not know. Before the engine is made the file is only
  // looked at (false when it is no readable file) and read when Tidy is
  // first needed.
  bool LoadConfigFile(const QString& fileName);
  // The text the next run reads (whole, also past a NUL character).
  void SetSourceString(const QString& s);
  // Switches HTML output on and runs.
  void Execute(QString& output);
  // Parses the source (used up by the run), cleans and saves; empty output
  // without a source. A lone line break comes back empty. Whatever the
  // encoding options say, every character of the source comes back: Tidy
  // reads and writes the text whole, leaves the character set the page
  // declares and the entities it was written with as they are.
  void Run(QString& output);
  // Cleans, diagnoses and saves the parsed document. With Congruent set the
  // output is parsed and cleaned again until two passes agree (at most 10);
  // Congruent then tells whether they did. Only the first pass reports.
  void CleanAndSave(QString& output);
  // A fresh Tidy document with the same options and report handler.
  void Reset();
  // The options as a Tidy configuration file that LoadConfigFile reads back
  // to the same options (the encodings spelled out, since a later
  // "char-encoding" would otherwise change them).
  QByteArray ConfigText() const;

  // Set before a run: clean until the output is stable; after it: whether it got there.
  bool Congruent = false;

  const tTidyReportEvent& OnReport() const { return onReport_; }
  void SetOnReport(tTidyReportEvent handler);
  // A plain Tidy report filter in place of OnReport.
  void SetReportFilter(TidyReportFilter filter);

  TidyDoc Document() const {
    const ITidyEngine* engine = Engine();
    return engine ? engine->Document() : nullptr;
  }
  TObject* Owner() const { return owner_; }

 private:
  using TStep = std::function<void(ITidyEngine&)>;

  // The engine, made (and given what was kept for it) on the first call that
  // finds none; null when it cannot be had, unavailable_ then says why.
  ITidyEngine* Engine() const;
  // Does `step` on the engine, or keeps it for the engine to come.
  void Apply(TStep step);
  void InstallReport(ITidyEngine& engine);

  bool GetBool(TidyOptionId id) const {
    const ITidyEngine* engine = Engine();
    return engine && engine->GetBool(id);
  }
  void SetBool(TidyOptionId id, bool v) {
    Apply([id, v](ITidyEngine& e) { e.SetBool(id, v); });
  }
  int GetInt(TidyOptionId id) const {
    const ITidyEngine* engine = Engine();
    return engine ? engine->GetInt(id) : 0;
  }
  void SetInt(TidyOptionId id, int v) {
    Apply([id, v](ITidyEngine& e) { e.SetInt(id, v); });
  }
  QString GetText(TidyOptionId id) const {
    const ITidyEngine* engine = Engine();
    return engine ? engine->GetText(id) : QString();
  }
  void SetText(TidyOptionId id, const QString& v) {
    Apply([id, v](ITidyEngine& e) { e.SetText(id, v); });
  }

  mutable std::unique_ptr<ITidyEngine> engine_;
  mutable QString unavailable_;
  mutable std::vector<TStep> pending_;  // in the order they were asked for
  TObject* owner_ = nullptr;
  tTidyReportEvent onReport_;
  bool dropFontTags_ = false;
};
