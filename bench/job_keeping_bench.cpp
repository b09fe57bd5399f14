// Last, the program's history let go (the program ending) while the firm's shared server takes
// connections and never answers: the time from letting it go to its threads being done.
//
// What keeping the job in the history adds to the reading cycle on the largest plan: the job
// handed to the writer every 10 s of painting, written to a SQLite file by the writer's thread.
// Each iteration is 10 s of painting (500 ticks) and waits for the writer to be done, so that the
// time per iteration holds everything the recording costs; "CPU" counts every thread of the
// process, the writer's included.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "history/history_reader.h"
#include "history/history_writer.h"
#include "history/program_history.h"
#include "largest_job.h"
#include "support/control_rig.h"

namespace {

using namespace chromaflow;

constexpr int kTicksPerWrite = 500;  // 10 s of 20 ms ticks

void BM_TenSecondsOfPainting(benchmark::State& state) {
  const bool kept = state.range(0) != 0;
  chromaflow::testing::ControlRig rig;
  bench::openLargestPlan(rig);
  const auto folder = std::filesystem::temp_directory_path() / "chromaflow-history-bench";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::unique_ptr<HistoryWriter> writer;
  if (kept) {
    writer = startHistoryWriter({(folder / "history.sqlite").string(), "", "banc"});
    rig.session.setJobHistory(writer.get());
  }
  std::uint16_t pins = 0;
  for (auto _ : state) {
    for (int i = 0; i < kTicksPerWrite; ++i) rig.tick(pins = bench::nextPins(pins));
    if (writer) writer->settle(std::chrono::minutes(1));
  }
  state.counters["ticks"] = kTicksPerWrite;
  state.counters["record_kB"] = static_cast<double>(rig.session.jobRecord().stored().size()) / 1000;
  rig.session.setJobHistory(nullptr);
  writer.reset();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_TenSecondsOfPainting)
    ->ArgName("kept")
    ->Arg(0)
    ->Arg(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// "Terminer le chantier" on the largest plan, as the operator's gesture: the job's last state
// built (its record copied and judged) and handed to the writer, the record started anew. Between
// two, the roller paints until the next job has begun.
void BM_JobEndedByTheOperator(benchmark::State& state) {
  chromaflow::testing::ControlRig rig;
  bench::openLargestPlan(rig);
  const auto folder = std::filesystem::temp_directory_path() / "chromaflow-history-bench-end";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  auto writer = startHistoryWriter({(folder / "history.sqlite").string(), "", "banc"});
  rig.session.setJobHistory(writer.get());
  std::uint16_t pins = 0;
  for (auto _ : state) {
    state.PauseTiming();
    while (!rig.session.jobRunning()) rig.tick(pins = bench::nextPins(pins));
    state.ResumeTiming();
    rig.session.finishJob();
  }
  rig.session.setJobHistory(nullptr);
  writer.reset();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_JobEndedByTheOperator)->Unit(benchmark::kMillisecond);

// The program's history, its job just ended and its window's list asked, let go while the reader
// and the writer are both connecting to a server that never answers (connect_timeout of 5 s).
void BM_LeavingWithASilentSharedHistory(benchmark::State& state) {
  const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(silent, 64) != 0 ||
      ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    state.SkipWithError("no listening socket");
    return;
  }
  const auto folder = std::filesystem::temp_directory_path() / "chromaflow-history-bench-leave";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const HistoryPlace place{(folder / "history.sqlite").string(),
                           "host=127.0.0.1 port=" + std::to_string(ntohs(address.sin_port)) +
                               " user=peintre dbname=chromaflow connect_timeout=5",
                           "banc"};
  for (auto _ : state) {
    state.PauseTiming();
    auto history = std::make_unique<ProgramHistory>(
        place, [](const HistoryPlace& at) { return std::make_unique<HistoryReader>(at); });
    StoredJob job;
    job.projectName = "Hall";
    history->finish(history->begin(job), job);
    history->list(std::nullopt, "", [](HistoryReading::Listed) {});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // both connecting
    state.ResumeTiming();
    history.reset();
  }
  ::close(silent);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LeavingWithASilentSharedHistory)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
