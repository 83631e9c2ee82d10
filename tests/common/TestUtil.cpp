#include "tests/common/TestUtil.h"

#include <dirent.h>
#include <elf.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

QByteArray ReadFileBytes(const QString& fileName) {
  QFile f(fileName);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteFileBytes(const QString& fileName, const QByteArray& bytes) {
  QFile f(fileName);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

int AsUserBoundByPermissions(const QString& dir, const std::function<int()>& body) {
  if (::geteuid() != 0) return body();
  constexpr uid_t kNobody = 65534;
  if (::chown(QFile::encodeName(dir).constData(), kNobody, kNobody) != 0) return 100;
  QDirIterator all(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                   QDirIterator::Subdirectories);
  while (all.hasNext())
    if (::lchown(QFile::encodeName(all.next()).constData(), kNobody, kNobody) != 0) return 100;
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setresgid(kNobody, kNobody, kNobody) != 0 || ::setresuid(kNobody, kNobody, kNobody) != 0) _exit(100);
    _exit(std::min(body(), 99));
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return 100;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

namespace {

bool EntryThere(const QByteArray& folder, const std::function<bool(const char* name)>& matches) {
  DIR* dir = ::opendir(folder.constData());
  if (!dir) return false;
  bool found = false;
  while (const dirent* entry = ::readdir(dir))
    if (matches(entry->d_name)) {
      found = true;
      break;
    }
  ::closedir(dir);
  return found;
}

}  // namespace

qint64 TKillWindow::Moment(int i, int n) const {
  if (changeFrom < 0) return lies * i / n;
  const qint64 margin = (changeTo - changeFrom) / 4 + 1000;
  const qint64 from = std::max<qint64>(0, changeFrom - margin), to = changeTo + margin;
  return from + (to - from) * i / n;
}

void TKillWindow::Join(const TKillWindow& other) {
  lies = std::max(lies, other.lies);
  if (other.changeFrom < 0) return;
  changeFrom = changeFrom < 0 ? other.changeFrom : std::min(changeFrom, other.changeFrom);
  changeTo = std::max(changeTo, other.changeTo);
}

bool KillWhileInFolder(const std::function<void()>& write, const QString& folder,
                       const std::function<bool(const char* name)>& matches, qint64 delayUs, TKillWindow* window,
                       const QString& changing) {
  const pid_t child = ::fork();
  if (child == 0) {
    try {
      write();
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  if (child < 0) return false;
  const QByteArray native = QFile::encodeName(folder), file = QFile::encodeName(changing);
  int status = 0;
  QElapsedTimer timer;
  while (!EntryThere(native, matches))
    if (::waitpid(child, &status, WNOHANG) == child) return false;
  timer.start();
  if (delayUs >= 0) {
    if (delayUs > 0) ::usleep(useconds_t(delayUs));
    ::kill(child, SIGKILL);
  } else {
    // The file's stamp, asked for again and again, changes with each write.
    struct stat last {};
    const bool watched = !file.isEmpty() && ::stat(file.constData(), &last) == 0;
    while (EntryThere(native, matches)) {
      struct stat now {};
      if (!watched || ::stat(file.constData(), &now) != 0) continue;
      if (now.st_mtim.tv_sec == last.st_mtim.tv_sec && now.st_mtim.tv_nsec == last.st_mtim.tv_nsec &&
          now.st_size == last.st_size)
        continue;
      last = now;
      const qint64 at = timer.nsecsElapsed() / 1000;
      if (window && window->changeFrom < 0) window->changeFrom = at;
      if (window) window->changeTo = at;
    }
    if (window) window->lies = timer.nsecsElapsed() / 1000;
  }
  ::waitpid(child, &status, 0);
  return true;
}

std::string MakeDeviceNode(const QString& path, TDeviceNode kind) {
  const dev_t device = makedev(1, kind == TDeviceNode::Null ? 3 : 5);
  if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, device) == 0) return {};
  const int error = errno;
  return "cannot make the device node " + path.toStdString() + " (" + std::strerror(error) +
         "): making one needs root rights or CAP_MKNOD";
}

TPipeDevice::TPipeDevice(QByteArray bytes, qint64 piece) : bytes_(std::move(bytes)), piece_(piece) {
  open(QIODevice::ReadOnly);
}

qint64 TPipeDevice::readData(char* data, qint64 max) {
  const qint64 n = std::min<qint64>({max, piece_, bytes_.size() - at_});
  if (n <= 0) return -1;
  std::memcpy(data, bytes_.constData() + at_, static_cast<std::size_t>(n));
  at_ += n;
  return n;
}

TDarkDesktopTheme::TDarkDesktopTheme() : font_(QApplication::font()), palette_(QApplication::palette()) {
  QFont font(QStringLiteral("Serif"), 13);
  font.setStyleHint(QFont::Serif);
  font.setBold(true);
  font.setStretch(150);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 7);
  QApplication::setFont(font);
  // The scheme's colours, role by role.
  const std::pair<QPalette::ColorRole, QRgb> colors[] = {
      {QPalette::WindowText, 0xffffff}, {QPalette::Button, 0x424245},          {QPalette::Light, 0x979797},
      {QPalette::Midlight, 0x5e5c5b},   {QPalette::Dark, 0x302f2e},            {QPalette::Mid, 0x4a4947},
      {QPalette::Text, 0xffffff},       {QPalette::BrightText, 0xffffff},      {QPalette::ButtonText, 0xffffff},
      {QPalette::Base, 0x3d3d3d},       {QPalette::Window, 0x222020},          {QPalette::Shadow, 0xe7e4e0},
      {QPalette::Highlight, 0x12608a},  {QPalette::HighlightedText, 0xf9f9f9}, {QPalette::Link, 0x0986d3},
      {QPalette::LinkVisited, 0xa70b06}, {QPalette::AlternateBase, 0x5c5b5a},  {QPalette::ToolTipBase, 0x3f3f36},
      {QPalette::ToolTipText, 0xffffff}};
  QPalette palette;
  for (const auto& [role, rgb] : colors) palette.setColor(role, QColor(rgb));
  QApplication::setPalette(palette);
}

TDarkDesktopTheme::~TDarkDesktopTheme() {
  QApplication::setFont(font_);
  QApplication::setPalette(palette_);
}

std::pair<qsizetype, qsizetype> LargestLoadedSegment(const QByteArray& whole) {
  Elf64_Ehdr header{};
  if (whole.size() < qsizetype(sizeof header)) return {0, 0};
  std::memcpy(&header, whole.constData(), sizeof header);
  std::pair<qsizetype, qsizetype> largest{0, 0};
  for (int i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr segment{};
    const quint64 at = header.e_phoff + quint64(i) * header.e_phentsize;
    if (at + sizeof segment > quint64(whole.size())) break;
    std::memcpy(&segment, whole.constData() + at, sizeof segment);
    if (segment.p_type == PT_LOAD && qsizetype(segment.p_filesz) > largest.second)
      largest = {qsizetype(segment.p_offset), qsizetype(segment.p_filesz)};
  }
  return largest;
}
