#include "authoring/TidyRun.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTemporaryFile>
#include <QtEndian>
#include <algorithm>
#include <cctype>
#include <csignal>
#include <memory>
#include <tuple>
#include <utility>

#include "authoring/TidyEngine.h"
#include "authoring/tidy.h"

namespace {

// Deeper pages are refused at once: Tidy's parser recurses per level (its
// stack ends somewhere below 80 000 levels) and its time grows with the
// square of the depth (100 000 levels: about a minute).
constexpr int kMaxDepth = 40000;
// The helper's exit codes for a page refused as too deep and for an output
// past its bound.
constexpr int kTooDeep = 3;
constexpr int kTooLarge = 4;
// The largest answer a helper may give: every report at its longest, the
// output at its longest and the frames around them.
constexpr qint64 kMaxFrame = kTidyMaxOutput + 64;
constexpr qint64 kMaxAnswer = kMaxFrame + qint64(kTidyMaxReports + 1) * (3 * kTidyMaxMessage + 64);

// The answer on standard output is a run of frames: the payload's length
// (4 bytes, most significant first) and the payload, whose first byte says
// what it holds.
constexpr char kReportFrame = 'R';   // see ReportPayload
constexpr char kLeftOutFrame = 'L';  // how many reports were left out (8 bytes)
constexpr char kOutputFrame = 'O';   // the output (UTF-8)

QString HelperPathSet;

bool OneOf(const QByteArray& name, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

// Elements that never hold others.
bool IsEmptyElement(const QByteArray& name) {
  return OneOf(name, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr", "img", "input",
                      "isindex", "keygen", "link", "meta", "param", "source", "track", "wbr"});
}

// Elements an end tag does not reach past: an end tag whose element is open
// only outside the innermost of them ends nothing.
bool IsScope(const QByteArray& name) {
  return OneOf(name, {"applet", "caption", "html", "table", "td", "th", "marquee", "object", "template"});
}

// Whether the start tag `name` certainly ends the innermost open element
// `open` (a paragraph before a block, a list item before the next...).
bool EndsOpen(const QByteArray& open, const QByteArray& name) {
  if (open == "p")
    return OneOf(name, {"p",      "div",     "ul",     "ol",         "dl",       "li",      "dd",      "dt",
                        "table",  "h1",      "h2",     "h3",         "h4",       "h5",      "h6",      "pre",
                        "form",   "address", "center", "blockquote", "section",  "article", "aside",   "nav",
                        "header", "footer",  "main",   "figure",     "fieldset", "menu",    "details", "dir"});
  if (open == "li") return name == "li";
  if (open == "dt" || open == "dd") return OneOf(name, {"dt", "dd"});
  if (open == "td" || open == "th") return OneOf(name, {"td", "th", "tr", "tbody", "thead", "tfoot"});
  if (open == "tr") return OneOf(name, {"tr", "tbody", "thead", "tfoot"});
  if (open == "tbody" || open == "thead" || open == "tfoot") return OneOf(name, {"tbody", "thead", "tfoot"});
  if (open == "option") return OneOf(name, {"option", "optgroup"});
  if (open == "optgroup") return name == "optgroup";
  if (OneOf(open, {"rb", "rt", "rp", "rtc"})) return OneOf(name, {"rb", "rt", "rp", "rtc"});
  if (open == "colgroup") return name != "col";
  if (open == "head") return name == "body";
  return false;
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == ':' || c == '_'; }

// The open elements, with where each name and each scope element stands.
class TOpenElements {
 public:
  qsizetype Depth() const { return open_.size(); }
  void Push(const QByteArray& name) {
    while (!open_.isEmpty() && EndsOpen(open_.constLast(), name)) Pop();
    at_[name] << open_.size();
    if (IsScope(name)) scopes_ << open_.size();
    open_ << name;
  }
  void End(const QByteArray& name) {
    const auto it = at_.constFind(name);
    if (it == at_.cend() || it->isEmpty()) return;
    const qsizetype at = it->constLast();
    if (!scopes_.isEmpty() && at < scopes_.constLast()) return;  // open only outside a table, a cell...
    while (open_.size() > at) Pop();
  }

 private:
  void Pop() {
    const QByteArray name = open_.takeLast();
    at_[name].removeLast();
    if (!scopes_.isEmpty() && scopes_.constLast() == open_.size()) scopes_.removeLast();
  }
  QList<QByteArray> open_;
  QHash<QByteArray, QList<qsizetype>> at_;
  QList<qsizetype> scopes_;
};

}  // namespace

int TidyNestingDepth(const QByteArray& html) {
  TOpenElements open;
  qsizetype deepest = 0;
  const qsizetype n = html.size();
  qsizetype i = 0;
  while ((i = html.indexOf('<', i)) >= 0) {
    if (html.mid(i, 4) == "<!--") {
      const qsizetype end = html.indexOf("-->", i + 4);
      i = end < 0 ? n : end + 3;
      continue;
    }
    const bool closing = i + 1 < n && html[i + 1] == '/';
    qsizetype j = i + (closing ? 2 : 1);
    const qsizetype nameStart = j;
    while (j < n && IsNameChar(html[j])) ++j;
    if (j == nameStart || !std::isalpha(static_cast<unsigned char>(html[nameStart]))) {
      ++i;  // no tag: text, "<!...>" or "<?...>"
      continue;
    }
    const QByteArray name = html.mid(nameStart, j - nameStart).toLower();
    // The tag's end, past quoted attribute values.
    char quote = 0;
    while (j < n && (quote || html[j] != '>')) {
      if (quote ? html[j] == quote : html[j] == '"' || html[j] == '\'') quote = quote ? 0 : html[j];
      ++j;
    }
    const bool selfClosed = j > 0 && j < n && html[j - 1] == '/';
    i = j;
    if (closing) {
      open.End(name);
    } else if (!selfClosed && !IsEmptyElement(name)) {
      if (name == "script" || name == "style") {  // their text holds no tags
        deepest = std::max(deepest, open.Depth() + 1);
        const qsizetype end = html.indexOf("</" + name, i);
        i = end < 0 ? n : end;
        continue;
      }
      open.Push(name);
      deepest = std::max(deepest, open.Depth());
    }
  }
  return static_cast<int>(deepest);
}

bool operator==(const TTidyReport& a, const TTidyReport& b) {
  return a.level == b.level && a.line == b.line && a.col == b.col && a.msg == b.msg;
}

size_t qHash(const TTidyReport& r, size_t seed) { return qHashMulti(seed, r.level, r.line, r.col, r.msg); }

namespace {

// Where a level stands among the kept reports: the most severe first.
int SeverityRank(int level) {
  switch (level) {
    case trlConfig:
      return 0;
    case trlFatal:
      return 1;
    case trlBadDocument:
      return 2;
    case trlError:
      return 3;
    case trlAccess:
      return 4;
    case trlWarning:
      return 5;
    case trlInfo:
      return 6;
    default:  // Tidy's summaries and notes
      return 7;
  }
}

}  // namespace

TTidyReportKeeper::TTidyReportKeeper(qsizetype bound) : bound_(std::max<qsizetype>(0, bound)) {}

void TTidyReportKeeper::Add(const TTidyReport& report) {
  TKept k{SeverityRank(report.level), seq_++, report};
  if ((last_ && Before(*last_, k)) || seen_.contains(report)) {
    ++leftOut_;
    return;
  }
  seen_.insert(report);
  kept_.push_back(std::move(k));
  // Cut back now and then rather than at every report past the bound.
  if (qsizetype(kept_.size()) >= 2 * bound_ + 64) Cut(bound_);
}

bool TTidyReportKeeper::Before(const TKept& a, const TKept& b) {
  return std::tie(a.rank, a.report.line, a.report.col, a.seq) < std::tie(b.rank, b.report.line, b.report.col, b.seq);
}

void TTidyReportKeeper::Cut(qsizetype keep) {
  if (qsizetype(kept_.size()) <= keep) return;
  std::nth_element(kept_.begin(), kept_.begin() + keep, kept_.end(), Before);
  for (auto it = kept_.begin() + keep; it != kept_.end(); ++it) seen_.remove(it->report);
  leftOut_ += qint64(kept_.size()) - keep;
  kept_.erase(kept_.begin() + keep, kept_.end());
  if (keep > 0) {
    last_ = *std::max_element(kept_.begin(), kept_.end(), Before);
    last_->report.msg.clear();
  }
}

QList<TTidyReport> TTidyReportKeeper::Take() {
  Cut(bound_);
  std::sort(kept_.begin(), kept_.end(), Before);
  QList<TTidyReport> out;
  out.reserve(qsizetype(kept_.size()));
  for (TKept& k : kept_) out << std::move(k.report);
  kept_.clear();
  seen_.clear();
  last_.reset();
  return out;
}

TTidyRun::TTidyRun(QObject* parent) : QObject(parent) {}

TTidyRun::~TTidyRun() { Stop(); }

QString TTidyRun::HelperPath() {
  return HelperPathSet.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/kvx-tidy") : HelperPathSet;
}

void TTidyRun::SetHelperPath(const QString& path) { HelperPathSet = path; }

bool TTidyRun::Running() const { return process_ != nullptr || done_ != nullptr; }

void TTidyRun::Start(const TTidy& tidy, const QString& source, bool wantOutput, TDone done) {
  Stop();
  const quint64 run = ++run_;
  done_ = std::move(done);
  pending_.clear();
  read_ = 0;
  fault_ = false;
  result_ = {};
  const QString helper = HelperPath();
  const QFileInfo helperInfo(helper);
  if (!helperInfo.isFile() || !helperInfo.isExecutable()) {
    QMetaObject::invokeMethod(
        this,
        [this, run] {
          if (run == run_) End(TTidyEnd::HelperMissing);
        },
        Qt::QueuedConnection);
    return;
  }
  config_ = new QTemporaryFile(this);
  if (!config_->open() || config_->write(tidy.ConfigText()) < 0 || !config_->flush()) {
    delete std::exchange(config_, nullptr);
    QMetaObject::invokeMethod(
        this,
        [this, run] {
          if (run == run_) End(TTidyEnd::Failed);
        },
        Qt::QueuedConnection);
    return;
  }
  process_ = new QProcess(this);
  process_->setChildProcessModifier([] {
    // The helper dies with the program and leaves no core file when a page
    // is too much for Tidy.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
  });
  process_->setStandardErrorFile(QProcess::nullDevice());
  connect(process_, &QProcess::readyReadStandardOutput, this, [this] { ReadAnswer(); });
  connect(process_, &QProcess::finished, this, [this] { Finish(); });
  connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) Finish();
  });
  QStringList arguments{config_->fileName()};
  if (!wantOutput) arguments << QStringLiteral("--no-output");
  process_->start(helper, arguments);
  if (!process_) return;  // could not start: already reported
  process_->write(source.toUtf8());
  process_->closeWriteChannel();
}

void TTidyRun::Stop() {
  done_ = nullptr;
  result_ = {};
  pending_.clear();
  if (!process_) return;
  QProcess* p = std::exchange(process_, nullptr);
  p->disconnect(this);
  if (p->state() != QProcess::NotRunning) {
    p->kill();
    p->waitForFinished(-1);
  }
  delete p;
  delete std::exchange(config_, nullptr);
}

// Takes what the helper wrote so far and the whole frames in it. An answer
// past its bound ends the helper: the run fails.
void TTidyRun::ReadAnswer() {
  if (!process_ || fault_) return;
  const QByteArray chunk = process_->readAllStandardOutput();
  read_ += chunk.size();
  if (read_ > kMaxAnswer) {
    fault_ = true;
    process_->kill();  // finished follows
    return;
  }
  pending_ += chunk;
  qsizetype at = 0;
  while (pending_.size() - at >= 4) {
    const auto* head = reinterpret_cast<const uchar*>(pending_.constData() + at);
    const qint64 length = qFromBigEndian<quint32>(head);
    if (length < 1 || length > kMaxFrame) {
      fault_ = true;
      process_->kill();
      return;
    }
    if (pending_.size() - at - 4 < length) break;
    const char kind = pending_[at + 4];
    const QByteArrayView payload(pending_.constData() + at + 5, length - 1);
    at += 4 + length;
    if (kind == kReportFrame && payload.size() >= 12) {
      if (result_.reports.size() < kTidyMaxReports)
        result_.reports << TTidyReport{
            qFromBigEndian<qint32>(payload.data()), qFromBigEndian<quint32>(payload.data() + 4),
            qFromBigEndian<quint32>(payload.data() + 8), QString::fromUtf8(payload.sliced(12)).left(kTidyMaxMessage)};
      else
        ++result_.leftOut;
    } else if (kind == kLeftOutFrame && payload.size() == 8) {
      result_.leftOut += std::max<qint64>(0, qFromBigEndian<qint64>(payload.data()));
    } else if (kind == kOutputFrame) {
      result_.output = QString::fromUtf8(payload);
    } else {
      fault_ = true;
      process_->kill();
      return;
    }
  }
  pending_.remove(0, at);
}

void TTidyRun::Finish() {
  if (!process_) return;
  ReadAnswer();
  QProcess* p = std::exchange(process_, nullptr);
  p->disconnect(this);
  TTidyEnd end = TTidyEnd::Failed;
  // A helper that refused the page may have left part of it unread: the
  // write's failure tells nothing then.
  const bool errorFree = p->error() == QProcess::UnknownError || p->error() == QProcess::WriteError;
  if (p->state() == QProcess::NotRunning && errorFree && p->exitStatus() == QProcess::NormalExit) {
    const int code = p->exitCode();
    end = code == 0           ? TTidyEnd::Done
          : code == kTooDeep  ? TTidyEnd::TooDeep
          : code == kTooLarge ? TTidyEnd::TooLarge
                              : TTidyEnd::Failed;
  } else if (p->error() == QProcess::FailedToStart) {
    end = TTidyEnd::HelperMissing;
  }
  if (fault_) end = read_ > kMaxAnswer ? TTidyEnd::TooLarge : TTidyEnd::Failed;
  if (end == TTidyEnd::Done && !pending_.isEmpty()) end = TTidyEnd::Failed;  // cut short
  p->deleteLater();
  delete std::exchange(config_, nullptr);
  End(end);
}

void TTidyRun::End(TTidyEnd end) {
  TTidyResult result = std::exchange(result_, {});
  pending_.clear();
  if (end != TTidyEnd::Done) result = {};
  if (TDone done = std::exchange(done_, nullptr)) done(end, result);
}

namespace {

// One frame of the answer.
void WriteFrame(QFile& out, char kind, const QByteArray& payload) {
  uchar head[4];
  qToBigEndian<quint32>(static_cast<quint32>(payload.size() + 1), head);
  out.write(reinterpret_cast<const char*>(head), 4);
  out.write(&kind, 1);
  out.write(payload);
}

// A report's payload: level, line and column (4 bytes each, most
// significant first) and the message, cut to its longest, in UTF-8.
QByteArray ReportPayload(int level, unsigned line, unsigned col, const QString& msg) {
  QByteArray payload(12, Qt::Uninitialized);
  qToBigEndian<qint32>(level, payload.data());
  qToBigEndian<quint32>(line, payload.data() + 4);
  qToBigEndian<quint32>(col, payload.data() + 8);
  payload += QStringView(msg).left(kTidyMaxMessage).toUtf8();
  return payload;
}

}  // namespace

int TidyHelperMain(int argc, char** argv) {
  const bool wantOutput = argc == 2;
  if (argc != 2 && (argc != 3 || qstrcmp(argv[2], "--no-output") != 0)) return 2;
  const std::unique_ptr<ITidyEngine> tidy(NewTidyEngine());
  if (!tidy || !tidy->LoadConfigFile(QFile::decodeName(argv[1]))) return 2;
  // The most severe reports are kept up to their bound; the rest only counted.
  TTidyReportKeeper keeper;
  tidy->SetOnReport([&](int level, unsigned line, unsigned col, const QString& msg, bool& writeOut) {
    writeOut = false;
    keeper.Add(TTidyReport{level, line, col, msg.left(kTidyMaxMessage)});
  });
  tidy->SetOutputLimit(wantOutput ? kTidyMaxOutput : 0);
  QFile in;
  if (!in.open(stdin, QIODevice::ReadOnly)) return 2;
  const QByteArray source = in.readAll();
  if (TidyNestingDepth(source) > kMaxDepth) return kTooDeep;
  tidy->SetSourceString(QString::fromUtf8(source));
  QString output;
  bool congruent = false;
  tidy->Execute(output, congruent);
  // The output's bound holds for Tidy's bytes and for the text handed back.
  const QByteArray outputBytes = wantOutput ? output.toUtf8() : QByteArray();
  if (wantOutput && (tidy->OutputCut() || outputBytes.size() > kTidyMaxOutput)) return kTooLarge;
  output.clear();

  QFile out;
  if (!out.open(stdout, QIODevice::WriteOnly)) return 2;
  for (const TTidyReport& r : keeper.Take()) WriteFrame(out, kReportFrame, ReportPayload(r.level, r.line, r.col, r.msg));
  if (const qint64 leftOut = keeper.LeftOut(); leftOut > 0) {
    QByteArray payload(8, Qt::Uninitialized);
    qToBigEndian<qint64>(leftOut, payload.data());
    WriteFrame(out, kLeftOutFrame, payload);
  }
  if (wantOutput) WriteFrame(out, kOutputFrame, outputBytes);
  return out.flush() && out.error() == QFileDevice::NoError ? 0 : 2;
}
