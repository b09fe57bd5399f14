// The random operator's walks: a few seeds of a few thousand gestures each in every test run;
// CHROMAFLOW_WALK_SEED and CHROMAFLOW_WALK_GESTURES set a longer one (scripts/walk).

#include "sim/random_operator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <string>

#include "support/test_files.h"

namespace chromaflow::testing {
namespace {

std::uint64_t fromEnvironment(const char* name, std::uint64_t otherwise) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoull(text, nullptr, 10) : otherwise;
}

// Walks `gestures` gestures from `seed`; on the first broken rule, the gestures that led to it.
void walk(std::uint64_t seed, std::uint64_t gestures) {
  TempDir folder;
  RandomOperator operatorAtWork(seed, folder.path().string());
  std::deque<std::string> lately;
  for (std::uint64_t n = 1; n <= gestures; ++n) {
    lately.push_back(operatorAtWork.step());
    if (lately.size() > 30) lately.pop_front();
    if (auto problem = operatorAtWork.broken()) {
      std::string log;
      for (const std::string& gesture : lately) log += "  " + gesture + "\n";
      std::string plan;
      const std::vector<std::string> lines = operatorAtWork.session().plan().fileLines();
      for (std::size_t i = 0; i < lines.size() && i < 40; ++i) plan += "  " + lines[i] + "\n";
      FAIL() << "seed " << seed << ", gesture " << n << ": " << *problem << "\nthe last gestures:\n"
             << log << "the plan:\n" << plan;
    }
  }
}

TEST(RandomOperator, NothingAnOperatorDoesBreaksTheRecordTheCountersOrASave) {
  const std::uint64_t seed = fromEnvironment("CHROMAFLOW_WALK_SEED", 0);
  const std::uint64_t gestures = fromEnvironment("CHROMAFLOW_WALK_GESTURES", 0);
  if (gestures > 0) return walk(seed, gestures);
  for (std::uint64_t s : {1u, 2u, 3u}) walk(s, 1500);
}

}  // namespace
}  // namespace chromaflow::testing
