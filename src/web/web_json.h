#pragma once
// The history as the foreman's pages and a firm's own tools read it: JSON, every figure a plain
// number (m, m², litres, % of P2, milliseconds since 1970 UTC), every text as the history keeps
// it. The pages show texts as text, never as markup.

#include <QByteArray>
#include <cstdint>
#include <vector>

#include "core/history/job_query.h"
#include "core/history/stored_job.h"

namespace chromaflow::web {

// {"jobs": [...], "total": N, "offset": N, "limit": N}
QByteArray pageJson(const JobPage& page, const JobQuery& query);
// The job as its report shows it: its figures, its verdict and where it was out of tolerance,
// surface by surface, the proportion along the path, and the correction's indicators.
QByteArray jobJson(const StoredJob& job);
// {"now": ms, "jobs": [cards]}: the jobs running, each as its card shows it; with "erreur" when
// the history could not be read.
QByteArray runningJson(const std::vector<StoredJob>& jobs, std::int64_t nowMs, const std::string& error = {});
// {"erreur": "..."}
QByteArray errorJson(const std::string& error);
// ["atelier1", ...]
QByteArray machinesJson(const std::vector<std::string>& machines);

}  // namespace chromaflow::web
