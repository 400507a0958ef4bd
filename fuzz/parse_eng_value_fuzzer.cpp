// Feeds arbitrary bytes to the engineering value parser and checks that it
// never fails, never reads out of bounds and never returns a non-finite
// value; whatever it reads is printed and parsed again without a crash.
//
// The same bytes, taken as the bit pattern of a double (NaN, infinities,
// denormals and negative zero included) and as a count of decimals, go
// through every display form; each form must parse back to a finite value.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "values/eng_value.h"

namespace {

void RequireParsesBack(const std::string& shown) {
  if (!std::isfinite(kelvara::values::ParseEngValue(shown))) std::abort();
}

void AllForms(double v, int decimals) {
  using namespace kelvara::values;
  RequireParsesBack(FormatResistance(v));
  RequireParsesBack(FormatResistanceDisplay(v));
  RequireParsesBack(FormatCapacitance(v));
  RequireParsesBack(FormatFrequency(v));
  RequireParsesBack(FormatFrequencyReading(v));
  RequireParsesBack(FormatGeneral(v));
  RequireParsesBack(FormatFixed(v, decimals));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double v = kelvara::values::ParseEngValue(text);
  if (!std::isfinite(v)) std::abort();
  AllForms(v, 2);

  if (size >= sizeof(double)) {
    double bits = 0;
    std::memcpy(&bits, data, sizeof bits);
    // The program prints with 0..3 decimals; a few more cost nothing.
    const int decimals = size > sizeof(double) ? data[sizeof(double)] % 8 : 2;
    AllForms(bits, decimals);
    AllForms(-bits, decimals);
  }
  return 0;
}
