#include "tools/designer/sections_output.h"

#include "engine/part_name.h"
#include "export/spice_netlist.h"
#include "storage/design_file.h"
#include "values/eng_value.h"

namespace kelvara::tools {

NamedParts NamedPartsOf(const std::vector<response::Section>& sections) {
  NamedParts named;
  for (const char letter : {'R', 'C'}) {
    for (const response::Section& s : sections) {
      for (int i = 0; i < s.PartCount(); ++i) {
        if (s.ids[i].letter != letter) continue;
        named.parts.emplace_back(engine::PartName(letter, s.ids[i].number), s.values[i]);
        named.roles.emplace_back(s.layout->parts[i].role);
      }
    }
  }
  return named;
}

void AddPartsJson(const NamedParts& named, nlohmann::json& j) {
  nlohmann::json parts = nlohmann::json::object(), roles = nlohmann::json::object();
  for (std::size_t i = 0; i < named.parts.size(); ++i) {
    parts[named.parts[i].first] = named.parts[i].second;
    roles[named.parts[i].first] = named.roles[i];
  }
  j["parts"] = parts;
  j["roles"] = roles;
}

void PrintPartsPlain(const NamedParts& named, std::ostream& out) {
  for (std::size_t i = 0; i < named.parts.size(); ++i) {
    const auto& [name, value] = named.parts[i];
    out << name << " = " << (name[0] == 'C' ? values::FormatCapacitance(value) : values::FormatResistanceDisplay(value))
        << " (" << named.roles[i] << ")\n";
  }
}

int WriteSectionsSpice(const ExportOptions* exports, const std::vector<response::Section>& sections,
                       const response::OpAmpModel& opAmp, double temperatureC, bool valid, std::ostream& err) {
  if (exports == nullptr || exports->spiceFile.empty()) return 0;
  if (!valid) {
    err << "kelvara-design: the design is not valid; --spice file not written\n";
    return 0;
  }
  exports::NetlistOptions netlist;
  netlist.fStartHz = values::ParseEngValue(exports->acFrom);
  netlist.fStopHz = values::ParseEngValue(exports->acTo);
  netlist.date = TodayText();
  netlist.opamp = opAmp;
  netlist.temperatureC = temperatureC;
  const std::string text = exports::WriteSectionsNetlist(sections, netlist);
  if (auto error = storage::WriteExportedFile(QString::fromStdString(exports->spiceFile),
                                              QByteArray(text.data(), static_cast<qsizetype>(text.size())))) {
    err << "kelvara-design: " << error->caption.toStdString() << ": " << error->text.toStdString() << '\n';
    return 3;
  }
  return 0;
}

}  // namespace kelvara::tools
