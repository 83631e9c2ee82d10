// HTML Tidy run in a process of its own: no page, however deep or large, can
// end or freeze the program. The helper program (kvx-tidy, beside the
// executable) does one Execute with the options of a given TTidy and hands
// back the reports and the output, both bounded: a page that makes Tidy
// report without end or write without end costs neither process more than
// a fixed amount of memory.
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
  QList<TTidyReport> reports;  // in the order Tidy gave them, each once
  qint64 leftOut = 0;          // reports past kTidyMaxReports, not handed back
  QString output;
};

// The most reports a run hands back (the rest are only counted), the longest
// message text kept of one report (in characters) and the longest output
// (UTF-8 bytes) a run may give.
inline constexpr int kTidyMaxReports = 10000;
inline constexpr int kTidyMaxMessage = 1000;
inline constexpr qint64 kTidyMaxOutput = qint64(16) << 20;

// How a run ended.
enum class TTidyEnd {
  Done,
  Failed,         // the helper crashed, ran out of stack or gave no sound answer
  TooDeep,        // refused: nested deeper than Tidy can go
  TooLarge,       // the output or the answer passed its bound
  HelperMissing,  // no helper program at TTidyRun::HelperPath()
};

class TTidyRun : public QObject {
 public:
  // The result is empty unless `end` is Done.
  using TDone = std::function<void(TTidyEnd end, const TTidyResult& result)>;

  explicit TTidyRun(QObject* parent = nullptr);
  ~TTidyRun() override;

  // Starts Execute on `source` with the options `tidy` has now (without
  // `wantOutput` Tidy's output is neither made nor handed back); `done` is
  // called once when the run ends (never after Stop). The answer is read as
  // it comes; past its bound the helper is ended.
  void Start(const TTidy& tidy, const QString& source, bool wantOutput, TDone done);
  // Ends the run at once; its result is dropped.
  void Stop();
  bool Running() const;

  // The helper program's path: kvx-tidy beside the executable unless set
  // (an empty path: beside the executable again).
  static QString HelperPath();
  static void SetHelperPath(const QString& path);

 private:
  void ReadAnswer();
  void Finish();
  void End(TTidyEnd end);

  QProcess* process_ = nullptr;
  QTemporaryFile* config_ = nullptr;
  TDone done_;
  quint64 run_ = 0;     // counts the runs started: a late notice of an older one is dropped
  QByteArray pending_;  // read, not parsed yet
  qint64 read_ = 0;     // bytes read in all
  bool fault_ = false;  // the answer broke its form or bound
  TTidyResult result_;
};

// How deep elements nest in `html`, counted so that it is never less than
// the page's real nesting: every start tag of an element that is not empty
// opens a level; an end is inferred only where it is certain.
int TidyNestingDepth(const QByteArray& html);

// The helper program: argv[1] names the options file (TTidy::ConfigText),
// "--no-output" as argv[2] leaves the output out; the source comes on
// standard input (UTF-8), the reports and the output go to standard output.
// 0 when done.
int TidyHelperMain(int argc, char** argv);
