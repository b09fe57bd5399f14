#pragma once
// The paint machine the simulated card is wired to: a roller moving along the wall, two pumps
// feeding a hose, and a spray gun with its pressure sensor. It moves the card's pins and
// analog input from its own physical model of the job, deterministically, and knows the truth
// the control can only estimate: where the roller really is, which mix it really lays, what the
// pumps really delivered.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sim/machine/machine_job.h"
#include "sim/card/simulated_k8000.h"

namespace chromaflow::sim {

// A fault from a given time on: a pump delivering `factor` times what it should (0 stopped,
// 0.9 slow, 1.1 fast), or the roller stopped.
struct MachineFault {
  enum class Target { P1, P2, Roller } target;
  double factor = 0;
  double fromSeconds = 0;
};

struct MachineConfig {
  double speedMetresPerMinute = 10;  // along the wall
  // The pumps' true pulses per litre; by default the job's.
  std::optional<double> p1PulsesPerLitre{}, p2PulsesPerLitre{};
  std::vector<MachineFault> faults{};
  double barPerValvePulse = 2.0;      // what one opening of the gun valve adds
  double pressureTimeConstant = 5.0;  // s, how fast the pressure falls back
};

// The machine as the job history names what painted: "machine simulée (10 m/min ; P1 à 110 %
// dès 30 s)".
std::string machineBackendText(const MachineConfig& config);

class PaintMachine {
 public:
  PaintMachine(SimulatedK8000& card, MachineJob job, MachineConfig config);

  const Wall& wall() const { return wall_; }
  const MachineConstants& constants() const { return constants_; }

  // Every fault comes `seconds` sooner in the machine's own time: for a machine whose time
  // started that much after the moment its faults were counted from.
  void bringFaultsForward(double seconds) {
    for (MachineFault& fault : config_.faults) fault.fromSeconds -= seconds;
  }

  // The roller is set at the start of the wall again, its hose and roller still full.
  void startNewWall() { distance_ = 0, area_ = 0; }

  // Moves the machine to `milliseconds`; the roller and pumps run only while `painting`.
  void advanceTo(std::int64_t milliseconds, bool painting);

  double trueDistance() const { return distance_; }
  double trueArea() const { return area_; }      // painted on this wall
  double hoseLitres() const { return hoseLitres_; }  // in hose and roller, up to their capacity
  double laidProportion() const { return laid_; }  // the mix at the roller, % of P2
  bool laying() const { return laidAny_; }
  double litresP1() const { return litresP1_; }
  double litresP2() const { return litresP2_; }
  double pressure() const { return pressure_; }
  // The proportion the pumps are asked for, as the card's analog output commands it.
  double commandedProportion() const;
  // The roller has reached the end of the wall (at once when there is no wall).
  bool finished() const { return wall_.empty() || distance_ >= wall_.length(); }

  // The laid mix against the plan's proportion at the true position, over all the area painted
  // since the machine started. The roller's mixing makes it lag behind any change of the plan.
  double meanDeviation() const { return judgedArea_ > 0 ? deviationSum_ / judgedArea_ : 0; }
  double largestDeviation() const { return largestDeviation_; }
  // The laid mix against the mix the plan predicts at the roller (the plan's proportion through
  // the same mixing): what the dosing itself gets wrong.
  double meanControlDeviation() const { return judgedArea_ > 0 ? controlDeviationSum_ / judgedArea_ : 0; }
  double largestControlDeviation() const { return largestControlDeviation_; }

 private:
  struct Parcel {
    double litres;
    double proportion;
  };
  // Litres of each pump's paint going into the hose.
  struct Flow {
    double p1 = 0, p2 = 0;
    double total() const { return p1 + p2; }
  };

  void step(double seconds, bool painting);
  void prime(double& seconds);
  void lay(double seconds);
  Flow flowFor(double area) const;
  void run(const Flow& flow, double area);
  double factorOf(MachineFault::Target target) const;
  void toggle(int channel, double& owed);
  void updatePressure(double seconds);
  double pushThroughHose(double litres, double proportion);

  SimulatedK8000& card_;
  Wall wall_;
  Wall asked_;  // the plan, or what the dosing asks instead
  MachineConstants constants_;
  MachineConfig config_;
  std::int64_t now_ = 0;

  double distance_ = 0, area_ = 0;
  std::deque<Parcel> hose_;
  double hoseLitres_ = 0;
  double laid_ = 0;
  bool laidAny_ = false;
  double litresP1_ = 0, litresP2_ = 0;
  double rollerOwed_ = 0, p1Owed_ = 0, p2Owed_ = 0;
  double pressure_ = 0;
  bool valveWasOpen_ = false;
  double predicted_ = 0;
  double judgedArea_ = 0;
  double deviationSum_ = 0, largestDeviation_ = 0;
  double controlDeviationSum_ = 0, largestControlDeviation_ = 0;
};

}  // namespace chromaflow::sim
