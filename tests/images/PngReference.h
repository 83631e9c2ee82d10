// A second opinion on PNG files from libpng, for the tests only: decoding to
// raw samples or to 8-bit RGBA, and writing test images with chosen formats
// and chunks.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

struct RefImage {
  bool ok = false;
  std::string error;
  int warnings = 0;
  std::uint32_t width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  int channels = 0;  // samples per pixel in `rows`
  bool hasGamma = false;
  std::uint32_t gammaFixed = 0;                 // gAMA × 100000
  std::vector<std::vector<std::uint8_t>> rows;  // one byte per sample
  std::vector<std::string> texts;               // "keyword=text"
  bool hasTime = false;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Raw samples: 16-bit samples cut to their high byte, small samples one per
// byte and unscaled, palette images as indices.
RefImage RefDecodeRaw(const QByteArray& file);
// 8-bit RGBA: small grey samples scaled, palettes expanded, tRNS turned into
// alpha, 16-bit samples cut to their high byte; no gamma.
RefImage RefDecodeRgba(const QByteArray& file);

struct RefWriteOptions {
  std::uint32_t width = 1, height = 1;
  int bitDepth = 8, colorType = 0, interlace = 0;
  int filter = -1;  // a single filter 0..4, or -1 for libpng's choice
  int level = 6;
  std::uint32_t seed = 1;
  bool gamma = false;
  std::uint32_t gammaFixed = 45455;
  bool trns = false;
  bool texts = false;  // one tEXt and one zTXt
  bool time = false;
  bool privateChunk = false;  // an ancillary "prVt" chunk
};

// A PNG written by libpng with seeded random samples.
QByteArray RefWrite(const RefWriteOptions& options);
