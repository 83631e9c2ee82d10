// Tests of the main window's insert bar and document tab strip at larger
// application fonts (app/shell/Frame.cpp, app/shell/MDITab.cpp).
#include <QApplication>
#include <QHash>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/shell/MDITab.h"
#include "platform/ScopeExit.h"
#include "tests/app/AppFixture.h"

namespace {

class FrameBars : public AppFixture {
 protected:
  // A new font reaches the layouts through a chain of posted requests.
  static void Settle() {
    for (int i = 0; i < 4; ++i) {
      QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
      QCoreApplication::processEvents();
    }
  }
  // The size of what is drawn on a tool button: the box of the pixels that
  // differ from its corner.
  static QSize Drawn(QToolButton* b) {
    const QImage image = b->grab().toImage();
    const QRgb ground = image.pixel(0, 0);
    QRect box;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) != ground) box |= QRect(x, y, 1, 1);
    return box.size();
  }
  // The pictures drawn on the insert bar's buttons, by page and place;
  // every button must have the room it asks for.
  QHash<QString, QSize> InsertBarPictures() {
    QHash<QString, QSize> drawn;
    for (int page = 0; page < main->PageControl1->count(); ++page) {
      main->PageControl1->setCurrentIndex(page);
      QCoreApplication::processEvents();
      auto* bar = qobject_cast<QToolBar*>(main->PageControl1->widget(page));
      EXPECT_GE(bar->height(), bar->sizeHint().height()) << page;
      const QList<QAction*> actions = bar->actions();
      for (int i = 0; i < actions.size(); ++i) {
        auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(actions[i]));
        if (!b || !b->isVisible()) continue;
        const QString where = QStringLiteral("%1/%2 %3").arg(page).arg(i).arg(actions[i]->objectName());
        EXPECT_GE(b->height(), b->sizeHint().height()) << where.toStdString();
        drawn.insert(where, Drawn(b));
      }
    }
    main->PageControl1->setCurrentIndex(0);
    return drawn;
  }
  // Every tab lies wholly inside the strip and holds a line of the font and
  // its picture.
  void ExpectWholeTabs() {
    TMDITab* strip = main->MDITab1;
    const int line = strip->fontMetrics().height();
    ASSERT_GT(strip->count(), 0);
    for (int i = 0; i < strip->count(); ++i) {
      const QRect tab = strip->tabRect(i);
      EXPECT_TRUE(strip->rect().contains(tab)) << i << ": " << tab.height() << " in " << strip->height();
      EXPECT_GE(tab.height(), std::max(line, strip->iconSize().height()) + 2) << i;
    }
  }
};

}  // namespace

// At the usual desktop font the strip is 22 pixels tall. At 20 points the
// insert bar's pictures keep their size, every button has its room, and
// the tabs with their names grow with the font instead of being cut off;
// back at the usual font all is as before.
TEST_F(FrameBars, GrowWithTheApplicationFont) {
  const QFont original = QApplication::font();
  ScopeExit restore([&original] { QApplication::setFont(original); });
  QFont usual = original;
  usual.setPointSize(9);
  QApplication::setFont(usual);
  ASSERT_LE(QFontMetrics(usual).height(), 16) << "a font for a 22-pixel strip";
  Main().OpenDocument(false, true, MakeFile(QStringLiteral("gypsy \u00e9t\u00e9 \U0001F600.html")));
  Main().OpenDocument(false, true, MakeFile(QStringLiteral("quay.php")));
  main->resize(1000, 700);
  Settle();
  EXPECT_EQ(main->MDITab1->height(), 22);
  EXPECT_GE(main->PageControl1->height(), 60);
  ExpectWholeTabs();
  const QHash<QString, QSize> pictures = InsertBarPictures();
  ASSERT_GE(pictures.size(), 20);
  for (auto it = pictures.begin(); it != pictures.end(); ++it)
    EXPECT_GE(std::max(it->width(), it->height()), 16) << it.key().toStdString();

  QFont large = usual;
  large.setPointSize(20);
  QApplication::setFont(large);
  Settle();
  const int line = QFontMetrics(large).height();
  EXPECT_GE(main->MDITab1->height(), line + 2);
  ExpectWholeTabs();
  EXPECT_EQ(InsertBarPictures(), pictures);

  QApplication::setFont(usual);
  Settle();
  EXPECT_EQ(main->MDITab1->height(), 22);
  ExpectWholeTabs();
  EXPECT_EQ(InsertBarPictures(), pictures);
}
