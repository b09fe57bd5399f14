#include "core/card/direct_port.h"

#include <cerrno>
#include <cstring>
#include <string>

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define CHROMAFLOW_HAS_PORT_IO 1
#endif

namespace chromaflow {

#ifdef CHROMAFLOW_HAS_PORT_IO

namespace {

// The status register sits at base + 1 and the control register at base + 2.
int grant(const ParallelPortRegisters& port, int on) { return ioperm(port.status, 2, on); }

// The classic check for a port: the low four bits of the control register read back as
// written. 0x0C and 0x0E keep SCL low, so the I2C chips see no start or stop; the bus is left idle.
bool answersLikeAParallelPort(const ParallelPortRegisters& port) {
  outb(0x0C, port.control);
  bool present = (inb(port.control) & 0x0F) == 0x0C;
  if (present) {
    outb(0x0E, port.control);
    present = (inb(port.control) & 0x0F) == 0x0E;
    outb(0x0C, port.control);
  }
  outb(0x04, port.control);
  return present;
}

}  // namespace

DirectPort::DirectPort(std::vector<ParallelPortRegisters> granted) : granted_(std::move(granted)) {}

DirectPort::~DirectPort() {
  for (const auto& port : granted_) grant(port, 0);
}

bool DirectPort::granted(std::uint16_t address) const {
  for (const auto& port : granted_)
    if (address == port.status || address == port.control) return true;
  return false;
}

std::uint8_t DirectPort::readByte(std::uint16_t address) {
  return granted(address) ? inb(address) : 0xFF;
}

void DirectPort::writeByte(std::uint16_t address, std::uint8_t value) {
  if (granted(address)) outb(value, address);
}

std::variant<std::unique_ptr<DirectPort>, PortOpenFailure> openDirectPort(ParallelPortKind kind) {
  const ParallelPortRegisters wanted = registersOf(kind);
  if (grant(wanted, 1) != 0) {
    const int error = errno;
    return PortOpenFailure{problemOfErrno(error), std::string("ioperm : ") + std::strerror(error), {}};
  }
  if (!answersLikeAParallelPort(wanted)) {
    grant(wanted, 0);
    return PortOpenFailure{PortProblem::NoPortAtAddress,
                           std::string("rien ne répond au port ") + portName(kind), {}};
  }
  std::vector<ParallelPortRegisters> granted{wanted};
  for (auto other : {ParallelPortKind::Prn, ParallelPortKind::Lpt1, ParallelPortKind::Lpt2}) {
    const ParallelPortRegisters registers = registersOf(other);
    if (other != kind && grant(registers, 1) == 0) granted.push_back(registers);
  }
  return std::make_unique<DirectPort>(std::move(granted));
}

#else

DirectPort::DirectPort(std::vector<ParallelPortRegisters> granted) : granted_(std::move(granted)) {}
DirectPort::~DirectPort() = default;
bool DirectPort::granted(std::uint16_t) const { return false; }
std::uint8_t DirectPort::readByte(std::uint16_t) { return 0xFF; }
void DirectPort::writeByte(std::uint16_t, std::uint8_t) {}

std::variant<std::unique_ptr<DirectPort>, PortOpenFailure> openDirectPort(ParallelPortKind) {
  return PortOpenFailure{PortProblem::NotSupported, "accès direct aux ports : x86 Linux seulement", {}};
}

#endif

}  // namespace chromaflow
