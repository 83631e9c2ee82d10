// Test pictures made on the spot: GIF files written block by block, and
// JPEG, BMP and PNG files written through Qt.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QRect>
#include <functional>
#include <vector>

namespace picturetest {

struct GifFrame {
  QRect rect;     // on the logical screen
  int color = 0;  // index into the four-colour table
  int delay = 0;  // hundredths of a second
  int disposal = 0;
  bool control = true;  // written with a graphic control extension
};

// The four colours of every test GIF: black, red, green, blue.
inline QRgb GifColor(int index) {
  static const QRgb colors[] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
  return colors[index];
}

inline void Word(QByteArray& out, int v) {
  out += char(v & 0xFF);
  out += char((v >> 8) & 0xFF);
}

// Image data of one colour: LZW with a clear code before every pixel, so the
// codes stay three bits wide.
inline QByteArray Lzw(int pixels, int color) {
  std::vector<int> codes;
  for (int i = 0; i < pixels; ++i) {
    codes.push_back(4);
    codes.push_back(color);
  }
  codes.push_back(5);
  QByteArray bytes;
  unsigned acc = 0;
  int bits = 0;
  for (int c : codes) {
    acc |= unsigned(c) << bits;
    bits += 3;
    while (bits >= 8) {
      bytes += char(acc & 0xFF);
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) bytes += char(acc & 0xFF);
  QByteArray out;
  out += char(2);  // minimum code size
  for (qsizetype p = 0; p < bytes.size(); p += 255) {
    const QByteArray block = bytes.mid(p, 255);
    out += char(block.size());
    out += block;
  }
  out += char(0);
  return out;
}

// A GIF89a of the given screen and frames. `table` replaces the global
// colour table's bytes when not empty (12 bytes).
inline QByteArray MakeGif(QSize screen, const std::vector<GifFrame>& frames, QByteArray table = {}) {
  QByteArray out("GIF89a");
  Word(out, screen.width());
  Word(out, screen.height());
  out += char(0x81);  // global table of 4 colours
  out += char(0);
  out += char(0);
  if (table.isEmpty())
    for (int i = 0; i < 4; ++i) {
      out += char(qRed(GifColor(i)));
      out += char(qGreen(GifColor(i)));
      out += char(qBlue(GifColor(i)));
    }
  else
    out += table;
  for (const GifFrame& f : frames) {
    if (f.control) {
      out += "\x21\xF9\x04";
      out += char(f.disposal << 2);
      Word(out, f.delay);
      out += char(0);
      out += char(0);
    }
    out += char(0x2C);
    Word(out, f.rect.x());
    Word(out, f.rect.y());
    Word(out, f.rect.width());
    Word(out, f.rect.height());
    out += char(0);
    out += Lzw(f.rect.width() * f.rect.height(), f.color);
  }
  out += char(0x3B);
  return out;
}

// Three frames: red 4x4 at (0,0), green 2x2 at (1,1), blue 3x2 at (1,2);
// delays 10, 20, 30; disposals 1, 2, 3; screen 4x4.
inline QByteArray ThreeFrameGif() {
  return MakeGif(QSize(4, 4),
                 {{QRect(0, 0, 4, 4), 1, 10, 1}, {QRect(1, 1, 2, 2), 2, 20, 2}, {QRect(1, 2, 3, 2), 3, 30, 3}});
}

inline QByteArray Encode(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

inline QImage Filled(int w, int h, QRgb color) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

}  // namespace picturetest

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSize>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace picturetest {

// A GIF of `frames` images of `frame` size at (0,0) on `screen`, each with a
// control extension of `disposal` and image data that holds only a clear and
// an end code: a few bytes that claim a large picture.
inline QByteArray TinyGif(QSize screen, QSize frame, int frames, int disposal) {
  QByteArray out("GIF89a");
  Word(out, screen.width());
  Word(out, screen.height());
  out += QByteArray("\x80\x00\x00", 3);  // global table of 2 colours
  out += QByteArray("\x00\x00\x00\xFF\xFF\xFF", 6);
  for (int i = 0; i < frames; ++i) {
    out += "\x21\xF9\x04";
    out += char(disposal << 2);
    Word(out, 10);
    out += QByteArray("\x00\x00", 2);
    out += char(0x2C);
    Word(out, 0);
    Word(out, 0);
    Word(out, frame.width());
    Word(out, frame.height());
    out += char(0);
    out += QByteArray("\x02\x02\x2C\x00\x00", 5);  // code size 2; clear, end
  }
  out += char(0x3B);
  return out;
}

// A FIFO for a test, with a guard that lets a reader stuck in opening it go
// (by opening its other end) should the code under test wait on it; the
// guard is what keeps a faulty build from hanging, the assertions do not
// depend on it.
class TestFifo {
 public:
  explicit TestFifo(const QString& path) : path_(QFile::encodeName(path)) {
    made_ = ::mkfifo(path_.constData(), 0600) == 0;
    guard_ = std::thread([this] {
      std::unique_lock<std::mutex> lock(mutex_);
      while (!done_) {
        if (cv_.wait_for(lock, std::chrono::seconds(5)) == std::cv_status::timeout && !done_) {
          const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK);
          if (fd >= 0) ::close(fd);
        }
      }
    });
  }
  ~TestFifo() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    cv_.notify_all();
    guard_.join();
  }
  bool Made() const { return made_; }

 private:
  QByteArray path_;
  bool made_ = false;
  bool done_ = false;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::thread guard_;
};

}  // namespace picturetest
