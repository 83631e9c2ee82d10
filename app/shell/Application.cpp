#include "app/shell/Application.h"

#include <new>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
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

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/korvex-vantar-%1.png").arg(size), QSize(size, size));
  return icon;
}
