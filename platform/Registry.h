// A small hierarchical store of named integer and string values under keys
// such as "Software\Korvex\Highlighters\HTML", kept per user in one file.
// It stands in for the desktop registry where components save their look.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "platform/Exceptions.h"

enum class TRegistryRoot { CurrentUser, LocalMachine };

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

class TRegistry {
 public:
  explicit TRegistry(TRegistryRoot root = TRegistryRoot::CurrentUser) : root_(root) {}

  // The file behind the store ($XDG_CONFIG_HOME/korvex-vantar/registry.json
  // unless set); tests point it elsewhere.
  static void SetStorageFile(const QString& fileName);
  static QString StorageFile();

  // Opens a key (path parts separated by "\" or "/"); with `canCreate` a
  // missing key is made. Returns false when the key is not there.
  bool OpenKey(const QString& path, bool canCreate);
  bool OpenKeyReadOnly(const QString& path);
  void CloseKey();
  bool KeyExists(const QString& path) const;
  QString CurrentPath() const { return path_.join(u'\\'); }

  bool ValueExists(const QString& name) const;
  // Reads raise ERegistryException when the value is missing or of another type.
  int ReadInteger(const QString& name) const;
  QString ReadString(const QString& name) const;
  // Writes raise ERegistryException on a read-only key or when the file
  // cannot be written.
  void WriteInteger(const QString& name, int value);
  void WriteString(const QString& name, const QString& value);

 private:
  QJsonObject CurrentKey() const;
  void StoreValue(const QString& name, const QJsonValue& value);

  TRegistryRoot root_;
  QStringList path_;
  bool open_ = false;
  bool readOnly_ = false;
};
