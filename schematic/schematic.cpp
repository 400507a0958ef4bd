#include "schematic/schematic.h"

#include "schematic/sheet.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace kelvara::schematic {

namespace {

using detail::kInk;
using detail::kNote;
using detail::Sheet;

// Vertical positions (unscaled drawing units).
constexpr double kTop = 34;     // wire of the feedback element
constexpr double kFollow = 50;  // wire from the output back to the − input
constexpr double kMinus = 74;   // − input
constexpr double kOut = 86;     // op-amp output
constexpr double kSig = 98;     // signal line, + input
constexpr double kGround = 166;
// Labels of the series parts, below a capacitor's plates (9 units below
// the signal line).
constexpr double kSeriesLabelTop = kSig + 12;

// Horizontal extents of the sections.
constexpr double kSecondOrderWidth = 146;
constexpr double kFirstOrderWidth = 104;
constexpr double kTerminal = 44;  // room for the input and output marks

QString Part(char kind, int number) { return QStringLiteral("%1%2").arg(QChar(kind)).arg(number); }

// The follower that makes the op-amp a unity-gain buffer, and its output
// node at xOut (from the feedback wire, if any, down to the signal line).
void DrawAmplifier(Sheet& s, double opAmpLeft, double xOut, bool feedbackWire) {
  s.OpAmp(opAmpLeft, kOut);
  s.Wire({opAmpLeft + 36, kOut}, {xOut, kOut});
  s.Wire({xOut, feedbackWire ? kTop : kFollow}, {xOut, kSig});
  s.Wire({{xOut, kFollow}, {opAmpLeft - 8, kFollow}, {opAmpLeft - 8, kMinus}, {opAmpLeft, kMinus}});
  s.Dot({xOut, kOut});
  if (feedbackWire) s.Dot({xOut, kFollow});
}

// One second-order section from x0; a and b are the part numbers of its
// lower- and higher-numbered resistor and capacitor.
void DrawSecondOrder(Sheet& s, double x0, bool highPass, int a, int b) {
  const double xA = x0 + 42;  // node of the feedback element
  const double xB = xA + 42;  // + input node, element to ground
  const double opAmp = xB + 14;
  const double xOut = x0 + kSecondOrderWidth;

  // Series elements: Ra, Rb (LPF) or Ca, Cb (HPF).
  const char series = highPass ? 'C' : 'R';
  const char shunt = highPass ? 'R' : 'C';
  for (const auto& [x, n] : {std::pair{x0 + 8, a}, std::pair{xA + 8, b}}) {
    s.Wire({x - 8, kSig}, {x, kSig});
    highPass ? s.CapacitorH(x, kSig) : s.ResistorH(x, kSig);
    s.Wire({x + 24, kSig}, {x + 34, kSig});
    s.Label(QRectF(x - 8, kSeriesLabelTop, 40, 16), Part(series, n), Qt::AlignHCenter | Qt::AlignTop);
  }
  s.Wire({xB, kSig}, {opAmp, kSig});
  s.Dot({xA, kSig});
  s.Dot({xB, kSig});

  // Feedback element (lower number) from node A to the stage output.
  s.Wire({xA, kSig}, {xA, kSig - 14});
  const double feedbackTop = kSig - 14 - 24;
  highPass ? s.ResistorV(xA, feedbackTop) : s.CapacitorV(xA, feedbackTop);
  s.Wire({{xA, feedbackTop}, {xA, kTop}, {xOut, kTop}});
  // Right-aligned clear of the capacitor's plates (9 units either side).
  s.Label(QRectF(xA - 48, feedbackTop + 2, 34, 20), Part(shunt, a), Qt::AlignRight | Qt::AlignVCenter);

  // Element to ground (higher number) from the + input node.
  s.Wire({xB, kSig}, {xB, kSig + 16});
  highPass ? s.ResistorV(xB, kSig + 16) : s.CapacitorV(xB, kSig + 16);
  s.Wire({xB, kSig + 40}, {xB, kGround - 6});
  s.Ground(xB, kGround);
  s.Label(QRectF(xB + 12, kSig + 18, 40, 20), Part(shunt, b), Qt::AlignLeft | Qt::AlignVCenter);

  DrawAmplifier(s, opAmp, xOut, true);
}

// The first-order RC section of an odd order (R1 and C1) with its buffer.
void DrawFirstOrder(Sheet& s, double x0, bool highPass) {
  const double xN = x0 + 42;
  const double opAmp = xN + 14;
  const double xOut = x0 + kFirstOrderWidth;
  s.Wire({x0, kSig}, {x0 + 8, kSig});
  highPass ? s.CapacitorH(x0 + 8, kSig) : s.ResistorH(x0 + 8, kSig);
  s.Wire({x0 + 32, kSig}, {opAmp, kSig});
  s.Label(QRectF(x0, kSeriesLabelTop, 40, 16), Part(highPass ? 'C' : 'R', 1), Qt::AlignHCenter | Qt::AlignTop);
  s.Dot({xN, kSig});
  s.Wire({xN, kSig}, {xN, kSig + 16});
  highPass ? s.ResistorV(xN, kSig + 16) : s.CapacitorV(xN, kSig + 16);
  s.Wire({xN, kSig + 40}, {xN, kGround - 6});
  s.Ground(xN, kGround);
  s.Label(QRectF(xN + 12, kSig + 18, 40, 20), Part(highPass ? 'R' : 'C', 1), Qt::AlignLeft | Qt::AlignVCenter);
  DrawAmplifier(s, opAmp, xOut, false);
}

}  // namespace

namespace detail {

// The value texts beside the part labels, in the picture's units (the
// painter as PaintSchematic found it). Each goes to the free place nearest
// its label: the candidates lie on a grid around the label, and a place is
// free when its box, widened by a unit, meets no ink, no label and no value
// placed before, lies inside the picture and is nearer its own label than
// any other part's. Below the label is preferred at equal distance.
void PaintValues(QPainter& p, const PartValues& values, const std::vector<PartLabel>& labels, SchematicBoxes& boxes) {
  const QTransform toDevice = p.transform();
  const QTransform toPicture = toDevice.inverted();
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPixelSize(kValuePixels);
  const QFontMetricsF metrics(font, p.device());
  const QRectF picture(0, 0, kPictureWidth, kPictureHeight);
  std::vector<QRectF> taken;  // in picture units
  for (const QRectF& ink : boxes.ink) taken.push_back(toPicture.mapRect(ink));
  for (const auto& label : boxes.labels) taken.push_back(toPicture.mapRect(label.second));
  // The part labels' text boxes, for nearness.
  std::vector<std::pair<QString, QRectF>> partTexts;
  for (const PartLabel& label : labels) {
    for (const auto& drawn : boxes.labels) {
      if (drawn.first == label.name && label.box.contains(drawn.second.center())) {
        partTexts.emplace_back(label.name, toPicture.mapRect(drawn.second));
      }
    }
  }
  auto distance = [](QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); };
  p.save();
  p.setFont(font);
  p.setPen(kValueInk);
  for (const auto& [name, own] : partTexts) {
    const auto value = values.find(name);
    if (value == values.end() || value->second.isEmpty()) continue;
    const double w = metrics.horizontalAdvance(value->second) + 2;
    const double h = metrics.height();
    // Candidates nearest first; the obstacles near enough to matter.
    std::vector<std::pair<double, QRectF>> candidates;
    for (double dy = -h - 24; dy <= 24 + own.height(); dy += 0.5) {
      for (double dx = -52; dx <= 52; dx += 1) {
        const QRectF box(own.center().x() - w / 2 + dx, own.top() + dy, w, h);
        const double cost = distance(box.center(), own.center()) + (box.center().y() < own.center().y() ? 2 : 0);
        candidates.emplace_back(cost, box);
      }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const QRectF window = own.adjusted(-w - 60, -h - 30, w + 60, h + 30);
    std::vector<QRectF> near;
    for (const QRectF& t : taken) {
      if (window.intersects(t)) near.push_back(t);
    }
    std::optional<QRectF> best;
    for (int pass = 0; pass < 2 && !best; ++pass) {  // the second pass drops the nearness rule
      for (const auto& [cost, box] : candidates) {
        if (!picture.contains(box)) continue;
        const QRectF wide = box.adjusted(-1, -1, 1, 1);
        if (std::any_of(near.begin(), near.end(), [&](const QRectF& t) { return wide.intersects(t); })) continue;
        const double mine = distance(box.center(), own.center());
        const QPointF centre = box.center();
        const auto& part = name;
        if (pass == 0 && std::any_of(partTexts.begin(), partTexts.end(), [&](const auto& other) {
              return other.first != part && distance(centre, other.second.center()) <= mine;
            })) {
          continue;
        }
        best = box;
        break;
      }
    }
    // Where nothing is free the value goes under its label, and the
    // collision check names it.
    const QRectF at = best.value_or(QRectF(own.center().x() - w / 2, own.bottom() + 1, w, h));
    QRectF drawn;
    p.drawText(at, Qt::AlignCenter, value->second, &drawn);
    const QRectF box = at.united(drawn);
    taken.push_back(box);
    boxes.labels.emplace_back(value->second, toDevice.mapRect(box));
    boxes.values.emplace_back(name, toDevice.mapRect(box));
  }
  p.restore();
}

}  // namespace detail

std::vector<QString> TouchingLabels(const SchematicBoxes& boxes) {
  std::vector<QString> touching;
  for (std::size_t i = 0; i < boxes.labels.size(); ++i) {
    const auto& [text, box] = boxes.labels[i];
    const QRectF wide = box.adjusted(-1, -1, 1, 1);
    bool touches = false;
    for (const QRectF& ink : boxes.ink) touches = touches || wide.intersects(ink);
    for (std::size_t j = 0; j < boxes.labels.size(); ++j) {
      touches = touches || (j != i && wide.intersects(boxes.labels[j].second));
    }
    if (touches) touching.push_back(text);
  }
  return touching;
}

QImage DrawSchematic(bool highPass, int order, SchematicBoxes* boxes, const PartValues* values) {
  QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  QPainter p(&image);
  PaintSchematic(p, highPass, order, nullptr, boxes, values);
  return image;
}

void PaintSchematic(QPainter& p, bool highPass, int order, std::vector<PartLabel>* labels, SchematicBoxes* boxes,
                    const PartValues* values) {
  // Values are placed by where everything else was drawn.
  SchematicBoxes own;
  std::vector<PartLabel> partLabels;
  if (values && !boxes) boxes = &own;
  const std::size_t firstLabel = labels ? labels->size() : 0;
  if (values && !labels) labels = &partLabels;
  p.save();
  p.fillRect(QRectF(0, 0, kPictureWidth, kPictureHeight), Qt::white);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  Sheet s(p, labels, boxes);

  const bool odd = order % 2 == 1;
  const int sections = order / 2;
  const double width = 2 * kTerminal + (odd ? kFirstOrderWidth : 0) + sections * kSecondOrderWidth;
  // Units 28..192 (feedback wire to stage captions) fit below the title.
  const double scale = std::min(1.09, (kPictureWidth - 16) / width);
  const QString kind = highPass ? QStringLiteral("HPF") : QStringLiteral("LPF");
  const QString title = QStringLiteral("%1  %2次  ユニティゲイン・サレン・キー").arg(kind).arg(order);
  s.Label(QRectF(10, 4, 400, 18), title, Qt::AlignLeft | Qt::AlignVCenter, kInk, 13, true);

  p.save();
  p.translate((kPictureWidth - width * scale) / 2, 26 - 28 * scale);
  p.scale(scale, scale);
  p.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

  double x = kTerminal;
  s.Terminal({x - 30, kSig});
  s.Wire({x - 26, kSig}, {x, kSig});
  s.Label(QRectF(x - 50, kSig + 6, 40, 16), QStringLiteral("入力"), Qt::AlignHCenter | Qt::AlignTop, kInk, 11);
  int stage = 1;
  auto caption = [&](double x0, double w, const QString& text) {
    s.Label(QRectF(x0, kGround + 12, w, 14), text, Qt::AlignHCenter | Qt::AlignTop, kNote, 10, false);
  };
  if (odd) {
    DrawFirstOrder(s, x, highPass);
    caption(x, kFirstOrderWidth, QStringLiteral("%1段目（1次）").arg(stage++));
    x += kFirstOrderWidth;
  }
  int part = odd ? 2 : 1;
  for (int i = 0; i < sections; ++i, part += 2) {
    DrawSecondOrder(s, x, highPass, part, part + 1);
    caption(x, kSecondOrderWidth, QStringLiteral("%1段目（2次）").arg(stage++));
    x += kSecondOrderWidth;
  }
  s.Wire({x, kSig}, {x + 26, kSig});
  s.Terminal({x + 30, kSig});
  s.Label(QRectF(x + 10, kSig + 6, 40, 16), QStringLiteral("出力"), Qt::AlignHCenter | Qt::AlignTop, kInk, 11);
  p.restore();
  if (values) {
    detail::PaintValues(p, *values,
                        std::vector<PartLabel>(labels->begin() + static_cast<long>(firstLabel), labels->end()), *boxes);
  }
  p.restore();
}

}  // namespace kelvara::schematic
