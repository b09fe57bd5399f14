// The history window on a big history: 100,000 kept jobs read from the PC's file (on the reader's
// thread), shown in its grid (the model filled and sorted from a list already read) and re-sorted
// by area; the same jobs listed without a window (chromaflow-sim --history-list); one job of the
// largest plan opened in its report (read from the SQLite file, its record rebuilt, the report
// window filled).
// Offscreen unless QT_QPA_PLATFORM says otherwise.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/control/virtual_clock.h"
#include "core/history/job_history.h"
#include "core/session/session.h"
#include "gui/history/history_list_model.h"
#include "gui/history/history_window.h"
#include "gui/main/program.h"
#include "gui/report/job_report_window.h"
#include "history/history_listing.h"
#include "history/sqlite_job_store.h"
#include "largest_job.h"
#include "many_jobs_file.h"
#include "offscreen_program.h"

namespace chromaflow {
namespace {

// A reader that is never asked: the list is handed to the window directly.
struct NoReading : HistoryReading {
  void list(std::optional<std::int64_t>, std::string, std::function<void(Listed)>) override {}
  void load(std::int64_t, std::function<void(Loaded)>) override {}
};

// The record of the largest plan after 400 s of painting.
JobRecord largestRecord() {
  testing::ControlRig rig;
  bench::openLargestPlan(rig);
  std::uint16_t pins = 0;
  for (int i = 0; i < 20'000; ++i) rig.tick(pins = bench::nextPins(pins));
  return rig.session.jobRecord();
}

std::vector<JobSummary> manyJobs(std::size_t count) {
  std::vector<JobSummary> jobs(count);
  for (std::size_t i = 0; i < count; ++i) {
    JobSummary& job = jobs[i];
    job.id = static_cast<std::int64_t>(count - i);
    job.startedMs = 1'714'521'600'000 - static_cast<std::int64_t>(i) * 3'600'000;
    job.endedMs = job.startedMs + 1'800'000;
    job.status = i % 50 == 0 ? JobStatus::Interrupted : JobStatus::Finished;
    job.machine = "atelier-" + std::to_string(i % 7);
    job.projectName = "Chantier " + std::to_string(i % 997);
    job.userText = "Client " + std::to_string(i % 331);
    job.figures = {static_cast<double>((i * 7919) % 100'000) / 100, 1.5 + static_cast<double>(i % 13),
                   0.5 + static_cast<double>(i % 11), static_cast<long long>(i % 17)};
    job.withinTolerance = i % 3 != 0;
    job.verdictText = job.withinTolerance ? "Proportion tenue à ±2 points" : "Proportion hors tolérance sur 1,2 m";
  }
  return jobs;
}

// 100,000 jobs shown, newest first, from a list already read.
void HistoryListed(benchmark::State& state) {
  VirtualClock clock;
  Program program(bench::setupOn(clock, nullptr));
  NoReading reading;
  HistoryWindow window(&reading, program.session(), clock);
  window.resize(1180, 640);
  window.show();
  QApplication::processEvents();
  const std::vector<JobSummary> jobs = manyJobs(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    window.showList({jobs, {}, "/home/peintre/history.sqlite"});
    window.repaint();
  }
  state.counters["rows"] = window.model().rowCount();
}
BENCHMARK(HistoryListed)->Arg(100'000)->Unit(benchmark::kMillisecond);

// The same grid sorted again by area, as the operator's click on the heading does.
void HistorySortedByArea(benchmark::State& state) {
  VirtualClock clock;
  Program program(bench::setupOn(clock, nullptr));
  NoReading reading;
  HistoryWindow window(&reading, program.session(), clock);
  window.show();
  window.showList({manyJobs(100'000), {}, "/home/peintre/history.sqlite"});
  auto* grid = window.findChild<QTableView*>(QStringLiteral("GridHistorique"));
  bool ascending = true;
  for (auto _ : state) {
    grid->sortByColumn(HistoryListModel::ColArea, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    ascending = !ascending;
    window.repaint();
  }
}
BENCHMARK(HistorySortedByArea)->Unit(benchmark::kMillisecond);


// The reader's half of listing: 100,000 jobs read from the PC's file, newest first, through the
// read-only store the history window's reader keeps open.
void HistoryReadFromFile(benchmark::State& state) {
  const auto path = bench::historyOfJobs(state.range(0), "chromaflow-bench-history-100k.sqlite");
  SqliteJobStore store(path.string(), {.machine = "atelier-1"}, SqliteJobStore::Access::Reading);
  store.open();
  std::size_t listed = 0;
  for (auto _ : state) listed = store.list(std::nullopt, "").size();
  state.counters["rows"] = static_cast<double>(listed);
  std::filesystem::remove(path);
}
BENCHMARK(HistoryReadFromFile)->Arg(100'000)->Unit(benchmark::kMillisecond);

// chromaflow-sim --history-list on 100,000 jobs: the file opened to be read, every job's line
// written. Second argument 1: the file read-only, so read as it stands (no -shm, no lock).
void HistoryListedWithoutAWindow(benchmark::State& state) {
  const auto path = bench::historyOfJobs(state.range(0), "chromaflow-bench-history-100k.sqlite");
  if (state.range(1) == 1) std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out, err;
    if (listHistory(path.string(), std::nullopt, out, err) != 0) state.SkipWithError(err.str().c_str());
    bytes = out.str().size();
  }
  state.counters["list_kB"] = static_cast<double>(bytes) / 1024;
  std::filesystem::remove(path);
}
BENCHMARK(HistoryListedWithoutAWindow)->Args({100'000, 0})->Args({100'000, 1})->Unit(benchmark::kMillisecond);

// One job of the largest plan opened: read from the file, its record rebuilt, its report filled.
void HistoryJobOpened(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / "chromaflow-bench-history.sqlite";
  std::filesystem::remove(path);
  SqliteJobStore store(path.string(), {.machine = "atelier-1"});
  store.open();
  StoredJob kept;
  kept.projectName = "Plus grand plan";
  kept.startedMs = 1'714'521'600'000;
  takeFromRecord(kept, largestRecord());
  const std::int64_t id = store.beginJob(kept);
  store.finishJob(id, kept);

  VirtualClock clock;
  Program program(bench::setupOn(clock, nullptr));
  JobReportWindow report(program.session(), clock, nullptr, JobReportWindow::Shows::KeptJob);
  report.resize(1040, 760);
  report.show();
  QApplication::processEvents();
  for (auto _ : state) {
    report.showKeptJob(store.load(id));
    report.repaint();
  }
  state.counters["record_kB"] = static_cast<double>(kept.record.stored().size()) / 1024;
  std::filesystem::remove(path);
}
BENCHMARK(HistoryJobOpened)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chromaflow
