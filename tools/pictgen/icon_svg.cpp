#include "tools/pictgen/icon_svg.h"

namespace kelvara::pictgen {

QByteArray IconSvg() {
  // The 64 x 64 drawing of DrawIcon: a rounded frame, a 3 x 3 grid and a
  // low-pass response falling past its corner.
  QByteArray svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
      "  <rect x=\"3\" y=\"3\" width=\"58\" height=\"58\" rx=\"10\" ry=\"10\" fill=\"#ebf2fa\" "
      "stroke=\"#1e325a\" stroke-width=\"2\"/>\n"
      "  <g stroke=\"#aab9cd\" stroke-width=\"1\">\n";
  for (int i = 1; i < 4; ++i) {
    const QByteArray at = QByteArray::number(8 + 12 * i);
    svg += "    <line x1=\"8\" y1=\"" + at + "\" x2=\"56\" y2=\"" + at + "\"/>\n";
    svg += "    <line x1=\"" + at + "\" y1=\"8\" x2=\"" + at + "\" y2=\"56\"/>\n";
  }
  svg +=
      "  </g>\n"
      "  <path d=\"M 8 20 L 30 20 C 38 20 40 26 44 36 L 54 56\" fill=\"none\" stroke=\"#c81e28\" "
      "stroke-width=\"4\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n"
      "</svg>\n";
  return svg;
}

}  // namespace kelvara::pictgen
