// Start-up until the main window is shown and idle (with and without a
// document on the command line), and opening a large HTML file until its
// editor is painted. The embedded browser is made only when a preview is
// asked for, so it costs nothing here. KV_BENCH_MB sets the file size.
#include "app/Frame.h"
#include "app/Prompts.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "bench/BenchUtil.h"
#include "highlighters/SrcHighlighters.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct Environment {
  Environment() {
    root = dir.path() + u'/';
    SetProgramFolder(root);
    QDir(root).mkpath(QStringLiteral("Language Modules"));
    QFile module(root + QStringLiteral("Language Modules/english.lms"));
    if (module.open(QIODevice::WriteOnly)) module.write("NewDocName          Untitled\r\n");
    module.close();
    TIniFile ini = Settings::Open();
    ini.WriteString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), module.fileName());
    ini.WriteBool(QStringLiteral("Show"), QStringLiteral("DocMan?"), true);
    ini.WriteBool(QStringLiteral("SHigh"), QStringLiteral("Enabled"), true);
    small = root + QStringLiteral("small.html");
    large = root + QStringLiteral("large.html");
    WriteLines(small, GenerateLines(4000, {"<p class=\"x%d\">Some <b>text</b> &amp; more</p>"}));
    WriteLines(large, GenerateLines(qsizetype(EnvInt("KV_BENCH_MB", 10)) * 1024 * 1024,
                                    {"<tr><td class=\"c%d\">cell</td><td><a href=\"p.html\">link</a></td></tr>",
                                     "<!-- comment %d -->", "  <p style=\"color: red\">Text &lt;%d&gt;</p>"}));
  }
  static void WriteLines(const QString& name, const QStringList& lines) {
    QFile f(name);
    if (f.open(QIODevice::WriteOnly)) f.write(lines.join(QStringLiteral("\r\n")).toUtf8());
  }
  QTemporaryDir dir;
  QString root, small, large;
  TScriptedPrompts prompts;
};

Environment* env = nullptr;

void Idle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

void DropMain(TfMain* main) {
  for (TChildForm* c : main->Documents()) c->CloseApproved = true;
  delete main;
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_StartUp(benchmark::State& state) {
  const QStringList args = state.range(0) ? QStringList{env->small} : QStringList{};
  for (auto _ : state) {
    TfMain* main = StartUp(args);
    Idle();
    state.PauseTiming();
    DropMain(main);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUp)->Arg(0)->Arg(1)->ArgName("document")->Unit(benchmark::kMillisecond);

void BM_OpenLargeFile(benchmark::State& state) {
  std::unique_ptr<TfMain> main(StartUp({}));
  Idle();
  for (auto _ : state) {
    TChildForm* doc = main->OpenDocument(false, true, env->large);
    doc->Memo1->viewport()->repaint();
    Idle();
    state.PauseTiming();
    doc->CloseApproved = true;
    doc->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * QFileInfo(env->large).size());
  DropMain(main.release());
}
BENCHMARK(BM_OpenLargeFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  OffscreenUnlessSet();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  RegisterBuiltinHighlighters();
  Environment environment;
  env = &environment;
  TPromptsScope scope(environment.prompts);
  RunBenchmarks(argc, argv);
  SetProgramFolder(QString());
  return 0;
}
