#pragma once
// The rights of the shared history, kept by the server itself: each painting machine logs in
// with a role of its own, member of `chromaflow_machine`, which may add jobs and change only the
// jobs of its own machine (the machine of a job is the role the server sees), and never delete
// one; a reader (a foreman's view), member of `chromaflow_reader`, may only read. The database's
// owner sets them up once, and again at will: each statement may run twice.

#include <string>
#include <vector>

namespace chromaflow::shared_history_rights {

inline constexpr const char* kMachineRole = "chromaflow_machine";
inline constexpr const char* kReaderRole = "chromaflow_reader";

// The statements, in order, for the tables this program writes; run by their owner in one
// transaction once the roles exist.
const std::vector<std::string>& statements();

}  // namespace chromaflow::shared_history_rights
