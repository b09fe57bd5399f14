#include "core/session/project.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/common/text_file.h"
#include "core/session/documents.h"
#include "support/failing_disk.h"
#include "support/own_files.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::crlf;
using testing::readBytes;
using testing::ScriptedAsker;
using testing::TempDir;
using testing::writeBytes;

struct ProjectFixture : ::testing::Test {
  TempDir dir;
  ScriptedAsker asker;
  Documents documents;
  Project& project = documents.project;
  int redraws = 0;

  Subscription counting = documents.viewsChanged.subscribe([this] { ++redraws; });

  void fillJob() {
    documents.colours.addRow({0, 255, 255, 255});
    documents.colours.addRow({100, 0, 0, 255});
    documents.plan.appendSurface({2, 3});
    documents.plan.RecomputeSurfaces();
    documents.plan.appendProportion("1.50", 60);
    documents.plan.RefreshProportions();
    documents.settings.setP1trl(300);
    project.setUserText({"Mur nord", "", "a=b;c"});
  }
};

TEST_F(ProjectFixture, SaveWritesTheSiblingsThenTheProject) {
  fillJob();
  EXPECT_EQ(project.title(), "Chromaflow Velmora - Noname.prv");
  asker.saveAnswers.push_back(dir.file("wall.prv"));
  project.SaveProject(false, &asker);
  ASSERT_EQ(asker.saveAsked.size(), 1u);  // only the project's name is asked
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"wall.cov", "wall.prv", "wall.sev", "wall.spv"}));
  EXPECT_EQ(readBytes(dir.file("wall.prv")),
            crlf({"Chromaflow Velmora - Project: wall.prv", "Texte utilisateur=", "Mur nord", "", "a=b;c"}));
  EXPECT_EQ(project.title(), "Chromaflow Velmora - " + dir.file("wall.prv"));
  EXPECT_EQ(documents.settings.name().title(), "Propriétés - wall.sev");
  EXPECT_NE(readBytes(dir.file("wall.sev")).find("Pompe P1(trs/l)=300"), std::string::npos);
  project.SaveProject(false, &asker);  // named now: no question
  EXPECT_EQ(asker.saveAsked.size(), 1u);
}

TEST_F(ProjectFixture, OpenRestoresAllFourDocuments) {
  fillJob();
  project.name().set(dir.file("wall.prv"));
  project.SaveProject(false, &asker);

  Documents other;
  asker.openAnswers.push_back(dir.file("wall.prv"));
  other.project.OpenProject(true, &asker);
  EXPECT_EQ(other.project.userText(), (std::vector<std::string>{"Mur nord", "", "a=b;c"}));
  EXPECT_EQ(other.colours.rows().size(), 2u);
  EXPECT_EQ(other.plan.surfaceCount(), 1);
  EXPECT_EQ(other.plan.proportionCell(1, 3), documents.plan.proportionCell(1, 3));
  EXPECT_EQ(other.settings.settings().P1trl, 300);
  EXPECT_EQ(other.plan.name().title(), "Surfaces et proportions - wall.spv");
  EXPECT_EQ(asker.openAsked.size(), 1u);
}

// The colour rows mark the job exactly when they differ from what the project's files hold,
// asked again and again as after every tick: a row added, changed or taken away does; the rows
// put back as they were, or read again from the colour file, do not.
TEST_F(ProjectFixture, TheColourRowsMarkTheJobExactlyWhenTheyDifferFromTheFiles) {
  fillJob();
  project.name().set(dir.file("wall.prv"));
  project.SaveProject(false, &asker);
  const std::vector<ColourRow> inFile = documents.colours.rows();
  const ColourRow otherWhite{0, 250, 250, 250};
  EXPECT_FALSE(project.modified());
  documents.colours.addRow({50, 1, 2, 3});
  EXPECT_TRUE(project.modified());
  EXPECT_TRUE(project.modified());
  documents.colours.removeRow(2);  // the row at 50 %, between the two others
  EXPECT_FALSE(project.modified());
  documents.colours.setRow(1, otherWhite);
  EXPECT_TRUE(project.modified());
  documents.colours.setRow(1, inFile[0]);
  EXPECT_FALSE(project.modified());
  documents.colours.clearRows();
  EXPECT_TRUE(project.modified());
  ASSERT_TRUE(documents.colours.OpenColours(false, &asker));  // the project's colour file, read again
  EXPECT_EQ(documents.colours.rows(), inFile);
  EXPECT_FALSE(project.modified());

  documents.colours.setRow(1, otherWhite);
  project.SaveProject(false, &asker);
  EXPECT_FALSE(project.modified());
  documents.colours.setRow(1, inFile[0]);
  EXPECT_TRUE(project.modified());
}

// A project named on the command line opens without a dialog, as the dialog's choice would; a
// missing one is an error that leaves the job as it was.
TEST_F(ProjectFixture, AProjectNamedWithoutADialogOpensTheSame) {
  fillJob();
  project.name().set(dir.file("wall.prv"));
  project.SaveProject(false, &asker);

  Documents other;
  other.project.setUserText({"Mur sud"});
  EXPECT_THROW(other.project.OpenProjectFile(dir.file("none.prv"), &asker), FileError);
  EXPECT_EQ(other.project.userText(), (std::vector<std::string>{"Mur sud"}));
  EXPECT_EQ(other.project.title(), "Chromaflow Velmora - Noname.prv");

  EXPECT_TRUE(other.project.OpenProjectFile(dir.file("wall.prv"), &asker));
  EXPECT_EQ(other.project.userText(), (std::vector<std::string>{"Mur nord", "", "a=b;c"}));
  EXPECT_EQ(other.plan.surfaceCount(), 1);
  EXPECT_EQ(other.settings.settings().P1trl, 300);
  EXPECT_EQ(other.project.title(), "Chromaflow Velmora - " + dir.file("wall.prv"));
  EXPECT_TRUE(asker.openAsked.empty());
}

TEST_F(ProjectFixture, MissingSiblingIsAskedForAndTheOthersStillLoad) {
  fillJob();
  project.name().set(dir.file("wall.prv"));
  project.SaveProject(false, &asker);
  std::filesystem::remove(dir.file("wall.cov"));

  Documents other;
  other.project.name().set(dir.file("wall.prv"));
  other.project.OpenProject(false, &asker);  // the colour dialog is cancelled
  ASSERT_EQ(asker.openAsked.size(), 1u);
  // The dialog starts in the project's folder on the name the file should have.
  EXPECT_EQ(asker.openAsked[0], std::make_pair(DocumentKind::Colours, dir.file("wall.cov")));
  EXPECT_TRUE(other.colours.rows().empty());
  EXPECT_EQ(other.colours.name().title(), "Couleurs=f(Proportions) - Noname.cov");  // cancelled
  EXPECT_EQ(other.plan.surfaceCount(), 1);
  EXPECT_EQ(other.plan.proportionCell(1, 3), "16777215");  // no colour table: white
  EXPECT_EQ(other.settings.settings().P1trl, 300);
}

TEST_F(ProjectFixture, ProjectWithoutMarkerOrWithOnlyABannerHasNoText) {
  writeBytes(dir.file("bare.prv"), crlf({"Chromaflow Velmora - Project: bare.prv"}));
  project.setUserText({"old"});
  asker.openAnswers.push_back(dir.file("bare.prv"));
  project.OpenProject(true, &asker);
  EXPECT_TRUE(project.userText().empty());
  // The marker, not the banner, starts the text; lines before it are ignored.
  writeBytes(dir.file("odd.prv"), "anything\nTexte utilisateur=ignored\nline one\r\nTexte utilisateur=\n");
  project.name().set(dir.file("odd.prv"));
  project.OpenProject(false, &asker);
  EXPECT_EQ(project.userText(), (std::vector<std::string>{"line one", "Texte utilisateur="}));
}

TEST_F(ProjectFixture, NewProjectEmptiesEverything) {
  fillJob();
  redraws = 0;
  project.NewProject();
  EXPECT_TRUE(project.userText().empty());
  EXPECT_EQ(documents.plan.surfaceCount(), 0);
  EXPECT_TRUE(documents.colours.rows().empty());
  EXPECT_EQ(documents.settings.settings().P1trl, 220);
  EXPECT_EQ(project.title(), "Chromaflow Velmora - Noname.prv");
  EXPECT_EQ(documents.colours.name().title(), "Couleurs=f(Proportions) - Noname.cov");
  EXPECT_GE(redraws, 1);
  project.SaveProject(false, &asker);  // asks; cancelled: nothing written
  EXPECT_TRUE(dir.entries().empty());
}

TEST_F(ProjectFixture, AReadErrorReachesTheCallerWithTheSystemsMessage) {
  // The disk refuses to read the project's first bytes (EIO).
  const std::string wall = dir.file("wall.prv");
  writeBytes(wall, crlf({"Chromaflow Velmora - Project: wall.prv", "Texte utilisateur=", "Mur nord"}));
  project.name().set(wall);
  try {
    testing::FailingDisk disk;
    disk.failReadAfter(0);
    project.OpenProject(false, &asker);
    FAIL() << "no error reported";
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find(wall + " : " + std::strerror(EIO)), std::string::npos) << error.what();
  }
  EXPECT_TRUE(asker.openAsked.empty());  // it stopped there: no sibling was looked for
}

TEST_F(ProjectFixture, TheOpenSaysWhichDocumentFailedAndWhy) {
  fillJob();
  const std::string wall = dir.file("wall.prv");
  project.name().set(wall);
  project.SaveProject(false, &asker);
  const auto saved = testing::folderContents(dir);
  const auto restore = [&] {
    for (const auto& [name, bytes] : saved) std::filesystem::remove(dir.file(name)), writeBytes(dir.file(name), bytes);
  };
  const auto open = [&](Documents& other) {
    other.project.name().set(wall);
    other.project.OpenProject(false, &asker);
    return other.project.lastOpenNotes();
  };

  {
    Documents other;
    EXPECT_TRUE(open(other).empty());
  }
  {  // an empty job too: a plan and a colour table of no rows are read all the same
    Documents empty, other;
    empty.project.name().set(dir.file("empty.prv"));
    empty.project.SaveProject(false, &asker);
    other.project.name().set(dir.file("empty.prv"));
    other.project.OpenProject(false, &asker);
    EXPECT_TRUE(other.project.lastOpenNotes().empty()) << openReportText("empty.prv", other.project.lastOpenNotes());
  }
  {  // a missing sibling, its dialog cancelled, then answered
    std::filesystem::rename(dir.file("wall.cov"), dir.file("kept.cov"));
    Documents other;
    auto notes = open(other);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].kind, DocumentKind::Colours);
    EXPECT_EQ(notes[0].path, dir.file("wall.cov"));
    EXPECT_EQ(notes[0].what, "introuvable ; son dialogue d'ouverture a été proposé et rien n'a été ouvert");
    // The operator reads why before the dialog comes up.
    ASSERT_GE(asker.met.size(), 2u);
    EXPECT_EQ(asker.met[asker.met.size() - 2],
              "explained: La table des couleurs wall.cov est introuvable : choisissez-la, ou Annuler pour une table vide.");
    EXPECT_EQ(asker.met.back(), "open: " + dir.file("wall.cov"));
    asker.openAnswers.push_back(dir.file("kept.cov"));
    notes = open(other);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].what, "introuvable ; son dialogue d'ouverture a été proposé et " + dir.file("kept.cov") + " a été ouvert");
    restore();
  }
  {  // siblings of which nothing can be read (random bytes, an empty file) are named with their lines
    writeBytes(dir.file("wall.spv"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe;=\n\x01\x02", 24));
    writeBytes(dir.file("wall.cov"), "");
    writeBytes(dir.file("wall.sev"), "\x7f" "ELF\x02\x01\x01\n");
    Documents other;
    const auto notes = open(other);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].path, dir.file("wall.cov"));
    EXPECT_EQ(notes[0].what, "rien n'a pu en être lu (le fichier est vide) : la table des couleurs est vide");
    EXPECT_EQ(notes[1].path, dir.file("wall.spv"));
    EXPECT_EQ(notes[1].what, "rien n'a pu en être lu (ses 4 lignes ont été laissées de côté) : le plan est vide");
    EXPECT_EQ(notes[2].path, dir.file("wall.sev"));
    EXPECT_EQ(notes[2].what, "rien n'a pu en être lu (sa ligne a été laissée de côté) : les réglages sont ceux par défaut");
    restore();
  }
  {  // a hose or a dilution volume the path's figures cannot hold is refused and said
    std::string settings = readBytes(dir.file("wall.sev"));
    settings.replace(settings.find("Filtre(l)=1.50"), 14, "Filtre(l)=1.0000E+38");
    writeBytes(dir.file("wall.sev"), settings);
    Documents other;
    const auto notes = open(other);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].what, "valeur refusée : \"Filtre(l)=1.0000E+38\" : au-delà de 838.86 litres, les calculs du "
                             "chemin n'en tiennent pas plus ; le réglage garde sa valeur");
    EXPECT_EQ(other.settings.settings().Filtre, "1.50");
    restore();
  }
  {  // a settings value of the wrong type is refused and said
    std::string settings = readBytes(dir.file("wall.sev"));
    settings.replace(settings.find("Retard(l)="), std::string("Retard(l)=").size(), "Retard(l)=1\r\nRetard(l)=");
    writeBytes(dir.file("wall.sev"), settings);
    Documents other;
    const auto notes = open(other);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].kind, DocumentKind::Settings);
    EXPECT_EQ(notes[0].path, dir.file("wall.sev"));
    EXPECT_NE(notes[0].what.find("\"Retard(l)=1\" : un entier là où un réel est attendu"), std::string::npos) << notes[0].what;
    EXPECT_EQ(other.settings.settings().P1trl, 300);  // the rest still applies
    restore();
  }
  {  // plan rows that cannot be taken are left out, each said with its line, the first ten of them
    std::vector<std::string> plan{"Surf.;H (m);L (m);S (m2);L report (m);S (m2)", "1;2.00;3.00;6.00;3.00;6.00"};
    for (int i = 0; i < 100; ++i) plan.push_back("9;1.00;1.00");  // the last is the 101st surface
    plan.insert(plan.end(), {"", "Prop.;Distance (m);Proportions (%)", "1;1.50;60", "2;nan;50", "2;1e39;50", "3;4.00;101"});
    for (int i = 0; i < 9; ++i) plan.push_back("4;x;1");
    plan.push_back("Etat tuyau=vide");
    writeBytes(dir.file("wall.spv"), crlf(plan));
    Documents other;
    const auto notes = open(other);
    ASSERT_EQ(notes.size(), 11u);
    for (const DocumentNote& note : notes) {
      EXPECT_EQ(note.kind, DocumentKind::Plan);
      EXPECT_EQ(note.path, dir.file("wall.spv"));
    }
    const std::string leftOut = " ; la ligne est laissée de côté";
    EXPECT_EQ(notes[0].what, "ligne 102 \"9;1.00;1.00\" : au-delà de la 100e surface" + leftOut);
    EXPECT_EQ(notes[1].what, "ligne 106 \"2;nan;50\" : la distance s'écrit en nombre à décimales et la proportion en "
                             "nombre entier" + leftOut);
    EXPECT_EQ(notes[2].what, "ligne 107 \"2;1e39;50\" : une distance négative ou plus grande que ce que 32 bits tiennent" + leftOut);
    EXPECT_EQ(notes[3].what, "ligne 108 \"3;4.00;101\" : une proportion hors de 0 à 100" + leftOut);
    EXPECT_EQ(notes[10].what, "et 3 autres lignes laissées de côté");
    EXPECT_EQ(other.plan.surfaceCount(), 100);  // the rest is read
    EXPECT_EQ(other.plan.proportionCount(), 1);
    restore();
  }
  {  // a plan that cannot be read at all: the open stops there, after the colours
    ::chmod(dir.file("wall.spv").c_str(), 0);  // unreadable, for root too while its modes count
    Documents other;
    {
      testing::FileModesCount modesCount;
      EXPECT_THROW(open(other), FileError);
    }
    const auto& notes = other.project.lastOpenNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].kind, DocumentKind::Plan);
    EXPECT_EQ(notes[0].path, dir.file("wall.spv"));
    EXPECT_NE(notes[0].what.find(std::string("illisible : ") + dir.file("wall.spv") + " : " + std::strerror(EACCES)),
              std::string::npos) << notes[0].what;
    EXPECT_EQ(other.colours.rows().size(), 2u);
    restore();
  }
  {  // settings cut off after their second line
    std::size_t before = 0;
    for (const char* name : {"wall.prv", "wall.cov", "wall.spv"}) before += saved.at(name).size();
    const std::string& settings = saved.at("wall.sev");
    const std::size_t stop = settings.find("\r\n", settings.find("\r\n") + 2) + 2 + 4;  // 4 bytes into line 3
    Documents other;
    testing::FailingDisk disk;
    disk.failReadAfter(before + stop);
    EXPECT_THROW(open(other), ReadCutOff);
    const auto& notes = other.project.lastOpenNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].kind, DocumentKind::Settings);
    EXPECT_NE(notes[0].what.find("lecture interrompue après 2 lignes entières (arrêt à l'octet " + std::to_string(stop) + ")"),
              std::string::npos) << notes[0].what;
    EXPECT_EQ(other.settings.settings().P1trl, 300);  // the lines read are kept
  }
}

// Two programs on one job: the second to open it is told the first has it open; a save that would
// replace what the other saved since asks first, and each of its three answers does what it says.
TEST_F(ProjectFixture, TwoProgramsOnOneJobLoseNoWorkSilently) {
  fillJob();
  const std::string wall = dir.file("wall.prv"), plan = dir.file("wall.spv");
  project.name().set(wall);
  project.SaveProject(false, &asker);
  Documents a, b;
  a.project.holdOpen(true);
  b.project.holdOpen(true);
  a.project.name().set(wall);
  ASSERT_TRUE(a.project.OpenProject(false, &asker));
  EXPECT_TRUE(a.project.lastOpenNotes().empty());
  b.project.name().set(wall);
  ASSERT_TRUE(b.project.OpenProject(false, &asker));
  ASSERT_EQ(b.project.lastOpenNotes().size(), 1u);
  EXPECT_EQ(b.project.lastOpenNotes()[0].what,
            "déjà ouvert par un autre programme de ce PC : avant d'écraser ce que l'autre aura enregistré entre-temps, "
            "l'enregistrement vous le demandera");

  // The same bytes written again change nothing that could be lost.
  ASSERT_TRUE(b.project.SaveProject(false, &asker));
  ASSERT_TRUE(a.project.SaveProject(false, &asker));
  EXPECT_TRUE(asker.changedFileAsked.empty());

  // B moves a point and saves; A moves another: "Annuler" writes nothing.
  ASSERT_TRUE(b.plan.setSurface(1, {2, 4}));
  ASSERT_TRUE(b.project.SaveProject(false, &asker));
  const std::string savedByB = readBytes(plan);
  ASSERT_TRUE(a.plan.appendSurface({1, 5}));
  asker.changedFileChoices = {ChangedFileChoice::Cancel};
  EXPECT_FALSE(a.project.SaveProject(false, &asker));
  const std::string question = "wall.prv a été modifié par un autre programme depuis son ouverture : l'écraser, "
                               "l'enregistrer sous un autre nom, ou annuler ?";
  EXPECT_EQ(asker.changedFileAsked, std::vector<std::string>{question});
  EXPECT_EQ(readBytes(plan), savedByB);
  EXPECT_TRUE(a.project.modified());

  // "Écraser": A's job replaces B's; A's next save asks nothing, its files being its own.
  asker.changedFileChoices = {ChangedFileChoice::Overwrite};
  ASSERT_TRUE(a.project.SaveProject(false, &asker));
  EXPECT_EQ(asker.changedFileAsked.size(), 2u);
  EXPECT_NE(readBytes(plan), savedByB);
  EXPECT_FALSE(a.project.modified());
  ASSERT_TRUE(a.project.SaveProject(false, &asker));
  EXPECT_EQ(asker.changedFileAsked.size(), 2u);

  // A file written from its own window is this program's too.
  ASSERT_TRUE(a.plan.SavePlan(false, &asker));
  ASSERT_TRUE(a.project.SaveProject(false, &asker));
  EXPECT_EQ(asker.changedFileAsked.size(), 2u);

  // B, whose files A replaced, saves: "Enregistrer sous..." keeps A's files and writes B's beside.
  const std::string savedByA = readBytes(plan);
  asker.changedFileChoices = {ChangedFileChoice::SaveAs};
  asker.saveAnswers = {dir.file("wall-b.prv")};
  ASSERT_TRUE(b.project.SaveProject(false, &asker));
  EXPECT_EQ(asker.changedFileAsked.size(), 3u);
  EXPECT_EQ(asker.saveAsked.back(), std::make_pair(DocumentKind::Project, wall));
  EXPECT_EQ(readBytes(plan), savedByA);
  EXPECT_EQ(readBytes(dir.file("wall-b.spv")), savedByB);
  EXPECT_EQ(b.project.name().current(), dir.file("wall-b.prv"));
}

// The lock of a project held open dies with its program, however it ends.
TEST_F(ProjectFixture, AProgramKilledLetsGoOfTheProjectItHeldOpen) {
  fillJob();
  const std::string wall = dir.file("wall.prv");
  project.name().set(wall);
  project.SaveProject(false, &asker);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Documents holder;
    holder.project.holdOpen(true);
    holder.project.OpenProjectFile(wall, nullptr);
    if (::write(ready[1], "!", 1) != 1) ::_exit(1);
    for (;;) ::pause();
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  ::close(ready[1]);
  const auto opensTold = [&] {
    Documents other;
    other.project.holdOpen(true);
    other.project.OpenProjectFile(wall, &asker);
    return !other.project.lastOpenNotes().empty();
  };
  EXPECT_TRUE(opensTold());
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_FALSE(opensTold());
  // The killed program's lock file went with the last program that let go.
  EXPECT_FALSE(std::filesystem::exists(dir.file(".wall.prv.chromaflow-open")));
}

// A job copied from Windows: the siblings' names differ from the project's in case.
TEST_F(ProjectFixture, SiblingsWhoseNamesDifferInCaseAreOpened) {
  fillJob();
  for (const char* projectName : {"MUR.PRV", "mur.prv"}) {
    SCOPED_TRACE(projectName);
    const std::string copied = testing::freshFolder(dir, std::string("copied-") + projectName);
    project.name().set(dir.file("mur.prv"));
    project.SaveProject(false, &asker);
    for (const char* ext : {".sev", ".spv", ".cov"}) {
      std::string upper = std::string("MUR") + ext;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      std::filesystem::copy_file(dir.file(std::string("mur") + ext), copied + upper);
    }
    std::filesystem::copy_file(dir.file("mur.prv"), copied + projectName);

    Documents other;
    other.project.name().set(copied + projectName);
    other.project.OpenProject(false, &asker);
    EXPECT_TRUE(asker.openAsked.empty());
    EXPECT_EQ(other.colours.rows().size(), 2u);
    EXPECT_EQ(other.plan.surfaceCount(), 1);
    EXPECT_EQ(other.settings.settings().P1trl, 300);
    EXPECT_EQ(other.plan.name().current(), copied + "MUR.SPV");
    ASSERT_EQ(other.project.lastOpenNotes().size(), 3u);
    EXPECT_NE(other.project.lastOpenNotes()[0].what.find("ne diffèrent que par la casse"), std::string::npos);
  }
}

TEST(SiblingNames, ACaseInsensitiveMatchPrefersTheExtensionAsWrittenThenTheFirstInOrder) {
  testing::TempDir dir;
  for (const char* name : {"A.SEV", "a.Sev", "B.SEV", "b.sev", "mur.spv", "ÉCOLE.cov", "ÞORP.cov", "àla.cov", "×2.cov"})
    writeBytes(dir.file(name), "x");
  std::filesystem::create_directory(dir.file("D.SEV"));
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"A.SEV", "A.SEV"},  // the exact name first
      {"a.sev", "A.SEV"},  // no match with ".sev" as written: the first in sorted order
      {"B.sev", "b.sev"},  // the one with ".sev" as written
      {"MUR.SPV", "mur.spv"},
      {"école.cov", "ÉCOLE.cov"},  // an accented capital, even as the first letter
      {"þorp.cov", "ÞORP.cov"},    // the last of Latin-1's capitals
      {"ÀLA.cov", "àla.cov"},      // and the first
      {"÷2.cov", std::nullopt},    // the signs between them are no letters
      {"c.sev", std::nullopt},
      {"d.sev", std::nullopt},  // a folder is not a file
  };
  for (const auto& [asked, found] : cases) {
    const auto match = findIgnoringCase(dir.file(asked));
    EXPECT_EQ(match, found ? std::optional(dir.file(*found)) : std::nullopt) << asked;
  }
}

TEST(SiblingNames, ReplaceOrAppendTheExtension) {
  EXPECT_EQ(withExtension("/jobs/wall.prv", ".sev"), "/jobs/wall.sev");
  EXPECT_EQ(withExtension("/jobs/wall", ".cov"), "/jobs/wall.cov");
  EXPECT_EQ(withExtension("/jobs.v2/wall", ".spv"), "/jobs.v2/wall.spv");
  EXPECT_EQ(withExtension("a.b.prv", ".sev"), "a.b.sev");
  EXPECT_EQ(nameWithoutDirectory("C:\\jobs\\wall.prv"), "wall.prv");
}

}  // namespace
}  // namespace chromaflow
