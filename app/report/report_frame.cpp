#include "app/report/report_frame.h"

#include <vector>

#include "response/circuit.h"
#include "response/response.h"
#include "response/view_frame.h"
#include "response/views.h"

namespace kelvara::app::report {

ChartRanges GainChartRanges(const ReportContent& c) {
  if (c.chartPageRange) return {c.fStartHz, c.fTopHz, c.yMinDb, c.yMaxDb};
  const response::FrequencyFrame frame = response::FrameFrequencies({c.request.cutoffHz});
  std::vector<double> gains;
  if (c.sections) {
    // A sheet of sections (its request's cut-off a band-pass sheet's
    // centre): the gain of its circuit.
    const response::CircuitModel circuit = response::CircuitOfSections(c.sections->sections, {});
    for (const double f : response::SweepFrequencies(frame.fromHz, frame.toHz))
      gains.push_back(response::CircuitGainDb(circuit, f));
    const response::GainFrame gain = response::FrameGain(gains);
    return {frame.fromHz, frame.toHz, gain.lowDb, gain.highDb};
  }
  const response::ResponseStages stages = response::StagesFromComponents(c.request, c.parts);
  response::SweepResponse(c.request, stages, frame.fromHz, frame.toHz, [&](double, double db) { gains.push_back(db); });
  const response::GainFrame gain = response::FrameGain(gains);
  return {frame.fromHz, frame.toHz, gain.lowDb, gain.highDb};
}

}  // namespace kelvara::app::report
