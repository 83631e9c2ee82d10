// Helpers shared by the test programs.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <string>

// Reads a whole file; an empty array when it cannot be read.
QByteArray ReadFileBytes(const QString& fileName);
// Writes a whole file; false on failure.
bool WriteFileBytes(const QString& fileName, const QByteArray& bytes);

// A character device a test makes of its own, in its own folder, to stand
// for the system's null or zero device (same numbers): a faulty refusal then
// replaces or fills the test's node, never the machine's.
enum class TDeviceNode { Null, Zero };
// Makes the node at `path`: an empty string when made, else why not (making
// one needs the right to, as root has), for the test to skip with.
std::string MakeDeviceNode(const QString& path, TDeviceNode kind);

// A read-only device that cannot seek, like a pipe: its bytes come out in
// pieces of at most `piece` bytes, and a read at the end gives -1.
class TPipeDevice : public QIODevice {
 public:
  explicit TPipeDevice(QByteArray bytes, qint64 piece = 1 << 30);
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return bytes_.size() - at_ + QIODevice::bytesAvailable(); }

 protected:
  qint64 readData(char* data, qint64 max) override;
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QByteArray bytes_;
  qint64 piece_;
  qint64 at_ = 0;
};
