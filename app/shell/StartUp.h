// Start-up: the splash window, the first-time choice of a language module,
// the main window, the hand-over of a file named on the command line and the
// document manager at start.
#pragma once

#include <QDialog>
#include <QStringList>
#include <QWidget>

class QListWidget;
class QPushButton;
class IAppHost;
class TfMain;

class TfSplash : public QWidget {
  Q_OBJECT
 public:
  // FormCreate: asks for a language module when none is chosen yet.
  explicit TfSplash(QWidget* parent = nullptr);
  // Whether the window has been painted on the screen.
  bool Painted() const { return painted_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool painted_ = false;
};

class TfFirstTimeSettings : public QDialog {
  Q_OBJECT
 public:
  explicit TfFirstTimeSettings(QWidget* parent = nullptr);
  // Lists the "*.lms" files of "Language Modules" in the program folder.
  void FormShow();
  // Writes the chosen module (english.lms when none is selected) to
  // TranslationModule / Path and closes the dialog.
  void SpeedButton1Click();

  QListWidget* FrFileListBox1;
  QPushButton* SpeedButton1;
};

// The main window's caption.
extern QString ProductTitle;

// Hands every file named on the command line to the main window, in order,
// and shows it maximised.
void SendParamToMainWindow(TfMain* main, const QStringList& arguments);
// The toolkit reads its options only from the part of the command line
// before the first "--": the count of arguments it is given.
int ToolkitArgumentCount(int argc, const char* const* argv);
// The files named on the command line: what the toolkit left of its part
// (without the program's name), then everything after "--" as it is, so
// that a file whose name begins with "-" can always be named.
QStringList CommandLineFiles(const QStringList& toolkitLeft, int argc, const char* const* argv, int toolkitCount);
// Shows the document manager unless Show / DocMan? is set.
void ShowDocumentManagerAtStart(IAppHost& host);
// Gives every window the program's icon (QApplication::setWindowIcon) as soon
// as the main window has first painted: reading the icon's pictures and
// handing all their sizes to the window system would otherwise hold up the
// first window. Call once the application object exists.
void UseProgramIconAfterFirstPaint();
// The whole start-up up to the message loop; `arguments` without the
// program's own name. Returns the main window (owned by the caller). Removes
// first what an earlier run that was killed left of its preview files.
TfMain* StartUp(const QStringList& arguments);
