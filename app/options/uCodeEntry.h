// The dialog in which a new code snippet for the code library is written:
// its key, a comment and the text, in an editor that colours HTML and the
// languages embedded in it. The dialog writes no file; its opener reads the
// OK flag and the fields after it closed.
#pragma once

#include <QDialog>
#include <memory>

class QLineEdit;
class QPushButton;
class TSrcEdit;
class TSrcMultiHighlighter;
class TSrcCustomHighlighter;

class Tcc : public QDialog {
  Q_OBJECT
 public:
  explicit Tcc(QWidget* parent = nullptr);
  ~Tcc() override;

  // Replaces the editor's text by the lines of a file chosen in the open dialog.
  void SpeedButton1Click();
  // OK: refuses a key without any character but blanks and a text with a
  // line that begins with "[" (it would start a new template in the
  // library), each with a message, and keeps the dialog open; otherwise sets
  // the OK flag and closes.
  void Button1Click();

  QLineEdit* Edit1;  // the key
  QLineEdit* Edit2;  // the comment
  TSrcEdit* codeman;
  QPushButton* SpeedButton1;
  QPushButton* Button1;
  QPushButton* Button2;
  TSrcMultiHighlighter* SrcMultiHighlighter1;
  bool Ok = false;

 private:
  std::unique_ptr<TSrcCustomHighlighter> html_, css_, js_, vbs_, php_;
};

// The font of the code editors: Courier New, else the system's fixed font; 10 points.
QFont CodeEditorFont();

// Marks an entry field as wrong (red) and gives it the focus.
void MarkInvalid(QWidget* field);
