// The code-library page of the options screen: the templates of
// CodeC/codeinside.dci listed by name and comment, the selected template's
// text in an editor, and the commands that add, delete, change, import and
// export templates. Every change rewrites the whole file and reloads it, so
// the lists always show what the file holds.
#pragma once

#include <QWidget>
#include <memory>

#include "editor/SrcEditAutoComplete.h"

class QListWidget;
class QLabel;
class QPushButton;
class TSrcEdit;
class TSrcHTMLHighlighter;

class IAppHost;

class TCodeInsidePage : public QWidget {
  Q_OBJECT
 public:
  // Saved changes reload the code templates of `host`'s documents.
  explicit TCodeInsidePage(IAppHost* host = nullptr, QWidget* parent = nullptr);
  ~TCodeInsidePage() override;

  // ProgramFolder() + "CodeC/codeinside.dci".
  static QString LibraryFile();
  // Reads the library and fills both lists.
  void LoadLibrary();
  void ApplyLanguage();

  // A name chosen: unsaved edits are settled first (the question "DoYou").
  void ListBox1Click(int row);
  // A comment chosen: the same, for the template of that comment.
  void ListBox2Click(int row);
  // Add: the entry dialog, then the library with the new template at its end.
  void Button4Click();
  // Delete the selected template.
  void Button1Click();
  // Writes the edited text in place of its template's; false when it was
  // refused or not written (the edits stay).
  bool SpeedButton1Click();
  // Import: a chosen library replaces this one; the lists are read again in
  // every case.
  void SpeedButton2Click();
  // Export: the library is copied to a chosen file.
  void SpeedButton3Click();

  // Whether the editor holds changes not written yet.
  bool HasUnsavedEdits() const;
  // Puts the question "DoYou" when there are unsaved edits: Yes writes
  // them, No drops them. False when they were to be written and could not be.
  bool SettlePendingEdits();

  QLabel* Label1;
  QLabel* Panel11;
  QListWidget* ListBox1;  // names
  QListWidget* ListBox2;  // comments
  TSrcEdit* Memo1;
  QPushButton* Button4;
  QPushButton* Button1;
  QPushButton* SpeedButton3;
  QPushButton* SpeedButton2;
  QPushButton* SpeedButton1;

 private:
  IAppHost* host_;
  // Writes `templates`, reporting a failure; the lists are read again either way.
  bool WriteLibrary(const QList<TCodeTemplate>& templates);
  // Selects `row` in both lists and shows its text, not counted as an edit.
  void ShowTemplate(int row);
  void DropEdits();
  void Memo1Change();
  // Tells the open documents that the library changed.
  void ReloadDocuments();

  std::unique_ptr<TSrcAutoComplete> library_;
  std::unique_ptr<TSrcHTMLHighlighter> html_;
  int edited_ = -1;
  bool showing_ = false;
};
