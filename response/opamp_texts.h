#pragma once

// The op-amp as the user types it: GBW in hertz, A0 in dB and Rout in ohms
// as engineering texts ("1M", "100", "50"). GBW and A0 must be above 0; Rout
// may be 0 (no output resistance) but not negative.

#include <optional>
#include <string>

#include "response/opamp_model.h"

namespace kelvara::response {

struct OpAmpTexts {
  std::string gbwHz = "1M";
  std::string a0Db = "100";
  std::string routOhm = "0";
};

enum class OpAmpField { kGbw, kA0, kRout };

struct OpAmpTextError {
  OpAmpField field = OpAmpField::kGbw;
  bool unreadable = true;  // else readable but out of range (not above 0, or a negative Rout)
};

/// Reads the three texts into a real (non-ideal) model, or names the first
/// text that is unreadable or out of range.
std::optional<OpAmpTextError> ReadOpAmpTexts(const OpAmpTexts& texts, OpAmpModel& model);

}  // namespace kelvara::response
