#pragma once

// The program icon as scalable vector graphics, drawn with the same shapes
// as DrawIcon so that every size of the icon theme looks alike.

#include <QByteArray>

namespace kelvara::pictgen {

QByteArray IconSvg();

}  // namespace kelvara::pictgen
