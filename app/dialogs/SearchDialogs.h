// The search and replace dialogs of the document windows, the one search
// state they all share, and the question asked before each replacement.
#pragma once

#include <QDialog>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace SearchReplace {

// Shared by every document window for the life of the process.
struct TSearchState {
  bool SearchBackwards = false;
  bool SearchCaseSensitive = false;
  bool SearchFromCaret = false;
  bool SearchSelectionOnly = false;
  bool SearchWholeWords = false;
  QString SearchText;
  QString ReplaceText;
  QString SearchTextHistory;  // up to 10 texts joined by CR LF
  QString ReplaceTextHistory;
};
TSearchState& State();

inline constexpr int MaxHistory = 10;
// `items` with `text` at the top, once; an empty text changes nothing.
QStringList AddToHistory(QStringList items, const QString& text);
// The first MaxHistory items joined by CR LF.
QString HistoryText(const QStringList& items);
QStringList HistoryItems(const QString& text);

// The replace question: the module text with its first "%s" replaced by
// the search text as it is (the module text is never read as a format).
QString ReplaceQuestion(const QString& moduleText, const QString& search);

// The top-left corner (of the frame) of the confirmation of client `size`
// with the window frame `frame`, for a match whose top left is (x, y) and
// whose line ends at y2, in the editor rectangle `editor` (all screen
// coordinates). The whole window stands above or below the line, never over
// it; where `screen` (when given) has no room on one side, on the other.
QPoint ConfirmPlacement(const QRect& editor, int x, int y2, int y, const QSize& size, const QMargins& frame = {},
                        const QRect& screen = {});

}  // namespace SearchReplace

class TTextSearchDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TTextSearchDialog(QWidget* parent = nullptr);

  bool SearchBackwards() const;
  void SetSearchBackwards(bool value);
  bool SearchCaseSensitive() const;
  void SetSearchCaseSensitive(bool value);
  bool SearchWholeWords() const;
  void SetSearchWholeWords(bool value);
  bool SearchFromCursor() const;
  void SetSearchFromCursor(bool value);
  bool SearchInSelectionOnly() const;
  void SetSearchInSelectionOnly(bool value);
  QString SearchText() const;
  void SetSearchText(const QString& value);
  QString SearchTextHistory() const;
  void SetSearchTextHistory(const QString& value);

  // Sets the texts from the language module; the direction is forward.
  virtual void ApplyLanguage();
  // Puts the texts at the top of their histories (closing with OK).
  virtual void UpdateHistories();
  void accept() override;

  QLabel* Label1;
  QComboBox* cbSearchText;
  QGroupBox* gbSearchOptions;
  QCheckBox* cbSearchCaseSensitive;
  QCheckBox* cbSearchWholeWords;
  QCheckBox* cbSearchFromCursor;
  QCheckBox* cbSearchSelectedOnly;
  QGroupBox* rgSearchDirection;
  QRadioButton* rbForward;
  QRadioButton* rbBackward;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 protected:
  void showEvent(QShowEvent* event) override;
  class QGridLayout* fields_;
};

class TTextReplaceDialog : public TTextSearchDialog {
  Q_OBJECT
 public:
  explicit TTextReplaceDialog(QWidget* parent = nullptr);

  QString ReplaceText() const;
  void SetReplaceText(const QString& value);
  QString ReplaceTextHistory() const;
  void SetReplaceTextHistory(const QString& value);

  void ApplyLanguage() override;
  void UpdateHistories() override;

  QLabel* Label2;
  QComboBox* cbReplaceText;
};

// The question before each replacement: Replace (6), Skip (7), Cancel (2),
// Replace all (10).
class TConfirmReplaceDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TConfirmReplaceDialog(QWidget* parent = nullptr);
  ~TConfirmReplaceDialog() override;

  // Sets the question and places the dialog by the match.
  void PrepareShow(const QRect& editor, int x, int y2, int y, const QString& search);

  QLabel* Image;
  QLabel* lblConfirmation;
  QPushButton* btnReplace;
  QPushButton* btnSkip;
  QPushButton* btnCancel;
  QPushButton* btnReplaceAll;
};

// The confirmation dialog while one exists.
extern TConfirmReplaceDialog* ConfirmReplaceDialog;
