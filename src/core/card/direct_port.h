#pragma once
// Port access with the processor's in/out instructions, after asking the kernel for the right
// to use the port's registers (ioperm). Needs x86 Linux and a process allowed raw I/O (root or
// CAP_SYS_RAWIO). Addresses outside the granted ports read 0xFF and take no write.

#include <memory>
#include <variant>
#include <vector>

#include "core/card/parallel_port.h"
#include "core/card/port_access.h"
#include "core/card/port_problem.h"

namespace chromaflow {

class DirectPort : public PortAccess {
 public:
  explicit DirectPort(std::vector<ParallelPortRegisters> granted);
  ~DirectPort() override;
  DirectPort(const DirectPort&) = delete;
  DirectPort& operator=(const DirectPort&) = delete;

  std::uint8_t readByte(std::uint16_t address) override;
  void writeByte(std::uint16_t address, std::uint8_t value) override;

 private:
  bool granted(std::uint16_t address) const;
  std::vector<ParallelPortRegisters> granted_;
};

// Asks for the status and control registers of every port, and requires `kind`'s port to be
// granted and to answer like a parallel port (its control register reads back what is written).
std::variant<std::unique_ptr<DirectPort>, PortOpenFailure> openDirectPort(ParallelPortKind kind);

}  // namespace chromaflow
