#pragma once
// The job history listed without a window, one job a line, for chromaflow-sim and scripts:
//
//   2024-05-03 14:12<TAB>atelier-1<TAB>Hall<TAB>32.40<TAB>2.51<TAB>1.02<TAB>Proportion tenue à ...
//
// the start (local time), the machine, the project, m² painted, litres of P1 and of P2
// delivered, and the verdict's line; a job not finished says so before its verdict
// ("[en cours] ...", "[interrompu] ..."). Newest first.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "core/history/job_store.h"
#include "history/history_writer.h"

namespace chromaflow {

// The store a target names, not yet opened: a PostgreSQL server for "postgresql://...",
// "postgres://..." or libpq's "key=value" words, the SQLite file of that path otherwise.
std::unique_ptr<JobStore> jobStoreFor(const std::string& target);
// The same, only to read: the file opened read-only, the server told to refuse any write and
// its tables never made (the foreman's view).
std::unique_ptr<JobStore> readingStoreFor(const std::string& target);
// Whether the target is a server's connection text: "postgresql://...", "postgres://...", or
// libpq's words, which start with one and its "=" ("host=atelier dbname=chromaflow"). Anything
// else is a file's path, "=" in it or not.
bool namesServer(const std::string& target);
// Why the target is neither a history file's path nor a server's connection text, in French
// (nothing when it is one): an empty name, SQLite's in-memory database or one of its URIs, a
// folder. Every tool and window that takes a history's target refuses those.
std::optional<std::string> historyTargetProblem(const std::string& target);
// The writer a tool keeps its jobs with in the target: beside a program writing the same SQLite
// file it leaves the program's running jobs alone; on a server it never closes cut-off jobs,
// which the program of this machine does at its next start.
std::unique_ptr<HistoryWriter> writerFor(const std::string& target);

// "2024-05-03" (its midnight) or "2024-05-03 14:30" / "2024-05-03T14:30", local time, as
// milliseconds since 1970 UTC; nothing for a text that is no such date: the year in four digits
// from 0001, no sign, a day its month has.
std::optional<std::int64_t> historyDate(const std::string& text);

// One job's line, without its line end.
std::string jobListLine(const JobSummary& job);

// Lists the target's jobs started since the date given (all without one) to `out`; returns 0,
// or says what went wrong to `err` and returns 1. The file is only read: one that is not there
// is not made, and an empty one is an empty history.
int listHistory(const std::string& target, const std::optional<std::string>& since, std::ostream& out,
                std::ostream& err);

// Sets up the rights of the shared history on the server the connection names (see
// PostgresJobStore::setUpRights) and tells how to add a machine; returns 0, or says what went
// wrong to `err` and returns 1.
int setUpSharedHistory(const std::string& connection, std::ostream& out, std::ostream& err);

}  // namespace chromaflow
