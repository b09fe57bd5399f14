#pragma once
// A whole run without windows: the simulated card, the documents, the painting control and its
// three timers on a virtual clock, activated as the program starts.

#include <cstdint>

#include "app/session.h"
#include "control/virtual_clock.h"
#include "sim/simulated_k8000.h"

namespace chromaflow::testing {

struct ControlRig {
  sim::SimulatedK8000 card;
  VirtualClock clock;
  // Due in the same millisecond, they run in this order.
  VirtualTimer& refresh = clock.makeTimer(200, true);
  VirtualTimer& pulse = clock.makeTimer(25, false);
  VirtualTimer& cycle = clock.makeTimer(20, true);
  Session session{card, {cycle, pulse, refresh}};
  PaintingControl& control = session.control;
  Documents& documents = session.documents;

  ControlRig() {
    refresh.onTick = [this] { control.refreshTick(); };
    pulse.onTick = [this] { control.pulseTick(); };
    cycle.onTick = [this] { control.readingCycleTick(); };
    control.activateMainWindow();
  }

  // Runs the clock to the next reading-cycle tick, with these pins pulled low from outside.
  void tick(std::uint16_t pulledLow) {
    card.setPulledLowMask(pulledLow);
    clock.advanceTo(cycle.due());
  }
  void tick() { tick(card.pulledLowMask()); }

  // One edge on a digital input, on its own tick.
  void edge(int channel) { tick(static_cast<std::uint16_t>(card.pulledLowMask() ^ (1u << (channel - 1)))); }

  // A plan of one surface H x L and a proportion ramp, and painting started.
  void wall(float height, float length, std::initializer_list<std::pair<const char*, int>> rows) {
    documents.plan.appendSurface({height, length});
    documents.plan.RecomputeSurfaces();
    for (const auto& [distance, proportion] : rows) documents.plan.appendProportion(distance, proportion);
    documents.plan.RefreshProportions();
    control.RedrawSurfaceView();
    control.RedrawProportionViews();
  }
};

}  // namespace chromaflow::testing
