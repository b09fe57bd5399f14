#pragma once
// A PC's history file of `count` finished jobs, as its writer leaves it, made in one statement:
// three machines, areas and alarms that differ from job to job, one job in three out of
// tolerance.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "history/sqlite_job_store.h"

namespace chromaflow::bench {

inline std::filesystem::path historyOfJobs(std::int64_t count, const std::string& name) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove(path);
  {
    SqliteJobStore made(path.string(), {.machine = "atelier-1"});
    made.open();
  }
  sqlite3* db = nullptr;
  sqlite3_open(path.string().c_str(), &db);
  const std::string jobs =
      "BEGIN;"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(count) + ")"
      " INSERT INTO jobs (uid, machine, project_path, project_name, user_text, started_ms, ended_ms, status,"
      " backend, tolerance, within_tolerance, verdict_text, area_m2, litres_p1, litres_p2, alarms)"
      " SELECT 'u' || i, 'atelier-' || (i % 3), '/p/' || i || '.prv', 'Chantier ' || i, 'Client ' || i,"
      " 1714521600000 - i * 600000, 1714521600000 - i * 600000 + 300000, 'terminé', 'carte K8000 sur Lpt1', 2,"
      " i % 3 <> 0, 'Proportion tenue à ±2 points sur 32.40 m peints.', (i * 7919) % 100000 / 100.0, 2.5, 1.5,"
      " i % 17 FROM n;"
      "COMMIT;";
  sqlite3_exec(db, jobs.c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return path;
}

}  // namespace chromaflow::bench
