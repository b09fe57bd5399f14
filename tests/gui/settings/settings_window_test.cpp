// The settings window on the whole program: its fields show the session's settings under their
// control names, the value panels ask through "Encodage valeur" and keep only what the rules
// accept, the spin fields reach the main window's labels, the unit choice greys the other
// views, the charts follow every change, the pointer switches the delay pictures, the file menu
// saves and reopens, and every closing redraws the main window.

#include "gui/settings/settings_window.h"

#include <gtest/gtest.h>

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QValueAxis>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/settings/thickness_units.h"
#include "gui/program_rig.h"
#include "gui/settings/delay_pictures.h"
#include "gui/widgets/clickable_panel.h"

namespace chromaflow::testing {
namespace {

using Points = std::vector<std::pair<double, double>>;

// The pointer moved over `widget`, no button held, as the desktop delivers it.
void movePointer(QWidget* widget, QPoint at) {
  QMouseEvent event(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

struct SettingsWindowTest : ::testing::Test {
  ProgramRig rig;
  SettingsWindow& window = rig.program.settingsWindow();
  const MachineSettings& settings = rig.session.settings().settings();

  void SetUp() override {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  template <typename Widget = QWidget>
  Widget* find(const char* name) {
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::string text(const char* panel) { return find<QLabel>(panel)->text().toStdString(); }
  QSpinBox* spin(const char* name) { return find<QSpinBox>(name); }
  void click(const char* name) {
    QWidget* widget = find(name);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
  }
  // The operator clicks a value panel and answers the entry dialog.
  void enter(const char* panel, std::optional<std::string> answer) {
    rig.asker.values.push_back(std::move(answer));
    click(panel);
  }
  void chooseUnit(const char* radio) { find<QRadioButton>(radio)->click(); }

  QChart* chart(const char* name) { return find<QChartView>(name)->chart(); }
  Points points(const char* chartName, const char* seriesName) {
    for (QAbstractSeries* series : chart(chartName)->series())
      if (series->name() == QString::fromUtf8(seriesName)) {
        Points shown;
        for (const QPointF& p : static_cast<QLineSeries*>(series)->points()) shown.emplace_back(p.x(), p.y());
        return shown;
      }
    ADD_FAILURE() << "no series " << seriesName << " on " << chartName;
    return {};
  }
  QValueAxis* axis(const char* chartName, Qt::Orientation orientation) {
    return static_cast<QValueAxis*>(chart(chartName)->axes(orientation).first());
  }

  bool grey(const char* panel) { return find(panel)->palette().color(QPalette::WindowText) == QColor(128, 128, 128); }
};

TEST_F(SettingsWindowTest, ShowsTheSettingsInSixTabs) {
  EXPECT_EQ(window.objectName(), "FSettings");
  EXPECT_EQ(window.windowTitle().toStdString(), "Propriétés - Noname1.sev");
  auto* tabs = find<QTabWidget>("PageControl1");
  std::vector<std::string> titles;
  for (int i = 0; i < tabs->count(); ++i) titles.push_back(tabs->tabText(i).toStdString());
  EXPECT_EQ(titles, (std::vector<std::string>{"Caractéristiques pompes", "Retard et filtre", "Epaisseur de peinture",
                                              "Rotation rouleau", "Linearisation", "Pistolet"}));
  EXPECT_EQ(tabs->currentIndex(), 0);

  // Opened from a file, then every setting taken away from its default and from the others, so
  // that a field wired to the wrong setting shows.
  rig.asker.openAnswers.push_back(std::string(CHROMAFLOW_EXAMPLES) + "/wall.sev");
  find<QAction>("MIOpen")->trigger();
  rig.session.enterSettingsSpin(SettingsSpin::SpinEditP1trl, "231");
  rig.session.enterSettingsSpin(SettingsSpin::SpinEditP2trl, "242");
  rig.session.enterSettingsSpin(SettingsSpin::SpinEditRoul, "120");
  rig.session.enterSettingsSpin(SettingsSpin::SpinEditPulseM2, "61");
  const std::pair<SettingsPanel, const char*> entries[] = {
      {SettingsPanel::EditRetard, "1.25"},   {SettingsPanel::EditFiltre, "1.75"}, {SettingsPanel::EditLitreM2, "0.16"},
      {SettingsPanel::EditMaxDebit, "0.36"}, {SettingsPanel::Zero, "4"},          {SettingsPanel::Gain, "88"},
      {SettingsPanel::MinCapteur, "2"},      {SettingsPanel::MaxCapteur, "190"},  {SettingsPanel::PConsigne, "95"},
      {SettingsPanel::PGain, "12"},          {SettingsPanel::PFreqMax, "25"}};
  for (const auto& [panel, typed] : entries) ASSERT_FALSE(rig.session.enterSettingsPanel(panel, typed).refused());

  EXPECT_EQ(spin("SpinEditP1trl")->value(), 231);
  EXPECT_EQ(spin("SpinEditP2trl")->value(), 242);
  EXPECT_EQ(spin("SpinEditRoul")->value(), 120);
  EXPECT_EQ(spin("SpinEditPulseM2")->value(), 61);
  const std::pair<const char*, const char*> shown[] = {
      {"EditRetard", "1.25"}, {"EditFiltre", "1.75"}, {"EditLitreM2", "0.16"},  {"EditM2Litre", "6.25"},
      {"EditMicron", "1.6"},  {"Debit", "0.16"},      {"EditMaxDebit", "0.36"}, {"Zero", "4.0"},
      {"Gain", "88.0"},       {"MinCapteur", "2.0"},  {"MaxCapteur", "190.0"},  {"PConsigne", "95.0"},
      {"PGain", "12.0"},      {"PFreqMax", "25.0"}};
  for (const auto& [panel, value] : shown) EXPECT_EQ(text(panel), value) << panel;
  EXPECT_EQ(window.windowTitle().toStdString(), "Propriétés - wall.sev");
}

TEST_F(SettingsWindowTest, ValuePanelsAskAndKeepOnlyWhatTheRulesAccept) {
  chooseUnit("RBM2Litre");
  enter("EditM2Litre", "7");
  // Entered through LitreM2: rounded to 0.14, then both views computed from that.
  EXPECT_EQ(settings.LitreM2, "0.14");
  EXPECT_EQ(text("EditM2Litre"), "7.14");
  EXPECT_EQ(text("EditMicron"), "1.4");
  ASSERT_EQ(rig.asker.valueQuestions.size(), 1u);
  EXPECT_EQ(rig.asker.valueQuestions[0],
            (std::pair<std::string, std::string>{"Epaisseur de peinture (m2/litre)", "7.14"}));

  chooseUnit("RBMicron");
  enter("EditMicron", "25");
  EXPECT_EQ(text("EditLitreM2"), "2.50");
  EXPECT_EQ(text("EditM2Litre"), "0.40");
  EXPECT_EQ(text("Debit"), "2.50");
  EXPECT_EQ(text("EditMaxDebit"), "5.00");  // raised to twice the thickness

  enter("EditRetard", "2,5,1");  // not a number: the setting stays, without a word
  EXPECT_EQ(text("EditRetard"), "1.00");
  enter("EditRetard", std::nullopt);  // "Annuler"
  EXPECT_EQ(text("EditRetard"), "1.00");
  enter("EditRetard", "2.5");
  EXPECT_EQ(text("EditRetard"), "2.50");
  EXPECT_EQ(settings.Retard, "2.50");

  enter("MaxCapteur", "401");  // refused
  EXPECT_EQ(text("MaxCapteur"), "200.0");
  enter("PConsigne", "300");  // taken to the sensor's top
  EXPECT_EQ(text("PConsigne"), "200.0");
  enter("Zero", "12");
  EXPECT_EQ(text("Zero"), "5.0");
  EXPECT_TRUE(rig.asker.errors.empty());
  EXPECT_TRUE(rig.asker.warnings.empty());
}

TEST_F(SettingsWindowTest, PresetSetsTheRecommendedRollerPulses) {
  spin("SpinEditPulseM2")->setValue(120);
  ASSERT_EQ(settings.PulseM2, 120);
  click("Preset");
  EXPECT_EQ(spin("SpinEditPulseM2")->value(), 50);  // (1 - 0.14 / 0.28) x 100
  EXPECT_EQ(rig.text("PulseM2"), "50");             // the main window's copy

  enter("EditLitreM2", "0.28");
  click("Preset");
  EXPECT_EQ(spin("SpinEditPulseM2")->value(), 1);  // 0, taken into 1..200
  EXPECT_EQ(rig.text("PulseM2"), "1");
}

TEST_F(SettingsWindowTest, SpinFieldsKeepTheirBoundsAndReachTheMainWindow) {
  // The roller's pulses stay within 1..200; the pumps' have no bound.
  for (const char* roller : {"SpinEditRoul", "SpinEditPulseM2"}) {
    EXPECT_EQ(spin(roller)->minimum(), 1) << roller;
    EXPECT_EQ(spin(roller)->maximum(), 200) << roller;
  }
  QSpinBox* roul = spin("SpinEditRoul");
  roul->selectAll();
  QTest::keyClicks(roul, "250");  // the last digit would pass 200: refused as typed
  EXPECT_EQ(settings.Roul, 25);
  EXPECT_EQ(roul->value(), 25);
  EXPECT_EQ(points("ChartRotRouleau", "Théorique"), (Points{{0, 25}, {0.28f, 0}}));
  EXPECT_EQ(rig.text("PulseM2"), "50");

  QSpinBox* p1 = spin("SpinEditP1trl");
  p1->selectAll();
  QTest::keyClicks(p1, "100000");
  EXPECT_EQ(settings.P1trl, 100000);
  EXPECT_EQ(rig.text("P1trl"), "100000");
  spin("SpinEditP2trl")->setValue(-3);  // no bound: the operator's own business
  EXPECT_EQ(settings.P2trl, -3);
  EXPECT_EQ(rig.text("P2trl"), "-3");

  // A change made elsewhere shows in the fields without coming back as an entry.
  rig.asker.saveChoices = {SaveChoice::DontSave};
  rig.session.newSettings();
  EXPECT_EQ(p1->value(), 220);
  EXPECT_EQ(roul->value(), 100);
}

TEST_F(SettingsWindowTest, TheChosenUnitAloneIsInTheWindowsTextColour) {
  // At first "litres/m2" is checked; the other views are grey but can still be clicked.
  EXPECT_TRUE(find<QRadioButton>("RBLitreM2")->isChecked());
  EXPECT_FALSE(grey("EditLitreM2"));
  EXPECT_TRUE(grey("EditM2Litre"));
  EXPECT_TRUE(grey("EditMicron"));
  for (const char* panel : {"EditLitreM2", "EditM2Litre", "EditMicron"}) EXPECT_TRUE(find(panel)->isEnabled()) << panel;
  enter("EditMicron", "2");
  EXPECT_EQ(text("EditLitreM2"), "0.20");

  chooseUnit("RBM2Litre");
  EXPECT_TRUE(grey("EditLitreM2"));
  EXPECT_FALSE(grey("EditM2Litre"));
  EXPECT_TRUE(grey("EditMicron"));
  EXPECT_FALSE(find("EditLitreM2")->isEnabled());
  EXPECT_TRUE(find("EditM2Litre")->isEnabled());
  EXPECT_FALSE(find("EditMicron")->isEnabled());
  enter("EditMicron", "3");  // disabled now: nothing asked
  EXPECT_EQ(rig.asker.valueQuestions.size(), 1u);
  EXPECT_EQ(text("EditLitreM2"), "0.20");
}

TEST_F(SettingsWindowTest, ChartsFollowEveryChangeAlsoWhileClosed) {
  EXPECT_EQ(points("ChartRotRouleau", "Théorique"), (Points{{0, 100}, {0.28f, 0}}));
  EXPECT_EQ(points("ChartRotRouleau", "Pratique"), (Points{{0, 50}, {0.14f, 50}, {0.14f, 0}}));
  EXPECT_EQ(points("ChartSortieAnalog", "Sortie analogique"), (Points{{0, 0}, {0, 5}, {100, 95}, {100, 100}}));
  EXPECT_DOUBLE_EQ(axis("ChartRotRouleau", Qt::Horizontal)->max(), 0.28f);
  EXPECT_DOUBLE_EQ(axis("ChartRotRouleau", Qt::Vertical)->max(), 100);
  EXPECT_EQ(axis("ChartSortieAnalog", Qt::Horizontal)->titleText().toStdString(), "Proportion (%)");
  EXPECT_EQ(axis("ChartSortieAnalog", Qt::Vertical)->titleText().toStdString(), "Sortie analogique (%)");

  enter("Zero", "-10");
  EXPECT_EQ(points("ChartSortieAnalog", "Sortie analogique"), (Points{{0, 0}, {0, -10}, {100, 80}, {100, 100}}));
  enter("EditMaxDebit", "0.12");  // below the thickness: raised to twice it
  EXPECT_EQ(text("EditMaxDebit"), "0.28");
  enter("EditMaxDebit", "0.2");
  const float working = (1 - 0.14f / 0.2f) * 100;
  EXPECT_EQ(points("ChartRotRouleau", "Théorique"), (Points{{0, 100}, {0.2f, 0}}));
  EXPECT_EQ(points("ChartRotRouleau", "Pratique"), (Points{{0, working}, {0.14f, working}, {0.14f, 0}}));
  EXPECT_DOUBLE_EQ(axis("ChartRotRouleau", Qt::Horizontal)->max(), 0.2f);

  // Closed, the settings opened from a file, shown again: the charts show the file's.
  window.close();
  rig.asker.saveChoices = {SaveChoice::DontSave};
  rig.asker.openAnswers.push_back(std::string(CHROMAFLOW_EXAMPLES) + "/wall.sev");
  rig.session.openSettings(true);
  window.show();
  EXPECT_EQ(points("ChartRotRouleau", "Pratique"), (Points{{0, 50}, {0.14f, 50}, {0.14f, 0}}));
  EXPECT_EQ(points("ChartSortieAnalog", "Sortie analogique"), (Points{{0, 0}, {0, 5}, {100, 95}, {100, 100}}));
  EXPECT_DOUBLE_EQ(axis("ChartRotRouleau", Qt::Horizontal)->max(), 0.28f);
}

TEST_F(SettingsWindowTest, ThePointerShowsThePictureOfTheSettingUnderIt) {
  find<QTabWidget>("PageControl1")->setCurrentIndex(1);
  QWidget* page = find("TabRetardFiltre");
  const auto overlays = [this] {
    return std::pair{find("ImageRetard")->isVisibleTo(&window), find("ImageFiltre")->isVisibleTo(&window)};
  };
  EXPECT_TRUE(find("ImageRetardFiltre")->isVisibleTo(&window));
  EXPECT_EQ(overlays(), (std::pair{false, false}));
  movePointer(find("EditRetard"), QPoint(4, 4));
  EXPECT_EQ(overlays(), (std::pair{true, false}));
  movePointer(find("EditFiltre"), QPoint(4, 4));
  EXPECT_EQ(overlays(), (std::pair{false, true}));
  movePointer(find("LabelRetard"), QPoint(4, 4));  // a label is the tab's background
  EXPECT_EQ(overlays(), (std::pair{false, false}));
  movePointer(find("EditRetard"), QPoint(4, 4));
  movePointer(page, QPoint(page->width() - 3, page->height() - 3));
  EXPECT_EQ(overlays(), (std::pair{false, false}));
}

TEST_F(SettingsWindowTest, TheFileMenuSavesAndReopensThroughTheAsker) {
  const std::string file = rig.path("machine.sev");
  enter("EditRetard", "2.5");
  rig.asker.saveAnswers.push_back(file);
  find<QAction>("MISave")->trigger();  // the name begins with "Noname": asked
  ASSERT_EQ(rig.asker.saveAsked.size(), 1u);
  EXPECT_EQ(window.windowTitle().toStdString(), "Propriétés - machine.sev");

  enter("EditRetard", "3");
  find<QAction>("MISave")->trigger();  // a name of its own now: written without asking
  EXPECT_EQ(rig.asker.saveAsked.size(), 1u);

  find<QAction>("MINew")->trigger();
  EXPECT_EQ(text("EditRetard"), "1.00");
  EXPECT_EQ(window.windowTitle().toStdString(), "Propriétés - Noname.sev");

  rig.asker.openAnswers.push_back(file);
  find<QAction>("MIOpen")->trigger();
  EXPECT_EQ(text("EditRetard"), "3.00");
  EXPECT_EQ(window.windowTitle().toStdString(), "Propriétés - machine.sev");

  rig.asker.saveAnswers.push_back(std::nullopt);  // "Enregistrer sous..." cancelled
  find<QAction>("MISaveAs")->trigger();
  EXPECT_EQ(rig.asker.saveAsked.size(), 2u);
  EXPECT_EQ(window.windowTitle().toStdString(), "Propriétés - machine.sev");
  EXPECT_TRUE(rig.asker.errors.empty());
}

TEST_F(SettingsWindowTest, EachOpeningRefreshesTheViews) {
  window.hide();
  QApplication::processEvents();
  int refreshes = 0;
  const Subscription counting = rig.session.changed.subscribe([&](Change change) {
    if (change.has(Changed::Settings)) ++refreshes;
  });
  window.show();
  EXPECT_EQ(refreshes, 1);
}

TEST_F(SettingsWindowTest, EveryClosingRedrawsTheMainWindow) {
  int redraws = 0;
  const Subscription counting = rig.session.changed.subscribe([&](Change change) {
    if (change.has(Changed::ProportionViews)) ++redraws;
  });
  click("OKBtn");
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(redraws, 1);

  window.show();
  find<QAction>("MIQuit")->trigger();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(redraws, 2);

  window.show();
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(redraws, 3);
}

// The delay and filter pictures are the base picture with an arrow under the curve: the delay's
// from the path's start to the rise, the filter's across the rise.
TEST(DelayPictures, ArrowsSpanTheDelayAndTheRise) {
  const QImage base = drawDelayPicture(DelayPicture::Base);
  EXPECT_EQ(base.size(), QSize(120, 57));
  EXPECT_EQ(drawDelayPicture(DelayPicture::Base, 2).size(), QSize(240, 114));
  // Old paint above the flat start, new paint under the risen curve.
  const QColor start = base.pixelColor(20, 20), risen = base.pixelColor(110, 35);
  EXPECT_GT(start.green(), start.red());
  EXPECT_GT(risen.red(), risen.green());

  const auto arrowSpan = [&base](DelayPicture which) {
    const QImage picture = drawDelayPicture(which);
    int first = -1, last = -1;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        if (picture.pixel(x, y) != base.pixel(x, y)) {
          EXPECT_GT(y, 39) << "the arrow stays under the curve";
          if (first < 0 || x < first) first = x;
          last = std::max(last, x);
        }
    return std::pair{first, last};
  };
  const auto [delayFrom, delayTo] = arrowSpan(DelayPicture::Delay);
  const auto [filterFrom, filterTo] = arrowSpan(DelayPicture::Filter);
  EXPECT_LE(delayFrom, 6);
  EXPECT_NEAR(delayTo, filterFrom, 2);  // the rise starts where the delay ends
  EXPECT_GT(filterTo - filterFrom, 20);
  EXPECT_LT(filterTo, 80);
}

}  // namespace
}  // namespace chromaflow::testing
