// The print dialog: number of copies, coloured highlighting and line
// numbers, then the text goes to the printer through the print engine.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "editor/SrcEditPrint.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QSpinBox;
class QStatusBar;

class TfPrintdoc : public QDialog {
  Q_OBJECT
 public:
  // The most copies one job prints.
  static constexpr int kMaxCopies = 999;

  explicit TfPrintdoc(QWidget* parent = nullptr);

  // Captions from the language module.
  void FormShow();
  // Prints with the chosen options and closes the dialog; while pages are
  // printed, Button2 stops the job.
  void Button1Click();
  void Button2Click();
  void SpinEdit1Change();
  // Escape and the title bar's close button: while pages are printed they
  // stop the job (the dialog stays until it has stopped), else they close
  // the dialog.
  void reject() override;

  QGroupBox* GroupBox1;
  QSpinBox* SpinEdit1;
  QGroupBox* GroupBox2;
  QCheckBox* CheckBox1;  // syntax highlighting in colour
  QCheckBox* CheckBox3;  // line numbers
  QPushButton* Button1;
  QPushButton* Button2;
  QStatusBar* StatusBar1;
  TSrcEditPrint SrcEditPrint1;
  // Where the file dialog starts when there is no printer to print on (the
  // file manager's folder); the name it proposes is the title's with ".pdf".
  QString StartFolder;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The default printer, or a PDF file the user names (see PrintTarget).
  std::unique_ptr<TPrintCanvas> DefaultTarget();

  bool stopRequested_ = false;
  bool declined_ = false;  // the user would not replace a write-protected file
};

// Where printed pages go: the default printer, or, when no printer is
// installed, a PDF file the user names (null when the user cancels or will
// not replace the file, or when the print module cannot be loaded, which is
// reported). Tests put their own target in place; an empty one brings back
// the default.
using TPrintTarget = std::function<std::unique_ptr<TPrintCanvas>(QWidget* parent)>;
TPrintTarget& PrintTarget();
