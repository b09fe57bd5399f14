// Nothing of the operator's is lost without a question: which gestures make the job differ from
// its files, the question New, Open and closing ask then and what each answer does, the
// settings window's own question, and "Supprimer tout".

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/session/session.h"
#include "support/control_rig.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::ControlRig;
using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

// The example job copied into the case's own folder and opened as from the command line.
struct ExampleJob {
  TempDir dir;
  ControlRig rig;
  Session& session = rig.session;

  ExampleJob() {
    for (const char* name : {"wall.prv", "wall.sev", "wall.spv", "wall.cov"})
      writeBytes(dir.file(name), readBytes(std::string(CHROMAFLOW_EXAMPLES) + "/" + name));
    reopen();
  }
  void reopen() { session.openProjectFile(dir.file("wall.prv")); }
};

TEST(UnsavedChanges, WhatTheFilesHoldMarksTheJobAndNothingElseDoes) {
  ExampleJob job;
  Session& s = job.session;
  ASSERT_EQ(s.plan().surfaceCount(), 4);
  EXPECT_FALSE(s.projectModified());
  EXPECT_EQ(s.mainWindowTitle(), "Chromaflow Velmora - " + job.dir.file("wall.prv"));

  struct Gesture {
    const char* name;
    std::function<void()> act;
  };
  // What the four files would hold otherwise.
  const Gesture changes[] = {
      {"surface row", [&] { s.appendSurface({2, 10}); }},
      {"proportion row moved", [&] { s.setProportion(2, "5.00", 30); }},
      {"colour row", [&] { s.addColourRow({50, 1, 2, 3}); }},
      {"settings entry", [&] { s.enterSettingsPanel(SettingsPanel::EditFiltre, "2"); }},
      {"hose state", [&] { s.selectHoseState(HoseState::Full); }},
      {"mixing lead", [&] { s.setMixingLead(true); }},
      {"user text", [&] { s.setUserText({"Mur est"}); }},
      {"proportions all deleted",
       [&] {
         job.rig.asker.confirmations = {true};
         s.openProportionEditor(1);
         s.proportionEditorButton(EditorButton::DeleteAll);
       }},
  };
  for (const Gesture& gesture : changes) {
    job.reopen();
    gesture.act();
    EXPECT_TRUE(s.projectModified()) << gesture.name;
    EXPECT_EQ(s.mainWindowTitle(), "Chromaflow Velmora - " + job.dir.file("wall.prv") + "*") << gesture.name;
  }

  // The machine's run, the windows coming and going, and what lives only for the run.
  const Gesture others[] = {
      {"hose emptied while already empty", [&] { s.hoseEmptyButton(); }},
      {"painting",
       [&] {
         s.setRunning(true);
         job.rig.paint(60, 1, 1);
         s.setRunning(false);
       }},
      {"hose and distance corrected",
       [&] {
         s.dragHose(35);
         s.enterDistance("1");
         s.hoseFullButton();
       }},
      {"gun frequency, not in the file", [&] { s.enterSettingsPanel(SettingsPanel::PFreqMax, "30"); }},
      {"windows shown and left",
       [&] {
         s.settingsWindowActivated();
         s.settingsWindowClosed();
         s.planWindowShown();
         s.planWindowLeft();
         s.colourWindowActivated();
         s.colourWindowLeft();
       }},
      {"language", [&] { s.applyLanguage(2); }},
      {"settings opened again from their own file",
       [&] {
         job.rig.asker.openAnswers = {job.dir.file("wall.sev")};
         s.openSettings(true);
       }},
      {"settings made new, as the file holds the defaults", [&] { s.newSettings(); }},
  };
  for (const Gesture& gesture : others) {
    job.reopen();
    gesture.act();
    EXPECT_FALSE(s.projectModified()) << gesture.name;
  }
  EXPECT_TRUE(job.rig.asker.saveChangesAsked.empty());

  // The caption follows at once, and a save clears the mark.
  job.reopen();
  std::vector<Change> heard;
  Subscription listening = s.changed.subscribe([&](const Change& change) { heard.push_back(change); });
  s.appendSurface({2, 10});
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_TRUE(heard[0].has(Changed::DocumentNames));
  EXPECT_TRUE(s.saveProject(false));
  EXPECT_FALSE(s.projectModified());
  EXPECT_EQ(s.mainWindowTitle(), "Chromaflow Velmora - " + job.dir.file("wall.prv"));
}

// The user text marks the job exactly when it differs from the project file's: a line changed,
// added or taken away does; typed back to the file's text, or to what the last save wrote, it
// does not. The caption follows each time, the reading cycle's ticks between the edits too, on
// a text of a few thousand lines as on one line.
TEST(UnsavedChanges, TheUserTextMarksTheJobExactlyWhenItDiffersFromTheFile) {
  ExampleJob job;
  Session& s = job.session;
  const std::vector<std::string> inFile = s.project().userText();
  ASSERT_FALSE(inFile.empty());
  std::vector<std::string> longText;
  for (int i = 0; i < 5000; ++i) longText.push_back("Couche " + std::to_string(i) + " : sable, puis brique.");
  const auto lastLineChanged = [](std::vector<std::string> text) {
    text.back() += ".";
    return text;
  };
  const auto marked = [&] {
    job.rig.tick();
    const bool modified = s.projectModified();
    EXPECT_EQ(s.mainWindowTitle(), "Chromaflow Velmora - " + job.dir.file("wall.prv") + (modified ? "*" : ""));
    return modified;
  };
  EXPECT_FALSE(marked());
  s.setUserText(lastLineChanged(inFile));
  EXPECT_TRUE(marked());
  s.setUserText(inFile);
  EXPECT_FALSE(marked());
  s.setUserText({inFile[0]});
  EXPECT_TRUE(marked());
  s.setUserText(longText);
  EXPECT_TRUE(marked());
  ASSERT_TRUE(s.saveProject(false));
  EXPECT_FALSE(marked());
  s.setUserText(lastLineChanged(longText));
  EXPECT_TRUE(marked());
  s.setUserText(longText);
  EXPECT_FALSE(marked());
  s.setUserText(inFile);
  EXPECT_TRUE(marked());
  job.reopen();
  EXPECT_EQ(s.project().userText(), longText);
  EXPECT_FALSE(marked());
}

TEST(UnsavedChanges, NewOpenAndClosingAskBeforeTheJobsChangesAreLost) {
  ExampleJob job;
  Session& s = job.session;
  testing::ScriptedAsker& asker = job.rig.asker;
  const std::string planOnDisk = readBytes(job.dir.file("wall.spv"));

  // Nothing changed: nothing asked.
  EXPECT_TRUE(s.mayCloseProject());
  EXPECT_TRUE(asker.saveChangesAsked.empty());

  s.appendSurface({2, 10});
  // "Annuler" gives the gesture up before any dialog: the job stays as it is.
  asker.saveChoices = {SaveChoice::Cancel, SaveChoice::Cancel, SaveChoice::Cancel};
  EXPECT_FALSE(s.newProject());
  EXPECT_FALSE(s.openProject(true));
  EXPECT_FALSE(s.mayCloseProject());
  EXPECT_EQ(asker.saveChangesAsked, (std::vector<std::string>{"wall.prv", "wall.prv", "wall.prv"}));
  EXPECT_TRUE(asker.openAsked.empty());
  EXPECT_EQ(s.plan().surfaceCount(), 5);
  EXPECT_TRUE(s.projectModified());
  EXPECT_EQ(readBytes(job.dir.file("wall.spv")), planOnDisk);
  // With nobody to ask, the answer is "Annuler" too.
  s.setAsker(nullptr);
  EXPECT_FALSE(s.newProject());
  EXPECT_FALSE(s.mayCloseProject());
  s.setAsker(&asker);
  EXPECT_EQ(s.plan().surfaceCount(), 5);

  // "Enregistrer" writes the job over its files, without a name asked, then the gesture goes on:
  // the open dialog comes after the question.
  asker.met.clear();
  asker.saveChoices = {SaveChoice::Save};
  asker.openAnswers = {job.dir.file("wall.prv")};
  EXPECT_TRUE(s.openProject(true));
  EXPECT_EQ(asker.met, (std::vector<std::string>{"save changes: wall.prv", "open: " + job.dir.file("wall.prv")}));
  EXPECT_TRUE(asker.saveAsked.empty());
  EXPECT_EQ(s.plan().surfaceCount(), 5);  // read back from what was just written
  EXPECT_FALSE(s.projectModified());

  // "Ne pas enregistrer" lets the changes go: the files keep what they held.
  s.setUserText({"brouillon"});
  const std::string projectOnDisk = readBytes(job.dir.file("wall.prv"));
  asker.saveChoices = {SaveChoice::DontSave};
  EXPECT_TRUE(s.newProject());
  EXPECT_TRUE(s.project().userText().empty());
  EXPECT_EQ(s.plan().surfaceCount(), 0);
  EXPECT_EQ(readBytes(job.dir.file("wall.prv")), projectOnDisk);

  // A job never saved is asked for by its default name; "Enregistrer" then asks a file name, and
  // a name cancelled, or a save that fails, gives the gesture up.
  s.appendSurface({1, 1});
  asker.saveChoices = {SaveChoice::Save, SaveChoice::Save};
  EXPECT_FALSE(s.mayCloseProject());
  EXPECT_EQ(asker.saveChangesAsked.back(), "Noname.prv");
  EXPECT_EQ(asker.saveAsked.size(), 1u);
  asker.saveAnswers = {job.dir.file("no/such/folder/job.prv")};
  EXPECT_FALSE(s.newProject());
  EXPECT_EQ(asker.errors.size(), 1u);
  EXPECT_EQ(s.plan().surfaceCount(), 1);
  EXPECT_TRUE(s.projectModified());
}

TEST(UnsavedChanges, TheSettingsWindowAsksAboutTheSettingsAlone) {
  ControlRig rig;
  TempDir dir;
  Session& s = rig.session;
  s.appendSurface({2, 10});  // the plan's change is not the settings window's to ask about
  EXPECT_TRUE(s.newSettings());
  EXPECT_TRUE(rig.asker.saveChangesAsked.empty());

  s.enterSettingsPanel(SettingsPanel::EditFiltre, "2");
  EXPECT_TRUE(s.settingsModified());
  EXPECT_FALSE(s.newSettings());  // unanswered: "Annuler"
  EXPECT_FALSE(s.openSettings(true));
  EXPECT_TRUE(rig.asker.openAsked.empty());
  EXPECT_EQ(s.settings().settings().Filtre, "2.00");
  EXPECT_EQ(rig.asker.saveChangesAsked, (std::vector<std::string>{"Noname.sev", "Noname.sev"}));

  // "Enregistrer": the settings go to the file named, then the other file opens.
  rig.asker.saveChoices = {SaveChoice::Save};
  rig.asker.saveAnswers = {dir.file("machine.sev")};
  rig.asker.openAnswers = {std::string(CHROMAFLOW_EXAMPLES) + "/wall.sev"};
  EXPECT_TRUE(s.openSettings(true));
  EXPECT_NE(readBytes(dir.file("machine.sev")).find("Filtre(l)=2.00\r\n"), std::string::npos);
  EXPECT_EQ(s.settings().settings().Filtre, "1.50");
  EXPECT_FALSE(s.settingsModified());
}

TEST(UnsavedChanges, SupprimerToutAsksBeforeEmptyingATable) {
  ControlRig rig;
  Session& s = rig.session;
  rig.wall(2, 10, {{"0.00", 0}, {"10.00", 100}});
  s.addColourRow({0, 255, 255, 255});

  struct Table {
    const char* question;
    std::function<void()> open;
    std::function<EditorOutcome()> deleteAll;
    std::function<std::size_t()> rows;
  };
  const Table tables[] = {
      {"Supprimer toutes les surfaces du plan ?", [&] { s.openSurfaceEditor(1); },
       [&] { return s.surfaceEditorButton(EditorButton::DeleteAll); },
       [&] { return s.plan().surfaces().size(); }},
      {"Supprimer toutes les proportions du plan ?", [&] { s.openProportionEditor(1); },
       [&] { return s.proportionEditorButton(EditorButton::DeleteAll); },
       [&] { return s.plan().proportionRows().size(); }},
      {"Supprimer toutes les couleurs de la table ?", [&] { s.openColourPicker(1); },
       [&] { return s.colourPickerButton(EditorButton::DeleteAll); },
       [&] { return s.colours().rows().size(); }},
  };
  for (const Table& table : tables) {
    const std::size_t rows = table.rows();
    ASSERT_GT(rows, 0u) << table.question;
    table.open();
    rig.asker.confirmAsked.clear();
    // "Non": the rows stay and the editor stays open.
    EXPECT_FALSE(table.deleteAll().closes) << table.question;
    EXPECT_EQ(table.rows(), rows) << table.question;
    EXPECT_EQ(rig.asker.confirmAsked, std::vector<std::string>{table.question});
    // "Oui": emptied, and the editor closes as before.
    rig.asker.confirmations = {true};
    EXPECT_TRUE(table.deleteAll().closes) << table.question;
    EXPECT_EQ(table.rows(), 0u) << table.question;
    // An empty table has nothing to lose: no question.
    table.open();
    EXPECT_TRUE(table.deleteAll().closes) << table.question;
    EXPECT_EQ(rig.asker.confirmAsked.size(), 2u) << table.question;
  }
}

}  // namespace
}  // namespace chromaflow
