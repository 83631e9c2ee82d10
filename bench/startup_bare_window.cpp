// The yardstick of the start-up benchmark: a bare Qt Widgets main window of
// the same kind as the program's (a menu bar, a tool bar, a status bar and a
// label in the middle), of the program's size and shown maximised like it.
// Built five times: with its bars painted opaque as the program paints them
// and pictures made here instead of the icon theme's, as the program draws
// its kept pictures and reads no theme after its first start (the
// yardstick); the same with a splash window shown first as the program shows
// its own, to name what that costs; the opaque bars with the icon theme's
// pictures; the bars as the toolkit paints them; and linked with the browser
// engine, to show what linking the engine alone costs.
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

#ifdef KV_SPLASH
#include <QPainter>
#include <QScreen>
#include <memory>

namespace {

// A splash window as the program's: frameless, of its size, in the middle of
// the screen, painted whole with the title drawn larger in the window's font.
class TSplash : public QWidget {
 public:
  TSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setFixedSize(500, 299);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (const QScreen* screen = QApplication::primaryScreen()) move(screen->geometry().center() - rect().center());
  }
  bool Painted() const { return painted_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    constexpr qreal kTitleScale = 2.5;
    painter.translate(QRectF(rect()).center());
    painter.scale(kTitleScale, kTitleScale);
    const QSizeF area = QSizeF(size()) / kTitleScale;
    painter.drawText(QRectF(QPointF(-area.width() / 2, -area.height() / 2), area), Qt::AlignCenter,
                     QStringLiteral("Korvex Vantar"));  // the same glyphs as the program's
    painted_ = true;
  }

 private:
  bool painted_ = false;
};

}  // namespace
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
#ifdef KV_SPLASH
  // Shown and painted before the main window is made, as the program does.
  auto splash = std::make_unique<TSplash>();
  splash->show();
  if (!splash->Painted()) splash->repaint();
  QApplication::processEvents();
#endif
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
#ifdef KV_SPLASH
  splash.reset();
#endif
  return QApplication::exec();
}
