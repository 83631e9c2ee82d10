#include "authoring/TidyRun.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryFile>
#include <algorithm>
#include <cctype>
#include <csignal>
#include <utility>

#include "authoring/tidy.h"

namespace {

constexpr auto kStreamVersion = QDataStream::Qt_6_0;
// Deeper pages are refused at once: Tidy's parser recurses per level (its
// stack ends somewhere below 80 000 levels) and its time grows with the
// square of the depth (100 000 levels: about a minute).
constexpr int kMaxDepth = 40000;
constexpr int kTooDeep = 3;  // the helper's exit code for such a page

// Elements that never hold others, or whose end Tidy infers from what
// follows: they add no level of their own.
bool AddsNoLevel(const QByteArray& name) {
  static const QSet<QByteArray> names = {
      "area",     "base",    "basefont", "br",       "col",   "embed",  "frame", "hr",    "img",   "input",
      "isindex",  "keygen",  "link",     "meta",     "param", "source", "track", "wbr",   "p",     "li",
      "dt",       "dd",      "option",   "optgroup", "tr",    "td",     "th",    "thead", "tbody", "tfoot",
      "colgroup", "caption", "rb",       "rt",       "rp",    "html",   "head",  "body"};
  return names.contains(name);
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == ':' || c == '_'; }

}  // namespace

int TidyNestingDepth(const QByteArray& html) {
  QList<QByteArray> open;
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
      const qsizetype at = open.lastIndexOf(name);
      if (at >= 0) open.resize(at);
    } else if (!selfClosed && !AddsNoLevel(name)) {
      if (name == "script" || name == "style") {  // their text holds no tags
        const qsizetype end = html.indexOf("</" + name, i);
        i = end < 0 ? n : end;
        continue;
      }
      open << name;
      deepest = std::max(deepest, open.size());
    }
  }
  return static_cast<int>(deepest);
}

TTidyRun::TTidyRun(QObject* parent) : QObject(parent) {}

TTidyRun::~TTidyRun() { Stop(); }

QString TTidyRun::HelperPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/kvx-tidy"); }

bool TTidyRun::Running() const { return process_ != nullptr; }

void TTidyRun::Start(const TTidy& tidy, const QString& source, TDone done) {
  Stop();
  done_ = std::move(done);
  config_ = new QTemporaryFile(this);
  if (!config_->open() || config_->write(tidy.ConfigText()) < 0 || !config_->flush()) {
    delete std::exchange(config_, nullptr);
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (TDone d = std::exchange(done_, nullptr)) d(false, {});
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
  connect(process_, &QProcess::finished, this, [this] { Finish(); });
  connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) Finish();
  });
  process_->start(HelperPath(), {config_->fileName()});
  if (!process_) return;  // could not start: already reported
  process_->write(source.toUtf8());
  process_->closeWriteChannel();
}

void TTidyRun::Stop() {
  done_ = nullptr;
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

void TTidyRun::Finish() {
  if (!process_) return;
  QProcess* p = std::exchange(process_, nullptr);
  p->disconnect(this);
  TTidyResult result;
  bool ok = p->state() == QProcess::NotRunning && p->error() == QProcess::UnknownError &&
            p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
  if (ok) {
    QDataStream in(p->readAllStandardOutput());
    in.setVersion(kStreamVersion);
    qint64 count = 0;
    in >> count;
    for (qint64 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
      TTidyReport r;
      qint32 level = 0;
      quint32 line = 0, col = 0;
      in >> level >> line >> col >> r.msg;
      r.level = level;
      r.line = line;
      r.col = col;
      result.reports << r;
    }
    in >> result.output;
    ok = in.status() == QDataStream::Ok;
    if (!ok) result = {};
  }
  p->deleteLater();
  delete std::exchange(config_, nullptr);
  if (TDone done = std::exchange(done_, nullptr)) done(ok, result);
}

int TidyHelperMain(int argc, char** argv) {
  if (argc != 2) return 2;
  TTidy tidy;
  if (!tidy.LoadConfigFile(QFile::decodeName(argv[1]))) return 2;
  TTidyResult result;
  tidy.SetOnReport([&result](TObject*, int level, unsigned line, unsigned col, const QString& msg, bool& writeOut) {
    result.reports << TTidyReport{level, line, col, msg};
    writeOut = false;
  });
  QFile in;
  if (!in.open(stdin, QIODevice::ReadOnly)) return 2;
  const QByteArray source = in.readAll();
  if (TidyNestingDepth(source) > kMaxDepth) return kTooDeep;
  tidy.SetSourceString(QString::fromUtf8(source));
  tidy.Execute(result.output);

  QFile out;
  if (!out.open(stdout, QIODevice::WriteOnly)) return 2;
  QDataStream stream(&out);
  stream.setVersion(kStreamVersion);
  stream << qint64(result.reports.size());
  for (const TTidyReport& r : result.reports) stream << qint32(r.level) << quint32(r.line) << quint32(r.col) << r.msg;
  stream << result.output;
  out.flush();
  return stream.status() == QDataStream::Ok ? 0 : 2;
}
