#include "history/history_reader.h"

#include <filesystem>
#include <utility>

#include "history/history_paths.h"
#include "history/postgres_job_store.h"
#include "history/sqlite_job_store.h"

namespace chromaflow {
namespace {

std::string sharedTrouble(const HistoryError& error) {
  if (error.problem() == HistoryProblem::Unreachable)
    return "Historique partagé injoignable : chantiers de ce poste seulement";
  return std::string(error.what()) + " Chantiers de ce poste seulement.";
}

}  // namespace

HistoryReader::HistoryReader(const HistoryPlace& place) {
  const std::string machine = place.machine.empty() ? hostName() : place.machine;
  const std::string path = place.localPath.empty() ? defaultHistoryPath() : place.localPath;
  // Read only: the window changes nothing in the file, and lists one it may not write.
  Source local{std::make_unique<SqliteJobStore>(path, JobStoreOptions{machine, !place.shared.empty()},
                                                SqliteJobStore::Access::Reading),
               path};
  if (place.shared.empty()) {
    main_ = std::move(local);
  } else {
    main_.store =
        std::make_unique<PostgresJobStore>(place.shared, JobStoreOptions{.machine = machine, .password = place.password});
    fallback_ = std::move(local);
  }
  thread_ = std::thread([this] { run(); });
}

HistoryReader::HistoryReader(std::unique_ptr<JobStore> main, std::unique_ptr<JobStore> fallback) {
  main_.store = std::move(main);
  fallback_.store = std::move(fallback);
  thread_ = std::thread([this] { run(); });
}

HistoryReader::~HistoryReader() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    pendingList_.reset();
    pendingLoads_.clear();
  }
  wake_.notify_all();
  // A connection or a statement under way on a server is dropped at once.
  if (main_.store) main_.store->interrupt();
  if (fallback_.store) fallback_.store->interrupt();
  thread_.join();
}

void HistoryReader::list(std::optional<std::int64_t> sinceMs, std::string search, std::function<void(Listed)> done) {
  {
    std::lock_guard lock(mutex_);
    pendingList_ = ListRequest{sinceMs, std::move(search), std::move(done)};
  }
  wake_.notify_all();
}

void HistoryReader::load(std::int64_t id, std::function<void(Loaded)> done) {
  {
    std::lock_guard lock(mutex_);
    pendingLoads_.push_back({id, std::move(done)});
  }
  wake_.notify_all();
}

void HistoryReader::run() {
  for (;;) {
    std::optional<ListRequest> listing;
    std::optional<LoadRequest> loading;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || pendingList_ || !pendingLoads_.empty(); });
      if (stopping_) return;
      // A job asked for is opened before a list is read again: the operator waits on it.
      if (!pendingLoads_.empty()) {
        loading = std::move(pendingLoads_.front());
        pendingLoads_.pop_front();
      } else {
        listing = std::move(pendingList_);
        pendingList_.reset();
      }
    }
    if (loading) loading->done(readJob(loading->id));
    if (listing) listing->done(readList(*listing));
  }
}

bool HistoryReader::ready(Source& source) {
  if (source.open) return true;
  if (!source.absentFile.empty()) {
    // A folder that cannot be searched is for the store to tell.
    std::error_code unknown;
    if (!std::filesystem::exists(source.absentFile, unknown) && !unknown) return false;
  }
  source.store->open();
  source.open = true;
  return true;
}

HistoryReading::Listed HistoryReader::readList(const ListRequest& request) {
  Listed answer;
  bool fromFallback = false;
  try {
    answer.from = main_.store->target();
    if (ready(main_)) answer.jobs = main_.store->list(request.sinceMs, request.search);
  } catch (const HistoryError& error) {
    if (error.problem() == HistoryProblem::Unreachable) main_.open = false;
    answer.error = error.what();
    if (fallback_.store) {
      answer.error = sharedTrouble(error);
      fromFallback = true;
      try {
        answer.from = fallback_.store->target();
        if (ready(fallback_)) answer.jobs = fallback_.store->list(request.sinceMs, request.search);
      } catch (const HistoryError& local) {
        answer.error += std::string(" ; ") + local.what();
      }
    }
  }
  listed_.clear();
  for (const JobSummary& job : answer.jobs) listed_[job.id] = {fromFallback, job.uid, job.startedMs};
  return answer;
}

HistoryReading::Loaded HistoryReader::readJob(std::int64_t id) {
  Loaded answer;
  const auto known = listed_.find(id);
  const bool fromFallback = known != listed_.end() && known->second.fromFallback && fallback_.store;
  Source& source = fromFallback ? fallback_ : main_;
  try {
    if (!ready(source)) throw HistoryError(HistoryProblem::NotFound, "Aucun chantier n'est gardé sur ce poste.");
    answer.job = source.store->load(id);
    return answer;
  } catch (const HistoryError& error) {
    if (error.problem() == HistoryProblem::Unreachable) source.open = false;
    answer.error = error.what();
    if (fromFallback || !fallback_.store || error.problem() != HistoryProblem::Unreachable || known == listed_.end())
      return answer;
  }
  // The shared history listed the job and went away since: this PC's file has it if this
  // machine painted it, under its own id.
  try {
    if (ready(fallback_))
      for (const JobSummary& job : fallback_.store->list(known->second.startedMs, ""))
        if (job.uid == known->second.uid) {
          answer.job = fallback_.store->load(job.id);
          answer.error.clear();
          return answer;
        }
    answer.error = "Historique partagé injoignable, et ce chantier n'est pas gardé sur ce poste.";
  } catch (const HistoryError& error) {
    answer.error = "Historique partagé injoignable ; " + std::string(error.what());
  }
  return answer;
}

}  // namespace chromaflow
