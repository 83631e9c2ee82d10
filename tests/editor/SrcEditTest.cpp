#include <gtest/gtest.h>

#include <QClipboard>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <ostream>
#include <random>
#include <stdexcept>
#include <vector>

#include "editor/SrcEdit.h"

// Readable failure messages.
void PrintTo(const TPoint& p, std::ostream* os) { *os << '(' << p.X << ", " << p.Y << ')'; }

namespace {

const QString CRLF = QStringLiteral("\r\n");

// An editor with the given lines, caret at (1, 1).
std::unique_ptr<TSrcEdit> MakeEdit(const QStringList& lines = {}) {
  auto e = std::make_unique<TSrcEdit>();
  e->SetLines(lines);
  return e;
}

void Select(TCustomSrcEdit& e, TPoint from, TPoint to) {
  e.SetCaretXY(from);
  e.SetBlockBegin(from);
  e.SetCaretXY(to);
  e.SetBlockEnd(to);
}

// Types text the way typing does: one insertion per character.
void Type(TCustomSrcEdit& e, const QString& text) {
  for (QChar c : text) e.ProcessCommand(ecChar, c);
}

}  // namespace

// ------------------------------------------------------------- defaults

TEST(SrcEditState, Defaults) {
  auto e = MakeEdit();
  EXPECT_EQ(e->Options(), 53870738u);
  EXPECT_EQ(e->MaxLeftChar(), 1024);
  EXPECT_EQ(e->RightEdge(), 80);
  EXPECT_EQ(e->RightEdgeColor(), clSilver);
  EXPECT_EQ(e->TabWidth(), 8);
  EXPECT_EQ(e->MaxUndo(), 1024);
  EXPECT_TRUE(e->InsertMode());
  EXPECT_EQ(e->SelectionMode(), smNormal);
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 1}));
  EXPECT_EQ(e->TopLine(), 1);
  EXPECT_EQ(e->LeftChar(), 1);
  EXPECT_EQ(e->InsertCaret(), ctVerticalLine);
  EXPECT_EQ(e->OverwriteCaret(), ctBlock);
  EXPECT_FALSE(e->Modified());
  EXPECT_GE(e->CharWidth(), 1);
  EXPECT_GE(e->LineHeight(), 1);
  EXPECT_GE(e->CharsInWindow(), 1);
  EXPECT_GE(e->LinesInWindow(), 1);
}

TEST(SrcEditState, TabWidthIsClamped) {
  auto e = MakeEdit();
  e->SetTabWidth(0);
  EXPECT_EQ(e->TabWidth(), 1);
  e->SetTabWidth(300);
  EXPECT_EQ(e->TabWidth(), 256);
  EXPECT_EQ(e->Lines().TabWidth(), 256);
}

TEST(SrcEditState, ProportionalFontKeepsFixedFace) {
  auto e = MakeEdit();
  const QString face = e->Font().family();
  QFont proportional(QStringLiteral("Sans Serif"), 14);
  proportional.setBold(true);
  e->SetFont(proportional);
  if (!QFontInfo(proportional).fixedPitch()) {
    EXPECT_EQ(e->Font().family(), face);
  }
  EXPECT_EQ(e->Font().pointSize(), 14);
  EXPECT_TRUE(e->Font().bold());
  EXPECT_GE(e->CharWidth(), 1);
}

// ---------------------------------------------------------------- caret

TEST(SrcEditCaret, ClampsToText) {
  auto e = MakeEdit({"abc", "def", "ghi"});
  e->SetCaretXY(TPoint{0, 0});
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 1}));
  e->SetCaretXY(TPoint{5, 999});
  EXPECT_EQ(e->CaretY(), 3);
  EXPECT_EQ(e->CaretX(), 5);  // beyond the line end with eoScrollPastEol
  e->SetOptions(e->Options() & ~eoScrollPastEol);
  e->SetCaretXY(TPoint{50, 1});
  EXPECT_EQ(e->CaretXY(), (TPoint{4, 1}));
  e->SetOptions(e->Options() | eoScrollPastEol);
  e->SetCaretXY(TPoint{5000, 1});
  EXPECT_EQ(e->CaretX(), 1024);
}

TEST(SrcEditCaret, EmptyTextKeepsLineOne) {
  auto e = MakeEdit();
  e->SetOptions(e->Options() & ~eoScrollPastEol);
  e->SetCaretXY(TPoint{7, 3});
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 1}));
}

// ------------------------------------------------------------ selection

TEST(SrcEditSelection, ZeroWidthColumnBlockIsNoSelection) {
  auto e = MakeEdit({"abcd", "efgh", "ijkl"});
  e->SetSelectionMode(smColumn);
  Select(*e, TPoint{2, 1}, TPoint{2, 3});
  EXPECT_FALSE(e->SelAvail());
  e->SetSelectionMode(smNormal);
  EXPECT_TRUE(e->SelAvail());
}

TEST(SrcEditSelection, NoSelectionOptionBlocksBlockEnd) {
  auto e = MakeEdit({"abcd"});
  e->SetOptions(e->Options() | eoNoSelection);
  e->SetBlockBegin(TPoint{1, 1});
  e->SetBlockEnd(TPoint{3, 1});
  EXPECT_FALSE(e->SelAvail());
  EXPECT_EQ(e->BlockEnd(), (TPoint{1, 1}));
}

TEST(SrcEditSelection, BlockBeginClampsInNormalMode) {
  auto e = MakeEdit({"ab", "cdef"});
  e->SetBlockBegin(TPoint{10, 1});
  EXPECT_EQ(e->BlockBegin(), (TPoint{3, 1}));
  e->SetBlockBegin(TPoint{0, 9});
  EXPECT_EQ(e->BlockBegin(), (TPoint{1, 2}));
  e->SetSelectionMode(smColumn);
  e->SetBlockBegin(TPoint{10, 1});
  EXPECT_EQ(e->BlockBegin(), (TPoint{10, 1}));
}

TEST(SrcEditSelection, SelectAll) {
  auto e = MakeEdit({"ab", "cde"});
  e->SelectAll();
  EXPECT_EQ(e->BlockBegin(), (TPoint{1, 1}));
  EXPECT_EQ(e->BlockEnd(), (TPoint{4, 2}));
  EXPECT_EQ(e->CaretXY(), (TPoint{4, 2}));
  EXPECT_EQ(e->GetSelText(), "ab\r\ncde");
  auto empty = MakeEdit();
  empty->SelectAll();
  EXPECT_FALSE(empty->SelAvail());
}

TEST(SrcEditSelection, SelectedTextInAllModes) {
  auto e = MakeEdit({"l1", "l2", "l3"});
  Select(*e, TPoint{2, 1}, TPoint{2, 3});
  EXPECT_EQ(e->GetSelText(), "1\r\nl2\r\nl");
  e->SetSelectionMode(smLine);
  Select(*e, TPoint{1, 2}, TPoint{2, 3});
  EXPECT_EQ(e->GetSelText(), "l2\r\nl3");  // no break after the text's last line
  Select(*e, TPoint{1, 1}, TPoint{1, 2});
  EXPECT_EQ(e->GetSelText(), "l1\r\nl2\r\n");
}

TEST(SrcEditSelection, ColumnTextPadding) {
  auto e = MakeEdit({"ab", "c"});
  e->SetSelectionMode(smColumn);
  Select(*e, TPoint{1, 1}, TPoint{3, 2});
  EXPECT_EQ(e->GetSelText(), "ab\r\nc");  // eoTrimTrailingSpaces is on by default
  e->SetOptions(e->Options() & ~eoTrimTrailingSpaces);
  EXPECT_EQ(e->GetSelText(), "ab\r\nc ");
  e->CopyToClipboard();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "ab\nc ");
  EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(kSrcEditClipboardMimeType), QByteArray("\x02"
                                                                                                  "ab\r\nc \x00",
                                                                                                  8));
}

// -------------------------------------------------------------- offsets

TEST(SrcEditOffsets, SelStartAndSelEnd) {
  auto e = MakeEdit({"ab", "cd"});
  e->SetCaretXY(TPoint{1, 2});
  EXPECT_EQ(e->SelStart(), 5);
  e->SetCaretXY(TPoint{3, 1});
  EXPECT_EQ(e->SelStart(), 3);
  e->SetSelStart(5);
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 2}));
  EXPECT_FALSE(e->SelAvail());

  auto f = MakeEdit({"abc"});
  f->SetCaretXY(TPoint{10, 1});
  EXPECT_EQ(f->SelStart(), 4);
  EXPECT_EQ(f->SelEnd(), 10);
}

TEST(SrcEditOffsets, RoundTripsAndSelection) {
  auto e = MakeEdit({"first line", "", "third", "x"});
  for (int v = 1; v <= 22; ++v) {
    e->SetSelStart(v);
    const int back = e->SelStart();
    // Offsets that point at a line break land at the end of that line.
    const TPoint p = e->CaretXY();
    EXPECT_LE(p.X, e->Lines()[p.Y - 1].size() + 2) << v;
    if (p.X <= e->Lines()[p.Y - 1].size() + 1) {
      EXPECT_EQ(back, v) << v;
    }
  }
  e->SetSelStart(3);
  e->SetSelEnd(17);
  EXPECT_TRUE(e->SelAvail());
  EXPECT_EQ(e->SelStart(), 3);
  EXPECT_EQ(e->SelEnd(), 17);
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 1}));  // the caret stays
  EXPECT_EQ(e->GetSelText(), "rst line\r\n\r\nth");
}

TEST(SrcEditOffsets, FarBeyondTheTextStopsAtTheLastLine) {
  auto e = MakeEdit({"ab", "cd"});
  e->SetSelStart(2000000000);
  EXPECT_EQ(e->CaretY(), 2);
  e->SetOptions(e->Options() & ~eoScrollPastEol);
  e->SetSelStart(2000000000);
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 2}));
  e->SetSelStart(-50);
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 1}));
}

TEST(SrcEditOffsets, FollowEditsAndLineBreakStyle) {
  auto e = MakeEdit({"ab", "cd", "ef"});
  e->Lines().SetFileFormat(lbsLF);  // offsets still count 2 per break
  e->SetCaretXY(TPoint{1, 3});
  EXPECT_EQ(e->SelStart(), 9);
  e->SetCaretXY(TPoint{1, 1});
  e->SetSelText(QStringLiteral("xyz"));
  e->SetCaretXY(TPoint{1, 3});
  EXPECT_EQ(e->SelStart(), 12);
  e->Lines().Delete(0);
  e->SetCaretXY(TPoint{2, 2});
  EXPECT_EQ(e->SelStart(), 6);
  // Exchanging lines of other lengths moves the offsets after them.
  auto f = MakeEdit({"a", "bcdef", "g"});
  f->SetCaretXY(TPoint{1, 3});
  EXPECT_EQ(f->SelStart(), 11);
  f->Lines().Exchange(0, 1);
  EXPECT_EQ(f->SelStart(), 11);
  f->SetCaretXY(TPoint{1, 2});
  EXPECT_EQ(f->SelStart(), 8);  // "bcdef" + break before line 2
}

// ------------------------------------------------------- status changes

TEST(SrcEditStatus, ReportedOnceAsUnionUnderPaintLock) {
  auto e = MakeEdit({"abc", "def"});
  std::vector<TSrcStatusChanges> seen;
  e->OnStatusChange = [&](TObject* sender, TSrcStatusChanges c) {
    EXPECT_EQ(sender, e.get());
    seen.push_back(c);
  };
  e->BeginUpdate();
  e->SetCaretXY(TPoint{2, 2});
  e->SetInsertMode(false);
  e->SetModified(true);
  e->SetReadOnly(true);
  EXPECT_TRUE(seen.empty());
  e->EndUpdate();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], scCaretX | scCaretY | scInsertMode | scModified | scReadOnly);

  seen.clear();
  e->SetInsertMode(false);  // unchanged: nothing
  e->SetModified(true);
  EXPECT_TRUE(seen.empty());
  e->SetModified(false);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], scModified);
}

TEST(SrcEditStatus, ClearingTheLinesResetsEverything) {
  auto e = MakeEdit({"abc", "def"});
  e->SetCaretXY(TPoint{3, 2});
  e->SetSelText(QStringLiteral("x"));
  TSrcStatusChanges all = 0;
  e->OnStatusChange = [&](TObject*, TSrcStatusChanges c) { all |= c; };
  e->Lines().Clear();
  EXPECT_TRUE(all & scAll);
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 1}));
  EXPECT_FALSE(e->CanUndo());
}

// ----------------------------------------------------------- SetSelText

TEST(SrcEditReplace, MultiLineInsertSplitsTheLine) {
  auto e = MakeEdit({"abc"});
  e->SetCaretXY(TPoint{3, 1});
  e->SetSelText(QStringLiteral("x\r\ny"));
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"abx", "yc"}));
  EXPECT_EQ(e->CaretXY(), (TPoint{2, 2}));
  e->Undo();
  EXPECT_EQ(e->Text(), "abc");
  EXPECT_FALSE(e->Modified());
}

TEST(SrcEditReplace, ReplacesTheSelectionAsOneChange) {
  auto e = MakeEdit({"hello world"});
  Select(*e, TPoint{7, 1}, TPoint{12, 1});
  e->SetSelText(QStringLiteral("there"));
  EXPECT_EQ(e->Text(), "hello there");
  // A group break after it: typing that follows is a change of its own.
  ASSERT_EQ(e->UndoList().ItemCount(), 3);
  EXPECT_EQ(e->UndoList().Item(2)->fChangeReason, crGroupBreak);
  EXPECT_EQ(e->UndoList().Item(0)->fChangeReason, crDelete);
  EXPECT_EQ(e->UndoList().Item(0)->fChangeStr, "world");
  EXPECT_EQ(e->UndoList().Item(1)->fChangeReason, crInsert);
  EXPECT_EQ(e->UndoList().Item(0)->fChangeNumber, e->UndoList().Item(1)->fChangeNumber);
  e->Undo();
  EXPECT_EQ(e->Text(), "hello world");
  e->Redo();
  EXPECT_EQ(e->Text(), "hello there");
}

TEST(SrcEditReplace, EmptyTextOnEmptySelectionStillRecords) {
  auto e = MakeEdit({"abc"});
  e->SetSelText(QString());
  ASSERT_EQ(e->UndoList().ItemCount(), 2);  // and the group break after it
  EXPECT_EQ(e->UndoList().Item(0)->fChangeReason, crInsert);
  EXPECT_EQ(e->Text(), "abc");
}

TEST(SrcEditReplace, ReadOnlyChangesAndRecordsNothing) {
  auto e = MakeEdit({"abc"});
  e->SetReadOnly(true);
  Select(*e, TPoint{1, 1}, TPoint{3, 1});
  e->SetSelText(QStringLiteral("x"));
  e->SetSelTextPrimitive(smNormal, QStringLiteral("y"));
  e->CutToClipboard();
  e->PasteFromClipboard();
  EXPECT_EQ(e->Text(), "abc");
  EXPECT_EQ(e->UndoList().ItemCount(), 0);
  EXPECT_FALSE(e->Modified());
  EXPECT_FALSE(e->CanUndo());
  EXPECT_FALSE(e->CanPaste());
}

TEST(SrcEditReplace, InsertIntoEmptyTextCreatesLineOne) {
  auto e = MakeEdit();
  e->SetSelText(QStringLiteral("a"));
  EXPECT_EQ(e->Lines().Count(), 1);
  EXPECT_EQ(e->Text(), "a");
}

TEST(SrcEditReplace, PaddingBeyondTheLineEnd) {
  auto e = MakeEdit({"ab"});
  e->SetCaretXY(TPoint{5, 1});
  e->SetSelText(QStringLiteral("x"));
  EXPECT_EQ(e->Text(), "ab  x");
  e->Undo();
  EXPECT_EQ(e->Text(), "ab");
}

TEST(SrcEditReplace, FragmentOverABlockChangesNothingOutsideIt) {
  // A column block over a row shorter than the block: only the block goes,
  // the fragment goes in at its top-left corner, one Undo gives it back.
  const QStringList before{"abcd", "ef", "ijkl"};
  for (const QString& fragment : {QStringLiteral("<br>"), QStringLiteral("X\r\nY\r\n")}) {
    auto e = MakeEdit(before);
    e->SetSelectionMode(smColumn);
    Select(*e, TPoint{4, 3}, TPoint{2, 1});
    EXPECT_EQ(e->InsertFragment(fragment), 2);
    EXPECT_EQ(e->Lines().ToStringList(),
              fragment == "<br>" ? QStringList({"a<br>d", "e", "il"}) : QStringList({"aX", "Y", "d", "e", "il"}));
    EXPECT_EQ(e->SelectionMode(), smColumn);
    EXPECT_FALSE(e->SelAvail());
    e->Undo();
    EXPECT_EQ(e->Lines().ToStringList(), before);
    e->Redo();
    e->Undo();
    EXPECT_EQ(e->Lines().ToStringList(), before);
  }
  // Line mode: the lines go, the text starts where they began.
  auto l = MakeEdit({"l1", "l2", "l3"});
  l->SetSelectionMode(smLine);
  Select(*l, TPoint{2, 1}, TPoint{1, 2});
  EXPECT_EQ(l->InsertFragment(QStringLiteral("x")), 1);
  EXPECT_EQ(l->Lines().ToStringList(), QStringList({"xl3"}));
  l->Undo();
  EXPECT_EQ(l->Lines().ToStringList(), QStringList({"l1", "l2", "l3"}));
  // A caret past the line end: blanks up to it, the text starts there.
  auto p = MakeEdit({"x", "abc"});
  p->SetCaretXY(TPoint{8, 2});
  EXPECT_EQ(p->InsertFragment(QStringLiteral("<b></b>")), 3 + 8);
  EXPECT_EQ(p->Lines()[1], "abc    <b></b>");
  EXPECT_EQ(p->CaretXY(), (TPoint{15, 2}));
  p->Undo();
  EXPECT_EQ(p->Lines().ToStringList(), QStringList({"x", "abc"}));
}

TEST(SrcEditReplace, LineModeDeleteKeepsOneLine) {
  auto e = MakeEdit({"l1", "l2", "l3"});
  e->SetSelectionMode(smLine);
  Select(*e, TPoint{1, 2}, TPoint{1, 3});
  e->SetSelText(QString());
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"l1", ""}));
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"l1", "l2", "l3"}));
}

TEST(SrcEditReplace, ColumnInsertWithLfBreaks) {
  auto e = MakeEdit({"abc", "def", "ghi"});
  e->SetSelectionMode(smColumn);
  e->SetCaretXY(TPoint{2, 1});
  e->SetSelText(QStringLiteral("1\n2\n3"));
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"a1bc", "d2ef", "g3hi"}));
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 3}));
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"abc", "def", "ghi"}));
}

TEST(SrcEditReplace, ColumnInsertOfUnequalRowsUndoesExactly) {
  auto e = MakeEdit({"abc", "d"});
  e->SetSelectionMode(smColumn);
  e->SetCaretXY(TPoint{3, 1});
  e->SetSelText(QStringLiteral("12345\r\nx\r\nyy"));
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"ab12345c", "d x", "  yy"}));
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"abc", "d"}));
  e->Redo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"ab12345c", "d x", "  yy"}));
}

TEST(SrcEditReplace, LineTextSetterTrims) {
  auto e = MakeEdit({"x"});
  e->SetLineText(QStringLiteral("abc  "));
  EXPECT_EQ(e->Lines()[0], "abc");
  e->SetOptions(e->Options() & ~eoTrimTrailingSpaces);
  e->SetLineText(QStringLiteral("abc  "));
  EXPECT_EQ(e->Lines()[0], "abc  ");
}

TEST(SrcEditReplace, TextJoinsWithCrLf) {
  auto e = MakeEdit();
  e->SetText(QStringLiteral("a\nb\r\nc\r"));
  EXPECT_EQ(e->Lines().Count(), 3);
  EXPECT_EQ(e->Text(), "a\r\nb\r\nc");
}

// ------------------------------------------------------- undo and redo

TEST(SrcEditUndo, GroupUndoTakesATypedRunAtOnce) {
  auto e = MakeEdit({""});
  Type(*e, QStringLiteral("abc"));
  EXPECT_EQ(e->Text(), "abc");
  e->Undo();
  EXPECT_EQ(e->Text(), "");

  e->SetOptions(e->Options() & ~eoGroupUndo);
  Type(*e, QStringLiteral("abc"));
  e->Undo();
  EXPECT_EQ(e->Text(), "ab");
  e->Undo();
  EXPECT_EQ(e->Text(), "a");
}

TEST(SrcEditUndo, GroupBreakStopsGroupedUndoAndKeepsRedo) {
  auto e = MakeEdit({""});
  Type(*e, QStringLiteral("ab"));
  e->UndoList().AddGroupBreak();
  Type(*e, QStringLiteral("cd"));
  e->Undo();
  EXPECT_EQ(e->Text(), "ab");
  ASSERT_TRUE(e->CanRedo());
  e->UndoList().AddGroupBreak();
  EXPECT_TRUE(e->CanRedo());
  e->Undo();
  EXPECT_EQ(e->Text(), "");
  e->Redo();
  EXPECT_EQ(e->Text(), "ab");
  e->Redo();
  EXPECT_EQ(e->Text(), "abcd");
}

TEST(SrcEditUndo, IndentsNeverGroup) {
  auto e = MakeEdit({"a", "b"});
  e->UndoList().AddChange(crIndent, TPoint{1, 1}, TPoint{2, 2}, QString(), smColumn);
  e->UndoList().AddChange(crIndent, TPoint{1, 1}, TPoint{2, 2}, QString(), smColumn);
  e->Undo();
  EXPECT_EQ(e->UndoList().ItemCount(), 1);
  EXPECT_EQ(e->RedoList().ItemCount(), 1);
}

TEST(SrcEditUndo, TypingAfterUndoClearsRedo) {
  auto e = MakeEdit({""});
  Type(*e, QStringLiteral("ab"));
  e->Undo();
  EXPECT_TRUE(e->CanRedo());
  e->Redo();
  EXPECT_EQ(e->Text(), "ab");
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 1}));  // end of the re-inserted text
  e->Undo();
  Type(*e, QStringLiteral("x"));
  EXPECT_FALSE(e->CanRedo());
}

TEST(SrcEditUndo, MaxUndoLimits) {
  auto e = MakeEdit({""});
  e->SetOptions(e->Options() & ~eoGroupUndo);
  e->SetMaxUndo(-5);
  EXPECT_EQ(e->MaxUndo(), 1024);
  e->SetMaxUndo(3);
  Type(*e, QStringLiteral("abcdef"));
  for (int i = 0; i < 10; ++i) e->Undo();
  EXPECT_FALSE(e->UndoList().CanUndo());
  EXPECT_TRUE(e->Modified());  // changes were dropped
  EXPECT_EQ(e->Text(), "abc");

  auto z = MakeEdit({""});
  z->SetMaxUndo(0);
  z->SetSelText(QStringLiteral("q"));
  EXPECT_EQ(z->UndoList().ItemCount(), 0);
  EXPECT_TRUE(z->UndoList().FullUndoImpossible());
  EXPECT_TRUE(z->Modified());
}

TEST(SrcEditUndo, LimitTrimsWholeBlocksOnly) {
  auto e = MakeEdit({"a a a a a a a a a a"});
  e->SetMaxUndo(5);
  // One block of many items, as a replace-all makes.
  e->BeginUndoBlock();
  for (int col = 19; col >= 1; col -= 2) {
    Select(*e, TPoint{col, 1}, TPoint{col + 1, 1});
    e->SetSelText(QStringLiteral("bb"));
  }
  e->EndUndoBlock();
  EXPECT_EQ(e->Text(), "bb bb bb bb bb bb bb bb bb bb");
  EXPECT_EQ(e->UndoList().ItemCount(), 21);  // and the group break after it
  e->Undo();
  EXPECT_EQ(e->Text(), "a a a a a a a a a a");
  e->Redo();
  Type(*e, QStringLiteral("x"));
  // The big block is trimmed as a whole, never in part.
  EXPECT_EQ(e->UndoList().ItemCount(), 1);
  EXPECT_TRUE(e->UndoList().FullUndoImpossible());
}

TEST(SrcEditUndo, ReadOnlyDoesNothing) {
  auto e = MakeEdit({""});
  Type(*e, QStringLiteral("ab"));
  e->SetReadOnly(true);
  EXPECT_FALSE(e->CanUndo());
  e->Undo();
  EXPECT_EQ(e->Text(), "ab");
}

TEST(SrcEditUndo, LineBreakUndoAndRedo) {
  auto e = MakeEdit({"abcd"});
  e->SetCaretXY(TPoint{3, 1});
  e->InsertLineBreak();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"ab", "cd"}));
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"abcd"}));
  e->Redo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"ab", "cd"}));
}

TEST(SrcEditUndo, StalePositionsDoNotThrow) {
  auto e = MakeEdit({"abc", "def", "ghi"});
  e->SetCaretXY(TPoint{1, 3});
  e->SetSelText(QStringLiteral("x\r\ny"));
  e->Lines().DeleteLines(0, 3);  // the host changes the lines behind the editor's back
  EXPECT_NO_THROW(e->Undo());
  EXPECT_NO_THROW(e->Redo());
}

// SelStart counted line by line, for checking the cached offsets.
int NaiveSelStart(const TCustomSrcEdit& e) {
  const TPoint p = e.SelAvail() ? e.BlockBegin() : e.CaretXY();
  int offset = 0;
  for (int y = 1; y < p.Y; ++y) offset += static_cast<int>(e.Lines()[y - 1].size()) + 2;
  return offset + std::min(p.X, static_cast<int>(e.Lines()[p.Y - 1].size()) + 1);
}

// Random edit scripts (replacements, cuts, plain and block pastes, search
// and replace, typing and overwrite typing, column insertions and insert
// fragments over blocks, carets past the line end, in all three modes,
// some with word wrap on), with caret and selection set through the host's
// calls, also between the halves of a surrogate pair: undo everything gives
// the original text exactly, redo everything gives the final text.
TEST(SrcEditUndo, PropertyUndoAllRedoAll) {
  // KV_SEED and KV_ROUNDS run other and longer series by hand.
  const int seed = qEnvironmentVariableIsSet("KV_SEED") ? qEnvironmentVariableIntValue("KV_SEED") : 12345;
  const int rounds = qEnvironmentVariableIsSet("KV_ROUNDS") ? qEnvironmentVariableIntValue("KV_ROUNDS") : 300;
  std::mt19937 rng(seed);
  auto rnd = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const QString pair = QStringLiteral("\U0001F600");
  auto word = [&] {
    QString w;
    const int n = rnd(0, 4);
    for (int i = 0; i < n; ++i) {
      const int k = rnd(0, 7);
      w += k == 0 ? QStringLiteral(" ") : k == 1 ? pair : QString(QChar(u'a' + rnd(0, 3)));
    }
    return w;
  };
  auto text = [&] {
    QString t = word();
    static const char* const kBreaks[] = {"\r\n", "\n", "\r"};
    for (int i = rnd(0, 2); i > 0; --i) t += QString::fromLatin1(kBreaks[rnd(0, 2)]) + word();
    return t;
  };
  auto shown = [](QString t) { return t.replace('\r', "\\r").replace('\n', "\\n").toStdString(); };
  auto at = [](TPoint p) { return "(" + std::to_string(p.X) + "," + std::to_string(p.Y) + ")"; };
  for (int round = 0; round < rounds; ++round) {
    QStringList lines;
    for (int i = rnd(0, 6); i > 0; --i) lines << word();
    auto e = MakeEdit(lines);
    if (round % 3 == 1) e->SetOptions(e->Options() & ~eoTrimTrailingSpaces);
    if (round % 4 == 2) e->SetOptions(e->Options() & ~eoGroupUndo);
    if (round % 6 == 4) {  // the document windows' tab width
      e->SetTabWidth(1);
      e->SetOptions(e->Options() & ~eoTabsToSpaces);
    }
    if (round % 5 == 3) {
      e->Lines().SetWrapWidth(6);
      e->SetWordWrap(true);
    }
    const QString original = e->Text();
    std::string log = e->WordWrap() ? "word wrap\n" : "";
    for (int step = rnd(1, 12); step > 0; --step) {
      e->SetSelectionMode(static_cast<TSrcSelectionMode>(rnd(0, 2)));
      const int count = std::max(1, e->Lines().Count());
      const TPoint a{rnd(1, 9), rnd(1, count)};  // often past the line end
      const TPoint b{rnd(1, 9), rnd(1, count)};
      log += "mode " + std::to_string(e->SelectionMode()) + " ";
      if (rnd(0, 2) == 0) {
        const int end = static_cast<int>(e->Text().size()) + 1;
        const int s = rnd(1, end), t = rnd(1, end);
        e->SetSelStart(s);
        e->SetSelEnd(t);
        log += "offsets " + std::to_string(s) + "-" + std::to_string(t) + " ";
      } else {
        Select(*e, a, rnd(0, 3) == 0 ? a : b);
        log += at(a) + "-" + at(b) + " ";
      }
      const QString t = rnd(0, 4) == 0 ? QString() : text();
      switch (rnd(0, 9)) {
        case 0:  // plain text from elsewhere
          QGuiApplication::clipboard()->setText(t);
          e->PasteFromClipboard();
          log += "paste text \"" + shown(t) + "\"";
          break;
        case 1:  // our own block, pasted somewhere else in any mode
          e->CopyToClipboard();
          e->SetSelectionMode(static_cast<TSrcSelectionMode>(rnd(0, 2)));
          Select(*e, b, b);
          e->PasteFromClipboard();
          log += "copy, paste block at b in mode " + std::to_string(e->SelectionMode());
          break;
        case 2:
          e->CutToClipboard();
          log += "cut";
          break;
        case 3: {
          const QString pattern = rnd(0, 3) == 0 ? pair : QString(QChar(u'a' + rnd(0, 3)));
          TSrcSearchOptions options = rnd(0, 1) ? ssoReplaceAll : ssoReplace;
          if (rnd(0, 1)) options |= ssoSelectedOnly;
          if (rnd(0, 1)) options |= ssoEntireScope;
          if (rnd(0, 2) == 0) options |= ssoBackwards;
          e->SearchReplace(pattern, t, options);
          log += "replace \"" + pattern.toStdString() + "\" by \"" + shown(t) + "\" options " + std::to_string(options);
          break;
        }
        case 4:  // typing over the text
          e->SetInsertMode(false);
          for (QChar c : t) e->ProcessCommand(ecChar, c);
          e->SetInsertMode(true);
          log += "overwrite \"" + shown(t) + "\"";
          break;
        case 5:
          e->InsertBlock(a, a, t, true);
          log += "insert block at a \"" + shown(t) + "\"";
          break;
        case 6:  // an insert command's fragment, over a block of any mode
          e->InsertFragment(t);
          log += "insert fragment \"" + shown(t) + "\"";
          break;
        case 7:  // typing, padded when the caret stands past the line end
          for (QChar c : t) e->ProcessCommand(ecChar, c);
          log += "type \"" + shown(t) + "\"";
          break;
        default:
          e->SetSelText(t);
          log += "replace by \"" + shown(t) + "\"";
          break;
      }
      log += " -> \"" + shown(e->Text()) + "\"\n";
      if (!e->WordWrap()) {
        ASSERT_EQ(e->SelStart(), NaiveSelStart(*e)) << log;
      }
    }
    const QString final = e->Text();
    for (int guard = 0; e->UndoList().CanUndo() && guard < 1000; ++guard) e->Undo();
    ASSERT_EQ(shown(e->Text()), shown(original)) << "round " << round << "\n" << log;
    for (int guard = 0; e->RedoList().CanUndo() && guard < 1000; ++guard) e->Redo();
    ASSERT_EQ(shown(e->Text()), shown(final)) << "round " << round << "\n" << log;
  }
}

// ------------------------------------------------------------- clipboard

TEST(SrcEditClipboard, PrivateFormatBytes) {
  EXPECT_EQ(EncodeSrcEditBlock(smNormal, QStringLiteral("x")), QByteArray("\x00x\x00", 3));
  EXPECT_EQ(EncodeSrcEditBlock(smColumn, QStringLiteral("ab")), QByteArray("\x02"
                                                                           "ab\x00",
                                                                           4));
  TSrcSelectionMode mode = smLine;
  QString text;
  EXPECT_FALSE(DecodeSrcEditBlock(QByteArray(), mode, text));
  ASSERT_TRUE(DecodeSrcEditBlock(QByteArray("\x07xyz", 4), mode, text));
  EXPECT_EQ(mode, smNormal);  // unknown mode reads as normal
  EXPECT_EQ(text, "xyz");     // no NUL: bounded by the data
  ASSERT_TRUE(DecodeSrcEditBlock(QByteArray("\x01l1\x00junk", 8), mode, text));
  EXPECT_EQ(mode, smLine);
  EXPECT_EQ(text, "l1");
  // Only a leading U+FEFF is a byte-order mark.
  ASSERT_TRUE(DecodeSrcEditBlock(QByteArray("\x00\xEF\xBB\xBF"
                                            "a\xEF\xBB\xBF"
                                            "b",
                                            9),
                                 mode, text));
  EXPECT_EQ(text, QStringLiteral("a\uFEFFb"));
}

TEST(SrcEditClipboard, CopyPutsBothFormats) {
  auto e = MakeEdit({"abc", "de"});
  Select(*e, TPoint{2, 1}, TPoint{2, 2});
  e->CopyToClipboard();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->text(), "bc\nd");  // plain text breaks lines with LF
  EXPECT_EQ(data->data(kSrcEditClipboardMimeType), QByteArray("\x00"
                                                              "bc\r\nd\x00",
                                                              7));
  EXPECT_TRUE(e->CanPaste());
}

TEST(SrcEditClipboard, CutAndPasteUndo) {
  auto e = MakeEdit({"hello world"});
  Select(*e, TPoint{1, 1}, TPoint{7, 1});
  e->CutToClipboard();
  EXPECT_EQ(e->Text(), "world");
  e->SetCaretXY(TPoint{6, 1});
  e->PasteFromClipboard();
  EXPECT_EQ(e->Text(), "worldhello ");
  e->Undo();
  EXPECT_EQ(e->Text(), "world");
  e->Undo();
  EXPECT_EQ(e->Text(), "hello world");
}

TEST(SrcEditClipboard, LineModePasteGoesBeforeTheLine) {
  auto src = MakeEdit({"A", "B", "C"});
  src->SetSelectionMode(smLine);
  Select(*src, TPoint{1, 1}, TPoint{1, 2});
  src->CopyToClipboard();
  auto e = MakeEdit({"1", "2", "3", "4", "5", "6"});
  TSrcEditMark* mark = new TSrcEditMark(e.get());
  mark->SetLine(5);
  e->Marks().Add(mark);
  e->SetCaretXY(TPoint{1, 5});
  e->PasteFromClipboard();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"1", "2", "3", "4", "A", "B", "5", "6"}));
  EXPECT_EQ(mark->Line(), 7);
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"1", "2", "3", "4", "5", "6"}));
  e->Redo();
  EXPECT_EQ(e->Lines()[6], "5");
}

TEST(SrcEditClipboard, ColumnPlainTextPasteUndoesExactly) {
  QGuiApplication::clipboard()->setText(QStringLiteral("123\r\n4\r\n56"));
  auto e = MakeEdit({"abcd", "efgh", "ijkl"});
  e->SetSelectionMode(smColumn);
  e->SetCaretXY(TPoint{2, 1});
  e->PasteFromClipboard();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"a123bcd", "e4fgh", "i56jkl"}));
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"abcd", "efgh", "ijkl"}));
}

TEST(SrcEditClipboard, PlainPasteNeverSwitchesWordWrap) {
  QGuiApplication::clipboard()->setText(QStringLiteral("xy"));
  auto e = MakeEdit({"ab"});
  e->SetWordWrap(true);
  e->PasteFromClipboard();
  e->Undo();
  EXPECT_TRUE(e->WordWrap());
  EXPECT_EQ(e->Text(), "ab");
}

TEST(SrcEditClipboard, FailedPasteClosesItsBlock) {
  auto* data = new QMimeData;
  data->setData(kSrcEditClipboardMimeType, QByteArray());
  QGuiApplication::clipboard()->setMimeData(data);
  auto e = MakeEdit({"abc"});
  try {
    e->PasteFromClipboard();
    FAIL() << "no exception";
  } catch (const ESrcEditError& err) {
    EXPECT_EQ(err.Message(), "Clipboard paste operation failed.");
  }
  EXPECT_EQ(e->UndoList().BlockCount(), 0);
  EXPECT_FALSE(e->Pasting());
  EXPECT_EQ(e->Text(), "abc");
  // Later changes still get their own numbers.
  Type(*e, QStringLiteral("x"));
  e->SetOptions(e->Options() & ~eoGroupUndo);
  Type(*e, QStringLiteral("y"));
  e->Undo();
  EXPECT_EQ(e->Text(), "xabc");
}

// --------------------------------------------------------- marks, hooks

TEST(SrcEditMarks, ShiftOnLineInsertAndDelete) {
  TSrcEditMarkList list;
  auto add = [&](int line) {
    auto* m = new TSrcEditMark;
    m->SetLine(line);
    list.Add(m);
    return m;
  };
  TSrcEditMark* m3 = add(3);
  TSrcEditMark* m4 = add(4);
  TSrcEditMark* m9 = add(9);
  list.LinesDeleted(3, 3);  // lines 3 to 5
  EXPECT_EQ(m3->Line(), 3);
  EXPECT_EQ(m4->Line(), 3);
  EXPECT_EQ(m9->Line(), 6);
  TSrcEditMark* m5 = add(5);
  list.LinesInserted(5, 2);
  EXPECT_EQ(m5->Line(), 7);
  EXPECT_EQ(m3->Line(), 3);
}

TEST(SrcEditMarks, AtMostSixteenPerLine) {
  TSrcEditMarkList list;
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  for (int i = 0; i < 20; ++i) {
    auto* m = new TSrcEditMark;
    m->SetLine(2);
    m->SetImageIndex(i);
    list.Add(m);
  }
  EXPECT_EQ(changes, 20);
  TSrcEditMarks marks;
  list.GetMarksForLine(2, marks);
  for (int i = 0; i < 16; ++i) {
    ASSERT_NE(marks[i], nullptr);
    EXPECT_EQ(marks[i]->ImageIndex(), i);
  }
  list.GetMarksForLine(3, marks);
  EXPECT_EQ(marks[0], nullptr);
}

TEST(SrcEditMarks, EditorMovesMarksWithTheText) {
  auto e = MakeEdit({"1", "2", "3", "4"});
  auto* m = new TSrcEditMark(e.get());
  EXPECT_EQ(m->Edit(), nullptr);  // not yet in the list
  m->SetLine(3);
  e->Marks().Add(m);
  EXPECT_EQ(m->Edit(), e.get());
  e->SetCaretXY(TPoint{2, 1});
  e->SetSelText(QStringLiteral("a\r\nb\r\nc"));
  EXPECT_EQ(m->Line(), 5);
  Select(*e, TPoint{1, 1}, TPoint{1, 3});
  e->SetSelText(QString());
  EXPECT_EQ(m->Line(), 3);
}

namespace {
struct Hook {
  int calls = 0;
  bool handle = false;
  TCustomSrcEdit* unregisterFrom = nullptr;
  void OnCommand(TObject*, bool, bool& handled, TSrcEditorCommand&, QChar&, const TSrcCommandData*, void* data) {
    ++calls;
    if (handle) handled = true;
    if (unregisterFrom) unregisterFrom->UnregisterCommandHandler(Event(), data);
  }
  THookedCommandEvent Event() { return THookedCommandEvent::Bind<&Hook::OnCommand>(this); }
};
}  // namespace

TEST(SrcEditHooks, RegistrationAndHandling) {
  auto e = MakeEdit();
  Hook a, b;
  e->RegisterCommandHandler(a.Event(), nullptr);
  e->RegisterCommandHandler(a.Event(), nullptr);
  EXPECT_EQ(e->CommandHandlerCount(), 1);
  e->RegisterCommandHandler(THookedCommandEvent(), nullptr);
  EXPECT_EQ(e->CommandHandlerCount(), 1);
  e->RegisterCommandHandler(b.Event(), &b);
  TSrcEditorCommand cmd = 5;
  QChar ch;
  e->NotifyCommandHandlers(false, cmd, ch, nullptr);
  EXPECT_EQ(cmd, 5);
  b.handle = true;
  e->NotifyCommandHandlers(false, cmd, ch, nullptr);
  EXPECT_EQ(cmd, ecNone);
  EXPECT_EQ(a.calls, 2);
  EXPECT_EQ(b.calls, 2);
  e->UnregisterCommandHandler(a.Event(), nullptr);
  EXPECT_EQ(e->CommandHandlerCount(), 1);
}

TEST(SrcEditHooks, HandlerMayUnregisterItselfWhileNotified) {
  auto e = MakeEdit();
  Hook a, b, c;
  a.unregisterFrom = e.get();
  e->RegisterCommandHandler(a.Event(), nullptr);
  e->RegisterCommandHandler(b.Event(), nullptr);
  e->RegisterCommandHandler(c.Event(), nullptr);
  TSrcEditorCommand cmd = 1;
  QChar ch;
  e->NotifyCommandHandlers(true, cmd, ch, nullptr);
  EXPECT_EQ(a.calls, 1);
  EXPECT_EQ(b.calls, 1);
  EXPECT_EQ(c.calls, 1);
  EXPECT_EQ(e->CommandHandlerCount(), 2);
}

TEST(SrcEditEvents, Dispatchers) {
  auto e = MakeEdit();
  EXPECT_EQ(e->DoOnReplaceText("a", "b", 1, 1), raCancel);
  e->OnReplaceText = [](TObject*, const QString&, const QString&, int, int, TSrcReplaceAction& a) { a = raReplaceAll; };
  EXPECT_EQ(e->DoOnReplaceText("a", "b", 1, 1), raReplaceAll);
  TColor fg = clNone, bg = clNone;
  EXPECT_FALSE(e->DoOnSpecialLineColors(1, fg, bg));
  int transient = 0;
  e->OnPaintTransient = [&](TObject*, QPainter*, TTransientType) { ++transient; };
  e->DoOnPaintTransientEx(ttBefore, true);
  e->DoOnPaintTransient(ttBefore);
  EXPECT_EQ(transient, 0);
  e->DoOnPaintTransientEx(ttAfter, true);
  e->DoOnPaintTransient(ttAfter);
  EXPECT_EQ(transient, 1);
}

// -------------------------------------------------------- drag and drop

TEST(SrcEditDragDrop, MoveOntoTheLastLineOfItsOwnSelection) {
  auto e = MakeEdit({"abc", "def", "ghi"});
  Select(*e, TPoint{2, 1}, TPoint{2, 2});                              // "bc", break, "d"
  ASSERT_TRUE(e->DropSelection(e.get(), TPoint{3, 2}, false, false));  // between "e" and "f"
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"aebc", "df", "ghi"}));
  EXPECT_EQ(e->GetSelText(), "bc\r\nd");  // the dropped text is selected
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"abc", "def", "ghi"}));
  e->Redo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"aebc", "df", "ghi"}));
}

TEST(SrcEditDragDrop, MoveToALaterLineAndCopy) {
  auto e = MakeEdit({"abc", "def", "ghi"});
  Select(*e, TPoint{1, 1}, TPoint{3, 1});  // "ab"
  ASSERT_TRUE(e->DropSelection(e.get(), TPoint{2, 3}, false, false));
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"c", "def", "gabhi"}));
  Select(*e, TPoint{1, 2}, TPoint{3, 2});  // "de", copied with Ctrl
  ASSERT_TRUE(e->DropSelection(e.get(), TPoint{1, 1}, true, false));
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"dec", "def", "gabhi"}));
  e->Undo();
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"abc", "def", "ghi"}));
}

TEST(SrcEditDragDrop, DropInsideTheSelectionDoesNothing) {
  auto e = MakeEdit({"abcdef"});
  Select(*e, TPoint{2, 1}, TPoint{5, 1});
  EXPECT_FALSE(e->DropSelection(e.get(), TPoint{3, 1}, false, false));
  EXPECT_EQ(e->Text(), "abcdef");
  EXPECT_EQ(e->UndoList().ItemCount(), 0);
}

TEST(SrcEditDragDrop, BetweenEditorsCopiesUnlessShift) {
  auto a = MakeEdit({"hello"});
  auto b = MakeEdit({"world"});
  Select(*a, TPoint{1, 1}, TPoint{3, 1});
  ASSERT_TRUE(b->DropSelection(a.get(), TPoint{6, 1}, false, false));
  EXPECT_EQ(b->Text(), "worldhe");
  EXPECT_EQ(a->Text(), "hello");
  Select(*a, TPoint{1, 1}, TPoint{3, 1});
  ASSERT_TRUE(b->DropSelection(a.get(), TPoint{1, 1}, false, true));
  EXPECT_EQ(b->Text(), "heworldhe");
  EXPECT_EQ(a->Text(), "llo");
  a->Undo();
  EXPECT_EQ(a->Text(), "hello");  // the move is recorded in the source
  b->SetReadOnly(true);
  EXPECT_FALSE(b->CanAcceptDrop(a.get()));
  Select(*a, TPoint{1, 1}, TPoint{3, 1});
  EXPECT_FALSE(b->DropSelection(a.get(), TPoint{1, 1}, false, true));
  EXPECT_EQ(a->Text(), "hello");
}

// -------------------------------------------- actions, plug-ins, cursor

TEST(SrcEditActions, EnabledByState) {
  auto e = MakeEdit({"abc"});
  EXPECT_FALSE(e->EditActionEnabled(eaCut));
  EXPECT_FALSE(e->EditActionEnabled(eaCopy));
  EXPECT_FALSE(e->EditActionEnabled(eaUndo));
  EXPECT_TRUE(e->EditActionEnabled(eaSelectAll));
  EXPECT_TRUE(e->EditActionEnabled(eaDelete));
  e->ExecuteEditAction(eaSelectAll);
  EXPECT_TRUE(e->EditActionEnabled(eaCut));
  e->ExecuteEditAction(eaCut);
  EXPECT_EQ(e->Text(), "");
  EXPECT_TRUE(e->EditActionEnabled(eaPaste));
  e->ExecuteEditAction(eaPaste);
  EXPECT_EQ(e->Text(), "abc");
  EXPECT_TRUE(e->EditActionEnabled(eaUndo));
  e->ExecuteEditAction(eaUndo);
  EXPECT_EQ(e->Text(), "");
  bool enabled = true;
  EXPECT_FALSE(e->UpdateEditAction(eaCopy, enabled));  // not focused: left to others
  e->SetReadOnly(true);
  EXPECT_FALSE(e->EditActionEnabled(eaPaste));
  EXPECT_FALSE(e->EditActionEnabled(eaUndo));
}

namespace {
struct CountingPlugin : TSrcEditPlugin {
  using TSrcEditPlugin::TSrcEditPlugin;
  int inserted = 0, deleted = 0;
  void LinesInserted(int, int count) override { inserted += count; }
  void LinesDeleted(int, int count) override { deleted += count; }
};
}  // namespace

TEST(SrcEditPlugins, ToldOfLineChanges) {
  auto e = MakeEdit({"a", "b"});
  {
    CountingPlugin plugin(e.get());
    EXPECT_EQ(e->PluginCount(), 1);
    e->SetSelText(QStringLiteral("x\r\ny\r\nz"));
    EXPECT_EQ(plugin.inserted, 2);
    Select(*e, TPoint{1, 1}, TPoint{1, 3});
    e->SetSelText(QString());
    EXPECT_EQ(plugin.deleted, 2);
  }
  EXPECT_EQ(e->PluginCount(), 0);
}

TEST(SrcEditCursor, GutterSelectionAndText) {
  auto e = MakeEdit({"abcdef", "ghijkl"});
  Select(*e, TPoint{1, 1}, TPoint{4, 1});
  const int y = e->LineHeight() / 2;
  EXPECT_EQ(e->CursorAt(QPoint(1, y)), e->Gutter().Cursor());
  const int inside = e->GutterWidth() + 2 + e->CharWidth() + 1;  // over column 2
  EXPECT_EQ(e->PositionAt(QPoint(inside, y)), (TPoint{2, 1}));
  EXPECT_EQ(e->CursorAt(QPoint(inside, y)), Qt::ArrowCursor);
  EXPECT_EQ(e->CursorAt(QPoint(inside, y + e->LineHeight())), Qt::IBeamCursor);
  e->SetOptions(e->Options() & ~eoDragDropEditing);
  EXPECT_EQ(e->CursorAt(QPoint(inside, y)), Qt::IBeamCursor);
}

namespace {
class FlatHighlighter : public TSrcCustomHighlighter {
 public:
  FlatHighlighter() {
    attr = new TSrcHighlighterAttributes(QStringLiteral("Text"));
    AddAttribute(attr);
    SetAttributesOnChange(TNotifyEvent::Bind<&TSrcCustomHighlighter::AttributesChanged>(this));
  }
  TSrcHighlighterAttributes* GetRoleAttribute(int) const override { return attr; }
  bool AtLineEnd() const override { return done; }
  QString GetTokenText() const override { return lineText_; }
  TSrcHighlighterAttributes* GetTokenAttribute() const override { return attr; }
  int GetTokenKind() const override { return 0; }
  int GetTokenPos() const override { return 0; }
  int GetTokenLength() const override { return static_cast<int>(lineText_.size()); }
  void ScanNext() override { done = true; }
  void SetLine(const QString& text, int) override {
    lineText_ = text;
    done = text.isEmpty();
  }
  TSrcHighlighterAttributes* attr;
  bool done = true;
};
}  // namespace

TEST(SrcEditHighlighter, SharedHighlighterTellsBothEditors) {
  auto h = std::make_unique<FlatHighlighter>();
  auto a = MakeEdit();
  auto b = MakeEdit();
  a->SetHighlighter(h.get());
  b->SetHighlighter(h.get());
  EXPECT_EQ(h->ChangeHandlerCount(), 2);
  a->SetHighlighter(nullptr);
  EXPECT_EQ(h->ChangeHandlerCount(), 1);
  a->SetHighlighter(h.get());
  h.reset();  // freeing the highlighter detaches it
  EXPECT_EQ(a->Highlighter(), nullptr);
  EXPECT_EQ(b->Highlighter(), nullptr);
}

// ------------------------------------------------------------ undo list

TEST(SrcEditUndoList, NumbersBlocksAndLocks) {
  TSrcEditUndoList list;
  int added = 0;
  list.OnAdded = [&](TSrcEditUndoList*) { ++added; };
  auto add = [&](TSrcChangeReason r) { list.AddChange(r, TPoint{1, 1}, TPoint{2, 1}, QStringLiteral("t"), smNormal); };
  add(crInsert);
  list.BeginBlock();
  list.BeginBlock();
  add(crDelete);
  list.EndBlock();
  add(crInsert);
  list.EndBlock();
  list.EndBlock();  // unbalanced: ignored
  add(crInsert);
  EXPECT_EQ(list.Item(0)->fChangeNumber, 1);
  EXPECT_EQ(list.Item(1)->fChangeNumber, 2);
  EXPECT_EQ(list.Item(2)->fChangeNumber, 2);
  EXPECT_EQ(list.Item(3)->fChangeNumber, 3);
  list.Lock();
  add(crInsert);
  list.Unlock();
  list.Unlock();  // never below 0
  list.AddGroupBreak();
  list.AddGroupBreak();  // only one break in a row
  EXPECT_EQ(list.ItemCount(), 5);
  EXPECT_EQ(list.LastChangeReason(), crGroupBreak);
  EXPECT_EQ(added, 4);  // group breaks are not reported
  list.SetMaxUndoActions(-3);
  EXPECT_EQ(list.MaxUndoActions(), 0);
  EXPECT_EQ(list.ItemCount(), 0);
  EXPECT_TRUE(list.FullUndoImpossible());
  list.ClearList();
  EXPECT_FALSE(list.FullUndoImpossible());
  EXPECT_EQ(list.LastChangeReason(), crNothing);
}

TEST(SrcEditUndoList, OpenBlockIsNeverTrimmed) {
  TSrcEditUndoList list;
  list.SetMaxUndoActions(2);
  list.BeginBlock();
  for (int i = 0; i < 5; ++i) list.AddChange(crInsert, TPoint{1, 1}, TPoint{2, 1}, QString(), smNormal);
  EXPECT_EQ(list.ItemCount(), 5);
  list.EndBlock();
  EXPECT_EQ(list.ItemCount(), 5);  // the newest group stays whole
  list.AddChange(crInsert, TPoint{1, 1}, TPoint{2, 1}, QString(), smNormal);
  EXPECT_EQ(list.ItemCount(), 1);
  EXPECT_TRUE(list.FullUndoImpossible());
}

// ---------------------------------------------------------- scope guards

TEST(SrcEditGuards, ThrowingHandlerLeavesNoLockSet) {
  auto e = MakeEdit({"abc"});
  e->OnChange = [](TObject*) { throw std::runtime_error("host failure"); };
  Select(*e, TPoint{1, 1}, TPoint{2, 1});
  EXPECT_THROW(e->SetSelText(QStringLiteral("x")), std::runtime_error);
  EXPECT_EQ(e->PaintLock(), 0);
  EXPECT_EQ(e->UndoList().BlockCount(), 0);
  EXPECT_FALSE(e->UndoList().IsLocked());
  QGuiApplication::clipboard()->setText(QStringLiteral("q"));
  EXPECT_THROW(e->PasteFromClipboard(), std::runtime_error);
  EXPECT_FALSE(e->Pasting());
  EXPECT_EQ(e->UndoList().BlockCount(), 0);
  EXPECT_FALSE(e->UndoList().IsLocked());
  EXPECT_EQ(e->PaintLock(), 0);
}

TEST(SrcEditReplace, InsertBlockSwitchesToColumnMode) {
  auto e = MakeEdit({"abc", "def"});
  e->InsertBlock(TPoint{2, 1}, TPoint{2, 1}, QStringLiteral("X\r\nY"), true);
  EXPECT_EQ(e->SelectionMode(), smColumn);
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"aXbc", "dYef"}));
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"abc", "def"}));
}
