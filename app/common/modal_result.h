#pragma once

namespace kelvara::app {

/// Results of a dialog shown modally.
inline constexpr int kModalResultOk = 1;
inline constexpr int kModalResultCancel = 2;

}  // namespace kelvara::app
