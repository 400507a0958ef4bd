#include "app/report/report_frame.h"

#include <vector>

#include "response/response.h"
#include "response/view_frame.h"

namespace kelvara::app::report {

ChartRanges GainChartRanges(const ReportContent& c) {
  if (c.chartPageRange) return {c.fStartHz, c.fTopHz, c.yMinDb, c.yMaxDb};
  const response::FrequencyFrame frame = response::FrameFrequencies({c.request.cutoffHz});
  std::vector<double> gains;
  const response::ResponseStages stages = response::StagesFromComponents(c.request, c.parts);
  response::SweepResponse(c.request, stages, frame.fromHz, frame.toHz, [&](double, double db) { gains.push_back(db); });
  const response::GainFrame gain = response::FrameGain(gains);
  return {frame.fromHz, frame.toHz, gain.lowDb, gain.highDb};
}

}  // namespace kelvara::app::report
