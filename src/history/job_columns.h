#pragma once
// The tables both stores keep, column for column, and the pieces of their statements. Nothing
// the operator types is ever put in a statement's text: every value is a bound parameter.

#include <string>

#include "core/history/job_query.h"

namespace chromaflow::history_tables {

// jobs: what a list shows, one short row per job. job_details: the bulk of it.
inline constexpr const char* kJobColumns =
    "uid, machine, project_path, project_name, user_text, started_ms, ended_ms, status, backend, tolerance, "
    "within_tolerance, verdict_text, area_m2, litres_p1, litres_p2, alarms, waiting";
inline constexpr int kJobColumnCount = 17;
inline constexpr const char* kSummaryColumns =
    "id, uid, started_ms, ended_ms, status, machine, project_name, user_text, area_m2, litres_p1, litres_p2, alarms, "
    "within_tolerance, verdict_text";
// The columns a search looks in.
inline constexpr const char* kSearchedColumns[] = {"machine", "project_name", "project_path", "user_text", "backend"};

// The column a page is sorted by; ties go to the newest.
inline const char* sortColumn(JobSortKey key) {
  switch (key) {
    case JobSortKey::Started: return "started_ms";
    case JobSortKey::Ended: return "ended_ms";
    case JobSortKey::Machine: return "machine";
    case JobSortKey::Project: return "project_name";
    case JobSortKey::UserText: return "user_text";
    case JobSortKey::Area: return "area_m2";
    case JobSortKey::LitresP1: return "litres_p1";
    case JobSortKey::LitresP2: return "litres_p2";
    case JobSortKey::Alarms: return "alarms";
    case JobSortKey::Verdict: return "within_tolerance, verdict_text";
    case JobSortKey::Status: return "status";
  }
  return "started_ms";
}

// " ORDER BY ... LIMIT" for the query, each sorted column in its direction.
inline std::string orderOf(const JobQuery& query) {
  const std::string direction = query.descending ? " DESC" : " ASC";
  std::string order = " ORDER BY ";
  std::string columns = sortColumn(query.sortBy);
  for (std::size_t at = 0; at <= columns.size();) {
    std::size_t end = columns.find(", ", at);
    if (end == std::string::npos) end = columns.size();
    order += columns.substr(at, end - at) + direction + ", ";
    at = end + 2;
  }
  return order + "started_ms DESC, id DESC";
}

// "%text%" for LIKE, its own %, _ and \ taken literally (with ESCAPE '\').
inline std::string containsPattern(const std::string& text) {
  std::string pattern = "%";
  for (char c : text) {
    if (c == '%' || c == '_' || c == '\\') pattern += '\\';
    pattern += c;
  }
  return pattern + "%";
}

}  // namespace chromaflow::history_tables
