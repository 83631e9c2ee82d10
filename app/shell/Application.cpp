#include "app/shell/Application.h"

#include <QImageReader>
#include <QPainter>
#include <QStyleFactory>
#include <new>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/look/OpaqueBars.h"
#include "platform/Exceptions.h"

bool TApplication::notify(QObject* receiver, QEvent* event) {
  return DeliverShowingFailures([&] { return QApplication::notify(receiver, event); });
}

bool TApplication::DeliverShowingFailures(const std::function<bool()>& deliver) {
  QString message;
  try {
    return deliver();
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::bad_alloc&) {
    message = LangText(QStringLiteral("OutOfMemory"));
  } catch (const std::exception& e) {
    message = QString::fromUtf8(e.what());
  }
  ShowMessageDlg(message, 2);
  return false;
}

namespace {

// The desktop's look with opaque bars, and disabled pictures faded.
class TProgramStyle : public TOpaqueBarStyle {
 public:
  using TOpaqueBarStyle::TOpaqueBarStyle;

  QPixmap generatedIconPixmap(QIcon::Mode mode, const QPixmap& pixmap, const QStyleOption* option) const override {
    const QPixmap greyed = TOpaqueBarStyle::generatedIconPixmap(mode, pixmap, option);
    if (mode != QIcon::Disabled || greyed.isNull()) return greyed;
    QPixmap faded(greyed.size());
    faded.setDevicePixelRatio(greyed.devicePixelRatio());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(kDisabledOpacity);
    painter.drawPixmap(0, 0, greyed);
    return faded;
  }

 private:
  static constexpr qreal kDisabledOpacity = 0.4;
};

}  // namespace

void UseProgramStyle() {
  if (dynamic_cast<TProgramStyle*>(QApplication::style())) return;
  QApplication::setStyle(new TProgramStyle(QStyleFactory::create(QApplication::style()->name())));
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    // Read as the PNG files they are, by the toolkit's own reader: otherwise
    // every picture plug-in is loaded (with its libraries) and asked first.
    QImageReader reader(QStringLiteral(":/icons/korvex-vantar-%1.png").arg(size), "png");
    reader.setAutoDetectImageFormat(false);
    if (const QImage image = reader.read(); !image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}
