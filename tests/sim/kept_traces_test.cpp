// The kept replays in the core suite: every figure of every tick of their traces, and the
// summary, must be what they were when the traces were recorded. A change anywhere in the core
// that moves one figure names the tick and the column.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "core/common/text_file.h"
#include "sim/harness/replay.h"
#include "sim/harness/simulation.h"
#include "support/test_files.h"

namespace chromaflow::sim {
namespace {

const std::string kGolden = CHROMAFLOW_GOLDEN;

std::vector<std::string> linesOf(const std::string& path) {
  const TextFileContents contents = readTextFile(path);
  EXPECT_FALSE(contents.error) << path;
  return contents.lines;
}

// Replays `replay` on `project` (none: no project) and compares with the kept trace and summary.
void expectKept(const std::string& project, const std::string& replay, const std::string& name) {
  auto parsed = parseReplay(linesOf(kGolden + "/" + replay));
  ASSERT_TRUE(std::holds_alternative<std::vector<ReplayStep>>(parsed));
  Simulation simulation;
  if (!project.empty()) simulation.openProject(project);
  simulation.start();
  std::vector<std::string> trace{simulation.traceHeader()};
  std::ostringstream warnings;
  for (const ReplayStep& step : std::get<std::vector<ReplayStep>>(parsed)) {
    simulation.replay(step, warnings);
    trace.push_back(simulation.traceRow());
  }

  const std::vector<std::string> kept = linesOf(kGolden + "/expected_" + name + ".csv");
  ASSERT_EQ(trace.size(), kept.size()) << name;
  const std::vector<std::string> headings = testing::csvCells(kept.front());
  for (std::size_t tick = 0; tick < kept.size(); ++tick) {
    if (trace[tick] == kept[tick]) continue;
    const std::vector<std::string> now = testing::csvCells(trace[tick]), then = testing::csvCells(kept[tick]);
    for (std::size_t c = 0; c < std::max(now.size(), then.size()); ++c) {
      const std::string a = c < now.size() ? now[c] : "", b = c < then.size() ? then[c] : "";
      const std::string column = c < headings.size() ? headings[c] : std::to_string(c);
      ASSERT_EQ(a, b) << name << ": row " << tick << ", column " << column;
    }
  }
  if (project.empty()) return;
  // The summary is UTF-8 text, as the tool prints it.
  std::ifstream keptSummary(kGolden + "/expected_" + name + ".summary", std::ios::binary);
  const std::string expected((std::istreambuf_iterator<char>(keptSummary)), std::istreambuf_iterator<char>());
  EXPECT_EQ(simulation.summary(), expected) << name;
}

TEST(KeptTraces, TheExampleJobsReplay) {
  expectKept(std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv", "painting.replay", "painting");
}

TEST(KeptTraces, TheFullHoseReplay) { expectKept(kGolden + "/full_hose.prv", "full_hose.replay", "full_hose"); }

TEST(KeptTraces, AReplayWithoutAProject) { expectKept("", "painting.replay", "no_project"); }

}  // namespace
}  // namespace chromaflow::sim
