#include "history/program_history.h"

#include <utility>

namespace chromaflow {

ProgramHistory::ProgramHistory(HistoryPlace place, MakeReader makeReader, MakeWriter makeWriter,
                               std::string placeProblem)
    : place_(std::move(place)),
      placeProblem_(std::move(placeProblem)),
      makeReader_(std::move(makeReader)),
      makeWriter_(makeWriter ? std::move(makeWriter)
                             : MakeWriter([](const HistoryPlace& at) { return startHistoryWriter(at); })) {
  writer_ = makeWriter_(place_);
  reader_ = makeReader_(place_);
}

ProgramHistory::~ProgramHistory() = default;

void ProgramHistory::moveTo(HistoryPlace place) {
  place_ = std::move(place);
  placeProblem_.clear();
  // The old writer is kept until the program ends: it still writes what it holds to the PC's
  // file. The old reader goes at once, dropping a connection under way: the list is read again
  // from the new place.
  retired_.push_back(std::exchange(writer_, makeWriter_(place_)));
  reader_ = makeReader_(place_);
}

void ProgramHistory::usePassword(std::string password) {
  HistoryPlace place = place_;
  place.password = std::move(password);
  std::string problem = std::move(placeProblem_);
  moveTo(std::move(place));
  placeProblem_ = std::move(problem);
}

JobHistory::Ticket ProgramHistory::begin(StoredJob job) { return writer_->begin(std::move(job)); }
void ProgramHistory::update(Ticket ticket, StoredJob job) { writer_->update(ticket, std::move(job)); }
void ProgramHistory::finish(Ticket ticket, StoredJob job) { writer_->finish(ticket, std::move(job)); }
std::string ProgramHistory::statusLine() const {
  std::string line = writer_->statusLine();
  if (!placeProblem_.empty()) line += " — " + placeProblem_;
  return line;
}

bool ProgramHistory::inTrouble() const { return !placeProblem_.empty() || writer_->inTrouble(); }

void ProgramHistory::list(std::optional<std::int64_t> sinceMs, std::string search, std::function<void(Listed)> done) {
  reader_->list(sinceMs, std::move(search), std::move(done));
}

void ProgramHistory::load(std::int64_t id, std::function<void(Loaded)> done) { reader_->load(id, std::move(done)); }

}  // namespace chromaflow
