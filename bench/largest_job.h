#pragma once
// The largest plan opened as the operator does it, and the pulses of a roller and two pumps
// running: what the benchmarks of the reading cycle and of the job record paint.

#include <cstdint>
#include <filesystem>

#include "core/common/text_file.h"
#include "largest_plan.h"
#include "support/control_rig.h"

namespace chromaflow::bench {

// The largest plan opened as the operator does, painting started from the start of the path.
inline void openLargestPlan(chromaflow::testing::ControlRig& rig) {
  {
    // The operator opens the largest plan and leaves the plan window.
    ColourTable colours;
    Plan plan{colours};
    largestPlan(plan);
    const auto file = std::filesystem::temp_directory_path() / "chromaflow-largest-plan.spv";
    writeTextFile(file.string(), plan.fileLines());
    rig.asker.openAnswers = {file.string()};
    rig.session.openPlan(true);
    rig.session.planWindowLeft();
    std::filesystem::remove(file);
  }
  rig.session.setRunning(true);
  rig.session.hoseFullButton();
  rig.tick();
}

// Roller every tick, the pumps in turn.
inline std::uint16_t nextPins(std::uint16_t pins) { return pins ^ (0x0001 | (pins & 1 ? 0x0040 : 0x0004)); }

}  // namespace chromaflow::bench
