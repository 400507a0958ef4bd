#include "schematic/sections_schematic.h"

#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <deque>
#include <string>
#include <utility>

#include "schematic/sheet.h"

namespace kelvara::schematic {

namespace {

using detail::kInk;
using detail::kNote;
using detail::kPartInk;
using detail::Sheet;
using response::Section;
using response::SectionKind;

constexpr double kSig = kDrawingSignalY;
constexpr double kGround = kDrawingGroundY;
constexpr double kTerminal = 44;  // room for the input and output marks
constexpr int kLabelUnits = 10;   // the part labels' size in drawing units
constexpr double kBody = 12;      // half a part's length

// ---- the program's drawings ----

WireRoute Via(std::initializer_list<QPointF> points, WireTurn turn = WireTurn::kAcrossFirst) {
  return {std::vector<QPointF>(points), turn};
}

PartPlace Lying(double x, double y, LabelSide label, WireRoute toA = {}, WireRoute toB = {}) {
  return {{x, y}, false, false, std::move(toA), std::move(toB), label};
}

PartPlace Upright(double x, double y, LabelSide label, WireRoute toA = {}, WireRoute toB = {}, bool reversed = false) {
  return {{x, y}, true, reversed, std::move(toA), std::move(toB), label};
}

// The unity-gain Sallen-Key stage (series1, series2, feedback, shunt): the
// picture of the sheet's cascade, the follower's − input wired over the
// op-amp to the output.
SectionDrawing SallenKeyDrawing() {
  SectionDrawing d;
  d.name = QStringLiteral("ユニティゲイン・サレン・キー");
  d.width = 146;
  d.nodes = {{42, kSig}, {84, kSig}};
  d.parts = {Lying(20, kSig, LabelSide::kBelow), Lying(62, kSig, LabelSide::kBelow),
             Upright(42, 72, LabelSide::kLeft, {}, Via({{42, 34}}), true), Upright(84, 126, LabelSide::kRight)};
  d.opAmp = {98, 86, true, {}, Via({{90, 74}, {90, 50}}), {}};
  return d;
}

// The first-order RC behind a follower (series, shunt).
SectionDrawing RcFollowerDrawing() {
  SectionDrawing d;
  d.name = QStringLiteral("ユニティゲイン・サレン・キー");
  d.width = 104;
  d.nodes = {{42, kSig}};
  d.parts = {Lying(20, kSig, LabelSide::kBelow), Upright(42, 126, LabelSide::kRight)};
  d.opAmp = {56, 86, true, {}, Via({{48, 74}, {48, 50}}), {}};
  return d;
}

// The MFB stage: its parts sit at five places, the input part and the one
// to the − input on the signal line, one from the junction to ground, the
// outer feedback from the junction and the inner one from the − input over
// the op-amp. `at` gives each part's place in the layout's order.
enum class MfbPlace { kInput, kOuterFeedback, kMiddle, kShunt, kInnerFeedback };

SectionDrawing MfbDrawing(std::initializer_list<MfbPlace> at) {
  SectionDrawing d;
  d.name = QStringLiteral("多重帰還（MFB）");
  d.width = 172;
  d.nodes = {{48, kSig}, {100, kSig}};
  for (MfbPlace place : at) {
    switch (place) {
      case MfbPlace::kInput:
        d.parts.push_back(Lying(22, kSig, LabelSide::kBelow));
        break;
      case MfbPlace::kOuterFeedback:
        d.parts.push_back(Lying(84, 18, LabelSide::kAbove));
        break;
      case MfbPlace::kMiddle:
        d.parts.push_back(Lying(74, kSig, LabelSide::kAbove));
        break;
      case MfbPlace::kShunt:
        d.parts.push_back(Upright(48, 136, LabelSide::kRight));
        break;
      case MfbPlace::kInnerFeedback:
        d.parts.push_back(Lying(138, 58, LabelSide::kAbove));
        break;
    }
  }
  d.opAmp = {112, kSig, true, Via({{106, kSig + 12}}), {}, {}};
  return d;
}

// The inverting first order. LPF (input, feedback resistor, feedback
// capacitor): both feedback parts from the − input over the op-amp. HPF
// (input capacitor, input resistor, feedback).
SectionDrawing RcInvertingDrawing(bool highPass) {
  SectionDrawing d;
  d.name = QStringLiteral("多重帰還（MFB）");
  if (highPass) {
    d.width = 168;
    d.nodes = {{48, kSig}, {100, kSig}};
    d.parts = {Lying(22, kSig, LabelSide::kBelow), Lying(74, kSig, LabelSide::kAbove),
               Lying(136, 58, LabelSide::kAbove)};
    d.opAmp = {112, kSig, true, Via({{106, kSig + 12}}), {}, {}};
  } else {
    d.width = 132;
    d.nodes = {{48, kSig}};
    d.parts = {Lying(22, kSig, LabelSide::kBelow), Lying(78, 18, LabelSide::kAbove), Lying(106, 58, LabelSide::kAbove)};
    d.opAmp = {64, kSig, true, Via({{58, kSig + 12}}), {}, {}};
  }
  return d;
}

// The Sallen-Key stage with gain (series1, series2, feedback, shunt, Rf,
// Rg): the unity-gain stage's filter, its op-amp's + input on the signal
// line and the divider of the − input below it.
SectionDrawing SallenKeyGainDrawing() {
  SectionDrawing d;
  d.name = QStringLiteral("サレン・キー（ゲインあり）");
  d.width = 192;
  d.nodes = {{42, kSig}, {84, kSig}, {124, 152}};
  d.parts = {Lying(20, kSig, LabelSide::kBelow),
             Lying(62, kSig, LabelSide::kBelow),
             Upright(42, 72, LabelSide::kRight, {}, Via({{42, 34}}), true),
             Upright(84, 140, LabelSide::kLeft),
             Lying(152, 152, LabelSide::kBelow),
             Upright(124, 166, LabelSide::kLeft)};
  d.opAmp = {132, kSig + 12, false, {}, Via({{124, kSig + 24}}, WireTurn::kAlongFirst), {}};
  return d;
}

// The first-order RC with gain (series, shunt, Rf, Rg).
SectionDrawing RcGainDrawing() {
  SectionDrawing d;
  d.name = QStringLiteral("サレン・キー（ゲインあり）");
  d.width = 150;
  d.nodes = {{42, kSig}, {82, 152}};
  d.parts = {Lying(20, kSig, LabelSide::kBelow), Upright(42, 126, LabelSide::kRight),
             Lying(110, 152, LabelSide::kBelow), Upright(82, 166, LabelSide::kLeft)};
  d.opAmp = {90, kSig + 12, false, {}, Via({{82, kSig + 24}}, WireTurn::kAlongFirst), {}};
  return d;
}

struct DrawingEntry {
  std::string id;
  SectionKind kind;
  SectionDrawing drawing;
};

// A deque: the drawings found stay where they are when more are added.
std::deque<DrawingEntry>& Drawings() {
  static std::deque<DrawingEntry> drawings = [] {
    std::deque<DrawingEntry> d;
    for (SectionKind kind : {SectionKind::kLowPass, SectionKind::kHighPass}) {
      const bool hpf = kind == SectionKind::kHighPass;
      d.push_back({"sallen-key", kind, SallenKeyDrawing()});
      d.push_back({"rc-follower", kind, RcFollowerDrawing()});
      d.push_back({"mfb", kind,
                   MfbDrawing({MfbPlace::kInput, MfbPlace::kOuterFeedback, MfbPlace::kMiddle, MfbPlace::kShunt,
                               MfbPlace::kInnerFeedback})});
      d.push_back({"rc-inverting", kind, RcInvertingDrawing(hpf)});
      d.push_back({"sallen-key-gain", kind, SallenKeyGainDrawing()});
      d.push_back({"rc-gain", kind, RcGainDrawing()});
    }
    d.push_back({"mfb", SectionKind::kBandPass,
                 MfbDrawing({MfbPlace::kInput, MfbPlace::kShunt, MfbPlace::kInnerFeedback, MfbPlace::kMiddle,
                             MfbPlace::kOuterFeedback})});
    return d;
  }();
  return drawings;
}

// ---- painting ----

QString NameOf(response::SectionPartId id) { return QStringLiteral("%1%2").arg(QChar(id.letter)).arg(id.number); }

QString NodeName(const response::SectionLayout& layout, int node) {
  if (node == response::kSectionInput) return QStringLiteral("in");
  if (node == response::kSectionOutput) return QStringLiteral("out");
  if (node == response::kSectionGround) return QStringLiteral("GND");
  if (node >= 0 && node < static_cast<int>(layout.nodeNames.size())) return QString::fromUtf8(layout.nodeNames[node]);
  return QStringLiteral("?");
}

bool Same(QPointF a, QPointF b) { return std::abs(a.x() - b.x()) < 1e-6 && std::abs(a.y() - b.y()) < 1e-6; }

// Draws the sections one after another, in drawing units, and keeps the
// wires and pins it drew.
class Cascade {
 public:
  Cascade(Sheet& s, std::span<const Section> sections) : s_(s), sections_(sections) {}

  // The whole picture but the title, the input terminal's wire ending at x 0.
  void Draw() {
    s_.Terminal({kTerminal - 30, kSig});
    Wire({kTerminal - 26, kSig}, {kTerminal, kSig});
    Pin(QStringLiteral("in"), {kTerminal - 26, kSig});
    s_.Label(QRectF(kTerminal - 50, kSig + 6, 40, 16), QStringLiteral("入力"), Qt::AlignHCenter | Qt::AlignTop, kInk,
             11);
    double x = kTerminal;
    for (std::size_t k = 0; k < sections_.size(); ++k) {
      const Section& section = sections_[k];
      const SectionDrawing* drawing = FindSectionDrawing(section.topology->Id(), section.kind);
      double width = 0;
      if (drawing && DrawingFits(*drawing, *section.layout)) {
        DrawSection(section, static_cast<int>(k), *drawing, x);
        width = drawing->width;
      } else {
        width = DrawGeneric(section, static_cast<int>(k), x);
        generic_.push_back(static_cast<int>(k));
      }
      s_.Label(QRectF(x, kGround + 12, width, 14),
               QStringLiteral("%1段目（%2次）").arg(k + 1).arg(section.topology->Order()),
               Qt::AlignHCenter | Qt::AlignTop, kNote, 10, false);
      x += width;
    }
    Wire({x, kSig}, {x + 26, kSig});
    Pin(QStringLiteral("out"), {x + 26, kSig});
    s_.Terminal({x + 30, kSig});
    s_.Label(QRectF(x + 10, kSig + 6, 40, 16), QStringLiteral("出力"), Qt::AlignHCenter | Qt::AlignTop, kInk, 11);
    DrawDots();
  }

  const std::vector<QLineF>& Wires() const { return wires_; }
  const std::vector<DrawnPin>& Pins() const { return pins_; }
  const std::vector<QPointF>& Dots() const { return dots_; }
  const std::vector<int>& Generic() const { return generic_; }

 private:
  void Wire(QPointF a, QPointF b) {
    if (Same(a, b)) return;
    s_.Wire(a, b);
    wires_.emplace_back(a, b);
  }
  void Pin(const QString& name, QPointF at) { pins_.push_back({name, at}); }

  // From `from` through the route's via points, then one turn, to `to`.
  void Route(QPointF from, const WireRoute& route, QPointF to) {
    QPointF last = from;
    for (QPointF v : route.via) {
      Wire(last, v);
      last = v;
    }
    const QPointF corner = route.turn == WireTurn::kAcrossFirst ? QPointF(to.x(), last.y()) : QPointF(last.x(), to.y());
    Wire(last, corner);
    Wire(corner, to);
  }
  void RouteToGround(QPointF from, const WireRoute& route) {
    QPointF last = from;
    for (QPointF v : route.via) {
      Wire(last, v);
      last = v;
    }
    const QPointF stem(last.x(), kGround - 6);
    Wire(last, stem);
    s_.Ground(last.x(), kGround);
    wires_.emplace_back(stem, QPointF(last.x(), kGround));
    Pin(QStringLiteral("gnd"), stem);
  }

  // A local node's place; ground has none (each end to ground gets its own
  // symbol below it).
  static QPointF NodeAt(const SectionDrawing& d, int node, double x0) {
    if (node == response::kSectionInput) return {x0, kSig};
    if (node == response::kSectionOutput) return {x0 + d.width, kSig};
    return d.nodes[static_cast<std::size_t>(node)] + QPointF(x0, 0);
  }
  void Connect(QPointF from, const WireRoute& route, int node, const SectionDrawing& d, double x0) {
    const WireRoute shifted = Shifted(route, x0);
    if (node == response::kSectionGround) {
      RouteToGround(from, shifted);
    } else {
      Route(from, shifted, NodeAt(d, node, x0));
    }
  }
  static WireRoute Shifted(const WireRoute& route, double x0) {
    WireRoute r = route;
    for (QPointF& v : r.via) v += QPointF(x0, 0);
    return r;
  }

  void DrawSection(const Section& section, int index, const SectionDrawing& d, double x0) {
    const response::SectionLayout& layout = *section.layout;
    for (int i = 0; i < section.PartCount(); ++i) {
      const response::SectionPart& part = layout.parts[static_cast<std::size_t>(i)];
      const PartPlace& place = d.parts[static_cast<std::size_t>(i)];
      const QString name = NameOf(section.ids[static_cast<std::size_t>(i)]);
      const auto [endA, endB] = DrawPart(place, part.letter, name, x0);
      Pin(name + QStringLiteral(".a"), endA);
      Pin(name + QStringLiteral(".b"), endB);
      Connect(endA, place.toA, part.a, d, x0);
      Connect(endB, place.toB, part.b, d, x0);
    }
    const OpAmpPlace& amp = d.opAmp;
    const double left = x0 + amp.left;
    s_.OpAmp(left, amp.centreY, amp.minusOnTop);
    const QPointF minus(left, amp.minusOnTop ? amp.centreY - 12 : amp.centreY + 12);
    const QPointF plus(left, amp.minusOnTop ? amp.centreY + 12 : amp.centreY - 12);
    const QPointF tip(left + 36, amp.centreY);
    const QString unit = QStringLiteral("U%1").arg(index + 1);
    Pin(unit + QStringLiteral(".+"), plus);
    Pin(unit + QStringLiteral(".-"), minus);
    Pin(unit + QStringLiteral(".out"), tip);
    Connect(plus, amp.toPlus, layout.opAmpPlus, d, x0);
    Connect(minus, amp.toMinus, layout.opAmpMinus, d, x0);
    Connect(tip, amp.toOutput, response::kSectionOutput, d, x0);
  }

  // The body of a part with its label; returns its ends a and b.
  std::pair<QPointF, QPointF> DrawPart(const PartPlace& place, char letter, const QString& name, double x0) {
    const QPointF c = place.centre + QPointF(x0, 0);
    const bool capacitor = letter == 'C';
    const double lead = capacitor ? 9 : 2;
    QPointF first, second;  // left or top, right or bottom
    if (place.upright) {
      first = {c.x(), c.y() - kBody};
      second = {c.x(), c.y() + kBody};
      capacitor ? s_.CapacitorV(first.x(), first.y()) : s_.ResistorV(first.x(), first.y());
      wires_.emplace_back(first, first + QPointF(0, lead));
      wires_.emplace_back(second, second - QPointF(0, lead));
    } else {
      first = {c.x() - kBody, c.y()};
      second = {c.x() + kBody, c.y()};
      capacitor ? s_.CapacitorH(first.x(), first.y()) : s_.ResistorH(first.x(), first.y());
      wires_.emplace_back(first, first + QPointF(lead, 0));
      wires_.emplace_back(second, second - QPointF(lead, 0));
    }
    // Clear of a capacitor's plates (9 units either side of its axis).
    switch (place.label) {
      case LabelSide::kBelow:
        s_.Label(QRectF(c.x() - 20, c.y() + 12, 40, 16), name, Qt::AlignHCenter | Qt::AlignTop);
        break;
      case LabelSide::kAbove:
        s_.Label(QRectF(c.x() - 20, c.y() - 28, 40, 16), name, Qt::AlignHCenter | Qt::AlignBottom);
        break;
      case LabelSide::kLeft:
        s_.Label(QRectF(c.x() - 48, c.y() - 10, 34, 20), name, Qt::AlignRight | Qt::AlignVCenter);
        break;
      case LabelSide::kRight:
        s_.Label(QRectF(c.x() + 14, c.y() - 10, 40, 20), name, Qt::AlignLeft | Qt::AlignVCenter);
        break;
    }
    if (place.reversed) std::swap(first, second);
    return {first, second};
  }

  // A section without a drawing: a box with its topology and its parts,
  // each with the nodes it joins, and its op-amp, whose inputs come from
  // the box. Returns its width.
  double DrawGeneric(const Section& section, int index, double x0) {
    const response::SectionLayout& layout = *section.layout;
    const int count = section.PartCount();
    constexpr int kRows = 4;
    constexpr double kColumn = 86, kRow = 26, kTop = 40;
    const int columns = std::max(1, (count + kRows - 1) / kRows);
    const int rows = std::min(count, kRows);
    const double boxLeft = x0 + 14;
    const double boxRight = boxLeft + columns * kColumn + 8;
    const double boxBottom = std::max(kTop + 24 + rows * kRow + 4, kSig + 24);
    // The box's edges are ink, not wires: nothing connects to them.
    s_.Wire({{boxLeft, kTop}, {boxRight, kTop}, {boxRight, boxBottom}, {boxLeft, boxBottom}, {boxLeft, kTop}});
    s_.Label(QRectF(boxLeft + 6, kTop + 4, boxRight - boxLeft - 12, 14),
             QString::fromUtf8(section.topology->Id().data(), static_cast<qsizetype>(section.topology->Id().size())),
             Qt::AlignLeft | Qt::AlignVCenter, kNote, 10, true);
    for (int i = 0; i < count; ++i) {
      const response::SectionPart& part = layout.parts[static_cast<std::size_t>(i)];
      const double x = boxLeft + 6 + (i / kRows) * kColumn;
      const double y = kTop + 24 + (i % kRows) * kRow;
      s_.Label(QRectF(x, y, 28, 14), NameOf(section.ids[static_cast<std::size_t>(i)]),
               Qt::AlignLeft | Qt::AlignVCenter);
      s_.Label(QRectF(x + 30, y, 50, 14), NodeName(layout, part.a) + QStringLiteral("–") + NodeName(layout, part.b),
               Qt::AlignLeft | Qt::AlignVCenter, kNote, 9, false);
    }
    Wire({x0, kSig}, {boxLeft, kSig});
    const double left = boxRight + 18;
    s_.OpAmp(left, kSig, true);
    Wire({boxRight, kSig - 12}, {left, kSig - 12});
    Wire({boxRight, kSig + 12}, {left, kSig + 12});
    const QString unit = QStringLiteral("U%1").arg(index + 1);
    Pin(unit + QStringLiteral(".+"), {left, kSig + 12});
    Pin(unit + QStringLiteral(".-"), {left, kSig - 12});
    Pin(unit + QStringLiteral(".out"), {left + 36, kSig});
    const double width = left + 36 + 14 - x0;
    Wire({left + 36, kSig}, {x0 + width, kSig});
    return width;
  }

  // A dot wherever wires leave a point in three or more directions.
  void DrawDots() {
    std::vector<QPointF> points;
    for (const QLineF& w : wires_) {
      for (QPointF end : {w.p1(), w.p2()}) {
        if (std::none_of(points.begin(), points.end(), [&](QPointF q) { return Same(q, end); })) points.push_back(end);
      }
    }
    for (QPointF at : points) {
      std::vector<QPointF> directions;
      auto add = [&](QPointF towards) {
        const double length = std::hypot(towards.x(), towards.y());
        const QPointF unit(towards.x() / length, towards.y() / length);
        if (std::none_of(directions.begin(), directions.end(),
                         [&](QPointF d) { return std::abs(d.x() - unit.x()) + std::abs(d.y() - unit.y()) < 1e-6; })) {
          directions.push_back(unit);
        }
      };
      for (const QLineF& w : wires_) {
        if (Same(w.p1(), at)) {
          add(w.p2() - at);
        } else if (Same(w.p2(), at)) {
          add(w.p1() - at);
        } else if (OnSegment(at, w)) {
          add(w.p1() - at);
          add(w.p2() - at);
        }
      }
      if (directions.size() >= 3) {
        s_.Dot(at);
        dots_.push_back(at);
      }
    }
  }
  static bool OnSegment(QPointF at, const QLineF& w) {
    const QPointF d = w.p2() - w.p1();
    const QPointF r = at - w.p1();
    const double cross = d.x() * r.y() - d.y() * r.x();
    const double dot = d.x() * r.x() + d.y() * r.y();
    const double length2 = d.x() * d.x() + d.y() * d.y();
    return std::abs(cross) < 1e-6 * std::sqrt(length2) && dot > 0 && dot < length2;
  }

  Sheet& s_;
  std::span<const Section> sections_;
  std::vector<QLineF> wires_;
  std::vector<DrawnPin> pins_;
  std::vector<QPointF> dots_;
  std::vector<int> generic_;
};

QString TitleOf(std::span<const Section> sections) {
  int order = 0;
  const Section* main = nullptr;
  for (const Section& s : sections) {
    order += s.topology->Order();
    if (!main || s.topology->Order() > main->topology->Order()) main = &s;
  }
  if (!main) return QString();
  const SectionKind kind = sections.back().kind;
  const QString kindName = kind == SectionKind::kBandPass   ? QStringLiteral("BPF")
                           : kind == SectionKind::kHighPass ? QStringLiteral("HPF")
                                                            : QStringLiteral("LPF");
  const SectionDrawing* drawing = FindSectionDrawing(main->topology->Id(), main->kind);
  const std::string_view description = main->topology->Description();
  const QString name = drawing && DrawingFits(*drawing, *main->layout)
                           ? drawing->name
                           : QString::fromUtf8(description.data(), static_cast<qsizetype>(description.size()));
  return QStringLiteral("%1  %2次  %3").arg(kindName).arg(order).arg(name);
}

void SetPen(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

}  // namespace

const SectionDrawing* FindSectionDrawing(std::string_view topologyId, SectionKind kind) {
  for (const DrawingEntry& e : Drawings()) {
    if (e.id == topologyId && e.kind == kind) return &e.drawing;
  }
  return nullptr;
}

void RegisterSectionDrawing(std::string_view topologyId, SectionKind kind, SectionDrawing drawing) {
  for (DrawingEntry& e : Drawings()) {
    if (e.id == topologyId && e.kind == kind) {
      e.drawing = std::move(drawing);
      return;
    }
  }
  Drawings().push_back({std::string(topologyId), kind, std::move(drawing)});
}

bool DrawingFits(const SectionDrawing& drawing, const response::SectionLayout& layout) {
  if (drawing.parts.size() != layout.parts.size() || drawing.width <= 0) return false;
  const int own = static_cast<int>(drawing.nodes.size());
  auto known = [&](int node) {
    return node == response::kSectionGround || node == response::kSectionInput || node == response::kSectionOutput ||
           (node >= 0 && node < own);
  };
  for (const response::SectionPart& part : layout.parts) {
    if (!known(part.a) || !known(part.b)) return false;
  }
  return known(layout.opAmpPlus) && known(layout.opAmpMinus);
}

QImage DrawSectionsSchematic(std::span<const Section> sections, SchematicBoxes* boxes, const PartValues* values) {
  QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  QPainter p(&image);
  PaintSectionsSchematic(p, sections, nullptr, boxes, values);
  return image;
}

void PaintSectionsSchematic(QPainter& p, std::span<const Section> sections, std::vector<PartLabel>* labels,
                            SchematicBoxes* boxes, const PartValues* values) {
  SchematicBoxes own;
  std::vector<PartLabel> partLabels;
  if (values && !boxes) boxes = &own;
  const std::size_t firstLabel = labels ? labels->size() : 0;
  if (values && !labels) labels = &partLabels;

  // Where the drawing's ink lies in its own units, from drawing it once
  // aside: the picture is scaled to fit it.
  QRectF extent;
  {
    QImage scratch(8, 8, QImage::Format_RGB32);
    QPainter q(&scratch);
    SetPen(q);
    SchematicBoxes measured;
    Sheet s(q, nullptr, &measured);
    Cascade(s, sections).Draw();
    for (const QRectF& r : measured.ink) extent = extent.united(r);
    for (const auto& label : measured.labels) extent = extent.united(label.second);
  }

  p.save();
  p.fillRect(QRectF(0, 0, kPictureWidth, kPictureHeight), Qt::white);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  Sheet s(p, labels, boxes);
  s.Label(QRectF(10, 4, 600, 18), TitleOf(sections), Qt::AlignLeft | Qt::AlignVCenter, kInk, 13, true);

  constexpr double kTopSpace = 26;  // below the title
  const double scale =
      std::min({1.09, (kPictureWidth - 16) / extent.width(), (kPictureHeight - kTopSpace - 4) / extent.height()});
  p.save();
  p.translate((kPictureWidth - extent.width() * scale) / 2 - extent.left() * scale, kTopSpace - extent.top() * scale);
  p.scale(scale, scale);
  SetPen(p);
  Cascade cascade(s, sections);
  cascade.Draw();
  if (boxes) {
    const QTransform toDevice = p.transform();
    SchematicWiring& wiring = boxes->wiring;
    for (const QLineF& w : cascade.Wires()) wiring.wires.push_back(toDevice.map(w));
    for (const DrawnPin& pin : cascade.Pins()) wiring.pins.push_back({pin.name, toDevice.map(pin.at)});
    for (QPointF dot : cascade.Dots()) wiring.dots.push_back(toDevice.map(dot));
    wiring.genericSections = cascade.Generic();
    wiring.labelPixels = kLabelUnits * std::abs(toDevice.m22());
  }
  p.restore();
  if (values) {
    detail::PaintValues(p, *values,
                        std::vector<PartLabel>(labels->begin() + static_cast<long>(firstLabel), labels->end()), *boxes);
  }
  p.restore();
}

}  // namespace kelvara::schematic
