#pragma once

// The ranges of the report's charts: the design framed (fc/100 … 100·fc and
// the gain its curve spans there; a band-pass sheet's about its centre), or
// the ｆ特 page's when the analysis window's frequency views are set to it.

#include "app/report/design_report.h"

namespace kelvara::app::report {

struct ChartRanges {
  double fromHz = 1e3;
  double toHz = 1e6;
  double lowDb = -80;  // the gain chart's
  double highDb = 10;
};

ChartRanges GainChartRanges(const ReportContent& content);

}  // namespace kelvara::app::report
