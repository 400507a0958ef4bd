#pragma once

// What the analysis window shows of the main window, read at one moment:
// the shown sheet's design as the controls hold it, the other sheets
// checked for comparison with their records (a sheet never stored: a new
// one's) and colours, the chart's axis choices and colour, and the
// preferred-value series. The analysis window, the exports, the report and
// printing all start from it. A sheet built of sections has its choices and
// lines in `sections`; its request and parts are then the hidden part
// groups' and say nothing of it.

#include <cstdint>
#include <optional>
#include <vector>

#include "app/main_window/response_chart.h"
#include "engine/design_types.h"
#include "engine/series_options.h"
#include "values/sheet_record.h"

namespace kelvara::app {

struct ShownDesignSnapshot {
  int sheet = 0;
  engine::DesignRequest request;
  engine::PartInputs parts;
  std::optional<SectionCurveSource> sections;  // when the sheet is built of sections
  std::int32_t sheetColor = 0;
  std::int32_t chartColor = 0;
  struct Compared {
    int sheet = 0;
    values::SheetRecord record;
    std::int32_t color = 0;
  };
  std::vector<Compared> compared;
  int xMaxPos = 0;  // the X lists' positions as they stand
  int xMinPos = 0;
  AxisChoices axes;  // the axis choices as "ｆ特描画" checks them
  engine::SeriesChoice series;
};

}  // namespace kelvara::app
