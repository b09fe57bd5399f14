#include "core/session/job_keeping.h"

#include <algorithm>
#include <utility>

namespace chromaflow {

JobKeeping::JobKeeping(std::function<std::int64_t()> now) : now_(std::move(now)) {}

void JobKeeping::setHistory(JobHistory* history) { history_ = history; }

void JobKeeping::follow(const JobRecord& record, double tolerance, const Describe& describe) {
  if (!history_) return;
  if (!ticket_) {
    if (recordKept_ || !record.painted()) return;
    startedMs_ = lastWrittenMs_ = now_();
    ticket_ = history_->begin(state(record, tolerance, describe, startedMs_));
    return;
  }
  const std::int64_t now = now_();
  // A clock set back starts the count again rather than stopping the writes.
  if (now - lastWrittenMs_ < kWriteEveryMilliseconds && now >= lastWrittenMs_) return;
  lastWrittenMs_ = now;
  history_->update(*ticket_, state(record, tolerance, describe, now));
}

void JobKeeping::end(const JobRecord& record, double tolerance, const Describe& describe) {
  if (!ticket_) return;
  const JobHistory::Ticket ticket = *std::exchange(ticket_, std::nullopt);
  recordKept_ = true;
  if (history_) history_->finish(ticket, state(record, tolerance, describe, now_()));
}

StoredJob JobKeeping::state(const JobRecord& record, double tolerance, const Describe& describe,
                            std::int64_t now) const {
  JobDescription description = describe();
  StoredJob job;
  job.projectPath = std::move(description.projectPath);
  job.projectName = std::move(description.projectName);
  job.userText = std::move(description.userText);
  job.settingsText = std::move(description.settingsText);
  job.backend = std::move(description.backend);
  job.startedMs = startedMs_;
  job.endedMs = std::max(now, startedMs_);
  takeFromRecord(job, record, tolerance);
  return job;
}

}  // namespace chromaflow
