#include "core/card/port_router.h"

#include <utility>

namespace chromaflow {

PortRouter::PortRouter(PortOpener opener) : opener_(std::move(opener)) {}

const PortChoice& PortRouter::open(ParallelPortKind kind) {
  std::optional<PortChoice>& slot = ports_[static_cast<std::size_t>(kind)];
  if (!slot) {
    PortChoice choice = opener_ ? opener_(kind) : PortChoice{};
    // An opener that gives no access leaves the port with nothing attached, not a null access.
    if (!choice.port) {
      choice.port = nothingAttachedPort();
      choice.backend = PortBackend::Nothing;
      if (choice.device.empty())
        choice.device = "Port " + std::string(portName(kind)) + " inaccessible, rien n'y est branché";
    }
    slot = std::move(choice);
  }
  return *slot;
}

const PortChoice* PortRouter::choice(ParallelPortKind kind) const {
  const std::optional<PortChoice>& slot = ports_[static_cast<std::size_t>(kind)];
  return slot ? &*slot : nullptr;
}

std::string PortRouter::summary(ParallelPortKind kind) const {
  if (const PortChoice* opened = choice(kind)) return opened->summary();
  return "Port " + std::string(portName(kind)) + " pas encore utilisé";
}

PortAccess* PortRouter::routeToAnotherPort(std::uint16_t address) {
  const auto kind = portOfAddress(address);
  if (!kind) return nullptr;
  last_ = open(*kind).port.get();
  lastBase_ = registersOf(*kind).base;
  return last_;
}

}  // namespace chromaflow
