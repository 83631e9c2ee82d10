#include "platform/Resources.h"

#include <QHash>

namespace {

QHash<QString, std::function<QImage()>>& Makers() {
  static QHash<QString, std::function<QImage()>> makers;
  return makers;
}

}  // namespace

namespace Resources {

void RegisterBitmap(const QString& name, std::function<QImage()> maker) {
  Makers().emplace(name.toUpper(), std::move(maker));
}

QImage LoadBitmap(const QString& name) {
  const auto it = Makers().constFind(name.toUpper());
  return it == Makers().constEnd() ? QImage() : (*it)();
}

}  // namespace Resources
