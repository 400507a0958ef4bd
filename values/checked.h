#pragma once

// The one way the libraries say that an input cannot be used. A check gives
// either the value it made of its inputs or the problem of the first input
// that cannot be used: which one (a field of the caller's own enumeration,
// so that a window can mark its control and the command line name its
// option) and a message for the user. Nothing is thrown and nothing is
// changed by a check that finds a problem.
//
//   Checked<StudyPlan, StudyField> plan = PlanStudy(inputs);
//   if (const auto* problem = ProblemOf(plan)) ... problem->message ...

#include <string>
#include <variant>

namespace kelvara::values {

template <typename Field>
struct InputProblem {
  Field field{};
  std::string message;  // for the user, in the program's language
  std::string subject;  // where one field holds many inputs: which one ("R3")
};

template <typename T, typename Field>
using Checked = std::variant<T, InputProblem<Field>>;

/// The problem, or null where the check gave a value.
template <typename T, typename Field>
const InputProblem<Field>* ProblemOf(const Checked<T, Field>& checked) {
  return std::get_if<InputProblem<Field>>(&checked);
}

}  // namespace kelvara::values
