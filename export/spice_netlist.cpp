#include "export/spice_netlist.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "engine/part_name.h"
#include "engine/units.h"
#include "export/design_parts.h"
#include "export/spice_number.h"
#include "response/circuit.h"
#include "response/response.h"

namespace kelvara::exports {

namespace {

constexpr const char* kOpAmpName = "kelvara_opamp";
constexpr double kBoltzmannJPerK = 1.380649e-23;

/// A quantity in a comment, to six significant digits ("1.59155e3").
std::string Short(double value) { return SiRounded(value, 6); }

/// A number without a unit (Q, dB), to six significant digits ("0.707107").
std::string Plain(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

std::string SeriesLine(const engine::DesignRequest& request, const engine::SeriesChoice& series) {
  if (request.anyValues) return "any values (exact)";
  auto name = [&](bool capacitor) {
    const std::string text = SeriesOfPart(request, capacitor, series);
    return text == "任意" ? std::string("any") : text;
  };
  return name(true) + " capacitors, " + name(false) + " resistors";
}

// The noise generators of the op-amp; returns the node the gain senses as
// its + input ("inp" without en).
std::string WriteOpAmpNoise(std::ostream& out, const response::OpAmpModel& opamp, double temperatureC) {
  const double fourKT = 4 * kBoltzmannJPerK * (273.15 + temperatureC);
  const double sqrtFourKT = std::sqrt(fourKT);
  std::string plus = "inp";
  const response::OpAmpNoise& n = opamp.noise;
  if (n.enNvRtHz > 0) {
    out << "* en = " << Short(n.enNvRtHz) << " nV/rtHz";
    if (n.enCornerHz > 0) out << ", 1/f corner " << Short(n.enCornerHz) << " Hz";
    out << ": the noise of Ren (1 ohm) at " << Short(temperatureC) << " degC, scaled in series with inp\n";
    if (n.enCornerHz > 0) {
      out << "* 1/f: flicker noise kf = 4kT corner of 1 A through Ren, against its noiseless twin\n";
      out << ".model kelvara_en_flicker R (kf=" << SiNumber(fourKT * n.enCornerHz) << " af=1)\n";
      out << "Ien 0 ne DC 1\n";
      out << "Ren ne 0 1 kelvara_en_flicker\n";
      out << "Ienref 0 me DC 1\n";
      out << "Renref me 0 1 noisy=0\n";
      out << "Een pn inp ne me " << SiNumber(n.enNvRtHz * 1e-9 / sqrtFourKT) << "\n";
    } else {
      out << "Ren ne 0 1\n";
      out << "Een pn inp ne 0 " << SiNumber(n.enNvRtHz * 1e-9 / sqrtFourKT) << "\n";
    }
    plus = "pn";
  }
  if (n.inPaRtHz > 0) {
    out << "* in = " << Short(n.inPaRtHz) << " pA/rtHz: the noise of Rin (1 ohm) as a current into inp\n";
    out << "Rin ni 0 1\n";
    out << "Gin 0 inp ni 0 " << SiNumber(n.inPaRtHz * 1e-12 / sqrtFourKT) << "\n";
  }
  return plus;
}

void WriteOpAmp(std::ostream& out, const response::OpAmpModel& opamp, double temperatureC) {
  out << "\n.subckt " << kOpAmpName << " inp inn out\n";
  const std::string plus = WriteOpAmpNoise(out, opamp, temperatureC);
  const std::optional<response::SinglePole> pole = response::SinglePoleOf(opamp);
  if (!pole) {
    out << "* Ideal: a voltage-controlled source of gain " << SiNumber(kIdealOpAmpGain) << "\n";
    out << "E1 out 0 " << plus << " inn " << SiNumber(kIdealOpAmpGain) << "\n";
  } else {
    out << "* Single pole: A(s) = A0 / (1 + s/wp), A0 = " << Plain(pole->a0Db) << " dB, GBW = " << Short(pole->gbwHz)
        << " Hz, wp = 2 pi GBW / A0 = " << Short(pole->omegaP) << " rad/s\n";
    out << "* A current (inp - inn) x 1 S into Rp = A0 parallel Cp = 1/(wp A0) gives the pole,\n";
    out << "* a unity buffer and Rout the output; Rp and Rout are noiseless.\n";
    out << "G1 0 p " << plus << " inn 1\n";
    out << "Rp p 0 " << SiNumber(pole->a0) << " noisy=0\n";
    out << "Cp p 0 " << SiNumber(1.0 / (pole->omegaP * pole->a0)) << "\n";
    if (pole->routOhm > 0) {
      out << "E1 o 0 p 0 1\n";
      out << "Rout o out " << SiNumber(pole->routOhm) << " noisy=0\n";
    } else {
      out << "E1 out 0 p 0 1\n";
    }
  }
  out << ".ends " << kOpAmpName << "\n";
}

// The op-amp, the noise hint, the temperature, the sweep and the output.
void WriteAnalysis(std::ostream& out, const NetlistOptions& options) {
  WriteOpAmp(out, options.opamp, options.temperatureC);
  out << "\n* For the output noise add\n";
  out << "*   .noise v(out) V1 dec 100 " << SiNumber(options.fStartHz) << " " << SiNumber(options.fStopHz) << "\n";
  out << ".temp " << SiNumber(options.temperatureC) << "\n";
  out << ".ac dec 100 " << SiNumber(options.fStartHz) << " " << SiNumber(options.fStopHz) << "\n";
  // The output statement that makes "ngspice -b" run the analysis and print
  // its table. The magnitude, not vdb: ngspice refuses the logarithm of a
  // gain it computes as 0 deep in a high-pass filter's stop band.
  out << ".print ac vm(out)\n";
  out << ".end\n";
}

std::string Element(const std::string& name, const std::string& a, const std::string& b, double value) {
  return name + " " + a + " " + b + " " + SiNumber(value) + "\n";
}

// Every section writes its own lines from its element list: a comment with
// its parts, f0 and Q (and its gain where it is not 1), each part between
// its nodes ("sk_<name>" for its own nodes, the previous section's output
// as its input, "sk_out" as its output and "out" for the last), and its
// op-amp "XUk + - out".
void WriteSections(std::ostream& out, const std::vector<response::Section>& sections) {
  std::string previous = "in";
  const int stages = static_cast<int>(sections.size());
  for (int stage = 1; stage <= stages; ++stage) {
    const response::Section& section = sections[stage - 1];
    const std::string s = "s" + std::to_string(stage);
    const std::string output = stage == stages ? "out" : s + "_out";
    auto node = [&](int local) -> std::string {
      if (local == response::kSectionGround) return "0";
      if (local == response::kSectionInput) return previous;
      if (local == response::kSectionOutput) return output;
      return s + "_" + section.layout->nodeNames[local];
    };
    const response::SectionFigures figures = section.Figures();
    std::string names;
    for (const char letter : {'R', 'C'}) {
      for (int i = 0; i < section.PartCount(); ++i) {
        const response::SectionPartId& id = section.ids[i];
        if (id.letter == letter) names += (names.empty() ? "" : " ") + engine::PartName(id.letter, id.number);
      }
    }
    out << "\n* Stage " << stage << ": " << (section.topology->Order() == 1 ? "first" : "second") << " order, " << names
        << ", f0 = " << Short(figures.omega / engine::kTwoPi) << " Hz";
    if (section.topology->Order() == 2) out << ", Q = " << Plain(figures.q);
    if (figures.gain != 1) out << ", gain = " << Plain(figures.gain);
    out << "\n";
    for (std::size_t i = 0; i < section.layout->parts.size(); ++i) {
      const response::SectionPart& part = section.layout->parts[i];
      out << Element(engine::PartName(section.ids[i].letter, section.ids[i].number), node(part.a), node(part.b),
                     section.values[i]);
    }
    out << "XU" << stage << " " << node(section.layout->opAmpPlus) << " " << node(section.layout->opAmpMinus) << " "
        << output << " " << kOpAmpName << "\n";
    previous = output;
  }
}

}  // namespace

std::string WriteSpiceNetlist(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                              const NetlistOptions& options) {
  const int order = request.Order();
  std::ostringstream out;
  out << options.program << " " << KindName(request) << " order " << order << " " << ResponseName(request)
      << ", cut-off " << Short(request.cutoffHz) << " Hz\n";
  out << "* Unity-gain Sallen-Key " << KindName(request) << ", written by " << options.program << " on " << options.date
      << "\n";
  out << "* Kind:     " << KindName(request) << "\n";
  out << "* Order:    " << order << "\n";
  out << "* Response: " << ResponseName(request) << "\n";
  out << "* Cut-off:  " << SiNumber(request.cutoffHz) << " Hz\n";
  out << "* Values:   " << SeriesLine(request, options.series) << "\n";
  const std::optional<response::SinglePole> pole = response::SinglePoleOf(options.opamp);
  out << "* Op-amp:   "
      << (pole ? "single pole, A0 " + Plain(pole->a0Db) + " dB, GBW " + Short(pole->gbwHz) + " Hz, Rout " +
                     Short(pole->routOhm) + " ohm"
               : std::string("ideal"))
      << "\n";
  out << "* Output:   v(out)\n";
  out << "*\n* For a step response replace V1 and .ac by\n";
  const double fc = request.cutoffHz > 0 ? request.cutoffHz : 1.0;
  out << "*   V1 in 0 PULSE(0 1 0 1n 1n 1e9 2e9)\n";
  out << "*   .tran " << SiRounded(1.0 / (200.0 * fc), 6) << " " << SiRounded(20.0 / fc, 6) << "\n";
  out << "* and .print ac vm(out) by .print tran v(out).\n\n";
  out << "V1 in 0 DC 0 AC 1\n";
  WriteSections(out, response::SectionsOf(request, parts));
  WriteAnalysis(out, options);
  return out.str();
}

std::string WriteSectionsNetlist(const std::vector<response::Section>& sections, const NetlistOptions& options) {
  std::ostringstream out;
  out << options.program << " circuit of " << sections.size() << " sections\n";
  out << "* Written by " << options.program << " on " << options.date << "\n";
  for (std::size_t k = 0; k < sections.size(); ++k) {
    out << "* Stage " << k + 1 << ": " << sections[k].topology->Description() << " (" << sections[k].topology->Id()
        << ")\n";
  }
  out << "* Output:   v(out)\n\n";
  out << "V1 in 0 DC 0 AC 1\n";
  WriteSections(out, sections);
  WriteAnalysis(out, options);
  return out.str();
}

namespace {

std::vector<std::string> Tokens(const std::string& line) {
  std::vector<std::string> tokens;
  std::string token;
  for (char ch : line) {
    if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '(' || ch == ')' || ch == ',') {
      if (!token.empty()) tokens.push_back(std::move(token));
      token.clear();
    } else {
      token += ch;
    }
  }
  if (!token.empty()) tokens.push_back(std::move(token));
  return tokens;
}

std::string Lower(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

/// The logical lines after the title: continuations joined, comments and
/// inline comments (";" and " $ ") removed.
std::vector<std::string> LogicalLines(std::istringstream& in) {
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (const auto at = line.find(';'); at != std::string::npos) line.erase(at);
    if (const auto at = line.find(" $ "); at != std::string::npos) line.erase(at);
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '*') continue;
    if (line[first] == '+' && !lines.empty()) {
      lines.back() += " " + line.substr(first + 1);
    } else {
      lines.push_back(line.substr(first));
    }
  }
  return lines;
}

}  // namespace

std::optional<ParsedNetlist> ReadSpiceNetlist(std::string_view text) {
  std::istringstream in{std::string(text)};
  ParsedNetlist netlist;
  std::getline(in, netlist.title);
  if (!netlist.title.empty() && netlist.title.back() == '\r') netlist.title.pop_back();
  int subcircuitDepth = 0;
  for (const std::string& line : LogicalLines(in)) {
    const std::vector<std::string> tokens = Tokens(line);
    if (tokens.empty()) continue;
    const std::string head = Lower(tokens[0]);
    if (head == ".subckt") {
      ++subcircuitDepth;
    } else if (head == ".ends") {
      if (subcircuitDepth > 0) --subcircuitDepth;
    } else if (head == ".end") {
      netlist.ended = true;
      break;
    } else if (subcircuitDepth > 0) {
      continue;
    } else if (head == ".ac" && tokens.size() >= 5) {
      netlist.acStartHz = ParseSpiceNumber(tokens[3]);
      netlist.acStopHz = ParseSpiceNumber(tokens[4]);
    } else if (head[0] == 'r' || head[0] == 'c') {
      if (tokens.size() < 4) return std::nullopt;
      const std::optional<double> value = ParseSpiceNumber(tokens[3]);
      if (!value) return std::nullopt;
      std::string name = tokens[0];
      name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
      netlist.values[name] = *value;
      netlist.nodes[name] = {tokens[1], tokens[2]};
    }
  }
  return netlist;
}

}  // namespace kelvara::exports
