// The jobs the session hands to the job history while the simulated machine paints: when a job
// begins and ends, how often it is written, and what it is told as.

#include "core/session/job_keeping.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/harness/simulation.h"

namespace chromaflow::sim {
namespace {

const std::string kExample = std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv";

// Every state handed over, in order, as the history got it.
class HeardHistory : public JobHistory {
 public:
  enum class Kind { Begin, Update, Finish };
  struct Heard {
    Kind kind;
    Ticket ticket;
    StoredJob job;
  };
  std::vector<Heard> heard;

  Ticket begin(StoredJob job) override {
    heard.push_back({Kind::Begin, ++tickets_, std::move(job)});
    return tickets_;
  }
  void update(Ticket ticket, StoredJob job) override { heard.push_back({Kind::Update, ticket, std::move(job)}); }
  void finish(Ticket ticket, StoredJob job) override { heard.push_back({Kind::Finish, ticket, std::move(job)}); }
  std::string statusLine() const override { return "Historique : entendu"; }
  bool inTrouble() const override { return false; }

  std::size_t count(Kind kind) const {
    std::size_t n = 0;
    for (const Heard& h : heard) n += h.kind == kind;
    return n;
  }

 private:
  Ticket tickets_ = 0;
};

using Kind = HeardHistory::Kind;

void tickFor(Simulation& simulation, double seconds) {
  const std::int64_t until = simulation.clock().now() + static_cast<std::int64_t>(seconds * 1000);
  while (simulation.clock().now() < until) simulation.tick();
}

// Paints on until the roller has painted some of the path.
void paintSome(Simulation& simulation) {
  while (!simulation.session().jobRecord().painted()) simulation.tick();
  tickFor(simulation, 1);
}

TEST(JobKeeping, AJobBeginsWhenTheRollerPaintsIsWrittenEveryTenSecondsAndEndsWhenTheOperatorSaysSo) {
  HeardHistory history;
  Simulation simulation;
  simulation.session().setJobHistory(&history);
  simulation.openProject(kExample);
  simulation.start();
  // Running without the machine: nothing painted, no job.
  tickFor(simulation, 3);
  EXPECT_TRUE(history.heard.empty());
  EXPECT_FALSE(simulation.session().jobRunning());

  MachineConfig config;
  config.faults.push_back({MachineFault::Target::P1, 1.1, 30});
  simulation.startMachine(config);
  while (!simulation.session().jobRecord().painted()) simulation.tick();
  ASSERT_EQ(history.heard.size(), 1u);
  const StoredJob begun = history.heard[0].job;  // a copy: the list grows
  EXPECT_EQ(history.heard[0].kind, Kind::Begin);
  EXPECT_EQ(begun.projectName, "wall.prv");
  EXPECT_EQ(begun.projectPath, kExample);
  EXPECT_EQ(begun.userText, "Mur du hall d'entrée, côté rue.");
  EXPECT_EQ(begun.backend, "machine simulée (10 m/min ; P1 à 110 % dès 30 s)");
  EXPECT_NE(begun.settingsText.find("\r\n"), std::string::npos);
  EXPECT_EQ(begun.status, JobStatus::Running);

  // 65 s of painting: six updates, ten seconds of the clock apart.
  tickFor(simulation, 65);
  ASSERT_EQ(history.count(Kind::Update), 6u);
  for (std::size_t i = 1; i < history.heard.size(); ++i) {
    EXPECT_EQ(history.heard[i].ticket, history.heard[0].ticket);
    EXPECT_GE(history.heard[i].job.endedMs - history.heard[i - 1].job.endedMs, JobKeeping::kWriteEveryMilliseconds);
    EXPECT_EQ(history.heard[i].job.startedMs, begun.startedMs);
  }

  simulation.session().finishJob();
  ASSERT_EQ(history.heard.back().kind, Kind::Finish);
  const StoredJob finished = history.heard.back().job;
  EXPECT_NEAR(static_cast<double>(finished.endedMs - begun.startedMs), 65'000, 40);
  EXPECT_GT(finished.figures.areaPainted, 10);
  EXPECT_EQ(finished.verdictText, verdictText(finished.verdict));
  // The record starts anew: the report shows the next job, which begins at the next stretch
  // painted, under a ticket of its own.
  EXPECT_FALSE(simulation.session().jobRecord().painted());
  EXPECT_FALSE(simulation.session().jobRunning());
  simulation.session().finishJob();  // nothing running: nothing handed over
  EXPECT_EQ(history.count(Kind::Finish), 1u);
  tickFor(simulation, 2);
  ASSERT_EQ(history.heard.back().kind, Kind::Begin);
  EXPECT_NE(history.heard.back().ticket, history.heard[0].ticket);
}

TEST(JobKeeping, AJobEndsWithItsProjectTheRunFromTheStartAndTheProgram) {
  HeardHistory history;
  auto simulation = std::make_unique<Simulation>();
  simulation->session().setJobHistory(&history);
  simulation->openProject(kExample);
  simulation->start();
  simulation->startMachine({});
  paintSome(*simulation);
  ASSERT_EQ(history.count(Kind::Begin), 1u);
  const std::size_t painted = history.heard.size();

  // Another project opened: the job ends told as the project it painted.
  simulation->session().newProject();
  ASSERT_EQ(history.heard.size(), painted + 1);
  EXPECT_EQ(history.heard.back().kind, Kind::Finish);
  EXPECT_EQ(history.heard.back().job.projectName, "wall.prv");
  EXPECT_GT(history.heard.back().job.figures.litresP1, 0);

  // "->|<-" ends the job of the run before it.
  simulation->openProject(kExample);
  simulation->startMachine({});
  paintSome(*simulation);
  ASSERT_EQ(history.count(Kind::Begin), 2u);
  simulation->startNextWall();
  EXPECT_EQ(history.count(Kind::Finish), 2u);

  // Moved to another history while painting: the job ends in the first, and the other gets only
  // what is painted from then on.
  paintSome(*simulation);
  tickFor(*simulation, 10);
  HeardHistory other;
  simulation->session().setJobHistory(&other);
  ASSERT_EQ(history.heard.back().kind, Kind::Finish);
  EXPECT_EQ(history.count(Kind::Begin), 3u);
  const double keptThere = history.heard.back().job.figures.areaPainted;
  EXPECT_GT(keptThere, 1);
  EXPECT_FALSE(simulation->session().jobRecord().painted());
  paintSome(*simulation);
  ASSERT_EQ(other.count(Kind::Begin), 1u);
  EXPECT_LT(other.heard.back().job.figures.areaPainted, keptThere / 2);
  // Left without a history and given one again, the record already kept begins nothing until
  // it starts anew.
  simulation->session().setJobHistory(nullptr);
  simulation->session().setJobHistory(&history);
  tickFor(*simulation, 2);
  EXPECT_FALSE(simulation->session().jobRunning());
  simulation->startNextWall();
  paintSome(*simulation);
  ASSERT_TRUE(simulation->session().jobRunning());

  // The program quits while painting: the job ends with it.
  const std::size_t finished = history.count(Kind::Finish);
  simulation.reset();
  EXPECT_EQ(history.count(Kind::Finish), finished + 1);
  EXPECT_EQ(history.heard.back().job.backend, "machine simulée (10 m/min)");
}

}  // namespace
}  // namespace chromaflow::sim
