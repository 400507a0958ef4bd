// The circuit with every part's value, as the design report prints it: for
// every kind and order and values of every length, no value touches a
// symbol, a wire or another text (the check of the pictures), each lies in
// the picture and nearer its own part's label than any other's; drawn at
// the pictures' size and scaled up as on a report page.

#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "schematic/schematic.h"

namespace kelvara::schematic {
namespace {

struct ValueLengths {
  const char* name;
  const char* resistor;   // odd-numbered parts
  const char* capacitor;  // odd-numbered parts
  const char* resistor2;  // even-numbered parts
  const char* capacitor2;
};

const ValueLengths kLengths[] = {
    {"Short", "1.00k", "100p", "1.00k", "100p"},
    {"Typical", "4.70k", "4700p", "10.00k", "0.022u"},
    {"Long", "999.99k", "0.019142u", "100.00k", "10000p"},
    {"Longest", "-999.99m", "0.099999u", "-999.99m", "0.099999u"},
    {"Mixed", "999.99k", "100p", "1.00k", "0.019142u"},
};

struct ValuesCase {
  bool highPass;
  int order;
  ValueLengths lengths;
  double scale;  // 1: the pictures' pixels; 3: as a printed page draws it
};

void PrintTo(const ValuesCase& c, std::ostream* os) {
  *os << (c.highPass ? "HPF_" : "LPF_") << c.order << "_" << c.lengths.name << "_x" << c.scale;
}

PartValues ValuesOf(const ValuesCase& c) {
  PartValues values;
  for (int k = 1; k <= c.order; ++k) {
    values[QStringLiteral("R%1").arg(k)] = QString::fromUtf8(k % 2 ? c.lengths.resistor : c.lengths.resistor2);
    values[QStringLiteral("C%1").arg(k)] = QString::fromUtf8(k % 2 ? c.lengths.capacitor : c.lengths.capacitor2);
  }
  return values;
}

class ValuesBesideParts : public ::testing::TestWithParam<ValuesCase> {};

TEST_P(ValuesBesideParts, TouchNothingAndStandNearestTheirPart) {
  const ValuesCase& c = GetParam();
  const PartValues values = ValuesOf(c);
  QImage image(static_cast<int>(kPictureWidth * c.scale), static_cast<int>(kPictureHeight * c.scale),
               QImage::Format_RGB32);
  SchematicBoxes boxes;
  {
    QPainter p(&image);
    p.scale(c.scale, c.scale);
    PaintSchematic(p, c.highPass, c.order, nullptr, &boxes, &values);
  }
  // KELVARA_KEEP_PICTURES=DIR keeps each picture there to look at.
  if (const char* keep = std::getenv("KELVARA_KEEP_PICTURES")) {
    std::ostringstream name;
    PrintTo(c, &name);
    image.save(QString::fromLocal8Bit(keep) + QStringLiteral("/") + QString::fromStdString(name.str()) +
               QStringLiteral(".png"));
  }
  QStringList touching;
  for (const QString& text : TouchingLabels(boxes)) touching << text;
  EXPECT_EQ(touching.join(' ').toStdString(), "");

  ASSERT_EQ(boxes.values.size(), values.size());
  std::map<QString, QRectF> partLabels;
  for (const auto& [text, box] : boxes.labels) {
    if (values.count(text)) partLabels[text] = box;
  }
  ASSERT_EQ(partLabels.size(), values.size());
  auto distance = [](QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); };
  for (const auto& [name, box] : boxes.values) {
    EXPECT_TRUE(QRectF(image.rect()).contains(box)) << name.toStdString();
    const double own = distance(box.center(), partLabels.at(name).center());
    for (const auto& [other, label] : partLabels) {
      if (other == name) continue;
      EXPECT_LT(own, distance(box.center(), label.center())) << name.toStdString() << " near " << other.toStdString();
    }
    // Close enough to read as the part's: within about five lines of its
    // label (a value that cannot stand below its label moves beside the
    // part, as a feedback capacitor's does after a stage's output wire).
    EXPECT_LT(own, 7.5 * kValuePixels * c.scale) << name.toStdString();
  }
}

std::vector<ValuesCase> AllCases() {
  std::vector<ValuesCase> cases;
  for (bool highPass : {false, true}) {
    for (int order = 2; order <= 8; ++order) {
      for (const ValueLengths& lengths : kLengths) {
        for (double scale : {1.0, 3.0}) cases.push_back({highPass, order, lengths, scale});
      }
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(All, ValuesBesideParts, ::testing::ValuesIn(AllCases()), [](const auto& info) {
  const ValuesCase& c = info.param;
  return std::string(c.highPass ? "HPF_" : "LPF_") + std::to_string(c.order) + "_" + c.lengths.name + "_x" +
         std::to_string(static_cast<int>(c.scale));
});

// Without values the pictures are drawn as before: no value boxes.
TEST(PicturesWithoutValues, HaveNoValueBoxes) {
  SchematicBoxes boxes;
  DrawSchematic(false, 4, &boxes);
  EXPECT_TRUE(boxes.values.empty());
}

}  // namespace
}  // namespace kelvara::schematic
