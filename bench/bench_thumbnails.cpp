// What a user waits for when a folder of photos opens in the image browser:
// listing the folder (no picture may be read yet) and the first screen of
// thumbnails (each picture decoded scaled to its cell). Before the timings,
// the peak resident memory that one large picture takes as a thumbnail and
// at full size (a 8000 x 8000 PNG of about 200 KB and a run-length BMP of
// 8000 x 8000 in 70 bytes), against the budget of one picture; and the
// longest pause of the event loop while a screen of metafiles that are slow
// to draw fills in, and while it is paged away and back.
//
// Each in a fresh process of its own (`bench_thumbnails --run NAME`): the
// time until the ordinary pictures of a screen show when slow metafiles come
// before them in the folder; the resident size as the image browser is
// opened and closed again and again on slow metafiles (`open-close`); and
// the peak resident growth when a huge PNG is
// double-clicked while its thumbnail is still being decoded, when its
// thumbnail is waited for first, and when several huge pictures share a
// screen.
//
//   KV_BENCH_PICTURES   number of JPEG photos in the folder (default 100)
//   KV_BENCH_SIDE       width of each photo; height is 3/4 of it (default 3000)
//   KV_BENCH_METAFILES  number of slow metafiles on the screen (default 40)
//   KV_BENCH_HUGE       side of the huge PNG pictures (default 8000)
//   KV_BENCH_CYCLES     times the browser is opened and closed (default 100)
//   KV_BENCH_OPEN_MS    how long it stays open each time (default 150)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "bench/BenchUtil.h"
#include "images/AnimPicture.h"
#include "images/PictureThreads.h"
#include "images/ThumbnailList.h"
#include "images/uImageLoad.h"
#include "platform/Memory.h"
#include "platform/PictureDecoder.h"
#include "tests/common/EventLoopPause.h"
#include "tests/images/PictureFiles.h"
#include "tests/images/WmfWriter.h"

namespace {

// A JPEG photo of `side` x 3/4 `side` with some colour in it.
QByteArray Photo(int side) {
  QImage photo(side, side * 3 / 4, QImage::Format_RGB32);
  QPainter p(&photo);
  p.fillRect(photo.rect(), QLinearGradient(0, 0, side, side));
  for (int i = 0; i < 50; ++i)
    p.fillRect(i * side / 50, i * side / 80, side / 10, side / 12, QColor::fromHsv(i * 7, 200, 200));
  p.end();
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  photo.save(&buffer, "jpeg", 85);
  return jpeg;
}

// A metafile that takes long to draw even at a thumbnail's size: ellipses
// over the whole picture, as many as the work limit lets through.
QByteArray SlowMetafile() {
  wmftest::Wmf w;
  w.WindowExt(4000, 3000).RedNoPen();
  for (int i = 0; i < 20000; ++i) w.Ellipse(-(i % 50), -(i % 40), 4000 + i % 50, 3000 + i % 40);
  return w.Plain();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
}

// KV_BENCH_METAFILES slow metafiles m000.wmf, m001.wmf, ... in `folder`;
// their number.
int WriteSlowMetafiles(const QString& folder) {
  const int count = EnvInt("KV_BENCH_METAFILES", 40);
  const QByteArray slow = SlowMetafile();
  for (int i = 0; i < count; ++i) WriteFile(folder + QStringLiteral("/m%1.wmf").arg(i, 3, 10, QLatin1Char('0')), slow);
  return count;
}

struct Folder {
  QTemporaryDir dir;
  int count = 0;
  Folder() {
    count = EnvInt("KV_BENCH_PICTURES", 100);
    const QByteArray jpeg = Photo(EnvInt("KV_BENCH_SIDE", 3000));
    for (int i = 0; i < count; ++i)
      WriteFile(dir.path() + QStringLiteral("/photo%1.jpg").arg(i, 4, 10, QLatin1Char('0')), jpeg);
  }
  QString Mask() const { return dir.path() + QStringLiteral("/*.*"); }
};
Folder* folder = nullptr;

void BM_OpenFolder(benchmark::State& state) {
  TThumbnailList list;
  for (auto _ : state) {
    list.LoadFromMask(folder->Mask());
    if (list.DecodeCount() != 0) state.SkipWithError("a picture was read while the folder opened");
  }
  state.counters["pictures"] = folder->count;
}
BENCHMARK(BM_OpenFolder)->Unit(benchmark::kMillisecond);

void BM_FirstScreenOfThumbnails(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto list = std::make_unique<TThumbnailList>();
    list->resize(1000, 700);
    list->SetColumns(6);
    list->SetThumbnailSize(100);
    list->LoadFromMask(folder->Mask());
    state.ResumeTiming();
    list->grab();
    if (!list->WaitForThumbnails(60000)) state.SkipWithError("the first screen was not decoded within a minute");
    state.counters["decoded"] = list->DecodeCount();
  }
}
BENCHMARK(BM_FirstScreenOfThumbnails)->Unit(benchmark::kMillisecond);

// ------------------------------------------------------------ peak memory

// How far the resident size grows above where it stood while `work` runs.
template <class F>
double PeakGrowthMiB(F&& work) {
  Memory::ResetPeakResident();
  const qint64 before = Memory::Resident();
  work();
  return double(Memory::PeakResident() - before) / (1 << 20);
}

void ReportPeakMemory() {
  if (!Memory::ResetPeakResident()) {
    std::printf("Peak memory: the system cannot reset the peak resident size here; not measured.\n");
    return;
  }
  const double budget = double(PictureDecoder::kPictureBudget) / (1 << 20);
  std::printf("Peak resident growth per picture (goal: within the picture budget of %.0f MiB):\n", budget);
  QTemporaryDir dir;
  const std::pair<const char*, QByteArray> files[] = {{"large.png", pngtest::LargePng(8000, 8000)},
                                                      {"runs.bmp", pngtest::RleBmp(8000, 8000, pngtest::RleRuns())}};
  for (const auto& [name, bytes] : files) {
    const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();
    TfImageBrowser browser;
    browser.AddFiles({path});
    browser.ThumbnailList1->resize(700, 400);
    const double thumbnail = PeakGrowthMiB([&] {
      browser.ThumbnailList1->grab();
      browser.ThumbnailList1->WaitForThumbnails(60000);
    });
    const double full = PeakGrowthMiB([&] {
      browser.ThumbnailList1->SetItemIndex(0);
      browser.ThumbnailList1DblClick();
      browser.WaitForPicture(60000);
      browser.AnimPicture1->resize(680, 420);
      browser.AnimPicture1->grab();
    });
    std::printf("  %-10s %8lld bytes, 8000 x 8000: thumbnail %6.1f MiB, full view %6.1f MiB (goal <= %.0f)\n", name,
                static_cast<long long>(bytes.size()), thumbnail, full, budget);
  }
}

// ------------------------------------------------------------ pauses

void ReportLongestPause() {
  QTemporaryDir dir;
  const int count = WriteSlowMetafiles(dir.path());
  QElapsedTimer one;
  one.start();
  LoadThumbnailImage(dir.path() + QStringLiteral("/m000.wmf"), QSize(96, 80));
  const qint64 oneMs = one.elapsed();
  PictureFailures::Clear();

  TThumbnailList list;
  list.SetColumns(6);
  list.SetThumbnailSize(100);
  list.resize(1000, 700);
  list.LoadFromMask(dir.path() + QStringLiteral("/*.*"));
  QElapsedTimer clock;
  clock.start();
  list.show();
  const auto allShown = [&] { return list.DecodeCount() > 0 && !list.Decoding(); };
  const qint64 filling = LongestPause(600000, allShown);
  const qint64 filled = clock.elapsed();
  // Paged away and back: what was drawn stays.
  const int decodes = list.DecodeCount();
  list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
  qint64 paging = LongestPause(200, [] { return false; });
  list.verticalScrollBar()->setValue(0);
  paging = qMax(paging, LongestPause(200, [] { return false; }));
  std::printf(
      "Longest pause of the event loop while %d metafiles of %lld ms each fill a screen of thumbnails:\n"
      "  %lld ms (goal < 100 ms); all drawn after %lld ms; paging away and back: %lld ms (goal < 100 ms), "
      "decoded again: %d (goal 0)\n",
      count, static_cast<long long>(oneMs), static_cast<long long>(filling), static_cast<long long>(filled),
      static_cast<long long>(paging), list.DecodeCount() - decodes);
}

// ------------------------------------------------------------ by the event loop alone

// The first screen of photos as a user meets it: the list is shown and the
// event loop runs, nothing waits for thumbnails or scrolls. How long until
// every cell in view is drawn.
void ReportScreenByEventLoop() {
  TThumbnailList list;
  list.SetColumns(6);
  list.SetThumbnailSize(100);
  list.resize(1000, 700);
  list.LoadFromMask(folder->Mask());
  QElapsedTimer clock;
  clock.start();
  list.show();
  const QRect view = list.viewport()->rect();
  int inView = 0;
  const auto allDrawn = [&] {
    inView = 0;
    for (int i = 0; i < list.Thumbnails().Count(); ++i) {
      if (!list.visualRect(list.model()->index(i, 0)).intersects(view)) continue;
      ++inView;
      if (!list.HasThumbnail(i)) return false;
    }
    return true;
  };
  const bool all = PictureThreads::RunEventsWhile([&] { return !allDrawn(); }, 60000);
  int drawn = 0;
  for (int i = 0; i < list.Thumbnails().Count(); ++i) drawn += list.HasThumbnail(i) ? 1 : 0;
  std::printf(
      "First screen shown with nothing but the event loop running: %d of %d cells in view drawn after %s%lld ms\n"
      "  (goal: every cell, within a second)\n",
      drawn, inView, all ? "" : "more than ", static_cast<long long>(clock.elapsed()));
}

// ------------------------------------------------------------ fresh processes

// Runs the event loop until `done`, at most `ms` milliseconds; false when
// time ran out.
bool RunUntil(int ms, const std::function<bool()>& done) {
  return PictureThreads::RunEventsWhile([&done] { return !done(); }, ms);
}

// A folder of slow metafiles followed by five photos, all on one screen:
// how long until the first and the last photo shows.
int RunBehindMetafiles() {
  QTemporaryDir dir;
  const int count = WriteSlowMetafiles(dir.path());
  const QByteArray photo = Photo(EnvInt("KV_BENCH_SIDE", 3000));
  for (int i = 0; i < 5; ++i) WriteFile(dir.path() + QStringLiteral("/p%1.jpg").arg(i), photo);
  TThumbnailList list;
  list.SetColumns(6);
  list.SetThumbnailSize(100);
  list.resize(1000, 700);  // ten across, five rows: every picture is on the screen
  list.LoadFromMask(dir.path() + QStringLiteral("/*.*"));
  QElapsedTimer clock;
  clock.start();
  list.show();
  qint64 first = -1;
  const bool all = RunUntil(120000, [&] {
    int shown = 0;
    for (int i = count; i < count + 5; ++i) shown += list.HasThumbnail(i) ? 1 : 0;
    if (shown > 0 && first < 0) first = clock.elapsed();
    return shown == 5;
  });
  const qint64 last = clock.elapsed();
  std::printf(
      "Five photos behind %d slow metafiles on one screen: first shows after %lld ms, last after %s%lld ms "
      "(goal: the last within 1000 ms)\n",
      count, static_cast<long long>(first), all ? "" : "more than ", static_cast<long long>(last));
  std::fflush(stdout);
  dir.remove();   // _Exit runs no destructor
  std::_Exit(0);  // the metafiles still being drawn are not waited for
}

// A huge PNG added to the image browser and double-clicked `afterMs` after
// its thumbnail began (-1: after the thumbnail is done); or `pictures` huge
// PNGs on one screen of thumbnails. Prints the peak resident growth.
int RunHuge(const char* what, int pictures, int afterMs) {
  const int side = EnvInt("KV_BENCH_HUGE", 8000);
  QTemporaryDir dir;
  const QByteArray png = pngtest::LargePng(side, side);
  QStringList files;
  for (int i = 0; i < pictures; ++i) {
    files << dir.path() + QStringLiteral("/huge%1.png").arg(i);
    WriteFile(files.back(), png);
  }
  TfImageBrowser browser;
  browser.AddFiles(files);
  browser.ThumbnailList1->resize(700, 400);
  Memory::ResetPeakResident();
  const qint64 before = Memory::Resident();
  QElapsedTimer clock;
  clock.start();
  browser.ThumbnailList1->grab();
  const auto thumbnailsDone = [&] { return !browser.ThumbnailList1->Decoding(); };
  bool done = true;
  if (afterMs >= 0) {
    RunUntil(afterMs, [] { return false; });
  } else {
    done = RunUntil(120000, thumbnailsDone);
  }
  if (pictures == 1) {
    browser.ThumbnailList1->SetItemIndex(0);
    browser.ThumbnailList1DblClick();
    browser.AnimPicture1->resize(680, 420);
    done = RunUntil(120000, [&] { return !browser.AnimPicture1->Picture().GetEmpty() && thumbnailsDone(); }) && done;
    browser.AnimPicture1->grab();
  } else {
    done = RunUntil(120000, thumbnailsDone) && done;
  }
  const double growth = double(Memory::PeakResident() - before) / (1 << 20);
  int shown = 0;
  for (int i = 0; i < pictures; ++i) shown += browser.ThumbnailList1->HasThumbnail(i) ? 1 : 0;
  std::printf("  %-52s %7.1f MiB in %lld ms (%d of %d thumbnails%s) (goal <= %.0f)\n", what, growth,
              static_cast<long long>(clock.elapsed()), shown, pictures,
              pictures == 1 ? (browser.AnimPicture1->Picture().GetEmpty() ? ", no full view" : ", full view") : "",
              double(PictureDecoder::kPictureBudget) / (1 << 20));
  std::fflush(stdout);
  dir.remove();  // _Exit runs no destructor
  std::_Exit(done ? 0 : 1);
}

// The image browser opened on a folder of slow metafiles with large bitmaps
// and closed while they are drawn, KV_BENCH_CYCLES times (default 100): the
// resident size after the first closing and after every quarter of the
// cycles, against where it stood before. What the picture threads took
// while drawing must come back when the browser closes, whichever threads
// drew.
int RunOpenClose() {
  QTemporaryDir dir;
  // Slow to draw, and with large bitmaps (in a few bytes each): what their
  // drawing frees is what the allocator would keep.
  wmftest::Wmf w;
  w.WindowExt(1000, 1000);
  for (int i = 0; i < 3; ++i) w.StretchRle8(1000, 1000);
  w.RedNoPen();
  for (int i = 0; i < 5000; ++i) w.Ellipse(-(i % 50), -(i % 40), 1000 + i % 50, 1000 + i % 40);
  const QByteArray metafile = w.Plain();
  const int count = EnvInt("KV_BENCH_METAFILES", 40);
  QStringList files;
  for (int i = 0; i < count; ++i) {
    files << dir.path() + QStringLiteral("/b%1.wmf").arg(i, 3, 10, QLatin1Char('0'));
    WriteFile(files.back(), metafile);
  }
  const int cycles = qMax(4, EnvInt("KV_BENCH_CYCLES", 100));
  const double mib = 1 << 20;
  const double start = double(Memory::Resident()) / mib;
  const auto cycle = [&] {
    auto* browser = new TfImageBrowser;
    browser->AddFiles(files);
    browser->resize(1000, 700);
    browser->show();
    RunUntil(EnvInt("KV_BENCH_OPEN_MS", 150), [] { return false; });
    delete browser;
    // What was being drawn stops at its next unit of work.
    RunUntil(10000, [] { return PictureThreads::Running() == 0; });
    RunUntil(20, [] { return false; });
  };
  const double budget = double(PictureDecoder::kPictureBudget) / mib;
  std::printf(
      "Image browser opened on %d slow metafiles with large bitmaps and closed while they are drawn, %d times\n"
      "  (goal: after each closing the resident size is back within a quarter of the picture budget, %.0f MiB,\n"
      "  of where it stood before the first opening, %.1f MiB):\n",
      count, cycles, budget / 4, start);
  bool met = true;
  for (int i = 1; i <= cycles; ++i) {
    cycle();
    if (i == 1 || i % (cycles / 4) == 0) {
      const double now = double(Memory::Resident()) / mib;
      met = met && now - start <= budget / 4;
      std::printf("  after %3d: %6.1f MiB (%+.1f MiB; goal <= %+.0f)\n", i, now, now - start, budget / 4);
      std::fflush(stdout);
    }
  }
  dir.remove();  // _Exit runs no destructor
  std::_Exit(met ? 0 : 3);
}

int RunChild(const std::string_view name) {
  if (name == "open-close") return RunOpenClose();
  if (name == "behind-metafiles") return RunBehindMetafiles();
  if (name == "overlap")
    return RunHuge("huge PNG double-clicked while its thumbnail is decoded:", 1, EnvInt("KV_BENCH_AFTER", 0));
  if (name == "thumbnail-first") return RunHuge("the same, its thumbnail waited for first:", 1, -1);
  if (name == "several") return RunHuge("four huge PNGs on one screen of thumbnails:", 4, -1);
  return 2;
}

void ReportFreshProcesses() {
  const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
  bool memoryTitle = false;
  // The overlap depends on how the two decodes meet: it is run three times.
  for (const char* name :
       {"behind-metafiles", "open-close", "overlap", "overlap", "overlap", "thumbnail-first", "several"}) {
    if (std::string_view(name) != "behind-metafiles" && std::string_view(name) != "open-close" && !memoryTitle) {
      if (!Memory::ResetPeakResident()) {
        std::printf("Peak memory: the system cannot reset the peak resident size here; not measured.\n");
        return;
      }
      std::printf("Peak resident growth, each in a fresh process:\n");
      memoryTitle = true;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(self, {QStringLiteral("--run"), QLatin1String(name)});
    p.waitForFinished(-1);
    std::printf("%s", p.readAllStandardOutput().constData());
    if (p.exitCode() == 3)
      std::printf("  (%s: past its goal)\n", name);
    else if (p.exitCode() != 0)
      std::printf("  (%s did not finish within its time)\n", name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  OffscreenUnlessSet();
  if (argc == 3 && std::string_view(argv[1]) == "--run") {
    QApplication app(argc, argv);
    return RunChild(argv[2]);
  }
  QApplication app(argc, argv);
  Folder f;
  folder = &f;
  std::printf(
      "Goals: opening a folder reads no picture (only the listing); the first screen of\n"
      "thumbnails shows in well under a second.\n");
  ReportScreenByEventLoop();
  ReportPeakMemory();
  ReportLongestPause();
  ReportFreshProcesses();
  RunBenchmarks(argc, argv);
  folder = nullptr;
  return 0;
}
