// How long a hostile metafile can hold the picture loader: files of a few
// hundred kilobytes to a few megabytes whose records each ask for much work
// (text laid out character by character, bitmaps that expand from a few
// bytes, drawing clipped by a region of many pieces, a region cut into ever
// more pieces, text spaced word by word, fills and dashed lines
// over the whole picture, pens many times wider than the picture, a new font
// for every line of text, glyphs larger than the picture stacked at one
// place, small bitmaps stretched over the picture at every depth and raster
// operation, pattern and hatched brushes, dotted zigzags, fills and bitmaps
// under a clip of 256 pieces), drawn at the largest size a metafile is drawn
// at, and some also at a thumbnail's size. Goal: each is drawn, or its
// drawing cut off, within about 1 s (2 s at most); the slowest is printed
// last, beside the goal.
//
//   KV_BENCH_RECORDS  records of each of the first five kinds (default 20000)
//   KV_BENCH_SCALE    percent of the records of the kinds after them (default 100)
//   KV_BENCH_WMF_DIR  a folder of metafiles (a fuzzer's corpus) to draw each at
//                     full size instead, printing those of a quarter second
//                     or more and the slowest
#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

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

// The slowest drawing of the run, for the closing line.
double slowest = 0;
std::string slowestName;

// Draws `data` at full size, or at `size` when that is valid (a thumbnail).
void Run(benchmark::State& state, const QByteArray& data, QSize size = QSize(),
         const char* name = __builtin_FUNCTION()) {
  WmfPicture::TWork work;
  for (auto _ : state) {
    const auto budget = PictureDecoder::TPictureBudget::Create();
    QElapsedTimer timer;
    timer.start();
    const PictureDecoder::TDecoded drawn = WmfPicture::Render(data, *budget, size, &work);
    benchmark::DoNotOptimize(drawn.image.constBits());
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (seconds > slowest) {
      slowest = seconds;
      slowestName = name;
    }
  }
  state.counters["file_KB"] = double(data.size()) / 1024;
  state.counters["work_G"] = double(work.work) / 1e9;
  state.counters["cut_off"] = work.cutOff ? 1 : 0;
  state.counters["goal_s"] = 1;
}

int Records() { return EnvInt("KV_BENCH_RECORDS", 20000); }
// `n` records of the later kinds, scaled by KV_BENCH_SCALE.
int Scaled(int n) { return std::max(1, int(qint64{n} * EnvInt("KV_BENCH_SCALE", 100) / 100)); }

// An 8000-unit pen of round joins, selected as object 2.
void WidePen(Wmf& w) { w.Add(0x02FA, Words({0, 8000, 0, 0, 255})).Add(0x012D, Words({2})); }

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

// Text spaced by a character extra and justified, every other character
// a blank: drawn a word and a blank at a time.
void BM_SpacedTextByWord(benchmark::State& state) {
  QByteArray line;
  for (int i = 0; i < 20; ++i) line += "x ";
  const QByteArray font =
      Words({-8, 0, 0, 0, 400}) + QByteArray(8, '\0') + QByteArray("NoSuchFace").leftJustified(32, '\0');
  Run(state, Picture(Records(), [&](Wmf& w, int i) {
        if (i == 0) {
          w.Add(0x02FB, font).Add(0x012D, Words({2}));
          w.Add(0x0108, Words({3})).Add(0x020A, Words({20, 60}));  // SETTEXTCHAREXTRA, SETTEXTJUSTIFICATION
        }
        w.Add(0x0521, Words({int(line.size())}) + line + Words({100, 100}));  // TEXTOUT
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

// Stripes across and down cut out by turns: every cut adds pieces in every
// band of the region, so that its pieces grow with the square of the cuts.
void BM_ClipCutIntoCrossingStripes(benchmark::State& state) {
  Run(state, Picture(Records(), [](Wmf& w, int i) {
        const int at = (i * 37) % 4096;
        if (i % 2)
          w.Add(0x0415, Words({4096, at + 1, 0, at}));  // EXCLUDECLIPRECT
        else
          w.Add(0x0415, Words({at + 1, 4096, at, 0}));
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

void BM_WidePenPolylines(benchmark::State& state) {
  // 10 records of 2000 points each in a 2 x 2 unit square.
  QByteArray points = Words({2000});
  for (int i = 0; i < 2000; ++i) points += Words({2048 + (i * 7) % 3, 2048 + (i * 5) % 3});
  Run(state, Picture(Scaled(10), [&](Wmf& w, int i) {
        if (i == 0) WidePen(w);
        w.Add(0x0325, points);  // POLYLINE
      }));
}

void BM_WidePenLines(benchmark::State& state) {
  // One-unit lines one after the other.
  Run(state, Picture(Scaled(100000), [](Wmf& w, int i) {
        if (i == 0) WidePen(w);
        w.Add(0x0213, Words({2048 + i % 2, 2048}));  // LINETO
      }));
}

void BM_FontPerRecord(benchmark::State& state) {
  // Each line of text in a font of its own: a face no machine has, matched
  // anew each time.
  Run(state, Picture(Scaled(100000), [](Wmf& w, int i) {
        w.Add(0x02FB, Words({-(8 + i % 256), 0, 0, 0, 400}) + QByteArray(8, '\0') +
                          ("Face" + QByteArray::number(i)).leftJustified(32, '\0'));
        w.Add(0x012D, Words({2}));
        w.Add(0x0A32, Words({(i * 16) % 4096, 10, 4, 0}) + QByteArray("Text"));
        w.Add(0x01F0, Words({2}));  // DELETEOBJECT
      }));
}

void BM_BigGlyphsAtOnePlace(benchmark::State& state) {
  // Glyphs twice the picture's height, advancing by nothing.
  QByteArray text = Words({100, 100, 64, 0}) + QByteArray(64, 'W');
  for (int i = 0; i < 64; ++i) text += Words({0});
  Run(state, Picture(Scaled(1000), [&](Wmf& w, int i) {
        if (i == 0) {
          w.Add(0x02FB, Words({-8192, 0, 0, 0, 700}) + QByteArray(8, '\0') +
                            QByteArray("Sans").leftJustified(32, '\0'));
          w.Add(0x012D, Words({2}));
        }
        w.Add(0x0A32, text);
      }));
}

// The size pictures are drawn at in the image browser's thumbnails.
const QSize kThumbnail(100, 100);

// A 2 x 2 device-independent bitmap of `bits` bits a pixel (1, 4, 8 or 24),
// with its colour table.
QByteArray SmallDib(int bits) {
  const int colors = bits <= 8 ? 1 << bits : 0;
  QByteArray dib = Dword(40) + Dword(2) + Dword(2) + Words({1, bits}) + Dword(0) + Dword(0) + Dword(0) + Dword(0) +
                   Dword(0) + Dword(0);
  for (int i = 0; i < colors; ++i) dib += Dword(quint32(i * 0x010203 * 37) & 0xFFFFFF);
  const int stride = (2 * bits + 31) / 32 * 4;
  for (int i = 0; i < 2 * stride; ++i) dib += char(i * 0x5B);
  return dib;
}

// Records of a 2 x 2 bitmap of `bits` bits stretched over the whole picture
// with raster operation `rop`.
QByteArray StretchedBitmaps(int bits, quint32 rop) {
  const QByteArray dib = SmallDib(bits);
  return Picture(Scaled(2000), [&](Wmf& w, int) {
    w.Add(0x0F43, Dword(rop) + Words({0, 2, 2, 0, 0, 4096, 4096, 0, 0}) + dib);  // STRETCHDIB
  });
}

void BM_StretchedBitmaps1Bit(benchmark::State& state) { Run(state, StretchedBitmaps(1, 0xCC0020)); }
void BM_StretchedBitmaps4Bit(benchmark::State& state) { Run(state, StretchedBitmaps(4, 0xCC0020)); }
void BM_StretchedBitmaps8Bit(benchmark::State& state) { Run(state, StretchedBitmaps(8, 0xCC0020)); }
void BM_StretchedBitmaps24Bit(benchmark::State& state) { Run(state, StretchedBitmaps(24, 0xCC0020)); }
void BM_StretchedBitmaps24BitInverted(benchmark::State& state) { Run(state, StretchedBitmaps(24, 0x00330008)); }
void BM_StretchedBitmaps24BitXor(benchmark::State& state) { Run(state, StretchedBitmaps(24, 0x00660046)); }

void BM_StretchedBlocks(benchmark::State& state) {
  // DIBSTRETCHBLT of a 2 x 2 bitmap over the picture.
  const QByteArray dib = SmallDib(8);
  Run(state, Picture(Scaled(2000), [&](Wmf& w, int) {
        w.Add(0x0B41, Dword(0x8800C6) + Words({2, 2, 0, 0, 4096, 4096, 0, 0}) + dib);
      }));
}

void BM_BitmapsDrawnSmaller(benchmark::State& state) {
  // A 1024 x 1024 one-bit bitmap drawn at 600 x 600, smoothed.
  QByteArray dib = Dword(40) + Dword(1024) + Dword(1024) + Words({1, 1}) + Dword(0) + Dword(0) + Dword(0) + Dword(0) +
                   Dword(0) + Dword(0) + Dword(0x0000FF) + Dword(0xFFFF00);
  for (int i = 0; i < 1024 * 128; ++i) dib += char(i * 0x5B);
  Run(state, Picture(Scaled(200), [&](Wmf& w, int i) {
        w.Add(0x0F43, Dword(0xCC0020) + Words({0, 1024, 1024, 0, 0, 600, 600, (i * 7) % 3000, (i * 13) % 3000}) + dib);
      }));
}

// PATBLT over the whole picture with the brush `select` makes.
QByteArray Blocks(const std::function<void(Wmf&)>& select) {
  return Picture(Scaled(2000), [&](Wmf& w, int i) {
    if (i == 0) select(w);
    w.Add(0x061D, Dword(0xF00021) + Words({4096, 4096, 0, 0}));  // PATBLT
  });
}

void BM_PatternBrushBlocks(benchmark::State& state) {
  Run(state, Blocks([](Wmf& w) { w.Add(0x0142, Words({0, 0}) + SmallDib(24)).Select(2); }));
}

void BM_HatchedBlocks(benchmark::State& state) {
  Run(state, Blocks([](Wmf& w) { w.Brush(0x00FF00, 2).Select(2); }));
}

void BM_HatchedEllipses(benchmark::State& state) {
  Run(state, Picture(Scaled(2000), [](Wmf& w, int i) {
        if (i == 0) w.Brush(0x00FF00, 2).Select(2);
        w.Ellipse(0, 0, 4096, 4096);
      }));
}

// A one-pixel zigzag across the picture, with pen style `style` (2 dotted),
// in as many records as are played.
QByteArray Zigzag(int style) {
  return Picture(Scaled(WmfPicture::kMaxRecords - 8), [&](Wmf& w, int i) {
    if (i == 0) w.Pen(0x0000FF, 1, style).Select(2);
    w.Add(0x0213, Words({(i * 41) % 4096, i % 2 ? 4095 : 0}));  // LINETO
  });
}

void BM_DottedZigzag(benchmark::State& state) { Run(state, Zigzag(2)); }
void BM_DottedZigzagThumbnail(benchmark::State& state) { Run(state, Zigzag(2), kThumbnail); }
void BM_DashDotZigzagThumbnail(benchmark::State& state) { Run(state, Zigzag(3), kThumbnail); }

// Small fills clipped into 256 pieces, the clip restored around each.
QByteArray ClippedFills() {
  return Picture(Scaled(50000), [](Wmf& w, int i) {
    if (i == 0) w.ClipInto256Pieces();
    w.Add(0x001E, {}).Rect(0, 0, 10, 10).Add(0x0127, Words({-1}));  // SAVEDC, RESTOREDC
  });
}

void BM_ClippedFills(benchmark::State& state) { Run(state, ClippedFills()); }
void BM_ClippedFillsThumbnail(benchmark::State& state) { Run(state, ClippedFills(), kThumbnail); }

void BM_ClippedBitmapsThumbnail(benchmark::State& state) {
  const QByteArray dib = SmallDib(1);
  Run(state,
      Picture(Scaled(20000),
              [&](Wmf& w, int i) {
                if (i == 0) w.ClipInto256Pieces();
                w.Add(0x0F43, Dword(0xCC0020) + Words({0, 2, 2, 0, 0, 4096, 4096, 0, 0}) + dib);
              }),
      kThumbnail);
}

BENCHMARK(BM_TextByCharacter)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SpacedTextByWord)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BitmapsThatExpand)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DrawingClippedByManyPieces)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ClipCutIntoCrossingStripes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FillsOverThePicture)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DashedLinesFarOutside)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WidePenPolylines)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WidePenLines)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FontPerRecord)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BigGlyphsAtOnePlace)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StretchedBitmaps1Bit)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StretchedBitmaps4Bit)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StretchedBitmaps8Bit)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StretchedBitmaps24Bit)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StretchedBitmaps24BitInverted)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StretchedBitmaps24BitXor)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StretchedBlocks)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BitmapsDrawnSmaller)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PatternBrushBlocks)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HatchedBlocks)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HatchedEllipses)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DottedZigzag)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DottedZigzagThumbnail)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DashDotZigzagThumbnail)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ClippedFills)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ClippedFillsThumbnail)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ClippedBitmapsThumbnail)->Unit(benchmark::kMillisecond)->Iterations(1);

// Draws every file of `folder` at full size; prints the slowest.
void DrawFolder(const QString& folder) {
  const QDir dir(folder);
  int files = 0;
  for (const QString& name : dir.entryList(QDir::Files)) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QByteArray data = file.readAll();
    if (!WmfPicture::IsWmf(data)) continue;
    ++files;
    QElapsedTimer timer;
    timer.start();
    try {
      const auto budget = PictureDecoder::TPictureBudget::Create();
      const PictureDecoder::TDecoded drawn = WmfPicture::Render(data, *budget);
      benchmark::DoNotOptimize(drawn.image.constBits());
    } catch (const std::exception&) {
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (seconds >= 0.25) std::printf("%-40s %.2f s\n", qPrintable(name), seconds);
    if (seconds > slowest) {
      slowest = seconds;
      slowestName = name.toStdString();
    }
  }
  std::printf("%d metafiles drawn at full size\n", files);
}

}  // namespace

int main(int argc, char** argv) {
  OffscreenUnlessSet();
  QGuiApplication app(argc, argv);
  if (const QString folder = qEnvironmentVariable("KV_BENCH_WMF_DIR"); !folder.isEmpty())
    DrawFolder(folder);
  else
    RunBenchmarks(argc, argv);
  std::printf("slowest: %s %.2f s (goal about 1 s, 2 s at most)\n", slowestName.c_str(), slowest);
  return 0;
}
