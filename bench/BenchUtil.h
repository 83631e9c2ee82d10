// Helpers shared by the benchmark programs.
#pragma once

#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

// An integer from the environment, or `fallback` when unset.
inline int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

// Makes Qt draw off screen unless the caller chose a platform.
inline void OffscreenUnlessSet() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Runs the registered benchmarks as the command line selects them, reporting
// through `reporter` (on the console when none is given).
inline void RunBenchmarks(int& argc, char** argv, benchmark::BenchmarkReporter* reporter = nullptr) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) std::exit(1);
  benchmark::RunSpecifiedBenchmarks(reporter);
  benchmark::Shutdown();
}

// Lines made by cycling through printf patterns (each may use one %d, given
// the line number) until `targetBytes` is reached, counting CR LF per line.
inline QStringList GenerateLines(qsizetype targetBytes, std::initializer_list<const char*> patterns) {
  QStringList out;
  qsizetype size = 0;
  char line[512];
  const auto* begin = patterns.begin();
  const int count = static_cast<int>(patterns.size());
  for (int i = 0; size < targetBytes; ++i) {
    const int n = std::snprintf(line, sizeof line, begin[i % count], i);
    out << QString::fromLatin1(line, n);
    size += n + 2;
  }
  return out;
}
