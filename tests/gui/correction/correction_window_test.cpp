// The automatic-correction window on a session over the simulated card: its panels show the
// session's figures under their control names, the parameter panels ask through the value
// dialog, the alarm panels follow the pumps and "Remise à zéro" starts the measure again.

#include "gui/correction/correction_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTest>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/control_rig.h"

namespace chromaflow {
namespace {

using testing::ControlRig;

// Pump pulses per roller pulse on the plan below, where P2 has a 30 % share: 1/50 m² per roller
// pulse x 0.14 l/m² x the pump's share x 220 pulses per litre.
constexpr double kP1OnPlan = 0.4312, kP2OnPlan = 0.1848;

struct CorrectionWindowTest : ::testing::Test {
  ControlRig rig;
  const CorrectionFigures& f = rig.session.correction();
  CorrectionWindow window{rig.session};

  void SetUp() override {
    rig.wall(2, 10, {{"0.00", 30}});
    rig.session.setRunning(true);
    rig.session.hoseFullButton();
    rig.tick();
    rig.session.resetCorrection();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  void paint(int pulses, double p1, double p2) { rig.paint(pulses, p1, p2); }

  QLabel* panel(const char* name) { return window.findChild<QLabel*>(name); }
  std::string text(const char* name) { return panel(name)->text().toStdString(); }
  bool shown(Alarm alarm) { return panel(alarmName(alarm))->isVisibleTo(&window); }
  // The names of the alarm panels shown, in the order of Alarm.
  std::vector<std::string> shownAlarms() {
    std::vector<std::string> raised;
    for (int i = 0; i < kAlarmCount; ++i)
      if (shown(static_cast<Alarm>(i))) raised.push_back(alarmName(static_cast<Alarm>(i)));
    return raised;
  }
  void click(const char* name) { QTest::mouseClick(panel(name), Qt::LeftButton); }
  void clickReset() { QTest::mouseClick(window.findChild<QPushButton*>("Reset"), Qt::LeftButton); }
  // The operator clicks a parameter panel and answers the value dialog.
  void enter(const char* name, std::optional<std::string> answer) {
    rig.asker.values.push_back(std::move(answer));
    click(name);
  }
};

TEST_F(CorrectionWindowTest, EveryPanelShowsItsOwnFigure) {
  EXPECT_EQ(window.objectName(), "FcorrectionPct");
  EXPECT_EQ(window.windowTitle(), "Correction automatique des proportions");
  // A first stretch, a reset, then a second stretch with other rates, so that the start, the
  // progress and each pump's figures all differ and a panel wired to the wrong figure shows.
  paint(150, kP1OnPlan * 1.3, kP2OnPlan * 0.7);
  clickReset();
  paint(250, kP1OnPlan * 1.6, kP2OnPlan * 0.5);
  ASSERT_NE(f.StartTrP1, f.StartTrP2);
  ASSERT_NE(f.StartLitresP1, f.StartLitresP2);
  ASSERT_NE(f.TrP1, f.TrP2);
  ASSERT_NE(f.LitresP1, f.LitresP2);
  ASSERT_NE(f.LitresP1Th, f.LitresP2Th);
  ASSERT_NE(f.LitresP1Ec, f.LitresP2Ec);
  ASSERT_NE(f.StartTrRoul, f.TrRoul);
  ASSERT_NE(f.LDistanceStart, f.mRoul);

  using F = CorrectionFigures;
  const std::pair<const char*, std::string F::*> figures[] = {
      {"StartTrRoul", &F::StartTrRoul}, {"Startm2Roul", &F::Startm2Roul},
      {"LDistanceStart", &F::LDistanceStart}, {"StartTrP1", &F::StartTrP1}, {"StartTrP2", &F::StartTrP2},
      {"StartLitresP1", &F::StartLitresP1}, {"StartLitresP2", &F::StartLitresP2},
      {"LDistance", &F::LDistance}, {"TrRoul", &F::TrRoul}, {"m2Roul", &F::m2Roul}, {"mRoul", &F::mRoul},
      {"TrP1", &F::TrP1}, {"TrP2", &F::TrP2}, {"LitresP1", &F::LitresP1}, {"LitresP2", &F::LitresP2},
      {"LitresP1Th", &F::LitresP1Th}, {"LitresP2Th", &F::LitresP2Th}, {"LitresP1Ec", &F::LitresP1Ec},
      {"LitresP2Ec", &F::LitresP2Ec}, {"LitresP1P2Ec", &F::LitresP1P2Ec}, {"Correction", &F::Correction},
      {"PCorrectMin", &F::PCorrectMin}, {"PCorrectMax", &F::PCorrectMax},
      {"PCorrectMaxPct", &F::PCorrectMaxPct}, {"CorrectPStop", &F::CorrectPStop},
  };
  for (const auto& [name, figure] : figures) {
    ASSERT_NE(panel(name), nullptr) << name;
    EXPECT_EQ(text(name), f.*figure) << name;
  }
  for (int i = 0; i < kAlarmCount; ++i) {
    const auto alarm = static_cast<Alarm>(i);
    ASSERT_NE(panel(alarmName(alarm)), nullptr) << alarmName(alarm);
    EXPECT_EQ(text(alarmName(alarm)), alarmCaption(alarm));
    EXPECT_EQ(shown(alarm), f.alarm(alarm)) << alarmName(alarm);
  }
  EXPECT_EQ(shownAlarms(), (std::vector<std::string>{"AlarmP2Lente", "AlarmP1Rapide", "AlarmP1P2"}));
  EXPECT_EQ(text("Correction"), "5.0");  // P1 ahead: P2's share raised to the full 5 %
}

TEST_F(CorrectionWindowTest, AStoppedPumpShowsItsPanelUntilTheReset) {
  // Where the parameter panels and the reset sit, beside and under the alarm panels.
  const auto places = [this] {
    window.layout()->activate();
    std::vector<QRect> at;
    for (const char* name : {"PCorrectMin", "PCorrectMax", "PCorrectMaxPct", "CorrectPStop", "Reset"}) {
      const auto* widget = window.findChild<QWidget*>(name);
      at.emplace_back(widget->mapTo(&window, QPoint()), widget->size());
    }
    return at;
  };
  ASSERT_TRUE(shownAlarms().empty());
  const std::vector<QRect> before = places();
  paint(300, 0, kP2OnPlan);
  EXPECT_EQ(shownAlarms(), (std::vector<std::string>{"AlarmP2P1", "AlarmP1Stop"}));  // stopped, not "trop lente"
  EXPECT_EQ(text("TrP1"), "0");
  EXPECT_EQ(text("Correction"), "-10.0");  // -5 for the deviation, -5 more for the stop
  // The alarms come without pushing the rest of the window about.
  EXPECT_EQ(places(), before);

  clickReset();
  EXPECT_TRUE(shownAlarms().empty());
  for (const char* name : {"TrRoul", "TrP1", "TrP2"}) EXPECT_EQ(text(name), "0") << name;
  for (const char* name : {"LitresP1", "LitresP2", "LitresP1Th", "LitresP2Th", "LitresP1Ec", "LitresP2Ec",
                           "LitresP1P2Ec", "mRoul"})
    EXPECT_EQ(text(name), "0.00") << name;
  EXPECT_EQ(text("m2Roul"), "0.0");
  EXPECT_EQ(text("Correction"), "0");
  EXPECT_EQ(text("StartTrRoul"), rig.session.main().TrRoul);
  EXPECT_EQ(text("LDistanceStart"), rig.session.main().Distance);

  rig.pass();  // standing still since the reset: nothing owed, nothing raised
  EXPECT_TRUE(shownAlarms().empty());
  paint(300, kP1OnPlan, 0);
  EXPECT_EQ(shownAlarms(), (std::vector<std::string>{"AlarmP1P2", "AlarmP2Stop"}));
  EXPECT_EQ(text("Correction"), "10.0");
}

TEST_F(CorrectionWindowTest, ParameterPanelsKeepOnlyAcceptedEntries) {
  enter("PCorrectMax", "1.5");
  EXPECT_EQ(text("PCorrectMax"), "0.1");
  enter("PCorrectMax", "0.3");
  EXPECT_EQ(text("PCorrectMax"), "0.3");
  enter("PCorrectMaxPct", "10");
  EXPECT_EQ(text("PCorrectMaxPct"), "10");
  enter("CorrectPStop", "abc");
  EXPECT_EQ(text("CorrectPStop"), "5");
  enter("PCorrectMin", std::nullopt);  // "Annuler"
  EXPECT_EQ(text("PCorrectMin"), "0.0");
  enter("PCorrectMin", "0.2");
  EXPECT_EQ(text("PCorrectMin"), "0.2");

  // Each panel asks for its own parameter, the dialog holding the panel's text.
  const std::vector<std::pair<std::string, std::string>> asked = {
      {"Correction max 0..1(litres)", "0.1"}, {"Correction max 0..1(litres)", "0.1"},
      {"Correction max 0..10 (%)", "5"},      {"Correction si pompe arrêtée 0..10(%)", "5"},
      {"Correction min 0..1(litres)", "0.0"}, {"Correction min 0..1(litres)", "0.0"},
  };
  EXPECT_EQ(rig.asker.valueQuestions, asked);
  EXPECT_TRUE(rig.asker.warnings.empty());  // a refused entry goes without a word
}

TEST_F(CorrectionWindowTest, TheCorrectionFollowsTheParametersEntered) {
  enter("CorrectPStop", "2");
  enter("PCorrectMaxPct", "3");
  paint(300, 0, kP2OnPlan);
  EXPECT_EQ(text("Correction"), "-5.0");  // -3 for the deviation, -2 for the stop
}

TEST_F(CorrectionWindowTest, FollowsEveryChangeAndLeavesWithTheWindow) {
  paint(100, kP1OnPlan * 1.5, kP2OnPlan);
  ASSERT_NE(text("TrP1"), "0");
  // A plan edit restarts the measure in the core; the window shows it without a gesture of its own.
  rig.session.appendSurface({2, 5});
  EXPECT_EQ(text("TrP1"), "0");
  EXPECT_EQ(text("Correction"), "0");

  const std::size_t listeners = rig.session.changed.listenerCount();
  {
    CorrectionWindow second{rig.session};
    EXPECT_EQ(rig.session.changed.listenerCount(), listeners + 1);
  }
  EXPECT_EQ(rig.session.changed.listenerCount(), listeners);
  paint(20, kP1OnPlan, kP2OnPlan);  // the session runs on after a window went
}

}  // namespace
}  // namespace chromaflow
