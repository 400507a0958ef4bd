#pragma once

#include <string>

namespace kelvara::values {

/// Receives the warnings of a validation or a design: a caption that says
/// what is wrong and a text that says what to do. Warn returns once the user
/// has seen the warning (a front end may block until its box is closed).
class WarningSink {
 public:
  virtual ~WarningSink() = default;
  virtual void Warn(const std::string& caption, const std::string& text) = 0;
};

}  // namespace kelvara::values
