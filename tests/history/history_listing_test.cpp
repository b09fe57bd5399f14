// The history listed without a window: one line a job, newest first, since a date; targets
// and dates that are wrong said so, and nothing made.

#include "history/history_listing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "core/common/display_forms.h"
#include "history/sqlite_job_store.h"
#include "history_test_jobs.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::kMay2024;
constexpr std::int64_t kHour = 3600LL * 1000;

// Local time is UTC for these cases.
struct HistoryListing : ::testing::Test {
  std::string zone;
  bool hadZone = false;
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) hadZone = true, zone = tz;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
  void TearDown() override {
    if (hadZone)
      ::setenv("TZ", zone.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }
};

TEST_F(HistoryListing, OneLineAJobNewestFirstSinceTheDateGiven) {
  testing::TempDir dir;
  const std::string path = dir.file("history.sqlite");
  {
    SqliteJobStore store(path, {.machine = "atelier-1"});
    store.open();
    StoredJob hall = testing::sampleJob("Hall\td'entrée", kMay2024 + 14 * kHour + 12 * 60'000);
    store.finishJob(store.beginJob(hall), hall);
    store.beginJob(testing::sampleJob("Cave", kMay2024 + 50 * kHour, testing::paintedRecord(25), "atelier-2"));
    store.beginJob(testing::sampleJob("Garage", kMay2024 - 30 * kHour));
  }
  std::ostringstream out, err;
  ASSERT_EQ(listHistory(path, std::nullopt, out, err), 0) << err.str();
  const JobFigures whole = figuresOf(testing::wholeWall());
  std::istringstream lines(out.str());
  std::vector<std::string> listed;
  for (std::string line; std::getline(lines, line);) listed.push_back(line);
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].rfind("2024-05-03 02:00\tatelier-2\tCave\t", 0), 0u) << listed[0];
  EXPECT_NE(listed[0].find("\t[en cours] "), std::string::npos) << listed[0];
  EXPECT_EQ(listed[1], "2024-05-01 14:12\tatelier-1\tHall d'entrée\t" + F2(whole.areaPainted) + "\t" +
                           F2(whole.litresP1) + "\t" + F2(whole.litresP2) + "\t" +
                           verdictText(judgeJob(testing::wholeWall(), 2)));
  EXPECT_EQ(listed[2].rfind("2024-04-29 18:00\tatelier-1\tGarage\t", 0), 0u) << listed[2];

  std::ostringstream since;
  ASSERT_EQ(listHistory(path, std::string("2024-05-01"), since, err), 0);
  EXPECT_EQ(since.str(), listed[0] + "\n" + listed[1] + "\n");
  std::ostringstream later;
  ASSERT_EQ(listHistory(path, std::string("2024-05-01T14:13"), later, err), 0);
  EXPECT_EQ(later.str(), listed[0] + "\n");
}

TEST_F(HistoryListing, DatesAreReadAsTheOperatorWritesThem) {
  EXPECT_EQ(historyDate("2024-05-01"), kMay2024);
  EXPECT_EQ(historyDate("2024-05-01 14:30"), kMay2024 + 14 * kHour + 30 * 60'000);
  EXPECT_EQ(historyDate("2024-05-01T14:30"), kMay2024 + 14 * kHour + 30 * 60'000);
  for (const char* wrong : {"", "2024-5-1", "2024-02-30", "2024-13-01", "2024-05-01 24:00", "01/05/2024",
                            "2024-05-01x", "2024-05-01 14:30:00", "hier"})
    EXPECT_EQ(historyDate(wrong), std::nullopt) << wrong;
}

TEST_F(HistoryListing, AWrongTargetOrDateIsSaidAndNothingIsMade) {
  testing::TempDir dir;
  std::ostringstream out, err;
  EXPECT_EQ(listHistory(dir.file("nowhere.sqlite"), std::nullopt, out, err), 1);
  EXPECT_NE(err.str().find("n'existe pas"), std::string::npos) << err.str();
  EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere.sqlite")));

  testing::writeBytes(dir.file("damaged.sqlite"), std::string(2048, 'x'));
  err.str("");
  EXPECT_EQ(listHistory(dir.file("damaged.sqlite"), std::nullopt, out, err), 1);
  EXPECT_NE(err.str().find("est endommagé"), std::string::npos) << err.str();

  err.str("");
  EXPECT_EQ(listHistory(dir.file("damaged.sqlite"), std::string("mardi"), out, err), 1);
  EXPECT_NE(err.str().find("Date illisible : « mardi »"), std::string::npos) << err.str();

  err.str("");
  EXPECT_EQ(listHistory("host=" + dir.path().string() + " port=5499 user=chromaflow dbname=postgres", std::nullopt,
                        out, err),
            1);
  EXPECT_NE(err.str().find("ne répond pas"), std::string::npos) << err.str();
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace chromaflow
