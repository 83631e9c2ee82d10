// What a user waits for when a folder of photos opens in the image browser:
// listing the folder (no picture may be read yet) and the first screen of
// thumbnails (each picture decoded scaled to its cell).
//
//   KV_BENCH_PICTURES  number of JPEG photos in the folder (default 100)
//   KV_BENCH_SIDE      width of each photo; height is 3/4 of it (default 3000)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "bench/BenchUtil.h"
#include "images/ThumbnailList.h"

namespace {

struct Folder {
  QTemporaryDir dir;
  int count = 0;
  Folder() {
    count = EnvInt("KV_BENCH_PICTURES", 100);
    const int side = EnvInt("KV_BENCH_SIDE", 3000);
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
    for (int i = 0; i < count; ++i) {
      QFile f(dir.path() + QStringLiteral("/photo%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
      f.open(QIODevice::WriteOnly);
      f.write(jpeg);
    }
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
    state.counters["decoded"] = list->DecodeCount();
  }
}
BENCHMARK(BM_FirstScreenOfThumbnails)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  OffscreenUnlessSet();
  QApplication app(argc, argv);
  Folder f;
  folder = &f;
  std::printf(
      "Goals: opening a folder reads no picture (only the listing); the first screen of\n"
      "thumbnails shows in well under a second.\n");
  RunBenchmarks(argc, argv);
  folder = nullptr;
  return 0;
}
