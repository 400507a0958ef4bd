#include "response/opamp_catalogue.h"

#include <cctype>

namespace kelvara::response {

// A0 in dB is 20 log10 of the datasheet's large-signal gain in V/V
// (1800 V/mV: 125.1 dB; 200 V/mV: 106.0 dB; 300 V/mV: 109.5 dB; 100 V/mV:
// 100 dB; 500 V/mV: 114.0 dB); the swing in Vpp is twice the peak swing (or
// the supply less both rails' headroom). Current noise in fA/sqrt(Hz) is
// written in pA/sqrt(Hz) (4 fA: 0.004). GBW is the gain-bandwidth product,
// or where a datasheet gives only the unity-gain (G = +1) bandwidth, that:
// the single-pole model's follower has exactly that bandwidth, and every
// stage here is a unity-gain follower. The supply is the operating range.
// The output's headroom to each rail (the last two noise texts) is the
// supply of the conditions less the typical output swing there, at the load
// the conditions name: the datasheets read give the swing as ±V or as "to
// within x of the rails", so it is the same to both rails; empty where the
// swing was not taken (the supply then gives the whole rail to rail).
const std::vector<CatalogueOpAmp>& OpAmpCatalogue() {
  static const std::vector<CatalogueOpAmp> kList = {
      // Analog Devices OP27 data sheet, electrical characteristics (OP27A/E
      // typical column).
      {"OP27",
       {"8M", "125.1", "70"},
       {"3", "2.7", "0.4", "27.6", "2.8", "", "", false, "1.2", "1.2"},
       "±15 V, 25 °C, RL ≥ 2 kΩ (OP27A/E typical; en and in at 1 kHz)",
       "Analog Devices, OP27 data sheet (Low-Noise, Precision Operational Amplifier), electrical characteristics",
       ""},
      // STMicroelectronics TL072 data sheet, electrical characteristics.
      {"TL072",
       {"4M", "106", "0"},
       {"15", "", "", "27", "16", "", "", false, "1.5", "1.5"},
       "±15 V, 25 °C, RL = 10 kΩ for the swing, 2 kΩ for the gain (typical; en at 1 kHz)",
       "STMicroelectronics, TL072 data sheet, electrical characteristics (in not given)",
       ""},
      // Texas Instruments RC4559 data sheet SLOS074A, electrical
      // characteristics at VCC = ±15 V, 25 °C: large-signal gain 300 V/mV typ
      // (VO = ±10 V, RL = 2 kohm), peak output swing ±13 V typ (RL ≥ 3 kohm),
      // unity-gain bandwidth B1 4 MHz typ; the slew rate 1.5 V/us typical
      // from the features on page 1 (which give the unity-gain bandwidth as
      // 3 MHz typical; the table's 4 MHz is kept).
      {"RC4559",
       {"4M", "109.5", "0"},
       {"", "", "", "26", "1.5", "", "", false, "2", "2"},
       "±15 V, 25 °C, RL ≥ 3 kΩ for the swing, 2 kΩ for the gain (typical)",
       "Texas Instruments, RC4559 data sheet SLOS074A, electrical characteristics; slew rate from the features "
       "(noise densities not taken)",
       ""},
      // Texas Instruments NE5532 data sheet SLOS075K. None of these figures
      // is confirmed from the datasheet text: the stored copies read gave
      // its contents only, not the features or the tables. Not confirmed:
      // en 5 nV/rtHz at 1 kHz, unity-gain bandwidth 10 MHz, DC gain
      // 100 V/mV, 26 Vpp with ±15 V and RL = 600 ohm, slew rate 9 V/us,
      // in 0.7 pA/rtHz at 1 kHz, supply ±5 V to ±15 V, and that the only
      // output resistance given is the closed-loop one (Rout 0).
      {"NE5532",
       {"10M", "100", "0"},
       {"5", "", "0.7", "26", "9", "", "", false, "2", "2"},
       "±15 V, 25 °C, RL ≥ 600 Ω (typical; en and in at 1 kHz)",
       "Texas Instruments, NE5532 data sheet SLOS075K (figures not confirmed from the datasheet text)",
       "±5 V to ±15 V"},
      // Texas Instruments LME49720 data sheet SNAS393D, key specifications
      // on page 1 (read): supply ±2.5 V to ±17 V, input noise density
      // 2.7 nV/rtHz typ, slew rate ±20 V/us typ, gain-bandwidth product
      // 55 MHz typ, open-loop gain 140 dB typ with RL = 600 ohm. Not
      // confirmed from the datasheet text (the electrical characteristics
      // were not read): in 1.6 pA/rtHz at 1 kHz, output swing ±13.6 V into
      // 600 ohm at ±15 V (27.2 Vpp), open-loop output impedance 13 ohm.
      {"LME49720",
       {"55M", "140", "13"},
       {"2.7", "", "1.6", "27.2", "20", "", "", false, "1.4", "1.4"},
       "±15 V, 25 °C, RL = 600 Ω (typical; en and in at 1 kHz; Rout open-loop at 10 kHz)",
       "Texas Instruments, LME49720 data sheet SNAS393D, key specifications (in, swing and Rout not confirmed "
       "from the datasheet text)",
       "±2.5 V to ±17 V"},
      // Analog Devices OP07 data sheet (Ultralow Offset Voltage Operational
      // Amplifiers): the supply range ±3 V to ±18 V from the features
      // (read). Not confirmed from the datasheet text (the electrical
      // characteristics table was not read): open-loop gain 500 V/mV typ
      // (the general description, read, names 200 V/mV for OP07E without
      // saying typical or minimum), closed-loop bandwidth 0.6 MHz at
      // AV = +1 (taken as GBW), slew rate 0.3 V/us, en 9.6 nV/rtHz and
      // in 0.12 pA/rtHz at 1 kHz, output resistance 60 ohm, output swing
      // ±12.8 V into 2 kohm.
      {"OP07",
       {"600k", "114", "60"},
       {"9.6", "", "0.12", "25.6", "0.3", "", "", false, "2.2", "2.2"},
       "±15 V, 25 °C, RL ≥ 2 kΩ (OP07E typical; en and in at 1 kHz; GBW: the bandwidth at AV = +1)",
       "Analog Devices, OP07 data sheet (Ultralow Offset Voltage Operational Amplifiers), features (the other "
       "figures not confirmed from the datasheet text)",
       "±3 V to ±18 V"},
      // Texas Instruments OPA350 data sheet SBOS099D, features and
      // description on page 1 (read): bandwidth 38 MHz, slew rate 22 V/us,
      // noise 5 nV/rtHz, output swing to within 10 mV of the supply rails
      // with a 10 kohm load, single supply as low as 2.5 V. The swing is 5 V
      // less 10 mV at each rail. Not confirmed from the datasheet text (the
      // electrical characteristics were not read): open-loop gain 122 dB
      // with RL = 10 kohm, current noise 4 fA/rtHz. No open-loop output
      // resistance figure taken: Rout 0.
      {"OPA350",
       {"38M", "122", "0"},
       {"5", "", "0.004", "4.98", "22", "", "", false, "0.01", "0.01"},
       "single 5 V, 25 °C, RL = 10 kΩ to 2.5 V (typical; en and in in the flat part of the noise)",
       "Texas Instruments, OPA350 data sheet SBOS099D, features (A0 and in not confirmed from the datasheet text)",
       "2.5 V to 5.5 V"},
      // Texas Instruments OPA320/OPA2320 data sheet SBOS513, specifications:
      // open-loop gain 132 dB (0.1 V < VO < (V+) - 0.1 V, RL = 10 kohm),
      // gain-bandwidth product 20 MHz and slew rate 10 V/us (VS = 5 V,
      // CL = 50 pF, G = +1), en 8.5 nV/rtHz and in 0.6 fA/rtHz at 1 kHz,
      // supply 1.8 V to 5.5 V (the range its power-supply rejection is
      // given over). The output swing from the rails was not taken; no
      // open-loop output resistance figure: Rout 0.
      {"OPA320",
       {"20M", "132", "0"},
       {"8.5", "", "0.0006", "", "10", "", "", false, "", ""},
       "VS = 5 V to 5.5 V, 25 °C, RL = 10 kΩ (typical; en and in at 1 kHz)",
       "Texas Instruments, OPA320/OPA2320 data sheet SBOS513, specifications (swing not taken)",
       "1.8 V to 5.5 V"},
      // Microchip MCP6021/1R/2/3/4 data sheet DS21685D: features on page 1
      // (read): bandwidth 10 MHz typ, en 8.7 nV/rtHz at 10 kHz typ, supply
      // 2.5 V to 5.5 V; the DC characteristics' conditions (read, page 3):
      // 25 °C, VDD = 2.5 V to 5.5 V, RL = 10 kohm to VDD/2. Not confirmed
      // from the datasheet text (those rows were not read): open-loop gain
      // 110 dB, slew rate 7 V/us, in 3 fA/rtHz at 1 kHz, and that the
      // output swing is given as limits only (swing left empty).
      {"MCP6022",
       {"10M", "110", "0"},
       {"8.7", "", "0.003", "", "7", "", "", false, "", ""},
       "VDD = 5 V, 25 °C, RL = 10 kΩ to VDD/2 (typical; en at 10 kHz, in at 1 kHz)",
       "Microchip, MCP6021/1R/2/3/4 data sheet DS21685D, features (A0, slew rate and in not confirmed from the "
       "datasheet text; swing not taken)",
       "2.5 V to 5.5 V"},
      // Analog Devices AD8065/AD8066 data sheet, features on page 1 (read):
      // -3 dB bandwidth 145 MHz at G = +1 (taken as GBW), slew rate
      // 180 V/us at G = +2, en 7 nV/rtHz and in 0.6 fA/rtHz at 10 kHz,
      // supply 5 V to 24 V, rail-to-rail output. Not confirmed from the
      // datasheet text (the specifications table was not read): open-loop
      // gain 113 dB at ±5 V. The output swing was not read: left empty; no
      // open-loop output resistance figure taken: Rout 0.
      {"AD8065",
       {"145M", "113", "0"},
       {"7", "", "0.0006", "", "180", "", "", false, "", ""},
       "±5 V, 25 °C (typical; GBW: the -3 dB bandwidth at G = +1; en and in at 10 kHz; slew rate at G = +2)",
       "Analog Devices, AD8065/AD8066 data sheet (High Performance, 145 MHz FastFET Op Amps), features (A0 not "
       "confirmed from the datasheet text; swing not taken)",
       "5 V to 24 V"},
  };
  return kList;
}

const CatalogueOpAmp* FindCatalogueOpAmp(std::string_view name) {
  auto same = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
        return false;
    }
    return true;
  };
  for (const CatalogueOpAmp& c : OpAmpCatalogue()) {
    if (same(c.name, name)) return &c;
  }
  return nullptr;
}

}  // namespace kelvara::response
