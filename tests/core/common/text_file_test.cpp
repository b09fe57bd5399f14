#include "core/common/text_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "support/failing_disk.h"
#include "support/killed_disk.h"
#include "support/own_files.h"
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

// Files saved together: an old file with a name so long that it has no room for a name aside
// (a folder's names hold 255 bytes) fails the save with the system's reason, and every old file
// stays as it was, with nothing beside.
TEST(TextFile, AnOldFileThatCannotBeSetAsideKeepsEveryOldFile) {
  TempDir dir;
  const std::string first = dir.file("job.sev"), second = dir.file(std::string(244, 'p') + ".spv");
  writeBytes(first, "old settings");
  writeBytes(second, "old plan");
  try {
    writeFilesTogether({{first, "new settings"}, {second, "new plan"}});
    FAIL();
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find(std::strerror(ENAMETOOLONG)), std::string::npos) << error.what();
  }
  EXPECT_EQ(readBytes(first), "old settings");
  EXPECT_EQ(readBytes(second), "old plan");
  EXPECT_EQ(dir.entries().size(), 2u);
}

// A network disk may report a lost write only when the file is closed: the save fails and the
// old file stays, alone.
TEST(TextFile, AWriteLostAtTheCloseFailsTheSave) {
  TempDir dir;
  const std::string path = dir.file("plan.spv");
  writeTextFile(path, {"previous"});
  testing::FailingDisk disk;
  disk.failClose(1, EDQUOT);
  EXPECT_THROW(writeTextFile(path, {"new"}), FileError);
  EXPECT_EQ(readBytes(path), "previous\r\n");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"plan.spv"});
}

// One file named twice in one save, however the names are spelled, is refused before anything
// is written: the second write would silently replace the first.
TEST(TextFile, OneFileNamedTwiceInASaveIsRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  const std::string plan = dir.file("wall.spv");
  writeTextFile(plan, {"old"});
  std::filesystem::create_symlink(plan, dir.file("link.spv"));
  for (const std::string& again : {plan, dir.file("./wall.spv"), dir.file("link.spv")}) {
    try {
      writeFilesTogether({{plan, "new plan"}, {again, "another plan"}});
      ADD_FAILURE() << again << " accepted";
    } catch (const FileError& error) {
      EXPECT_NE(std::string(error.what()).find("serait écrit deux fois"), std::string::npos) << error.what();
    }
    EXPECT_EQ(readBytes(plan), "old\r\n") << again;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"link.spv", "wall.spv"})) << again;
  }
}

// Ctrl+C or a kill while the files are put in place waits until they all are, and the program's
// signals are given back afterwards.
TEST(TextFile, InterruptionsWaitWhileFilesArePutInPlace) {
  struct WatchingDisk : testing::FailingDisk {
    std::vector<bool> held;
    int rename(const char* from, const char* to) override {
      sigset_t now;
      ::pthread_sigmask(SIG_BLOCK, nullptr, &now);
      held.push_back(sigismember(&now, SIGINT) == 1 && sigismember(&now, SIGTERM) == 1);
      return FailingDisk::rename(from, to);
    }
  } disk;
  TempDir dir;
  writeFilesTogether({{dir.file("job.sev"), "settings"}, {dir.file("job.spv"), "plan"}});
  ASSERT_FALSE(disk.held.empty());
  for (std::size_t i = 0; i < disk.held.size(); ++i) EXPECT_TRUE(disk.held[i]) << "rename " << i;
  sigset_t after;
  ::pthread_sigmask(SIG_BLOCK, nullptr, &after);
  EXPECT_EQ(sigismember(&after, SIGINT), 0);
  EXPECT_EQ(sigismember(&after, SIGTERM), 0);
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

// A symbolic link that leads to no file: the save is refused naming the link and where it
// leads, and nothing is made, there or anywhere else. Written alone or with other files.
TEST(TextFile, ASaveThroughALinkLeadingNowhereIsRefusedNamingIt) {
  TempDir dir;
  const std::string link = dir.file("trace.csv"), nowhere = dir.file("gone/trace.csv");
  std::filesystem::create_directory(dir.file("gone"));
  std::filesystem::create_symlink(nowhere, link);
  for (const bool together : {false, true}) {
    try {
      together ? writeFilesTogether({{dir.file("other.csv"), "other"}, {link, "rows"}}) : (void)writeTextFile(link, {"rows"});
      ADD_FAILURE() << "saved through " << link;
    } catch (const FileError& error) {
      EXPECT_NE(std::string(error.what()).find(link + " : lien symbolique vers " + nowhere), std::string::npos) << error.what();
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"gone", "trace.csv"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("gone")));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
  }
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

TEST(TextFile, AReadThatBreaksOffKeepsTheWholeLinesAndSaysWhere) {
  TempDir dir;
  const std::string path = dir.file("plan.spv");
  // Windows line ends, and a file written with a Linux editor's.
  for (const auto& [bytes, brokenAt] : {std::pair{"one\r\ntwo\r\nthree\r\n", 7u}, std::pair{"one\ntwo\nthree\n", 6u}}) {
    writeBytes(path, bytes);
    testing::FailingDisk disk;
    disk.failReadAfter(brokenAt);  // in the middle of "two"
    const TextFileContents contents = readTextFile(path);
    EXPECT_EQ(contents.lines, (std::vector<std::string>{"one"})) << brokenAt;
    EXPECT_EQ(contents.stoppedAt, brokenAt);
    ASSERT_TRUE(contents.error);
    EXPECT_NE(contents.error->find(std::strerror(EIO)), std::string::npos);
  }
}

// A folder and an empty name; devices below.
TEST(TextFile, AStagedFileRefusesATargetThatIsNotAFile) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("plan.spv"));
  for (const std::string& target : {dir.file("plan.spv"), std::string()}) {
    try {
      StagedFile file(target);
      ADD_FAILURE() << target << " accepted";
    } catch (const FileError& error) {
      EXPECT_NE(std::string(error.what()).find(target.empty() ? "nom de fichier vide" : target + " : est un"), std::string::npos)
          << error.what();
    }
  }
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"plan.spv"}));
}

// A run interrupted while files are staged: the child stages two files and is signalled; the
// parent finds no temporary file and the old target as it was, also where the file system
// cannot make unnamed files and the staged files have names.
TEST(StagedFilesOnSignal, AnInterruptedRunLeavesNoTemporaryAndTheOldFile) {
  for (const auto& [unnamedFiles, signal] : {std::pair{true, SIGTERM}, std::pair{true, SIGINT}, std::pair{false, SIGTERM},
                                            std::pair{false, SIGINT}}) {
    SCOPED_TRACE(unnamedFiles ? "unnamed files" : "named temporaries");
    TempDir dir;
    const std::string target = dir.file("wall.spv");
    writeTextFile(target, {"old"});
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      testing::KilledDisk disk;  // here only to refuse unnamed files
      if (!unnamedFiles) disk.withoutUnnamedFiles();
      ::signal(signal, SIG_DFL);
      removeStagedFilesOnSignal();
      StagedFile first(target);
      first.write("new, never committed\r\n");
      StagedFile second(dir.file("wall.cov"));
      second.write("never committed\r\n");
      ::raise(signal);
      ::_exit(0);  // not reached: the signal ends the run
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"wall.spv"})) << strsignal(signal);
    EXPECT_EQ(readBytes(target), "old\r\n");
  }
}

TEST(StagedFilesOnSignal, AnIgnoredSignalStaysIgnored) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGINT, SIG_IGN);
    removeStagedFilesOnSignal();
    ::raise(SIGINT);
    ::_exit(7);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << "status " << status;
}

TEST(OutputNames, EachKindOfNameIsWrittenStagedDirectlyOrRefused) {
  TempDir dir;
  writeBytes(dir.file("trace.csv"), "old");
  std::filesystem::create_directory(dir.file("traces"));
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
  const bool haveTerminal = terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0;
  const std::string terminalName = haveTerminal ? ::ptsname(terminal) : "";

  struct Case {
    std::string path;
    OutputKind kind;
    std::string said;  // a piece of the explanation
  };
  std::vector<Case> cases = {
      {dir.file("trace.csv"), OutputKind::Staged, dir.file("trace.csv")},
      {dir.file("new.csv"), OutputKind::Staged, dir.file("new.csv")},
      {dir.file("pipe"), OutputKind::Stream, dir.file("pipe")},
      // The program's own output, whatever stands behind it, known by its name and only looked at.
      {"/dev/stdout", OutputKind::Stream, "/dev/stdout"},  // test-paths: read only
      {"", OutputKind::Refused, "nom de fichier vide"},
      {dir.file("traces"), OutputKind::Refused, dir.file("traces") + " : est un dossier"},
      {dir.file("missing/trace.csv"), OutputKind::Refused, dir.file("missing/trace.csv")},
  };
  if (haveTerminal) cases.push_back({terminalName, OutputKind::Stream, terminalName});
  for (const Case& c : cases) {
    std::string why;
    EXPECT_EQ(classifyOutput(c.path, why), c.kind) << c.path << ": " << why;
    EXPECT_NE(why.find(c.said), std::string::npos) << c.path << ": " << why;
  }
  if (terminal >= 0) ::close(terminal);
  EXPECT_EQ(readBytes(dir.file("trace.csv")), "old");  // looking changes nothing
}

// Devices of the test's own, as /dev/null, /dev/zero, /dev/full and a loop disk: a tool's output
// to a null device is written as the lines come, to any other device refused; a save refuses
// them all.
TEST(OutputNames, ANullDeviceIsWrittenDirectlyAndOtherDevicesAreRefused) {
  TempDir dir;
  for (const auto& [name, kind, major, minor, outcome, said] :
       {std::tuple{"null", 'c', 1u, 3u, OutputKind::Stream, " : un terminal ou "},
        std::tuple{"zero", 'c', 1u, 5u, OutputKind::Refused, " : est un périphérique"},
        std::tuple{"full", 'c', 1u, 7u, OutputKind::Refused, " : est un périphérique"},
        std::tuple{"loop", 'b', 7u, 0u, OutputKind::Refused, " : est un périphérique de bloc"}}) {
    if (const std::string why = testing::madeDevice(dir.file(name), kind, major, minor); !why.empty()) GTEST_SKIP() << why;
    std::string why;
    EXPECT_EQ(classifyOutput(dir.file(name), why), outcome) << name << ": " << why;
    EXPECT_NE(why.find(dir.file(name) + said), std::string::npos) << name << ": " << why;
    try {
      StagedFile file(dir.file(name));
      ADD_FAILURE() << name << " accepted as a save's target";
    } catch (const FileError& error) {
      EXPECT_NE(std::string(error.what()).find(dir.file(name) + " : est un"), std::string::npos) << error.what();
    }
  }
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"full", "loop", "null", "zero"}));
}

}  // namespace
}  // namespace chromaflow
