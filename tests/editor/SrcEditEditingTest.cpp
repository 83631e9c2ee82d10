// Edits as users make them: what they change and what one Undo gives back.
#include "editor/SrcEdit.h"

#include "tests/editor/SrcEditCommandCase.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

namespace {

void PutOnClipboard(TSrcSelectionMode mode, const QString& text) {
  auto* data = new QMimeData;
  data->setText(text);
  data->setData(QString::fromLatin1(kSrcEditClipboardMimeType), EncodeSrcEditBlock(mode, text));
  QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace

TEST(SrcEditEditing, PasteOrDropOfNothingRecordsNothing) {
  auto e = MakeEdit({"abc", ""});
  Select(*e, TPoint{1, 1}, TPoint{3, 1});
  PutOnClipboard(smNormal, QString());
  e->PasteFromClipboard();
  QGuiApplication::clipboard()->setText(QString());
  e->PasteFromClipboard();
  EXPECT_EQ(LinesOf(*e), (QStringList{"abc", ""}));
  EXPECT_EQ(e->GetSelText(), "ab");
  // The empty last line selected in line mode holds no text.
  e->SetSelectionMode(smLine);
  Select(*e, TPoint{1, 2}, TPoint{2, 2});
  EXPECT_FALSE(e->DropSelection(e.get(), TPoint{2, 1}, false, false));
  EXPECT_FALSE(e->DropSelection(e.get(), TPoint{2, 1}, true, false));
  EXPECT_EQ(e->UndoList().ItemCount(), 0);
  EXPECT_EQ(e->RedoList().ItemCount(), 0);
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"abc", ""}));
}

TEST(SrcEditEditing, WrappedPiecesJoinWithoutALineBreak) {
  struct {
    const char* name;
    TPoint caret;
    TSrcEditorCommand command;
    QString after;
  } const cases[] = {
      {"backspace at the start of a piece", {1, 2}, ecDeleteLastChar, "abcdef"},
      {"delete at the end of the piece before", {5, 1}, ecDeleteChar, "abc ef"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto e = MakeEdit({"abc def", "x"});
    e->Lines().SetWrapWidth(4);
    e->SetWordWrap(true);
    ASSERT_EQ(LinesOf(*e), (QStringList{"abc ", "def", "x"}));
    e->SetCaretXY(c.caret);
    Exec(*e, c.command);
    EXPECT_EQ(e->Text(), c.after + "\r\nx");
    e->Undo();
    EXPECT_EQ(e->Text(), "abc def\r\nx");
    e->Redo();
    EXPECT_EQ(e->Text(), c.after + "\r\nx");
  }
}
