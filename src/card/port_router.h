#pragma once
// The port access the bus talks to when the operator may choose Prn, Lpt1 or Lpt2: each register
// access goes, by its address, to the access of the port that register belongs to. A port's
// access is opened the first time one of its registers is used (or when open() asks for it) and
// kept, with why hardware was not used, until the router goes. An address on no parallel port
// reads 0xFF and takes no write.

#include <array>
#include <optional>
#include <string>

#include "card/parallel_port.h"
#include "card/port_access.h"
#include "card/port_choice.h"

namespace chromaflow {

class PortRouter final : public PortAccess {
 public:
  explicit PortRouter(PortOpener opener);
  PortRouter(const PortRouter&) = delete;
  PortRouter& operator=(const PortRouter&) = delete;

  std::uint8_t readByte(std::uint16_t address) override;
  void writeByte(std::uint16_t address, std::uint8_t value) override;

  // The port's access, opened now if it was not yet: the menu's choice reaches hardware at once.
  const PortChoice& open(ParallelPortKind kind);
  // The port's access, or nothing while the port has not been used.
  const PortChoice* choice(ParallelPortKind kind) const;
  // One line for the operator about that port: what is in use and why hardware was not.
  std::string summary(ParallelPortKind kind) const;

 private:
  PortAccess& route(ParallelPortKind kind) { return *open(kind).port; }

  PortOpener opener_;
  std::array<std::optional<PortChoice>, 3> ports_;
};

}  // namespace chromaflow
