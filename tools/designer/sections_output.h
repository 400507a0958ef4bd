#pragma once

// What kelvara-design prints and writes of any design of sections (the
// MFB and gain designs, the band-pass filters): the parts by name with
// their roles, as JSON (parts, roles) and as lines of text, and the netlist
// (--spice).

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "response/opamp_model.h"
#include "response/section.h"
#include "tools/designer/export_options.h"

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

/// Writes the netlist --spice asks for (nothing without it); a design that
/// is not valid is not written (said on err). The exit status: 0, or 3 for
/// a file not written.
int WriteSectionsSpice(const ExportOptions* exports, const std::vector<response::Section>& sections,
                       const response::OpAmpModel& opAmp, double temperatureC, bool valid, std::ostream& err);

}  // namespace kelvara::tools
