#include "platform/Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <functional>

#include "platform/Exceptions.h"
#include "platform/OwnFile.h"
#include "platform/RegularFile.h"

namespace {

QString& StorageOverride() {
  static QString file;
  return file;
}

QString RootName(TRegistryRoot root) {
  return root == TRegistryRoot::CurrentUser ? QStringLiteral("HKEY_CURRENT_USER")
                                            : QStringLiteral("HKEY_LOCAL_MACHINE");
}

QStringList SplitPath(const QString& path) {
  return path.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
}

// A FIFO or device in the file's place is neither waited on nor replaced.
// What waits for the folder's lock is what the file will hold.
QJsonObject LoadAll() {
  QByteArray bytes;
  if (const std::optional<QByteArray> kept = SafeFile::PendingOwn(TRegistry::StorageFile()))
    bytes = *kept;
  else if (ReadRegularFile(TRegistry::StorageFile(), bytes) != TRegularOpen::Opened)
    return {};
  return QJsonDocument::fromJson(bytes).object();
}

bool SaveAll(const QJsonObject& all, QString* why = nullptr) {
  const QString file = TRegistry::StorageFile();
  QDir().mkpath(QFileInfo(file).absolutePath());
  try {
    SafeFile::WriteOwn(file, QJsonDocument(all).toJson());
    return true;
  } catch (const Exception& e) {
    if (why) *why = e.Message();
    return false;
  }
}

// Key names compare without regard to case: find the stored spelling.
QString Child(const QJsonObject& keys, const QString& name) {
  for (auto it = keys.begin(); it != keys.end(); ++it)
    if (it.key().compare(name, Qt::CaseInsensitive) == 0) return it.key();
  return QString();
}

// Walks (and with `create` makes) the path; returns false when missing.
bool Walk(QJsonObject& node, const QStringList& path, int depth, bool create,
          const std::function<void(QJsonObject&)>& at) {
  if (depth == path.size()) {
    at(node);
    return true;
  }
  QJsonObject keys = node.value(QStringLiteral("keys")).toObject();
  QString name = Child(keys, path[depth]);
  if (name.isEmpty()) {
    if (!create) return false;
    name = path[depth];
  }
  QJsonObject child = keys.value(name).toObject();
  if (!Walk(child, path, depth + 1, create, at)) return false;
  keys.insert(name, child);
  node.insert(QStringLiteral("keys"), keys);
  return true;
}

}  // namespace

void TRegistry::SetStorageFile(const QString& fileName) { StorageOverride() = fileName; }

QString TRegistry::StorageFile() {
  if (!StorageOverride().isEmpty()) return StorageOverride();
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/korvex-vantar/registry.json");
}

bool TRegistry::KeyExists(const QString& path) const {
  QJsonObject all = LoadAll();
  QJsonObject root = all.value(RootName(root_)).toObject();
  return Walk(root, SplitPath(path), 0, false, [](QJsonObject&) {});
}

bool TRegistry::OpenKey(const QString& path, bool canCreate) {
  CloseKey();
  const QStringList parts = SplitPath(path);
  QJsonObject all = LoadAll();
  QJsonObject root = all.value(RootName(root_)).toObject();
  if (!Walk(root, parts, 0, false, [](QJsonObject&) {})) {
    if (!canCreate) return false;
    Walk(root, parts, 0, true, [](QJsonObject&) {});
    all.insert(RootName(root_), root);
    if (!SaveAll(all)) return false;
  }
  path_ = parts;
  open_ = true;
  readOnly_ = false;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& path) {
  if (!OpenKey(path, false)) return false;
  readOnly_ = true;
  return true;
}

void TRegistry::CloseKey() {
  path_.clear();
  open_ = false;
  readOnly_ = false;
}

QJsonObject TRegistry::CurrentKey() const {
  QJsonObject all = LoadAll();
  QJsonObject root = all.value(RootName(root_)).toObject();
  QJsonObject found;
  Walk(root, path_, 0, false, [&](QJsonObject& node) { found = node; });
  return found.value(QStringLiteral("values")).toObject();
}

bool TRegistry::ValueExists(const QString& name) const { return open_ && !Child(CurrentKey(), name).isEmpty(); }

int TRegistry::ReadInteger(const QString& name) const {
  const QJsonObject values = CurrentKey();
  const QJsonValue v = values.value(Child(values, name));
  if (!open_ || !v.isDouble()) throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
  return v.toInt();
}

QString TRegistry::ReadString(const QString& name) const {
  const QJsonObject values = CurrentKey();
  const QJsonValue v = values.value(Child(values, name));
  if (!open_ || !v.isString()) throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
  return v.toString();
}

void TRegistry::StoreValue(const QString& name, const QJsonValue& value) {
  if (!open_ || readOnly_) throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
  QJsonObject all = LoadAll();
  QJsonObject root = all.value(RootName(root_)).toObject();
  Walk(root, path_, 0, true, [&](QJsonObject& node) {
    QJsonObject values = node.value(QStringLiteral("values")).toObject();
    const QString existing = Child(values, name);
    values.insert(existing.isEmpty() ? name : existing, value);
    node.insert(QStringLiteral("values"), values);
  });
  all.insert(RootName(root_), root);
  if (QString why; !SaveAll(all, &why))
    throw ERegistryException(QStringLiteral("Failed to set data for '%1'. %2").arg(name, why));
}

void TRegistry::WriteInteger(const QString& name, int value) { StoreValue(name, value); }
void TRegistry::WriteString(const QString& name, const QString& value) { StoreValue(name, value); }
