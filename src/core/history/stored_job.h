#pragma once
// A job as the job history keeps it: who painted what, where and when, with which settings and
// which card, the verdict the client gets, a few figures for the list, and the whole job record
// so that the job's report can be shown again.
//
// Times are UTC, milliseconds since 1970. Texts are UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/control/job_record.h"
#include "core/control/job_verdict.h"

namespace chromaflow {

enum class JobStatus { Running, Finished, Interrupted };

// "en cours", "terminé", "interrompu": as the history stores and shows it.
const char* statusText(JobStatus status);
std::optional<JobStatus> statusOfText(std::string_view text);

// The figures a list of jobs shows.
struct JobFigures {
  double areaPainted = 0;          // m²
  double litresP1 = 0, litresP2 = 0;  // delivered by the pumps, what stayed in the hose included
  long long alarms = 0;            // raised, the ones the record could not keep included
  bool operator==(const JobFigures&) const = default;
};

JobFigures figuresOf(const JobRecord& record);

struct StoredJob {
  std::int64_t id = 0;       // given by the store that keeps it; 0 before
  std::string uid;           // the same job in every store (the workshop PC's and the shared one)
  std::string machine;       // the PC that ran it
  std::string projectPath, projectName;
  std::string userText;      // the first line of the project's text
  std::int64_t startedMs = 0;
  std::int64_t endedMs = 0;  // the end; while it runs, when its last state was taken
  JobStatus status = JobStatus::Running;
  std::string settingsText;  // the settings file's text in force
  std::string backend;       // "carte K8000 sur Lpt1", "machine simulée (P1 à 110 % après 50 s)"
  JobVerdict verdict;
  std::string verdictText;   // verdictText(verdict), as it read when the job was kept
  JobFigures figures;
  JobRecord record;
};

// One line of the list of jobs.
struct JobSummary {
  std::int64_t id = 0;
  std::string uid;
  std::int64_t startedMs = 0, endedMs = 0;
  JobStatus status = JobStatus::Running;
  std::string machine, projectName, userText;
  JobFigures figures;
  bool withinTolerance = false;
  std::string verdictText;
  bool operator==(const JobSummary&) const = default;
};

JobSummary summaryOf(const StoredJob& job);

// The job as the record now stands: figures, verdict and its text taken from the record, judged
// with the tolerance given.
void takeFromRecord(StoredJob& job, const JobRecord& record, double tolerance = JobVerdict::kDefaultTolerance);

// The verdict kept as text (ASCII, versioned) and read back; StoredRecordError on bytes that hold
// none.
std::string storedVerdict(const JobVerdict& verdict);
JobVerdict verdictFromStored(std::string_view bytes);

// The first line of a text, without its line end.
std::string firstLine(std::string_view text);
// The text as UTF-8: kept as it is when it is already, otherwise read as Windows-1252 (the
// operator's files), so that any store takes it.
std::string asUtf8(std::string_view text);
bool isUtf8(std::string_view text);

// A name for a new job that no other job of any machine has: its machine, its start and a
// random part.
std::string newJobUid(std::string_view machine, std::int64_t startedMs);
// The job with what a store fills in when the caller left it out: the machine, and a uid.
StoredJob withMachineAndUid(const StoredJob& job, const std::string& machine);

}  // namespace chromaflow
