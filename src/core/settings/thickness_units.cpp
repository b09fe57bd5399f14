#include "core/settings/thickness_units.h"

namespace chromaflow {

void ThicknessUnitChoice::choose(ThicknessUnit unit) {
  checked_ = unit;
  chosen_ = true;
}

UnitPanelState ThicknessUnitChoice::panel(ThicknessUnit unit) const {
  if (unit == checked_) return {true, false};
  // Before the first choice the other panels only look unavailable.
  return {!chosen_, true};
}

}  // namespace chromaflow
