#pragma once
// The job sheet: the job record as a PDF a client can read. The project's name and user text, the
// wall drawn in the colours the mix gives, per surface what the plan asked and what was laid, the
// proportion asked against the proportion laid along the path with the alarms marked, and the
// totals asked and delivered.

#include <string>

namespace chromaflow {

class Session;

// Written whole or not at all; throws FileError naming the file.
void writeJobSheet(const Session& session, const std::string& path);

}  // namespace chromaflow
