#pragma once
// The job history as the session and the windows see it, whatever keeps it: the session hands
// each state of a running job to a JobHistory, and the history window asks a HistoryReading for
// the jobs kept. Both return at once: the disk and the network are another thread's business,
// so the reading cycle and the window never wait on them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/history/stored_job.h"

namespace chromaflow {

class JobHistory {
 public:
  using Ticket = std::uint64_t;
  virtual ~JobHistory() = default;

  // A job starts; the ticket names it in what follows.
  virtual Ticket begin(StoredJob job) = 0;
  // Its state now, whole.
  virtual void update(Ticket ticket, StoredJob job) = 0;
  // Its last state.
  virtual void finish(Ticket ticket, StoredJob job) = 0;
  // One line for the status bar: where the jobs go, and whether they get there ("Historique :
  // /home/…/history.sqlite", "Historique partagé injoignable : 2 chantiers en attente").
  virtual std::string statusLine() const = 0;
  // Whether the line tells of a trouble the operator should see.
  virtual bool inTrouble() const = 0;
};

// The jobs kept, read without blocking the caller: each answer comes later, on the reader's own
// thread, and the caller takes it back to its own.
class HistoryReading {
 public:
  struct Listed {
    std::vector<JobSummary> jobs;
    std::string error;  // why the list could not be read (empty when it was)
    std::string from;   // the history read ("PostgreSQL atelier:5432/chromaflow")
  };
  struct Loaded {
    std::optional<StoredJob> job;
    std::string error;
  };
  virtual ~HistoryReading() = default;

  // The jobs started at or after `sinceMs` (all with none) whose machine, project, user text or
  // backend holds `search`, newest first.
  virtual void list(std::optional<std::int64_t> sinceMs, std::string search,
                    std::function<void(Listed)> done) = 0;
  // One job whole, its record included.
  virtual void load(std::int64_t id, std::function<void(Loaded)> done) = 0;
};

}  // namespace chromaflow
