// Feeds arbitrary bytes to the engineering value parser and checks that it
// never fails, never reads out of bounds and never returns a non-finite
// value; whatever it reads is printed and parsed again without a crash.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "values/eng_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double v = kelvara::values::ParseEngValue(text);
  if (!std::isfinite(v)) std::abort();
  kelvara::values::ParseEngValue(kelvara::values::FormatResistanceDisplay(v));
  kelvara::values::ParseEngValue(kelvara::values::FormatCapacitance(v));
  kelvara::values::ParseEngValue(kelvara::values::FormatFrequencyReading(v));
  return 0;
}
