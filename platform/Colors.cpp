#include "platform/Colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QColor SystemQColor(int index) {
  const QPalette pal = QGuiApplication::instance() ? QGuiApplication::palette() : QPalette(Qt::lightGray);
  switch (index) {
    case 1:
    case 12:
      return pal.color(QPalette::Dark);
    case 2:
      return pal.color(QPalette::Highlight);
    case 3:
    case 6:
    case 10:
    case 11:
      return pal.color(QPalette::Mid);
    case 4:
      return pal.color(QPalette::Window);
    case 5:
      return pal.color(QPalette::Base);
    case 7:
      return pal.color(QPalette::WindowText);
    case 8:
      return pal.color(QPalette::Text);
    case 9:
      return pal.color(QPalette::HighlightedText);
    case 13:
      return pal.color(QPalette::Highlight);
    case 14:
      return pal.color(QPalette::HighlightedText);
    case 15:
      return pal.color(QPalette::Button);
    case 16:
      return pal.color(QPalette::Dark);
    case 17:
    case 19:
      return pal.color(QPalette::Disabled, QPalette::Text);
    case 18:
      return pal.color(QPalette::ButtonText);
    case 20:
      return pal.color(QPalette::Light);
    case 21:
      return pal.color(QPalette::Shadow);
    case 22:
      return pal.color(QPalette::Midlight);
    case 23:
      return pal.color(QPalette::ToolTipText);
    case 24:
      return pal.color(QPalette::ToolTipBase);
    default:
      return pal.color(QPalette::Button);
  }
}

}  // namespace

QColor ToQColor(TColor color) {
  if (color == clNone || color == clDefault) return QColor();
  if (IsSystemColor(color)) return SystemQColor(color & 0xFF);
  const auto v = static_cast<std::uint32_t>(color);
  return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

TColor FromQColor(const QColor& color) {
  return static_cast<TColor>(static_cast<std::uint32_t>(color.red()) |
                             (static_cast<std::uint32_t>(color.green()) << 8) |
                             (static_cast<std::uint32_t>(color.blue()) << 16));
}
