#pragma once

// The controls of one resistor or capacitor of the design sheet.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace kelvara::app {

struct PartGroup {
  QGroupBox* box = nullptr;            // captioned with the part name ("R1", "C3")
  QLineEdit* valueEdit = nullptr;      // the value as engineering text
  QLabel* unitLabel = nullptr;         // "Ω" or "F"
  QRadioButton* autoButton = nullptr;  // the program computes the value
  QRadioButton* fixButton = nullptr;   // the value is the user's
};

}  // namespace kelvara::app
