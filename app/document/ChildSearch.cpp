// A document window's search and replace commands.
#include <QApplication>
#include <memory>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/dialogs/SearchDialogs.h"
#include "app/document/Child.h"

void TChildForm::ShowSearchDialog(bool replace) {
  SearchReplace::TSearchState& state = SearchReplace::State();
  std::unique_ptr<TTextSearchDialog> dialog;
  TTextReplaceDialog* replaceDialog = nullptr;
  if (replace) {
    replaceDialog = new TTextReplaceDialog(window());
    dialog.reset(replaceDialog);
  } else {
    dialog = std::make_unique<TTextSearchDialog>(window());
  }
  dialog->ApplyLanguage();
  dialog->SetSearchBackwards(state.SearchBackwards);
  dialog->SetSearchCaseSensitive(state.SearchCaseSensitive);
  dialog->SetSearchFromCursor(state.SearchFromCaret);
  dialog->SetSearchInSelectionOnly(state.SearchSelectionOnly);
  dialog->SetSearchText(state.SearchText);
  dialog->SetSearchTextHistory(state.SearchTextHistory);
  if (replaceDialog) {
    replaceDialog->SetReplaceText(state.ReplaceText);
    replaceDialog->SetReplaceTextHistory(state.ReplaceTextHistory);
  }
  dialog->SetSearchWholeWords(state.SearchWholeWords);
  if (Prompts().ExecModal(*dialog) != QDialog::Accepted) return;
  // The editor finds text within a line: a line break would never match.
  if (dialog->SearchText().contains(u'\n') || dialog->SearchText().contains(u'\r')) {
    ShowMessageDlg(LangText(QStringLiteral("SearchLineBreak")), 0);
    return;
  }
  state.SearchBackwards = dialog->SearchBackwards();
  state.SearchCaseSensitive = dialog->SearchCaseSensitive();
  state.SearchFromCaret = dialog->SearchFromCursor();
  state.SearchSelectionOnly = dialog->SearchInSelectionOnly();
  state.SearchWholeWords = dialog->SearchWholeWords();
  state.SearchText = dialog->SearchText();
  state.SearchTextHistory = dialog->SearchTextHistory();
  if (replaceDialog) {
    state.ReplaceText = replaceDialog->ReplaceText();
    state.ReplaceTextHistory = replaceDialog->ReplaceTextHistory();
  }
  SearchStarted = state.SearchFromCaret;
  if (!state.SearchText.isEmpty()) {
    DoSearchReplace(replace, state.SearchBackwards);
    SearchStarted = true;
  }
}

void TChildForm::DoSearchReplace(bool replace, bool backwards) {
  const SearchReplace::TSearchState& state = SearchReplace::State();
  TSrcSearchOptions options = 0;
  if (replace) options |= ssoReplace | ssoReplaceAll | ssoPrompt;
  if (backwards) options |= ssoBackwards;
  if (state.SearchCaseSensitive) options |= ssoMatchCase;
  if (!SearchStarted) options |= ssoEntireScope;
  if (state.SearchSelectionOnly) options |= ssoSelectedOnly;
  if (state.SearchWholeWords) options |= ssoWholeWord;
  Memo1->OnReplaceText = [this](TObject*, const QString& search, const QString& with, int line, int column,
                                TSrcReplaceAction& action) { action = Memo1ReplaceText(search, with, line, column); };
  if (Memo1->SearchReplace(state.SearchText, state.ReplaceText, options) == 0) {
    QApplication::beep();
    ShowMessageDlg(LangText(QStringLiteral("STextNotFound")), 0);
    if (backwards)
      Memo1->SetBlockEnd(Memo1->BlockBegin());
    else
      Memo1->SetBlockBegin(Memo1->BlockEnd());
    Memo1->SetCaretXY(Memo1->BlockBegin());
  }
  delete ConfirmReplaceDialog;
}

TSrcReplaceAction TChildForm::Memo1ReplaceText(const QString& search, const QString& replace, int line, int column) {
  if (search == replace) return raSkip;
  const QRect client(Memo1->viewport()->mapToGlobal(QPoint(0, 0)), Memo1->viewport()->size());
  const QPoint match =
      Memo1->viewport()->mapToGlobal(Memo1->RowColumnToPixels(Memo1->CharToDisplayPos(TPoint{column, line})));
  if (!ConfirmReplaceDialog) new TConfirmReplaceDialog(window());
  ConfirmReplaceDialog->PrepareShow(client, match.x(), match.y() + Memo1->LineHeight(), match.y(), search);
  switch (Prompts().ExecModal(*ConfirmReplaceDialog)) {
    case 6:
      return raReplace;
    case 7:
      return raSkip;
    case 10:
      return raReplaceAll;
    default:
      return raCancel;
  }
}
