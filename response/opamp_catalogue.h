#pragma once

// Widely used op-amps with typical figures from their datasheets, for the
// op-amp panel's list ("品種") and kelvara-design's --opamp: the one list
// both show, in the same order. Only figures read in the datasheet named
// are given; a figure it does not give stays empty (the noise then counts
// it as 0, the limits as not given). Rout is 0 unless the datasheet gives
// the open-loop output resistance.

#include <string>
#include <string_view>
#include <vector>

#include "response/noise_texts.h"
#include "response/opamp_texts.h"

namespace kelvara::response {

struct CatalogueOpAmp {
  std::string name;
  OpAmpTexts opamp;        // GBW, A0 (dB), Rout
  NoiseTexts noise;        // en, its corner, in, swing, slew rate (temperature unused)
  std::string conditions;  // the supply and load the figures are for
  std::string source;      // the datasheet
  std::string supply;      // the supply range the datasheet recommends (empty where not taken)
};

const std::vector<CatalogueOpAmp>& OpAmpCatalogue();

/// The part of that name (ASCII letters in either case), or nullptr.
const CatalogueOpAmp* FindCatalogueOpAmp(std::string_view name);

}  // namespace kelvara::response
