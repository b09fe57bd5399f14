#pragma once
// The job sheet: the job record as a PDF a client can read. The project's name and user text; at
// its head the verdict, whether the proportion laid stayed within the tolerance the session judges
// at; the wall drawn in the colours the mix gives, per surface what the plan asked and what was
// laid, the proportion asked against the proportion laid along the path with the stretches out of
// tolerance shaded, the totals asked and delivered, and last the correction's indicators under a
// heading of their own.

#include <string>

namespace chromaflow {

class Session;

// Written whole or not at all; throws FileError naming the file.
void writeJobSheet(const Session& session, const std::string& path);

}  // namespace chromaflow
