// The card test window on a session over the simulated card: its controls, found by name, show
// the card image after every gesture and every reading-cycle tick, each gesture reaches the
// card, the DA output is the window's alone while it is open, the running light steps once per
// tick of its timer, and the acquisition panel shows the port and the chips' answers.

#include "gui/card_test/card_test_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

#include "gui/program_rig.h"
#include "support/control_rig.h"

namespace chromaflow {
namespace {

using testing::ControlRig;

struct CardTestWindowTest : ::testing::Test {
  ControlRig rig;
  CardTestWindow window{rig.session};

  void SetUp() override {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  template <typename Widget = QWidget>
  Widget* find(const std::string& name) {
    auto* widget = window.findChild<Widget*>(QString::fromStdString(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QCheckBox* box(int n) { return find<QCheckBox>("CB" + std::to_string(n)); }
  bool checked(const std::string& name) { return find<QAbstractButton>(name)->isChecked(); }
  std::string text(const std::string& name) { return find<QLabel>(name)->text().toStdString(); }
  void click(const std::string& name) { find<QAbstractButton>(name)->click(); }
  const CardImage& image() { return rig.session.card().image(); }

  // The channels whose box shows them active.
  std::vector<int> lit() {
    std::vector<int> on;
    for (int n = 1; n <= kDigitalChannels; ++n)
      if (box(n)->isChecked()) on.push_back(n);
    return on;
  }
  std::vector<int> allChannels() {
    std::vector<int> all;
    for (int n = 1; n <= kDigitalChannels; ++n) all.push_back(n);
    return all;
  }
  void runningLightTick() { rig.clock.advanceTo(rig.clock.now() + 1); }
};

TEST_F(CardTestWindowTest, ChannelBoxesSwitchTheCardAndFollowIt) {
  EXPECT_EQ(window.objectName(), "FTestInterface");
  EXPECT_EQ(window.windowTitle(), "Test complet de la carte d'interface");
  // After the start's initialisation channel 9 alone is an output.
  for (int n = 1; n <= kDigitalChannels; ++n) {
    EXPECT_EQ(checked("I" + std::to_string(n)), n != 9) << n;
    EXPECT_EQ(checked("O" + std::to_string(n)), n == 9) << n;
  }

  click("O5");
  EXPECT_FALSE(image().isInput(5));
  EXPECT_FALSE(image().InputImage[5]);
  EXPECT_FALSE(checked("I5"));
  EXPECT_TRUE(checked("O5"));
  EXPECT_FALSE(box(5)->isChecked());

  box(5)->click();
  EXPECT_TRUE(rig.card.drivenLow(5));
  EXPECT_TRUE(image().InputImage[5]);
  EXPECT_TRUE(box(5)->isChecked());
  box(5)->click();
  EXPECT_FALSE(rig.card.drivenLow(5));
  EXPECT_FALSE(box(5)->isChecked());

  // Clicking the box of an input changes nothing, and the box shows the input again.
  click("I5");
  EXPECT_TRUE(image().isInput(5));
  EXPECT_TRUE(checked("I5"));
  box(5)->click();
  EXPECT_FALSE(rig.card.drivenLow(5));
  EXPECT_FALSE(image().InputImage[5]);
  EXPECT_FALSE(box(5)->isChecked());

  // The reading cycle's ticks refresh the boxes, also while the window is closed.
  window.hide();
  rig.tick(0x0004);  // a contact pulls channel 3 low
  EXPECT_TRUE(box(3)->isChecked());
  rig.tick(0);
  EXPECT_FALSE(box(3)->isChecked());
}

TEST_F(CardTestWindowTest, BarsAndButtonsWriteTheAnalogOutputsUpsideDown) {
  auto* dac3 = find<QScrollBar>("ScrollBarDAC3");
  auto* da = find<QScrollBar>("ScrollBarDA");
  ASSERT_EQ(dac3->maximum(), 63);
  ASSERT_EQ(da->maximum(), 255);
  // After the initialisation every output is 0: the bars stand at the bottom.
  EXPECT_EQ(dac3->value(), 63);
  EXPECT_EQ(text("ValDAC3"), "0");
  EXPECT_EQ(da->value(), 255);
  EXPECT_EQ(text("ValDA"), "0");

  dac3->setValue(13);
  EXPECT_EQ(rig.card.dacOutput(3), 50);
  EXPECT_EQ(text("ValDAC3"), "50");
  EXPECT_EQ(rig.card.dacOutput(2), 0);
  da->setValue(55);
  EXPECT_EQ(rig.card.daOutput(), 200);
  EXPECT_EQ(text("ValDA"), "200");

  click("ButtonSetOutput");  // "Sorties => 1"
  EXPECT_EQ(lit(), allChannels());
  for (int n = 1; n <= kDigitalChannels; ++n) {
    EXPECT_TRUE(checked("O" + std::to_string(n))) << n;
    EXPECT_TRUE(rig.card.drivenLow(n)) << n;
  }
  for (int n = 1; n <= kDacChannels; ++n) {
    EXPECT_EQ(find<QScrollBar>("ScrollBarDAC" + std::to_string(n))->value(), 0) << n;
    EXPECT_EQ(text("ValDAC" + std::to_string(n)), "63") << n;
    EXPECT_EQ(rig.card.dacOutput(n), 63) << n;
  }
  EXPECT_EQ(da->value(), 0);
  EXPECT_EQ(text("ValDA"), "255");
  EXPECT_EQ(rig.card.daOutput(), 255);

  click("ButtonClearOutput");  // "Sorties => 0"
  EXPECT_TRUE(lit().empty());
  EXPECT_TRUE(checked("O1"));
  EXPECT_EQ(dac3->value(), 63);
  EXPECT_EQ(text("ValDAC8"), "0");
  EXPECT_EQ(da->value(), 255);
  EXPECT_EQ(rig.card.daOutput(), 0);

  // "Lecture des entrées": every channel an input, channel 9 too, and the analog inputs read.
  rig.card.setAnalogInput(2, 128);
  rig.card.setPulledLow(12, true);
  EXPECT_EQ(find<QProgressBar>("GaugeAD2")->value(), 0);
  click("Button1");
  for (int n = 1; n <= kDigitalChannels; ++n) EXPECT_TRUE(checked("I" + std::to_string(n))) << n;
  EXPECT_EQ(lit(), std::vector<int>{12});
  EXPECT_EQ(find<QProgressBar>("GaugeAD2")->value(), 128);
  EXPECT_EQ(text("ValAD2"), "128");
  EXPECT_EQ(text("ValAD1"), "0");

  click("Button2");  // "Init": channel 9 the gun's output again
  EXPECT_TRUE(checked("O9"));
  EXPECT_TRUE(checked("I8"));
}

TEST_F(CardTestWindowTest, TheDosingLeavesTheDaOutputToTheOpenWindow) {
  rig.wall(2, 10, {{"0.00", 0}, {"20.00", 100}});
  rig.session.setRunning(true);
  rig.session.hoseFullButton();
  EXPECT_TRUE(rig.session.state().TestWindowOpen);  // shown: the window is open

  find<QScrollBar>("ScrollBarDA")->setValue(255 - 77);
  rig.paint(200, 0, 0);
  EXPECT_EQ(rig.card.daOutput(), 77);
  EXPECT_EQ(text("ValDA"), "77");

  window.hide();  // closed
  EXPECT_FALSE(rig.session.state().TestWindowOpen);
  rig.paint(200, 0, 0);
  EXPECT_NE(rig.card.daOutput(), 77);  // the mix setpoint again
  EXPECT_EQ(text("ValDA"), std::to_string(rig.card.daOutput()));

  // A return to the main window clears the flag; the window's activation sets it again.
  window.show();
  QWidget mainWindow;
  mainWindow.show();
  mainWindow.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
  rig.session.activateMainWindow();
  ASSERT_FALSE(rig.session.state().TestWindowOpen);
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_TRUE(rig.session.state().TestWindowOpen);
}

TEST_F(CardTestWindowTest, TheRunningLightStepsOncePerTickAndStopsAtOnce) {
  click("CBShowAcquisition");
  auto* test = find<QCheckBox>("CBtestOutput");
  ASSERT_TRUE(test->isVisible());

  test->click();
  EXPECT_TRUE(test->isChecked());
  EXPECT_TRUE(lit().empty());
  for (int n = 1; n <= kDigitalChannels; ++n) EXPECT_TRUE(checked("O" + std::to_string(n))) << n;
  for (int n = 1; n <= kDigitalChannels; ++n) {
    runningLightTick();
    EXPECT_EQ(lit(), std::vector<int>{n});
  }
  // Past the last channel the light turns back.
  runningLightTick();
  EXPECT_EQ(lit(), std::vector<int>{16});
  runningLightTick();
  EXPECT_EQ(lit(), std::vector<int>{15});

  test->click();  // every output off at once, and no step after
  EXPECT_TRUE(lit().empty());
  for (int n = 1; n <= kDigitalChannels; ++n) EXPECT_FALSE(rig.card.drivenLow(n)) << n;
  rig.clock.advanceTo(rig.clock.now() + 50);
  EXPECT_TRUE(lit().empty());

  // Closing the window stops a light left running.
  test->click();
  runningLightTick();
  ASSERT_EQ(lit(), std::vector<int>{1});
  window.hide();
  EXPECT_FALSE(test->isChecked());
  rig.clock.advanceTo(rig.clock.now() + 50);
  EXPECT_TRUE(lit().empty());
}

// In the whole program, where the port's access has a name and the chips answered at start.
TEST(CardTestWindowInProgram, TheAcquisitionPanelShowsTheLinkAndItsSettings) {
  testing::ProgramRig rig;
  CardTestWindow& window = rig.program.cardTestWindow();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const auto find = [&](const char* name) { return window.findChild<QWidget*>(QString::fromLatin1(name)); };
  const auto text = [&](const char* name) {
    return window.findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
  };
  const auto click = [&](const char* name) { window.findChild<QAbstractButton*>(QString::fromLatin1(name))->click(); };
  const char* chips[] = {"Probe70", "Probe72", "Probe40", "Probe90"};

  const char* hidden[] = {"GroupAcquisition", "CBActivCarte", "SpinEditCycle", "CBtestOutput", "PortAccess", "Probe70"};
  for (const char* name : hidden) {
    ASSERT_NE(find(name), nullptr) << name;
    EXPECT_FALSE(find(name)->isVisible()) << name;
  }
  const int height = window.height();

  click("CBShowAcquisition");
  for (const char* name : hidden) EXPECT_TRUE(find(name)->isVisible()) << name;
  EXPECT_GT(window.height(), height);
  const std::string summary = rig.session.portSummary(ParallelPortKind::Lpt1);
  ASSERT_FALSE(summary.empty());
  EXPECT_EQ(text("PortAccess"), summary);
  for (const char* chip : chips) EXPECT_EQ(text(chip), "répond") << chip;
  EXPECT_EQ(text("ProbeText"), "Carte K8000 : les 4 circuits répondent sur Lpt1");

  // Card switched off: "Init" sends nothing, so no chip has been asked.
  click("CBActivCarte");
  click("Button2");
  EXPECT_FALSE(rig.session.cardProbe()->cardEnabled);
  for (const char* chip : chips) EXPECT_EQ(text(chip), "non interrogé") << chip;
  EXPECT_EQ(text("ProbeText"), rig.session.cardProbe()->text());
  click("CBActivCarte");
  click("Button2");
  for (const char* chip : chips) EXPECT_EQ(text(chip), "répond") << chip;

  // The menu's Prn has no card behind it: the port's line follows the choice at once.
  rig.action("MIPrn")->trigger();
  EXPECT_EQ(text("PortAccess"), rig.session.portSummary(ParallelPortKind::Prn));

  // The cycle's interval: ten ticks a second at 100 ms.
  window.findChild<QSpinBox*>("SpinEditCycle")->setValue(100);
  int ticks = 0;
  Subscription counting = rig.session.ticked.subscribe([&] { ++ticks; });
  rig.run(1000);
  EXPECT_EQ(ticks, 10);

  click("CBShowAcquisition");
  for (const char* name : hidden) EXPECT_FALSE(find(name)->isVisible()) << name;
  EXPECT_EQ(window.height(), height);
}

// As the main window's menu opens it: modally, the flag held from its showing to its closing.
TEST(CardTestWindowInProgram, OpenedModallyItIsOpenFromItsShowingToItsClosing) {
  testing::ProgramRig rig;
  CardTestWindow& window = rig.program.cardTestWindow();
  bool openWhileShown = false;
  QTimer::singleShot(0, &window, [&] {
    openWhileShown = rig.session.state().TestWindowOpen;
    window.reject();  // Esc, or the close box
  });
  window.exec();
  EXPECT_TRUE(openWhileShown);
  EXPECT_FALSE(rig.session.state().TestWindowOpen);
}

}  // namespace
}  // namespace chromaflow
