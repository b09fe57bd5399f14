#pragma once
// A whole run without windows, as the program holds it: a session on the simulated card and a
// virtual clock, activated as the program starts. Tests act through the session's operations.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>

#include "core/control/virtual_clock.h"
#include "core/session/session.h"
#include "sim/card/simulated_k8000.h"
#include "support/scripted_asker.h"

namespace chromaflow::testing {

struct ControlRig {
  // Live: the acquisition thread owns the bus and counts the pulses, the reading cycle still
  // ticks on the virtual clock. The card's pins are then only touched from the thread.
  explicit ControlRig(std::optional<AcquisitionOptions> live = std::nullopt) : live(std::move(live)) {
    session.activateMainWindow();
  }

  std::optional<AcquisitionOptions> live;
  // The card is plugged into the session's Lpt1 when it starts; the rig keeps moving its pins.
  std::unique_ptr<sim::SimulatedK8000> cardToPlug = std::make_unique<sim::SimulatedK8000>();
  sim::SimulatedK8000& card = *cardToPlug;
  VirtualClock clock;
  ScriptedAsker asker;
  Session session{{clock,
                   [this](ParallelPortKind kind) {
                     PortChoice choice;
                     if (kind == ParallelPortKind::Lpt1 && cardToPlug) choice.port = std::move(cardToPlug);
                     return choice;
                   },
                   &asker, live,
                   // Jobs kept in a history are timed by the virtual clock.
                   [this] { return clock.now(); }}};
  const PaintingControl& control = session.control();
  const Timer& pulse = control.gunPulseTimer();

  // Runs the clock to the next reading-cycle tick, with these pins pulled low from outside (set
  // on the acquisition thread when it owns the card).
  void tick(std::uint16_t pulledLow) {
    if (InputAcquisition* acquisition = session.acquisition())
      acquisition->runOwned([&] { card.setPulledLowMask(pulledLow); });
    else
      card.setPulledLowMask(pulledLow);
    tick();
  }
  void tick() {
    bool ticked = false;
    Subscription once = session.ticked.subscribe([&] { ticked = true; });
    while (!ticked && clock.step(INT64_MAX)) {
    }
  }
  // The next tick that runs a dosing pass (the first after an activation only records).
  void pass() {
    const bool recordOnly = control.state().FirstCycle;
    tick();
    if (recordOnly) tick();
  }

  // Settings as a hand-made file may hold them (values no entry accepts), opened as the
  // settings window's "&Ouvrir" opens them.
  void openSettingsLines(const std::vector<std::string>& lines) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("rig-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".sev");
    {
      std::ofstream file(path, std::ios::binary);
      for (const std::string& line : lines) file << line << "\r\n";
    }
    asker.openAnswers.push_back(path.string());
    session.openSettings(true);
    std::filesystem::remove(path);
  }

  // One edge on a digital input, on its own tick.
  void edge(int channel) { tick(static_cast<std::uint16_t>(card.pulledLowMask() ^ (1u << (channel - 1)))); }

  // `pulses` roller pulses while the pumps give `p1` and `p2` pulses per roller pulse.
  void paint(int pulses, double p1, double p2) {
    double owed1 = 0, owed2 = 0;
    for (int i = 0; i < pulses; ++i) {
      edge(1);
      for (owed1 += p1; owed1 >= 1; owed1 -= 1) edge(7);
      for (owed2 += p2; owed2 >= 1; owed2 -= 1) edge(3);
    }
  }

  // A plan of one surface H x L and a proportion ramp.
  void wall(float height, float length, std::initializer_list<std::pair<const char*, int>> rows) {
    session.appendSurface({height, length});
    for (const auto& [distance, proportion] : rows) session.appendProportion(distance, proportion);
  }
};

}  // namespace chromaflow::testing
