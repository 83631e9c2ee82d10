#include "platform/Graphic.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "platform/Exceptions.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

void TGraphic::Assign(const TGraphic& source) {
  throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2.")
                          .arg(QString::fromLatin1(source.ClassName()), QString::fromLatin1(ClassName())));
}

void TGraphic::AssignTo(TGraphic& dest) const {
  throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2.")
                          .arg(QString::fromLatin1(ClassName()), QString::fromLatin1(dest.ClassName())));
}

void TGraphic::LoadFromFile(const QString& fileName) {
  // A FIFO or a device is refused before it is opened: it could hold the
  // open, or never come to an end.
  QFile file;
  OpenRegularFileOrRaise(fileName, file);
  LoadFromStream(file);
}

void TGraphic::SaveToFile(const QString& fileName) {
  // Made whole in memory, then saved safely: a failed save leaves the old
  // file, and a pipe or device in its place is refused.
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  SaveToStream(buffer);
  SafeFile::Write(fileName, buffer.data());
}

namespace {
std::vector<TPictureFileFormat>& Registry() {
  static std::vector<TPictureFileFormat> formats;
  return formats;
}
QString Normalized(QString extension) {
  if (extension.startsWith(QLatin1Char('.'))) extension.remove(0, 1);
  return extension.toLower();
}
}  // namespace

void TPicture::RegisterFileFormat(const QString& extension, const QString& description, const void* classId,
                                  TGraphicFactory factory) {
  Registry().push_back({Normalized(extension), description, classId, std::move(factory)});
}

void TPicture::UnregisterGraphicClass(const void* classId) {
  auto& formats = Registry();
  std::erase_if(formats, [classId](const TPictureFileFormat& f) { return f.classId == classId; });
}

const TPictureFileFormat* TPicture::FindFormat(const QString& extension) {
  const QString ext = Normalized(extension);
  // The latest registration of an extension wins.
  const auto& formats = Registry();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it)
    if (it->extension == ext) return &*it;
  return nullptr;
}

std::unique_ptr<TGraphic> TPicture::CreateForFile(const QString& fileName) {
  const TPictureFileFormat* format = FindFormat(QFileInfo(fileName).suffix());
  return format ? format->factory() : nullptr;
}

QString TPicture::GraphicFilter() {
  QStringList masks, entries;
  for (const auto& f : Registry()) {
    const QString mask = QStringLiteral("*.") + f.extension;
    masks << mask;
    entries << QStringLiteral("%1 (%2)|%2").arg(f.description, mask);
  }
  if (masks.isEmpty()) return {};
  return QStringLiteral("All (%1)|%1|").arg(masks.join(QLatin1Char(';'))) + entries.join(QLatin1Char('|'));
}

std::vector<TPictureFileFormat> TPicture::Formats() { return Registry(); }
