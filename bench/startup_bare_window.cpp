// The yardstick of the start-up benchmark: a bare Qt Widgets main window of
// the same kind as the program's (a menu bar, a tool bar, a status bar and a
// label in the middle), of the program's size and shown maximised like it.
// Built three times: with its bars painted opaque as the program paints them
// (the yardstick), with the bars as the toolkit paints them, and linked with
// the browser engine, to show what linking the engine alone costs.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "platform/PaintProbe.h"

#ifdef KV_OPAQUE_BARS
#include <QStyleFactory>

#include "app/look/OpaqueBars.h"
#endif

#ifdef KV_LINK_WEBENGINE
#include <QWebEngineProfile>
#endif

int main(int argc, char** argv) {
#ifdef KV_LINK_WEBENGINE
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (argc > 99) QWebEngineProfile::defaultProfile();  // keeps the engine's libraries linked
#endif
  QApplication app(argc, argv);
#ifdef KV_OPAQUE_BARS
  QApplication::setStyle(new TOpaqueBarStyle(QStyleFactory::create(QApplication::style()->name())));
#endif
  ExitAfterFirstPaintOf<QMainWindow>();
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  for (const char* title : {"&File", "&Edit", "&View", "&Help"})
    window.menuBar()->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("Item"));
  QToolBar* bar = window.addToolBar(QStringLiteral("Tools"));
  const QStyle::StandardPixmap icons[] = {QStyle::SP_FileIcon, QStyle::SP_DirOpenIcon, QStyle::SP_DialogSaveButton};
  for (const QStyle::StandardPixmap icon : icons)
    bar->addAction(window.style()->standardIcon(icon), QStringLiteral("Tool"));
  window.setCentralWidget(new QLabel(QStringLiteral("Bare window"), &window));
  window.statusBar()->showMessage(QStringLiteral("Ready"));
  // The program's main window has this size until it is maximised; on a
  // virtual X server without a window manager neither window is maximised,
  // so both draw the same area.
  window.resize(1000, 700);
  window.showMaximized();
  return QApplication::exec();
}
