// The yardstick of the start-up benchmark: a bare Qt Widgets main window of
// the same kind as the program's (a menu bar, a tool bar, a status bar and a
// label in the middle), of the program's size and shown maximised like it.
// Built four times: with its bars painted opaque as the program paints them
// (the yardstick); the same with pictures made here instead of the icon
// theme's, which the program reads only at its first start and keeps; with
// the bars as the toolkit paints them; and linked with the browser engine, to
// show what linking the engine alone costs.
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
#ifdef KV_NO_ICON_THEME
  // No theme is looked in (its indexes read) for any picture.
  QIcon::setThemeName(QString());
  QIcon::setFallbackThemeName(QString());
#endif
#ifdef KV_OPAQUE_BARS
  QApplication::setStyle(new TOpaqueBarStyle(QStyleFactory::create(QApplication::style()->name())));
#endif
  ExitAfterFirstPaintOf<QMainWindow>();
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  for (const char* title : {"&File", "&Edit", "&View", "&Help"})
    window.menuBar()->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("Item"));
  QToolBar* bar = window.addToolBar(QStringLiteral("Tools"));
#ifdef KV_NO_ICON_THEME
  // Three pictures drawn here, as the program draws its kept ones.
  for (int i = 0; i < 3; ++i) {
    QPixmap picture(22, 22);
    picture.fill(QColor::fromHsv(i * 120, 160, 200));
    bar->addAction(QIcon(picture), QStringLiteral("Tool"));
  }
#else
  const QStyle::StandardPixmap icons[] = {QStyle::SP_FileIcon, QStyle::SP_DirOpenIcon, QStyle::SP_DialogSaveButton};
  for (const QStyle::StandardPixmap icon : icons)
    bar->addAction(window.style()->standardIcon(icon), QStringLiteral("Tool"));
#endif
  window.setCentralWidget(new QLabel(QStringLiteral("Bare window"), &window));
  window.statusBar()->showMessage(QStringLiteral("Ready"));
  // The program's main window has this size until it is maximised; on a
  // virtual X server without a window manager neither window is maximised,
  // so both draw the same area.
  window.resize(1000, 700);
  window.showMaximized();
  return QApplication::exec();
}
