#include "tests/app/app_test_support.h"

#include <QCoreApplication>
#include <variant>

#include "app/common/jpeg_image.h"
#include "engine/design.h"
#include "engine/run_checks.h"
#include "tests/support/component_sets.h"
#include "tests/support/recording_run.h"

namespace kelvara::app::testing {

QString AssetsDir() { return QStringLiteral(KELVARA_ASSETS_DIR); }

namespace {
KelvaraApplication& App() { return *static_cast<KelvaraApplication*>(QCoreApplication::instance()); }
}  // namespace

ErrorRecorder::ErrorRecorder() { App().SetErrorDisplay(&display_); }
ErrorRecorder::~ErrorRecorder() { App().SetErrorDisplay(nullptr); }

WindowTest::ShownDesign WindowTest::ShowDesign(int kind, int order, int response, const char* cutoff) {
  Choose(W().CBox_HPFLPF, kind);
  Choose(W().CBox_Jisuu, order - 2);
  Choose(W().CBox_gensui, response);
  W().Edit_Frequency->setText(QString::fromLatin1(cutoff));
  ShownDesign d;
  d.request = engine::MakeDesignRequest(
      {.passKind = kind, .orderIndex = order - 2, .response = response, .cutoffText = cutoff, .anyValues = true});
  d.parts = kelvara::testing::AllAuto();
  kelvara::testing::RecordingRun run;
  engine::DesignFilter(run, engine::BuildStageTargets(d.request), d.request, d.parts);
  for (int i = 0; i < order; ++i) {
    W().groupR[i].valueEdit->setText(QString::number(d.parts.r[i], 'g', 17));
    W().groupC[i].valueEdit->setText(QString::number(d.parts.c[i], 'g', 17));
  }
  return d;
}

void WindowTest::Choose(QComboBox* box, int index) {
  box->setCurrentIndex(index);
  emit box->activated(index);
}

void WindowTest::SelectTab(int index) { W().TabDesign->Tabs()->setCurrentIndex(index); }

std::vector<bool> WindowTest::ShownGroups() const {
  std::vector<bool> shown;
  for (const auto* groups : {&window->groupR, &window->groupC}) {
    for (const PartGroup& g : *groups) shown.push_back(!g.box->isHidden());
  }
  return shown;
}

std::vector<bool> WindowTest::GroupsOfOrder(int order) {
  std::vector<bool> shown;
  for (int kind = 0; kind < 2; ++kind) {
    for (int k = 1; k <= 8; ++k) shown.push_back(k <= order);
  }
  return shown;
}

QImage LoadPicture(const QString& path) {
  auto result = ReadJpegFile(path);
  if (auto* image = std::get_if<QImage>(&result)) return image->convertToFormat(QImage::Format_RGB888);
  return {};
}

bool WindowTest::ShowsPicture(const char* name) const {
  const QImage expected = LoadPicture(AssetsDir() + QStringLiteral("pict/") + QString::fromLatin1(name));
  const QImage shown = window->Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
  return !expected.isNull() && shown == expected;
}

}  // namespace kelvara::app::testing
