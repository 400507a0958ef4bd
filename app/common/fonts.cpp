#include "app/common/fonts.h"

#include <QStringList>

#include "app/common/ui_texts.h"

namespace kelvara::app {

void InstallFontSubstitutes() {
  QFont::insertSubstitutions(QString(text::kMincho),
                             QStringList{QStringLiteral("IPAPMincho"), QStringLiteral("IPAMincho")});
  QFont::insertSubstitutions(QString(text::kGothic),
                             QStringList{QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
}

QFont MinchoFont(double pointSize) {
  QFont font{QString(text::kMincho)};
  font.setPointSizeF(pointSize);
  font.setBold(true);
  return font;
}

QFont MinchoPixelFont(int pixelSize) {
  QFont font{QString(text::kMincho)};
  font.setPixelSize(pixelSize);
  font.setBold(true);
  return font;
}

QFont GothicPixelFont(int pixelSize) {
  QFont font{QString(text::kGothic)};
  font.setPixelSize(pixelSize);
  return font;
}

}  // namespace kelvara::app
