// Windows metafiles written record by record, for the metafile tests and
// the benchmark alike (no test framework here).
#pragma once

#include <QByteArray>
#include <QColor>
#include <initializer_list>

namespace wmftest {

// Little-endian 16-bit words.
inline QByteArray Words(std::initializer_list<int> words) {
  QByteArray b;
  for (int v : words) {
    b += char(v & 0xFF);
    b += char((v >> 8) & 0xFF);
  }
  return b;
}
inline QByteArray Dword(quint32 v) { return Words({int(v & 0xFFFF), int(v >> 16)}); }
inline QByteArray Color(QRgb c) { return Words({qRed(c) | (qGreen(c) << 8), qBlue(c)}); }

// A metafile written record by record.
struct Wmf {
  QByteArray records;
  int objects = 16;

  Wmf& Add(int function, QByteArray params) {
    if (params.size() % 2) params += '\0';
    records += Dword(quint32(3 + params.size() / 2)) + Words({function}) + params;
    return *this;
  }
  Wmf& WindowOrg(int x, int y) { return Add(0x020B, Words({y, x})); }
  Wmf& WindowExt(int x, int y) { return Add(0x020C, Words({y, x})); }
  Wmf& Brush(QRgb c, int style = 0) { return Add(0x02FC, Words({style}) + Color(c) + Words({0})); }
  Wmf& Pen(QRgb c, int width = 0, int style = 0) { return Add(0x02FA, Words({style, width, 0}) + Color(c)); }
  Wmf& Select(int index) { return Add(0x012D, Words({index})); }
  Wmf& Delete(int index) { return Add(0x01F0, Words({index})); }
  Wmf& Rect(int l, int t, int r, int b) { return Add(0x041B, Words({b, r, t, l})); }
  Wmf& Ellipse(int l, int t, int r, int b) { return Add(0x0418, Words({b, r, t, l})); }
  Wmf& Polygon(std::initializer_list<int> xy) {
    QByteArray p = Words({int(xy.size() / 2)});
    for (int v : xy) p += Words({v});
    return Add(0x0324, p);
  }
  // A `w` x `h` bitmap of two colours in stripes, run-length coded in 8 bits
  // (a few bytes a row), stretched over the same size at (0, 0).
  Wmf& StretchRle8(int w, int h) {
    QByteArray runs;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; x += 255) {
        runs += char(qMin(255, w - x));
        runs += char((x / 255 + y / 16) % 2);
      }
      runs += QByteArray("\0\0", 2);  // end of row
    }
    runs += QByteArray("\0\1", 2);  // end of bitmap
    const QByteArray header = Dword(40) + Dword(quint32(w)) + Dword(quint32(h)) + Words({1, 8}) + Dword(1) +
                              Dword(quint32(runs.size())) + Dword(0) + Dword(0) + Dword(2) + Dword(0);
    const QByteArray colours = Dword(0x00FF0000) + Dword(0x000000FF);
    return Add(0x0F43, Dword(0x00CC0020) + Words({0, h, w, 0, 0, h, w, 0, 0}) + header + colours + runs);
  }
  // A red brush and no pen, as objects 0 and 1.
  Wmf& RedNoPen() { return Brush(qRgb(255, 0, 0)).Select(0).Pen(0, 0, 5).Select(1); }
  // 255 squares of 128 units, 256 apart, cut out of the clipping region:
  // 256 pieces over a 4096-unit square.
  Wmf& ClipInto256Pieces() {
    for (int k = 0; k < 255; ++k) {
      const int x = (k % 16) * 256, y = (k / 16) * 256;
      Add(0x0415, Words({y + 128, x + 128, y, x}));  // EXCLUDECLIPRECT
    }
    return *this;
  }

  QByteArray Plain() const {
    const QByteArray body = records + Dword(3) + Words({0});
    return Words({1, 9, 0x0300}) + Dword(quint32((18 + body.size()) / 2)) + Words({objects}) + Dword(64) + Words({0}) +
           body;
  }
  QByteArray Placeable(int l, int t, int r, int b, int inch) const {
    QByteArray head = Dword(0x9AC6CDD7) + Words({0, l, t, r, b, inch}) + Dword(0);
    int sum = 0;
    for (int i = 0; i < 20; i += 2) sum ^= (uchar(head[i]) | (uchar(head[i + 1]) << 8));
    return head + Words({sum}) + Plain();
  }
};

}  // namespace wmftest
