// Saves cut off by a kill, by a file size limit or by a failure while undoing: what they leave,
// and how the next look at the files (settleInterruptedSaves) finishes or undoes them.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "core/common/text_file.h"
#include "support/failing_disk.h"
#include "support/killed_disk.h"
#include "support/save_journal.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::folderContents;
using testing::inChild;
using testing::journalBytes;
using testing::KilledDisk;
using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;
using Folder = std::map<std::string, std::string>;

bool diedAtItsStep(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == KilledDisk::kDied; }

std::vector<FileBytes> job(const std::string& folder, const std::string& version) {
  return {{folder + "wall.sev", version + " settings"},
          {folder + "wall.spv", version + " plan, longer than the old one"},
          {folder + "wall.prv", version + " project"}};
}

std::vector<std::string> paths(const std::vector<FileBytes>& files) {
  std::vector<std::string> names;
  for (const FileBytes& file : files) names.push_back(file.path);
  return names;
}

Folder filesOf(const std::vector<FileBytes>& files) {
  Folder contents;
  for (const FileBytes& file : files) contents[std::filesystem::path(file.path).filename().string()] = file.bytes;
  return contents;
}

// A save killed as it replaced its first file (its journal written), then the settling of it
// killed before each of its own steps in turn: the next look still finds the save whole,
// finished; or undone when one of its new copies went missing first.
TEST(Interruptions, AKillWhileSettlingIsSettledAgain) {
  TempDir dir;
  for (const bool newCopyLost : {false, true}) {
    SCOPED_TRACE(newCopyLost ? "a new copy lost: undone" : "finished");
    const std::string folder = testing::freshFolder(dir, "job");
    const auto oldJob = job(folder, "old"), newJob = job(folder, "new");
    const auto cutOff = [&] {
      testing::freshFolder(dir, "job");
      {
        KilledDisk quick;  // counts the flushes without making them
        writeFilesTogether(oldJob);
      }
      ASSERT_TRUE(diedAtItsStep(inChild([&] {
        KilledDisk disk;
        disk.dyingAtRename(2);  // the first file is in place, the others wait
        writeFilesTogether(newJob);
      })));
      if (newCopyLost)
        for (const auto& entry : std::filesystem::directory_iterator(folder))
          if (entry.path().filename().string().rfind(".wall.prv.chromaflow-new-", 0) == 0)
            std::filesystem::remove(entry.path());
    };
    const Folder expected = filesOf(newCopyLost ? oldJob : newJob);

    int steps = 0;
    cutOff();
    {
      KilledDisk counting;
      const Settling settling = settleInterruptedSaves(paths(newJob));
      steps = counting.steps();
      ASSERT_EQ(settling.saves.size(), 1u);
      EXPECT_EQ(settling.saves[0].finished, !newCopyLost);
      EXPECT_EQ(settling.saves[0].lastFile, folder + "wall.prv");
      EXPECT_EQ(settling.saves[0].files, paths(newJob));
      EXPECT_EQ(folderContents(folder), expected);
    }
    ASSERT_GT(steps, 3);
    for (int step = 1; step <= steps; ++step) {
      SCOPED_TRACE("settling killed before step " + std::to_string(step));
      cutOff();
      ASSERT_TRUE(diedAtItsStep(inChild([&] {
        KilledDisk disk(step);
        settleInterruptedSaves(paths(newJob));
      })));
      const Settling settling = settleInterruptedSaves({folder + "wall.sev"});  // any of its files will do
      ASSERT_EQ(settling.saves.size(), 1u);
      EXPECT_EQ(settling.saves[0].finished, !newCopyLost);
      EXPECT_EQ(folderContents(folder), expected);
    }
  }
}

// A save whose second replacement fails, on a disk that refuses every rename from then on, cannot
// put the first old file back: it keeps its journal and says so, and the next look puts it back.
TEST(Interruptions, AnOldFileThatCannotBePutBackIsPutBackByTheNextLook) {
  struct RenamesFailFrom : testing::FailingDisk {
    int from, seen = 0;
    explicit RenamesFailFrom(int nth) : from(nth) {}
    int rename(const char* f, const char* t) override { return ++seen >= from ? EIO : ByteSink::rename(f, t); }
  };
  TempDir dir;
  const std::string folder = dir.path().string() + "/";
  writeFilesTogether(job(folder, "old"));
  const Folder before = folderContents(dir);
  try {
    RenamesFailFrom disk(2);  // the second file's replacement, then the first one's putting back
    writeFilesTogether(job(folder, "new"));
    FAIL() << "the save was reported as done";
  } catch (const FileError& error) {
    const std::string what = error.what();
    EXPECT_NE(what.find(folder + "wall.spv : " + std::strerror(EIO)), std::string::npos) << what;
    EXPECT_NE(what.find("l'ancien " + folder + "wall.sev est gardé sous " + folder + ".wall.sev.chromaflow-old-"),
              std::string::npos) << what;
    EXPECT_NE(what.find("la prochaine ouverture de " + folder + "wall.prv rétablira les anciens fichiers"), std::string::npos)
        << what;
  }
  EXPECT_TRUE(std::filesystem::exists(folder + ".wall.prv.chromaflow-saving"));
  const Settling settling = settleInterruptedSaves({folder + "wall.prv"});
  ASSERT_EQ(settling.saves.size(), 1u);
  EXPECT_FALSE(settling.saves[0].finished);
  EXPECT_EQ(folderContents(dir), before);
}

// Only names of this program's exact pattern, beside the file saved, are taken for leftovers of
// an earlier save; an operator's backups and other files keep theirs.
TEST(Interruptions, OnlyTemporariesOfThisProgramsNamingAreRemoved) {
  TempDir dir;
  const std::string target = dir.file("wall.sev");
  writeBytes(target, "old");
  const std::vector<std::string> ours = {".wall.sev.chromaflow-new-Ab3dE9", ".wall.sev.chromaflow-old-zz9ZZ0"};
  const std::vector<std::string> others = {
      "wall.sev.backup",  "wall.sev.AbCdE9",  ".wall.sev.chromaflow-new-Ab3dE", ".wall.sev.chromaflow-new-Ab3dE9x",
      ".wall.sev.chromaflow-new-Ab_dE9", ".other.sev.chromaflow-new-Ab3dE9", "wall.sev.chromaflow-new-Ab3dE9",
      ".wall.sev.chromaflow-saving-Ab3dE9"};
  for (const auto& name : ours) writeBytes(dir.file(name), "leftover");
  for (const auto& name : others) writeBytes(dir.file(name), "kept");
  std::filesystem::create_directory(dir.file(".wall.sev.chromaflow-new-Folder"));

  writeTextFile(target, {"new"});
  EXPECT_EQ(readBytes(target), "new\r\n");
  for (const auto& name : ours) EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
  for (const auto& name : others) EXPECT_EQ(readBytes(dir.file(name)), "kept") << name;
  EXPECT_TRUE(std::filesystem::is_directory(dir.file(".wall.sev.chromaflow-new-Folder")));

  // Beside a journal that cannot be read, nothing is taken for a leftover: it might claim it.
  writeBytes(dir.file(ours[0]), "leftover");
  writeBytes(dir.file(".job.prv.chromaflow-saving"), "not a journal");
  writeTextFile(target, {"newer"});
  EXPECT_EQ(readBytes(dir.file(ours[0])), "leftover");
  EXPECT_EQ(readBytes(dir.file(".job.prv.chromaflow-saving")), "not a journal");
}

// A journal of this save's files that cannot be read, or that names as a copy a file of another
// pattern, stops the save and the settling, touches nothing and is named in the error.
TEST(Interruptions, AJournalThatCannotBeTrustedStopsTheSaveAndIsLeftAlone) {
  TempDir dir;
  const std::string folder = dir.path().string() + "/";
  writeFilesTogether(job(folder, "old"));
  writeBytes(dir.file("wall.sev.backup"), "the operator's");
  using namespace std::string_literals;
  const std::string journal = folder + ".wall.prv.chromaflow-saving";
  for (const std::string& bytes :
       {"garbage"s, "chromaflow-saving 1\0"s "1\0"s "wall.sev\0"s,  // cut off
        "chromaflow-saving 1\0"s "1\0"s "wall.sev\0"s "wall.sev.backup\0"s "\0"s "3\0"s "0123456789abcdef\0"s,
        "chromaflow-saving 1\0"s "1\0"s "wall.sev\0"s ".wall.sev.chromaflow-new-../../x\0"s "\0"s "3\0"s "00\0"s}) {
    writeBytes(journal, bytes);
    const Folder before = folderContents(dir);
    for (const bool saving : {true, false}) {
      try {
        saving ? writeFilesTogether(job(folder, "new")) : void(settleInterruptedSaves({folder + "wall.prv"}));
        ADD_FAILURE() << "went on beside an untrustworthy journal";
      } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find(journal + " : journal d'enregistrement illisible"), std::string::npos)
            << error.what();
      }
      EXPECT_EQ(folderContents(dir), before);
    }
  }
}

// A folder brought from elsewhere (a USB stick) holding a job, with a save journal beside its
// project that names one of its files, one that a save would have left half done, and a file
// that is not the job's: elsewhere, beside the project, through a symbolic link, through "..",
// the journal itself. Had it been settled, the file would have been removed as one the save
// created, or replaced by a copy beside it. The open or save of the job leaves the journal and
// every file as they were, and says which journal it left; the job's own save is refused while
// the journal stands, the settings' alone goes on.
TEST(Interruptions, AJournalNamingFilesOtherThanTheJobsIsLeftAloneWithEverythingItNames) {
  namespace fs = std::filesystem;
  TempDir dir;
  const std::string usb = testing::freshFolder(dir, "usb"), elsewhere = testing::freshFolder(dir, "elsewhere");
  const std::vector<FileBytes> wall = {{usb + "wall.sev", "settings"}, {usb + "wall.cov", "colours"},
                                       {usb + "wall.spv", "plan"}, {usb + "wall.prv", "project"}};
  const std::string journal = usb + ".wall.prv.chromaflow-saving";
  struct Foreign {
    const char* what;
    std::string target;  // as the journal writes it
    std::string base;    // its last name, which its copies carry
    std::string bytes;   // what it is said to hold
  };
  const std::vector<Foreign> foreign = {
      {"a file in another folder", elsewhere + "victim.txt", "victim.txt", "the victim's"},
      {"a file beside the project", "notes.txt", "notes.txt", "the operator's notes"},
      {"a symbolic link beside the project", "link.txt", "link.txt", "the victim's"},
      {"a file reached through ..", usb + "../elsewhere/victim.txt", "victim.txt", "the victim's"},
      {"the folder above, as ..", "..", "..", ""},
      {"the journal itself", ".wall.prv.chromaflow-saving", ".wall.prv.chromaflow-saving", "journal"},
  };
  for (const Foreign& other : foreign) {
    for (const bool planted : {false, true}) {
      SCOPED_TRACE(std::string(other.what) + (planted ? ", with an old copy planted beside it" : ", said to be created"));
      testing::freshFolder(dir, "usb");
      testing::freshFolder(dir, "elsewhere");
      writeFilesTogether(wall);
      writeBytes(elsewhere + "victim.txt", "the victim's");
      writeBytes(usb + "notes.txt", "the operator's notes");
      fs::create_symlink(elsewhere + "victim.txt", usb + "link.txt");
      const std::string folderOfOther = other.target[0] == '/' ? elsewhere : usb;
      const std::string oldCopy = planted ? "." + other.base + ".chromaflow-old-Ab3dE9" : "";
      if (planted) writeBytes(folderOfOther + oldCopy, "planted");
      writeBytes(journal, journalBytes({{"wall.prv", ".wall.prv.chromaflow-new-Ab3dE9", "", "project"},
                                        {"wall.spv", ".wall.spv.chromaflow-new-Ab3dE9", "", "never written"},
                                        {other.target, "." + other.base + ".chromaflow-new-Ab3dE9", oldCopy, other.bytes}}));
      const Folder usbBefore = folderContents(usb), elsewhereBefore = folderContents(elsewhere);
      const auto unchanged = [&] {
        EXPECT_EQ(folderContents(usb), usbBefore);
        EXPECT_EQ(folderContents(elsewhere), elsewhereBefore);
        EXPECT_TRUE(fs::is_symlink(usb + "link.txt"));
      };

      try {
        const Settling settling = settleInterruptedSaves(paths(wall));
        EXPECT_TRUE(settling.saves.empty());
        EXPECT_TRUE(settling.removed.empty());
        EXPECT_EQ(settling.leftAlone, std::vector<std::string>{journal});
      } catch (const FileError& error) {
        ADD_FAILURE() << "taken for a save of the job: " << error.what();
      }
      unchanged();
      try {
        writeFilesTogether(wall);
        ADD_FAILURE() << "the job was saved under another's journal";
      } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find(journal + " : "), std::string::npos) << error.what();
      }
      unchanged();
      try {
        writeTextFile(usb + "wall.sev", {"settings saved alone"});
      } catch (const FileError& error) {
        ADD_FAILURE() << "the settings alone were not saved: " << error.what();
      }
      EXPECT_EQ(folderContents(elsewhere), elsewhereBefore);
      EXPECT_EQ(readBytes(journal), usbBefore.at(".wall.prv.chromaflow-saving"));
      EXPECT_EQ(readBytes(usb + "notes.txt"), "the operator's notes");
      if (planted) {
        EXPECT_EQ(readBytes(folderOfOther + oldCopy), "planted");
      }
    }
  }
}

// A journal that names only the job's files is settled, but only a new copy that is a file
// holding the new bytes goes into a file's place, and only an old copy that is a file comes
// back: a symbolic link bearing a copy's name never takes the place of a job's file.
TEST(Interruptions, OnlyFilesBearingACopysNameTakeAJobFilesPlace) {
  namespace fs = std::filesystem;
  TempDir dir;
  const std::string usb = testing::freshFolder(dir, "usb"), elsewhere = testing::freshFolder(dir, "elsewhere");
  const auto oldJob = job(usb, "old");
  writeBytes(elsewhere + "victim.txt", "the victim's");
  const std::string journal = usb + ".wall.prv.chromaflow-saving";
  {
    SCOPED_TRACE("finished: wall.sev in place, a link under its new copy's name");
    writeFilesTogether(oldJob);
    fs::create_symlink(elsewhere + "victim.txt", usb + ".wall.sev.chromaflow-new-Ab3dE9");
    writeBytes(journal, journalBytes({{"wall.sev", ".wall.sev.chromaflow-new-Ab3dE9", "", "old settings"},
                                      {"wall.prv", ".wall.prv.chromaflow-new-Ab3dE9", "", "old project"}}));
    const Settling settling = settleInterruptedSaves(paths(oldJob));
    ASSERT_EQ(settling.saves.size(), 1u);
    EXPECT_TRUE(settling.saves[0].finished);
    EXPECT_FALSE(fs::is_symlink(usb + "wall.sev"));
    EXPECT_EQ(readBytes(usb + "wall.sev"), "old settings");
    EXPECT_FALSE(fs::exists(journal));
  }
  {
    SCOPED_TRACE("undone: a link under wall.sev's old copy's name");
    testing::freshFolder(dir, "usb");
    writeFilesTogether(oldJob);
    fs::create_symlink(elsewhere + "victim.txt", usb + ".wall.sev.chromaflow-old-Ab3dE9");
    writeBytes(journal, journalBytes({{"wall.sev", ".wall.sev.chromaflow-new-Ab3dE9", ".wall.sev.chromaflow-old-Ab3dE9", "new settings"},
                                      {"wall.prv", ".wall.prv.chromaflow-new-Ab3dE9", "", "new project"}}));
    const Folder before = folderContents(usb);
    try {
      settleInterruptedSaves(paths(oldJob));
      ADD_FAILURE() << "a link was taken for the old settings";
    } catch (const FileError& error) {
      EXPECT_NE(std::string(error.what()).find("n'est pas un fichier"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(fs::is_symlink(usb + "wall.sev"));
    EXPECT_EQ(folderContents(usb), before);
  }
  EXPECT_EQ(readBytes(elsewhere + "victim.txt"), "the victim's");
}

// A run stopped by the file size limit (SIGXFSZ) while it writes a staged file: with unnamed
// files nothing is left beside the target; with named temporaries the next save of the file
// removes what was left.
TEST(Interruptions, AFileSizeLimitLeavesNothingBehindTheNextSave) {
  for (const bool unnamedFiles : {true, false}) {
    SCOPED_TRACE(unnamedFiles ? "unnamed files" : "named temporaries");
    TempDir dir;
    const std::string target = dir.file("trace.csv");
    writeBytes(target, "old trace");
    const int status = inChild([&] {
      KilledDisk disk;  // here only to refuse unnamed files
      if (!unnamedFiles) disk.withoutUnnamedFiles();
      ::signal(SIGXFSZ, SIG_DFL);
      const struct rlimit limit = {64 * 1024, 64 * 1024};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      StagedFile trace(target);
      for (int row = 0; row < 100000; ++row) trace.write("0;0.000;1.234;5.678;9.012\n");
      trace.commit();
    });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(readBytes(target), "old trace");
    if (unnamedFiles) {
      EXPECT_EQ(dir.entries(), std::vector<std::string>{"trace.csv"});
    } else {
      ASSERT_EQ(dir.entries().size(), 2u);
      EXPECT_EQ(dir.entries()[0].rfind(".trace.csv.chromaflow-new-", 0), 0u) << dir.entries()[0];
    }
    writeTextFile(target, {"new trace"});
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"trace.csv"});
  }
}

// Until it is committed, an unnamed staged file shows nothing in the folder.
TEST(Interruptions, AnUnnamedStagedFileShowsNothingUntilCommitted) {
  TempDir dir;
  const std::string target = dir.file("report.csv");
  StagedFile report(target);
  report.write("kind,index\n");
  report.flush();
  EXPECT_TRUE(dir.entries().empty());
  report.commit();
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"report.csv"});
  EXPECT_EQ(readBytes(target), "kind,index\n");
}

}  // namespace
}  // namespace chromaflow
