#include "export/design_parts.h"

#include "engine/stage_maths.h"

namespace kelvara::exports {

int StageOfPart(int order, int number) {
  if (order % 2 == 0) return (number + 1) / 2;
  return number == 1 ? 1 : number / 2 + 1;
}

int StageCount(int order) { return engine::StageCount(order); }

std::vector<DesignPart> PartsOfDesign(const engine::DesignRequest& request, const engine::ComponentSet& parts) {
  const int order = request.Order();
  std::vector<DesignPart> list;
  for (int capacitor = 0; capacitor < 2; ++capacitor) {
    for (int i = 1; i <= order; ++i) {
      const double value = capacitor ? parts.c[i - 1] : parts.r[i - 1];
      list.push_back({capacitor == 1, i, StageOfPart(order, i), value});
    }
  }
  return list;
}

std::string KindName(const engine::DesignRequest& request) { return request.passKind == engine::kHpf ? "HPF" : "LPF"; }

std::string ResponseName(const engine::DesignRequest& request) {
  switch (request.response) {
    case engine::kBessel:
      return "Bessel";
    case engine::kChebyshev:
      return "Chebyshev 0.25 dB";
    default:
      return "Butterworth";
  }
}

std::string SeriesOfPart(const engine::DesignRequest& request, bool capacitor, const engine::SeriesChoice& series) {
  if (request.anyValues) return "任意";
  if (capacitor) {
    if (!request.capE12) return "任意";
    return series.cap == engine::CapSeriesKind::kDefault ? "E12" : std::string(engine::CapSeriesName(series.cap));
  }
  if (!request.resE24) return "任意";
  return series.res == engine::ResSeriesKind::kDefault ? "E24" : std::string(engine::ResSeriesName(series.res));
}

std::string SeriesDescription(const engine::DesignRequest& request, const engine::SeriesChoice& series) {
  if (request.anyValues) return {};
  auto kind = [&](const char* part, bool capacitor) {
    const std::string name = SeriesOfPart(request, capacitor, series);
    return part + name + (name == "任意" ? "" : "系列");
  };
  return kind("Ｃは", true) + "、" + kind("Ｒは", false);
}

}  // namespace kelvara::exports
