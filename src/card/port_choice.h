#pragma once
// The one place where the program picks its port access: the parallel port through ppdev if it
// can be opened, else direct port I/O if the process is allowed it, else the simulated card.
// The choice and why hardware was not used are kept for the windows to show.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "card/parallel_port.h"
#include "card/port_access.h"
#include "card/port_problem.h"
#include "card/ppdev_port.h"

namespace chromaflow {

enum class PortBackend { Ppdev, DirectIo, Simulated };

struct PortChoice {
  std::unique_ptr<PortAccess> port;
  PortBackend backend = PortBackend::Simulated;
  std::string device;                           // what is in use, in words
  std::vector<PortOpenFailure> hardwareProblems; // why each hardware access was not used

  // One line for the operator, e.g. "Carte simulée (ppdev : aucun périphérique ...)".
  std::string summary() const;
};

struct PortChoiceOptions {
  PpdevLocation ppdev;
  bool tryPpdev = true;
  bool tryDirectIo = true;
};

using SimulatedPortFactory = std::function<std::unique_ptr<PortAccess>()>;

PortChoice choosePortAccess(ParallelPortKind kind, const SimulatedPortFactory& simulated,
                            const PortChoiceOptions& options = {});

}  // namespace chromaflow
