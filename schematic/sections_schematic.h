#pragma once

// The circuit picture of any cascade of sections (response/section.h): the
// sections side by side from the input terminal at the left to the output
// at the right, each drawn from its element list. A topology's drawing
// says where its own nodes, its parts' bodies and its op-amp sit and how
// each wire turns; every part is then wired from its two ends to the nodes
// its layout joins it to, and each op-amp input to the node the layout
// gives it, so that the picture shows the circuit the layout describes. A
// section whose topology has no drawing (or one that does not fit its
// layout) is drawn as a box listing its parts with their nodes.
//
// The picture has the size of the Sallen-Key pictures (kPictureWidth x
// kPictureHeight); a cascade too long for it is scaled down as a whole.

#include <QImage>
#include <QPointF>
#include <QString>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "response/section.h"
#include "schematic/schematic.h"

class QPainter;

namespace kelvara::schematic {

// A section's drawing is in its own units: x from its input (0) to its
// output (width), y downwards; the signal passes from section to section
// on the line y = kDrawingSignalY, and ground symbols stand at
// kDrawingGroundY.
inline constexpr double kDrawingSignalY = 98;
inline constexpr double kDrawingGroundY = 184;

/// How a wire turns on its way to a node after its via points: along x to
/// the node's x, then along y (kAcrossFirst), or the other way round.
enum class WireTurn : std::uint8_t { kAcrossFirst, kAlongFirst };

/// The way from a part's end or an op-amp pin to its node: the points it
/// passes first, then one turn. To ground it runs straight down from its
/// last point to a ground symbol.
struct WireRoute {
  std::vector<QPointF> via;
  WireTurn turn = WireTurn::kAcrossFirst;
};

enum class LabelSide : std::uint8_t { kBelow, kAbove, kLeft, kRight };

/// Where one part's body sits (24 units long, centred on `centre`): lying,
/// its end a at the left, or upright, its end a at the top; reversed puts
/// end a at the right or the bottom. End a is wired to the layout's node a,
/// end b to node b.
struct PartPlace {
  QPointF centre;
  bool upright = false;
  bool reversed = false;
  WireRoute toA;
  WireRoute toB;
  LabelSide label = LabelSide::kBelow;
};

/// The op-amp: its left edge, the height of its output (the inputs 12
/// above and below) and the routes of its pins to their nodes.
struct OpAmpPlace {
  double left = 0;
  double centreY = kDrawingSignalY;
  bool minusOnTop = true;
  WireRoute toPlus;
  WireRoute toMinus;
  WireRoute toOutput;  // from its tip to the section's output
};

/// One topology's picture for one kind.
struct SectionDrawing {
  QString name;                  // how the title names the circuit ("多重帰還（MFB）")
  double width = 0;              // the input at (0, signal), the output at (width, signal)
  std::vector<QPointF> nodes;    // where each of the section's own nodes sits
  std::vector<PartPlace> parts;  // one per part, in the layout's order
  OpAmpPlace opAmp;
};

/// The drawing of a topology (by its Id()) for a kind: the program's own
/// for its six topologies and every kind they accept, or one registered.
/// Null where there is none.
const SectionDrawing* FindSectionDrawing(std::string_view topologyId, response::SectionKind kind);
/// Adds (or replaces) the drawing of a topology and kind for the rest of
/// the process. Register before drawing from another thread: the registry
/// is not locked.
void RegisterSectionDrawing(std::string_view topologyId, response::SectionKind kind, SectionDrawing drawing);
/// Whether a drawing can draw a layout: a place for every part and every
/// own node the layout names.
bool DrawingFits(const SectionDrawing& drawing, const response::SectionLayout& layout);

/// The cascade's picture: each part labelled with its cascade name (R1,
/// C3, from the sections' ids), each section's op-amp with its + and −
/// inputs. boxes, when given, receives where everything was drawn and the
/// wiring; values, when given, are printed beside the labels (as
/// PaintSchematic places them).
QImage DrawSectionsSchematic(std::span<const response::Section> sections, SchematicBoxes* boxes = nullptr,
                             const PartValues* values = nullptr);

/// Paints the same picture on a white kPictureWidth x kPictureHeight area
/// at the painter's origin (as PaintSchematic: labels receives every part
/// label drawn, boxes where everything was drawn).
void PaintSectionsSchematic(QPainter& p, std::span<const response::Section> sections,
                            std::vector<PartLabel>* labels = nullptr, SchematicBoxes* boxes = nullptr,
                            const PartValues* values = nullptr);

}  // namespace kelvara::schematic
