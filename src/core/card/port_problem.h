#pragma once
// Why a hardware port backend could not be used, in words the operator can act on.

#include <string>

namespace chromaflow {

enum class PortProblem {
  NoDevice,           // no such port or device on this machine
  PermissionRefused,  // the device exists but this user may not use it
  Busy,               // another driver or program holds the port
  NotSupported,       // this system offers no such access
  NoPortAtAddress,    // access allowed, but no port answers there
  Failed,             // any other system error
};

struct PortOpenFailure {
  PortProblem problem;
  std::string detail;  // the system's message and what was tried
  std::string remedy;  // what the operator does so that the card can be used, when known
};

const char* problemName(PortProblem problem);

// The problem an errno value from opening a device or asking for port rights stands for.
PortProblem problemOfErrno(int error);

}  // namespace chromaflow
