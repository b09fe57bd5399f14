#pragma once
// Port access through Linux's user-space parallel-port driver (/dev/parportN): no root needed
// when the user belongs to the device's group. Only the status and control registers of the
// claimed port are reached; any other address reads 0xFF and takes no write.

#include <memory>
#include <string>
#include <variant>

#include "core/card/parallel_port.h"
#include "core/card/port_access.h"
#include "core/card/port_problem.h"

namespace chromaflow {

// The system calls the backend makes, so that tests can stand in for a device.
struct PpdevSystem {
  int (*open)(const char* path, int flags);
  int (*ioctl)(int fd, unsigned long request, void* argument);
  int (*close)(int fd);
};
PpdevSystem realPpdevSystem();

struct PpdevLocation {
  std::string parportInfo = "/proc/sys/dev/parport";  // parportN/base-addr per port
  std::string devices = "/dev";
  std::string modules = "/proc/modules";  // the kernel's loaded modules: is the printer driver lp in?
  PpdevSystem system = realPpdevSystem();
};

class PpdevPort : public PortAccess {
 public:
  PpdevPort(int fd, ParallelPortRegisters registers, std::string path, PpdevSystem system);
  ~PpdevPort() override;
  PpdevPort(const PpdevPort&) = delete;
  PpdevPort& operator=(const PpdevPort&) = delete;

  std::uint8_t readByte(std::uint16_t address) override;
  void writeByte(std::uint16_t address, std::uint8_t value) override;
  const std::string& path() const { return path_; }

 private:
  int fd_;
  ParallelPortRegisters registers_;
  std::string path_;
  PpdevSystem system_;
};

// The /dev/parportN whose base address (as the kernel reports it) is that of `kind`, or why
// there is none.
std::variant<std::string, PortOpenFailure> findPpdevDevice(ParallelPortKind kind,
                                                           const PpdevLocation& location);

// Opens and claims that device for this program alone.
std::variant<std::unique_ptr<PpdevPort>, PortOpenFailure> openPpdevPort(
    ParallelPortKind kind, const PpdevLocation& location = {});

}  // namespace chromaflow
