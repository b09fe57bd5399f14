// The session as a window sees it: each gesture runs its whole chain and is heard once, with
// what it changed; the core's own wiring never takes a listener's place.

#include "core/session/session.h"

#include <gtest/gtest.h>

#include "core/common/display_forms.h"
#include "core/session/port_status.h"

#include "support/control_rig.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::ControlRig;

// Every event the session raised, in order.
struct Heard {
  std::vector<Change> events;
  Subscription subscription;
  explicit Heard(Session& session)
      : subscription(session.changed.subscribe([this](const Change& change) { events.push_back(change); })) {}
  Change only() const {
    EXPECT_EQ(events.size(), 1u);
    return events.empty() ? Change{} : events.back();
  }
};

struct SessionEvents : ::testing::Test {
  ControlRig rig;
  Session& session = rig.session;
  Heard heard{session};
};

TEST_F(SessionEvents, EachEditIsHeardOnceWithWhatItChanged) {
  struct Case {
    const char* gesture;
    std::function<void(Session&)> act;
    std::vector<Changed> present, absent;
  };
  const Case cases[] = {
      {"surface row", [](Session& s) { s.appendSurface({2, 10}); },
       {Changed::SurfaceRows, Changed::SurfaceView, Changed::ProportionViews, Changed::Figures},
       {Changed::ColourRows, Changed::Settings}},
      {"proportion row", [](Session& s) { s.appendProportion("5.00", 40); },
       {Changed::ProportionRows, Changed::ProportionViews, Changed::Figures},
       {Changed::SurfaceView, Changed::SurfaceRows}},
      {"colour row", [](Session& s) { s.addColourRow({0, 255, 255, 255}); },
       {Changed::ColourRows, Changed::ProportionRows, Changed::ProportionViews}, {Changed::SurfaceView}},
      {"settings entry", [](Session& s) { s.enterSettingsPanel(SettingsPanel::EditFiltre, "2"); },
       {Changed::Settings, Changed::Figures}, {Changed::ProportionViews}},
      {"settings window closed", [](Session& s) { s.settingsWindowClosed(); },
       {Changed::ProportionViews}, {Changed::SurfaceView}},
      {"plan window left", [](Session& s) { s.planWindowLeft(); },
       {Changed::SurfaceView, Changed::ProportionViews}, {}},
      {"hose state", [](Session& s) { s.selectHoseState(HoseState::Full); }, {Changed::HoseConditions}, {}},
      {"language", [](Session& s) { s.applyLanguage(2); }, {Changed::Language}, {Changed::Figures}},
      {"new plan", [](Session& s) { s.newPlan(); },
       {Changed::SurfaceRows, Changed::ProportionRows, Changed::SurfaceView, Changed::ProportionViews}, {}},
      {"new project",
       [this](Session& s) {
         rig.asker.saveChoices = {SaveChoice::DontSave};  // the edits above are let go
         s.newProject();
       },
       {Changed::DocumentNames, Changed::SurfaceView, Changed::ProportionViews, Changed::Settings}, {}},
  };
  for (const Case& c : cases) {
    heard.events.clear();
    c.act(session);
    const Change change = heard.only();
    for (Changed what : c.present) EXPECT_TRUE(change.has(what)) << c.gesture << " " << static_cast<int>(what);
    for (Changed what : c.absent) EXPECT_FALSE(change.has(what)) << c.gesture << " " << static_cast<int>(what);
  }
}

TEST_F(SessionEvents, RefusedEntriesAndQuietTicksAreNotHeard) {
  session.enterSettingsPanel(SettingsPanel::Zero, "12");  // outside -10..10
  session.enterDistance("-1");
  session.setAnticipation(false);  // the box is disabled while the hose is empty
  EXPECT_TRUE(session.plan().anticipation());
  rig.pass();
  heard.events.clear();
  rig.tick();  // nothing moved since the last tick
  EXPECT_TRUE(heard.events.empty());
  rig.edge(kMachineWiring.pumpP1);
  EXPECT_TRUE(heard.only().has(Changed::Figures));
}

TEST_F(SessionEvents, AProjectOpenIsHeardOnceAndAFailureReachesTheOperator) {
  testing::TempDir dir;
  testing::writeBytes(dir.file("wall.prv"), "Chromaflow Velmora - Project: wall.prv\r\nTexte utilisateur=\r\nligne\r\n");
  testing::writeBytes(dir.file("wall.spv"), testing::readBytes(std::string(CHROMAFLOW_EXAMPLES) + "/wall.spv"));
  rig.asker.openAnswers = {dir.file("wall.prv")};  // then the missing .cov and .sev are cancelled
  EXPECT_TRUE(session.openProject(true));
  EXPECT_TRUE(heard.only().has(Changed::UserText));
  EXPECT_EQ(session.plan().surfaceCount(), 4);
  EXPECT_EQ(session.project().userText(), std::vector<std::string>{"ligne"});
  // What the open met is told once, after it: the two files not found.
  ASSERT_EQ(rig.asker.warnings.size(), 1u);
  EXPECT_EQ(rig.asker.warnings[0].rfind("À l'ouverture de wall.prv :\n- ", 0), 0u) << rig.asker.warnings[0];
  EXPECT_NE(rig.asker.warnings[0].find("wall.cov : introuvable"), std::string::npos);
  EXPECT_NE(rig.asker.warnings[0].find("wall.sev : introuvable"), std::string::npos);
  // A project whose files are all there opens without a word.
  rig.asker.warnings.clear();
  EXPECT_TRUE(session.openProjectFile(std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv"));
  EXPECT_TRUE(rig.asker.warnings.empty());

  heard.events.clear();
  rig.asker.saveAnswers = {dir.file("no/such/folder/job.prv")};
  EXPECT_FALSE(session.saveProject(true));
  ASSERT_EQ(rig.asker.errors.size(), 1u);
  EXPECT_NE(rig.asker.errors[0].find("job"), std::string::npos);
  EXPECT_EQ(heard.events.size(), 1u);  // the name changed before the write failed
}

TEST_F(SessionEvents, ListenersComeAndGoWithoutCuttingTheCoresChain) {
  int first = 0, second = 0;
  Subscription a = session.changed.subscribe([&](const Change&) { ++first; });
  Subscription b;
  b = session.changed.subscribe([&](const Change&) {
    ++second;
    b.reset();  // leaves from inside the event
  });
  session.enterSettingsSpin(SettingsSpin::SpinEditP1trl, "300");
  session.enterSettingsSpin(SettingsSpin::SpinEditP2trl, "310");
  EXPECT_EQ(first, 2);
  EXPECT_EQ(second, 1);
  // The main window's mirror labels still follow: the core's own wiring is untouched.
  EXPECT_EQ(session.main().P1trl, "300");
  EXPECT_EQ(session.main().P2trl, "310");
  a.reset();
  session.enterSettingsSpin(SettingsSpin::SpinEditP1trl, "320");
  EXPECT_EQ(first, 2);
}

TEST(SessionChain, AnEditedPlanIsConsistentBeforeAnyoneReadsIt) {
  ControlRig rig;
  rig.session.appendProportion("0.00", 0);
  rig.session.appendSurface({2, 10});
  rig.session.appendProportion("10.00", 100);
  rig.session.appendSurface({1, 5});  // a surface, then a proportion edit, then the model
  rig.session.setProportion(2, "15.00", 100);
  const Plan& plan = rig.session.plan();
  ASSERT_EQ(plan.surfaceCount(), 2);
  EXPECT_EQ(plan.surfaceRow(2)[5], "25.00");
  EXPECT_FLOAT_EQ(rig.session.path().AreaAtDistance(14), 24);
  EXPECT_EQ(rig.session.main().P1lTot, F1(rig.session.path().LitresUpTo(
                                           rig.session.path().DistanceForArea(7.14f + 25)).P1));
}

TEST(SessionChain, SettingsReachTheDosingAndTheCharts) {
  ControlRig rig;
  rig.wall(2, 10, {{"0.00", 50}});
  rig.session.enterDistance("1");
  EXPECT_FLOAT_EQ(rig.session.state().HoseFill, 1);
  rig.session.enterSettingsPanel(SettingsPanel::EditRetard, "2");  // a larger hose, at once
  EXPECT_FLOAT_EQ(rig.session.state().HoseFill, 2);
  rig.session.enterSettingsPanel(SettingsPanel::Zero, "-10");
  EXPECT_EQ(rig.session.settings().charts().sortieAnalog[1], (ChartPoint{0, -10}));
  rig.asker.saveChoices = {SaveChoice::DontSave};
  rig.session.newSettings();
  EXPECT_EQ(rig.session.settings().charts().sortieAnalog[1], (ChartPoint{0, 5}));
}

TEST(SessionGestures, HoseMarkerAndValueEntriesFollowTheMainWindowsRules) {
  ControlRig rig;
  rig.wall(2, 10, {{"0.00", 50}});
  rig.session.dragHose(35);  // half the bar
  EXPECT_FLOAT_EQ(rig.session.state().HoseFill, 0.5f);
  rig.session.enterDistance("1");
  rig.session.dragHose(0);  // once travelled, the hose cannot be dragged
  EXPECT_FLOAT_EQ(rig.session.state().HoseFill, 1);

  rig.session.clickPumpLitres(Pump::P1);  // no P1 pulse counted: nothing is asked
  EXPECT_TRUE(rig.asker.valueQuestions.empty());
  rig.asker.values = {"2.5"};
  rig.session.clickDistance();
  ASSERT_EQ(rig.asker.valueQuestions.size(), 1u);
  EXPECT_EQ(rig.asker.valueQuestions[0], std::make_pair(std::string("Distance parcourue (m)"), std::string("1.00")));
  EXPECT_FLOAT_EQ(rig.session.state().Distance, 2.5f);
  rig.asker.values = {"7"};
  rig.session.clickSettingsPanel(SettingsPanel::EditM2Litre);
  EXPECT_EQ(rig.asker.valueQuestions[1].first, "Epaisseur de peinture (m2/litre)");
  EXPECT_EQ(rig.session.settings().settings().LitreM2, "0.14");
  EXPECT_EQ(rig.session.settings().M2Litre(), "7.14");
}

}  // namespace
}  // namespace chromaflow

namespace chromaflow {
namespace {

TEST(SessionEditors, ButtonsRunTheChainTheirOutcomeAsks) {
  testing::ControlRig rig;
  Session& session = rig.session;
  Heard heard{session};

  session.openSurfaceEditor(1);  // the " +" row of an empty table
  session.setHauteur("2");
  session.setLongueur("10");
  heard.events.clear();
  EXPECT_TRUE(session.surfaceEditorButton(EditorButton::Ok).closes);
  const Change ok = heard.only();
  EXPECT_TRUE(ok.has(Changed::SurfaceRows) && ok.has(Changed::SurfaceView) && ok.has(Changed::ProportionViews));
  EXPECT_EQ(session.main().P1lTot, "0.0");  // no proportion row: no litres asked yet

  session.openProportionEditor(1);
  session.setEditorDistance("5");
  session.setEditorProportion(40);
  session.proportionEditorButton(EditorButton::Insert);
  session.openProportionEditor(2);
  session.setEditorDistance("5.00");
  const EditorOutcome refused = session.proportionEditorButton(EditorButton::Insert);
  EXPECT_FALSE(refused.closes);
  ASSERT_EQ(rig.asker.warnings.size(), 1u);
  EXPECT_EQ(rig.asker.warnings[0], "Une autre proportion est déjà définie à la distance 5.00 mètres. Try an other.");
  EXPECT_EQ(session.plan().proportionCount(), 1);
  EXPECT_NE(session.main().P2lTot, "0.0");  // the proportion reached the totals

  // The picker: one warning per other row of that proportion, nothing stored.
  session.addColourRow({40, 10, 20, 30});
  session.addColourRow({60, 10, 20, 30});
  session.openColourPicker(3);  // the " +" row
  session.setPickerProportion(40);
  EXPECT_FALSE(session.colourPickerButton(EditorButton::Ok).closes);
  EXPECT_EQ(rig.asker.warnings.size(), 2u);
  EXPECT_EQ(session.colours().rows().size(), 2u);
  session.setPickerProportion(100);
  session.setPickerColour(rgbOf(0, 0, 255));
  heard.events.clear();
  EXPECT_TRUE(session.colourPickerButton(EditorButton::Ok).closes);
  EXPECT_TRUE(heard.only().has(Changed::ProportionViews));
  EXPECT_EQ(session.main().gaugeColours.bar, rgbOf(0, 0, 255));  // 100 % is now blue
}

}  // namespace
}  // namespace chromaflow

namespace chromaflow {
namespace {

TEST(SessionPort, TheCardIsProbedAtStartAndEachPortOpensItsOwnAccess) {
  testing::ControlRig rig;
  Session& session = rig.session;
  ASSERT_TRUE(session.cardProbe().has_value());
  EXPECT_EQ(session.cardProbe()->answering(), 4);
  EXPECT_EQ(session.portChoice(ParallelPortKind::Lpt2), nullptr);  // not used yet

  Heard heard{session};
  session.selectParallelPort(ParallelPortKind::Lpt2);
  EXPECT_TRUE(heard.only().has(Changed::Port));
  ASSERT_NE(session.portChoice(ParallelPortKind::Lpt2), nullptr);
  EXPECT_EQ(session.portChoice(ParallelPortKind::Lpt2)->backend, PortBackend::Nothing);
  session.testInit();  // "Init" goes back to Lpt1, where the card answers
  EXPECT_EQ(session.selectedPort(), ParallelPortKind::Lpt1);
  EXPECT_EQ(session.cardProbe()->text(), "Carte K8000 : les 4 circuits répondent sur Lpt1");
  session.testCardEnabled(false);
  session.testInit();
  EXPECT_EQ(session.cardProbe()->answering(), 0);
}

// The status bar leads with what the operator does so that the card is used, then why it was not.
TEST(SessionPort, TheDrivingSummaryLeadsWithTheFix) {
  VirtualClock clock;
  auto refused = [](PortBackend backend) {
    return [backend](ParallelPortKind) {
      PortChoice choice;
      choice.backend = backend;
      choice.port = backend == PortBackend::Simulated ? std::make_unique<sim::SimulatedK8000>() : nothingAttachedPort();
      choice.device = backend == PortBackend::Simulated ? "Carte K8000 simulée" : "Port Lpt1 inaccessible";
      choice.hardwareProblems = {{PortProblem::Busy, "parport0 : occupé", "sudo modprobe -r lp"},
                                 {PortProblem::PermissionRefused, "ioperm : refusé", ""}};
      return choice;
    };
  };
  Session simulated{{clock, refused(PortBackend::Simulated)}};
  simulated.activateMainWindow();
  EXPECT_EQ(drivingSummary(simulated),
            "Machine simulée — pour utiliser la carte : sudo modprobe -r lp — port occupé : parport0 : occupé ; "
            "permission refusée : ioperm : refusé");
  Session nothing{{clock, refused(PortBackend::Nothing)}};
  nothing.activateMainWindow();
  EXPECT_EQ(drivingSummary(nothing).rfind("Port Lpt1 inaccessible — pour utiliser la carte : sudo modprobe -r lp — ", 0),
            0u);
}

TEST(SessionTestWindow, TheRunningLightStepsOnItsTimerAndStopsAtOnce) {
  testing::ControlRig rig;
  Session& session = rig.session;
  session.testRunningLight(true);
  std::vector<int> lit;
  for (int step = 0; step < 20; ++step) {
    rig.clock.step(rig.clock.now() + 1);
    for (int n = 1; n <= 16; ++n)
      if (session.testControls().CB[n]) lit.push_back(n);
  }
  ASSERT_GE(lit.size(), 3u);
  EXPECT_EQ(std::vector<int>(lit.begin(), lit.begin() + 3), (std::vector<int>{1, 2, 3}));
  session.testRunningLight(false);
  for (int n = 1; n <= 16; ++n) EXPECT_FALSE(session.testControls().CB[n]) << n;
  const auto now = rig.clock.now();
  rig.clock.advanceTo(now + 5);  // the light's timer is off: only the reading cycle may tick
  for (int n = 1; n <= 16; ++n) EXPECT_FALSE(rig.card.drivenLow(n) && n != 9) << n;
}

}  // namespace
}  // namespace chromaflow
