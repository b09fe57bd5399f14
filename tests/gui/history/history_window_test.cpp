// The history window: the kept jobs listed from the reader and sorted by their figures, the
// search and the date sent to the reader, a job opened in its report (verdict, grids, exports),
// two jobs compared on one chart; and the whole chain against a real history file.

#include "gui/history/history_window.h"

#include <gtest/gtest.h>

#include <QChartView>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>

#include <functional>
#include <memory>

#include "core/common/text_file.h"
#include "core/control/job_record_csv.h"
#include "gui/history/history_list_model.h"
#include "gui/history/job_comparison_window.h"
#include "gui/program_rig.h"
#include "gui/report/job_report_window.h"
#include "history/history_reader.h"
#include "history/history_test_jobs.h"
#include "history/sqlite_job_store.h"
#include "sim/harness/simulation.h"

namespace chromaflow::testing {
namespace {


// A reader whose answers the case gives when it wants, as the reader's thread would.
struct FakeReading : HistoryReading {
  struct ListAsked {
    std::optional<std::int64_t> sinceMs;
    std::string search;
    std::function<void(Listed)> done;
  };
  std::vector<ListAsked> lists;
  std::vector<std::pair<std::int64_t, std::function<void(Loaded)>>> loads;

  void list(std::optional<std::int64_t> sinceMs, std::string search, std::function<void(Listed)> done) override {
    lists.push_back({sinceMs, std::move(search), std::move(done)});
  }
  void load(std::int64_t id, std::function<void(Loaded)> done) override { loads.emplace_back(id, std::move(done)); }
};

const JobRecord& record() {
  static const JobRecord kept = paintedRecord(25);
  return kept;
}

StoredJob job(std::int64_t id, const std::string& project, double area, std::int64_t startedMs) {
  StoredJob kept = sampleJob(project, startedMs, record());
  kept.id = id;
  kept.figures.areaPainted = area;
  kept.status = JobStatus::Finished;
  return kept;
}

std::vector<JobSummary> summaries(const std::vector<StoredJob>& jobs) {
  std::vector<JobSummary> listed;
  for (const StoredJob& kept : jobs) listed.push_back(summaryOf(kept));
  return listed;
}

struct HistoryWindowTest : ::testing::Test {
  ProgramRig rig;
  FakeReading reading;
  std::unique_ptr<HistoryWindow> window = std::make_unique<HistoryWindow>(&reading, rig.session, rig.clock);
  std::vector<StoredJob> jobs = {job(1, "Quai", 100, kMay2024 + 3 * 3600'000),
                                 job(2, "Hall", 9.5, kMay2024 + 2 * 3600'000),
                                 job(3, "Gare", 10.25, kMay2024 + 3600'000)};

  template <typename Widget>
  Widget* in(QWidget& parent, const char* name) {
    auto* widget = parent.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QTableView& grid() { return *in<QTableView>(*window, "GridHistorique"); }
  QString cell(int row, int column) { return grid().model()->index(row, column).data().toString(); }
  // The window shown, its list asked and answered with the jobs.
  void showListed() {
    window->resize(1100, 500);
    window->show();
    ASSERT_EQ(reading.lists.size(), 1u) << "read once shown";
    reading.lists.back().done({summaries(jobs), {}, "/home/peintre/history.sqlite"});
    QApplication::processEvents();
  }
  void answerLoad(std::size_t index) {
    const std::int64_t id = reading.loads.at(index).first;
    for (const StoredJob& kept : jobs)
      if (kept.id == id) reading.loads[index].second({kept, {}});
    QApplication::processEvents();
  }
};

TEST_F(HistoryWindowTest, ListsTheJobsSortsThemByTheirFiguresAndSendsTheSearchAndTheDate) {
  showListed();
  EXPECT_EQ(window->windowTitle(), "Historique des chantiers");
  EXPECT_EQ(in<QLabel>(*window, "LEtatHistorique")->text(), "3 chantiers — /home/peintre/history.sqlite");
  ASSERT_EQ(grid().model()->rowCount(), 3);
  EXPECT_EQ(cell(0, HistoryListModel::ColProject), "Quai") << "newest first";
  EXPECT_EQ(grid().model()->headerData(HistoryListModel::ColArea, Qt::Horizontal).toString(), "m²");

  grid().sortByColumn(HistoryListModel::ColArea, Qt::AscendingOrder);
  EXPECT_EQ(cell(0, HistoryListModel::ColArea), "9.5");
  EXPECT_EQ(cell(1, HistoryListModel::ColArea), "10.3");
  EXPECT_EQ(cell(2, HistoryListModel::ColArea), "100.0");
  EXPECT_EQ(grid().model()->index(0, HistoryListModel::ColArea).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
            Qt::AlignRight);
  grid().sortByColumn(HistoryListModel::ColDate, Qt::AscendingOrder);
  EXPECT_EQ(cell(0, HistoryListModel::ColProject), "Gare");

  // Typed quickly: one list asked, once the operator pauses.
  QTest::keyClicks(in<QLineEdit>(*window, "EditRecherche"), "hall");
  EXPECT_EQ(reading.lists.size(), 1u);
  rig.run(HistoryWindow::kSearchPauseMilliseconds + 20);
  ASSERT_EQ(reading.lists.size(), 2u);
  EXPECT_EQ(reading.lists[1].search, "hall");
  EXPECT_FALSE(reading.lists[1].sinceMs);
  in<QCheckBox>(*window, "CheckDepuis")->click();
  ASSERT_EQ(reading.lists.size(), 3u);
  EXPECT_TRUE(reading.lists[2].sinceMs);

  // An older answer coming late is not shown over the newer one; one coming after the window
  // is gone is dropped.
  reading.lists[2].done({summaries({jobs[1]}), {}, "/home/peintre/history.sqlite"});
  reading.lists[1].done({summaries(jobs), {}, "/home/peintre/history.sqlite"});
  QApplication::processEvents();
  EXPECT_EQ(grid().model()->rowCount(), 1);
  in<QPushButton>(*window, "ButActualiser")->click();
  window.reset();
  reading.lists.back().done({summaries(jobs), "Historique partagé injoignable", "x"});
  QApplication::processEvents();
}

TEST_F(HistoryWindowTest, OpenedAgainItListsTheJobsKeptWhileItWasClosed) {
  showListed();
  window->close();
  // A job ended while the window is closed ("Terminer le chantier").
  jobs.insert(jobs.begin(), job(4, "Préau", 55, kMay2024 + 4 * 3600'000));
  window->show();
  ASSERT_EQ(reading.lists.size(), 2u) << "read again as it opens";
  reading.lists.back().done({summaries(jobs), {}, "/home/peintre/history.sqlite"});
  QApplication::processEvents();
  ASSERT_EQ(grid().model()->rowCount(), 4);
  EXPECT_EQ(cell(0, HistoryListModel::ColProject), "Préau");
  EXPECT_EQ(in<QLabel>(*window, "LEtatHistorique")->text(), "4 chantiers — /home/peintre/history.sqlite");
}

TEST_F(HistoryWindowTest, AnOpenedJobShowsItsVerdictAndItsRecordAndExportsThem) {
  showListed();
  QTableView& view = grid();
  const QRect row = view.visualRect(view.model()->index(1, HistoryListModel::ColProject));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, row.center());
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, row.center());
  ASSERT_EQ(reading.loads.size(), 1u);
  EXPECT_EQ(reading.loads[0].first, 2) << "Hall, the second row";
  answerLoad(0);

  JobReportWindow& report = window->reportWindow();
  ASSERT_TRUE(report.isVisible());
  EXPECT_TRUE(report.windowTitle().contains("Hall, atelier-1")) << report.windowTitle().toStdString();
  const JobVerdict verdict = judgeJob(record(), rig.session.verdictTolerance());
  EXPECT_EQ(in<QLabel>(report, "LVerdict")->text().toStdString(), verdictText(verdict));
  EXPECT_EQ(in<QTableWidget>(report, "GridSurfaces")->rowCount(), static_cast<int>(record().surfaces().size()) + 2);

  // The kept job is judged at the window's own tolerance; the job on the machine keeps its own.
  const double sessionTolerance = rig.session.verdictTolerance();
  in<QSpinBox>(report, "SpinTolerance")->setValue(9);
  EXPECT_EQ(in<QLabel>(report, "LVerdict")->text().toStdString(), verdictText(judgeJob(record(), 9)));
  EXPECT_EQ(rig.session.verdictTolerance(), sessionTolerance);

  const std::string csv = rig.path("hall.csv"), pdf = rig.path("hall.pdf");
  rig.asker.saveAnswers = {csv, pdf};
  in<QPushButton>(report, "ButExportCsv")->click();
  in<QPushButton>(report, "ButExportPdf")->click();
  ASSERT_EQ(rig.asker.saveAsked.size(), 2u);
  EXPECT_EQ(rig.asker.saveAsked[0].second.rfind("Hall 2024-05-01", 0), 0u) << rig.asker.saveAsked[0].second;
  EXPECT_EQ(readTextFile(csv).lines, jobRecordCsvLines(record()));
  QFile sheet(QString::fromStdString(pdf));
  ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
  EXPECT_TRUE(sheet.readAll().startsWith("%PDF"));
  EXPECT_TRUE(rig.asker.errors.empty());
}

TEST_F(HistoryWindowTest, TwoJobsComparedLayTheirProportionsOnOneChart) {
  showListed();
  EXPECT_FALSE(in<QPushButton>(*window, "ButComparer")->isEnabled());
  QTableView& view = grid();
  view.selectRow(0);
  view.selectionModel()->select(view.model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  ASSERT_TRUE(in<QPushButton>(*window, "ButComparer")->isEnabled());
  in<QPushButton>(*window, "ButComparer")->click();
  ASSERT_EQ(reading.loads.size(), 2u);
  answerLoad(1);
  EXPECT_FALSE(window->comparisonWindow().isVisible()) << "waits for both";
  answerLoad(0);
  ASSERT_TRUE(window->comparisonWindow().isVisible());

  QStringList laid;
  int dashed = 0;
  for (QAbstractSeries* series : in<QChartView>(window->comparisonWindow(), "ChartComparaison")->chart()->series()) {
    auto* line = qobject_cast<QLineSeries*>(series);
    ASSERT_NE(line, nullptr);
    EXPECT_GE(line->count(), 10) << series->name().toStdString();
    if (line->pen().style() == Qt::DashLine) ++dashed;
    if (series->name().endsWith("(posée)")) laid << series->name();
  }
  EXPECT_EQ(laid, (QStringList{"Gare — " + QDateTime::fromMSecsSinceEpoch(jobs[2].startedMs).toString("dd/MM/yyyy HH:mm") +
                                   " (posée)",
                               "Quai — " + QDateTime::fromMSecsSinceEpoch(jobs[0].startedMs).toString("dd/MM/yyyy HH:mm") +
                                   " (posée)"}))
      << "the older first";
  EXPECT_EQ(dashed, 2) << "the proportion each asked";
}

TEST(JobComparison, AShortLastStretchIsLaidWithTheOneBeforeIt) {
  // Along the example's path, each bin of the profile laid half P1 half P2, 40 pulses; of the
  // last three, the first got only the pumps' last two pulses, both P2's, and nothing after them.
  sim::Simulation simulation;
  simulation.openProject(std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv");
  const PathModel& path = simulation.session().path();
  JobTick tick{.pulsesPerLitreP1 = 220, .pulsesPerLitreP2 = 220};
  StoredJob kept = job(1, "Quai", 10, kMay2024);
  kept.record.restart(path, tick);
  const std::vector<RecordedStretch> bins = kept.record.profile();
  ASSERT_EQ(bins.size(), static_cast<std::size_t>(JobRecord::kProfileBins));
  for (const RecordedStretch& bin : bins) {
    tick.milliseconds += 100;
    tick.distance = tick.anticipatedDistance = (bin.from + bin.to) / 2;
    const std::size_t left = static_cast<std::size_t>(&bins.back() - &bin);
    tick.pulsesP1 += left < 3 ? 0 : 20;
    tick.pulsesP2 += left < 3 ? (left == 2 ? 2 : 0) : 20;
    kept.record.record(tick, path);
  }
  ASSERT_EQ(kept.record.profile()[bins.size() - 3].pulsesP2, 2);

  JobComparisonWindow window;
  window.compare(kept, kept);
  int laidLines = 0;
  for (QAbstractSeries* series : window.findChild<QChartView*>("ChartComparaison")->chart()->series()) {
    if (!series->name().endsWith("(posée)")) continue;
    ++laidLines;
    const QList<QPointF> points = qobject_cast<QLineSeries*>(series)->points();
    ASSERT_GT(points.size(), 300);
    for (const QPointF& point : points) EXPECT_NEAR(point.y(), 50, 5) << point.x() << " m";
    EXPECT_GT(points.back().x(), bins[bins.size() - 12].from) << "the line goes on to the last paint laid";
    EXPECT_LT(points.back().x(), bins[bins.size() - 2].from) << "and not over what was not laid";
  }
  EXPECT_EQ(laidLines, 2);
}

TEST(HistoryWindow, ReadsARealHistoryFileThroughItsReaderAndOpensFromTheMenu) {
  ProgramRig rig;
  // Without a history, the menu's window says so.
  rig.action("MIHistorique")->trigger();
  HistoryWindow& none = rig.program.historyWindow();
  ASSERT_TRUE(none.isVisible());
  EXPECT_EQ(none.findChild<QLabel*>("LEtatHistorique")->text(), "Aucun historique");
  none.close();

  const std::string path = rig.path("history.sqlite");
  {
    SqliteJobStore store(path, {.machine = "atelier-1"});
    store.open();
    for (const StoredJob& kept : {job(0, "Hall", 12, kMay2024), job(0, "Quai", 30, kMay2024 + 3600'000)})
      store.finishJob(store.beginJob(kept), kept);
  }
  HistoryReader reader(HistoryPlace{path, "", "atelier-1"});
  HistoryWindow window(&reader, rig.session, rig.clock);
  window.show();
  auto* grid = window.findChild<QTableView*>("GridHistorique");
  QTRY_COMPARE_WITH_TIMEOUT(grid->model()->rowCount(), 2, 5000);
  EXPECT_EQ(window.findChild<QLabel*>("LEtatHistorique")->text().toStdString(), "2 chantiers — " + path);
  grid->setCurrentIndex(grid->model()->index(0, 0));
  window.findChild<QPushButton*>("ButOuvrir")->click();
  QTRY_VERIFY_WITH_TIMEOUT(window.reportWindow().isVisible(), 5000);
  ASSERT_TRUE(window.reportWindow().keptJob());
  EXPECT_EQ(window.reportWindow().keptJob()->projectName, "Quai");
  EXPECT_EQ(window.reportWindow().keptJob()->record.stored(), record().stored());
}

}  // namespace
}  // namespace chromaflow::testing
