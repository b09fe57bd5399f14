#pragma once
// How the paint machine is wired to the K8000 card: which digital input carries the roller's
// pulses and each pump's, which output opens the spray-gun valve, which analog input reads the
// gun's pressure and which analog output sets the mix. One row, read by the painting control and
// by the simulated machine alike.

namespace chromaflow {

struct MachineWiring {
  int roller = 1;          // digital input: one change of level per roller pulse
  int pumpP1 = 7;          // digital input: pump P1's pulses
  int pumpP2 = 3;          // digital input: pump P2's pulses
  int gunValve = 9;        // digital output: pulsed to build the spray-gun pressure
  int pressureSensor = 1;  // analog input: the gun's pressure, 0..255 over the sensor's range
  int mixSetpoint = 1;     // DA output: the share of P2 asked of the pumps
};

inline constexpr MachineWiring kMachineWiring{};

}  // namespace chromaflow
