#include "core/history/job_query.h"

#include "core/history/job_store.h"

#include <algorithm>
#include <array>
#include <thread>
#include <tuple>
#include <utility>

namespace chromaflow {
namespace {

constexpr std::array<std::pair<JobSortKey, const char*>, 11> kNames = {{
    {JobSortKey::Started, "debut"},
    {JobSortKey::Ended, "fin"},
    {JobSortKey::Machine, "machine"},
    {JobSortKey::Project, "projet"},
    {JobSortKey::UserText, "texte"},
    {JobSortKey::Area, "surface"},
    {JobSortKey::LitresP1, "p1"},
    {JobSortKey::LitresP2, "p2"},
    {JobSortKey::Alarms, "alarmes"},
    {JobSortKey::Verdict, "verdict"},
    {JobSortKey::Status, "etat"},
}};

// -1, 0, 1 as the two jobs compare by the key, ascending.
int compareBy(JobSortKey key, const JobSummary& a, const JobSummary& b) {
  const auto order = [](const auto& x, const auto& y) { return x < y ? -1 : y < x ? 1 : 0; };
  switch (key) {
    case JobSortKey::Started: return order(a.startedMs, b.startedMs);
    case JobSortKey::Ended: return order(a.endedMs, b.endedMs);
    case JobSortKey::Machine: return order(a.machine, b.machine);
    case JobSortKey::Project: return order(a.projectName, b.projectName);
    case JobSortKey::UserText: return order(a.userText, b.userText);
    case JobSortKey::Area: return order(a.figures.areaPainted, b.figures.areaPainted);
    case JobSortKey::LitresP1: return order(a.figures.litresP1, b.figures.litresP1);
    case JobSortKey::LitresP2: return order(a.figures.litresP2, b.figures.litresP2);
    case JobSortKey::Alarms: return order(a.figures.alarms, b.figures.alarms);
    case JobSortKey::Verdict: return order(std::tuple(a.withinTolerance, a.verdictText), std::tuple(b.withinTolerance, b.verdictText));
    case JobSortKey::Status: return order(std::string_view(statusText(a.status)), std::string_view(statusText(b.status)));
  }
  return 0;
}

}  // namespace

std::optional<JobSortKey> sortKeyOfName(std::string_view name) {
  for (const auto& [key, text] : kNames)
    if (name == text) return key;
  return std::nullopt;
}

const char* sortKeyName(JobSortKey key) {
  for (const auto& [known, text] : kNames)
    if (known == key) return text;
  return "debut";
}

JobPage pageOf(std::vector<JobSummary> jobs, const JobQuery& query) {
  std::erase_if(jobs, [&](const JobSummary& job) {
    return (!query.machine.empty() && job.machine != query.machine) || (query.status && job.status != *query.status);
  });
  std::stable_sort(jobs.begin(), jobs.end(), [&](const JobSummary& a, const JobSummary& b) {
    const int by = compareBy(query.sortBy, a, b);
    if (by != 0) return query.descending ? by > 0 : by < 0;
    return std::tuple(a.startedMs, a.id) > std::tuple(b.startedMs, b.id);
  });
  JobPage page;
  page.total = jobs.size();
  const std::size_t from = std::min(query.offset, jobs.size());
  const std::size_t count = std::min({query.limit, JobQuery::kLargestPage, jobs.size() - from});
  page.jobs.assign(std::make_move_iterator(jobs.begin() + static_cast<std::ptrdiff_t>(from)),
                   std::make_move_iterator(jobs.begin() + static_cast<std::ptrdiff_t>(from + count)));
  return page;
}

bool JobStore::waitForChange(std::chrono::milliseconds most) {
  std::this_thread::sleep_for(most);
  return true;
}

std::vector<std::string> JobStore::machines() {
  std::vector<std::string> names;
  for (const JobSummary& job : list(std::nullopt, "")) names.push_back(job.machine);
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

}  // namespace chromaflow
