// The job report beside the main window: opened from the menu without a modal loop (painting goes
// on, the card is not initialised again), its grid and chart following the job record while the
// simulated machine paints the example, the alarms of a stopped pump listed and marked, and the
// exports asking their file names.

#include "gui/report/job_report_window.h"

#include <gtest/gtest.h>

#include <QChartView>
#include <QFileInfo>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QValueAxis>
#include <QTableWidget>

#include <cmath>
#include <string>

#include "core/common/text_file.h"
#include "core/control/job_record_csv.h"
#include "gui/program_rig.h"
#include "sim/harness/attached_machine.h"

namespace chromaflow::testing {
namespace {

struct JobReportTest : ::testing::Test {
  ProgramRig rig;
  JobReportWindow& report = rig.program.jobReport();
  const JobRecord& record = rig.session.jobRecord();

  template <typename Widget>
  Widget* in(const char* name) {
    auto* widget = report.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QTableWidget& surfaces() { return *in<QTableWidget>("GridSurfaces"); }
  QTableWidget& alarms() { return *in<QTableWidget>("GridAlarmes"); }
  QString cell(QTableWidget& grid, int row, int column) {
    QTableWidgetItem* item = grid.item(row, column);
    return item ? item->text() : QString();
  }
  template <typename Series>
  Series* series(const QString& name) {
    for (QAbstractSeries* s : in<QChartView>("ChartRapport")->chart()->series())
      if (s->name() == name) return qobject_cast<Series*>(s);
    ADD_FAILURE() << name.toStdString();
    return nullptr;
  }

  void startPainting() {
    rig.openExample();
    rig.find<QRadioButton>("RBStart")->click();
    QTest::mouseClick(rig.find<QPushButton>("BPistolet"), Qt::LeftButton);
  }
  // Paints the whole path, then stops: the record no longer moves, the window has caught up.
  void paintTheWall() {
    const auto atEnd = [this] { return rig.program.machine() && rig.program.machine()->atPathEnd(); };
    for (int i = 0; i < 60 && !atEnd(); ++i) rig.run(2'000);
    ASSERT_TRUE(atEnd());
    rig.find<QRadioButton>("RBStop")->click();
    rig.run(JobReportWindow::kRefreshMilliseconds * 2);
  }
  const sim::PaintMachine* machine() { return rig.program.machine() ? rig.program.machine()->machine() : nullptr; }
};

QString twoDecimals(double value) { return QString::number(value, 'f', 2); }

TEST_F(JobReportTest, TheMenuOpensItBesideTheMainWindowWhilePaintingGoesOn) {
  startPainting();
  rig.run(1'000);
  ASSERT_FALSE(rig.session.state().FirstCycle);
  const std::string pumpPulses = rig.text("TrP1");

  QAction* entry = rig.action("MIRapport");
  EXPECT_EQ(entry->text().toStdString(), "Rapport de chantier");
  EXPECT_EQ(entry->statusTip().toStdString(), "Ce qui a été posé, surface par surface");
  entry->trigger();  // returns at once: no modal loop
  EXPECT_TRUE(report.isVisible());
  EXPECT_FALSE(report.isModal());
  EXPECT_EQ(report.objectName().toStdString(), "FRapportChantier");
  EXPECT_EQ(report.windowTitle().toStdString(), "Rapport de chantier");
  // Neither opening it nor coming back to the main window initialises the card again.
  EXPECT_FALSE(rig.session.state().FirstCycle);
  QTest::mouseClick(in<QPushButton>("ButFermer"), Qt::LeftButton);
  EXPECT_FALSE(report.isVisible());
  rig.window.activateWindow();
  QApplication::processEvents();
  EXPECT_FALSE(rig.session.state().FirstCycle);
  rig.run(4'000);
  EXPECT_NE(rig.text("TrP1"), pumpPulses);
}

TEST_F(JobReportTest, PaintingTheExampleFillsTheGridAndTheChartWithTheRecord) {
  rig.action("MIRapport")->trigger();
  startPainting();
  paintTheWall();

  const auto& recorded = record.surfaces();
  ASSERT_EQ(recorded.size(), 4u);
  QTableWidget& grid = surfaces();
  ASSERT_EQ(grid.rowCount(), 6);  // the four surfaces, the hose's leftover, the total
  for (int row = 0; row < 4; ++row) {
    const RecordedStretch& s = recorded[static_cast<std::size_t>(row)];
    EXPECT_EQ(cell(grid, row, 0), QString::number(row + 1));
    EXPECT_EQ(cell(grid, row, 1), twoDecimals(s.from) + " - " + twoDecimals(s.to));
    EXPECT_EQ(cell(grid, row, 3), twoDecimals(s.areaPainted));
    EXPECT_EQ(cell(grid, row, 4), twoDecimals(s.askedP1));
    EXPECT_EQ(cell(grid, row, 7), twoDecimals(s.deliveredP2));
    // Proportions as the plan writes them: P2's share.
    EXPECT_NEAR(cell(grid, row, 9).toDouble(), s.laidProportion(), 0.051);
  }
  // Surface 3 asks P2 alone at its end: its proportion asked lies between 30 and 100 %.
  EXPECT_GT(cell(grid, 2, 8).toDouble(), 30);
  EXPECT_EQ(cell(grid, 4, 0), "Reste dans le tuyau");
  EXPECT_EQ(cell(grid, 4, 5), twoDecimals(record.beyondEnd().deliveredP1));
  EXPECT_GT(record.beyondEnd().deliveredP1 + record.beyondEnd().deliveredP2, 0.9);
  EXPECT_EQ(cell(grid, 5, 3), twoDecimals(record.totals().areaPainted));
  EXPECT_EQ(cell(grid, 5, 6), twoDecimals(record.totals().askedP2));

  // The chart follows the profile: the asked line one point per bin pumped for, the plan's
  // proportion there; the laid line, bins joined to hold enough pulses, as asked on a healthy run.
  auto* asked = series<QLineSeries>("Demandée");
  auto* laid = series<QLineSeries>("Posée");
  ASSERT_TRUE(asked && laid);
  qsizetype pumped = 0;
  for (const RecordedStretch& bin : record.profile()) pumped += bin.askedProportion() >= 0 ? 1 : 0;
  EXPECT_EQ(asked->count(), pumped);
  EXPECT_GT(pumped, JobRecord::kProfileBins * 9 / 10);
  EXPECT_GT(laid->count(), 20);
  const PathModel& path = rig.session.path();
  auto nearSurfaceEnd = [&](double x, double within) {
    for (const RecordedStretch& s : recorded)
      if (std::abs(x - s.to) < within) return true;
    return false;
  };
  auto plan = [&](const QPointF& p) { return path.ProportionAtDistance(static_cast<float>(p.x())); };
  for (const QPointF& p : asked->points())
    if (!nearSurfaceEnd(p.x(), 0.05)) {
      EXPECT_NEAR(p.y(), plan(p), 1.0) << p.x();
    }
  for (const QPointF& p : laid->points())
    if (!nearSurfaceEnd(p.x(), 0.5)) {
      EXPECT_NEAR(p.y(), plan(p), 6.0) << p.x();
    }
}

TEST_F(JobReportTest, HiddenItFallsBehindAndCatchesUpWhenShown) {
  startPainting();
  rig.run(20'000);
  EXPECT_EQ(cell(surfaces(), 0, 5), QString());  // never shown: never filled
  report.show();
  EXPECT_EQ(cell(surfaces(), 0, 5), twoDecimals(record.surfaces()[0].deliveredP1));
  report.hide();
  rig.run(10'000);
  const QString behind = cell(surfaces(), 0, 5);
  EXPECT_NE(behind, twoDecimals(record.surfaces()[0].deliveredP1));
  report.show();
  EXPECT_EQ(cell(surfaces(), 0, 5), twoDecimals(record.surfaces()[0].deliveredP1));
}

TEST_F(JobReportTest, AStoppedPumpIsListedAndMarkedWhereItWasRaised) {
  report.show();
  startPainting();
  // P2 never turns, the roller and P1 going on: once the plan asks P2's paint, its alarm stands.
  ASSERT_NE(rig.program.machine(), nullptr);
  rig.program.machine()->setConfig({.faults = {{sim::MachineFault::Target::P2, 0.0, 0}}});
  paintTheWall();

  const auto& raised = record.alarms();
  ASSERT_FALSE(raised.empty());
  ASSERT_EQ(alarms().rowCount(), static_cast<int>(raised.size()));
  bool stopListed = false;
  for (int row = 0; row < alarms().rowCount(); ++row) {
    const RecordedAlarm& a = raised[static_cast<std::size_t>(row)];
    EXPECT_EQ(cell(alarms(), row, 0).toStdString(), alarmCaption(a.alarm));
    EXPECT_EQ(cell(alarms(), row, 2), twoDecimals(a.startDistance));
    EXPECT_EQ(cell(alarms(), row, 4), QString::number(a.raisings));
    stopListed |= a.alarm == Alarm::P2Stop;
  }
  EXPECT_TRUE(stopListed);

  auto* stops = series<QScatterSeries>("P2 arrêtée");
  ASSERT_NE(stops, nullptr);
  EXPECT_TRUE(stops->isVisible());
  bool marked = false;
  for (const RecordedAlarm& a : raised)
    if (a.alarm == Alarm::P2Stop)
      for (const QPointF& p : stops->points()) marked |= p.x() == static_cast<double>(a.startDistance);
  EXPECT_TRUE(marked);
  EXPECT_FALSE(series<QScatterSeries>("P1 arrêtée")->isVisible());  // never raised: not in the legend
  // Turned as the main window's chart and the job sheet are: 0 % at the bottom, 100 % above it,
  // the alarms' marks above that.
  const QList<QAbstractAxis*> vertical = in<QChartView>("ChartRapport")->chart()->axes(Qt::Vertical);
  ASSERT_EQ(vertical.size(), 1);
  auto* proportion = qobject_cast<QValueAxis*>(vertical[0]);
  ASSERT_NE(proportion, nullptr);
  EXPECT_FALSE(proportion->isReverse());
  EXPECT_EQ(proportion->min(), 0);
  for (const QPointF& p : stops->points()) EXPECT_GT(p.y(), 100);

  // "->|<-" starts another record: the list empties.
  QTest::mouseClick(rig.find<QPushButton>("ButRemplissage_Full"), Qt::LeftButton);
  rig.run(JobReportWindow::kRefreshMilliseconds * 2);
  EXPECT_EQ(alarms().rowCount(), static_cast<int>(record.alarms().size()));
}

TEST_F(JobReportTest, TheHeadlineJudgesTheProportionAtTheToleranceSetBesideIt) {
  report.show();
  auto* headline = in<QLabel>("LVerdict");
  auto* tolerance = in<QSpinBox>("SpinTolerance");
  ASSERT_TRUE(headline && tolerance);
  EXPECT_EQ(headline->text().toStdString(), "Rien n'a été peint : pas de proportion à juger.");
  EXPECT_EQ(tolerance->value(), 2);

  // P2 gives a fifth less than asked, the correction off: 4 to 6 points too little P2 wherever
  // the plan mixes the two pumps.
  rig.session.enterCorrectionParameter(CorrectionParameter::PCorrectMaxPct, "0");
  startPainting();
  rig.program.machine()->setConfig({.faults = {{sim::MachineFault::Target::P2, 0.8, 0}}});
  paintTheWall();
  const std::string off = headline->text().toStdString();
  EXPECT_EQ(off.rfind("Proportion hors tolérance (±2 points) sur ", 0), 0u) << off;
  EXPECT_EQ(off, verdictText(rig.session.jobVerdict()));
  // The indicators stand apart, under their own heading.
  EXPECT_EQ(in<QLabel>("LAlarmes")->text().toStdString().rfind("Indicateurs de la correction (seuils fins) : ", 0), 0u);

  // A wider tolerance judges again at once, for the job sheet too.
  tolerance->setValue(8);
  const std::string within = headline->text().toStdString();
  EXPECT_EQ(within.rfind("Proportion tenue à ±8 points sur ", 0), 0u) << within;
  EXPECT_EQ(rig.session.verdictTolerance(), 8);
  EXPECT_EQ(within, verdictText(rig.session.jobVerdict()));
  tolerance->setValue(2);
  EXPECT_EQ(headline->text().toStdString(), off);
}

TEST_F(JobReportTest, TheExportsWriteWhereTheOperatorSaidAndShowWhatFailed) {
  startPainting();
  rig.run(20'000);
  report.show();

  const std::string csv = rig.path("job.csv");
  rig.asker.saveAnswers.push_back(csv);
  QTest::mouseClick(in<QPushButton>("ButExportCsv"), Qt::LeftButton);
  ASSERT_EQ(rig.asker.saveAsked.size(), 1u);
  EXPECT_EQ(rig.asker.saveAsked[0].first, DocumentKind::RecordCsv);
  EXPECT_EQ(rig.asker.saveAsked[0].second.substr(rig.asker.saveAsked[0].second.size() - 8), "wall.csv");
  EXPECT_EQ(readTextFile(csv).lines, jobRecordCsvLines(record));

  // "Annuler" writes nothing.
  QTest::mouseClick(in<QPushButton>("ButExportCsv"), Qt::LeftButton);
  EXPECT_EQ(rig.asker.saveAsked.size(), 2u);
  EXPECT_EQ(QDir(rig.folder.path()).entryList(QDir::Files).size(), 1);
  EXPECT_TRUE(rig.asker.errors.empty());

  // A file that cannot be written, CSV or PDF: the error is shown, nothing is left.
  rig.asker.saveAnswers.push_back(rig.path("absent/job.csv"));
  QTest::mouseClick(in<QPushButton>("ButExportCsv"), Qt::LeftButton);
  rig.asker.saveAnswers.push_back(rig.path("absent/job.pdf"));
  QTest::mouseClick(in<QPushButton>("ButExportPdf"), Qt::LeftButton);
  ASSERT_EQ(rig.asker.saveAsked.size(), 4u);
  EXPECT_EQ(rig.asker.saveAsked[3].first, DocumentKind::JobSheet);
  ASSERT_EQ(rig.asker.errors.size(), 2u);
  EXPECT_NE(rig.asker.errors[1].find("job.pdf"), std::string::npos);
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(rig.path("absent/job.pdf"))));
}

}  // namespace
}  // namespace chromaflow::testing

