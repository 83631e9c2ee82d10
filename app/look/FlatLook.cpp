#include "app/look/FlatLook.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSet>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyleOption>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include "app/core/Settings.h"

using namespace FlatLook;

bool FlatLookSkipped(const QObject* object) {
  return object && object->property(FlatLookTagProperty).toInt() == FlatLookSkipTag;
}

void SetFlatLookSkip(QObject* object) { object->setProperty(FlatLookTagProperty, FlatLookSkipTag); }

namespace {

// The menus reached from a menu bar's actions, submenus included.
void CollectMenus(const QList<QAction*>& actions, QSet<const QWidget*>& into) {
  for (QAction* a : actions) {
    QMenu* m = a->menu();
    if (!m || into.contains(m)) continue;
    into.insert(m);
    CollectMenus(m->actions(), into);
  }
}

// A frame of one pixel inside `r`.
void Frame(QPainter* p, const QRect& r, const QColor& c) {
  p->save();
  p->setPen(c);
  p->setBrush(Qt::NoBrush);
  p->drawRect(r.adjusted(0, 0, -1, -1));
  p->restore();
}

// The small arrow of lines 5, 3 and 1 pixels long centred in `r`, pointing
// down, or right (left for right-to-left) for a submenu.
void Arrow(QPainter* p, const QRect& r, const QColor& c, Qt::ArrowType type) {
  p->save();
  p->setPen(c);
  const QPoint centre = r.center();
  const int n = static_cast<int>(DropDownArrowLines.size());
  for (int i = 0; i < n; ++i) {
    const int half = DropDownArrowLines[i] / 2;
    if (type == Qt::DownArrow) {
      const int y = centre.y() - 1 + i;
      p->drawLine(centre.x() - half, y, centre.x() + half, y);
    } else {
      const int x = type == Qt::RightArrow ? centre.x() - 1 + i : centre.x() + 1 - i;
      p->drawLine(x, centre.y() - half, x, centre.y() + half);
    }
  }
  p->restore();
}

int MnemonicFlag(const QStyle* style, const QStyleOption* option, const QWidget* widget) {
  return style->styleHint(QStyle::SH_UnderlineShortcut, option, widget) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
}

bool IsMemoOrRichEdit(const QWidget* w) {
  return qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w);
}

bool IsPanel(const QWidget* w) {
  const auto* f = qobject_cast<const QFrame*>(w);
  return f && f->metaObject() == &QFrame::staticMetaObject && f->frameShape() != QFrame::NoFrame;
}

bool PartOfAnotherControl(const QWidget* w) {
  const QWidget* parent = w->parentWidget();
  return qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractSpinBox*>(parent);
}

QColor ParentColor(const QWidget* w) {
  const QWidget* parent = w && w->parentWidget() ? w->parentWidget() : w;
  return parent ? parent->palette().color(QPalette::Window) : QColor(Qt::lightGray);
}

}  // namespace

// ------------------------------------------------------------ the component

TFlatLook::TFlatLook(QWidget* owner) : owner_(owner), font_(QApplication::font("QMenu")) { setParent(owner); }

TFlatLook::~TFlatLook() { SwitchOff(false); }

void TFlatLook::SetFont(const QFont& font) {
  font_ = font;
  Redraw();
}

void TFlatLook::SetMenuBarColor(TColor color) {
  Colors.MenuBarColor = color;
  Redraw();
}

void TFlatLook::SetUseSystemColors(bool on) {
  Colors.UseSystemColors = on;
  Redraw();
}

void TFlatLook::SetFlatLookContainers(unsigned set) { ChangeSet(containers_, set); }

void TFlatLook::SetFlatLookControls(unsigned set) { ChangeSet(controls_, set); }

void TFlatLook::ChangeSet(unsigned& member, unsigned set) {
  if (set == member) return;
  // While active the look comes off with the old set and on with the new.
  if (active_) SwitchOff(true);
  member = set;
  if (active_) SwitchOn();
}

void TFlatLook::SetActive(bool on) {
  if (on == active_) return;
  active_ = on;
  if (on)
    SwitchOn();
  else
    SwitchOff(true);
}

int TFlatLook::BitsPerPixel() const {
  if (bitsPerPixel_ > 0) return bitsPerPixel_;
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->depth() : 32;
}

TPalette TFlatLook::Palette() const { return MakePalette(Colors, BitsPerPixel()); }

QFont TFlatLook::MenuFont() const { return Colors.UseSystemColors ? QApplication::font("QMenu") : font_; }

QList<QWidget*> TFlatLook::Touched() const {
  QList<QWidget*> result;
  for (const auto& entry : touched_)
    if (entry.first) result << entry.first.data();
  return result;
}

void TFlatLook::Redraw() {
  if (!active_) return;
  for (const auto& entry : touched_)
    if (entry.first) entry.first->update();
}

int TFlatLook::ControlKind(const QWidget* w, bool mainMenu) {
  if (qobject_cast<const QMenuBar*>(w)) return xcMainMenu;
  if (qobject_cast<const QMenu*>(w)) return mainMenu ? xcMainMenu : xcPopupMenu;
  if (qobject_cast<const QToolBar*>(w)) return xcToolbar;
  if (qobject_cast<const QDockWidget*>(w)) return xcControlbar;
  if (qobject_cast<const QComboBox*>(w)) return xcCombo;
  if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
    if (PartOfAnotherControl(w)) return -1;
    return edit->inputMask().isEmpty() ? xcEdit : xcMaskEdit;
  }
  if (qobject_cast<const QPlainTextEdit*>(w)) return xcMemo;
  if (qobject_cast<const QTextEdit*>(w)) return xcRichEdit;
  if (qobject_cast<const QCheckBox*>(w)) return xcCheckBox;
  if (qobject_cast<const QRadioButton*>(w)) return xcRadioButton;
  if (const auto* button = qobject_cast<const QPushButton*>(w)) return button->icon().isNull() ? xcButton : xcBitBtn;
  if (qobject_cast<const QToolButton*>(w))
    return qobject_cast<const QToolBar*>(w->parentWidget()) ? xcToolbar : xcSpeedButton;
  if (qobject_cast<const QGroupBox*>(w)) return xcGroupBox;
  if (IsPanel(w)) return xcPanel;
  return -1;
}

int TFlatLook::ContainerKind(const QWidget* w) {
  if (qobject_cast<const QMdiArea*>(w)) return -1;  // its windows are forms of their own
  if (w->isWindow()) return xccForm;
  if (qobject_cast<const QToolBar*>(w)) return xccToolbar;
  if (qobject_cast<const QDockWidget*>(w)) return xccControlbar;
  if (qobject_cast<const QGroupBox*>(w)) return xccGroupBox;
  if (qobject_cast<const QScrollArea*>(w)) return xccScrollBox;
  if (qobject_cast<const QTabWidget*>(w) || qobject_cast<const QStackedWidget*>(w)) return xccTabSheet;
  if (qobject_cast<const QSplitter*>(w)) return xccPageScroller;
  // Controls made of other widgets keep their insides.
  if (qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QComboBox*>(w) ||
      qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractButton*>(w))
    return -1;
  // Composite controls of this program (class names beginning with "T").
  if (w->metaObject()->className()[0] == 'T') return xccFrame;
  return xccPanel;
}

void TFlatLook::Put(QWidget* w) {
  if (touched_.contains(w)) return;
  QStyle* previous = w->testAttribute(Qt::WA_SetStyle) ? w->style() : nullptr;
  touched_.insert(w, {QPointer<QWidget>(w), QPointer<QStyle>(previous)});
  w->setStyle(this);
  w->update();
}

void TFlatLook::Walk(QWidget* widget, const TMenus& menus) {
  for (QObject* child : widget->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w || w == widget) continue;
    if (auto* menu = qobject_cast<QMenu*>(w)) {
      const bool main = menus.Main.contains(menu) || menus.Skipped.contains(menu);
      const int kind = ControlKind(menu, main);
      const bool skipped =
          FlatLookSkipped(menu->menuAction()) || menus.Skipped.contains(menu) || (main && FlatLookSkipped(menu));
      if ((controls_ & FlatBit(kind)) && !skipped) Put(menu);
      Walk(menu, menus);  // submenus made inside it
      continue;
    }
    if (w->isWindow()) continue;  // another form
    if (auto* bar = qobject_cast<QMenuBar*>(w)) {
      if ((controls_ & FlatBit(xcMainMenu)) && !FlatLookSkipped(bar)) Put(bar);
      Walk(bar, menus);  // its menus
      continue;
    }
    const int kind = ControlKind(w, false);
    // Tool bars and control bars take the look whatever their tag.
    const bool skippable = kind != xcToolbar && kind != xcControlbar;
    if (kind >= 0 && (controls_ & FlatBit(kind)) && !(skippable && FlatLookSkipped(w))) Put(w);
    const int container = ContainerKind(w);
    if (container >= 0 && (containers_ & FlatBit(container))) Walk(w, menus);
  }
}

void TFlatLook::SwitchOn() {
  if (!owner_) return;
  // The menus of the main menu; those of a main menu tagged to be skipped
  // stay native with it.
  TMenus menus;
  for (QMenuBar* bar : owner_->findChildren<QMenuBar*>())
    CollectMenus(bar->actions(), FlatLookSkipped(bar) ? menus.Skipped : menus.Main);
  Walk(owner_, menus);
}

void TFlatLook::SwitchOff(bool repaint) {
  const auto entries = touched_;
  touched_.clear();
  for (const auto& entry : entries) {
    QWidget* w = entry.first;
    if (!w || w->style() != this) continue;
    w->setStyle(entry.second.data());
    if (repaint) w->update();
  }
}

// ------------------------------------------------------------ the style

void TFlatLook::polish(QWidget* widget) {
  QProxyStyle::polish(widget);
  // Frames and buttons follow the mouse.
  widget->setAttribute(Qt::WA_Hover);
}

void TFlatLook::unpolish(QWidget* widget) { QProxyStyle::unpolish(widget); }

int TFlatLook::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  switch (metric) {
    case PM_MenuPanelWidth:
      return 1;
    case PM_MenuHMargin:
    case PM_MenuVMargin:
      return 0;
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
      return 16;
    default:
      return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

QSize TFlatLook::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const {
  if (type == CT_MenuItem) {
    if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
      // Every item is measured alike (a native item too): the menu lays its
      // items out while it measures them, so they cannot be looked up here.
      TMenuItemMeasure m;
      m.IconWidth = IconWidth;
      if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        m.Caption = QStringLiteral("-");
      } else {
        const int tab = item->text.indexOf(u'\t');
        m.Caption = tab < 0 ? item->text : item->text.left(tab);
        m.Shortcut = tab < 0 ? QString() : item->text.mid(tab + 1);
        if (!item->icon.isNull()) {
          const int side = pixelMetric(PM_SmallIconSize, option, widget);
          m.Image = QSize(side, side);
        }
      }
      const QFontMetrics fm(MenuFont());
      const QSize measured =
          MeasureMenuItem(m, {[&fm](const QString& s) { return fm.horizontalAdvance(s); }, fm.height()});
      return measured.expandedTo(QSize(1, 1));  // an empty item would be hidden
    }
  }
  QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
  if (type == CT_MenuBarItem) result.rwidth() += static_cast<int>(MenuBarShadowSteps.size());
  return result;
}

bool TFlatLook::ActionSkipped(const QStyleOption* option, const QWidget* widget) const {
  QAction* action = nullptr;
  if (const auto* menu = qobject_cast<const QMenu*>(widget))
    action = menu->actionAt(option->rect.center());
  else if (const auto* bar = qobject_cast<const QMenuBar*>(widget))
    action = bar->actionAt(option->rect.center());
  return FlatLookSkipped(action);
}

void TFlatLook::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* p,
                              const QWidget* widget) const {
  const TPalette pal = Palette();
  const QColor btnFace = ToQColor(clBtnFace), btnShadow = ToQColor(clBtnShadow);
  const QRect r = option->rect;
  const bool enabled = option->state & State_Enabled;
  switch (element) {
    case PE_PanelMenu:
      p->fillRect(r, pal.Menu);
      return;
    case PE_FrameMenu:
      Frame(p, r, pal.Frame1);
      if (FlatMenu) {
        p->save();
        p->setPen(pal.Frame2);
        p->drawLine(r.topRight(), r.bottomRight());
        p->drawLine(r.bottomLeft(), r.bottomRight());
        p->restore();
      }
      return;
    case PE_PanelMenuBar:
      p->fillRect(r, pal.MenuBar);
      return;
    case PE_PanelToolBar:
      p->fillRect(r, pal.HighColor ? Lighten(btnFace, BandLighten) : btnFace);
      return;
    case PE_IndicatorToolBarHandle: {
      const QColor band = pal.HighColor ? Lighten(btnFace, BandLighten) : btnFace;
      p->fillRect(r, band);
      p->save();
      const bool horizontal = option->state & State_Horizontal;
      for (int i = 0; i < 3; ++i) {
        p->setPen(Darken(band, GripDarkening(i)));
        if (horizontal) {
          const int x = r.center().x() - 1 + i;
          p->drawLine(x, r.top() + 3, x, r.bottom() - 3);
        } else {
          const int y = r.center().y() - 1 + i;
          p->drawLine(r.left() + 3, y, r.right() - 3, y);
        }
      }
      p->restore();
      return;
    }
    case PE_IndicatorToolBarSeparator: {
      p->save();
      p->setPen(pal.Separator.darker(115));
      if (option->state & State_Horizontal)
        p->drawLine(r.center().x(), r.top() + 2, r.center().x(), r.bottom() - 2);
      else
        p->drawLine(r.left() + 2, r.center().y(), r.right() - 2, r.center().y());
      p->restore();
      return;
    }
    case PE_PanelLineEdit:
    case PE_FrameLineEdit: {
      if (widget && PartOfAnotherControl(widget)) break;
      const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
      const bool bordered = !frame || frame->lineWidth > 0;
      if (element == PE_PanelLineEdit) p->fillRect(r, option->palette.base());
      const bool hot = option->state & (State_MouseOver | State_HasFocus);
      Frame(p, r, EditFrameColor(pal, ParentColor(widget), hot, bordered));
      return;
    }
    case PE_IndicatorCheckBox:
    case PE_IndicatorRadioButton: {
      const bool radio = element == PE_IndicatorRadioButton;
      const bool pressed = option->state & State_Sunken;
      const bool hot = option->state & (State_MouseOver | State_HasFocus);
      const QRect box = r.adjusted(2, 2, -2, -2);
      QColor fill = ToQColor(clWindow), border = btnShadow;
      if (pressed) {
        fill = pal.SelectedCheckFill;
        border = pal.SelectBorder;
      } else if (hot && enabled) {
        fill = pal.SelectFill;
        border = pal.SelectBorder;
      }
      const QColor mark = pressed ? ToQColor(clWindow) : enabled ? ToQColor(clHighlight) : pal.Disabled;
      p->save();
      p->setRenderHint(QPainter::Antialiasing, radio);
      p->setPen(border);
      p->setBrush(fill);
      if (radio) {
        p->drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
        if (option->state & State_On) {
          p->setPen(Qt::NoPen);
          p->setBrush(mark);
          p->drawEllipse(QRectF(box).adjusted(3.5, 3.5, -3.5, -3.5));
        }
      } else {
        p->drawRect(box.adjusted(0, 0, -1, -1));
        if (option->state & State_On) {
          p->setPen(mark);
          const QRect inner =
              QRect(box.center() - QPoint(MarkBoxSize / 2 - 1, MarkBoxSize / 2 - 1), QSize(MarkBoxSize, MarkBoxSize));
          for (const QLine& l : CheckMarkLines(inner)) p->drawLine(l);
        } else if (option->state & State_NoChange) {
          p->fillRect(box.adjusted(3, 3, -3, -3), mark);
        }
      }
      p->restore();
      return;
    }
    case PE_PanelButtonCommand: {
      const bool pressed = option->state & (State_Sunken | State_On);
      const bool hot = enabled && (option->state & State_MouseOver);
      const TButtonColors c = ButtonColors(pal, btnFace, btnShadow, hot, pressed, option->state & State_HasFocus);
      p->save();
      p->setRenderHint(QPainter::Antialiasing);
      p->setPen(c.Frame);
      p->setBrush(c.Face);
      p->drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -1.5, -1.5), 2, 2);
      p->setRenderHint(QPainter::Antialiasing, false);
      if (enabled) {
        p->setPen(Darken(btnFace, 50));
        if (pressed) {
          p->drawLine(r.left() + 2, r.top() + 1, r.right() - 3, r.top() + 1);
          p->drawLine(r.left() + 1, r.top() + 2, r.left() + 1, r.bottom() - 3);
        } else {
          p->drawLine(r.left() + 2, r.bottom(), r.right() - 1, r.bottom());
          p->drawLine(r.right(), r.top() + 2, r.right(), r.bottom() - 1);
        }
      }
      p->restore();
      return;
    }
    case PE_FrameGroupBox:
      Frame(p, r, Darken(btnFace, 60));
      return;
    default:
      break;
  }
  QProxyStyle::drawPrimitive(element, option, p, widget);
}

void TFlatLook::drawControl(ControlElement element, const QStyleOption* option, QPainter* p,
                            const QWidget* widget) const {
  switch (element) {
    case CE_MenuItem:
      if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
          item && !ActionSkipped(option, widget)) {
        DrawMenuItem(item, p, widget);
        return;
      }
      break;
    case CE_MenuBarItem:
      if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
          item && !ActionSkipped(option, widget)) {
        DrawMenuBarItem(item, p, widget);
        return;
      }
      break;
    case CE_MenuBarEmptyArea:
      p->fillRect(option->rect, Palette().MenuBar);
      return;
    case CE_MenuEmptyArea:
      p->fillRect(option->rect, Palette().Menu);
      return;
    case CE_ShapedFrame: {
      const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
      if (!frame) break;
      if (IsMemoOrRichEdit(widget)) {
        const bool hot =
            (option->state & (State_MouseOver | State_HasFocus)) || widget->underMouse() || widget->hasFocus();
        Frame(p, option->rect,
              EditFrameColor(Palette(), ParentColor(widget), hot, frame->frameShape != QFrame::NoFrame));
        return;
      }
      if (IsPanel(widget)) {
        const QColor face = ToQColor(clBtnFace);
        const bool sunken = frame->state & State_Sunken;
        const QColor topLeft = sunken ? Darken(face, 60) : Lighten(face, 60);
        const QColor bottomRight = sunken ? Lighten(face, 60) : Darken(face, 60);
        const QRect r = option->rect;
        p->save();
        p->setPen(topLeft);
        p->drawLine(r.topLeft(), r.topRight());
        p->drawLine(r.topLeft(), r.bottomLeft());
        p->setPen(bottomRight);
        p->drawLine(r.bottomLeft(), r.bottomRight());
        p->drawLine(r.topRight(), r.bottomRight());
        p->restore();
        return;
      }
      break;
    }
    default:
      break;
  }
  QProxyStyle::drawControl(element, option, p, widget);
}

void TFlatLook::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* p,
                                   const QWidget* widget) const {
  switch (control) {
    case CC_ToolButton:
      if (const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option);
          button && !(button->features & QStyleOptionToolButton::Arrow)) {
        DrawToolButton(button, p, widget);
        return;
      }
      break;
    case CC_ComboBox: {
      const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
      if (!combo) break;
      const TPalette pal = Palette();
      const bool hot = option->state & (State_MouseOver | State_HasFocus);
      p->fillRect(option->rect, option->palette.base());
      Frame(p, option->rect, EditFrameColor(pal, ParentColor(widget), hot, combo->frame));
      const QRect button = subControlRect(CC_ComboBox, option, SC_ComboBoxArrow, widget).adjusted(0, 1, -1, -1);
      p->fillRect(button, hot ? pal.SelectFill : pal.IconColumn);
      if (hot) {
        p->save();
        p->setPen(pal.SelectBorder);
        p->drawLine(button.topLeft() - QPoint(1, 0), button.bottomLeft() - QPoint(1, 0));
        p->restore();
      }
      Arrow(p, button, option->state & State_Enabled ? option->palette.color(QPalette::ButtonText) : pal.Disabled,
            Qt::DownArrow);
      return;
    }
    case CC_GroupBox: {
      const auto* group = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
      if (!group) break;
      const QRect frame = subControlRect(CC_GroupBox, option, SC_GroupBoxFrame, widget);
      const QRect label = subControlRect(CC_GroupBox, option, SC_GroupBoxLabel, widget);
      Frame(p, frame, Darken(ToQColor(clBtnFace), 60));
      if (group->subControls & SC_GroupBoxCheckBox) {
        QStyleOptionButton box;
        box.QStyleOption::operator=(*group);
        box.rect = subControlRect(CC_GroupBox, option, SC_GroupBoxCheckBox, widget);
        drawPrimitive(PE_IndicatorCheckBox, &box, p, widget);
      }
      if (!group->text.isEmpty()) {
        p->fillRect(label.adjusted(-2, 0, 2, 0), option->palette.window());
        drawItemText(p, label, Qt::AlignCenter | MnemonicFlag(this, option, widget), option->palette,
                     option->state & State_Enabled, group->text, QPalette::WindowText);
      }
      return;
    }
    default:
      break;
  }
  QProxyStyle::drawComplexControl(control, option, p, widget);
}

// ------------------------------------------------------------ menus

void TFlatLook::DrawImage(QPainter* p, const QRect& box, const QIcon& icon, const QSize& size, bool enabled,
                          bool selected, bool checked, const TPalette& pal, QIcon::Mode source) const {
  const qreal dpr = p->device() ? p->device()->devicePixelRatioF() : 1.0;
  const QPixmap pixmap = icon.pixmap(size, dpr, source);
  if (pixmap.isNull()) return;
  const QPoint at = box.topLeft();
  if (!enabled) {
    p->drawPixmap(at, DisabledPixmap(pixmap, GrayLevel));
  } else if (selected && !checked) {
    p->drawPixmap(at + QPoint(1, 1), ShadowPixmap(pixmap, Darken(pal.SelectFill, 50)));
    p->drawPixmap(at - QPoint(1, 1), pixmap);
  } else if (!checked && !selected && pal.HighColor) {
    p->drawPixmap(at, DimmedPixmap(pixmap, DimLevel));
  } else {
    p->drawPixmap(at, pixmap);
  }
}

void TFlatLook::DrawMenuItem(const QStyleOptionMenuItem* item, QPainter* p, const QWidget* widget) const {
  const TPalette pal = Palette();
  const QRect r = item->rect;
  const bool rtl = item->direction == Qt::RightToLeft;
  const bool enabled = item->state & State_Enabled;
  const bool selected = item->state & State_Selected;
  const QRect iconColumn = rtl ? QRect(r.right() + 1 - IconWidth, r.top(), IconWidth, r.height())
                               : QRect(r.left(), r.top(), IconWidth, r.height());
  p->save();
  if (Gradient && pal.HighColor) {
    const QRect wide = r.adjusted(0, 0, 2, 0);
    const std::vector<int> steps = GradientSteps(wide.width(), IconWidth, rtl);
    for (int i = 0; i < static_cast<int>(steps.size()); ++i) {
      const int x = rtl ? wide.right() - i : wide.left() + i;
      p->setPen(Lighten(pal.IconColumn, steps[i]));
      p->drawLine(x, r.top(), x, r.bottom());
    }
  } else {
    p->fillRect(r, pal.Menu);
    p->fillRect(iconColumn, pal.IconColumn);
  }

  if (item->menuItemType == QStyleOptionMenuItem::Separator) {
    p->setPen(pal.Separator);
    const int y = r.center().y();
    if (rtl)
      p->drawLine(r.left(), y, iconColumn.left() - 1 - SeparatorIndent, y);
    else
      p->drawLine(iconColumn.right() + 1 + SeparatorIndent, y, r.right(), y);
    p->restore();
    return;
  }

  if (selected && enabled && DrawSelect) {
    const QRect s = SelectionRect(r, FlatMenu);
    p->fillRect(s, pal.SelectFill);
    Frame(p, s, pal.SelectBorder);
  }

  const bool hasImage = !item->icon.isNull();
  const int side = pixelMetric(PM_SmallIconSize, item, widget);
  const QRect imageBox(iconColumn.left() + (IconWidth - side) / 2, r.top() + (r.height() - side) / 2, side, side);
  const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
  if (checked) {
    const bool radio = item->checkType == QStyleOptionMenuItem::Exclusive;
    const QRect box = hasImage ? imageBox.adjusted(-2, -2, 2, 2) : MarkBox(r, IconWidth, rtl);
    p->setBrush(selected ? pal.SelectedCheckFill : pal.CheckFill);
    p->setPen(enabled ? pal.SelectBorder : pal.Disabled);
    const QRect outline = box.adjusted(0, 0, -1, -1);
    if (radio && hasImage) {
      p->drawRoundedRect(outline, 3, 3);
    } else if (radio) {
      p->setRenderHint(QPainter::Antialiasing);
      p->drawEllipse(outline);
      p->setRenderHint(QPainter::Antialiasing, false);
    } else if (hasImage) {
      p->drawRect(outline);
    } else {
      p->setPen(pal.CheckBorder);
      p->drawRect(outline);
      p->setPen(enabled ? QColor(Qt::black) : pal.Disabled);
      for (const QLine& l : CheckMarkLines(box)) p->drawLine(l);
    }
    p->setBrush(Qt::NoBrush);
  }
  if (hasImage) DrawImage(p, imageBox, item->icon, QSize(side, side), enabled, selected, checked, pal);

  // Caption and shortcut.
  QColor text = ToQColor(Colors.FontColor);
  if (!enabled)
    text = pal.Disabled;
  else if (selected)
    text = Colors.UseSystemColors ? SelectedTextColor(pal.SelectText, pal.SelectFill) : pal.SelectText;
  const QRect textRect =
      rtl ? QRect(QPoint(r.left() + ShortcutIndent, r.top()), QPoint(iconColumn.left() - 1 - CaptionIndent, r.bottom()))
          : QRect(QPoint(iconColumn.right() + 1 + CaptionIndent, r.top()),
                  QPoint(r.right() - ShortcutIndent, r.bottom()));
  const int tab = item->text.indexOf(u'\t');
  const QString caption = tab < 0 ? item->text : item->text.left(tab);
  const QString shortcut = tab < 0 ? QString() : item->text.mid(tab + 1);
  const int flags = Qt::AlignVCenter | Qt::TextSingleLine | MnemonicFlag(this, item, widget);
  p->setFont(MenuFont());
  if (!enabled && selected) {
    p->setPen(Qt::white);
    for (const QPoint& d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
      p->drawText(textRect.translated(d), flags | (rtl ? Qt::AlignRight : Qt::AlignLeft), caption);
  }
  p->setPen(text);
  p->drawText(textRect, flags | (rtl ? Qt::AlignRight : Qt::AlignLeft), caption);
  if (!shortcut.isEmpty()) p->drawText(textRect, flags | (rtl ? Qt::AlignLeft : Qt::AlignRight), shortcut);
  if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
    const QRect arrow = rtl ? QRect(r.left(), r.top(), ShortcutIndent, r.height())
                            : QRect(r.right() + 1 - ShortcutIndent, r.top(), ShortcutIndent, r.height());
    Arrow(p, arrow, text, rtl ? Qt::LeftArrow : Qt::RightArrow);
  }
  p->restore();
}

void TFlatLook::DrawMenuBarItem(const QStyleOptionMenuItem* item, QPainter* p, const QWidget* widget) const {
  const TPalette pal = Palette();
  const QRect r = item->rect;
  const int shadow = static_cast<int>(MenuBarShadowSteps.size());
  const QRect face = r.adjusted(0, 0, -shadow, 0);
  const bool enabled = item->state & State_Enabled;
  const bool open = item->state & State_Sunken;
  const bool selected = item->state & State_Selected;
  p->save();
  p->fillRect(r, pal.MenuBar);
  if (open && pal.HighColor && enabled) {
    p->fillRect(face, pal.Menu);
    Frame(p, face, pal.Frame1);
    for (int i = 0; i < shadow; ++i) {
      p->setPen(Darken(pal.MenuBar, MenuBarShadowSteps[i]));
      const int x = face.right() + 1 + i;
      p->drawLine(x, face.top() + 2 + i, x, face.bottom());
    }
  } else if ((selected || open) && enabled && DrawSelect) {
    Frame(p, face, pal.SelectBorder);
  }
  p->setFont(MenuFont());
  p->setPen(enabled ? ToQColor(Colors.FontColor) : pal.Disabled);
  p->drawText(face, Qt::AlignCenter | Qt::TextSingleLine | MnemonicFlag(this, item, widget), item->text);
  p->restore();
}

// ------------------------------------------------------------ tool buttons

void TFlatLook::DrawToolButton(const QStyleOptionToolButton* b, QPainter* p, const QWidget* widget) const {
  const TPalette pal = Palette();
  const bool enabled = b->state & State_Enabled;
  const bool hot = enabled && (b->state & State_MouseOver);
  const bool pressed = b->state & State_Sunken;
  const bool checked = b->state & State_On;
  const bool dropDown = b->features & (QStyleOptionToolButton::MenuButtonPopup | QStyleOptionToolButton::HasMenu);
  QRect r = b->rect;
  p->save();
  if (pressed && dropDown) {
    p->fillRect(r, pal.Menu);
    Frame(p, r, pal.Frame1);
  } else if (hot) {
    p->fillRect(r, pal.SelectFill);
    Frame(p, r, pal.SelectBorder);
  } else if (checked) {
    p->fillRect(r, pal.CheckFill);
    Frame(p, r, pal.SelectBorder);
  }
  const QColor text = !enabled ? pal.Disabled : hot ? pal.SelectText : b->palette.color(QPalette::ButtonText);
  if (dropDown) {
    const QRect arrow(r.right() + 1 - DropDownArrowRoom, r.top(), DropDownArrowRoom, r.height());
    Arrow(p, arrow, text, Qt::DownArrow);
    r.setRight(r.right() - DropDownArrowRoom);
  }
  const bool showIcon = b->toolButtonStyle != Qt::ToolButtonTextOnly && !b->icon.isNull();
  const bool showText = b->toolButtonStyle != Qt::ToolButtonIconOnly && !b->text.isEmpty();
  const QSize iconSize = b->iconSize;
  QRect iconRect, textRect = r.adjusted(CaptionIndent, 0, -CaptionIndent, 0);
  if (showIcon && showText && b->toolButtonStyle == Qt::ToolButtonTextUnderIcon) {
    iconRect = QRect(r.left() + (r.width() - iconSize.width()) / 2, r.top() + 3, iconSize.width(), iconSize.height());
    textRect = QRect(r.left(), iconRect.bottom() + 1, r.width(), r.bottom() - iconRect.bottom());
  } else if (showIcon && showText) {
    iconRect = QRect(r.left() + 3, r.top() + (r.height() - iconSize.height()) / 2, iconSize.width(), iconSize.height());
    textRect = QRect(QPoint(iconRect.right() + 1 + CaptionIndent, r.top()), r.bottomRight());
  } else if (showIcon) {
    iconRect = QRect(r.left() + (r.width() - iconSize.width()) / 2, r.top() + (r.height() - iconSize.height()) / 2,
                     iconSize.width(), iconSize.height());
  }
  if (showIcon) {
    // A hot or disabled button shows the image made for that state when
    // it has one.
    QIcon::Mode source = QIcon::Normal;
    if (hot && !b->icon.availableSizes(QIcon::Active).isEmpty()) source = QIcon::Active;
    if (!enabled && !b->icon.availableSizes(QIcon::Disabled).isEmpty()) source = QIcon::Disabled;
    DrawImage(p, iconRect, b->icon, iconSize, enabled, hot, checked, pal, source);
  }
  if (showText) {
    p->setFont(b->font);
    p->setPen(text);
    const int align = showIcon && b->toolButtonStyle == Qt::ToolButtonTextBesideIcon ? Qt::AlignLeft | Qt::AlignVCenter
                                                                                     : Qt::AlignCenter;
    p->drawText(textRect, align | Qt::TextSingleLine | MnemonicFlag(this, b, widget), b->text);
  }
  p->restore();
}

// ------------------------------------------------------------ the main window's look

TFlatLook* MainFlatLook(QWidget* mainWindow) {
  if (!mainWindow) return nullptr;
  auto* look = mainWindow->findChild<TFlatLook*>(QStringLiteral("FlatLook1"), Qt::FindDirectChildrenOnly);
  if (look) return look;
  look = new TFlatLook(mainWindow);
  look->setObjectName(QStringLiteral("FlatLook1"));
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  look->SetFont(font);
  look->Gradient = true;
  look->AutoDetect = true;
  look->SetFlatLookControls(AllFlatLookControls & ~FlatBit(xcCombo));
  return look;
}

void ApplyFlatLook(QWidget* mainWindow, bool on) {
  if (TFlatLook* look = MainFlatLook(mainWindow)) look->SetActive(on);
}

bool FlatLookSetting() {
  return Settings::Open().ReadBool(QStringLiteral("XPLook"), QStringLiteral("Enabled?"), false);
}
