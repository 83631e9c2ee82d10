// One editor command run on a small text: the text and caret it must leave,
// one Undo that must give the text back and one Redo that must redo it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "editor/SrcEdit.h"

// Readable positions in failure messages (defined with the editor tests).
void PrintTo(const TPoint& p, std::ostream* os);

struct CommandCase {
  const char* name;
  QStringList before;
  TPoint caret;
  TSrcEditorCommand command;
  QStringList after;
  TPoint caretAfter;
  TSrcEditorOptions on = 0;
  TSrcEditorOptions off = 0;
  int tabWidth = 8;
  QChar achar = QChar();
  TSrcCommandData data = {};
};

inline std::unique_ptr<TSrcEdit> MakeEdit(const QStringList& lines, int tabWidth = 8) {
  auto e = std::make_unique<TSrcEdit>();
  e->SetLines(lines);
  e->SetTabWidth(tabWidth);
  return e;
}

inline QStringList LinesOf(const TCustomSrcEdit& e) { return e.Lines().ToStringList(); }

inline void Select(TCustomSrcEdit& e, TPoint from, TPoint to) {
  e.SetCaretXY(from);
  e.SetBlockBegin(from);
  e.SetCaretXY(to);
  e.SetBlockEnd(to);
}

inline void Exec(TCustomSrcEdit& e, TSrcEditorCommand command, QChar c = QChar(), const TSrcCommandData& data = {}) {
  e.ProcessCommand(command, c, data);
}

// A command that leaves the text as it was records nothing.
inline void RunCase(const CommandCase& c) {
  SCOPED_TRACE(c.name);
  auto e = MakeEdit(c.before, c.tabWidth);
  e->SetOptions((e->Options() | c.on) & ~c.off);
  e->SetCaretXY(c.caret);
  Exec(*e, c.command, c.achar, c.data);
  EXPECT_EQ(LinesOf(*e), c.after);
  EXPECT_EQ(e->CaretXY(), c.caretAfter);
  EXPECT_EQ(e->Modified(), c.after != c.before);
  e->Undo();
  EXPECT_EQ(LinesOf(*e), c.before);
  e->Redo();
  EXPECT_EQ(LinesOf(*e), c.after);
}
