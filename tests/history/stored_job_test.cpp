// The small values around a kept job: its status's words, the verdict kept as text, the figures
// its line shows, and texts any store takes.

#include "core/history/stored_job.h"

#include <gtest/gtest.h>

namespace chromaflow {
namespace {

TEST(StoredJob, StatusesReadBackFromTheirFrenchWordsAndNothingElse) {
  for (JobStatus status : {JobStatus::Running, JobStatus::Finished, JobStatus::Interrupted})
    EXPECT_EQ(statusOfText(statusText(status)), status);
  EXPECT_STREQ(statusText(JobStatus::Finished), "terminé");
  EXPECT_EQ(statusOfText("termine"), std::nullopt);
  EXPECT_EQ(statusOfText(""), std::nullopt);
}

TEST(StoredJob, AVerdictReadsBackWholeAndDamagedOnesAreRefused) {
  JobVerdict verdict{.painted = true, .enoughToJudge = true, .withinTolerance = false, .tolerance = 1.5,
                     .paintedLength = 13.999999, .judgedLength = 12.25, .judgedLitres = 4.1 / 3, .windowLitres = 0.9,
                     .stretches = {{1.0 / 3, 2.5, -6.25}, {8, 9.75, 3.000000001}}};
  EXPECT_EQ(verdictFromStored(storedVerdict(verdict)), verdict);
  const JobVerdict none;
  EXPECT_EQ(verdictFromStored(storedVerdict(none)), none);

  const std::string good = storedVerdict(verdict);
  for (std::size_t size = 0; size + 1 < good.size(); ++size)
    EXPECT_THROW(verdictFromStored(good.substr(0, size)), StoredRecordError) << size;
  std::string many = good;
  many.replace(many.find(" 2\n"), 3, " 99999999999\n");
  EXPECT_THROW(verdictFromStored(many), StoredRecordError);
  EXPECT_THROW(verdictFromStored("chromaflow-verdict 2\n"), StoredRecordError);
}

TEST(StoredJob, TextsBecomeUtf8WhateverTheyHold) {
  EXPECT_TRUE(isUtf8("Façade nord, 2ᵉ étage 🎨"));
  EXPECT_FALSE(isUtf8("Fa\xe7" "ade"));        // Windows-1252
  EXPECT_FALSE(isUtf8("\xc0\xaf"));             // an overlong '/'
  EXPECT_FALSE(isUtf8("\xed\xa0\x80"));         // a lone surrogate
  EXPECT_FALSE(isUtf8("\xe2\x82"));             // cut short
  EXPECT_EQ(asUtf8("Fa\xe7" "ade \x80"), "Façade €");
  EXPECT_EQ(asUtf8(std::string("a\0b", 3)), "ab");
  EXPECT_EQ(firstLine("Mur du hall\r\nDeuxième ligne"), "Mur du hall");
  EXPECT_EQ(firstLine("seule"), "seule");
}

TEST(StoredJob, UidsDifferForTheSameMachineAndStart) {
  const std::string a = newJobUid("atelier-1", 1'700'000'000'000), b = newJobUid("atelier-1", 1'700'000'000'000);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.rfind("atelier-1-1700000000000-", 0), 0u);
}

}  // namespace
}  // namespace chromaflow
