#include "app/project.h"

#include <gtest/gtest.h>

#include "app/documents.h"
#include "common/text_file.h"
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
    project.userText() = {"Mur nord", "", "a=b;c"};
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

TEST_F(ProjectFixture, MissingSiblingIsAskedForAndTheOthersStillLoad) {
  fillJob();
  project.name().set(dir.file("wall.prv"));
  project.SaveProject(false, &asker);
  std::filesystem::remove(dir.file("wall.cov"));

  Documents other;
  other.project.name().set(dir.file("wall.prv"));
  other.project.OpenProject(false, &asker);  // the colour dialog is cancelled
  ASSERT_EQ(asker.openAsked.size(), 1u);
  EXPECT_EQ(asker.openAsked[0], std::make_pair(DocumentKind::Colours, std::string("Noname.cov")));
  EXPECT_TRUE(other.colours.rows().empty());
  EXPECT_EQ(other.plan.surfaceCount(), 1);
  EXPECT_EQ(other.plan.proportionCell(1, 3), "16777215");  // no colour table: white
  EXPECT_EQ(other.settings.settings().P1trl, 300);
}

TEST_F(ProjectFixture, ProjectWithoutMarkerOrWithOnlyABannerHasNoText) {
  writeBytes(dir.file("bare.prv"), crlf({"Chromaflow Velmora - Project: bare.prv"}));
  project.userText() = {"old"};
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
  // The kernel refuses to read this file's first bytes (EIO), whoever asks.
  project.name().set("/proc/self/mem");
  try {
    project.OpenProject(false, &asker);
    FAIL() << "no error reported";
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find("/proc/self/mem"), std::string::npos);
  }
  EXPECT_TRUE(asker.openAsked.empty());  // it stopped there: no sibling was looked for
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
