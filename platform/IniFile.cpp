#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>

#include "platform/Exceptions.h"
#include "platform/OwnFile.h"
#include "platform/RegularFile.h"

namespace {

bool IsHeader(const QString& trimmed) { return trimmed.startsWith(u'['); }

// The name of a "[name]" line; a line without "]" names the rest of the line.
QString HeaderName(const QString& trimmed) {
  qsizetype close = trimmed.indexOf(u']');
  if (close < 0) close = trimmed.size();
  return trimmed.mid(1, close - 1).trimmed();
}

// Splits a "key=value" line; false for comments, headers and lines without "=".
bool SplitKeyLine(const QString& line, QString* key, QString* value) {
  const QString trimmed = line.trimmed();
  if (trimmed.isEmpty() || trimmed.startsWith(u';') || IsHeader(trimmed)) return false;
  const qsizetype eq = trimmed.indexOf(u'=');
  if (eq <= 0) return false;
  if (key) *key = trimmed.left(eq).trimmed();
  if (value) *value = trimmed.mid(eq + 1).trimmed();
  return true;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

TIniFile::TIniFile(QString fileName, TOwnFileReport report)
    : fileName_(std::move(fileName)), report_(std::move(report)) {}

namespace {
quint64 parseCount = 0;

QHash<QString, quint64>& OpenCounts() {
  static QHash<QString, quint64> counts;
  return counts;
}

// A file changed less than this long before it was read may change again
// within the same tick of the file system's clock without a new stamp: two
// seconds on the coarsest file systems; a tick of the system's clock (a few
// milliseconds) on those that keep the system's time.
constexpr qint64 kUnsettledNs = 3'000'000'000;
constexpr qint64 kFineUnsettledNs = 50'000'000;

qint64 UnsettledNs(const QString& fileName, quint64 device) {
  static std::mutex mutex;
  static QHash<quint64, qint64> known;
  const std::lock_guard guard(mutex);
  if (const auto it = known.constFind(device); it != known.cend()) return *it;
  struct statfs fs {};
  qint64 ns = kUnsettledNs;
  if (::statfs(QFile::encodeName(fileName).constData(), &fs) == 0) {
    switch (static_cast<unsigned long>(fs.f_type)) {
      case 0xEF53:      // ext2, ext3, ext4
      case 0x9123683E:  // btrfs
      case 0x58465342:  // xfs
      case 0x01021994:  // tmpfs
      case 0xF2F52010:  // f2fs
        ns = kFineUnsettledNs;
        break;
      default:
        break;
    }
  }
  known.insert(device, ns);
  return ns;
}

// Reading a file again when its stamp changed while it was read.
constexpr int kReadAttempts = 5;

qint64 Nanoseconds(const timespec& t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

qint64 Now() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return Nanoseconds(t);
}
}  // namespace

quint64 TIniFile::OpenCount(const QString& fileName) { return OpenCounts().value(fileName); }

QHash<QString, TIniFile::Parsed>& TIniFile::ParsedFiles() {
  static QHash<QString, Parsed> files;
  return files;
}

quint64 TIniFile::ParseCount() { return parseCount; }

bool TIniFile::TooLarge() const { return QFileInfo(fileName_).size() > MaxFileSize; }

TIniFile::Content TIniFile::Parse(const QByteArray& bytes) {
  ++parseCount;
  Content c;
  DecodedText decoded = TextCodec::decodeFile(bytes);
  c.encoding = decoded.encoding;
  c.bom = decoded.bom;
  QString& text = decoded.text;
  if (text.contains(QStringLiteral("\r\n")))
    c.lineBreak = QStringLiteral("\r\n");
  else if (text.contains(u'\r') && !text.contains(u'\n'))
    c.lineBreak = QStringLiteral("\r");
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  c.lines = text.split(u'\n');
  // A final line break does not start another line.
  if (!c.lines.isEmpty() && c.lines.constLast().isEmpty()) c.lines.removeLast();
  return c;
}

TIniFile::Content TIniFile::Load(bool forWrite, Base* base) const {
  QHash<QString, Parsed>& files = ParsedFiles();
  if (base) *base = Base{};
  struct stat st {};
  if (::stat(QFile::encodeName(fileName_).constData(), &st) != 0) {
    // A text that could not be written to a new file stays while no file is there.
    if (const auto held = files.constFind(fileName_); held != files.cend() && held->held && held->stamp == Stamp{})
      return held->content;
    files.remove(fileName_);
    return {};
  }
  // Folders, pipes and devices are no settings: opening a pipe would wait
  // for a writer, a device could give bytes without end.
  const auto notRegular = [&]() -> Content {
    files.remove(fileName_);
    if (forWrite) throw EFOpenError(fileName_, QStringLiteral("This is not a regular file."));
    return {};
  };
  if (!S_ISREG(st.st_mode)) return notRegular();
  auto cached = files.find(fileName_);
  if (cached != files.end() && cached->stamp == StampOf(st)) {
    if (cached->settled) {
      if (base) *base = Base{true, cached->bytes, cached->stamp, true};
      return cached->content;
    }
    // A young stamp: the bytes tell, read through the descriptor kept from
    // the last reading, without opening the file again. Bytes that are
    // whole as they were need no lock; any other are read again below.
    const qint64 lookAt = Now();
    if (cached->descriptor && SameBytes(*cached->descriptor, cached->bytes)) {
      if (lookAt - Settling(cached->stamp) >= UnsettledNs(fileName_, cached->stamp.device)) {
        cached->settled = true;
        cached->descriptor.reset();
      }
      if (base) *base = Base{true, cached->bytes, cached->stamp, cached->settled};
      return cached->content;
    }
  }
  QByteArray bytes;
  Stamp stamp;
  std::shared_ptr<const int> descriptor;
  qint64 readAt = 0;
  for (int attempt = 1;; ++attempt) {
    QFile f;
    readAt = Now();
    ++OpenCounts()[fileName_];
    QString error;
    switch (OpenRegularFile(fileName_, f, &error)) {
      case TRegularOpen::Opened:
        break;
      case TRegularOpen::NotRegular:
        return notRegular();
      case TRegularOpen::Failed:
        // Gone since it was looked at: as if it had never been there.
        if (!QFileInfo::exists(fileName_)) {
          files.remove(fileName_);
          return {};
        }
        if (forWrite) throw EFOpenError(fileName_, error);
        return {};
    }
    // A writer of the program writes in place only while it holds the
    // file's turn: held shared, no such write is half done.
    const TOwnFileTurn turn(f.handle(), false, fileName_);
    // The stamp of what is read: taken from the open file, before and after.
    struct stat after {};
    if (::fstat(f.handle(), &st) != 0) st.st_size = -1;
    // Read one byte more than allowed, so that a file growing meanwhile
    // cannot make the program read without end.
    bytes = f.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize || f.size() > MaxFileSize) {
      files.remove(fileName_);
      Content c;
      c.tooLarge = true;
      return c;
    }
    const bool same = ::fstat(f.handle(), &after) == 0 && StampOf(after) == StampOf(st);
    // Without the lock, a second reading must give the same bytes.
    const bool whole = same && (turn.Held() || SameBytes(f.handle(), bytes));
    if (whole || attempt == kReadAttempts) {
      stamp = StampOf(st);
      if (const int kept = ::fcntl(f.handle(), F_DUPFD_CLOEXEC, 0); kept >= 0)
        descriptor = std::shared_ptr<const int>(new int(kept), [](const int* fd) {
          ::close(*fd);
          delete fd;
        });
      break;
    }
  }
  const bool settled = st.st_size >= 0 && readAt - Settling(stamp) >= UnsettledNs(fileName_, stamp.device);
  if (settled) descriptor.reset();
  if (base) *base = Base{true, bytes, stamp, settled};
  if (cached != files.end() && cached->bytes == bytes) {
    cached->stamp = stamp;
    cached->settled = settled;
    cached->descriptor = descriptor;
    return cached->content;
  }
  if (files.size() >= 32) files.clear();  // a handful of files at most: no eviction order needed
  return files.insert(fileName_, {bytes, Parse(bytes), stamp, settled, false, descriptor})->content;
}

qint64 TIniFile::Settling(const Stamp& stamp) { return std::max(stamp.modified, stamp.changed); }

bool TIniFile::SameBytes(int fd, const QByteArray& bytes) {
  QByteArray now(bytes.size() + 1, Qt::Uninitialized);
  qint64 done = 0;
  while (done < now.size()) {
    const ssize_t n = ::pread(fd, now.data() + done, static_cast<size_t>(now.size() - done), done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    done += n;
  }
  return done == bytes.size() && std::memcmp(now.constData(), bytes.constData(), static_cast<size_t>(done)) == 0;
}

TIniFile::Stamp TIniFile::StampOf(const struct stat& st) {
  return Stamp{quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size), Nanoseconds(st.st_mtim),
               Nanoseconds(st.st_ctim)};
}

namespace {

std::function<void(const QString&)>& BeforeReplace() {
  static std::function<void(const QString&)> hook;
  return hook;
}

// How often a write starts again from a file that others keep changing.
constexpr int kWriteAttempts = 20;

}  // namespace

void TIniFile::SetBeforeReplace(std::function<void(const QString& fileName)> hook) {
  BeforeReplace() = std::move(hook);
}

bool TIniFile::Unchanged(const Base& base) const {
  struct stat st {};
  if (::stat(QFile::encodeName(fileName_).constData(), &st) != 0) return !base.exists && errno == ENOENT;
  if (!base.exists || !S_ISREG(st.st_mode) || !(StampOf(st) == base.stamp)) return false;
  if (base.settled) return true;
  // A young stamp may not have changed with the file: the bytes tell.
  QFile f;
  if (OpenRegularFile(fileName_, f) != TRegularOpen::Opened) return false;
  return f.read(MaxFileSize + 1) == base.bytes;
}

bool TIniFile::Save(Content c, const Base& base) const {
  QString text;
  for (const QString& line : c.lines) {
    text += line;
    text += c.lineBreak;
  }
  // A file read as Windows-1252 stays so unless a new value needs more.
  if (c.encoding != TextEncoding::Windows1252 || !TextCodec::canEncode(text, TextEncoding::Windows1252))
    c.encoding = TextEncoding::Utf8;
  c.bom = c.bom && c.encoding == TextEncoding::Utf8;
  const QByteArray bytes = TextCodec::encodeFile(text, c.encoding, c.bom);

  // The program's own file: kept whole in place when it has other links.
  TSafeFile f(fileName_, SafeFile::OwnFileInPlace, [size = bytes.size()] { return qint64(size); });
  f.StageInPlace();
  f.Open();
  f.write(bytes);  // a short write is raised by Commit()
  if (const auto& hook = BeforeReplace()) hook(fileName_);
  if (!Unchanged(base)) return false;
  SafeFile::CommitOwn(f);
  // Just written: its stamp is as young as it gets, so the next read looks
  // at the file again until the stamp has settled. What was written is kept
  // as it was meant, encoding and all: Windows-1252 bytes can look like
  // UTF-8 when read without knowing.
  ParsedFiles().insert(fileName_, {bytes, std::move(c), Stamp{}, false, false, {}});
  return true;
}

QHash<QString, QList<std::function<bool(TIniFile::Content&)>>>& TIniFile::KeptEdits() {
  static QHash<QString, QList<std::function<bool(Content&)>>> edits;
  return edits;
}

TIniFile::Content TIniFile::Current() const {
  Content c = Load();
  const auto kept = KeptEdits().constFind(fileName_);
  if (kept == KeptEdits().cend() || c.tooLarge) return c;
  for (const auto& edit : *kept) edit(c);
  return c;
}

void TIniFile::Update(const std::function<bool(Content&)>& edit) {
  try {
    const TFolderLock lock(fileName_);
    if (lock.Busy()) {
      // Another process holds the folder's lock: the change waits in memory
      // (readers see it) and is made, with those waiting before it, on the
      // file as it is then, once the lock is free.
      KeptEdits()[fileName_].append(edit);
      SafeFile::KeepOwnWrite(fileName_, [fileName = fileName_, report = report_] {
        TIniFile(fileName, report).Update([](Content&) { return false; });
      });
      return;
    }
    Rewrite(edit);
  } catch (const Exception& e) {
    // Told when the folder is free again.
    if (!report_) throw;
    if (TFolderLock::TakeGaveUp()) report_(TOwnFileTrouble::Unlocked, fileName_, nullptr);
    report_(TOwnFileTrouble::NotWritten, fileName_, &e);
    return;
  }
  if (report_ && TFolderLock::TakeGaveUp()) report_(TOwnFileTrouble::Unlocked, fileName_, nullptr);
}

void TIniFile::Rewrite(const std::function<bool(Content&)>& edit) {
  // The changes that waited for the lock go first.
  const QList<std::function<bool(Content&)>> kept = KeptEdits().take(fileName_);
  SafeFile::ForgetOwnWrite(fileName_);
  const auto all = [&](Content& c) {
    bool changed = false;
    for (const auto& e : kept) changed = e(c) || changed;
    return edit(c) || changed;
  };
  for (int attempt = 1;; ++attempt) {
    Base base;
    Content c = Load(true, &base);
    if (c.tooLarge || !all(c)) return;  // a file over the limit is left as it is
    try {
      if (Save(c, base)) return;
    } catch (const Exception&) {
      if (report_) Hold(c, base);
      throw;
    }
    if (attempt == kWriteAttempts)
      throw EWriteError(QStringLiteral("Cannot write file \"%1\". Another program keeps changing it.").arg(fileName_));
  }
}

void TIniFile::Hold(const Content& content, const Base& base) const {
  // Read back while the file keeps the stamp it had (or stays missing).
  ParsedFiles().insert(fileName_, {base.bytes, content, base.exists ? base.stamp : Stamp{}, true, true, {}});
}

int TIniFile::FindSection(const QStringList& lines, const QString& section) {
  for (int i = 0; i < lines.size(); ++i) {
    const QString t = lines[i].trimmed();
    if (IsHeader(t) && SameName(HeaderName(t), section)) return i;
  }
  return -1;
}

int TIniFile::FindKey(const QStringList& lines, int header, const QString& key) {
  for (int i = header + 1; i < lines.size(); ++i) {
    if (IsHeader(lines[i].trimmed())) break;
    QString k;
    if (SplitKeyLine(lines[i], &k, nullptr) && SameName(k, key)) return i;
  }
  return -1;
}

int TIniFile::SectionEnd(const QStringList& lines, int header) {
  int end = header + 1;
  for (int i = header + 1; i < lines.size(); ++i) {
    const QString t = lines[i].trimmed();
    if (IsHeader(t)) break;
    if (!t.isEmpty()) end = i + 1;
  }
  return end;
}

bool TIniFile::LookUp(const QString& section, const QString& key, QString& value) const {
  const Content c = Current();
  const int header = FindSection(c.lines, section);
  if (header < 0) return false;
  const int line = FindKey(c.lines, header, key);
  if (line < 0) return false;
  SplitKeyLine(c.lines[line], nullptr, &value);
  return true;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
  QString value;
  if (!LookUp(section, key, value) || value.isEmpty()) return def;
  return value;
}

bool TIniFile::ParseInteger(const QString& text, int& value) {
  QString t = text.trimmed();
  if (t.isEmpty()) return false;
  bool negative = false;
  if (t.startsWith(u'-') || t.startsWith(u'+')) {
    negative = t.startsWith(u'-');
    t.remove(0, 1);
  }
  int base = 10;
  if (t.startsWith(u'$')) {
    base = 16;
    t.remove(0, 1);
  } else if (t.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
    base = 16;
    t.remove(0, 2);
  }
  if (t.isEmpty()) return false;
  for (QChar ch : t)
    if (base == 10 ? !(ch >= u'0' && ch <= u'9') : !std::isxdigit(ch.toLatin1())) return false;
  bool ok = false;
  const qulonglong magnitude = t.toULongLong(&ok, base);
  if (!ok) return false;
  if (base == 16 && !negative) {
    // Hexadecimal values name 32-bit patterns ("$FF000005" is a system colour).
    if (magnitude > 0xFFFFFFFFull) return false;
    value = static_cast<int>(static_cast<quint32>(magnitude));
    return true;
  }
  if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull) return false;
  value = negative ? static_cast<int>(-static_cast<long long>(magnitude)) : static_cast<int>(magnitude);
  return true;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const {
  QString value;
  int result = def;
  if (LookUp(section, key, value) && ParseInteger(value, result)) return result;
  return def;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  // Names that the format cannot hold would turn into other names on reading.
  const QString k = key.trimmed();
  const QString sec = section.trimmed();
  if (k.isEmpty() || k.contains(u'=') || k.startsWith(u'[') || k.startsWith(u';') || k.contains(u'\n') ||
      k.contains(u'\r'))
    throw EConvertError(QStringLiteral("\"%1\" cannot be a key name of an INI file.").arg(key));
  if (sec.contains(u']') || sec.contains(u'\n') || sec.contains(u'\r'))
    throw EConvertError(QStringLiteral("\"%1\" cannot be a section name of an INI file.").arg(section));
  // A value keeps to one line; its surrounding blanks would be trimmed anyway.
  QString v = value.trimmed();
  v.replace(u'\r', u' ');
  v.replace(u'\n', u' ');
  Update([=](Content& c) {
    const int header = FindSection(c.lines, section);
    if (header < 0) {
      if (!c.lines.isEmpty() && !c.lines.constLast().trimmed().isEmpty()) c.lines.append(QString());
      c.lines.append(u'[' + sec + u']');
      c.lines.append(k + u'=' + v);
    } else if (const int line = FindKey(c.lines, header, key); line >= 0) {
      QString existing;
      SplitKeyLine(c.lines[line], &existing, nullptr);
      c.lines[line] = existing + u'=' + v;
    } else {
      c.lines.insert(SectionEnd(c.lines, header), k + u'=' + v);
    }
    return true;
  });
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
  WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::SectionExists(const QString& section) const { return FindSection(Current().lines, section) >= 0; }

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
  QString value;
  return LookUp(section, key, value);
}

QStringList TIniFile::ReadSection(const QString& section) const {
  const Content c = Current();
  QStringList keys;
  const int header = FindSection(c.lines, section);
  if (header < 0) return keys;
  for (int i = header + 1; i < c.lines.size(); ++i) {
    if (IsHeader(c.lines[i].trimmed())) break;
    QString k;
    if (SplitKeyLine(c.lines[i], &k, nullptr) && !keys.contains(k, Qt::CaseInsensitive)) keys.append(k);
  }
  return keys;
}

QStringList TIniFile::ReadSections() const {
  QStringList names;
  for (const QString& line : Current().lines) {
    const QString t = line.trimmed();
    if (IsHeader(t)) {
      const QString name = HeaderName(t);
      if (!names.contains(name, Qt::CaseInsensitive)) names.append(name);
    }
  }
  return names;
}

void TIniFile::EraseSection(const QString& section) {
  Update([=](Content& c) {
    const int header = FindSection(c.lines, section);
    if (header < 0) return false;
    int end = header + 1;
    while (end < c.lines.size() && !IsHeader(c.lines[end].trimmed())) ++end;
    c.lines.erase(c.lines.begin() + header, c.lines.begin() + end);
    return true;
  });
}

void TIniFile::DeleteKey(const QString& section, const QString& key) {
  Update([=](Content& c) {
    const int header = FindSection(c.lines, section);
    if (header < 0) return false;
    const int line = FindKey(c.lines, header, key);
    if (line < 0) return false;
    c.lines.removeAt(line);
    return true;
  });
}
