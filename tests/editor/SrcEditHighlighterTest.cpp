#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <tuple>
#include <vector>

#include "editor/SrcEditHighlighter.h"
#include "editor/SrcEditStrConst.h"

namespace {

// Splits a line into words and blanks; state 1 = "inside a comment" marker
// is carried when a line ends with "\\".
class WordHighlighter : public TSrcCustomHighlighter {
  Q_OBJECT
 public:
  explicit WordHighlighter(QObject* owner = nullptr) : TSrcCustomHighlighter(owner) {
    word = new TSrcHighlighterAttributes(SrcEditStrConst::AttrNameIdentifier);
    word->SetForeground(clNavy);
    space = new TSrcHighlighterAttributes(SrcEditStrConst::AttrNameSpace);
    comment = new TSrcHighlighterAttributes(SrcEditStrConst::AttrNameComment);
    comment->SetStyle(fsItalic);
    AddAttribute(word);
    AddAttribute(space);
    AddAttribute(comment);
    SetAttributesOnChange(TNotifyEvent::Bind<&TSrcCustomHighlighter::AttributesChanged>(this));
    SetDefaultFilter(SrcEditStrConst::FilterHTML);
  }
  TSrcHighlighterAttributes* GetRoleAttribute(int role) const override {
    return role == roleIdentifier ? word : role == roleWhitespace ? space : role == roleComment ? comment : nullptr;
  }
  bool AtLineEnd() const override { return start_ >= lineText_.size(); }
  QString GetTokenText() const override { return GetTokenView().toString(); }
  TSrcHighlighterAttributes* GetTokenAttribute() const override { return lineText_[start_] == u' ' ? space : word; }
  int GetTokenKind() const override { return lineText_[start_] == u' ' ? 1 : 0; }
  int GetTokenPos() const override { return start_; }
  int GetTokenLength() const override { return pos_ - start_; }
  void ScanNext() override {
    start_ = pos_;
    if (pos_ >= lineText_.size()) return;
    const bool blank = lineText_[pos_] == u' ';
    while (pos_ < lineText_.size() && (lineText_[pos_] == u' ') == blank) ++pos_;
  }
  void SetLine(const QString& text, int) override {
    lineText_ = text;
    pos_ = 0;
    ScanNext();
  }
  QString GetSampleSource() const override { return sample; }
  void SetSampleSource(const QString& s) override { sample = s; }

  TSrcHighlighterAttributes *word, *space, *comment;
  QString sample = QStringLiteral("words and blanks");
  int start_ = 0, pos_ = 0;
};

class DerivedWordHighlighter : public WordHighlighter {
  Q_OBJECT
 public:
  using WordHighlighter::WordHighlighter;
};

// Has only a "Comment" attribute; never advances.
class StuckHighlighter : public TSrcCustomHighlighter {
  Q_OBJECT
 public:
  StuckHighlighter() {
    comment = new TSrcHighlighterAttributes(SrcEditStrConst::AttrNameComment);
    AddAttribute(comment);
    SetAttributesOnChange(TNotifyEvent::Bind<&TSrcCustomHighlighter::AttributesChanged>(this));
  }
  TSrcHighlighterAttributes* GetRoleAttribute(int) const override { return comment; }
  bool AtLineEnd() const override { return false; }
  QString GetTokenText() const override { return QString(); }
  TSrcHighlighterAttributes* GetTokenAttribute() const override { return comment; }
  int GetTokenKind() const override { return 0; }
  int GetTokenPos() const override { return 0; }
  int GetTokenLength() const override { return 0; }
  void ScanNext() override { ++calls; }
  void SetLine(const QString& text, int) override { lineText_ = text; }
  QString GetSampleSource() const override { return sample; }
  void SetSampleSource(const QString& s) override { sample = s; }
  TSrcHighlighterAttributes* comment;
  QString sample = QStringLiteral("stuck");
  int calls = 0;
};

struct Listener {
  int hits = 0;
  void Changed(TObject* sender) {
    ++hits;
    last = sender;
  }
  TObject* last = nullptr;
};

}  // namespace

TEST(Highlighter, AttributesStartColourlessAndNotifyOnRealChanges) {
  TSrcHighlighterAttributes a(QStringLiteral("Comment"));
  EXPECT_EQ(a.Background(), clNone);
  EXPECT_EQ(a.Foreground(), 0x1FFFFFFF);
  EXPECT_EQ(a.Style(), 0);
  Listener l;
  a.OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
  a.SetForeground(clNone);
  EXPECT_EQ(l.hits, 0);
  a.SetForeground(clRed);
  EXPECT_EQ(l.hits, 1);
  EXPECT_EQ(l.last, &a);
  a.SetStyle(fsBold | fsUnderline);
  EXPECT_EQ(l.hits, 2);

  TSrcHighlighterAttributes b(QStringLiteral("Other"));
  Listener lb;
  b.OnChange = TNotifyEvent::Bind<&Listener::Changed>(&lb);
  b.Assign(a);
  EXPECT_EQ(b.Name(), QStringLiteral("Comment"));
  EXPECT_EQ(b.Foreground(), clRed);
  EXPECT_EQ(lb.hits, 1);  // once for the three values
  b.Assign(a);
  EXPECT_EQ(lb.hits, 1);  // nothing changed
}

TEST(Highlighter, ListSortedByNameAndDuplicatesRefused) {
  WordHighlighter h;
  ASSERT_EQ(h.GetAttributeCount(), 3);
  EXPECT_EQ(h.GetAttribute(0)->Name(), QStringLiteral("Comment"));
  EXPECT_EQ(h.GetAttribute(1)->Name(), QStringLiteral("Identifier"));
  EXPECT_EQ(h.GetAttribute(2)->Name(), QStringLiteral("Space"));
  EXPECT_EQ(h.GetAttribute(3), nullptr);
  EXPECT_EQ(h.GetAttribute(-1), nullptr);
  auto* dup = new TSrcHighlighterAttributes(QStringLiteral("comment"));
  try {
    h.AddAttribute(dup);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("String list does not allow duplicates"));
  }
  delete dup;

  // Defaults are what the constructor set up: only later changes are stored.
  EXPECT_FALSE(h.word->ForegroundStored());
  h.word->SetForeground(clGreen);
  EXPECT_TRUE(h.word->ForegroundStored());
  EXPECT_FALSE(h.comment->StyleStored());

  EXPECT_EQ(h.GetLanguageName(), QStringLiteral("<Unknown>"));
  EXPECT_EQ(h.DefaultFilter(), QStringLiteral("HTML Document (*.htm,*.html)|*.htm;*.html"));
}

TEST(Highlighter, ChangesReachEverySubscribedEditor) {
  WordHighlighter h;
  Listener editor1, editor2;
  h.AddChangeHandler(TNotifyEvent::Bind<&Listener::Changed>(&editor1));
  h.AddChangeHandler(TNotifyEvent::Bind<&Listener::Changed>(&editor2));
  h.comment->SetForeground(clGreen);
  EXPECT_EQ(editor1.hits, 1);
  EXPECT_EQ(editor2.hits, 1);
  EXPECT_EQ(editor1.last, static_cast<TObject*>(&h));
  h.comment->SetForeground(clGreen);
  EXPECT_EQ(editor1.hits, 1);

  h.SetEnabled(false);
  EXPECT_EQ(editor2.hits, 2);
  h.SetEnabled(false);
  EXPECT_EQ(editor2.hits, 2);

  h.BeginUpdate();
  h.word->SetBackground(clWhite);
  h.space->SetBackground(clWhite);
  EXPECT_EQ(editor1.hits, 2);
  h.EndUpdate();
  EXPECT_EQ(editor1.hits, 3);  // once for the block

  h.RemoveChangeHandler(TNotifyEvent::Bind<&Listener::Changed>(&editor1));
  h.word->SetBackground(clBlack);
  EXPECT_EQ(editor1.hits, 3);
  EXPECT_EQ(editor2.hits, 4);
}

TEST(Highlighter, AssignCopiesMatchingAttributesOnly) {
  WordHighlighter words;
  StuckHighlighter other;
  other.comment->SetForeground(clPurple);
  other.SetDefaultFilter(QStringLiteral("X|*.x"));
  other.SetEnabled(false);
  words.Assign(other);
  EXPECT_EQ(words.comment->Foreground(), clPurple);
  EXPECT_EQ(words.word->Foreground(), clNavy);
  EXPECT_EQ(words.sample, QStringLiteral("words and blanks"));  // different class: no sample
  EXPECT_EQ(words.DefaultFilter(), QStringLiteral("X|*.x"));
  EXPECT_FALSE(words.Enabled());

  DerivedWordHighlighter derived;
  derived.sample = QStringLiteral("derived sample");
  WordHighlighter target;
  target.Assign(derived);  // derived from the target's class: sample copied
  EXPECT_EQ(target.sample, QStringLiteral("derived sample"));
  derived.Assign(words);  // base into derived: no sample
  EXPECT_EQ(derived.sample, QStringLiteral("derived sample"));
}

TEST(Highlighter, CharacterSetsAndScanning) {
  WordHighlighter h;
  const TSrcIdentChars breaks = h.WordBreakChars();
  int count = 0;
  for (int c = 0; c < 256; ++c) count += breaks.Contains(QChar(c));
  EXPECT_EQ(count, 22);
  for (QChar c : QStringLiteral("!\"'()*+,-./:;=?[]\\^{}|")) EXPECT_TRUE(breaks.Contains(c));
  EXPECT_FALSE(breaks.Contains(u'_'));
  const TSrcIdentChars ident = h.GetIdentChars();
  EXPECT_FALSE(ident.Contains(u' '));
  EXPECT_TRUE(ident.Contains(QChar(33)));
  EXPECT_TRUE(ident.Contains(QChar(255)));

  h.SetLine(QStringLiteral("ab  cd"), 0);
  QStringList tokens;
  for (int n = h.MaxTokens(); n > 0 && !h.AtLineEnd(); --n) {
    tokens << h.GetTokenView().toString();
    h.ScanNext();
  }
  EXPECT_EQ(tokens, QStringList({"ab", "  ", "cd"}));

  StuckHighlighter stuck;
  stuck.SetLine(QStringLiteral("abc"), 0);
  stuck.ScanToLineEnd();  // returns although the scanner never reaches the end
  EXPECT_EQ(stuck.calls, 4);
}

// The base NextToken reads a token through the single calls and moves on;
// at the line's end it gives false and leaves the token as it was.
TEST(Highlighter, NextTokenReadsATokenAndMovesOn) {
  WordHighlighter h;
  h.SetLineView(u"ab  cd", 0);
  std::vector<std::tuple<int, int, int, TSrcHighlighterAttributes*>> tokens;
  TSrcTokenInfo t;
  for (int n = h.MaxTokens(); n > 0 && h.NextToken(t); --n) tokens.emplace_back(t.pos, t.length, t.kind, t.attribute);
  const std::vector<std::tuple<int, int, int, TSrcHighlighterAttributes*>> expected{
      {0, 2, 0, h.word}, {2, 2, 1, h.space}, {4, 2, 0, h.word}};
  EXPECT_EQ(tokens, expected);
  t = {7, 8, 9, nullptr};
  EXPECT_FALSE(h.NextToken(t));
  EXPECT_EQ(t.pos, 7);
  EXPECT_EQ(t.length, 8);

  StuckHighlighter stuck;  // the caller's bound ends the loop
  stuck.SetLine(QStringLiteral("abc"), 0);
  int n = stuck.MaxTokens();
  while (n > 0 && stuck.NextToken(t)) --n;
  EXPECT_EQ(stuck.calls, 4);
  EXPECT_EQ(t.attribute, stuck.comment);
}

TEST(Highlighter, RegistryRoundTripAndOtherLayouts) {
  QTemporaryDir dir;
  TRegistry::SetStorageFile(dir.filePath("registry.json"));
  WordHighlighter h;
  h.comment->SetForeground(clRed);
  h.comment->SetStyle(fsBold | fsStrikeOut);
  ASSERT_TRUE(h.SaveToRegistry(TRegistryRoot::CurrentUser, QStringLiteral("Software\\Test\\Words")));
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("Software\\Test\\Words\\Comment")));
  EXPECT_EQ(reg.ReadInteger(QStringLiteral("Style")), 9);
  EXPECT_EQ(reg.ReadInteger(QStringLiteral("Foreground")), clRed);

  WordHighlighter fresh;
  EXPECT_FALSE(fresh.LoadFromRegistry(TRegistryRoot::CurrentUser, QStringLiteral("Software\\Missing")));
  ASSERT_TRUE(fresh.LoadFromRegistry(TRegistryRoot::CurrentUser, QStringLiteral("Software\\Test\\Words")));
  EXPECT_EQ(fresh.comment->Foreground(), clRed);
  EXPECT_EQ(fresh.comment->Style(), fsBold | fsStrikeOut);

  // The newer layout of another editor.
  TRegistry w;
  ASSERT_TRUE(w.OpenKey(QStringLiteral("Software\\Other\\Highlight\\Comment"), true));
  w.WriteInteger(QStringLiteral("Foreground Color"), clBlue);
  w.WriteInteger(QStringLiteral("Background Color"), clYellow);
  w.WriteString(QStringLiteral("Bold"), QStringLiteral("True"));
  w.WriteString(QStringLiteral("Italic"), QStringLiteral("FALSE"));
  w.WriteString(QStringLiteral("Underline"), QStringLiteral("0"));
  w.WriteString(QStringLiteral("Default Background"), QStringLiteral("1"));
  TSrcHighlighterAttributes a(QStringLiteral("Comment"));
  ASSERT_TRUE(a.LoadFromRegistry(TRegistryRoot::CurrentUser, QStringLiteral("Software\\Other\\Highlight"),
                                 QStringLiteral("Comment"), false));
  EXPECT_EQ(a.Foreground(), clBlue);
  EXPECT_EQ(a.Background(), clWindow);
  EXPECT_EQ(a.Style(), fsBold);

  // The older layout: one string of seven fields.
  ASSERT_TRUE(w.OpenKey(QStringLiteral("Software\\Older"), true));
  w.WriteString(QStringLiteral("Comment"), QStringLiteral("x,y,BU,0,1,9,3"));
  ASSERT_TRUE(a.LoadFromRegistry(TRegistryRoot::CurrentUser, QStringLiteral("Software\\Older"),
                                 QStringLiteral("Comment"), true));
  EXPECT_EQ(a.Foreground(), clRed);
  EXPECT_EQ(a.Background(), clWindow);
  EXPECT_EQ(a.Style(), fsBold | fsUnderline);
  EXPECT_FALSE(a.LoadFromRegistry(TRegistryRoot::CurrentUser, QStringLiteral("Software\\Older"),
                                  QStringLiteral("Missing"), true));
  TRegistry::SetStorageFile(QString());
}

TEST(Highlighter, ClassListKeepsEachClassOnce) {
  const size_t before = TSrcHighlighterList().size();
  RegisterHighlighter<WordHighlighter>();
  RegisterHighlighter<WordHighlighter>();
  RegisterHighlighter<DerivedWordHighlighter>();
  ASSERT_EQ(TSrcHighlighterList().size(), before + 2);
  QObject owner;
  TSrcCustomHighlighter* made = TSrcHighlighterList()[before].create(&owner);
  EXPECT_STREQ(made->ClassName(), "WordHighlighter");
  EXPECT_EQ(made->parent(), &owner);
}

#include "SrcEditHighlighterTest.moc"
