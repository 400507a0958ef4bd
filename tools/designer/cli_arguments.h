#pragma once

// The command line of kelvara-design as a whole, for every option it has:
// the checks made on the words before the options are read (an unknown
// option with the nearest known one, an option whose value would be taken
// from the next option), the usage error printed in two lines, --version
// and the cut-off text.

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvara::tools {

/// A usage error of kelvara-design (exit status 2). The text names the
/// option it concerns first ("--points: ..."). The usage errors of every
/// option module derive from it.
struct CliUsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

/// The second line of every usage error.
inline constexpr const char* kSeeHelp = "詳しくは --help";

/// The usage error as printed: "kelvara-design: MESSAGE" and "詳しくは --help".
void PrintUsageError(std::ostream& err, const std::string& message);

/// Checks the words of the command line (without the program name) against
/// the options `app` has, before CLI11 reads them. Throws CliUsageError for
///  - an unknown long option (naming the nearest option when one is close),
///  - "--name=" with nothing after "=" for any option,
///  - an option that takes a value written as the last word or followed by
///    a word that begins with "--" (a value is never taken from the next
///    option, nor from a word that looks like one).
/// Words after a lone "--" are not looked at.
void CheckArgumentWords(const CLI::App& app, const std::vector<std::string>& words);

/// The long option of `app` nearest to `word` ("--ordr" -> "--order"), when
/// one is near enough to be a likely typo or a unique abbreviation.
std::optional<std::string> NearestOption(const CLI::App& app, const std::string& word);

/// The text of a CLI11 parse error as the first line of a usage error.
std::string ParseErrorMessage(const CLI::ParseError& error);

/// Adds --version ("kelvara-design VERSION").
void AddVersionOption(CLI::App& app);
/// What --version prints, without the line end.
std::string VersionText();

/// A frequency text of an option checked as a design takes it: a number
/// with at most one SI prefix (G M k m u n p, case-sensitive) and no unit,
/// from `minHz` to `maxHz` (both included; `rangeText` says so, "1 to
/// 100M"). Throws CliUsageError naming the option and the accepted form
/// otherwise.
void CheckFrequencyText(const std::string& option, const std::string& text, double minHz, double maxHz,
                        const std::string& rangeText);

}  // namespace kelvara::tools
