#include "response/opamp_texts.h"

#include <cctype>
#include <cmath>

#include "values/eng_value.h"

namespace kelvara::response {
namespace {

// ParseEngValue gives 0 for unreadable text too; a readable zero is a
// number of zeros (with sign, point and prefix letter) and nothing else.
bool ReadsAsZero(const std::string& text) {
  bool digit = false;
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  for (; i < text.size() && (text[i] == '0' || text[i] == '.'); ++i) digit = digit || text[i] == '0';
  if (i < text.size() && std::string_view("GMkmunp").find(text[i]) != std::string_view::npos) ++i;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return digit && i == text.size();
}

// The value of one text, or the error of its field.
std::optional<OpAmpTextError> Read(const std::string& text, OpAmpField field, bool zeroAllowed, double& value) {
  value = values::ParseEngValue(text);
  if (value == 0 && !ReadsAsZero(text)) return OpAmpTextError{field, true};
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
