// Korvex Vantar: start-up and the message loop.
#include "app/Frame.h"
#include "app/StartUp.h"
#include "highlighters/SrcHighlighters.h"
#include "platform/Exceptions.h"

#include <QApplication>
#include <memory>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvex Vantar"));
  RegisterBuiltinHighlighters();
  std::unique_ptr<TfMain> window(StartUp(QApplication::arguments().mid(1)));
  return QApplication::exec();
}
