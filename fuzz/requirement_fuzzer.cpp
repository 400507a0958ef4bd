// Feeds arbitrary text to the requirement parser and arbitrary numbers to
// the computation. The text is read for both kinds; a requirement that
// reads must pass its own check, and the table computed for it must keep
// its promises (a candidate with an order has a non-empty range holding its
// cut-off and its cut-off text; the recommended one meets). The same bytes,
// taken as four doubles (NaN, infinities, denormals, huge and tiny values)
// plus a kind and three constraints, go through the ranges and the table
// whether or not they pass the check.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "response/requirement.h"
#include "values/eng_value.h"

namespace {

using kelvara::response::Requirement;
using kelvara::response::RequirementConstraints;
using kelvara::response::RequirementResult;

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckResult(const RequirementResult& result) {
  for (const auto& c : result.candidates) {
    if (!c.order) {
      Require(!c.meets && !c.why.empty());
      continue;
    }
    Require(c.range.loHz <= c.range.hiHz);
    Require(c.cutoffHz >= c.range.loHz && c.cutoffHz <= c.range.hiHz);
    Require(c.cutoffTextHz >= c.range.loHz && c.cutoffTextHz <= c.range.hiHz);
    Require(c.cutoffTextHz == kelvara::values::ParseEngValue(c.cutoffText));
    Require(c.meets == c.why.empty());
  }
  if (result.recommended) Require(result.candidates.at(*result.recommended).meets);
}

double Take(const std::uint8_t*& data, std::size_t& size) {
  double v = 0;
  if (size >= sizeof v) {
    std::memcpy(&v, data, sizeof v);
    data += sizeof v;
    size -= sizeof v;
  }
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const int kind : {0, 1}) {
    Requirement r;
    if (kelvara::response::ParseRequirement(text, kind, r).ok()) {
      Require(kelvara::response::CheckRequirement(r).ok());
      CheckResult(kelvara::response::DesignFromRequirement(r));
    }
  }
  if (size < 1 + 4 * sizeof(double)) return 0;
  const int kind = data[0] & 1;
  const int order = 2 + (data[0] >> 1) % 7;
  const int response = (data[0] >> 4) % 3;
  ++data;
  --size;
  Requirement r{kind, Take(data, size), Take(data, size), Take(data, size), Take(data, size)};
  RequirementConstraints limits;
  if (size >= 3 * sizeof(double)) {
    limits.maxOvershootPct = Take(data, size);
    limits.maxDelayVariationPct = Take(data, size);
    limits.maxQ = Take(data, size);
  }
  const auto range = kelvara::response::CutoffRangeOf(r, response, order);
  if (!range.Empty()) Require(range.loHz <= range.hiHz);
  if (kelvara::response::CheckRequirement(r).ok()) CheckResult(kelvara::response::DesignFromRequirement(r, limits));
  return 0;
}
