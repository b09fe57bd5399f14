// The foreman's view on a big history: a page of the history (50 of 100,000 jobs in the PC's
// file) asked as a browser asks it, newest first, sorted by area, and far down the list; the job
// of the largest plan (100 surfaces) as its page asks it, whole and its chart; and a job's news
// reaching 100 open pages. The time is the whole answer's, from the request written to its last
// byte read, the service and the clients on this thread and the history read on the service's
// own.
// Offscreen unless QT_QPA_PLATFORM says otherwise.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/history/stored_job.h"
#include "history/history_listing.h"
#include "history/sqlite_job_store.h"
#include "largest_job.h"
#include "many_jobs_file.h"
#include "web/http_client.h"
#include "web/web_service.h"

namespace chromaflow {
namespace {

// The same answer asked again and again of a view serving the history file `path`; its size in
// the counter `sized`.
void timeAnswers(benchmark::State& state, const std::filesystem::path& path, const char* address, const char* sized) {
  web::WebService service(readingStoreFor(path.string()), readingStoreFor(path.string()));
  if (!service.listen(QHostAddress::LocalHost, 0, std::nullopt, nullptr)) return state.SkipWithError("no port");
  qsizetype bytes = 0;
  for (auto _ : state) {
    const testing::HttpAnswer answer = testing::get(service.server().port(), address);
    if (answer.status != 200) return state.SkipWithError("not answered");
    bytes = answer.body.size();
  }
  state.counters[sized] = static_cast<double>(bytes) / 1000;
}


void HistoryPageServed(benchmark::State& state, const char* address) {
  const auto path = bench::historyOfJobs(100'000, "chromaflow-bench-web-100k.sqlite");
  timeAnswers(state, path, address, "page_kB");
  std::filesystem::remove(path);
}
BENCHMARK_CAPTURE(HistoryPageServed, newest, "/api/jobs")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(HistoryPageServed, by_area, "/api/jobs?tri=surface&ordre=desc")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(HistoryPageServed, page_1500, "/api/jobs?page=1500")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(HistoryPageServed, searched, "/api/jobs?q=Client%209")->Unit(benchmark::kMillisecond);

// The largest plan's job after 400 s of painting, kept in a PC's file.
std::filesystem::path largestJobKept() {
  const auto path = std::filesystem::temp_directory_path() / "chromaflow-bench-web-largest.sqlite";
  std::filesystem::remove(path);
  testing::ControlRig rig;
  bench::openLargestPlan(rig);
  std::uint16_t pins = 0;
  for (int i = 0; i < 20'000; ++i) rig.tick(pins = bench::nextPins(pins));
  StoredJob job;
  job.machine = "atelier-1";
  job.projectName = "Le plus grand plan";
  job.startedMs = 1'714'521'600'000;
  job.endedMs = job.startedMs + 400'000;
  job.status = JobStatus::Finished;
  job.record = JobRecord::fromStored(rig.session.jobRecord().stored());
  takeFromRecord(job, job.record);
  SqliteJobStore store(path.string());
  store.open();
  store.putJob(job);
  return path;
}

void LargestJobServed(benchmark::State& state, const char* address) {
  const auto path = largestJobKept();
  timeAnswers(state, path, address, "kB");
  std::filesystem::remove(path);
}
BENCHMARK_CAPTURE(LargestJobServed, job, "/api/jobs/1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LargestJobServed, chart, "/api/jobs/1/graphique.svg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LargestJobServed, sheet, "/api/jobs/1/fiche.pdf")->Unit(benchmark::kMillisecond);

// 100 pages open on the news; a job written: the time until every page has heard it.
void NewsReachesAHundredPages(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / "chromaflow-bench-web-news.sqlite";
  std::filesystem::remove(path);
  SqliteJobStore writer(path.string());
  writer.open();
  web::WebService service(readingStoreFor(path.string()), readingStoreFor(path.string()));
  if (!service.listen(QHostAddress::LocalHost, 0, std::nullopt, nullptr)) return state.SkipWithError("no port");
  std::vector<std::unique_ptr<QTcpSocket>> pages;
  for (int i = 0; i < 100; ++i) {
    pages.push_back(std::make_unique<QTcpSocket>());
    pages.back()->connectToHost(QHostAddress::LocalHost, service.server().port());
    pages.back()->write("GET /api/news HTTP/1.1\r\n\r\n");
  }
  testing::pumpUntil([&] { return service.server().streams() == 100; });
  StoredJob job;
  job.machine = "atelier-1";
  job.projectName = "Hall";
  int round = 0;
  for (auto _ : state) {
    for (auto& page : pages) page->readAll();
    job.uid = "job-" + std::to_string(++round);
    job.startedMs = round;
    writer.putJob(job);
    const QByteArray heard = QByteArray("event: history");
    std::vector<QByteArray> got(pages.size());
    const bool all = testing::pumpUntil([&] {
      bool every = true;
      for (std::size_t i = 0; i < pages.size(); ++i) {
        got[i] += pages[i]->readAll();
        every = every && got[i].contains(heard);
      }
      return every;
    });
    if (!all) return state.SkipWithError("a page did not hear the news");
  }
  std::ifstream statm("/proc/self/statm");  // this process: the service and its 100 pages
  long pagesTotal = 0, resident = 0;
  statm >> pagesTotal >> resident;
  state.counters["resident_MB"] = static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
  std::filesystem::remove(path);
}
BENCHMARK(NewsReachesAHundredPages)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chromaflow

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
