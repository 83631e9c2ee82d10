// Tests of the icons (app/look/Icons.cpp).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <memory>

#include "app/look/IconInk.h"
#include "app/look/Icons.h"
#include "tests/app/AppFixture.h"

// Icons are looked up when first drawn; every name draws something, from the
// theme or from our own drawings, in every mode.
TEST(Icons, EveryNameDraws) {
  for (const char* name : {"document-new", "edit-copy", "no-such-icon-anywhere", "document-import"}) {
    const QIcon icon = ThemeIcon(QLatin1String(name));
    EXPECT_FALSE(icon.isNull()) << name;
    EXPECT_EQ(icon.name(), QLatin1String(name));
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
      const QImage image = icon.pixmap(22, mode).toImage();
      ASSERT_FALSE(image.isNull()) << name;
      EXPECT_EQ(image.size(), QSize(22, 22)) << name;
      bool inked = false;
      for (int y = 0; y < image.height() && !inked; ++y)
        for (int x = 0; x < image.width() && !inked; ++x) inked = qAlpha(image.pixel(x, y)) > 0;
      EXPECT_TRUE(inked) << name << " mode " << mode;
    }
    EXPECT_FALSE(icon.availableSizes().isEmpty()) << name;
  }
  // Our drawings come in any size asked for, sharp.
  for (int size : {16, 48})
    EXPECT_EQ(FallbackIcon(QStringLiteral("window-cascade")).pixmap(size).size(), QSize(size, size)) << size;
}

// Where the desktop names no theme, GNOME's theme serves: its pictures, not
// our drawings, for the names it has; also when its index was read ahead on
// a thread of its own.
TEST(Icons, ThemePicturesWhereTheThemeHasThem) {
  if (!QFile::exists(QStringLiteral("/usr/share/icons/Adwaita/24x24/legacy/document-new.png")))
    GTEST_SKIP() << "the Adwaita icon theme is not installed";
  ReadIconThemeAhead();
  const QImage theme = ThemeIcon(QStringLiteral("document-new")).pixmap(24).toImage();
  const QImage ours = FallbackIcon(QStringLiteral("document-new")).pixmap(24).toImage();
  EXPECT_NE(theme.convertToFormat(QImage::Format_ARGB32), ours.convertToFormat(QImage::Format_ARGB32));
}

namespace {
QImage Painted(const QIcon& icon, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  icon.paint(&painter, QRect(0, 0, size, size));
  return image;
}
}  // namespace

// A theme entry that cannot be read gives our drawing, in whatever size it is
// first asked for or painted in.
TEST(Icons, UnreadableThemeEntryGivesOurDrawing) {
  QTemporaryDir dir;
  const QString theme = dir.path() + QStringLiteral("/kvbroken");
  ASSERT_TRUE(QDir().mkpath(theme + QStringLiteral("/24x24/actions")));
  QFile index(theme + QStringLiteral("/index.theme"));
  ASSERT_TRUE(index.open(QIODevice::WriteOnly));
  index.write("[Icon Theme]\nName=kvbroken\nDirectories=24x24/actions\n\n[24x24/actions]\nSize=24\nType=Fixed\n");
  index.close();
  QFile entry(theme + QStringLiteral("/24x24/actions/document-import.png"));
  ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
  entry.write("not a picture");
  entry.close();
  ReadIconThemeAhead();
  WaitForIconTheme();
  const QStringList paths = QIcon::themeSearchPaths();
  const QString name = QIcon::themeName();
  QIcon::setThemeSearchPaths(QStringList{dir.path()} + paths);
  QIcon::setThemeName(QStringLiteral("kvbroken"));
  ASSERT_TRUE(QIcon::hasThemeIcon(QStringLiteral("document-import")));
  for (int size : {16, 24, 32}) {
    const QImage ours = FallbackIcon(QStringLiteral("document-import")).pixmap(size).toImage();
    const QIcon asked = ThemeIcon(QStringLiteral("document-import"));
    EXPECT_EQ(asked.pixmap(size).toImage(), ours) << size;
    EXPECT_EQ(Painted(ThemeIcon(QStringLiteral("document-import")), size),
              Painted(FallbackIcon(QStringLiteral("document-import")), size))
        << size;
  }
  QIcon::setThemeName(name);
  QIcon::setThemeSearchPaths(paths);
}

// All tool bars get one extension-button icon per direction, which draws
// what the style's own would.
TEST(Icons, ToolBarsShareTheStylesExtensionIcon) {
  const std::unique_ptr<QStyle> style(SharedExtensionIconStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
  const std::unique_ptr<QStyle> plain(QStyleFactory::create(QStringLiteral("Fusion")));
  for (QStyle::StandardPixmap which :
       {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
    for (Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
      QStyleOption option;
      option.direction = direction;
      const QIcon first = style->standardIcon(which, &option);
      EXPECT_EQ(style->standardIcon(which, &option).cacheKey(), first.cacheKey());
      ASSERT_FALSE(first.isNull());
      EXPECT_EQ(first.pixmap(16).toImage(), plain->standardIcon(which, &option).pixmap(16).toImage()) << which;
    }
    QStyleOption ltr, rtl;
    rtl.direction = Qt::RightToLeft;
    EXPECT_NE(style->standardIcon(which, &ltr).cacheKey(), style->standardIcon(which, &rtl).cacheKey());
  }
  // Other icons come from the style as they are.
  EXPECT_EQ(style->standardIcon(QStyle::SP_DialogOkButton).pixmap(16).toImage(),
            plain->standardIcon(QStyle::SP_DialogOkButton).pixmap(16).toImage());
}

namespace {
bool Inked(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) > 0) return true;
  return false;
}
}  // namespace

// The insert commands that themes lack have pictures of their own, in the
// sizes tool bars and menus ask for; names without one keep our drawing.
TEST(Icons, InsertCommandsHavePicturesOfTheirOwn) {
  const QImage page = FallbackIcon(QStringLiteral("no-such-icon-anywhere")).pixmap(22).toImage();
  QList<QImage> seen;
  for (const char* name : {"insert-table", "format-list-unordered", "format-list-ordered", "insert-horizontal-rule",
                           "checkbox", "radio", "insert-button", "view-hidden", "color-picker", "format-text-rich"}) {
    for (int size : {16, 22, 32}) {
      const QImage image = FallbackIcon(QLatin1String(name)).pixmap(size).toImage();
      EXPECT_EQ(image.size(), QSize(size, size)) << name;
      EXPECT_TRUE(Inked(image)) << name;
    }
    const QImage image = ThemeIcon(QLatin1String(name)).pixmap(22).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_NE(image, page.convertToFormat(QImage::Format_ARGB32)) << name << " is the blank page";
    EXPECT_FALSE(seen.contains(image)) << name;
    seen << image;
  }
}

class InsertToolBars : public AppFixture {};

// A screenshot of each insert tool bar: no two of its buttons show one
// picture (a blank page on most of them was the fault). The bars are left
// as pictures where KV_ARTEFACT_DIR names a folder.
TEST_F(InsertToolBars, NoTwoButtonsOfABarShareOnePicture) {
  ReadIconThemeAhead();
  WaitForIconTheme();
  Main().resize(1000, 700);
  Main().ToolButton33Click();  // a document: the commands are enabled
  QTabWidget* pages = Main().PageControl1;
  ASSERT_EQ(pages->count(), 3);
  for (int i = 0; i < pages->count(); ++i) {
    pages->setCurrentIndex(i);
    auto* bar = qobject_cast<QToolBar*>(pages->widget(i));
    ASSERT_NE(bar, nullptr);
    QCoreApplication::processEvents();
    QList<QToolButton*> buttons;
    for (QToolButton* b : bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
      if (b->isVisible() && b->objectName() != u"qt_toolbar_ext_button") buttons << b;
    ASSERT_GE(buttons.size(), i == 0 ? 10 : 8) << "page " << i;
    QList<QImage> shots;
    for (QToolButton* b : buttons) {
      EXPECT_TRUE(b->isEnabled()) << b->defaultAction()->objectName().toStdString();
      shots << b->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    }
    for (qsizetype a = 0; a < shots.size(); ++a)
      for (qsizetype b = a + 1; b < shots.size(); ++b)
        EXPECT_NE(shots[a], shots[b]) << "page " << i << ": " << buttons[a]->icon().name().toStdString() << " and "
                                      << buttons[b]->icon().name().toStdString() << " look alike";
    const QString artefacts = qEnvironmentVariable("KV_ARTEFACT_DIR");
    if (!artefacts.isEmpty() && QDir().mkpath(artefacts))
      bar->grab().save(artefacts + QStringLiteral("/insert-bar-%1.png").arg(i));
  }
}

// Under a dark colour scheme every insert button's picture stands out from
// its bar: the themes' dark grey pictures and our line drawings would not.
TEST_F(InsertToolBars, PicturesStandOutFromADarkBar) {
  TDarkDesktopTheme theme;
  ReadIconThemeAhead();
  WaitForIconTheme();
  Main().resize(1000, 700);
  Main().ToolButton33Click();
  QTabWidget* pages = Main().PageControl1;
  for (int i = 0; i < pages->count(); ++i) {
    pages->setCurrentIndex(i);
    auto* bar = qobject_cast<QToolBar*>(pages->widget(i));
    ASSERT_NE(bar, nullptr);
    QCoreApplication::processEvents();
    for (QToolButton* b : bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly)) {
      if (!b->isVisible() || b->objectName() == u"qt_toolbar_ext_button") continue;
      const QImage shot = b->grab().toImage();
      const QColor background = shot.pixelColor(1, 1);
      // Pixels that stand out as text must (a contrast ratio of 4.5).
      int standing = 0;
      for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) standing += ContrastRatio(shot.pixelColor(x, y), background) >= 4.5;
      EXPECT_GE(standing, 20) << "page " << i << ": " << b->icon().name().toStdString();
    }
  }
}

TEST(IconInk, OnlyWhatVanishesChanges) {
  const QColor dark(0x22, 0x20, 0x20), light(0xef, 0xef, 0xef), white(Qt::white);
  QImage mixed(3, 1, QImage::Format_ARGB32);  // a red pixel, a white one, a half-opaque dark grey one
  mixed.setPixel(0, 0, qRgb(0xe0, 0x1b, 0x24));
  mixed.setPixel(1, 0, qRgb(0xfa, 0xfa, 0xfa));
  mixed.setPixel(2, 0, qRgba(0x3d, 0x3d, 0x3d, 128));
  EXPECT_EQ(InkedFor(mixed, light, Qt::black), mixed);  // a light bar: as drawn
  QImage paper(2, 1, QImage::Format_ARGB32);  // all in greys, light on the whole
  paper.setPixel(0, 0, qRgb(0xfa, 0xfa, 0xfa));
  paper.setPixel(1, 0, qRgb(0x3d, 0x3d, 0x3d));
  EXPECT_EQ(InkedFor(paper, light, Qt::black), paper);
  EXPECT_EQ(InkedFor(mixed, dark, QColor(0x30, 0x30, 0x30)), mixed);  // an ink that would vanish too
  const QImage inked = InkedFor(mixed, dark, white);
  EXPECT_EQ(inked.pixel(0, 0), mixed.pixel(0, 0));
  EXPECT_EQ(inked.pixel(1, 0), mixed.pixel(1, 0));
  EXPECT_EQ(inked.pixel(2, 0), qRgba(255, 255, 255, 128));
  // A dark line inside a light part (text on a page) stays dark.
  QImage page(3, 3, QImage::Format_ARGB32);
  page.fill(qRgb(0xfa, 0xfa, 0xfa));
  page.setPixel(1, 1, qRgb(0x3d, 0x3d, 0x3d));
  page.setPixel(0, 1, qRgb(0xe0, 0x1b, 0x24));  // coloured: no mask of greys
  EXPECT_EQ(InkedFor(page, dark, white), page);
  // All in greys and dark on the whole: its darkest grey in ink, a light
  // detail nearer the bar's colour, apart from the lines.
  QImage grey(2, 1, QImage::Format_ARGB32);
  grey.setPixel(0, 0, qRgb(0x2e, 0x34, 0x36));
  grey.setPixel(1, 0, qRgba(0xc0, 0xc0, 0xc0, 40));
  const QImage mask = InkedFor(grey, dark, white);
  EXPECT_EQ(mask.pixel(0, 0), white.rgb());
  EXPECT_EQ(qAlpha(mask.pixel(1, 0)), 40);
  EXPECT_LT(qGreen(mask.pixel(1, 0)), 160);
  EXPECT_GT(qGreen(mask.pixel(1, 0)), dark.green());
}
