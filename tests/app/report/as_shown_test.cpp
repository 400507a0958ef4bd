// One design, one set of figures: the analysis window analyses the part
// values as its part edits show them ("805p"), and kelvara-design
// --as-shown analyses the same texts read back the same way, so the
// window's evaluation table and summary and the tool's --analysis JSON
// agree bit for bit. Without --as-shown the tool analyses the run's full
// values, which differ.

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "app/analysis/analysis_plots.h"
#include "app/analysis/analysis_texts.h"
#include "app/analysis/form_analysis.h"
#include "tests/app/main_window/chart_test_support.h"
#include "tests/app/main_window/run_support.h"
#include "tests/support/command_output.h"

namespace kelvara::app::testing {
namespace {

#ifdef KELVARA_DESIGN_EXE
std::string ToolOutput(const std::string& args) {
  return test::CommandOutput(std::string(KELVARA_DESIGN_EXE) + " " + args + " 2>/dev/null");
}
#endif

using AsShown = ChartTest;

/// A JSON number or null as the optional the window holds.
std::optional<double> Optional(const nlohmann::json& v) {
  return v.is_null() ? std::nullopt : std::optional<double>(v.get<double>());
}

TEST_F(AsShown, TheWindowAndTheToolGiveTheSameFigures) {
#ifndef KELVARA_DESIGN_EXE
  GTEST_SKIP() << "kelvara-design is not built";
#else
  struct Case {
    const char* name;
    TypedDesign typed;  // the choices; the parts come from the tool
    const char* args;
  } cases[] = {
      {"LPF 8 Chebyshev 10k", Designed(engine::kLpf, 8, engine::kChebyshev, "10k"),
       "--cutoff 10k --kind lpf --order 8 --response chebyshev"},
      {"HPF 5 Butterworth 4.7k", Designed(engine::kHpf, 5, engine::kButterworth, "4.7k"),
       "--cutoff 4.7k --kind hpf --order 5 --response butterworth"},
      {"LPF 7 Bessel 1k", Designed(engine::kLpf, 7, engine::kBessel, "1k"),
       "--cutoff 1k --kind lpf --order 7 --response bessel"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const nlohmann::json tool =
        nlohmann::json::parse(ToolOutput(std::string(c.args) + " --as-shown --analysis --json"), nullptr, false);
    ASSERT_TRUE(tool.is_object());
    EXPECT_EQ(tool["as_shown"], true);
    const int order = static_cast<int>(tool["r_text"].size());
    // The window's part edits hold what the run wrote into them.
    for (int k = 0; k < order; ++k) {
      c.typed.r[k] = QString::fromStdString(tool["r_text"][k].get<std::string>());
      c.typed.c[k] = QString::fromStdString(tool["c_text"][k].get<std::string>());
    }
    TypeDesign(W(), c.typed);
    if (!W().FormAnalysis) W().menuDesignAnalysis->trigger();
    W().FormAnalysis->ScheduleRefresh();
    ASSERT_TRUE(WaitFor([this] { return !W().FormAnalysis->RefreshPending(); }));
    const std::optional<response::AnalysisViews>& shown = W().FormAnalysis->Shown();
    ASSERT_TRUE(shown);
    ASSERT_EQ(shown->stages.size(), tool["stages"].size());
    for (std::size_t i = 0; i < shown->stages.size(); ++i) {
      const response::StageEvaluation& w = shown->stages[i];
      const nlohmann::json& t = tool["stages"][i];
      EXPECT_EQ(w.f0TargetHz, t["f0_target_hz"].get<double>());
      EXPECT_EQ(w.f0Hz, t["f0_hz"].get<double>());
      EXPECT_EQ(w.q, Optional(t["q"]));
      EXPECT_EQ(w.f0ErrorPct, Optional(t["f0_error_pct"]));
      EXPECT_EQ(w.qErrorPct, Optional(t["q_error_pct"]));
      EXPECT_EQ(w.peak.db, t["peak_db"].get<double>());
      EXPECT_EQ(w.peak.hz, Optional(t["peak_hz"]));
      // The table shows these very numbers.
      const int row = static_cast<int>(i);
      EXPECT_EQ(W().FormAnalysis->Table()->item(row, 5)->text(), SiText(t["f0_hz"].get<double>(), 5) + "Hz");
      EXPECT_EQ(W().FormAnalysis->Table()->item(row, 9)->text(),
                QString::asprintf("%.3f dB", t["peak_db"].get<double>()));
    }
    const nlohmann::json& s = tool["summary"];
    EXPECT_EQ(shown->summary.minus3dbHz, s["minus3db_hz"].get<double>());
    EXPECT_EQ(shown->summary.minus3dbHz, tool["minus3db_hz"].get<double>());
    EXPECT_EQ(shown->summary.rippleEdgeHz, Optional(s["ripple_edge_hz"]));
    EXPECT_EQ(shown->summary.rippleDb, Optional(s["ripple_db"]));
    EXPECT_EQ(shown->summary.attenuationNearDb, s["attenuation_db"]["2fc"].get<double>());
    EXPECT_EQ(shown->summary.attenuationFarDb, s["attenuation_db"]["10fc"].get<double>());
    // The window says which values it analyses.
    EXPECT_TRUE(W().FormAnalysis->Summary()->text().contains(QString::fromUtf8(analysis_text::kAsShownValues)))
        << W().FormAnalysis->Summary()->text().toStdString();
    // The run's full values give other figures.
    const nlohmann::json full =
        nlohmann::json::parse(ToolOutput(std::string(c.args) + " --analysis --json"), nullptr, false);
    ASSERT_TRUE(full.is_object());
    EXPECT_FALSE(full.contains("as_shown"));
    EXPECT_NE(shown->summary.minus3dbHz, full["summary"]["minus3db_hz"].get<double>());
  }
#endif
}

}  // namespace
}  // namespace kelvara::app::testing
