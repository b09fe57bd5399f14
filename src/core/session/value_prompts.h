#pragma once
// The main window's value entries: which prompt the single-value entry dialog shows, with what
// text it starts, and whether it is shown at all. Reading the typed value back and applying it
// is the painting control's (enterPumpLitres, enterDistance).

#include <string>

#include "core/control/figures.h"
#include "core/control/painting_control.h"

namespace chromaflow {

struct ValuePrompt {
  std::string caption;
  std::string text;  // the entry's starting text
  bool show = true;
  bool operator==(const ValuePrompt&) const = default;
};

// The litres a pump really delivered, starting from the litres its pulses give. With no pulse
// counted there is nothing to calibrate against: the dialog is not shown.
ValuePrompt pumpLitresPrompt(Pump pump, const MainWindowFigures& figures);

// The distance really travelled, starting from the distance shown.
ValuePrompt distancePrompt(const MainWindowFigures& figures);

}  // namespace chromaflow
