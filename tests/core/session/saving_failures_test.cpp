// Saving when the disk fails: the previous files stay whole and the error reaches the caller
// with the system's message, for each document and for the project's four files together.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>

#include "core/common/text_file.h"
#include "core/session/documents.h"
#include "support/failing_disk.h"
#include "support/own_files.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::FailingDisk;
using testing::folderContents;
using testing::readBytes;
using testing::TempDir;

struct SavingFailures : ::testing::Test {
  TempDir dir;
  Documents documents;

  void SetUp() override {
    documents.colours.addRow({0, 255, 255, 255});
    documents.colours.addRow({100, 0, 0, 255});
    documents.plan.appendSurface({2, 3});
    documents.plan.RecomputeSurfaces();
    documents.plan.appendProportion("1.00", 40);
    documents.plan.RefreshProportions();
    documents.project.setUserText({"premier texte"});
  }

  // Something different from what SetUp saved, in every one of the four files.
  void changeEverything() {
    documents.settings.setP1trl(999);
    documents.colours.addRow({50, 1, 2, 3});
    documents.plan.appendSurface({1, 1});
    documents.plan.RecomputeSurfaces();
    documents.project.setUserText({"changed"});
  }

  void saveProjectAs(const std::string& path) {
    documents.project.name().set(path);
    documents.project.SaveProject(false, nullptr);
  }

  // Every way of saving one document, under a name in the test's folder.
  std::vector<std::pair<std::string, std::function<void(const std::string&)>>> savers() {
    return {{"machine.sev", [this](const std::string& f) { documents.settings.name().set(f), documents.settings.SaveSettings(false, nullptr); }},
            {"mix.cov", [this](const std::string& f) { documents.colours.name().set(f), documents.colours.SaveColours(false, nullptr); }},
            {"wall.spv", [this](const std::string& f) { documents.plan.name().set(f), documents.plan.SavePlan(false, nullptr); }},
            {"job.prv", [this](const std::string& f) { documents.project.name().set(f), documents.project.SaveProject(false, nullptr); }}};
  }
};

TEST_F(SavingFailures, ADiskFullPartWayKeepsThePreviousFile) {
  for (auto& [name, save] : savers()) {
    const std::string path = dir.file(name);
    save(path);
    const std::string before = readBytes(path);
    documents.settings.setP1trl(documents.settings.settings().P1trl + 1);  // something new to save
    std::vector<std::string> text = documents.project.userText();
    text.push_back("encore");
    documents.project.setUserText(text);
    for (std::size_t allowed : {std::size_t{0}, std::size_t{1}, before.size() / 2, before.size() - 1}) {
      try {
        FailingDisk disk(allowed);
        save(path);
        ADD_FAILURE() << name << " saved on a full disk";
      } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find(std::strerror(ENOSPC)), std::string::npos) << error.what();
      }
      EXPECT_EQ(readBytes(path), before) << name << " after " << allowed << " bytes";
    }
  }
  for (const std::string& entry : dir.entries()) EXPECT_EQ(entry.find(".sev."), std::string::npos) << entry;
  EXPECT_EQ(dir.entries().size(), 4u + 3u);  // the four documents and the project's three siblings
}

TEST_F(SavingFailures, WhenTheThirdOfTheProjectsFilesFailsNothingChangesOnDisk) {
  const std::string project = dir.file("job.prv");
  documents.project.name().set(project);
  documents.project.SaveProject(false, nullptr);
  std::map<std::string, std::string> before;
  for (const char* ext : {".sev", ".cov", ".spv", ".prv"}) before[ext] = readBytes(withExtension(project, ext));

  documents.settings.setP1trl(999);
  documents.colours.addRow({50, 1, 2, 3});
  documents.plan.appendSurface({1, 1});
  documents.plan.RecomputeSurfaces();
  documents.project.setUserText({"changed"});
  // Enough for the settings and the colours, not for the plan.
  const std::size_t firstTwo = bytesOfLines(documents.settings.fileLines(withExtension(project, ".sev"))).size() +
                               bytesOfLines(documents.colours.fileLines()).size();
  try {
    FailingDisk disk(firstTwo + 10);
    documents.project.SaveProject(false, nullptr);
    FAIL() << "saved on a full disk";
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find("job.spv"), std::string::npos) << error.what();
  }
  for (const auto& [ext, bytes] : before) EXPECT_EQ(readBytes(withExtension(project, ext)), bytes) << ext;
  EXPECT_EQ(dir.entries().size(), 4u);  // no temporary left behind
}

TEST_F(SavingFailures, FoldersThatCannotBeWrittenAndReadOnlyTargetsAreReported) {
  const std::string locked = dir.file("locked");
  std::filesystem::create_directory(locked);
  ::chmod(locked.c_str(), 0555);  // no new file, for root too while the modes count
  for (auto& [name, save] : savers()) {
    {
      testing::FileModesCount modesCount;
      EXPECT_THROW(save(locked + "/" + name), FileError) << name;
    }
    EXPECT_TRUE(std::filesystem::is_empty(locked)) << name;
    EXPECT_THROW(save(dir.file("missing/" + name)), FileError) << name;
    const std::string path = dir.file(name);
    save(path);
    const std::string before = readBytes(path);
    ::chmod(path.c_str(), 0444);
    std::vector<std::string> text = documents.project.userText();
    text.push_back("x");
    documents.project.setUserText(text);
    documents.settings.setP2trl(documents.settings.settings().P2trl + 1);
    try {
      save(path);
      ADD_FAILURE() << name << " replaced a read-only file";
    } catch (const FileError& error) {
      EXPECT_NE(std::string(error.what()).find(std::strerror(EACCES)), std::string::npos);
    }
    EXPECT_EQ(readBytes(path), before);
    ::chmod(path.c_str(), 0644);
  }
}

// Each flush (of a file or of the folder), each link and each rename of a project save fails in
// turn, over an existing job and in an empty folder: the folder must hold exactly what it held,
// byte for byte.
TEST_F(SavingFailures, AProjectSaveFailingAtAnyFlushOrRenameLeavesTheFolderAsItWas) {
  for (const bool jobExists : {true, false}) {
    SCOPED_TRACE(jobExists ? "over an existing job" : "in an empty folder");
    const std::string folder = testing::freshFolder(dir, jobExists ? "old-job" : "empty");
    const std::string project = folder + "job.prv";
    if (jobExists) saveProjectAs(project);
    changeEverything();
    const auto before = folderContents(folder);

    int syncs = 0, renames = 0, links = 0;
    {  // a save that goes through, in another folder, to count the steps
      const std::string probe = testing::freshFolder(dir, "probe") + "job.prv";
      if (jobExists) saveProjectAs(probe);
      FailingDisk counting;
      saveProjectAs(probe);
      syncs = counting.syncs();
      renames = counting.renames();
      links = counting.links();
    }
    // The four files, the save's journal, the folder before the first replacement and after
    // the last.
    EXPECT_EQ(syncs, 7);
    EXPECT_EQ(renames, 4);
    // Each new file and the journal named; with an old job, each old file given a second name.
    EXPECT_EQ(links, jobExists ? 9 : 5);

    for (const char* step : {"flush", "link", "rename"}) {
      const int count = step[0] == 'f' ? syncs : step[0] == 'l' ? links : renames;
      for (int nth = 1; nth <= count; ++nth) {
        SCOPED_TRACE(step + (" " + std::to_string(nth)));
        FailingDisk disk;
        step[0] == 'f' ? disk.failSync(nth) : step[0] == 'l' ? disk.failLink(nth) : disk.failRename(nth);
        try {
          saveProjectAs(project);
          ADD_FAILURE() << "the save was reported as done";
        } catch (const FileError& error) {
          EXPECT_NE(std::string(error.what()).find(std::strerror(EIO)), std::string::npos) << error.what();
          EXPECT_NE(std::string(error.what()).find(folder + "job."), std::string::npos) << error.what();
        }
        EXPECT_EQ(folderContents(folder), before);
      }
    }
    saveProjectAs(project);  // and once the disk is sound, the new job and nothing else
    std::vector<std::string> names;
    for (const auto& [name, bytes] : folderContents(folder)) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"job.cov", "job.prv", "job.sev", "job.spv"}));
    EXPECT_EQ(readBytes(project), bytesOfLines(documents.project.fileLines(project)));
  }
}

// A target that is not a regular file refuses the save before anything is written, naming it.
TEST_F(SavingFailures, ATargetThatIsNotAFileRefusesTheWholeSave) {
  struct Case {
    const char* project;  // the name the job is saved under
    const char* folder;   // the entry made a folder beforehand
  };
  for (const Case& c : {Case{"job.prv", "job.spv"}, Case{"job.prv", "job.prv"}, Case{"job", "job"},
                        Case{"job.prv", "job.sev"}}) {
    SCOPED_TRACE(std::string(c.project) + " with the folder " + c.folder);
    const std::string folder = testing::freshFolder(dir, std::string(c.project) + "-" + c.folder);
    const std::string project = folder + c.project;
    saveProjectAs(folder + "job.prv");
    std::filesystem::remove(folder + c.folder);
    std::filesystem::create_directory(folder + c.folder);
    changeEverything();
    const auto before = folderContents(folder);
    try {
      saveProjectAs(project);
      ADD_FAILURE() << "saved over a folder";
    } catch (const FileError& error) {
      EXPECT_NE(std::string(error.what()).find(folder + c.folder + " : est un dossier"), std::string::npos) << error.what();
    }
    EXPECT_EQ(folderContents(folder), before);
  }
}

// A project named after one of its own siblings would write two files under one name.
TEST_F(SavingFailures, AProjectNamedLikeItsSettingsFileIsRefused) {
  EXPECT_THROW(saveProjectAs(dir.file("job.sev")), FileError);
  EXPECT_TRUE(dir.entries().empty());
}

TEST_F(SavingFailures, ADocumentSaveFailingAtItsFlushOrRenameKeepsThePreviousFile) {
  for (auto& [name, save] : savers()) {
    if (name == "job.prv") continue;  // the project's own save is above
    const std::string path = dir.file(name);
    save(path);
    const auto before = folderContents(dir);
    documents.settings.setP1trl(documents.settings.settings().P1trl + 1);
    for (const bool failRename : {false, true}) {
      FailingDisk disk;
      failRename ? disk.failRename(1) : disk.failSync(1);
      EXPECT_THROW(save(path), FileError) << name;
      EXPECT_EQ(disk.syncs(), 1) << name << ": flushed before its rename";
      EXPECT_EQ(folderContents(dir), before) << name;
    }
  }
}

}  // namespace
}  // namespace chromaflow
