// The file manager's own dialogs: the copy monitor, the confirmation of a
// delete of several files and the file properties.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class TExtProgressBar;
class QPushButton;
class QGroupBox;
class QToolButton;

// Copies the listed files of one folder into a destination folder, showing
// each file as it goes; the copy can be stopped between files and between
// the chunks of a big file.
class TfFileCopy : public QDialog {
  Q_OBJECT
 public:
  explicit TfFileCopy(QWidget* parent = nullptr);
  // The files (names in `sourceFolder`) to copy.
  void Setup(const QStringList& names, const QString& sourceFolder);
  void FormShow();
  // The "..." button: a destination picked in the folder chooser.
  void SpeedButton1Click();
  // The copy button: the whole copy run.
  void Button1Click();
  // The cancel button: asks, then stops before the next file or chunk.
  void Button3Click();
  bool Copying() const { return copying_; }
  bool StopRequested() const { return stop_; }

  // Called after a run with the destination folder (the main window shows it).
  std::function<void(const QString& folder)> OnCopied;

  QListWidget* ListBox1;
  QLineEdit* Edit1;  // destination
  QLineEdit* Edit2;  // source folder
  QPushButton* SpeedButton1;
  QLabel* Label7;  // the file count
  QLabel* Label5;  // the file being copied
  QLabel* Label6;  // its target
  TExtProgressBar* ProgressBar1;
  QPushButton* Button1;  // copy
  QPushButton* Button2;  // close
  QPushButton* Button3;  // cancel

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  QList<QLabel*> sourceLabels_, destLabels_;
  bool copying_ = false;
  bool stop_ = false;
};

// Lists the files about to be deleted; OK asks once more.
class TfConfdel : public QDialog {
  Q_OBJECT
 public:
  explicit TfConfdel(const QStringList& paths, QWidget* parent = nullptr);
  void Button1Click();
  bool Ok() const { return ok_; }

  QLabel* Label1;
  QListWidget* ListBox1;
  QPushButton* Button1;
  QPushButton* Button2;

 private:
  bool ok_ = false;
};

// Name, place, size and times of one file, with its icon.
class TfFileProperties : public QDialog {
  Q_OBJECT
 public:
  explicit TfFileProperties(QWidget* parent = nullptr);
  void Fill(const QString& path);
  // The format of the times shown.
  static QString TimeText(const QDateTime& time);

  QLineEdit* Edit1;  // file name
  QLineEdit* Edit2;  // location
  QLabel* SizeText;
  QLabel* CreatedText;
  QLabel* ModifiedText;
  QLabel* AccessedText;
  QToolButton* ToolButton1;  // the icon

 protected:
  void showEvent(QShowEvent* event) override;
};
