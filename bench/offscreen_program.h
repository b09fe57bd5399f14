#pragma once
// The program as the window benchmarks run it: on a virtual clock, the simulated card on Lpt1
// (no port tried), questions answered by `asker`.

#include "core/control/virtual_clock.h"
#include "gui/main/program.h"

namespace chromaflow::bench {

inline ProgramSetup setupOn(VirtualClock& clock, Asker* asker) {
  return {clock, [&clock] { return clock.now(); }, PortChoiceOptions{.ppdev = {}, .tryPpdev = false, .tryDirectIo = false}, asker};
}

}  // namespace chromaflow::bench
