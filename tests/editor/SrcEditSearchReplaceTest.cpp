#include <gtest/gtest.h>

#include "editor/SrcEdit.h"
#include "tests/editor/SrcEditCommandCase.h"

namespace {

// Search-and-replace in every selection mode: the mode decides the scope
// (a selection of (1, 1) to (3, 2)), the replacement is always exactly the hit.
struct ReplaceCase {
  TSrcSelectionMode mode;
  bool selectionOnly;
  bool all;
  const char* replacement;
  QStringList after;
};

}  // namespace

TEST(SrcEditSearchReplace, ReplacesExactlyTheHitInEveryMode) {
  const QStringList before{"a1 a2", "a3 a4", "zz"};
  const QStringList firstOnly{"b1 a2", "a3 a4", "zz"};
  const QStringList firstOnlyBreak{"b", "c1 a2", "a3 a4", "zz"};
  const QStringList everyHit{"b1 b2", "b3 b4", "zz"};
  const QStringList everyHitBreak{"b", "c1 b", "c2", "b", "c3 b", "c4", "zz"};
  const ReplaceCase cases[] = {
      // The whole text.
      {smNormal, false, false, "b", firstOnly},
      {smNormal, false, false, "b\r\nc", firstOnlyBreak},
      {smNormal, false, true, "b", everyHit},
      {smNormal, false, true, "b\r\nc", everyHitBreak},
      {smLine, false, false, "b", firstOnly},
      {smLine, false, false, "b\r\nc", firstOnlyBreak},
      {smLine, false, true, "b", everyHit},
      {smLine, false, true, "b\r\nc", everyHitBreak},
      {smColumn, false, false, "b", firstOnly},
      {smColumn, false, false, "b\r\nc", firstOnlyBreak},
      {smColumn, false, true, "b", everyHit},
      {smColumn, false, true, "b\r\nc", everyHitBreak},
      // The selection: up to column 3 of line 2, its lines, its columns.
      {smNormal, true, false, "b", firstOnly},
      {smNormal, true, false, "b\r\nc", firstOnlyBreak},
      {smNormal, true, true, "b", {"b1 b2", "b3 a4", "zz"}},
      {smNormal, true, true, "b\r\nc", {"b", "c1 b", "c2", "b", "c3 a4", "zz"}},
      {smLine, true, false, "b", firstOnly},
      {smLine, true, false, "b\r\nc", firstOnlyBreak},
      {smLine, true, true, "b", everyHit},
      {smLine, true, true, "b\r\nc", everyHitBreak},
      {smColumn, true, false, "b", firstOnly},
      {smColumn, true, false, "b\r\nc", firstOnlyBreak},
      {smColumn, true, true, "b", {"b1 a2", "b3 a4", "zz"}},
      {smColumn, true, true, "b\r\nc", {"b", "c1 a2", "b", "c3 a4", "zz"}},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << int(c.mode) << (c.selectionOnly ? " selection" : " text")
                                    << (c.all ? " all " : " one ") << c.replacement);
    auto e = MakeEdit(before);
    e->SetSelectionMode(c.mode);
    Select(*e, TPoint{1, 1}, TPoint{3, 2});
    TSrcSearchOptions options = c.selectionOnly ? ssoSelectedOnly : ssoEntireScope;
    options |= c.all ? ssoReplaceAll : ssoReplace;
    EXPECT_GE(e->SearchReplace("a", QString::fromLatin1(c.replacement), options), 1);
    EXPECT_EQ(LinesOf(*e), c.after);
    EXPECT_EQ(e->SelectionMode(), c.mode);
    e->Undo();
    EXPECT_EQ(LinesOf(*e), before);
    e->Redo();
    EXPECT_EQ(LinesOf(*e), c.after);
  }
}
