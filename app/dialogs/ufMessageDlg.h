// The program's message box: an icon, the message and one of four rows of
// buttons. Each button closes the box with its result: OK 1, Yes 6, No 7,
// Cancel 2, "Yes to all" 10; closing the box through its title bar (or with
// Escape) leaves the result 0.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QWidget;

class TfMessageDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TfMessageDlg(QWidget* parent = nullptr);

  // Puts the text in the label, sets the button captions from the language
  // module and, by kind, the caption, the row of buttons and the icon:
  // 0 notice (OK, question mark), 1 Yes/No (exclamation mark), 2 error (OK,
  // hand), 3 Yes/No/Cancel, 4 Yes/No/"Yes to all" (exclamation mark),
  // 10 Yes/No (question mark). Any other kind shows no buttons, no caption
  // and no icon.
  void Prepare(const QString& text, int kind);

  // The pressed button's result; 0 until a button is pressed.
  int Result = 0;
  // The character set of the dialog's font (the language module's).
  int Charset = 1;

  QLabel* Image;
  QLabel* Label;
  QWidget* PanOk;
  QWidget* PanYesNo;
  QWidget* PanYesNoCancel;
  QWidget* PanYesToAll;
  QPushButton* btok;
  QPushButton* btYes;
  QPushButton* btNo;
  QPushButton* mrYes2;
  QPushButton* mrNo2;
  QPushButton* mrCancel2;
  QPushButton* btYes3;
  QPushButton* Btno3;
  QPushButton* yestoall;

  // The button that Enter presses, or nullptr.
  QPushButton* DefaultButton() const;

 public slots:
  void btokClick();
  void btYesClick();
  void btNoClick();
  void mrYes2Click();
  void mrNo2Click();
  void mrCancel2Click();
  void yestoallClick();

 private:
  void Finish(int result);
  void Arrange(QWidget* panel);
};
