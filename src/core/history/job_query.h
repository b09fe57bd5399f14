#pragma once
// A page of the job history as a browser asks for it: the jobs of a search, a machine and a
// start date, sorted by one column, so many from a given row, with how many match in all.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/history/stored_job.h"

namespace chromaflow {

// The columns a list of jobs may be sorted by, as the history window shows them.
enum class JobSortKey { Started, Ended, Machine, Project, UserText, Area, LitresP1, LitresP2, Alarms, Verdict, Status };

// "debut", "fin", "machine", ... as a page's address names them; nothing for another word.
std::optional<JobSortKey> sortKeyOfName(std::string_view name);
const char* sortKeyName(JobSortKey key);

struct JobQuery {
  std::optional<std::int64_t> sinceMs{};  // started at or after
  std::string search{};                   // held by the machine, project, path, user text or backend
  std::string machine{};                  // this machine's jobs only, when given
  std::optional<JobStatus> status{};      // only the jobs in this state, when given
  JobSortKey sortBy = JobSortKey::Started;
  bool descending = true;
  std::size_t offset = 0;
  std::size_t limit = 50;

  static constexpr std::size_t kLargestPage = 500;
};

struct JobPage {
  std::vector<JobSummary> jobs;
  std::size_t total = 0;  // matching the query, on every page
};

// The page from jobs already filtered by date and search: the machine and state kept, sorted (ties
// by start, then id, newest first), cut. What a store without its own query does.
JobPage pageOf(std::vector<JobSummary> jobs, const JobQuery& query);

}  // namespace chromaflow
