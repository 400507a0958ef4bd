#pragma once

// The circuit of the noise tests as a netlist for ngspice, written
// independently of the exporter: the cascade as drawn, each op-amp as the
// op-amp tests model it (a transconductance of 1 S into A0 ohms in parallel
// with 1/(2 pi GBW) farads, a unity follower of that node, then Rout; the
// ideal one a voltage-controlled source of gain 1e9), its pole and output
// resistors noiseless. Each op-amp's en is a 1-ohm resistor's thermal noise
// (with flicker noise from a bias current of 1 A for the 1/f corner) scaled
// by a controlled source in series with the + input; its in is another
// 1-ohm resistor's noise turned into a current into the + input. The
// resistors of the filter are named as the parts (R1..Rn), the generators
// "ren<k>" and "rin<k>" for op-amp k; the outputs are "o1".."o<n-1>" and
// "out".

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "response/noise.h"
#include "response/opamp_circuit.h"

namespace kelvara::response::testing {

inline std::string Num(double x) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", x);
  return buffer;
}

inline std::string NoiseDeck(const OpAmpCircuit& c, const OpAmpModel& m, double temperatureC) {
  constexpr double kTwoPi = 6.283185307179586;
  const bool hpf = c.request.passKind == engine::kHpf;
  const double fourKT = 4 * kBoltzmann * (kZeroCelsiusK + temperatureC);
  std::ostringstream deck;
  deck << "Sallen-Key cascade with op-amp noise\n";
  deck << "Vin in 0 dc 0 ac 1\n";
  std::string in = "in";
  int r = 1, cap = 1;
  auto part = [&](bool capacitor, const std::string& a, const std::string& b, double value) {
    if (capacitor) {
      deck << "C" << cap++ << " " << a << " " << b << " " << Num(value) << "\n";
    } else {
      deck << "R" << r++ << " " << a << " " << b << " " << Num(value) << "\n";
    }
  };
  const double en = m.noise.enNvRtHz * 1e-9, inoise = m.noise.inPaRtHz * 1e-12;
  for (int k = 0; k < c.stageCount; ++k) {
    const CircuitStage& st = c.stages[k];
    const std::string s = std::to_string(k + 1);
    const std::string a = "a" + s, b = "b" + s, bp = "bp" + s, x = "x" + s;
    const std::string out = k + 1 == c.stageCount ? "out" : "o" + s;
    if (st.firstOrder) {
      part(hpf, in, b, st.series1);
      part(!hpf, b, "0", st.shunt);
    } else {
      // Part order as the design numbers them: Ra, Rb, Ca, Cb.
      if (hpf) {
        part(false, a, out, st.feedback);
        part(false, b, "0", st.shunt);
        part(true, in, a, st.series1);
        part(true, a, b, st.series2);
      } else {
        part(false, in, a, st.series1);
        part(false, a, b, st.series2);
        part(true, a, out, st.feedback);
        part(true, b, "0", st.shunt);
      }
    }
    // en in series with the + input.
    deck << "Ien" << s << " 0 ne" << s << " dc 1\n";
    deck << "Ren" << s << " ne" << s << " 0 1 rflicker" << s << "\n";
    deck << "Ienref" << s << " 0 me" << s << " dc 1\n";
    deck << "Renref" << s << " me" << s << " 0 1 noisy=0\n";
    deck << ".model rflicker" << s << " R (kf=" << Num(fourKT * m.noise.enCornerHz) << " af=1)\n";
    deck << "Een" << s << " " << bp << " " << b << " ne" << s << " me" << s << " " << Num(en / std::sqrt(fourKT))
         << "\n";
    // in into the + input.
    deck << "Rin" << s << " ni" << s << " 0 1\n";
    deck << "Gin" << s << " 0 " << b << " ni" << s << " 0 " << Num(inoise / std::sqrt(fourKT)) << "\n";
    if (m.ideal) {
      deck << "Eu" << s << " " << out << " 0 " << bp << " " << out << " 1e9\n";
    } else {
      deck << "Gu" << s << " 0 " << x << " " << bp << " " << out << " 1\n";
      deck << "Rp" << s << " " << x << " 0 " << Num(std::pow(10.0, m.a0Db / 20)) << " noisy=0\n";
      deck << "Cp" << s << " " << x << " 0 " << Num(1 / (kTwoPi * m.gbwHz)) << "\n";
      if (m.routOhm > 0) {
        deck << "Eu" << s << " e" << s << " 0 " << x << " 0 1\n";
        deck << "Ro" << s << " e" << s << " " << out << " " << Num(m.routOhm) << " noisy=0\n";
      } else {
        deck << "Eu" << s << " " << out << " 0 " << x << " 0 1\n";
      }
    }
    in = out;
  }
  deck << ".temp " << Num(temperatureC) << "\n";
  deck << ".end\n";
  return deck.str();
}

/// ngspice's name of a source's output noise vector.
inline std::string NgspiceNoiseVector(const NoiseSource& s) {
  switch (s.kind) {
    case NoiseSourceKind::kResistor:
      return "onoise_r" + std::to_string(s.index + 1);
    case NoiseSourceKind::kVoltage:
      return "onoise_ren" + std::to_string(s.index + 1);
    case NoiseSourceKind::kCurrent:
      return "onoise_rin" + std::to_string(s.index + 1);
  }
  return {};
}

}  // namespace kelvara::response::testing
