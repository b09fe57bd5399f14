#pragma once
// The tables both stores keep, column for column, and the pieces of their statements. Nothing
// the operator types is ever put in a statement's text: every value is a bound parameter.

#include <string>

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
