// How long a hostile metafile can hold the picture loader: files of a few
// hundred kilobytes to a few megabytes whose records each ask for much work
// (text laid out character by character, bitmaps that expand from a few
// bytes, drawing clipped by a region of many pieces, fills and dashed lines
// over the whole picture), drawn at the largest size a metafile is drawn at.
// Goal: each is drawn, or its drawing cut off, within about 2 s.
//
//   KV_BENCH_RECORDS  records of each kind (default 20000)
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <functional>

#include "bench/BenchUtil.h"
#include "platform/PictureDecoder.h"
#include "platform/WmfPicture.h"
#include "tests/images/WmfWriter.h"

namespace {

using wmftest::Dword;
using wmftest::Wmf;
using wmftest::Words;

// A 4096 x 4096 picture with a red brush and no pen selected, then
// `records` records made by `add`.
QByteArray Picture(int records, const std::function<void(Wmf&, int)>& add) {
  Wmf w;
  w.WindowExt(4096, 4096).RedNoPen();
  for (int i = 0; i < records; ++i) add(w, i);
  return w.Plain();
}

void Run(benchmark::State& state, const QByteArray& data) {
  for (auto _ : state) {
    const auto budget = PictureDecoder::TPictureBudget::Create();
    const PictureDecoder::TDecoded drawn = WmfPicture::Render(data, *budget);
    benchmark::DoNotOptimize(drawn.image.constBits());
  }
  state.counters["file_KB"] = double(data.size()) / 1024;
  state.counters["goal_s"] = 2;
}

int Records() { return EnvInt("KV_BENCH_RECORDS", 20000); }

void BM_TextByCharacter(benchmark::State& state) {
  QByteArray text = Words({100, 100, 40, 0}) + QByteArray(40, 'x');
  for (int i = 0; i < 40; ++i) text += Words({3});
  const QByteArray font =
      Words({-8, 0, 0, 0, 400}) + QByteArray(8, '\0') + QByteArray("NoSuchFace").leftJustified(32, '\0');
  Run(state, Picture(Records(), [&](Wmf& w, int i) {
        if (i == 0) {
          w.Add(0x02FB, font);
          w.Add(0x012D, Words({2}));
        }
        w.Add(0x0A32, text);
      }));
}

void BM_BitmapsThatExpand(benchmark::State& state) {
  // Run-length coded: 30000 x 1000 pixels from two bytes.
  const QByteArray dib = Dword(40) + Dword(30000) + Dword(1000) + Words({1, 8}) + Dword(1) + Dword(0) + Dword(0) +
                         Dword(0) + Dword(2) + Dword(0) + Dword(0x0000FF) + Dword(0x00FF00) + QByteArray("\0\1", 2);
  Run(state, Picture(Records(), [&](Wmf& w, int) {
        w.Add(0x0F43, Dword(0xCC0020) + Words({0, 1000, 30000, 0, 0, 4096, 4096, 0, 0}) + dib);
      }));
}

void BM_DrawingClippedByManyPieces(benchmark::State& state) {
  Run(state, Picture(Records(), [](Wmf& w, int i) {
        const int x = (i * 37) % 4000, y = (i * 91) % 4000;
        w.Add(0x0415, Words({y + 3, x + 3, y, x}));  // EXCLUDECLIPRECT
        w.Add(0x041B, Words({10, 10, 0, 0}));
      }));
}

void BM_FillsOverThePicture(benchmark::State& state) {
  Run(state, Picture(Records() * 10, [](Wmf& w, int) { w.Add(0x041B, Words({4096, 4096, 0, 0})); }));
}

void BM_DashedLinesFarOutside(benchmark::State& state) {
  Run(state, Picture(Records() * 5, [](Wmf& w, int i) {
        if (i == 0) {
          w.Add(0x02FA, Words({2, 0, 0, 0, 255}));
          w.Add(0x012D, Words({2}));
          w.Add(0x0103, Words({8}));
          w.Add(0x020E, Words({32767, 32767}));  // SETVIEWPORTEXT: 8 times the window
        }
        w.Add(0x0213, Words({i % 2 ? 4095 : 0, i % 3 ? 0 : 4095}));
      }));
}

BENCHMARK(BM_TextByCharacter)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BitmapsThatExpand)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DrawingClippedByManyPieces)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FillsOverThePicture)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DashedLinesFarOutside)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  OffscreenUnlessSet();
  QGuiApplication app(argc, argv);
  RunBenchmarks(argc, argv);
  return 0;
}
