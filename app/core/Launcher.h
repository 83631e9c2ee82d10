// The one way the program starts other programs and hands documents, folders
// and addresses to the desktop. Programs get their arguments as a list, never
// as a command line to be split again. Tests put a recorder in its place.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class TLauncher {
 public:
  virtual ~TLauncher() = default;
  // Starts `program` with `arguments`, detached, working in `folder` (in the
  // program's own working folder when empty); false when it cannot start.
  virtual bool Start(const QString& program, const QStringList& arguments, const QString& folder = QString());
  // Opens a file or an address ("mailto:", "http://...") with the desktop's
  // program for it; false when none took it.
  virtual bool Open(const QString& target);
};

// The process-wide launcher.
TLauncher& Launcher();
// Replaces the launcher (not owned); nullptr brings back the real one.
void SetLauncher(TLauncher* launcher);

// Where a page or web address was shown by ShowInBrowser.
enum class TShownIn { UserBrowser, Desktop, OwnBrowser, Nothing };

// Shows `target` (a local file or a web address) for reading: in
// `userBrowser`, the browser program the user set (empty for none), else
// with the desktop's program for it, else through `ownBrowser`, the
// program's own preview browser (false when it cannot show it). Says which
// one took it; the caller tells the user when none did.
TShownIn ShowInBrowser(const QString& target, const QString& userBrowser,
                       const std::function<bool(const QUrl&)>& ownBrowser);

// A launcher for tests: records every call and starts nothing.
class TRecordingLauncher : public TLauncher {
 public:
  struct Call {
    QString program;  // empty for Open
    QStringList arguments;
    QString target;  // empty for Start
    QString folder;  // the working folder Start was given
  };
  bool Start(const QString& program, const QStringList& arguments, const QString& folder) override {
    calls.append({program, arguments, QString(), folder});
    return result;
  }
  bool Open(const QString& target) override {
    calls.append({QString(), {}, target, QString()});
    return result;
  }
  QList<Call> calls;
  bool result = true;
};

class TLauncherScope {
 public:
  explicit TLauncherScope(TLauncher& launcher) { SetLauncher(&launcher); }
  ~TLauncherScope() { SetLauncher(nullptr); }
  TLauncherScope(const TLauncherScope&) = delete;
  TLauncherScope& operator=(const TLauncherScope&) = delete;
};
