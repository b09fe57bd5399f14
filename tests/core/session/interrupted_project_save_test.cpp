// A project save killed part-way: the next open finds the old job or the new one whole, says
// which when it had to finish or undo the save, and leaves no temporary file behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <thread>

#include "core/common/text_file.h"
#include "core/session/documents.h"
#include "support/killed_disk.h"
#include "support/save_journal.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::folderContents;
using testing::inChild;
using testing::KilledDisk;
using testing::TempDir;
using Folder = std::map<std::string, std::string>;

// The old job, or the new one with something changed in each of its four files; `lines` makes
// the user text (the project file) that long.
std::unique_ptr<Documents> job(bool changed, int lines = 1) {
  auto documents = std::make_unique<Documents>();
  documents->colours.addRow({0, 255, 255, 255});
  documents->colours.addRow({100, 0, 0, 255});
  documents->plan.appendSurface({2, 3});
  documents->plan.RecomputeSurfaces();
  documents->plan.appendProportion("1.00", 40);
  documents->plan.RefreshProportions();
  std::vector<std::string> text;
  for (int i = 0; i < lines; ++i) text.push_back("premier texte, ligne " + std::to_string(i));
  if (changed) text.push_back("changé");
  documents->project.setUserText(text);
  if (changed) {
    documents->settings.setP1trl(999);
    documents->colours.addRow({50, 1, 2, 3});
    documents->plan.appendSurface({1, 1});
    documents->plan.RecomputeSurfaces();
  }
  return documents;
}

void save(Documents& documents, const std::string& project) {
  documents.project.name().set(project);
  documents.project.SaveProject(false, nullptr);
}

// The folder made to hold exactly `contents`.
void restore(const std::string& folder, const Folder& contents) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove_all(entry.path());
  for (const auto& [name, bytes] : contents) testing::writeBytes(folder + name, bytes);
}

std::string notesOf(const Project& project) {
  std::string all;
  for (const DocumentNote& note : project.lastOpenNotes()) all += note.path + " : " + note.what + "\n";
  return all;
}

struct DiskKind {
  const char* name;
  bool unnamedFiles;
  bool hardLinks;
};

// The save is killed before each of its steps in turn, on each kind of file system, over an old
// job and in an empty folder. After each kill the project is opened as the program would.
TEST(InterruptedProjectSave, AKillAtAnyStepLeavesTheOldJobOrTheNewOneWholeAndTheOpenSaysWhich) {
  TempDir dir;
  const auto oldJob = job(false), newJob = job(true);
  const std::string reference = testing::freshFolder(dir, "reference");
  save(*newJob, reference + "job.prv");
  const Folder newFiles = folderContents(reference);

  for (const DiskKind kind : {DiskKind{"unnamed files", true, true}, DiskKind{"named temporaries", false, true},
                              DiskKind{"no hard links", true, false}}) {
    for (const bool jobExists : {true, false}) {
      SCOPED_TRACE(std::string(kind.name) + (jobExists ? ", over an old job" : ", in an empty folder"));
      const std::string folder = testing::freshFolder(dir, "job");
      const std::string project = folder + "job.prv";
      if (jobExists) save(*oldJob, project);
      const Folder oldFiles = folderContents(folder);

      const auto useDisk = [&](KilledDisk& disk) {
        if (!kind.unnamedFiles) disk.withoutUnnamedFiles();
        if (!kind.hardLinks) disk.withoutHardLinks();
      };
      int steps = 0;
      {
        const std::string probe = testing::freshFolder(dir, "probe");
        restore(probe, oldFiles);
        KilledDisk counting;
        useDisk(counting);
        save(*newJob, probe + "job.prv");
        steps = counting.steps();
      }
      ASSERT_GT(steps, 20);

      bool committed = false;
      int targetMissing = 0;
      for (int step = 1; step <= steps + 1; ++step) {
        SCOPED_TRACE("killed before step " + std::to_string(step) + " of " + std::to_string(steps));
        restore(folder, oldFiles);
        const int status = inChild([&] {
          KilledDisk disk(step);
          useDisk(disk);
          save(*newJob, project);
        });
        ASSERT_TRUE(WIFEXITED(status)) << status;
        ASSERT_EQ(WEXITSTATUS(status), step <= steps ? KilledDisk::kDied : 0);
        if (jobExists) {
          for (const char* ext : {".sev", ".cov", ".spv", ".prv"}) targetMissing += !fileExists(folder + "job" + ext);
        }

        Documents reader;
        reader.project.name().set(project);
        const bool opened = reader.project.OpenProject(false, nullptr);
        const std::string notes = notesOf(reader.project);
        const Folder found = folderContents(folder);  // every entry, hidden ones too
        const bool isNew = found == newFiles;
        ASSERT_TRUE(isNew || found == oldFiles) << notes;
        EXPECT_EQ(opened, jobExists || isNew);
        if (opened) {
          EXPECT_EQ(reader.project.userText(), (isNew ? newJob : oldJob)->project.userText());
        }
        // One moment decides: before it the old job, after it the new one.
        EXPECT_TRUE(isNew || !committed) << "the old job came back after the new one";
        committed = isNew;
        // Killed with its journal written, the save is finished and the open says so; never undone.
        const bool finished = notes.find("un enregistrement interrompu de job.prv a été achevé") != std::string::npos;
        EXPECT_EQ(finished, isNew && step <= steps) << notes;
        EXPECT_EQ(notes.find("annulé"), std::string::npos) << notes;
      }
      EXPECT_TRUE(committed);
      // A file's old copy is a second name of it: the name itself is never missing. Without hard
      // links the old file is renamed aside, and the open finds the project even then.
      if (jobExists) {
        EXPECT_EQ(targetMissing > 0, !kind.hardLinks);
      }
    }
  }
}

// Killed as it replaced its first file, the save's journal is there but a new copy went missing
// since (removed by hand, say): the open undoes the save and says so.
TEST(InterruptedProjectSave, ASaveWhoseNewCopyWentMissingIsUndone) {
  TempDir dir;
  const std::string project = dir.file("job.prv");
  auto oldJob = job(false);
  save(*oldJob, project);
  const Folder oldFiles = folderContents(dir);
  const int status = inChild([&] {
    KilledDisk disk;
    disk.dyingAtRename(1);
    save(*job(true), project);
  });
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == KilledDisk::kDied) << status;
  bool removed = false;
  for (const std::string& name : dir.entries())
    if (name.rfind(".job.spv.chromaflow-new-", 0) == 0) removed = std::filesystem::remove(dir.file(name));
  ASSERT_TRUE(removed);

  Documents reader;
  reader.project.name().set(project);
  ASSERT_TRUE(reader.project.OpenProject(false, nullptr));
  ASSERT_EQ(reader.project.lastOpenNotes().size(), 1u) << notesOf(reader.project);
  const DocumentNote& note = reader.project.lastOpenNotes()[0];
  EXPECT_EQ(note.kind, DocumentKind::Project);
  EXPECT_EQ(note.path, project);
  EXPECT_EQ(note.what, "un enregistrement interrompu de job.prv a été annulé : les fichiers d'avant sont rétablis");
  EXPECT_EQ(folderContents(dir), oldFiles);
  EXPECT_EQ(reader.project.userText(), oldJob->project.userText());
}

// A project folder from elsewhere holding a save journal beside the project that names a file
// of another folder with that file's size and checksum, and one of the job's that the save
// would have left half done: had it been settled, the save would have been undone and the other
// file removed. The open leaves the journal and every file as they were, reads the job and says
// so; the report names the journal.
TEST(InterruptedProjectSave, AJournalNamingAFileOutsideTheJobIsLeftAloneAndTheOpenSaysSo) {
  TempDir dir;
  const std::string usb = testing::freshFolder(dir, "usb"), elsewhere = testing::freshFolder(dir, "elsewhere");
  const std::string project = usb + "wall.prv", journal = usb + ".wall.prv.chromaflow-saving";
  auto oldJob = job(false);
  save(*oldJob, project);
  testing::writeBytes(elsewhere + "victim.txt", "someone's file");
  testing::writeBytes(journal, testing::journalBytes({
      {"wall.spv", ".wall.spv.chromaflow-new-Ab3dE9", "", "a plan never written"},
      {elsewhere + "victim.txt", ".victim.txt.chromaflow-new-Ab3dE9", "", "someone's file"},
      {"wall.prv", ".wall.prv.chromaflow-new-Ab3dE9", "", testing::readBytes(project)}}));
  const Folder usbBefore = folderContents(usb), elsewhereBefore = folderContents(elsewhere);

  Documents reader;
  reader.project.name().set(project);
  ASSERT_TRUE(reader.project.OpenProject(false, nullptr)) << notesOf(reader.project);
  EXPECT_EQ(folderContents(usb), usbBefore);
  EXPECT_EQ(folderContents(elsewhere), elsewhereBefore);
  EXPECT_EQ(reader.project.userText(), oldJob->project.userText());
  ASSERT_EQ(reader.project.lastOpenNotes().size(), 1u) << notesOf(reader.project);
  EXPECT_EQ(openReportText(project, reader.project.lastOpenNotes()),
            "À l'ouverture de wall.prv :\n- " + journal +
                " : un journal d'enregistrement à côté de wall.prv nomme d'autres fichiers que ceux du projet : il est "
                "laissé tel quel, rien n'est modifié");

  // Opened under another spelling of its folder, the journal is told once all the same.
  Documents again;
  again.project.name().set(elsewhere + "../usb/wall.prv");
  ASSERT_TRUE(again.project.OpenProject(false, nullptr)) << notesOf(again.project);
  EXPECT_EQ(again.project.lastOpenNotes().size(), 1u) << notesOf(again.project);
  EXPECT_EQ(folderContents(usb), usbBefore);
}

// One of the job's files is a symbolic link to a file elsewhere: a journal that says the save
// created that file, so that undoing it would remove it, was not written by a save of ours.
TEST(InterruptedProjectSave, AJournalThatWouldRemoveAFileBehindALinkOfTheJobIsLeftAlone) {
  TempDir dir;
  const std::string usb = testing::freshFolder(dir, "usb"), elsewhere = testing::freshFolder(dir, "elsewhere");
  const std::string project = usb + "wall.prv";
  auto oldJob = job(false);
  save(*oldJob, project);
  std::filesystem::rename(usb + "wall.sev", elsewhere + "victim.sev");
  std::filesystem::create_symlink(elsewhere + "victim.sev", usb + "wall.sev");
  const std::string victim = testing::readBytes(elsewhere + "victim.sev");
  testing::writeBytes(usb + ".wall.prv.chromaflow-saving",
                      testing::journalBytes({{elsewhere + "victim.sev", ".victim.sev.chromaflow-new-Ab3dE9", "", victim},
                                             {"wall.prv", ".wall.prv.chromaflow-new-Ab3dE9", "", "never written"}}));
  const Folder usbBefore = folderContents(usb), elsewhereBefore = folderContents(elsewhere);

  Documents reader;
  reader.project.name().set(project);
  ASSERT_TRUE(reader.project.OpenProject(false, nullptr)) << notesOf(reader.project);
  EXPECT_EQ(folderContents(elsewhere), elsewhereBefore);
  EXPECT_EQ(folderContents(usb), usbBefore);
  EXPECT_EQ(testing::readBytes(elsewhere + "victim.sev"), victim);
  EXPECT_NE(notesOf(reader.project).find("nomme d'autres fichiers que ceux du projet"), std::string::npos)
      << notesOf(reader.project);
}

// A journal beside the project that cannot be read: the job opens as its files stand, the open
// says why nothing was settled, and no save of the job goes on while the journal is there.
TEST(InterruptedProjectSave, AJournalThatCannotBeReadIsLeftAloneAndTheJobStillOpens) {
  TempDir dir;
  const std::string folder = testing::freshFolder(dir, "usb"), project = folder + "wall.prv";
  auto oldJob = job(false);
  save(*oldJob, project);
  testing::writeBytes(folder + ".wall.prv.chromaflow-saving", "not a journal");
  const Folder before = folderContents(folder);

  Documents reader;
  reader.project.name().set(project);
  ASSERT_TRUE(reader.project.OpenProject(false, nullptr)) << notesOf(reader.project);
  EXPECT_EQ(reader.project.userText(), oldJob->project.userText());
  ASSERT_EQ(reader.project.lastOpenNotes().size(), 1u) << notesOf(reader.project);
  EXPECT_EQ(reader.project.lastOpenNotes()[0].what.rfind(
                "un journal d'enregistrement à côté de wall.prv ne peut pas être lu : il est laissé tel quel, rien n'est "
                "modifié",
                0),
            0u)
      << notesOf(reader.project);
  EXPECT_THROW(reader.project.SaveProject(false, nullptr), FileError);
  EXPECT_EQ(folderContents(folder), before);
}

// The temporaries an earlier kill left beside the job (a save on a file system without unnamed
// files) are removed by the next open, which names them.
TEST(InterruptedProjectSave, TheOpenRemovesTheTemporariesOfAnEarlierKill) {
  TempDir dir;
  const std::string project = dir.file("job.prv");
  save(*job(false), project);
  const Folder oldFiles = folderContents(dir);
  const int status = inChild([&] {
    KilledDisk disk;
    disk.withoutUnnamedFiles().dyingAtRename(1);  // the journal is renamed into place: killed before
    save(*job(true), project);
  });
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == KilledDisk::kDied) << status;
  ASSERT_GT(dir.entries().size(), 4u);

  Documents reader;
  reader.project.name().set(project);
  reader.project.OpenProject(false, nullptr);
  ASSERT_EQ(reader.project.lastOpenNotes().size(), 1u) << notesOf(reader.project);
  const std::string& what = reader.project.lastOpenNotes()[0].what;
  EXPECT_EQ(what.rfind("fichiers temporaires d'un enregistrement interrompu supprimés : ", 0), 0u) << what;
  EXPECT_NE(what.find(".job.sev.chromaflow-new-"), std::string::npos) << what;
  EXPECT_EQ(folderContents(dir), oldFiles);
}

// A real SIGKILL at random moments while a child saves a large project over and over, two jobs
// in turn: after each kill the open finds one of the two jobs whole, and the folder holds the
// four files and nothing else. The moments are drawn from a fixed seed; where they fall in the
// save depends on the machine, and any moment must do.
TEST(InterruptedProjectSave, RealKillsAtRandomMomentsLeaveOneJobWholeAndNothingElse) {
  TempDir dir;
  const auto first = job(false, 5000), second = job(true, 5000);
  std::vector<Folder> jobs;
  for (Documents* documents : {first.get(), second.get()}) {
    const std::string reference = testing::freshFolder(dir, "reference-" + std::to_string(jobs.size()));
    save(*documents, reference + "job.prv");
    jobs.push_back(folderContents(reference));
  }
  const std::string folder = testing::freshFolder(dir, "job");
  const std::string project = folder + "job.prv";
  save(*first, project);
  // About how long one save takes here, to spread the kills over a few saves.
  const auto started = std::chrono::steady_clock::now();
  save(*second, project);
  const auto oneSave = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);

  std::mt19937 random(20240611);
  std::uniform_int_distribution<long> moment(0, 2 * oneSave.count() + 1000);
  for (int kill = 0; kill < 30; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        for (;;) {
          save(*first, project);
          save(*second, project);
        }
      } catch (...) {
        ::_exit(1);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the saves failed: status " << status;

    Documents reader;
    reader.project.name().set(project);
    ASSERT_TRUE(reader.project.OpenProject(false, nullptr)) << notesOf(reader.project);
    const Folder found = folderContents(folder);
    ASSERT_TRUE(found == jobs[0] || found == jobs[1]) << notesOf(reader.project);
    EXPECT_EQ(reader.project.userText(), (found == jobs[0] ? first : second)->project.userText());
  }
}

}  // namespace
}  // namespace chromaflow
