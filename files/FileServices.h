// What the file controls need from the program around them: texts from the
// language module, the one way of showing dialogs and messages, icons and
// the opening of files. The application puts its own services in place at
// start-up (SetFileServices); until then plain defaults are used, so that the
// controls also work on their own.
#pragma once

#include <QHash>
#include <QIcon>
#include <QString>
#include <functional>

#include "platform/Exceptions.h"

class QDialog;

// Input/output failures of the file controls ("The %s file does not exist").
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};

struct TFileServices {
  // Text of a language-module key.
  std::function<QString(const QString& key)> langText;
  // Shows a dialog modally; returns its result code.
  std::function<int(QDialog&)> execModal;
  // Shows a message of `kind` (as the program's message box); returns the button.
  std::function<int(const QString& text, int kind)> messageDlg;
  // Opens a file with the program the desktop associates with it; false on failure.
  std::function<bool(const QString& path)> openFile;
  // The audible signal of a failed search.
  std::function<void()> beep;
};

// Replaces the services; empty members keep the defaults.
void SetFileServices(const TFileServices& services);
const TFileServices& FileServices();

// Message kinds of the program's message box used here.
inline constexpr int kMsgNotice = 0;  // OK
inline constexpr int kMsgError = 2;   // OK, error sign

QString FilesText(const QString& key);
int FilesExecModal(QDialog& dialog);
int FilesMessage(const QString& text, int kind);

// Orders names as the user's alphabet does without regard to case; names
// equal that way fall back to their code points so that the order is total.
bool NameLess(const QString& a, const QString& b);
// True for a name of one folder level: not empty or blank, not "." or "..",
// without "/" and without control characters.
bool IsSingleFolderName(const QString& name);

// The icon of a file, from the desktop icon theme by MIME type (the type is
// taken from the name alone; contents are never read). Kept per lower-case
// extension with its dot for the life of the program.
class TFileIconCache {
 public:
  static TFileIconCache& Instance();
  QIcon IconFor(const QString& fileName);
  QIcon FolderIcon();
  // How many times the theme was asked (for the cache's own checks).
  int Lookups() const { return lookups_; }
  void Clear();

 private:
  QHash<QString, QIcon> byExtension_;
  QIcon folder_;
  int lookups_ = 0;
};
