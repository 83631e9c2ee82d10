#include "app/look/Icons.h"

#include <QApplication>
#include <QDir>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QProxyStyle>
#include <QStandardPaths>
#include <QStyleOption>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "app/look/IconCache.h"
#include "app/look/IconInk.h"

namespace {

const QColor kInk(0x3d, 0x3d, 0x3d);
const QColor kPaper(0xfa, 0xfa, 0xfa);
const QColor kAccent(0x35, 0x84, 0xe4);

// A sheet of paper with a folded corner inside `r`.
void DrawPage(QPainter& p, const QRectF& r) {
  const qreal fold = r.width() / 3;
  QPainterPath path;
  path.moveTo(r.topLeft());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.bottomRight());
  path.lineTo(r.bottomLeft());
  path.closeSubpath();
  p.setBrush(kPaper);
  p.drawPath(path);
}

// A window frame with a title bar inside `r`.
void DrawWindow(QPainter& p, const QRectF& r) {
  p.setBrush(kPaper);
  p.drawRect(r);
  p.fillRect(QRectF(r.left(), r.top(), r.width(), r.height() / 4), kAccent);
}

// A floppy disk inside `r`.
void DrawDisk(QPainter& p, const QRectF& r) {
  p.setBrush(kAccent);
  p.drawRect(r);
  p.setBrush(kPaper);
  p.drawRect(QRectF(r.left() + r.width() / 4, r.top(), r.width() / 2, r.height() * 0.4));
}

void Draw(QPainter& p, const QString& name, qreal s) {
  p.setPen(QPen(kInk, s / 16));
  const qreal m = s / 8;  // margin
  const QRectF all(m, m, s - 2 * m, s - 2 * m);
  if (name == u"document-save-all") {
    DrawDisk(p, QRectF(m, m, s * 0.55, s * 0.55));
    DrawDisk(p, QRectF(s * 0.35, s * 0.35, s * 0.55, s * 0.55));
  } else if (name == u"window-cascade") {
    for (int i = 0; i < 3; ++i) DrawWindow(p, QRectF(m + i * s / 6, m + i * s / 6, s * 0.5, s * 0.45));
  } else if (name == u"window-tile-horizontally") {
    DrawWindow(p, QRectF(m, m, all.width(), all.height() / 2));
    DrawWindow(p, QRectF(m, s / 2, all.width(), all.height() / 2));
  } else if (name == u"window-tile-vertically") {
    DrawWindow(p, QRectF(m, m, all.width() / 2, all.height()));
    DrawWindow(p, QRectF(s / 2, m, all.width() / 2, all.height()));
  } else if (name == u"window-arrange-icons" || name == u"window-minimize-all") {
    const qreal w = all.width() / 3;
    for (int i = 0; i < 3; ++i) DrawWindow(p, QRectF(m + i * w, s - m - w / 2, w, w / 2));
    if (name == u"window-minimize-all") p.drawLine(QPointF(s / 2, m), QPointF(s / 2, s / 2));
  } else if (name == u"window-close-all") {
    DrawWindow(p, QRectF(m, m, s * 0.6, s * 0.6));
    DrawWindow(p, QRectF(s * 0.3, s * 0.3, s * 0.6, s * 0.6));
    p.drawLine(QPointF(s * 0.45, s * 0.55), QPointF(s * 0.75, s * 0.8));
    p.drawLine(QPointF(s * 0.75, s * 0.55), QPointF(s * 0.45, s * 0.8));
  } else {
    DrawPage(p, QRectF(s * 0.2, m, s * 0.6, all.height()));
    // Import and export: an arrow into or out of the page.
    if (name.endsWith(u"-import") || name.endsWith(u"-export")) {
      const bool in = name.endsWith(u"-import");
      const qreal y = s / 2;
      const qreal from = in ? m / 2 : s / 2;
      const qreal to = in ? s / 2 : s - m / 2;
      p.setPen(QPen(kAccent, s / 10));
      p.drawLine(QPointF(from, y), QPointF(to, y));
      p.drawLine(QPointF(to, y), QPointF(to - s / 6, y - s / 6));
      p.drawLine(QPointF(to, y), QPointF(to - s / 6, y + s / 6));
    }
  }
}

// Our picture of `name` from the vector files built into the program
// (data/icons/insert), `side` pixels square; null where we have none or the
// vector image format cannot be loaded.
QPixmap OwnPicture(const QString& name, int side) {
  QImageReader reader(QStringLiteral(":/icons/insert/") + name + QStringLiteral(".svg"));
  if (!reader.canRead()) return QPixmap();
  reader.setScaledSize(QSize(side, side));
  return QPixmap::fromImage(reader.read());
}

}  // namespace

namespace {

// An icon made when it is first drawn or measured, in the size asked for
// (For), and then drawn as that icon draws.
class TDeferredIconEngine : public QIconEngine {
 public:
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal scale = painter->device() ? painter->device()->devicePixelRatio() : 1;
    For(rect.size() * scale).paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return For(size).actualSize(size, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return For(size).pixmap(size, mode, state);
  }
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
    return For(size).pixmap(size / scale, scale, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    return For(QSize(16, 16)).availableSizes(mode, state);
  }
  bool isNull() override { return false; }

 protected:
  virtual const QIcon& For(const QSize& size) = 0;
};

// Our drawing of one name, drawn in each size only when that size is first
// asked for: a start-up that shows a size need not draw the others. The
// insert commands have pictures of their own (vector files); other names a
// small drawing made here.
class TDrawnIconEngine : public TDeferredIconEngine {
 public:
  explicit TDrawnIconEngine(const QString& name) : name_(name) {}
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    return {QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32)};
  }
  QString iconName() override { return name_; }
  QIconEngine* clone() const override { return new TDrawnIconEngine(*this); }

 protected:
  // The drawings made so far, with one of `size` among them.
  const QIcon& For(const QSize& size) override {
    const int side = std::min(size.width(), size.height());
    if (side > 0 && !sides_.contains(side)) {
      sides_ << side;
      QPixmap pixmap = OwnPicture(name_, side);
      if (pixmap.isNull()) {
        pixmap = QPixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        Draw(painter, name_, side);
      }
      drawn_.addPixmap(pixmap);
    }
    return drawn_;
  }

 private:
  QString name_;
  QIcon drawn_;
  QList<int> sides_;
};

}  // namespace

QIcon FallbackIcon(const QString& name) { return QIcon(new TDrawnIconEngine(name)); }

void UseFallbackIconTheme() {
  // Desktops without a theme of their own still find GNOME's. The icon
  // loader reads the fallback name only before its first look-up, so this
  // runs before any icon is looked up.
  static const bool once = [] {
    if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == u"hicolor")
      QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    // Platforms without a desktop theme (the off-screen one) search only
    // the program's resources: add the desktop's icon folders.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
      const QString icons = QDir(data).filePath(QStringLiteral("icons"));
      if (!paths.contains(icons) && QDir(icons).exists()) paths << icons;
    }
    if (paths != QIcon::themeSearchPaths()) QIcon::setThemeSearchPaths(paths);
    // With no theme name at all the loader never reaches the fallback.
    if (QIcon::themeName().isEmpty()) QIcon::setThemeName(QStringLiteral("hicolor"));
    return true;
  }();
  Q_UNUSED(once);
}

namespace {
std::jthread& ThemeReader() {
  static std::jthread reader;
  return reader;
}
}  // namespace

void ReadIconThemeAhead() {
  UseFallbackIconTheme();
  WaitForIconTheme();
  // The program's own name is in no theme but its own: the look-up reads
  // the index of the desktop's theme, of every theme it inherits and of
  // the fallback.
  ThemeReader() = std::jthread([] { QIcon::hasThemeIcon(QStringLiteral("korvex-vantar")); });
}

void WaitForIconTheme() {
  if (ThemeReader().joinable()) ThemeReader().join();
}

namespace {

// The themes icons come from now; a change (the desktop's icon theme was
// switched while the program runs) makes every icon look itself up again.
// (Shared copies of the loader's names: asked at every paint, nothing is
// allocated.)
using TThemeNames = std::pair<QString, QString>;
TThemeNames ThemeNames() { return {QIcon::themeName(), QIcon::fallbackThemeName()}; }

// The program's kept pictures (see IconCache.h), read when first asked for
// and again for other themes.
struct TKeptIcons {
  std::unique_ptr<TIconCache> cache;
  bool loaded = false;
  TThemeNames themes;  // those the pictures were read for
};
TKeptIcons& Kept() {
  static TKeptIcons kept;
  return kept;
}
TIconCache* KeptIcons(const TThemeNames& themes) {
  TKeptIcons& kept = Kept();
  if (kept.cache && (!kept.loaded || kept.themes != themes)) {
    if (kept.loaded) kept.cache->Save();  // what was drawn under the old themes
    kept.loaded = true;
    kept.themes = themes;
    kept.cache->Load(TIconCache::CurrentStamp());
  }
  return kept.cache.get();
}

// A size as one key of a hash.
quint64 SizeKey(const QSize& size) { return (quint64(quint32(size.width())) << 32) | quint32(size.height()); }

// `normal` as the style shows it in `mode` (disabled: greyed), as the icon
// loader makes the other modes of a theme's picture.
QPixmap InMode(const QPixmap& normal, QIcon::Mode mode) {
  if (mode == QIcon::Normal || mode == QIcon::Active || normal.isNull()) return normal;
  QStyleOption option(0);
  option.palette = QGuiApplication::palette();
  return QApplication::style()->generatedIconPixmap(mode, normal, &option);
}

// Looks the icon up when it is first drawn or measured: most icons of the
// menus are never shown, and looking up and reading all of them made the
// main window slow to appear. The theme's picture is read only in the size
// it is drawn in, and kept for the next run; an entry the loader cannot read
// (a vector file without its plug-in) gives no pixmap, and our drawing
// takes its place. Theme pictures have no "on" state; the other modes are
// made from the normal picture.
class TLazyThemeIconEngine : public QIconEngine {
 public:
  explicit TLazyThemeIconEngine(const QString& name) : name_(name) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal scale = painter->device() ? painter->device()->devicePixelRatio() : 1;
    const QPixmap drawn = scaledPixmap(rect.size() * scale, mode, state, scale);
    if (drawn.isNull()) return;
    const QSize size = (QSizeF(drawn.size()) / drawn.devicePixelRatio()).toSize();
    painter->drawPixmap(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, rect), drawn);
  }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    // The size of the picture that will be drawn: read it, so that an
    // unreadable entry is found before anything is placed by its size.
    const QPixmap& drawn = Normal(size, 1);
    return drawn.isNull() ? QSize() : drawn.size();
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1);
  }
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
    const QPixmap& shown = Shown(size, scale);
    if (mode != QIcon::Disabled || shown.isNull()) return InMode(shown, mode);
    return Greyed(size, shown);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    Resolve();
    return icon_.availableSizes(mode, state);
  }
  QString iconName() override { return name_; }
  // Never null: a name the theme lacks gets our drawing. (Tool buttons ask
  // while they are laid out, long before they are drawn.)
  bool isNull() override { return false; }
  QIconEngine* clone() const override { return new TLazyThemeIconEngine(*this); }

 private:
  // The normal picture for `deviceSize` pixels at `scale`: drawn before,
  // kept from an earlier run, or from the theme (else our drawing).
  const QPixmap& Normal(const QSize& deviceSize, qreal scale) {
    UseFallbackIconTheme();
    if (TThemeNames themes = ThemeNames(); themes != themes_) {
      themes_ = std::move(themes);
      normal_.clear();
      shown_.clear();
      greyed_.clear();
      resolved_ = false;
    }
    const quint64 key = SizeKey(deviceSize);
    if (const auto it = normal_.constFind(key); it != normal_.cend()) return *it;
    QPixmap drawn;
    TIconCache* kept = deviceSize.isEmpty() ? nullptr : KeptIcons(themes_);
    if (const QImage* image = kept ? kept->Find(name_, deviceSize) : nullptr) {
      drawn = QPixmap::fromImage(*image);
    } else {
      Resolve();
      drawn = icon_.pixmap(deviceSize / scale, scale, QIcon::Normal, QIcon::Off);
      if (drawn.isNull() && themed_ && !deviceSize.isEmpty()) {
        themed_ = false;
        icon_ = FallbackIcon(name_);
        drawn = icon_.pixmap(deviceSize / scale, scale, QIcon::Normal, QIcon::Off);
      }
      if (kept && !drawn.isNull()) kept->Add(name_, deviceSize, drawn.toImage());
    }
    return *normal_.insert(key, drawn);
  }
  // The normal picture as it shows on the application's bars (see
  // IconInk.h); made again when the palette changes.
  const QPixmap& Shown(const QSize& deviceSize, qreal scale) {
    const QPixmap& normal = Normal(deviceSize, scale);
    const QPalette palette = QGuiApplication::palette();
    const std::pair<QRgb, QRgb> colours{palette.color(QPalette::Window).rgb(),
                                        palette.color(QPalette::ButtonText).rgb()};
    if (colours != shownFor_) {
      shownFor_ = colours;
      shown_.clear();
      greyed_.clear();
    }
    const quint64 key = SizeKey(deviceSize);
    if (const auto it = shown_.constFind(key); it != shown_.cend()) return *it;
    QPixmap shown = normal;
    // Inked once: later starts take the picture as it was shown.
    if (!normal.isNull())
      shown = KeptOrMade(QStringLiteral("#shown") + ColoursKey(), deviceSize, [&normal, &colours] {
        return InkedFor(normal.toImage(), QColor(colours.first), QColor(colours.second));
      });
    return *shown_.insert(key, shown);
  }
  // `shown` greyed, as disabled buttons show it: made once for each size
  // and kept for later starts (the bar colours are part of the name).
  QPixmap Greyed(const QSize& deviceSize, const QPixmap& shown) {
    const quint64 key = SizeKey(deviceSize);
    if (const auto it = greyed_.constFind(key); it != greyed_.cend()) return *it;
    const QString what =
        QStringLiteral("#greyed") + ColoursKey() + u'/' +
        QString::number(QGuiApplication::palette().color(QPalette::Disabled, QPalette::Window).rgb(), 16);
    return *greyed_.insert(key, KeptOrMade(what, deviceSize, [&shown] {
      return InMode(shown, QIcon::Disabled).toImage();
    }));
  }
  // The picture kept under this icon's name and `what` for `deviceSize`, or
  // the one `make` draws, then kept for later starts.
  QPixmap KeptOrMade(const QString& what, const QSize& deviceSize, const std::function<QImage()>& make) {
    TIconCache* kept = KeptIcons(themes_);
    const QString keptName = name_ + what;
    if (const QImage* found = kept ? kept->Find(keptName, deviceSize) : nullptr) return QPixmap::fromImage(*found);
    const QImage made = make();
    if (kept && !made.isNull()) kept->Add(keptName, deviceSize, made);
    return QPixmap::fromImage(made);
  }
  QString ColoursKey() const {
    return u'/' + QString::number(shownFor_.first, 16) + u'/' + QString::number(shownFor_.second, 16);
  }
  void Resolve() {
    if (resolved_) return;
    resolved_ = true;
    UseFallbackIconTheme();
    WaitForIconTheme();
    themed_ = QIcon::hasThemeIcon(name_);
    icon_ = themed_ ? QIcon::fromTheme(name_) : FallbackIcon(name_);
  }
  QString name_;
  QIcon icon_;
  QHash<quint64, QPixmap> normal_;  // by device width and height
  QHash<quint64, QPixmap> shown_;   // the same, as shown on the bars
  QHash<quint64, QPixmap> greyed_;  // and as disabled buttons show them
  std::pair<QRgb, QRgb> shownFor_;  // bar and ink colours they were made for
  TThemeNames themes_;              // the themes they came from
  bool resolved_ = false;
  bool themed_ = false;
};

}  // namespace

void UseIconCache(const QString& fileName) {
  TKeptIcons& kept = Kept();
  kept.cache = fileName.isEmpty() ? nullptr : std::make_unique<TIconCache>(fileName);
  kept.loaded = false;
}

void SaveIconCache() {
  if (TKeptIcons& kept = Kept(); kept.cache && kept.loaded) kept.cache->Save();
}

QIcon ThemeIcon(const QString& name) {
  UseFallbackIconTheme();
  return QIcon(new TLazyThemeIconEngine(name));
}

namespace {

// The style's icon `which`, made when it is first drawn or measured.
class TLazyStandardIconEngine : public TDeferredIconEngine {
 public:
  TLazyStandardIconEngine(const QStyle* style, QStyle::StandardPixmap which, Qt::LayoutDirection direction)
      : style_(style), which_(which), direction_(direction) {}
  QIconEngine* clone() const override { return new TLazyStandardIconEngine(*this); }

 protected:
  const QIcon& For(const QSize&) override {
    if (!resolved_) {
      QStyleOption option;
      option.direction = direction_;
      icon_ = style_->standardIcon(which_, &option);
      resolved_ = true;
    }
    return icon_;
  }

 private:
  const QStyle* style_;
  QStyle::StandardPixmap which_;
  Qt::LayoutDirection direction_;
  QIcon icon_;
  bool resolved_ = false;
};

// Every tool bar makes an extension button when it is made, and the style
// read its icon's pictures anew for each one, although the button shows only
// where a bar is too short for its buttons: the bars share one icon, read
// when it is first drawn.
class TSharedExtensionIconStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  QIcon standardIcon(StandardPixmap which, const QStyleOption* option, const QWidget* widget) const override {
    if (which != SP_ToolBarHorizontalExtensionButton && which != SP_ToolBarVerticalExtensionButton)
      return QProxyStyle::standardIcon(which, option, widget);
    const Qt::LayoutDirection direction = option   ? option->direction
                                          : widget ? widget->layoutDirection()
                                                   : QGuiApplication::layoutDirection();
    QIcon& icon = icons_[{int(which), int(direction)}];
    if (icon.isNull()) icon = QIcon(new TLazyStandardIconEngine(baseStyle(), which, direction));
    return icon;
  }

 private:
  mutable QHash<QPair<int, int>, QIcon> icons_;
};

}  // namespace

QStyle* SharedExtensionIconStyle(QStyle* base) { return new TSharedExtensionIconStyle(base); }

void ShareToolBarExtensionIcons() {
  // The application's style goes under the new one, which owns it.
  QApplication::setStyle(SharedExtensionIconStyle(QApplication::style()));
}
