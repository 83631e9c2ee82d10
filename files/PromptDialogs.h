// Three small modal dialogs shared by many commands: the one-line prompt
// (its opener sets every text), the folder chooser and the create-folder
// dialog. Each is shown through FilesExecModal.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class TFrDirectoryTree;

class TfDosPrompt : public QDialog {
  Q_OBJECT
 public:
  explicit TfDosPrompt(QWidget* parent = nullptr);
  // The caption of the window, the prompt, the text to start with; the
  // buttons are captioned from "btOk" and "btCancel".
  void Setup(const QString& caption, const QString& prompt, const QString& text = QString());
  // Shows the dialog; true when it was confirmed.
  bool Execute();

  QLabel* Label1;
  QLineEdit* Edit1;
  QPushButton* Button1;
  QPushButton* Button2;
  QString Text() const { return text_; }
  bool Ok() const { return ok_; }

 private:
  QString text_;
  bool ok_ = false;
};

class TfSelDir : public QDialog {
  Q_OBJECT
 public:
  explicit TfSelDir(QWidget* parent = nullptr);
  bool Execute();

  TFrDirectoryTree* FrDirectoryTree1;
  QWidget* Panel1;  // the project-name box, hidden unless asked for
  QLabel* Label1;
  QLineEdit* Edit1;
  QPushButton* Button1;
  QPushButton* Button2;
  bool Ok() const { return ok_; }

 private:
  bool ok_ = false;
};

class TfFolder : public QDialog {
  Q_OBJECT
 public:
  // `tree` is refreshed and opened at the new folder after creation.
  TfFolder(TFrDirectoryTree* tree, QWidget* parent = nullptr);
  // Sets the parent folder and shows it in the status line.
  void SetParentFolder(const QString& folder);
  QString ParentFolder() const { return parentFolder_; }
  bool Execute();
  // Creates the named folder; on refusal or failure the user is told and the
  // dialog stays open. True when the folder was made.
  bool CreateFolder();

  QStatusBar* StatusBar2;
  QLabel* StatusText;
  QLineEdit* Edit2;
  QPushButton* Button6;
  QPushButton* Button7;

 private:
  TFrDirectoryTree* tree_;
  QString parentFolder_;
};
