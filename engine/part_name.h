#pragma once

// The names the sheet, the drawings, the messages and the reports give the
// parts: "R3", "C4".

#include <string>

namespace kelvara::engine {

/// "R3" for ('R', 3).
inline std::string PartName(char letter, int number) { return std::string(1, letter) + std::to_string(number); }

}  // namespace kelvara::engine
