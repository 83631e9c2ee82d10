// HTML Tidy run in a process of its own: no page, however deep or large, can
// end or freeze the program. The helper program (kvx-tidy, beside the
// executable) does one TTidy::Execute with the options of a given TTidy and
// hands back the reports and the output.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class QProcess;
class QTemporaryFile;
class TTidy;

struct TTidyReport {
  int level = 0;
  unsigned line = 0;
  unsigned col = 0;
  QString msg;
};

struct TTidyResult {
  QList<TTidyReport> reports;  // in the order Tidy gave them
  QString output;
};

class TTidyRun : public QObject {
 public:
  // ok is false when Tidy did not finish (the helper crashed, ran out of
  // stack or could not start); the result is empty then.
  using TDone = std::function<void(bool ok, const TTidyResult& result)>;

  explicit TTidyRun(QObject* parent = nullptr);
  ~TTidyRun() override;

  // Starts TTidy::Execute on `source` with the options `tidy` has now;
  // `done` is called once when the run ends (never after Stop).
  void Start(const TTidy& tidy, const QString& source, TDone done);
  // Ends the run at once; its result is dropped.
  void Stop();
  bool Running() const;

  // The helper program's path.
  static QString HelperPath();

 private:
  void Finish();

  QProcess* process_ = nullptr;
  QTemporaryFile* config_ = nullptr;
  TDone done_;
};

// How deep elements nest in `html`, as far as a quick look tells (elements
// whose end Tidy infers count no level); the helper refuses deep pages by it.
int TidyNestingDepth(const QByteArray& html);

// The helper program: argv[1] names the options file (TTidy::ConfigText);
// the source comes on standard input (UTF-8), the reports and the output go
// to standard output. 0 when done.
int TidyHelperMain(int argc, char** argv);
