#pragma once

// What kelvara-design prints and writes of any design of sections (the
// MFB and gain designs, the band-pass filters): the parts by name with
// their roles, as JSON (parts, roles) and as lines of text. Their files are
// written by WriteSectionsExports (export_options.h).

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "response/circuit.h"
#include "response/section.h"
#include "response/signal_levels.h"
#include "tools/designer/analysis_cli.h"
#include "tools/designer/tolerance_options.h"

namespace kelvara::tools {

/// Every part by name, resistors then capacitors by number, with its role
/// in its section's layout ("Rin", "Cf").
struct NamedParts {
  std::vector<std::pair<std::string, double>> parts;
  std::vector<std::string> roles;
};
NamedParts NamedPartsOf(const std::vector<response::Section>& sections);

/// "parts" (name -> ohms or farads) and "roles" (name -> role).
void AddPartsJson(const NamedParts& parts, nlohmann::json& j);
/// "R1 = 10.00k (Rin)", one line a part.
void PrintPartsPlain(const NamedParts& parts, std::ostream& out);

/// A stage's "output_peak_db" and "output_peak_hz" (0: at DC): the highest
/// gain at its op-amp's output (response::SectionOutputPeaks); null without.
void AddOutputPeakJson(const response::StageLevel* peak, nlohmann::json& stage);

/// The --curve CSV of a design of sections at xs: the tolerance study's
/// bands where it has them, otherwise the curve of the circuit with its
/// op-amp; of a design that is not valid, a line on err instead.
void PrintSectionsCurve(bool valid, const AnalysisOptions& curve, const std::vector<double>& xs,
                        const response::CircuitModel& withOpAmp, double temperatureC,
                        const std::optional<ToleranceReport>& tolerance, std::ostream& out, std::ostream& err);

}  // namespace kelvara::tools
