// The job's verdict on the example painted by the simulated machine in closed loop with the real
// control: a healthy run holds the proportion, with or without the mixing lead, whatever the
// correction's alarms said; a pump that stops is found where its paint is laid.

#include "core/control/job_verdict.h"

#include <gtest/gtest.h>

#include "sim/harness/simulation.h"

namespace chromaflow::sim {
namespace {

const std::string kExample = std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv";

struct Painted {
  JobVerdict verdict;
  std::size_t alarms = 0;
  float laidFromAtFault = -1;  // where the paint pumped when the fault began is laid, m
};

Painted paintExample(MachineConfig config, bool lead = false) {
  Simulation simulation;
  simulation.openProject(kExample);
  Session& session = simulation.session();
  if (lead) session.setMixingLead(true);
  simulation.start();
  const double faultAt = config.faults.empty() ? -1 : config.faults[0].fromSeconds;
  simulation.startMachine(std::move(config));
  Painted painted;
  while (!simulation.machineFinished()) {
    simulation.tick();
    if (painted.laidFromAtFault < 0 && faultAt >= 0 && simulation.clock().now() >= faultAt * 1000)
      painted.laidFromAtFault = simulation.control().state().AnticipatedDistance;
  }
  painted.verdict = session.jobVerdict();
  painted.alarms = session.jobRecord().alarms().size();
  return painted;
}

TEST(JobVerdict, TheExampleHoldsItsProportionAndAStoppedPumpIsFoundWhereItsPaintLies) {
  for (const bool lead : {false, true}) {
    const Painted healthy = paintExample({}, lead);
    EXPECT_TRUE(healthy.verdict.withinTolerance) << lead << ": " << verdictText(healthy.verdict);
    EXPECT_NEAR(healthy.verdict.judgedLength, 14, 0.05) << lead;
    EXPECT_EQ(verdictText(healthy.verdict), "Proportion tenue à ±2 points sur 13.99 m peints.") << lead;
    EXPECT_GT(healthy.alarms, 5u) << lead << ": the correction's indicators are raised all the same";
  }

  // P2 stops at the 60th second, 2.5 m before the end of the wall is pumped for: the mix it
  // lays there holds P1 alone.
  const Painted stopped = paintExample({.faults = {{MachineFault::Target::P2, 0.0, 60}}});
  ASSERT_GT(stopped.laidFromAtFault, 10);
  ASSERT_EQ(stopped.verdict.stretches.size(), 1u) << verdictText(stopped.verdict);
  const OutOfTolerance& off = stopped.verdict.stretches[0];
  // Judged over 200 pulses (2.6 m of this wall) about each place: its start within a fifth of
  // that.
  EXPECT_NEAR(off.from, stopped.laidFromAtFault, 0.5);
  EXPECT_EQ(off.to, 14.0);
  EXPECT_LT(off.worstDeviation, -5);
}

}  // namespace
}  // namespace chromaflow::sim
