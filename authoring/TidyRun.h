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
#include <QSet>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QProcess;
class QTemporaryFile;
class TTidy;

struct TTidyReport {
  int level = 0;
  unsigned line = 0;
  unsigned col = 0;
  QString msg;
};

bool operator==(const TTidyReport& a, const TTidyReport& b);
size_t qHash(const TTidyReport& r, size_t seed = 0);

struct TTidyResult {
  QList<TTidyReport> reports;  // as TTidyReportKeeper::Take gives them
  qint64 leftOut = 0;          // the reports Tidy gave that are not handed back
  QString output;
};

// The most reports a run hands back (the rest are only counted), the longest
// message text kept of one report (in characters) and the longest output
// (UTF-8 bytes) a run may give.
inline constexpr int kTidyMaxReports = 10000;
inline constexpr int kTidyMaxMessage = 1000;
inline constexpr qint64 kTidyMaxOutput = qint64(16) << 20;

// Keeps the most severe of a run's reports, at most `bound`, in bounded
// memory however many come: configuration faults, fatal faults, faults of
// the document, errors, accessibility reports, warnings, information and
// then Tidy's summaries. A report equal to one kept (level, line, column and
// message) is not kept again; it and every report past the bound are
// counted.
class TTidyReportKeeper {
 public:
  explicit TTidyReportKeeper(qsizetype bound = kTidyMaxReports);
  void Add(const TTidyReport& report);
  // The kept reports, the most severe first and each severity in line and
  // column order (as they came where those agree); empties the keeper.
  QList<TTidyReport> Take();
  // How many reports were not kept (repeats included).
  qint64 LeftOut() const { return leftOut_; }

 private:
  struct TKept {
    int rank;
    quint64 seq;
    TTidyReport report;
  };
  // The order Take gives.
  static bool Before(const TKept& a, const TKept& b);
  // Keeps the `keep` first reports in that order.
  void Cut(qsizetype keep);
  qsizetype bound_;
  // After a cut: the last report kept; whatever would come after it is
  // only counted.
  std::optional<TKept> last_;
  std::vector<TKept> kept_;
  QSet<TTidyReport> seen_;  // the reports in kept_
  quint64 seq_ = 0;
  qint64 leftOut_ = 0;
};

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
