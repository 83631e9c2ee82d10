// The one operation behind find, find next and replace: drives the search
// engine over the lines of a scope.
#include <algorithm>

#include "editor/SrcEdit.h"
#include "platform/ScopeExit.h"

int TCustomSrcEdit::SearchReplace(const QString& search, const QString& replace, TSrcSearchOptions options) {
  if (!(options & (ssoReplace | ssoReplaceAll))) return SearchReplaceEx(search, replace, options);
  // A replacement changes the text: it runs on the file's own lines, whole
  // or not at all.
  const LogicalLines logical(this);
  int count = 0;
  RunWhole(QStringLiteral("Not enough memory to replace the text. The document is unchanged."),
           [&] { count = SearchReplaceEx(search, replace, options); });
  return count;
}

int TCustomSrcEdit::SearchReplaceEx(const QString& search, const QString& replace, TSrcSearchOptions options) {
  TSrcEditSearch* engine = nullptr;
  if (OnSearchEngineOverride) OnSearchEngineOverride(this, engine);
  if (!engine) {
    if (!searchEngine_) searchEngine_ = std::make_unique<TSrcEditSearch>();
    engine = searchEngine_.get();
  }
  if (search.isEmpty() || LineCount() == 0) return 0;

  const bool backwards = options & ssoBackwards;
  const bool replacing = options & (ssoReplace | ssoReplaceAll);
  bool replaceAll = options & ssoReplaceAll;
  bool prompt = options & ssoPrompt;
  if (!SelAvail()) options &= ~ssoSelectedOnly;
  const bool selectedOnly = options & ssoSelectedOnly;
  const TSrcSelectionMode mode = selectionMode_;

  // The scope.
  TPoint first{1, 1};
  TPoint last{static_cast<int>(Line(LineCount()).size()) + 1, LineCount()};
  if (selectedOnly) {
    first = BlockBegin();
    last = BlockEnd();
    if (mode == smLine) {
      first.X = 1;
      last.X = static_cast<int>(Line(last.Y).size()) + 1;
    } else if (mode == smColumn && first.X > last.X) {
      std::swap(first.X, last.X);
    }
  } else if (!(options & ssoEntireScope)) {
    if (backwards)
      last = CaretXY();
    else
      first = CaretXY();
  }

  engine->SetSensitive(options & ssoMatchCase);
  engine->SetWhole(options & ssoWholeWord);
  engine->SetPattern(search);

  // Replace-all is one change: one paint at the end and one undo block.
  bool paintLocked = false, undoBlock = false;
  ScopeExit cleanup([&] {
    if (undoBlock) EndUndoBlock();
    if (paintLocked) DecPaintLock();
  });
  auto startReplaceAll = [&] {
    if (!paintLocked) {
      IncPaintLock();
      paintLocked = true;
    }
    if (!undoBlock) {
      BeginUndoBlock();
      undoBlock = true;
    }
  };
  // With a prompt nothing is held back until "replace all" is answered: the
  // user sees each hit (in view, selected, its position in the status bar)
  // while asked about it.
  if (replaceAll && !prompt) startReplaceAll();

  const int searchLength = static_cast<int>(search.size());
  const int replaceLength = static_cast<int>(replace.size());
  const bool breaksLine = replace.contains(u'\n') || replace.contains(u'\r');
  auto inScope = [&](int column, int line) {
    if (selectedOnly && mode == smLine) return true;
    if (selectedOnly && mode == smColumn)
      return first.X == last.X || (column >= first.X && column + searchLength <= last.X);
    if (line == first.Y && column < first.X) return false;
    if (line == last.Y && column + searchLength > last.X) return false;
    return true;
  };

  int count = 0;
  int line = backwards ? last.Y : first.Y;
  while (line >= first.Y && line <= last.Y) {
    const int hits = engine->FindAll(Line(line));
    int i = backwards ? hits - 1 : 0;
    while (backwards ? i >= 0 : i < engine->ResultCount()) {
      const int column = engine->Results(i);
      if (!inScope(column, line)) {
        i += backwards ? -1 : 1;
        continue;
      }
      ++count;
      SetBlockBegin(TPoint{column, line});
      SetCaretXYEx(false, TPoint{1, line});
      ScrollCaretToMiddle();
      SetBlockEnd(TPoint{column + searchLength, line});
      SetCaretXYEx(false, TPoint{backwards ? column : column + searchLength, line});
      EnsureSelectionVisible();
      if (!replacing) return count;

      TSrcReplaceAction action = raReplace;
      if (prompt && OnReplaceText) {
        action = DoOnReplaceText(search, replace, line, column);
        if (action == raCancel) return count;
        if (action == raReplaceAll) {
          replaceAll = true;
          prompt = false;
          startReplaceAll();
        }
      }
      const bool replaced = action != raSkip;
      if (replaced) {
        // Exactly the hit is replaced, as plain text: the selection mode
        // only decides the scope. In line mode a replacement would take the
        // whole line, in column mode spread its lines over the lines below.
        const TSrcSelectionMode keep = selectionMode_;
        selectionMode_ = smNormal;
        ScopeExit back([this, keep] { selectionMode_ = keep; });
        SetSelText(replace);
      }

      if (!backwards) {
        if (replaced && breaksLine) {
          // The rest of the line now follows the replacement on the caret's
          // line: search that line again from the caret, and move the scope
          // down by the lines added.
          const int added = caretY_ - line;
          if (line == last.Y) last.X += caretX_ - (column + searchLength);
          last.Y += added;
          line = caretY_;
          const int from = caretX_;
          engine->FindAll(Line(line));
          i = 0;
          while (i < engine->ResultCount() && engine->Results(i) < from) ++i;
          if (!replaceAll) return count;
          continue;
        }
        const int delta = replaced ? replaceLength - searchLength : 0;
        SetCaretXYEx(false, TPoint{column + searchLength + delta, line});
        if (delta != 0) {
          engine->ShiftResults(column, -delta);
          if (!(selectedOnly && mode == smColumn) && line == last.Y) last.X += delta;
        }
      }
      if (!replaceAll) return count;
      i += backwards ? -1 : 1;
    }
    line += backwards ? -1 : 1;
  }
  return count;
}
