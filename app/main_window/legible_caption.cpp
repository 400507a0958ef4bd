#include "app/main_window/legible_caption.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kelvara::app {
namespace {

double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
  return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor CaptionOutline(const QColor& text, const QColor& background) {
  if (ContrastRatio(text, background) >= kLegibleContrast) return {};
  const QColor black(0, 0, 0);
  const QColor white(255, 255, 255);
  return ContrastRatio(text, black) >= ContrastRatio(text, white) ? black : white;
}

double CaptionContrast(const QColor& text, const QColor& background) {
  const QColor outline = CaptionOutline(text, background);
  return ContrastRatio(text, outline.isValid() ? outline : background);
}

void LegibleCaptionStyle::drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette,
                                       bool enabled, const QString& text, QPalette::ColorRole textRole) const {
  const QColor colour = palette.color(textRole == QPalette::NoRole ? QPalette::WindowText : textRole);
  const QColor outline = enabled ? CaptionOutline(colour, palette.color(QPalette::Window)) : QColor();
  if (outline.isValid() && !text.isEmpty()) {
    // The text in the outline's colour one pixel around, then in its own.
    QPalette shade = palette;
    shade.setColor(textRole == QPalette::NoRole ? QPalette::WindowText : textRole, outline);
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) {
        if (dx != 0 || dy != 0)
          QProxyStyle::drawItemText(painter, rect.translated(dx, dy), flags, shade, enabled, text, textRole);
      }
    }
  }
  QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, textRole);
}

}  // namespace kelvara::app
