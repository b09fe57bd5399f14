#pragma once
// The port access the bus talks to when the operator may choose Prn, Lpt1 or Lpt2: each register
// access goes, by its address, to the access of the port that register belongs to. A port's
// access is opened the first time one of its registers is used (or when open() asks for it) and
// kept, with why hardware was not used, until the router goes. An address on no parallel port
// reads 0xFF and takes no write.

#include <array>
#include <optional>
#include <string>

#include "core/card/parallel_port.h"
#include "core/card/port_access.h"
#include "core/card/port_choice.h"

namespace chromaflow {

class PortRouter final : public PortAccess, public PortSet {
 public:
  explicit PortRouter(PortOpener opener);
  PortRouter(const PortRouter&) = delete;
  PortRouter& operator=(const PortRouter&) = delete;

  std::uint8_t readByte(std::uint16_t address) override {
    PortAccess* access = route(address);
    return access ? access->readByte(address) : 0xFF;
  }
  void writeByte(std::uint16_t address, std::uint8_t value) override {
    if (PortAccess* access = route(address)) access->writeByte(address, value);
  }

  // The port's access, opened now if it was not yet: the menu's choice reaches hardware at once.
  const PortChoice& open(ParallelPortKind kind);
  PortAccess& portAccess(ParallelPortKind kind) override { return *open(kind).port; }
  // The port's access, or nothing while the port has not been used.
  const PortChoice* choice(ParallelPortKind kind) const;
  // One line for the operator about that port: what is in use and why hardware was not.
  std::string summary(ParallelPortKind kind) const;

 private:
  // Every register access of the bus comes through here: an access to the port used last goes
  // straight to it; another one finds its port (and opens it the first time).
  PortAccess* route(std::uint16_t address) {
    // The three registers of a port lie at base, base + 1 and base + 2.
    if (last_ && static_cast<std::uint16_t>(address - lastBase_) <= 2) return last_;
    return routeToAnotherPort(address);
  }
  PortAccess* routeToAnotherPort(std::uint16_t address);

  PortOpener opener_;
  std::array<std::optional<PortChoice>, 3> ports_;
  PortAccess* last_ = nullptr;
  std::uint16_t lastBase_ = 0;
};

}  // namespace chromaflow
