// The analysis window's refresh as the user waits for it: reading the shown
// sheet, computing every view and putting the curves into the plots, and,
// separately, painting all seven plots once.

#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <QApplication>

#include "app/analysis/form_analysis.h"
#include "app/common/application.h"
#include "app/common/warning_boxes.h"
#include "app/main_window/form_main.h"
#include "bench/bench_support.h"
#include "engine/design.h"
#include "engine/run_checks.h"
#include "values/eng_value.h"

namespace {

using namespace kelvara;

// The main window with an order-8 E12/E24 Chebyshev LPF typed into the
// shown sheet and the analysis window open.
struct Windows {
  Windows() : form(store, boxes, QStringLiteral(KELVARA_PROGRAM_DIR)) {
    const engine::DesignRequest request = engine::MakeDesignRequest({.passKind = engine::kLpf,
                                                                     .orderIndex = 6,
                                                                     .response = engine::kChebyshev,
                                                                     .cutoffText = "1k",
                                                                     .capE12 = true,
                                                                     .resE24 = true});
    bench::SilentRun run;
    engine::ComponentSet parts = bench::AllAuto();
    engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
    form.show();
    form.CBox_Jisuu->setCurrentIndex(6);
    form.CBox_gensui->setCurrentIndex(engine::kChebyshev);
    form.Edit_Frequency->setText("1k");
    for (int k = 0; k < 8; ++k) {
      form.groupR[k].valueEdit->setText(QString::fromStdString(values::FormatResistanceDisplay(parts.r[k])));
      form.groupC[k].valueEdit->setText(QString::fromStdString(values::FormatCapacitance(parts.c[k])));
    }
    form.menuDesignAnalysisClick();
    form.FormAnalysis->resize(1100, 700);
  }
  storage::DefaultSettingsStore store;
  app::RecordingWarningBoxes boxes;
  app::TFormMain form;
};

Windows& Shared() {
  static Windows windows;
  return windows;
}

void BM_AnalysisWindowRefreshOrder8(benchmark::State& state) {
  app::TFormAnalysis& a = *Shared().form.FormAnalysis;
  for (auto _ : state) a.Refresh();
}
BENCHMARK(BM_AnalysisWindowRefreshOrder8)->Unit(benchmark::kMillisecond);

void BM_AnalysisWindowPaintAllViewsOrder8(benchmark::State& state) {
  app::TFormAnalysis& a = *Shared().form.FormAnalysis;
  a.Refresh();
  for (auto _ : state) {
    for (int k = 0; k < 6; ++k) a.Plot(static_cast<app::PlotKind>(k))->replot(QCustomPlot::rpImmediateRefresh);
  }
}
BENCHMARK(BM_AnalysisWindowPaintAllViewsOrder8)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  app::KelvaraApplication application(argc, argv);
  // Nothing may wait for a click: errors are only collected.
  app::RecordingErrorDisplay errors;
  application.SetErrorDisplay(&errors);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  application.SetErrorDisplay(nullptr);
  return errors.errors.empty() ? 0 : 1;
}
