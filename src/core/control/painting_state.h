#pragma once
// The painting run-time state: where the roller is on the path, what the hose holds, and the
// flags of the reading cycle. Lives for the whole run.

#include <array>

#include "core/card/card_image.h"

namespace chromaflow {

struct PaintingState {
  float Distance = 0;      // m travelled along the path
  float PaintedArea = 0;   // m² painted since the hose was full
  float HoseFill = 0;      // litres pushed into hose and roller, 0..Retard
  bool FirstCycle = false; // the next tick only records the inputs
  bool GunOn = false;
  bool RefreshPhase = false;
  bool TestWindowOpen = false;
  bool Running = false;    // "Start" checked; "Stop" otherwise
  float SensorPressure = 0;     // bar, this tick
  int PulseInterval = 0;        // ms given to the gun pulse timer
  float AnticipatedDistance = 0;  // of the last dosing pass
  // The digital inputs as the previous tick read them: a change is a pulse.
  std::array<bool, kDigitalChannels + 1> PreviousInputImage{};
};

}  // namespace chromaflow
