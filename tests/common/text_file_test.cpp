#include "common/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "support/failing_disk.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::TempDir;
using testing::readBytes;
using testing::writeBytes;

TEST(Windows1252, EveryByteSurvivesAReadAndAWrite) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(windows1252FromUtf8(utf8FromWindows1252(all)), all);
  EXPECT_EQ(utf8FromWindows1252("\xE9"), "é");
  EXPECT_EQ(utf8FromWindows1252("\x80"), "€");
  EXPECT_EQ(windows1252FromUtf8("sélection"), "s\xE9lection");
  EXPECT_EQ(windows1252FromUtf8("日本"), "??");       // not in the character set
  EXPECT_EQ(windows1252FromUtf8("a\xFF\xC3"), "a??");  // broken UTF-8 does not crash
}

TEST(TextFile, WritesCrLfAndReadsBothLineEnds) {
  TempDir dir;
  const std::string path = dir.file("a.txt");
  writeTextFile(path, {"Rouleau(Pulses/m2) sélection=50", "", "x"});
  EXPECT_EQ(readBytes(path), "Rouleau(Pulses/m2) s\xE9lection=50\r\n\r\nx\r\n");
  EXPECT_EQ(readTextFile(path).lines, (std::vector<std::string>{"Rouleau(Pulses/m2) sélection=50", "", "x"}));

  writeBytes(path, "one\ntwo\r\nthree\rstill three\nlast");
  EXPECT_EQ(readTextFile(path).lines, (std::vector<std::string>{"one", "two", "three\rstill three", "last"}));
  writeBytes(path, "");
  EXPECT_TRUE(readTextFile(path).lines.empty());
}

TEST(TextFile, ReadingAMissingOrUnreadableFileThrowsWithTheSystemsMessage) {
  TempDir dir;
  try {
    readTextFile(dir.file("missing.sev"));
    FAIL();
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find(std::strerror(ENOENT)), std::string::npos);
    EXPECT_NE(std::string(error.what()).find("missing.sev"), std::string::npos);
  }
  EXPECT_THROW(readTextFile(dir.path().string()), FileError);  // a directory
  EXPECT_FALSE(fileExists(dir.path().string()));
}

TEST(TextFile, AFailedSaveLeavesThePreviousFileWhole) {
  TempDir dir;
  const std::string path = dir.file("plan.spv");
  writeTextFile(path, {"previous", "content"});
  try {
    testing::FailingDisk disk(5);
    writeTextFile(path, {"new content that does not fit"});
    FAIL();
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find(std::strerror(ENOSPC)), std::string::npos);
  }
  EXPECT_EQ(readBytes(path), "previous\r\ncontent\r\n");
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"plan.spv"}));  // no temporary left behind
}

TEST(TextFile, SavingKeepsReadOnlyFilesAndReportsMissingFolders) {
  TempDir dir;
  const std::string path = dir.file("locked.cov");
  writeTextFile(path, {"kept"});
  ::chmod(path.c_str(), 0444);
  EXPECT_THROW(writeTextFile(path, {"lost"}), FileError);
  EXPECT_EQ(readBytes(path), "kept\r\n");
  EXPECT_THROW(writeTextFile(dir.file("no/such/folder.cov"), {"x"}), FileError);
}

TEST(TextFile, ReplacingKeepsTheFilesPermissions) {
  TempDir dir;
  const std::string path = dir.file("shared.sev");
  writeTextFile(path, {"a"});
  ::chmod(path.c_str(), 0640);
  writeTextFile(path, {"b"});
  struct stat info {};
  ::stat(path.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace chromaflow
