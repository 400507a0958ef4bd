// Feeds arbitrary bytes to the netlist reader and the CSV reader: neither
// may fail or read out of bounds, every value read prints and reads back to
// the same double (its SI form to within kSiReadBack), and the rows read write and read back to the same rows.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "export/csv.h"
#include "export/spice_netlist.h"
#include "export/spice_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto netlist = kelvara::exports::ReadSpiceNetlist(text)) {
    for (const auto& [name, value] : netlist->values) {
      if (!std::isfinite(value)) continue;
      if (kelvara::exports::ParseSpiceNumber(kelvara::exports::SpiceNumber(value)) != value) std::abort();
      const auto si = kelvara::exports::ParseSpiceNumber(kelvara::exports::SiNumber(value));
      if (!si || std::fabs(*si - value) > kelvara::exports::kSiReadBack * std::fabs(value)) std::abort();
    }
  }
  const auto rows = kelvara::exports::ReadCsv(text);
  std::string written(kelvara::exports::kUtf8Bom);  // as a file is written
  for (const auto& row : rows) written += kelvara::exports::CsvLine(row);
  if (kelvara::exports::ReadCsv(written) != rows) std::abort();
  return 0;
}
