#pragma once
// The job the session keeps in the job history. A job starts at the first stretch of the path
// the roller paints after the project was opened or made new, and ends when the project is
// closed, another is opened or made, the record starts anew ("->|<-", or an edit that moves the
// path), or the operator ends it ("Terminer le chantier"). While it runs it is handed to the
// history at its start, then at most every kWriteEveryMilliseconds, then at its end: a program
// killed or a PC switched off loses at most that much of it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/history/job_history.h"

namespace chromaflow {

// What the session tells of a job besides its record.
struct JobDescription {
  std::string projectPath, projectName;
  std::string userText;      // the first line of the project's text
  std::string settingsText;  // the settings file's text in force
  std::string backend;       // the card, or the simulated machine and its faults
};

class JobKeeping {
 public:
  static constexpr std::int64_t kWriteEveryMilliseconds = 10'000;

  using Describe = std::function<JobDescription()>;

  // `now` gives the time of day, UTC milliseconds since 1970.
  explicit JobKeeping(std::function<std::int64_t()> now);

  // Where jobs go; none: they are not kept. A running job is ended in the history it began in.
  void setHistory(JobHistory* history);
  JobHistory* history() const { return history_; }
  bool running() const { return ticket_.has_value(); }

  // At each reading-cycle tick, after the record took it: begins the job once the record holds a
  // stretch painted, then hands its state over when kWriteEveryMilliseconds have gone by.
  void follow(const JobRecord& record, double tolerance, const Describe& describe);
  // Ends the running job, if any, with the record as it stands. What that record holds is kept:
  // no job begins again from it, only from the record started anew.
  void end(const JobRecord& record, double tolerance, const Describe& describe);
  // The record started anew (a run from the start of the path, or after a job ended).
  void recordRestarted() { recordKept_ = false; }

 private:
  StoredJob state(const JobRecord& record, double tolerance, const Describe& describe, std::int64_t now) const;

  std::function<std::int64_t()> now_;
  JobHistory* history_ = nullptr;
  std::optional<JobHistory::Ticket> ticket_;
  std::int64_t startedMs_ = 0;
  std::int64_t lastWrittenMs_ = 0;
  bool recordKept_ = false;  // the record holds a job already ended
};

}  // namespace chromaflow
