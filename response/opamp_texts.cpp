#include "response/opamp_texts.h"

#include <cctype>
#include <cmath>

#include "values/eng_value.h"

namespace kelvara::response {
namespace {

// The value of one text, or the error of its field.
std::optional<OpAmpTextError> Read(const std::string& text, OpAmpField field, bool zeroAllowed, double& value) {
  value = values::ParseEngValue(text);
  if (value == 0 && !values::ReadsAsZero(text)) return OpAmpTextError{field, true};
  if (!std::isfinite(value)) return OpAmpTextError{field, true};
  if (value < 0 || (value == 0 && !zeroAllowed)) return OpAmpTextError{field, false};
  return std::nullopt;
}

}  // namespace

std::optional<OpAmpTextError> ReadOpAmpTexts(const OpAmpTexts& texts, OpAmpModel& model) {
  OpAmpModel m;
  m.ideal = false;
  if (auto e = Read(texts.gbwHz, OpAmpField::kGbw, false, m.gbwHz)) return e;
  if (auto e = Read(texts.a0Db, OpAmpField::kA0, false, m.a0Db)) return e;
  if (auto e = Read(texts.routOhm, OpAmpField::kRout, true, m.routOhm)) return e;
  model = m;
  return std::nullopt;
}

}  // namespace kelvara::response
