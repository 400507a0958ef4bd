#include "response/opamp_catalogue.h"

namespace kelvara::response {

// A0 in dB is 20 log10 of the datasheet's large-signal gain in V/V
// (1800 V/mV: 125.1 dB; 200 V/mV: 106.0 dB; 300 V/mV: 109.5 dB); the swing
// in Vpp is twice the peak swing.
const std::vector<CatalogueOpAmp>& OpAmpCatalogue() {
  static const std::vector<CatalogueOpAmp> kList = {
      {"OP27",
       {"8M", "125.1", "70"},
       {"3", "2.7", "0.4", "27.6", "2.8", ""},
       "±15 V, 25 °C, RL ≥ 2 kΩ (OP27A/E typical; en and in at 1 kHz)",
       "Analog Devices, OP27 data sheet (Low-Noise, Precision Operational Amplifier), electrical characteristics"},
      {"TL072",
       {"4M", "106", "0"},
       {"15", "", "", "27", "16", ""},
       "±15 V, 25 °C, RL = 10 kΩ for the swing, 2 kΩ for the gain (typical; en at 1 kHz)",
       "STMicroelectronics, TL072 data sheet, electrical characteristics (in not given)"},
      {"RC4559",
       {"4M", "109.5", "0"},
       {"", "", "", "26", "", ""},
       "±15 V, 25 °C, RL ≥ 3 kΩ for the swing, 2 kΩ for the gain (typical)",
       "Texas Instruments, RC4559 data sheet SLOS074A, electrical characteristics (noise densities and slew rate not "
       "taken)"},
  };
  return kList;
}

}  // namespace kelvara::response
