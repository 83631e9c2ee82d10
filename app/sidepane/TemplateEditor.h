// The template editor: one user template's name, its text in a highlighting
// editor, and the kind (extension) of the documents made from it. Opened
// modally by the document manager, which reads the results.
#pragma once

#include <QDialog>
#include <QHash>
#include <array>

#include "editor/SrcEdit.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QToolButton;
class TSrcCustomHighlighter;

class TfMyDocumentsCreator : public QDialog {
  Q_OBJECT
 public:
  // `folder`: where the template files are kept (ending in "/").
  explicit TfMyDocumentsCreator(const QString& folder, QWidget* parent = nullptr);
  ~TfMyDocumentsCreator() override;

  // Chooses the highlighter by the extension of `name` when highlighting by
  // extension is switched on; otherwise nothing changes.
  void SetHighlighterByExt(const QString& name);
  // Sets the highlighter of `code` ("HTML", "PHP", ...), checks its menu
  // item and takes its extension as the template's kind.
  void SelectHighlighter(const QString& code);
  QString CheckedHighlighter() const;

  // OK: a usable name closes with the OK flag; a name taken by another
  // template is overwritten only when the user agrees.
  void Button2Click();
  void Button3Click();
  // Replaces the selection with the text of a file the user picks.
  void SpeedButton1Click();
  void GotoLine1Click();

  bool Ok = false;
  bool Exists = false;
  bool EditMode = false;
  QString TemplateExt = QStringLiteral(".html");
  int HighlightLine = -1;
  bool Modified = false;
  QString DocStatusNow, DocStateI, DocStateO;

  TSrcEdit* Memo1;
  QLabel* Label1;
  QLineEdit* Edit1;
  QPushButton* Button2;
  QPushButton* Button3;
  QToolButton* SpeedButton1;
  QToolButton* ToolButton10;
  QMenu* HighLighterPopUp;
  QMenu* PopupMenu1;
  QStatusBar* StatusBar1;
  std::array<QLabel*, 4> Panels{};

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyLanguage();
  void ShowCaret();
  // Marks the name box as wrong and gives it the focus.
  void RefuseName();

  QString folder_;
  QHash<QString, TSrcCustomHighlighter*> highlighters_;
  QList<QAction*> highlighterItems_;
};
