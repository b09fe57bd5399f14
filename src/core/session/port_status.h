#pragma once
// One line that tells the operator what the program is driving: the card on which port and
// through which access, or the simulated machine and why hardware was not used, and whether a
// card answered.

#include <string>

namespace chromaflow {

class Session;

std::string drivingSummary(const Session& session);

}  // namespace chromaflow
