#pragma once

// A window with the axis choices of a first run (Y 0 .. -10, X 1k .. 1M),
// designs typed into its sheets as the user would, and the curves the chart
// should then hold.

#include <qcustomplot.h>

#include <QStringList>
#include <optional>
#include <vector>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "response/response.h"
#include "tests/app/app_test_support.h"
#include "tests/support/recording_run.h"
#include "values/eng_value.h"

namespace kelvara::app::testing {

/// A design as the user types it: choices and the texts of the part edits.
struct TypedDesign {
  int passKind = 0;
  int orderIndex = 0;
  int response = 0;
  QString cutoff;
  std::vector<QString> r;  // R1..Rn
  std::vector<QString> c;  // C1..Cn
  std::vector<bool> rFixed = std::vector<bool>(8, false);
  std::vector<bool> cFixed = std::vector<bool>(8, false);
};

/// The request and the values the engine designs for it ("any values").
struct DesignedValues {
  engine::DesignRequest request;
  engine::ComponentSet parts;
  int order;
};

inline DesignedValues DesignedParts(int passKind, int order, int response, const char* cutoff) {
  DesignedValues d{engine::MakeDesignRequest({.passKind = passKind,
                                              .orderIndex = order - 2,
                                              .response = response,
                                              .cutoffText = cutoff,
                                              .anyValues = true}),
                   {},
                   order};
  d.parts.rAuto.fill(true);
  d.parts.cAuto.fill(true);
  kelvara::testing::RecordingRun run;
  engine::DesignFilter(run, engine::BuildStageTargets(d.request), d.request, d.parts);
  return d;
}

/// The designed values typed with every digit, so they read back exactly.
inline TypedDesign TypedExactly(const DesignedValues& d) {
  TypedDesign t{d.request.passKind, d.request.orderIndex, d.request.response, QString(), {}, {}};
  t.cutoff = QString::number(d.request.cutoffHz, 'g', 17);
  for (int k = 0; k < d.order; ++k) {
    t.r.push_back(QString::number(d.parts.r[k], 'g', 17));
    t.c.push_back(QString::number(d.parts.c[k], 'g', 17));
  }
  return t;
}

/// The designed values in the display forms a calculation run writes.
inline TypedDesign Designed(int passKind, int order, int response, const char* cutoff) {
  const DesignedValues d = DesignedParts(passKind, order, response, cutoff);
  TypedDesign t{passKind, order - 2, response, QString::fromLatin1(cutoff), {}, {}};
  for (int k = 0; k < order; ++k) {
    t.r.push_back(QString::fromStdString(values::FormatResistanceDisplay(d.parts.r[k])));
    t.c.push_back(QString::fromStdString(values::FormatCapacitance(d.parts.c[k])));
  }
  return t;
}

/// The request and the stages the typed texts stand for.
struct TypedStages {
  engine::DesignRequest request;
  response::ResponseStages stages;
};

inline TypedStages StagesOf(const TypedDesign& d) {
  TypedStages t;
  t.request = engine::MakeDesignRequest({.passKind = d.passKind,
                                         .orderIndex = d.orderIndex,
                                         .response = d.response,
                                         .cutoffText = d.cutoff.toStdString(),
                                         .anyValues = true});
  engine::ComponentSet parts;
  for (std::size_t k = 0; k < d.r.size(); ++k) parts.r[k] = values::ParseEngValue(d.r[k].toStdString());
  for (std::size_t k = 0; k < d.c.size(); ++k) parts.c[k] = values::ParseEngValue(d.c[k].toStdString());
  t.stages = response::StagesFromComponents(t.request, parts);
  return t;
}

/// The -3 dB text of the typed design.
inline QString CutoffText(const TypedDesign& d) {
  const TypedStages t = StagesOf(d);
  return QString::fromStdString(values::FormatFrequencyReading(response::FindCutoff3dB(t.request, t.stages)));
}

struct Point {
  double f;
  double db;
};

inline std::vector<Point> CurvePoints(const QCPGraph* curve) {
  std::vector<Point> points;
  for (auto it = curve->data()->constBegin(); it != curve->data()->constEnd(); ++it) {
    points.push_back({it->key, it->value});
  }
  return points;
}

class ChartTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // Showing applies the settings of a first run: Y 0 .. -10 (no list item
    // selected for -10), X 1k .. 1M, the default sheet colours.
    W().show();
    W().SetChartChoosers({[this]() { return colorAnswer; }, [this](ChartFileKind) { return fileAnswer; }});
  }

  /// Puts the design into the controls of the shown sheet.
  static void TypeDesign(TFormMain& w, const TypedDesign& d) {
    Choose(w.CBox_HPFLPF, d.passKind);
    w.Edit_Frequency->setText(d.cutoff);
    Choose(w.CBox_Jisuu, d.orderIndex);
    Choose(w.CBox_gensui, d.response);
    for (std::size_t k = 0; k < d.r.size(); ++k) {
      w.groupR[k].valueEdit->setText(d.r[k]);
      (d.rFixed[k] ? w.groupR[k].fixButton : w.groupR[k].autoButton)->setChecked(true);
    }
    for (std::size_t k = 0; k < d.c.size(); ++k) {
      w.groupC[k].valueEdit->setText(d.c[k]);
      (d.cFixed[k] ? w.groupC[k].fixButton : w.groupC[k].autoButton)->setChecked(true);
    }
  }

  QCustomPlot& Chart() { return *W().Chart1; }

  QStringList Captions() const {
    QStringList captions;
    for (const auto& entry : warnings.Entries()) captions << entry.caption;
    return captions;
  }

  /// Puts the design into sheet s through the tabs, as the user would, and
  /// comes back to the sheet shown before.
  void DesignSheet(int s, const TypedDesign& d) {
    const int shown = W().ShownSheet();
    SelectTab(s);
    TypeDesign(W(), d);
    SelectTab(shown);
  }

  void Tick(std::initializer_list<int> sheets) {
    for (int s : sheets) W().CBox_Sheet[s]->setChecked(true);
  }

  std::optional<QColor> colorAnswer;
  QString fileAnswer;
};

}  // namespace kelvara::app::testing
