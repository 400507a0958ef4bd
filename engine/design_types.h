#pragma once

// The data one design works on: what the user asked for, the part values
// with their auto/fix choices, and the targets of every stage.

#include <array>
#include <cstdint>
#include <string>

#include "values/filter_catalogue.h"

namespace kelvara::engine {

/// The parts and stages of the highest order, from the catalogue's orders:
/// one resistor and one capacitor an order (R1..R8, C1..C8), and a stage
/// for every two orders (an odd order's first is the RC section).
inline constexpr int kMaxParts = values::kMaxOrder;
inline constexpr int kMaxStages = (values::kMaxOrder + 1) / 2;

// The kinds and responses of the catalogue (values/filter_catalogue.h).
using values::kBessel;
using values::kButterworth;
using values::kChebyshev;
using values::kHpf;
using values::kLpf;
using values::PassKind;
using values::Response;

/// The design parameters of one sheet, as the controls hold them.
struct DesignRequest {
  double cutoffHz = 0.0;
  std::uint8_t passKind = kLpf;
  std::uint8_t circuit = 0;
  std::uint8_t orderIndex = 0;  // order - 2
  std::uint8_t response = kButterworth;
  std::uint8_t rippleIndex = 0;
  bool evenOrder = true;
  bool capE12 = false;
  bool resE24 = false;
  bool anyValues = true;

  int Order() const { return orderIndex + 2; }
};

/// Part values of one design; entry i is part i + 1 (R1..R8, C1..C8).
struct ComponentSet {
  std::array<double, kMaxParts> r{};
  std::array<double, kMaxParts> c{};
  std::array<bool, kMaxParts> rAuto{};
  std::array<bool, kMaxParts> rFixed{};
  std::array<bool, kMaxParts> cAuto{};
  std::array<bool, kMaxParts> cFixed{};
};

/// Target Q and angular frequency (rad/s) of the stage slots 0..3.
struct StageTargets {
  std::array<double, kMaxStages> stageQ{};
  std::array<double, kMaxStages> stageOmega{};
};

/// What the user typed and chose for one part: the text of its value edit
/// and which of its two radio buttons is selected.
struct PartInput {
  std::string text;
  bool autoSelected = true;
  bool fixSelected = false;
};

/// The sixteen part inputs of a sheet; entry i is part i + 1.
struct PartInputs {
  std::array<PartInput, kMaxParts> r;
  std::array<PartInput, kMaxParts> c;
};

/// What one calculation run works on (RunDesignSequence): the request and
/// part inputs it captured, the part values it designs and the targets.
struct RunData {
  DesignRequest request;
  PartInputs inputs;
  ComponentSet parts;
  StageTargets targets;
};

}  // namespace kelvara::engine
