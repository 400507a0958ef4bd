#include "tools/designer/cli_arguments.h"

#include <algorithm>
#include <string_view>

#include "values/eng_value.h"

#ifndef KELVARA_VERSION
#define KELVARA_VERSION "unknown"
#endif

namespace kelvara::tools {
namespace {

// Edit distance with transpositions of neighbours (optimal string
// alignment): "ordr" -> "order" is 1, "oredr" -> "order" is 1.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// The long names of the options ("--order"), help and version included.
std::vector<std::string> LongNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

bool TakesValue(const CLI::Option& option) { return option.get_expected_min() > 0; }

bool BeginsWithDashes(const std::string& word) { return word.size() >= 2 && word[0] == '-' && word[1] == '-'; }

}  // namespace

void PrintUsageError(std::ostream& err, const std::string& message) {
  err << "kelvara-design: " << message << '\n' << kSeeHelp << '\n';
}

std::optional<std::string> NearestOption(const CLI::App& app, const std::string& word) {
  if (!BeginsWithDashes(word) || word.size() < 3) return std::nullopt;
  const std::string_view given = std::string_view(word).substr(2);
  std::optional<std::string> best;
  std::size_t bestDistance = 0;
  bool tie = false;                     // two options equally near: no guess
  std::vector<std::string> extensions;  // options the word abbreviates
  for (const std::string& name : LongNames(app)) {
    const std::string_view candidate = std::string_view(name).substr(2);
    if (given.size() >= 2 && candidate.substr(0, given.size()) == given) extensions.push_back(name);
    const std::size_t distance = EditDistance(given, candidate);
    // Near enough: at most two edits, and fewer than half the name's letters.
    if (distance > 2 || 2 * distance >= candidate.size()) continue;
    if (best && distance == bestDistance) tie = true;
    if (!best || distance < bestDistance) {
      best = name;
      bestDistance = distance;
      tie = false;
    }
  }
  if (best) return tie ? std::nullopt : best;
  if (extensions.size() == 1) return extensions.front();
  return std::nullopt;
}

void CheckArgumentWords(const CLI::App& app, const std::vector<std::string>& words) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "--") return;  // the rest are not options
    if (!BeginsWithDashes(word)) continue;
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(0, equals);
    const CLI::Option* option = app.get_option_no_throw(name);
    if (option == nullptr) {
      std::string message = name + ": unknown option";
      if (const auto nearest = NearestOption(app, name)) message += "; did you mean " + *nearest + "?";
      throw CliUsageError(message);
    }
    if (equals != std::string::npos) {
      if (equals + 1 == word.size()) throw CliUsageError(name + ": no value after '='");
      continue;
    }
    if (!TakesValue(*option)) continue;
    if (i + 1 == words.size()) throw CliUsageError(name + ": a value is missing");
    if (BeginsWithDashes(words[i + 1])) {
      throw CliUsageError(name + ": a value is missing (" + words[i + 1] + " is not taken as one; write " + name +
                          "=VALUE for a value that begins with --)");
    }
    ++i;  // the value
  }
}

std::string ParseErrorMessage(const CLI::ParseError& error) {
  std::string text = error.what();
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  // CLI11 may list several lines: keep the first.
  const std::size_t lineEnd = text.find('\n');
  if (lineEnd != std::string::npos) text.erase(lineEnd);
  return text;
}

void AddVersionOption(CLI::App& app) { app.set_version_flag("--version", VersionText(), "print the version and exit"); }

std::string VersionText() { return std::string("kelvara-design ") + KELVARA_VERSION; }

void CheckFrequencyText(const std::string& option, const std::string& text, double minHz, double maxHz,
                        const std::string& rangeText) {
  const double hz = values::ParseEngValue(text);
  if (hz >= minHz && hz <= maxHz) return;
  const std::string form = "give a frequency from " + rangeText +
                           " Hz as a number with at most one SI prefix (G M k m u n p) and no unit, e.g. 1k or 4.7k";
  // ParseEngValue reads anything unreadable as 0: tell a zero from a typo.
  const bool zero = !text.empty() && text.find_first_not_of("0.+-eE") == std::string::npos;
  if (hz == 0 && !zero) throw CliUsageError(option + ": '" + text + "' is not readable; " + form);
  throw CliUsageError(option + ": '" + text + "' is out of range; " + form);
}

}  // namespace kelvara::tools
