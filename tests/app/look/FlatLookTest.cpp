// Tests of the flat look (app/look/FlatLook.cpp).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmapCache>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionToolButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/look/FlatLook.h"
#include "tests/app/AppFixture.h"

using namespace FlatLook;

namespace {

QColor Rgb(int r, int g, int b) { return QColor(r, g, b); }
TColor T(int r, int g, int b) { return FromQColor(QColor(r, g, b)); }

TEST(FlatLookColours, LightenDarkenGreyAndTheSelectedText) {
  struct Case {
    const char* what;
    QColor got, want;
  } cases[] = {
      {"lighten 68", Lighten(Rgb(200, 100, 0), 68), Rgb(237, 205, 173)},
      {"halves to even", Lighten(Rgb(0, 0, 0), 30), Rgb(76, 76, 76)},
      {"halves to even, up", Lighten(Rgb(0, 0, 0), 50), Rgb(128, 128, 128)},
      {"percent capped at 100", Lighten(Rgb(10, 20, 30), 150), Rgb(255, 255, 255)},
      {"darken clamps at 0", Darken(Rgb(10, 100, 255), 60), Rgb(0, 40, 195)},
      {"grey", Grey(Rgb(30, 60, 90), 10), Rgb(70, 70, 70)},
      {"grey capped at 240", Grey(Rgb(250, 250, 250), 10), Rgb(240, 240, 240)},
      {"text on a dark fill", SelectedTextColor(Rgb(0, 0, 0), Rgb(150, 200, 150)), Rgb(230, 230, 230)},
      {"red+blue mean 151 is light", SelectedTextColor(Rgb(0, 0, 0), Rgb(152, 0, 150)), Rgb(0, 0, 0)},
      {"green 201 is light", SelectedTextColor(Rgb(0, 0, 0), Rgb(0, 201, 0)), Rgb(0, 0, 0)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got.name(), c.want.name()) << c.what;
}

QColor FixedSystemColours(TColor c) {
  if (c == clBtnFace) return Rgb(212, 208, 200);
  if (c == clBtnShadow) return Rgb(128, 128, 128);
  if (c == clHighlight) return Rgb(10, 36, 106);
  if (c == clMenuText) return Rgb(0, 0, 0);
  return ToQColor(c);
}

TEST(FlatLookColours, PaletteAtEachDepthWithAndWithoutSystemColours) {
  TColors own;
  own.Color = T(1, 2, 3);
  own.IconBackColor = T(4, 5, 6);
  own.MenuBarColor = T(7, 8, 9);
  own.SelectColor = T(0, 128, 255);
  own.SelectBorderColor = T(10, 11, 12);
  own.SelectFontColor = T(13, 14, 15);
  own.DisabledColor = T(16, 17, 18);
  own.SeparatorColor = T(19, 20, 21);
  own.CheckedColor = T(22, 23, 24);
  own.UseSystemColors = false;
  TColors system = own;
  system.UseSystemColors = true;
  const QColor white = Rgb(255, 255, 255), face = Rgb(212, 208, 200), shadow = Rgb(128, 128, 128),
               highlight = Rgb(10, 36, 106);
  // Menu, icon column, selection fill, border, text, check fill, selected
  // check fill, menu bar, disabled, check border, separator, frames.
  struct Case {
    const char* what;
    TColors colors;
    int bits;
    std::vector<QColor> want;
  } cases[] = {
      {"own colours, 16 bits",
       own,
       16,
       {Rgb(1, 2, 3), Rgb(4, 5, 6), Rgb(173, 214, 255), Rgb(10, 11, 12), Rgb(13, 14, 15), Rgb(204, 230, 255),
        Rgb(128, 192, 255), Rgb(7, 8, 9), Rgb(16, 17, 18), Rgb(22, 23, 24), Rgb(19, 20, 21), Rgb(122, 118, 110),
        Rgb(136, 132, 124)}},
      {"own colours, 15 bits",
       own,
       15,
       {Rgb(1, 2, 3), Rgb(4, 5, 6), Rgb(0, 128, 255), Rgb(10, 11, 12), Rgb(13, 14, 15), white, Rgb(192, 192, 192),
        Rgb(7, 8, 9), Rgb(16, 17, 18), Rgb(22, 23, 24), Rgb(19, 20, 21), shadow, shadow}},
      {"system colours, 32 bits",
       system,
       32,
       {Rgb(249, 248, 247), Rgb(219, 216, 209), Rgb(177, 185, 207), highlight, Rgb(0, 0, 0), Rgb(206, 211, 225),
        Rgb(132, 146, 180), face, Rgb(141, 141, 141), highlight, Rgb(160, 160, 160), Rgb(122, 118, 110),
        Rgb(136, 132, 124)}},
      {"system colours, 8 bits",
       system,
       8,
       {white, face, white, highlight, Rgb(0, 0, 0), white, white, face, shadow, highlight, shadow, shadow, shadow}},
  };
  for (const Case& c : cases) {
    const TPalette p = MakePalette(c.colors, c.bits, FixedSystemColours);
    const std::vector<QColor> got = {
        p.Menu,    p.IconColumn, p.SelectFill,  p.SelectBorder, p.SelectText, p.CheckFill, p.SelectedCheckFill,
        p.MenuBar, p.Disabled,   p.CheckBorder, p.Separator,    p.Frame1,     p.Frame2};
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].name(), c.want[i].name()) << c.what << ", colour " << i;
    EXPECT_EQ(p.HighColor, c.bits >= 16) << c.what;
  }
}

TEST(FlatLookMeasures, MenuItemSizes) {
  // Every character 7 pixels wide, text 13 high (a quarter of 13 is 9.75).
  const TTextMetrics text{[](const QString& s) { return 7 * static_cast<int>(s.size()); }, 13};
  struct Case {
    TMenuItemMeasure item;
    QSize want;
  } cases[] = {
      {{"-", "", {}, 24, false}, QSize(0, 4)},
      {{"Save", "", {}, 24, false}, QSize(7 * 7 + 5 + 24, 23)},
      {{"&Open", "Ctrl+O", {}, 24, false}, QSize(7 * 14 + 5 - 7 + 24, 23)},
      {{"Open", "", {16, 16}, 24, false}, QSize(7 * 7 + 5 + 24, 23)},
      {{"Open", "", {32, 32}, 24, false}, QSize(7 * 7 + 5 + 32, 38)},
      {{"Tile", "", {}, 24, true}, QSize(7 * 7 + 5 + 24 + 8, 23)},
  };
  for (const Case& c : cases) EXPECT_EQ(MeasureMenuItem(c.item, text), c.want) << c.item.Caption.toStdString();
  // 0.75 x 14 = 10.5 rounds to the even 10.
  EXPECT_EQ(MeasureMenuItem({"x", "", {}, 24, false}, {text.Width, 14}).height(), 24);
}

TEST(FlatLookMeasures, MarksSelectionAndGradient) {
  EXPECT_EQ(MarkBox(QRect(0, 0, 200, 22), 24, false), QRect(7, 6, 10, 10));
  EXPECT_EQ(MarkBox(QRect(0, 0, 200, 22), 24, true), QRect(183, 6, 10, 10));
  const std::array<QLine, 5> mark = CheckMarkLines(QRect(10, 20, 10, 10));
  const std::array<QLine, 5> want = {QLine(11, 25, 14, 28), QLine(12, 25, 14, 27), QLine(12, 24, 15, 27),
                                     QLine(14, 27, 22, 19), QLine(14, 28, 18, 23)};
  EXPECT_EQ(mark, want);
  EXPECT_EQ(SelectionRect(QRect(0, 0, 100, 20), false), QRect(0, 1, 100, 18));
  EXPECT_EQ(SelectionRect(QRect(0, 0, 100, 20), true), QRect(0, 1, 99, 18));

  // +1 after the edge column, +3 for the columns inside icon width + 5,
  // then +1, never above 96.
  const std::vector<int> ltr = GradientSteps(60, 24, false);
  EXPECT_EQ(std::vector<int>(ltr.begin(), ltr.begin() + 4), (std::vector<int>{0, 1, 4, 7}));
  EXPECT_EQ(ltr[29], 85);
  EXPECT_EQ(ltr[30], 86);
  EXPECT_EQ(ltr[40], 96);
  EXPECT_EQ(ltr[59], 96);
  const std::vector<int> rtl = GradientSteps(60, 24, true);
  EXPECT_EQ(rtl[19], 55);
  EXPECT_EQ(rtl[20], 56);
}

TEST(FlatLookMeasures, ControlFrameAndButtonColours) {
  TPalette p;
  p.SelectBorder = Rgb(0, 100, 200);
  p.IconColumn = Rgb(1, 2, 3);
  const QColor parent = Rgb(100, 100, 100), face = Rgb(200, 200, 200), shadow = Rgb(128, 128, 128);
  struct Case {
    const char* what;
    QColor got, want;
  } cases[] = {
      {"edit hot", EditFrameColor(p, parent, true, true), Rgb(153, 193, 233)},
      {"edit hot, no border", EditFrameColor(p, parent, true, false), Rgb(204, 224, 244)},
      {"edit cold", EditFrameColor(p, parent, false, true), Rgb(40, 40, 40)},
      {"edit cold, no border", EditFrameColor(p, parent, false, false), parent},
      {"button hot face", ButtonColors(p, face, shadow, true, false, false).Face, Rgb(233, 233, 233)},
      {"button pressed frame", ButtonColors(p, face, shadow, false, true, false).Frame, Rgb(153, 193, 233)},
      {"button face", ButtonColors(p, face, shadow, false, false, false).Face, p.IconColumn},
      {"button frame", ButtonColors(p, face, shadow, false, false, false).Frame, shadow},
      {"button focused frame", ButtonColors(p, face, shadow, false, false, true).Frame, Rgb(153, 193, 233)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got.name(), c.want.name()) << c.what;
}

QPixmap Filled(const QColor& c) {
  QPixmap pm(16, 16);
  pm.fill(c);
  return pm;
}

TEST(FlatLookImages, DimmedAndGreyedOnceThenFromTheCache) {
  QPixmapCache::clear();
  const QPixmap red = Filled(Rgb(255, 0, 0));
  const int before = ConvertedImages();
  const QPixmap dim = DimmedPixmap(red, 30);
  EXPECT_EQ(dim.toImage().pixelColor(5, 5).name(), Rgb(255, 76, 76).name());
  const QPixmap grey = DisabledPixmap(red, 10);  // grey 85 + 10, then dimmed by 40
  EXPECT_EQ(grey.toImage().pixelColor(5, 5).name(), Rgb(159, 159, 159).name());
  EXPECT_EQ(ConvertedImages(), before + 2);
  DimmedPixmap(red, 30);
  DisabledPixmap(red, 10);
  EXPECT_EQ(ConvertedImages(), before + 2);
  DimmedPixmap(red, 40);
  EXPECT_EQ(ConvertedImages(), before + 3);
}

// A window with the controls the look knows, and a dialog of its own.
class FlatLookWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window.setMenuBar(new QMenuBar(&window));
    file = window.menuBar()->addMenu(QStringLiteral("&File"));
    open = file->addAction(QIcon(Filled(Qt::blue)), QStringLiteral("&Open\tCtrl+O"));
    native = file->addAction(QStringLiteral("Native"));
    SetFlatLookSkip(native);
    file->addSeparator();
    sub = file->addMenu(QStringLiteral("Recent"));
    popup = new QMenu(&window);
    popup->addAction(QStringLiteral("Close"));
    toolbar = window.addToolBar(QStringLiteral("Tools"));
    toolbar->addAction(QIcon(Filled(Qt::red)), QStringLiteral("Bold"));
    auto* central = new QWidget(&window);
    auto* layout = new QVBoxLayout(central);
    edit = new QLineEdit(central);
    button = new QPushButton(QStringLiteral("OK"), central);
    skipped = new QPushButton(QStringLiteral("Native"), central);
    SetFlatLookSkip(skipped);
    check = new QCheckBox(QStringLiteral("Check"), central);
    combo = new QComboBox(central);
    own = new QPushButton(QStringLiteral("Own style"), central);
    ownStyle.reset(QStyleFactory::create(QStringLiteral("Fusion")));
    own->setStyle(ownStyle.get());
    for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(button), static_cast<QWidget*>(skipped),
                       static_cast<QWidget*>(check), static_cast<QWidget*>(combo), static_cast<QWidget*>(own)})
      layout->addWidget(w);
    window.setCentralWidget(central);
    dialog = new QDialog(&window);
    dialogButton = new QPushButton(QStringLiteral("Dialog"), dialog);
    look = MainFlatLook(&window);
  }
  bool Flat(QWidget* w) const { return w->style() == look; }
  QImage Paint(QMenu* menu) {
    menu->resize(menu->sizeHint());
    return menu->grab().toImage();
  }

  std::unique_ptr<QStyle> ownStyle;  // outlives the window
  QMainWindow window;
  QMenu *file, *sub, *popup;
  QAction *open, *native;
  QToolBar* toolbar;
  QLineEdit* edit;
  QPushButton *button, *skipped, *own, *dialogButton;
  QCheckBox* check;
  QComboBox* combo;
  QDialog* dialog;
  TFlatLook* look;
};

TEST_F(FlatLookWindow, SwitchedOnAndOffWithTheSkippedControlsNative) {
  look->SetActive(true);
  for (QWidget* w : {static_cast<QWidget*>(window.menuBar()), static_cast<QWidget*>(file), static_cast<QWidget*>(sub),
                     static_cast<QWidget*>(popup), static_cast<QWidget*>(toolbar), static_cast<QWidget*>(edit),
                     static_cast<QWidget*>(button), static_cast<QWidget*>(check), static_cast<QWidget*>(own)})
    EXPECT_TRUE(Flat(w)) << w->metaObject()->className();
  // Tagged 999, combo boxes left out of the main window's set, and the
  // controls of another form.
  for (QWidget* w : {static_cast<QWidget*>(skipped), static_cast<QWidget*>(combo), static_cast<QWidget*>(dialogButton)})
    EXPECT_FALSE(Flat(w)) << w->metaObject()->className();

  look->SetActive(false);
  EXPECT_TRUE(look->Touched().isEmpty());
  EXPECT_EQ(button->style(), QApplication::style());
  EXPECT_EQ(file->style(), QApplication::style());
  EXPECT_EQ(own->style(), ownStyle.get());  // the style it had before
}

TEST_F(FlatLookWindow, ChangedSetsRewalkWhileActive) {
  look->SetActive(true);
  look->SetFlatLookControls((look->FlatLookControls() & ~FlatBit(xcEdit)) | FlatBit(xcCombo));
  EXPECT_FALSE(Flat(edit));
  EXPECT_TRUE(Flat(combo));
  EXPECT_TRUE(Flat(button));
  look->SetFlatLookContainers(AllFlatLookContainers & ~FlatBit(xccPanel));  // the central widget
  EXPECT_FALSE(Flat(button));
  EXPECT_TRUE(Flat(file));
}

TEST_F(FlatLookWindow, MainMenuTaggedToBeSkippedKeepsItsMenusNative) {
  SetFlatLookSkip(window.menuBar());
  look->SetActive(true);
  EXPECT_FALSE(Flat(window.menuBar()));
  EXPECT_FALSE(Flat(file));
  EXPECT_FALSE(Flat(sub));
  EXPECT_TRUE(Flat(popup));  // a popup menu has no such exception
}

TEST_F(FlatLookWindow, PaintedMenuColoursAndSkippedItem) {
  look->Gradient = false;
  look->SetActive(true);
  const TPalette pal = look->Palette();
  const QImage image = Paint(file);
  const int openMiddle = file->actionGeometry(open).center().y();
  const int nativeMiddle = file->actionGeometry(native).center().y();
  const int right = image.width() - 3;
  EXPECT_EQ(image.pixelColor(0, openMiddle).name(), pal.Frame1.name());
  EXPECT_EQ(image.pixelColor(2, 2).name(), pal.IconColumn.name());
  EXPECT_EQ(image.pixelColor(right, openMiddle).name(), pal.Menu.name());
  EXPECT_NE(image.pixelColor(2, nativeMiddle).name(), pal.IconColumn.name());
  const int separator = file->actionGeometry(file->actions()[2]).center().y();
  EXPECT_EQ(image.pixelColor(1 + look->IconWidth + SeparatorIndent + 2, separator).name(), pal.Separator.name());

  // The selected item: filled, framed, its image lifted (it is not dimmed).
  file->setActiveAction(open);
  const QImage selected = Paint(file);
  EXPECT_EQ(selected.pixelColor(right, openMiddle).name(), pal.SelectFill.name());
  EXPECT_EQ(selected.pixelColor(1, openMiddle).name(), pal.SelectBorder.name());
  EXPECT_EQ(image.pixelColor(1 + look->IconWidth / 2, openMiddle).name(), Lighten(Rgb(0, 0, 255), 30).name());
  EXPECT_EQ(selected.pixelColor(1 + look->IconWidth / 2, openMiddle).name(), Rgb(0, 0, 255).name());
  file->setActiveAction(nullptr);

  // The gradient: the icon-column colour lightened 0, 1, 4, ... from the
  // left edge of the item.
  look->Gradient = true;
  const QImage gradient = Paint(file);
  EXPECT_EQ(gradient.pixelColor(1, 2).name(), pal.IconColumn.name());
  EXPECT_EQ(gradient.pixelColor(3, 2).name(), Lighten(pal.IconColumn, 4).name());
}

TEST_F(FlatLookWindow, PaintedButtonFaceAndFrame) {
  look->SetActive(true);
  const TPalette pal = look->Palette();
  const QImage image = button->grab().toImage();
  const int x = image.width() / 2;
  EXPECT_EQ(image.pixelColor(x, 5).name(), pal.IconColumn.name());
  EXPECT_EQ(image.pixelColor(x, 0).name(), ToQColor(clBtnShadow).name());
  EXPECT_EQ(image.pixelColor(x, image.height() - 1).name(), Darken(ToQColor(clBtnFace), 50).name());
}

// A 24 by 24 tool button with a 16 by 16 image painted in `state`.
QImage PaintToolButton(TFlatLook& look, const QIcon& icon, QStyle::State state) {
  QStyleOptionToolButton option;
  option.rect = QRect(0, 0, 24, 24);
  option.state = state | QStyle::State_AutoRaise;
  option.icon = icon;
  option.iconSize = QSize(16, 16);
  option.toolButtonStyle = Qt::ToolButtonIconOnly;
  option.subControls = QStyle::SC_ToolButton;
  QImage image(24, 24, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  look.drawComplexControl(QStyle::CC_ToolButton, &option, &p, nullptr);
  return image;
}

TEST_F(FlatLookWindow, PaintedToolButtonTakesTheImageOfItsState) {
  const TPalette pal = look->Palette();
  QIcon plain(Filled(Rgb(255, 0, 0)));
  QIcon states = plain;
  states.addPixmap(Filled(Rgb(0, 255, 0)), QIcon::Active);
  states.addPixmap(Filled(Rgb(0, 255, 255)), QIcon::Disabled);
  const QStyle::State hot = QStyle::State_Enabled | QStyle::State_MouseOver;
  struct Case {
    const char* what;
    QIcon icon;
    QStyle::State state;
    QPoint at;
    QColor want;
  } cases[] = {
      {"hot frame", plain, hot, {0, 0}, pal.SelectBorder},
      {"hot fill", plain, hot, {1, 1}, pal.SelectFill},
      {"hot image, lifted", plain, hot, {3, 3}, Rgb(255, 0, 0)},
      {"its shadow", plain, hot, {19, 19}, Darken(pal.SelectFill, 50)},
      {"hot image of its own", states, hot, {10, 10}, Rgb(0, 255, 0)},
      {"dimmed when cold", plain, QStyle::State_Enabled, {4, 4}, Rgb(255, 76, 76)},
      {"greyed when disabled", plain, QStyle::State_None, {10, 10}, Rgb(159, 159, 159)},
      {"disabled image of its own, greyed", states, QStyle::State_None, {10, 10}, Rgb(210, 210, 210)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PaintToolButton(*look, c.icon, c.state).pixelColor(c.at).name(), c.want.name()) << c.what;
}

TEST_F(FlatLookWindow, SecondPaintConvertsNoImage) {
  look->SetActive(true);
  QPixmapCache::clear();
  Paint(file);
  const int first = ConvertedImages();
  Paint(file);
  EXPECT_EQ(ConvertedImages(), first);
}

class FlatLookStartUp : public AppFixture {};

TEST_F(FlatLookStartUp, MainWindowTakesTheLookFromTheSettingAndTheOptionsSwitch) {
  for (const bool on : {false, true}) {
    main.reset();
    Ini().WriteBool(QStringLiteral("XPLook"), QStringLiteral("Enabled?"), on);
    QMenuBar* bar = Main().menuBar();
    EXPECT_EQ(qobject_cast<TFlatLook*>(bar->style()) != nullptr, on) << on;
  }
  ApplyFlatLook(&Main(), false);
  EXPECT_EQ(Main().menuBar()->style(), QApplication::style());
}

}  // namespace
