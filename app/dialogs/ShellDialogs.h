// The system tools of the "System" menu: connect and disconnect network
// drives, add a printer, find files, find a computer and open a command
// prompt. External tools are started through the launcher with argument
// lists; a tool that cannot be started is reported.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class TMountSource;

// Starts the first of `candidates` (program and arguments) that starts,
// working in `folder` (see TLauncher::Start); when none does, tells the user
// which tool is missing. True when one started.
bool StartFirstTool(const QList<QStringList>& candidates, const QString& folder = QString());

class TWtCommonDialog {
 public:
  virtual ~TWtCommonDialog() = default;
  virtual bool Execute() = 0;
};

// Asks for a share address and mounts it with "gio mount".
class TWtConnectNetwork : public TWtCommonDialog {
 public:
  bool Execute() override;
};

// Offers the mounted network volumes and unmounts the chosen one.
class TWtDisconnectNetwork : public TWtCommonDialog {
 public:
  explicit TWtDisconnectNetwork(TMountSource* mounts = nullptr) : mounts_(mounts) {}
  bool Execute() override;

 private:
  TMountSource* mounts_;
};

// Opens the printing system's own tool, or its local web page.
class TWtAddPrinter : public TWtCommonDialog {
 public:
  bool Execute() override;
};

// Opens a terminal in `folder` (the home folder when empty).
class TWtCommandPrompt : public TWtCommonDialog {
 public:
  QString folder;
  bool Execute() override;
};

// A search for files by name pattern below a folder, done a few entries at a
// time so that it can run in the event loop and stop on request. Symbolic
// links are never followed and /proc, /sys and /dev are skipped.
class TFileSearch {
 public:
  void Start(const QString& folder, const QString& pattern);
  // Looks at up to `budget` entries; false when the search is over.
  bool Step(int budget, const std::function<void(const QString& path)>& found);
  void Stop() { pending_.clear(); }
  bool Running() const { return !pending_.isEmpty(); }

 private:
  QStringList pending_;  // folders still to read
  QStringList patterns_;
};

class TFindFilesDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TFindFilesDialog(const QString& folder, QWidget* parent = nullptr);
  void StartSearch();
  void StopSearch();

  QLineEdit* FolderEdit;
  QLineEdit* NameEdit;
  QPushButton* FindButton;
  QPushButton* StopButton;
  QListWidget* Results;

 private:
  TFileSearch search_;
  QTimer* timer_;
};

// Opens the search window at `drive` (a folder here; the home folder when empty).
class TWtFindFiles : public TWtCommonDialog {
 public:
  QString drive;
  bool Execute() override;
};

// Looks up a computer by name and shows its addresses.
class TFindComputerDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TFindComputerDialog(QWidget* parent = nullptr);
  ~TFindComputerDialog() override;
  void StartLookup();
  void StopLookup();

  QLineEdit* NameEdit;
  QPushButton* FindButton;
  QPushButton* StopButton;
  QLabel* ResultLabel;

 private:
  int lookupId_ = -1;
};

class TWtFindComputerDlg : public TWtCommonDialog {
 public:
  bool Execute() override;
};
