// The picture of a cascade of sections: for every topology and kind of the
// program, orders 1..8 and band-pass 2..8, every part has one label with
// its name, no label or value touches a symbol, a wire or another text, the
// picture fits its size with legible labels, and the wires join what the
// sections' layouts say (read back from the drawn wires: two wires are
// joined where an end of one lies on the other). A topology without a
// drawing gets the box of its parts; a drawing given a layout that wires
// its parts differently draws the layout's wiring.

#include <gtest/gtest.h>

#include <QPainter>
#include <QRectF>
#include <QStringList>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <variant>

#include "engine/bandpass.h"
#include "engine/design.h"
#include "engine/section_design.h"
#include "response/bandpass.h"
#include "response/circuit.h"
#include "schematic/sections_schematic.h"
#include "values/eng_value.h"

namespace kelvara::schematic {
namespace {

using response::Section;
using response::SectionKind;

enum class Family { kSallenKey, kSallenKeyGain, kMfb, kBandPass };

const char* FamilyName(Family f) {
  switch (f) {
    case Family::kSallenKey:
      return "SallenKey";
    case Family::kSallenKeyGain:
      return "SallenKeyGain";
    case Family::kMfb:
      return "Mfb";
    case Family::kBandPass:
      return "BandPass";
  }
  return "";
}

struct CascadeCase {
  Family family;
  SectionKind kind;
  int order;
};

std::string NameOf(const CascadeCase& c) {
  const char* kind = c.kind == SectionKind::kBandPass ? "BPF" : c.kind == SectionKind::kHighPass ? "HPF" : "LPF";
  return std::string(FamilyName(c.family)) + "_" + kind + "_" + std::to_string(c.order);
}

void PrintTo(const CascadeCase& c, std::ostream* os) { *os << NameOf(c); }

// The first-order section of an order 1 as the families start an odd
// order with.
const response::SectionTopology& FirstOrderOf(Family f) {
  return f == Family::kMfb             ? response::RcInvertingTopology()
         : f == Family::kSallenKeyGain ? response::RcGainTopology()
                                       : response::RcFollowerTopology();
}

// The sections as the designer makes them (engine designs; order 1, which
// the designer does not make, of the family's first-order section).
std::vector<Section> SectionsOf(const CascadeCase& c) {
  if (c.family == Family::kBandPass) {
    const auto targets = engine::BandPassSections(values::kButterworth, 0, c.order, 1000, 200, 1.0);
    return response::SectionsOfBandPass(engine::DesignBandPass(targets));
  }
  if (c.order == 1) {
    std::array<int, 2> next{1, 1};
    return {response::MakeSection(FirstOrderOf(c.family), c.kind, {1e3, 1e-8, 1e4, 1e4}, next)};
  }
  engine::DesignRequest request;
  request.cutoffHz = 1000;
  request.passKind = c.kind == SectionKind::kHighPass ? engine::kHpf : engine::kLpf;
  request.orderIndex = static_cast<std::uint8_t>(c.order - values::kMinOrder);
  request.evenOrder = c.order % 2 == 0;
  engine::SectionPlanInputs in;
  in.passKind = request.passKind;
  in.order = c.order;
  in.family = c.family == Family::kMfb ? engine::SectionFamily::kMfb : engine::SectionFamily::kSallenKey;
  in.gain = c.family == Family::kSallenKeyGain ? 4.0 : 1.0;
  const auto planned = engine::PlanSections(in, engine::BuildStageTargets(request));
  const auto& plans = std::get<std::vector<engine::StagePlan>>(planned);
  const bool hpf = c.kind == SectionKind::kHighPass;
  const auto fixes = engine::FixesOf(plans, hpf, {});
  return response::SectionsOf(engine::DesignSections(plans, hpf, std::get<engine::SectionFixes>(fixes)));
}

QString PartName(const Section& s, int i) {
  return QStringLiteral("%1%2").arg(QChar(s.ids[static_cast<std::size_t>(i)].letter)).arg(s.ids[i].number);
}

std::vector<QString> PartNames(const std::vector<Section>& sections) {
  std::vector<QString> names;
  for (const Section& s : sections) {
    for (int i = 0; i < s.PartCount(); ++i) names.push_back(PartName(s, i));
  }
  return names;
}

// Each part's value as the designer prints it, or the longest texts.
PartValues ValuesOf(const std::vector<Section>& sections, bool longest) {
  PartValues values;
  for (const Section& s : sections) {
    for (int i = 0; i < s.PartCount(); ++i) {
      const bool capacitor = s.ids[static_cast<std::size_t>(i)].letter == 'C';
      const double v = s.values[static_cast<std::size_t>(i)];
      const std::string text = longest     ? (capacitor ? "0.099999u" : "-999.99m")
                               : capacitor ? values::FormatCapacitance(v)
                                           : values::FormatResistance(v);
      values[PartName(s, i)] = QString::fromStdString(text);
    }
  }
  return values;
}

// KELVARA_KEEP_PICTURES=DIR keeps a picture there to look at.
void Keep(const QImage& image, const std::string& name) {
  if (const char* keep = std::getenv("KELVARA_KEEP_PICTURES")) {
    image.save(QString::fromLocal8Bit(keep) + QStringLiteral("/schem-") + QString::fromStdString(name) +
               QStringLiteral(".png"));
  }
}

std::string Touching(const SchematicBoxes& boxes) {
  QStringList touching;
  for (const QString& text : TouchingLabels(boxes)) touching << text;
  return touching.join(' ').toStdString();
}

// ---- the nets of the drawn wires ----

bool OnWire(QPointF p, const QLineF& w) {
  constexpr double kNear = 0.01;  // pixels
  const QPointF d = w.p2() - w.p1();
  const double length = std::hypot(d.x(), d.y());
  const QPointF r = p - w.p1();
  if (length == 0) return std::hypot(r.x(), r.y()) < kNear;
  const double along = (r.x() * d.x() + r.y() * d.y()) / length;
  const double across = std::abs(r.x() * d.y() - r.y() * d.x()) / length;
  return across < kNear && along > -kNear && along < length + kNear;
}

class Nets {
 public:
  explicit Nets(const SchematicWiring& wiring) : wiring_(wiring), parent_(wiring.wires.size()) {
    for (std::size_t i = 0; i < parent_.size(); ++i) parent_[i] = static_cast<int>(i);
    const auto& w = wiring.wires;
    for (std::size_t i = 0; i < w.size(); ++i) {
      for (std::size_t j = 0; j < w.size(); ++j) {
        if (i != j && (OnWire(w[i].p1(), w[j]) || OnWire(w[i].p2(), w[j]))) Join(int(i), int(j));
      }
    }
    // Every ground symbol is the one ground.
    int ground = -1;
    for (const DrawnPin& pin : wiring.pins) {
      if (pin.name != QStringLiteral("gnd")) continue;
      const int net = NetAt(pin.at);
      if (net < 0) continue;
      if (ground >= 0) Join(ground, net);
      ground = net;
    }
    ground_ = ground < 0 ? -1 : Root(ground);
  }

  /// The net of a named pin (each name once), -1 where there is none or
  /// it lies on no wire.
  int Of(const QString& name) const {
    int found = -1, count = 0;
    for (const DrawnPin& pin : wiring_.pins) {
      if (pin.name == name) {
        found = NetAt(pin.at);
        ++count;
      }
    }
    return count == 1 ? found : -1;
  }
  int Ground() const { return ground_ < 0 ? -1 : Root(ground_); }

 private:
  int NetAt(QPointF p) const {
    for (std::size_t i = 0; i < wiring_.wires.size(); ++i) {
      if (OnWire(p, wiring_.wires[i])) return Root(static_cast<int>(i));
    }
    return -1;
  }
  int Root(int i) const {
    while (parent_[static_cast<std::size_t>(i)] != i) i = parent_[static_cast<std::size_t>(i)];
    return i;
  }
  void Join(int a, int b) { parent_[static_cast<std::size_t>(Root(a))] = Root(b); }

  const SchematicWiring& wiring_;
  std::vector<int> parent_;
  int ground_ = -1;
};

// Where the drawn wiring of the sections differs from their layouts (empty:
// none): each part's ends and each op-amp's inputs on the nets of the nodes
// the layout names, one net per node, the nodes' nets apart.
std::vector<std::string> WiringProblems(const std::vector<Section>& sections, const SchematicWiring& wiring,
                                        const std::vector<const response::SectionLayout*>& layouts,
                                        bool lastToTerminal = true) {
  std::vector<std::string> problems;
  const Nets nets(wiring);
  const int ground = nets.Ground();
  for (std::size_t k = 0; k < sections.size(); ++k) {
    const Section& s = sections[k];
    const response::SectionLayout& layout = *layouts[k];
    const std::string where = "section " + std::to_string(k + 1) + ": ";
    const int input = k == 0 ? nets.Of(QStringLiteral("in")) : nets.Of(QStringLiteral("U%1.out").arg(k));
    const int output = nets.Of(QStringLiteral("U%1.out").arg(k + 1));
    if (input < 0 || output < 0 || ground < 0 || input == output || input == ground || output == ground) {
      problems.push_back(where + "input, output and ground are not three nets");
      continue;
    }
    std::map<int, int> own;  // own node -> net
    auto check = [&](const QString& pin, int node) {
      const int net = nets.Of(pin);
      int expected = -2;
      if (node == response::kSectionInput) expected = input;
      if (node == response::kSectionOutput) expected = output;
      if (node == response::kSectionGround) expected = ground;
      if (node >= 0) {
        if (!own.count(node)) own[node] = net;
        expected = own[node];
      }
      if (net < 0 || net != expected) problems.push_back(where + pin.toStdString() + " is not on its node");
    };
    for (int i = 0; i < s.PartCount(); ++i) {
      const response::SectionPart& part = layout.parts[static_cast<std::size_t>(i)];
      check(PartName(s, i) + QStringLiteral(".a"), part.a);
      check(PartName(s, i) + QStringLiteral(".b"), part.b);
    }
    check(QStringLiteral("U%1.+").arg(k + 1), layout.opAmpPlus);
    check(QStringLiteral("U%1.-").arg(k + 1), layout.opAmpMinus);
    std::set<int> apart{input, output, ground};
    for (const auto& [node, net] : own) {
      if (!apart.insert(net).second) problems.push_back(where + "own node " + std::to_string(node) + " shares a net");
    }
  }
  if (lastToTerminal && !sections.empty() &&
      nets.Of(QStringLiteral("out")) != nets.Of(QStringLiteral("U%1.out").arg(sections.size()))) {
    problems.push_back("the output terminal is not on the last section's output");
  }
  return problems;
}

std::vector<const response::SectionLayout*> LayoutsOf(const std::vector<Section>& sections) {
  std::vector<const response::SectionLayout*> layouts;
  for (const Section& s : sections) layouts.push_back(s.layout);
  return layouts;
}

// ---- every cascade of the program ----

class Cascades : public ::testing::TestWithParam<CascadeCase> {};

TEST_P(Cascades, EveryPartHasOneLabelAndNothingTouches) {
  const std::vector<Section> sections = SectionsOf(GetParam());
  ASSERT_FALSE(sections.empty());
  SchematicBoxes boxes;
  const QImage image = DrawSectionsSchematic(sections, &boxes);
  Keep(image, NameOf(GetParam()));
  EXPECT_EQ(image.width(), kPictureWidth);
  EXPECT_EQ(image.height(), kPictureHeight);
  const std::vector<QString> names = PartNames(sections);
  for (const QString& name : names) {
    int count = 0;
    for (const auto& label : boxes.labels) count += label.first == name;
    EXPECT_EQ(count, 1) << name.toStdString();
  }
  EXPECT_EQ(Touching(boxes), "");
  const QRectF picture(image.rect());
  for (const auto& [text, box] : boxes.labels) EXPECT_TRUE(picture.contains(box)) << text.toStdString();
  for (const QRectF& ink : boxes.ink) EXPECT_TRUE(picture.contains(ink));
  EXPECT_GE(boxes.wiring.labelPixels, 7.0);
  EXPECT_TRUE(boxes.wiring.genericSections.empty());
}

TEST_P(Cascades, WiresJoinWhatTheLayoutsSay) {
  const std::vector<Section> sections = SectionsOf(GetParam());
  SchematicBoxes boxes;
  DrawSectionsSchematic(sections, &boxes);
  std::ostringstream problems;
  for (const std::string& p : WiringProblems(sections, boxes.wiring, LayoutsOf(sections))) problems << p << "; ";
  EXPECT_EQ(problems.str(), "");
}

TEST_P(Cascades, ValuesStandBesideTheirLabelsTouchingNothing) {
  const std::vector<Section> sections = SectionsOf(GetParam());
  for (const bool longest : {false, true}) {
    for (const double scale : {1.0, 3.0}) {
      SCOPED_TRACE(std::string(longest ? "longest" : "designed") + " x" + std::to_string(scale));
      const PartValues values = ValuesOf(sections, longest);
      QImage image(static_cast<int>(kPictureWidth * scale), static_cast<int>(kPictureHeight * scale),
                   QImage::Format_RGB32);
      SchematicBoxes boxes;
      {
        QPainter p(&image);
        p.scale(scale, scale);
        PaintSectionsSchematic(p, sections, nullptr, &boxes, &values);
      }
      Keep(image, NameOf(GetParam()) + (longest ? "_longest" : "_values") + (scale == 1.0 ? "" : "_x3"));
      EXPECT_EQ(Touching(boxes), "");
      std::map<QString, QRectF> labels;
      for (const auto& [text, box] : boxes.labels) {
        if (values.count(text)) labels[text] = box;
      }
      std::map<QString, int> printed;
      for (const auto& [name, box] : boxes.values) {
        ++printed[name];
        EXPECT_TRUE(QRectF(image.rect()).contains(box)) << name.toStdString();
        const QPointF d = box.center() - labels[name].center();
        EXPECT_LT(std::hypot(d.x(), d.y()), 7.5 * kValuePixels * scale) << name.toStdString();
      }
      for (const auto& [name, text] : values) EXPECT_EQ(printed[name], 1) << name.toStdString();
    }
  }
}

std::vector<CascadeCase> AllCascades() {
  std::vector<CascadeCase> cases;
  for (Family f : {Family::kSallenKey, Family::kSallenKeyGain, Family::kMfb}) {
    for (SectionKind kind : {SectionKind::kLowPass, SectionKind::kHighPass}) {
      for (int order = 1; order <= 8; ++order) cases.push_back({f, kind, order});
    }
  }
  for (int order = 2; order <= 8; order += 2) cases.push_back({Family::kBandPass, SectionKind::kBandPass, order});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(All, Cascades, ::testing::ValuesIn(AllCascades()),
                         [](const auto& info) { return NameOf(info.param); });

// Every kind of every program topology has its drawing, and it fits the
// layout.
TEST(SectionDrawings, EveryProgramTopologyAndKindHasOne) {
  for (const response::SectionTopology* t :
       {&response::SallenKeyTopology(), &response::RcFollowerTopology(), &response::MfbTopology(),
        &response::RcInvertingTopology(), &response::SallenKeyGainTopology(), &response::RcGainTopology()}) {
    for (SectionKind kind : {SectionKind::kLowPass, SectionKind::kHighPass, SectionKind::kBandPass}) {
      if (!t->Accepts(kind)) continue;
      const SectionDrawing* d = FindSectionDrawing(t->Id(), kind);
      ASSERT_NE(d, nullptr) << t->Id();
      EXPECT_TRUE(DrawingFits(*d, t->Layout(kind))) << t->Id();
    }
  }
}

// ---- topologies registered here ----

// A second-order topology of seven parts that no drawing knows.
class Unknown final : public response::SectionTopology {
 public:
  Unknown() {
    layout_.parts = {
        {"Ra", 'R', response::kSectionInput, 0},  {"Rb", 'R', 0, 1}, {"Ca", 'C', 0, response::kSectionOutput},
        {"Cb", 'C', 1, response::kSectionGround}, {"Rc", 'R', 1, 2}, {"Rd", 'R', 2, response::kSectionOutput},
        {"Re", 'R', 2, response::kSectionGround}};
    layout_.nodeNames = {"a", "b", "m"};
    layout_.opAmpPlus = 1;
    layout_.opAmpMinus = 2;
  }
  std::string_view Id() const override { return "test-without-drawing"; }
  std::string_view Description() const override { return "Test section without a drawing"; }
  int Order() const override { return 2; }
  bool Accepts(SectionKind kind) const override { return kind == SectionKind::kLowPass; }
  bool Inverting() const override { return false; }
  double MinGain() const override { return 1; }
  double MaxGain() const override { return 1; }
  const response::SectionLayout& Layout(SectionKind) const override { return layout_; }
  response::SectionFigures Figures(SectionKind, std::span<const double>) const override { return {1, 0.7, 1}; }
  std::vector<response::SectionSensitivity> Sensitivities(SectionKind, std::span<const double>) const override {
    return std::vector<response::SectionSensitivity>(layout_.parts.size());
  }

 private:
  response::SectionLayout layout_;
};

// The MFB low-pass with its parts wired otherwise: the part to ground goes
// to the output, the inner feedback comes from the junction.
class Rewired final : public response::SectionTopology {
 public:
  Rewired() : layout_(response::MfbTopology().Layout(SectionKind::kLowPass)) {
    layout_.parts[3].b = response::kSectionOutput;
    layout_.parts[4].a = 0;
  }
  std::string_view Id() const override { return "test-mfb-rewired"; }
  std::string_view Description() const override { return "Test MFB rewired"; }
  int Order() const override { return 2; }
  bool Accepts(SectionKind kind) const override { return kind == SectionKind::kLowPass; }
  bool Inverting() const override { return true; }
  double MinGain() const override { return 1; }
  double MaxGain() const override { return 1; }
  const response::SectionLayout& Layout(SectionKind) const override { return layout_; }
  response::SectionFigures Figures(SectionKind, std::span<const double>) const override { return {1, 0.7, -1}; }
  std::vector<response::SectionSensitivity> Sensitivities(SectionKind, std::span<const double>) const override {
    return std::vector<response::SectionSensitivity>(layout_.parts.size());
  }

 private:
  response::SectionLayout layout_;
};

const response::SectionTopology& Registered(std::unique_ptr<response::SectionTopology> t) {
  const std::string id(t->Id());
  if (!response::FindSectionTopology(id)) response::RegisterSectionTopology(std::move(t));
  return *response::FindSectionTopology(id);
}

std::vector<Section> MixedCascade(const response::SectionTopology& middle) {
  std::array<int, 2> next{1, 1};
  std::vector<Section> sections;
  sections.push_back(response::MakeSection(response::MfbTopology(), SectionKind::kLowPass, {}, next));
  sections.push_back(response::MakeSection(middle, SectionKind::kLowPass, {}, next));
  sections.push_back(response::MakeSection(response::MfbTopology(), SectionKind::kLowPass, {}, next));
  return sections;
}

TEST(SectionWithoutDrawing, IsTheBoxOfItsParts) {
  const response::SectionTopology& unknown = Registered(std::make_unique<Unknown>());
  ASSERT_EQ(FindSectionDrawing(unknown.Id(), SectionKind::kLowPass), nullptr);
  const std::vector<Section> sections = MixedCascade(unknown);
  const PartValues values = ValuesOf(sections, true);
  SchematicBoxes boxes;
  const QImage image = DrawSectionsSchematic(sections, &boxes, &values);
  Keep(image, "generic");
  EXPECT_EQ(boxes.wiring.genericSections, std::vector<int>{1});
  for (const QString& name : PartNames(sections)) {
    int count = 0;
    for (const auto& label : boxes.labels) count += label.first == name;
    EXPECT_EQ(count, 1) << name.toStdString();
  }
  EXPECT_EQ(Touching(boxes), "");
  EXPECT_EQ(boxes.values.size(), values.size());
  for (const auto& [text, box] : boxes.labels) EXPECT_TRUE(QRectF(image.rect()).contains(box)) << text.toStdString();
  EXPECT_GE(boxes.wiring.labelPixels, 7.0);
  // The sections around it are still wired as their layouts say.
  const std::vector<Section> outer{sections[0]};
  std::ostringstream problems;
  for (const std::string& p : WiringProblems(outer, boxes.wiring, LayoutsOf(outer), false)) problems << p << "; ";
  EXPECT_EQ(problems.str(), "");
}

TEST(SectionWithoutDrawing, AlsoWhereTheDrawingDoesNotFitItsLayout) {
  const response::SectionTopology& unknown = Registered(std::make_unique<Unknown>());
  // The MFB drawing has five places, the layout seven parts.
  RegisterSectionDrawing(unknown.Id(), SectionKind::kLowPass, *FindSectionDrawing("mfb", SectionKind::kLowPass));
  const std::vector<Section> sections = MixedCascade(unknown);
  SchematicBoxes boxes;
  DrawSectionsSchematic(sections, &boxes);
  EXPECT_EQ(boxes.wiring.genericSections, std::vector<int>{1});
  EXPECT_EQ(Touching(boxes), "");
}

TEST(SectionDrawing, FollowsTheLayoutsWiring) {
  const response::SectionTopology& rewired = Registered(std::make_unique<Rewired>());
  RegisterSectionDrawing(rewired.Id(), SectionKind::kLowPass, *FindSectionDrawing("mfb", SectionKind::kLowPass));
  const std::vector<Section> sections = MixedCascade(rewired);
  SchematicBoxes boxes;
  Keep(DrawSectionsSchematic(sections, &boxes), "rewired");
  EXPECT_TRUE(boxes.wiring.genericSections.empty());
  // Drawn as its own layout says, and not as the MFB's.
  std::ostringstream problems;
  for (const std::string& p : WiringProblems(sections, boxes.wiring, LayoutsOf(sections))) problems << p << "; ";
  EXPECT_EQ(problems.str(), "");
  std::vector<const response::SectionLayout*> mfb = LayoutsOf(sections);
  mfb[1] = &response::MfbTopology().Layout(SectionKind::kLowPass);
  EXPECT_FALSE(WiringProblems(sections, boxes.wiring, mfb).empty());
}

// Junction dots stand where three or more wires meet, and only there: the
// MFB section's two nodes and the output where its feedback joins.
TEST(SectionDrawing, DotsWhereWiresMeet) {
  std::array<int, 2> next{1, 1};
  const std::vector<Section> sections{response::MakeSection(response::MfbTopology(), SectionKind::kLowPass, {}, next)};
  SchematicBoxes boxes;
  DrawSectionsSchematic(sections, &boxes);
  // Node a (4 ways), the − input's bus, the output (feedback from above,
  // op-amp from the left, on to the terminal) and where the inner feedback
  // comes down to it.
  EXPECT_EQ(boxes.wiring.dots.size(), 4u);
}

TEST(SectionsPicture, OfNoSectionsIsTheTerminals) {
  SchematicBoxes boxes;
  const QImage image = DrawSectionsSchematic({}, &boxes);
  EXPECT_EQ(image.width(), kPictureWidth);
  EXPECT_EQ(Touching(boxes), "");
}

}  // namespace
}  // namespace kelvara::schematic
