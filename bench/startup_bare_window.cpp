// The yardstick of the start-up benchmark: a bare Qt Widgets main window,
// shown maximised like the program's. Built once as it is and once linked
// with the browser engine, to show what linking the engine alone costs.
#include "platform/PaintProbe.h"

#include <QApplication>
#include <QMainWindow>

#ifdef KV_LINK_WEBENGINE
#include <QWebEngineProfile>
#endif

int main(int argc, char** argv) {
#ifdef KV_LINK_WEBENGINE
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (argc > 99) QWebEngineProfile::defaultProfile();  // keeps the engine's libraries linked
#endif
  QApplication app(argc, argv);
  ExitAfterFirstPaintOf<QMainWindow>();
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  window.showMaximized();
  return QApplication::exec();
}
