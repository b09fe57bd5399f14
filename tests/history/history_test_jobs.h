#pragma once
// Jobs for the history's tests: the example wall painted on the simulated machine (P1 a tenth
// fast from the 30th second, the correction off), and jobs made of it with the names and times a
// case wants.

#include <gtest/gtest.h>

#include <string>

#include "core/history/stored_job.h"
#include "sim/harness/simulation.h"

namespace chromaflow::testing {

inline constexpr std::int64_t kMay2024 = 1'714'521'600'000;  // 2024-05-01 00:00 UTC

// The record after `seconds` of painting (to the wall's end with 0).
inline JobRecord paintedRecord(double seconds = 0) {
  sim::Simulation simulation;
  simulation.openProject(std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv");
  simulation.session().enterCorrectionParameter(CorrectionParameter::PCorrectMaxPct, "0");
  simulation.start();
  simulation.startMachine({.faults = {{sim::MachineFault::Target::P1, 1.1, 30}}});
  while (!simulation.machineFinished() &&
         (seconds == 0 || simulation.session().jobRecord().milliseconds() < seconds * 1000))
    simulation.tick();
  return simulation.session().jobRecord();
}

inline const JobRecord& wholeWall() {
  static const JobRecord record = paintedRecord();
  return record;
}

// A job of the example's record, its texts and times as given.
inline StoredJob sampleJob(const std::string& project, std::int64_t startedMs, const JobRecord& record = wholeWall(),
                           const std::string& machine = "atelier-1") {
  StoredJob job;
  job.machine = machine;
  job.projectPath = "/home/peintre/chantiers/" + project + ".prv";
  job.projectName = project;
  job.userText = "Client Durand, " + project + "\r\nDeuxième ligne, pas dans la liste";
  job.startedMs = startedMs;
  job.endedMs = startedMs + record.milliseconds();
  job.settingsText = "P1trl=220\r\nP2trl=220\r\nRetard=1.00\r\n";
  job.backend = "machine simulée (P1 à 110 % après 30 s)";
  takeFromRecord(job, record, 2);
  return job;
}

// The job read back is the job written, every field, the record to its last bit; the user text
// is its first line only.
inline void expectSameJob(const StoredJob& read, const StoredJob& written) {
  EXPECT_EQ(read.uid, written.uid);
  EXPECT_EQ(read.machine, written.machine);
  EXPECT_EQ(read.projectPath, written.projectPath);
  EXPECT_EQ(read.projectName, written.projectName);
  EXPECT_EQ(read.userText, firstLine(written.userText));
  EXPECT_EQ(read.startedMs, written.startedMs);
  EXPECT_EQ(read.endedMs, written.endedMs);
  EXPECT_EQ(read.settingsText, written.settingsText);
  EXPECT_EQ(read.backend, written.backend);
  EXPECT_EQ(read.verdict, written.verdict);
  EXPECT_EQ(read.verdictText, written.verdictText);
  EXPECT_EQ(read.figures, written.figures);
  EXPECT_EQ(read.record.stored(), written.record.stored());
}

}  // namespace chromaflow::testing
