#pragma once
// The one place where the program picks the access to a parallel port: through ppdev if it can
// be opened, else direct port I/O if the process is allowed it, else the simulated card when the
// caller offers one (it sits on Lpt1), else nothing attached. The choice and why hardware was
// not used are kept for the windows to show.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/card/parallel_port.h"
#include "core/card/port_access.h"
#include "core/card/port_problem.h"
#include "core/card/ppdev_port.h"

namespace chromaflow {

// Nothing: the port reads as nothing attached (every register 0xFF) and drops every write.
enum class PortBackend { Ppdev, DirectIo, Simulated, Nothing };

struct PortChoice {
  std::unique_ptr<PortAccess> port;
  PortBackend backend = PortBackend::Simulated;
  std::string device;                            // what is in use, in words
  std::vector<PortOpenFailure> hardwareProblems;  // why each hardware access was not used

  // One line for the operator, e.g. "Carte simulée (ppdev : aucun périphérique ...)".
  std::string summary() const;
  // Why each hardware access was not used, "permission refusée : ... ; ...", or nothing.
  std::string problemsText() const;
  // What the operator does so that the card can be used: the first hardware access's remedy
  // (ppdev comes first, and is the way without root), or nothing.
  std::string remedy() const;
};

struct PortChoiceOptions {
  PpdevLocation ppdev;
  bool tryPpdev = true;
  bool tryDirectIo = true;
};

// Makes the simulated card; an empty factory means there is none for this port.
using SimulatedPortFactory = std::function<std::unique_ptr<PortAccess>()>;

PortChoice choosePortAccess(ParallelPortKind kind, const SimulatedPortFactory& simulated,
                            const PortChoiceOptions& options = {});

// A port access with nothing attached: every register reads 0xFF, every write is lost.
std::unique_ptr<PortAccess> nothingAttachedPort();

// Opens the access to one parallel port: hardware when it can, otherwise why not.
using PortOpener = std::function<PortChoice(ParallelPortKind)>;

// The program's policy for every port: hardware first; when none, Lpt1 falls back to the
// simulated card and Prn and Lpt2 to nothing attached.
PortOpener standardPortOpener(SimulatedPortFactory simulatedOnLpt1, PortChoiceOptions options = {});

}  // namespace chromaflow
