#pragma once
// The program's job history: the writer the session hands its jobs to and the reader the history
// window reads from, both for the place the operator chose, behind one object that stays the same
// when the operator chooses another place. Moving starts a writer and a reader for the new place;
// the old writer finishes writing what it holds in the background and is let go when the
// program ends, so that the window never waits on a server that does not answer; the old reader
// is let go at once, which drops whatever it waited on.

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/history/job_history.h"
#include "history/history_writer.h"

namespace chromaflow {

class ProgramHistory : public JobHistory, public HistoryReading {
 public:
  using MakeWriter = std::function<std::unique_ptr<HistoryWriter>(const HistoryPlace&)>;
  using MakeReader = std::function<std::unique_ptr<HistoryReading>(const HistoryPlace&)>;

  // `makeWriter` by default starts the PC's SQLite file and the shared PostgreSQL history.
  // `placeProblem`: why the operator's kept choice was not read at start (readHistoryPlace), told
  // on the status line after the writer's state until the operator chooses a place.
  ProgramHistory(HistoryPlace place, MakeReader makeReader, MakeWriter makeWriter = {}, std::string placeProblem = {});
  ~ProgramHistory() override;

  const HistoryPlace& place() const { return place_; }
  // A job running is ended in the writer it began in before this is called (the session does it
  // when its history is set).
  void moveTo(HistoryPlace place);
  // The shared history's password came after the start (the desktop's keychain answers later):
  // the same place, with a writer and a reader that use it. As for moveTo, a job running is
  // ended first.
  void usePassword(std::string password);
  // Told on the status line after the writer's state, as the kept choice's problem is, until
  // the operator chooses a place: what became of the password typed.
  void tellAboutPlace(std::string problem) { placeProblem_ = std::move(problem); }
  // Waits until the writer has written every state handed over (see HistoryWriter::settle).
  bool settle(std::chrono::milliseconds most) { return writer_->settle(most); }

  Ticket begin(StoredJob job) override;
  void update(Ticket ticket, StoredJob job) override;
  void finish(Ticket ticket, StoredJob job) override;
  std::string statusLine() const override;
  bool inTrouble() const override;

  void list(std::optional<std::int64_t> sinceMs, std::string search, std::function<void(Listed)> done) override;
  void load(std::int64_t id, std::function<void(Loaded)> done) override;

 private:
  HistoryPlace place_;
  std::string placeProblem_;
  MakeReader makeReader_;
  MakeWriter makeWriter_;
  std::unique_ptr<HistoryWriter> writer_;
  std::unique_ptr<HistoryReading> reader_;
  std::vector<std::unique_ptr<HistoryWriter>> retired_;
};

}  // namespace chromaflow
