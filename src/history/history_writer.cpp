#include "history/history_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>

#include "history/history_paths.h"
#include "history/postgres_job_store.h"
#include "history/sqlite_job_store.h"

namespace chromaflow {

std::string HistoryState::text() const {
  std::string line = (shared ? "Historique partagé : " : "Historique : ") + target;
  if (shared && !reachable)
    line = "Historique partagé injoignable (" + target + ") : " + std::to_string(waiting) +
           (waiting > 1 ? " travaux gardés" : " travail gardé") + " sur ce poste, envoi" + (waiting > 1 ? "s" : "") +
           " dès son retour";
  else if (shared && waiting > 0)
    line += ", " + std::to_string(waiting) + (waiting > 1 ? " travaux" : " travail") + " à envoyer";
  if (closedAtStart > 0)
    line += closedAtStart > 1 ? ", " + std::to_string(closedAtStart) + " chantiers interrompus retrouvés"
                              : ", 1 chantier interrompu retrouvé";
  if (!lastError.empty()) {
    // One line: the server's own message comes on several, indented.
    line += " — ";
    bool blank = false;
    for (char c : lastError) {
      const bool space = c == '\n' || c == '\r' || c == '\t' || c == ' ';
      if (!space) line += c;
      else if (!blank) line += ' ';
      blank = space;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
  }
  return line;
}

bool HistoryWriter::inTrouble() const {
  const HistoryState now = state();
  return !now.reachable || !now.lastError.empty();
}

HistoryWriter::HistoryWriter(std::unique_ptr<JobStore> local, std::unique_ptr<JobStore> shared,
                             HistoryWriterOptions options)
    : local_(std::move(local)), shared_(std::move(shared)), options_(std::move(options)), retry_(options_.firstRetry) {
  if (options_.machine.empty()) options_.machine = hostName();
  options_.queueLength = std::max<std::size_t>(options_.queueLength, 1);
  state_.shared = shared_ != nullptr;
  state_.target = shared_ ? shared_->target() : local_ ? local_->target() : "aucun";
  thread_ = std::thread([this] { run(); });
}

HistoryWriter::~HistoryWriter() {
  {
    std::unique_lock lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
    settled_.wait_for(lock, sharedConnected_ ? options_.lastCopyWait : std::chrono::milliseconds(0),
                      [this] { return finished_; });
  }
  // Whatever still waits on a server gives up (a tool's only store may be one); the PC's file
  // is written to the end.
  if (shared_) shared_->interrupt();
  if (local_) local_->interrupt();
  thread_.join();
  if (writersLock_ >= 0) ::close(writersLock_);
}

HistoryWriter::Ticket HistoryWriter::begin(StoredJob job) {
  if (job.machine.empty()) job.machine = options_.machine;
  if (job.uid.empty()) job.uid = newJobUid(job.machine, job.startedMs);
  job.status = JobStatus::Running;
  Ticket ticket;
  {
    std::lock_guard lock(mutex_);
    ticket = nextTicket_++;
    tickets_[ticket] = {job.uid, job.machine, false};
    queue_.push_back({Kind::Begin, ticket, std::move(job)});
    state_.queued = queue_.size();
  }
  wake_.notify_all();
  return ticket;
}

void HistoryWriter::update(Ticket ticket, StoredJob job) {
  {
    std::lock_guard lock(mutex_);
    const auto known = tickets_.find(ticket);
    if (known == tickets_.end() || known->second.finished) return;
    job.uid = known->second.uid;
    job.machine = known->second.machine;
    job.status = JobStatus::Running;
    // Its update still waiting is replaced where it stands.
    for (Item& item : queue_)
      if (item.ticket == ticket && item.kind == Kind::Update) {
        item.job = std::move(job);
        ++state_.replaced;
        return;
      }
    if (queue_.size() >= options_.queueLength) {
      // Full: the oldest update waiting gives its place; a begin or a finish never does.
      const auto oldest =
          std::find_if(queue_.begin(), queue_.end(), [](const Item& item) { return item.kind == Kind::Update; });
      if (oldest != queue_.end()) {
        queue_.erase(oldest);
        ++state_.replaced;
      }
    }
    queue_.push_back({Kind::Update, ticket, std::move(job)});
    state_.queued = queue_.size();
  }
  wake_.notify_all();
}

void HistoryWriter::finish(Ticket ticket, StoredJob job) {
  {
    std::lock_guard lock(mutex_);
    const auto known = tickets_.find(ticket);
    if (known == tickets_.end() || known->second.finished) return;
    known->second.finished = true;
    job.uid = known->second.uid;
    job.machine = known->second.machine;
    if (job.status == JobStatus::Running) job.status = JobStatus::Finished;
    // Its last update waiting would be overwritten at once: dropped.
    state_.replaced +=
        std::erase_if(queue_, [&](const Item& item) { return item.ticket == ticket && item.kind == Kind::Update; });
    queue_.push_back({Kind::Finish, ticket, std::move(job)});
    state_.queued = queue_.size();
  }
  wake_.notify_all();
}

HistoryState HistoryWriter::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

bool HistoryWriter::settle(std::chrono::milliseconds most) {
  std::unique_lock lock(mutex_);
  return settled_.wait_for(lock, most, [&] {
    return queue_.empty() && !busy_ && !copyDue_ && (!state_.shared || state_.waiting == 0);
  });
}

void HistoryWriter::changed(const std::function<void(HistoryState&)>& change) {
  HistoryState now;
  {
    std::lock_guard lock(mutex_);
    change(state_);
    // The PC's store failing matters more: the jobs are not kept there.
    state_.lastError = !localError_.empty() ? localError_ : sharedError_;
    state_.queued = queue_.size();
    now = state_;
  }
  if (options_.stateChanged) options_.stateChanged(now);
}

void HistoryWriter::run() {
  std::unique_lock lock(mutex_);
  // At once, not at the first job: the PC's store opened (or why not told), the jobs a killed
  // program left running closed, and those waiting for the shared store sent.
  busy_ = true;
  lock.unlock();
  openLocal();
  lock.lock();
  busy_ = false;
  bool lastCopyTried = false;
  for (;;) {
    if (!queue_.empty()) {
      Item item = std::move(queue_.front());
      queue_.pop_front();
      busy_ = true;
      lock.unlock();
      write(item);
      lock.lock();
      busy_ = false;
      continue;
    }
    // Stopping, the copies are tried once more if the shared store answered last time; one that
    // does not answer leaves them marked for the next start.
    const bool lastCopy = stopping_ && !lastCopyTried && state_.reachable;
    if (copyDue_ && (std::chrono::steady_clock::now() >= nextTry_ || lastCopy)) {
      lastCopyTried = stopping_;
      busy_ = true;
      lock.unlock();
      copyToShared();
      lock.lock();
      busy_ = false;
      continue;
    }
    if (stopping_) break;
    settled_.notify_all();
    if (copyDue_)
      wake_.wait_until(lock, nextTry_);
    else
      wake_.wait(lock);
  }
  finished_ = true;
  settled_.notify_all();
}

bool HistoryWriter::aloneOnThisPc() {
  if (options_.writersLock.empty()) return true;
  writersLock_ = ::open(options_.writersLock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // A lock that cannot be made (a read-only folder): the jobs running are left as they are.
  if (writersLock_ < 0) return false;
  // Every writer holds the lock shared while it lives, and the system lets go of it when its
  // program ends, however it ends: the lock taken whole means no other writer is alive. It is
  // held whole until the jobs cut off are closed (shareWritersLock), or shared at once.
  if (::flock(writersLock_, LOCK_EX | LOCK_NB) == 0) return true;
  ::flock(writersLock_, LOCK_SH);
  return false;
}

void HistoryWriter::shareWritersLock() {
  if (writersLock_ >= 0) ::flock(writersLock_, LOCK_SH);
}

bool HistoryWriter::openLocal() {
  if (localOpen_) return true;
  if (!local_) return false;
  try {
    local_->open();
    localOpen_ = true;
    if (!localChecked_) {
      localChecked_ = true;
      alone_ = options_.closesCutOffJobs && aloneOnThisPc();
      int closed = 0;
      try {
        if (alone_) closed = local_->closeUnfinished();
      } catch (...) {
        shareWritersLock();
        throw;
      }
      // Only now may another writer start beside this one.
      shareWritersLock();
      changed([&](HistoryState& s) { s.closedAtStart = closed; });
    }
    localError_.clear();
    changed([](HistoryState&) {});
    if (shared_ && !local_->waitingJobs().empty()) {
      std::lock_guard lock(mutex_);
      copyDue_ = true;
    }
    return true;
  } catch (const HistoryError& error) {
    localError_ = error.what();
    changed([](HistoryState&) {});
    return false;
  }
}

void HistoryWriter::write(Item& item) {
  bool kept = false;
  if (openLocal()) {
    try {
      std::int64_t& id = localIds_[item.ticket];
      // Each state is the job whole: any of them makes the job if its begin was not written.
      if (id == 0)
        id = local_->beginJob(item.job);
      else if (item.kind == Kind::Update)
        local_->updateJob(id, item.job);
      if (item.kind == Kind::Finish) {
        local_->finishJob(id, item.job);
        localIds_.erase(item.ticket);
      }
      kept = true;
      localError_.clear();
    } catch (const HistoryError& error) {
      localError_ = error.what();
      // The file may have been lost from under the program: opened again for the next state.
      localOpen_ = false;
    }
  }
  // Not on this PC: the shared store gets it from memory. Kept here, an older state held in
  // memory must not reach the shared store after it.
  if (!kept && shared_)
    unsent_[item.job.uid] = item.job;
  else
    unsent_.erase(item.job.uid);
  if (shared_) {
    std::lock_guard lock(mutex_);
    copyDue_ = true;
  }
  const std::size_t waiting = shared_ ? waitingNow() : 0;
  changed([&](HistoryState& s) { s.waiting = waiting; });
}

std::size_t HistoryWriter::waitingNow() {
  std::size_t waiting = unsent_.size();
  if (localOpen_) {
    try {
      waiting += local_->waitingJobs().size();
    } catch (const HistoryError&) {
    }
  }
  return waiting;
}

void HistoryWriter::copyToShared() {
  try {
    if (!sharedOpen_) {
      shared_->open();
      sharedOpen_ = true;
      if (!sharedChecked_) {
        // This machine's jobs left running on the server by a run that never came back.
        sharedChecked_ = true;
        if (alone_) shared_->closeUnfinished();
      }
    }
    if (localOpen_) {
      for (std::int64_t id : local_->waitingJobs()) {
        StoredJob job;
        try {
          job = local_->load(id);
        } catch (const HistoryError& error) {
          // A job the PC's file no longer holds whole: it cannot be sent; the others still are.
          if (error.problem() != HistoryProblem::Damaged && error.problem() != HistoryProblem::NotFound) throw;
          local_->markCopied(id);
          localError_ = error.what();
          continue;
        }
        shared_->putJob(job);
        local_->markCopied(id);
      }
    }
    while (!unsent_.empty()) {
      shared_->putJob(unsent_.begin()->second);
      unsent_.erase(unsent_.begin());
    }
    retry_ = options_.firstRetry;
    const std::size_t waiting = waitingNow();
    {
      std::lock_guard lock(mutex_);
      copyDue_ = false;
      sharedConnected_ = true;
    }
    sharedError_.clear();
    changed([&](HistoryState& s) {
      s.reachable = true;
      s.waiting = waiting;
    });
  } catch (const HistoryError& error) {
    // Tried again later, less and less often.
    sharedOpen_ = false;
    sharedError_ = error.what();
    const std::size_t waiting = waitingNow();
    {
      std::lock_guard lock(mutex_);
      nextTry_ = std::chrono::steady_clock::now() + retry_;
      sharedConnected_ = false;
    }
    retry_ = std::min(retry_ * 2, options_.longestRetry);
    changed([&](HistoryState& s) {
      s.reachable = error.problem() != HistoryProblem::Unreachable;
      s.waiting = waiting;
    });
  }
}

std::unique_ptr<HistoryWriter> startHistoryWriter(const HistoryPlace& place, HistoryWriterOptions options) {
  if (!place.machine.empty()) options.machine = place.machine;
  if (options.machine.empty()) options.machine = hostName();
  const JobStoreOptions storeOptions{options.machine, !place.shared.empty()};
  const std::string localPath = place.localPath.empty() ? defaultHistoryPath() : place.localPath;
  if (options.writersLock.empty()) options.writersLock = localPath + ".writers";
  auto local = std::make_unique<SqliteJobStore>(localPath, storeOptions);
  std::unique_ptr<JobStore> shared;
  if (!place.shared.empty())
    shared = std::make_unique<PostgresJobStore>(place.shared,
                                                JobStoreOptions{.machine = options.machine, .password = place.password});
  return std::make_unique<HistoryWriter>(std::move(local), std::move(shared), std::move(options));
}

}  // namespace chromaflow
