#include "app/options/ConfigModel.h"

#include <QFile>

#include "platform/OwnFile.h"
#include "platform/ProgramFolder.h"
#include "platform/RegularFile.h"

namespace ConfigModel {

const std::array<TCharsetName, 19>& Charsets() {
  static const std::array<TCharsetName, 19> sets = {{
      {"ANSI_CHARSET", 0},          {"DEFAULT_CHARSET", 1},      {"SYMBOL_CHARSET", 2},    {"MAC_CHARSET", 77},
      {"SHIFTJIS_CHARSET", 128},    {"HANGEUL_CHARSET", 129},    {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},
      {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161},      {"TURKISH_CHARSET", 162}, {"VIETNAMESE_CHARSET", 163},
      {"HEBREW_CHARSET", 177},      {"ARABIC_CHARSET", 178},     {"BALTIC_CHARSET", 186},  {"RUSSIAN_CHARSET", 204},
      {"THAI_CHARSET", 222},        {"EASTEUROPE_CHARSET", 238}, {"OEM_CHARSET", 255},
  }};
  return sets;
}

int CharsetIndex(int value) {
  for (std::size_t i = 0; i < Charsets().size(); ++i)
    if (Charsets()[i].value == value) return static_cast<int>(i);
  return -1;
}

int CharsetValue(int index) {
  return index >= 0 && index < static_cast<int>(Charsets().size()) ? Charsets()[index].value : 1;
}

}  // namespace ConfigModel

QString TBrowserList::FileName() { return ProgramFolder() + QStringLiteral("browserlist.dat"); }

bool TBrowserList::Load(const QString& fileName) {
  entries_.clear();
  // A FIFO or device in the file's place is not waited on: no list. A list
  // that waits for the folder's lock is what the file will hold.
  QByteArray bytes;
  if (const std::optional<QByteArray> kept = SafeFile::PendingOwn(fileName))
    bytes = *kept;
  else if (ReadRegularFile(fileName, bytes) != TRegularOpen::Opened)
    return false;
  entries_ = ExternalPreviews::ParseBrowserList(QString::fromUtf8(bytes));
  return true;
}

void TBrowserList::Save(const QString& fileName) const {
  QByteArray bytes;
  for (const QString& line : Lines()) bytes += line.toUtf8() + "\r\n";
  SafeFile::WriteOwn(fileName, bytes);
}

int TBrowserList::IndexOfPath(const QString& path) const {
  const QString wanted = path.trimmed();
  for (qsizetype i = 0; i < entries_.size(); ++i)
    if (entries_[i].program == wanted) return static_cast<int>(i);
  return -1;
}

void TBrowserList::Add(const QString& name, const QString& path) { entries_.append({name.trimmed(), path.trimmed()}); }

void TBrowserList::Remove(int index) {
  if (index >= 0 && index < entries_.size()) entries_.removeAt(index);
}

QString TBrowserList::Line(const TEntry& entry) {
  // A line is split at its first "#": a path holding one keeps an empty name
  // before it, so that it reads back whole.
  if (entry.caption.isEmpty() && !entry.program.contains(QLatin1Char('#'))) return entry.program;
  return entry.caption + QLatin1Char('#') + entry.program;
}

QStringList TBrowserList::Lines() const {
  QStringList lines;
  for (const TEntry& e : entries_) lines << Line(e);
  return lines;
}
