#include "app/Icons.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

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
      bool inked = false;
      for (int y = 0; y < image.height() && !inked; ++y)
        for (int x = 0; x < image.width() && !inked; ++x) inked = qAlpha(image.pixel(x, y)) > 0;
      EXPECT_TRUE(inked) << name << " mode " << mode;
    }
    EXPECT_FALSE(icon.availableSizes().isEmpty()) << name;
  }
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
