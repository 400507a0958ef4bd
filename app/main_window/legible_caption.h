#pragma once

// Captions drawn in a colour of the user's choice (the comparison panel's
// "Sheet n" in the sheet's colour) stay legible on their background: a
// caption whose colour stands out too little from it is drawn with an
// outline in black or white, whichever stands out more, and keeps its
// colour.

#include <QColor>
#include <QProxyStyle>

namespace kelvara::app {

/// The contrast ratio of two colours (1 to 21), from their relative
/// luminances (sRGB): (L1 + 0.05) / (L2 + 0.05) with L1 the lighter.
double ContrastRatio(const QColor& a, const QColor& b);

/// Below this contrast with its background a caption gets an outline.
inline constexpr double kLegibleContrast = 3.0;

/// The outline a caption of `text` on `background` gets: none (an invalid
/// colour) when it stands out enough, else black or white.
QColor CaptionOutline(const QColor& text, const QColor& background);

/// The contrast a caption is read with: against its background, or against
/// its outline when it has one.
double CaptionContrast(const QColor& text, const QColor& background);

/// The style of such captions: the widget's own style, with item texts
/// outlined where CaptionOutline says so against the widget's Window colour.
class LegibleCaptionStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                    const QString& text, QPalette::ColorRole textRole = QPalette::NoRole) const override;
};

}  // namespace kelvara::app
