// The flat owner-drawn look: a style that, while active, draws the menus,
// tool bars and standard controls of the window that owns it flat (icon
// column, tinted selection bar with a border, dimmed and greyed images,
// one-pixel frames). A menu, menu item or standard control whose "Tag"
// property is 999 keeps its native look.
#pragma once

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QProxyStyle>
#include <QSet>

#include "app/look/FlatLookMetrics.h"

class QAction;

enum TFlatLookContainer {
  xccForm,
  xccFrame,
  xccToolbar,
  xccCoolbar,
  xccControlbar,
  xccPanel,
  xccScrollBox,
  xccGroupBox,
  xccTabSheet,
  xccPageScroller
};
enum TFlatLookControl {
  xcMainMenu,
  xcPopupMenu,
  xcToolbar,
  xcControlbar,
  xcCombo,
  xcEdit,
  xcMaskEdit,
  xcMemo,
  xcRichEdit,
  xcCheckBox,
  xcRadioButton,
  xcButton,
  xcBitBtn,
  xcSpeedButton,
  xcPanel,
  xcGroupBox
};
// Sets of the above, one bit per member.
inline constexpr unsigned AllFlatLookContainers = 1023;
inline constexpr unsigned AllFlatLookControls = 65535;
constexpr unsigned FlatBit(int member) { return 1u << member; }

// The property that keeps a widget or menu item out of the flat look.
inline constexpr char FlatLookTagProperty[] = "Tag";
inline constexpr int FlatLookSkipTag = 999;
bool FlatLookSkipped(const QObject* object);
void SetFlatLookSkip(QObject* object);

class TFlatLook : public QProxyStyle {
  Q_OBJECT
 public:
  // A look for the widgets of `owner`, inactive until switched on.
  explicit TFlatLook(QWidget* owner);
  ~TFlatLook() override;

  int DimLevel = 30;
  int GrayLevel = 10;
  FlatLook::TColors Colors;  // with UseSystemColors
  int IconWidth = 24;
  bool DrawSelect = true;
  bool OverrideOwnerDraw = false;  // kept for the stored form; native items have no handlers of their own
  bool Gradient = false;
  bool FlatMenu = false;
  bool AutoDetect = false;  // kept for the stored form; the walk runs at each switch-on

  QFont Font() const { return font_; }
  void SetFont(const QFont& font);
  void SetMenuBarColor(TColor color);
  void SetUseSystemColors(bool on);

  unsigned FlatLookContainers() const { return containers_; }
  unsigned FlatLookControls() const { return controls_; }
  void SetFlatLookContainers(unsigned set);
  void SetFlatLookControls(unsigned set);

  bool Active() const { return active_; }
  // Switches the look on or off for the owner's widgets at once.
  void SetActive(bool on);

  // Colour depth of the display (a test may pretend another).
  void SetBitsPerPixel(int bits) { bitsPerPixel_ = bits; }
  int BitsPerPixel() const;
  FlatLook::TPalette Palette() const;
  // The font menus are drawn with: the system menu font under the system
  // colours, else `Font()`.
  QFont MenuFont() const;

  // The control kind that decides whether `widget` is drawn flat, -1 for
  // none; and the container kind whose children are walked, -1 for none.
  static int ControlKind(const QWidget* widget, bool mainMenu);
  static int ContainerKind(const QWidget* widget);
  // The widgets the look was put on (alive ones only).
  QList<QWidget*> Touched() const;

  // ---- QStyle
  void polish(QWidget* widget) override;
  void unpolish(QWidget* widget) override;
  using QProxyStyle::polish;
  using QProxyStyle::unpolish;
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override;

 private:
  void ChangeSet(unsigned& member, unsigned set);
  void SwitchOn();
  void SwitchOff(bool repaint);
  struct TMenus {
    QSet<const QWidget*> Main, Skipped;
  };
  void Walk(QWidget* widget, const TMenus& menus);
  void Put(QWidget* widget);
  void Redraw();
  bool ActionSkipped(const QStyleOption* option, const QWidget* widget) const;
  void DrawMenuItem(const class QStyleOptionMenuItem* item, QPainter* p, const QWidget* widget) const;
  void DrawMenuBarItem(const class QStyleOptionMenuItem* item, QPainter* p, const QWidget* widget) const;
  void DrawImage(QPainter* p, const QRect& box, const QIcon& icon, const QSize& size, bool enabled, bool selected,
                 bool checked, const FlatLook::TPalette& pal, QIcon::Mode source = QIcon::Normal) const;
  void DrawToolButton(const class QStyleOptionToolButton* button, QPainter* p, const QWidget* widget) const;

  QPointer<QWidget> owner_;
  QFont font_;
  unsigned containers_ = AllFlatLookContainers;
  unsigned controls_ = AllFlatLookControls;
  bool active_ = false;
  int bitsPerPixel_ = 0;
  // Each widget given the look, with the style it had set before (null
  // for the application's).
  QHash<QWidget*, QPair<QPointer<QWidget>, QPointer<QStyle>>> touched_;
};

// The main window's look (`FlatLook1`): gradient menus, everything but
// combo boxes; made on first use.
TFlatLook* MainFlatLook(QWidget* mainWindow);
// Switches the main window's flat look on or off at once (the options
// screen's "XPLook" check box); start-up takes it from XPLook / Enabled?.
void ApplyFlatLook(QWidget* mainWindow, bool on);
// XPLook / Enabled? of settings.ini (off when missing).
bool FlatLookSetting();
