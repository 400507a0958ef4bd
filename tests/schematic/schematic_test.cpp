// The circuit pictures: no label touches a symbol, a wire or another label
// in any of the fourteen, and every part of the order has its label.

#include <gtest/gtest.h>

#include <QGuiApplication>

#include "schematic/schematic.h"

namespace kelvara::schematic {
namespace {

struct PictureCase {
  bool highPass;
  int order;
};

void PrintTo(const PictureCase& c, std::ostream* os) { *os << (c.highPass ? "HPF_" : "LPF_") << c.order; }

class Pictures : public ::testing::TestWithParam<PictureCase> {};

TEST_P(Pictures, NoLabelTouchesADrawnSymbol) {
  SchematicBoxes boxes;
  const QImage image = DrawSchematic(GetParam().highPass, GetParam().order, &boxes);
  ASSERT_FALSE(boxes.ink.empty());
  std::vector<QString> expected;
  for (const auto& [text, box] : boxes.labels) {
    EXPECT_TRUE(image.rect().contains(box.toAlignedRect())) << text.toStdString();
  }
  QStringList touching;
  for (const QString& text : TouchingLabels(boxes)) touching << text;
  EXPECT_EQ(touching.join(' ').toStdString(), "");
}

TEST_P(Pictures, EveryPartIsLabelled) {
  SchematicBoxes boxes;
  DrawSchematic(GetParam().highPass, GetParam().order, &boxes);
  QStringList labels;
  for (const auto& label : boxes.labels) labels << label.first;
  for (int k = 1; k <= GetParam().order; ++k) {
    EXPECT_TRUE(labels.contains(QStringLiteral("R%1").arg(k))) << "R" << k;
    EXPECT_TRUE(labels.contains(QStringLiteral("C%1").arg(k))) << "C" << k;
  }
}

std::vector<PictureCase> AllPictures() {
  std::vector<PictureCase> cases;
  for (bool highPass : {false, true}) {
    for (int order = 2; order <= 8; ++order) cases.push_back({highPass, order});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(All, Pictures, ::testing::ValuesIn(AllPictures()), [](const auto& info) {
  return std::string(info.param.highPass ? "HPF_" : "LPF_") + std::to_string(info.param.order);
});

}  // namespace
}  // namespace kelvara::schematic

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
