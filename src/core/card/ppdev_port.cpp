#include "core/card/ppdev_port.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/ppdev.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace chromaflow {
namespace {

int systemOpen(const char* path, int flags) { return ::open(path, flags); }
int systemIoctl(int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); }
int systemClose(int fd) { return ::close(fd); }

std::string hex(unsigned value) {
  std::ostringstream out;
  out << "0x" << std::hex << std::uppercase << value;
  return out.str();
}

// The group that may use the device (usually lp), read from the device itself.
std::string deviceGroup(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0)
    if (const group* owner = ::getgrgid(status.st_gid)) return owner->gr_name;
  return "lp";
}

std::string userName() {
  if (const passwd* user = ::getpwuid(::getuid())) return user->pw_name;
  return "$USER";
}

// The printer driver lp claims every parallel port it finds and keeps it.
bool printerDriverLoaded(const std::string& modules) {
  std::ifstream file(modules);
  std::string line;
  while (std::getline(file, line))
    if (line.rfind("lp ", 0) == 0) return true;
  return false;
}

const char* const kLoadDrivers = "chargez les pilotes du port parallèle : sudo modprobe parport_pc ppdev";

// What the operator does when the device exists but cannot be had.
std::string remedyFor(PortProblem problem, const std::string& path, const PpdevLocation& location) {
  switch (problem) {
    case PortProblem::PermissionRefused: {
      const std::string user = userName(), group = deviceGroup(path);
      return "ajoutez l'utilisateur " + user + " au groupe " + group + " : sudo adduser " + user + " " + group +
             ", puis fermez la session et rouvrez-la";
    }
    case PortProblem::Busy:
      if (printerDriverLoaded(location.modules))
        return "le pilote d'imprimante lp tient le port : sudo modprobe -r lp, et retirez la ligne « lp » de "
               "/etc/modules pour qu'il ne revienne pas au démarrage";
      return "un autre programme utilise " + path + " : fermez-le";
    case PortProblem::NoDevice: return "chargez le pilote ppdev : sudo modprobe ppdev";
    default: return {};
  }
}

}  // namespace

PpdevSystem realPpdevSystem() { return {systemOpen, systemIoctl, systemClose}; }

PpdevPort::PpdevPort(int fd, ParallelPortRegisters registers, std::string path, PpdevSystem system)
    : fd_(fd), registers_(registers), path_(std::move(path)), system_(system) {}

PpdevPort::~PpdevPort() {
  system_.ioctl(fd_, PPRELEASE, nullptr);
  system_.close(fd_);
}

std::uint8_t PpdevPort::readByte(std::uint16_t address) {
  unsigned char value = 0xFF;
  // A failed read gives all lines released rather than stopping the reading cycle.
  if (address == registers_.status) {
    if (system_.ioctl(fd_, PPRSTATUS, &value) != 0) value = 0xFF;
  } else if (address == registers_.control) {
    if (system_.ioctl(fd_, PPRCONTROL, &value) != 0) value = 0xFF;
  }
  return value;
}

void PpdevPort::writeByte(std::uint16_t address, std::uint8_t value) {
  if (address != registers_.control) return;
  unsigned char control = value;
  system_.ioctl(fd_, PPWCONTROL, &control);
}

std::variant<std::string, PortOpenFailure> findPpdevDevice(ParallelPortKind kind,
                                                           const PpdevLocation& location) {
  namespace fs = std::filesystem;
  const unsigned base = registersOf(kind).base;
  std::error_code error;
  fs::directory_iterator entries(location.parportInfo, error);
  if (error)
    return PortOpenFailure{PortProblem::NoDevice,
                           "aucun port parallèle connu du noyau (" + location.parportInfo + ")", kLoadDrivers};
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("parport", 0) != 0) continue;
    std::ifstream file(entry.path() / "base-addr");
    unsigned long reported = 0;
    if (file >> reported && reported == base) return location.devices + "/" + name;
  }
  return PortOpenFailure{PortProblem::NoDevice,
                         std::string("aucun port parallèle à l'adresse ") + hex(base) + " (" +
                             portName(kind) + ")",
                         "réglez le port parallèle du PC sur " + hex(base) + " dans son BIOS"};
}

std::variant<std::unique_ptr<PpdevPort>, PortOpenFailure> openPpdevPort(ParallelPortKind kind,
                                                                        const PpdevLocation& location) {
  auto found = findPpdevDevice(kind, location);
  if (auto* failure = std::get_if<PortOpenFailure>(&found)) return *failure;
  const std::string path = std::get<std::string>(found);

  const int fd = location.system.open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    const PortProblem problem = problemOfErrno(error);
    return PortOpenFailure{problem, path + " : " + std::strerror(error), remedyFor(problem, path, location)};
  }
  // Exclusive use: the claim fails at once, instead of waiting, when another driver (lp) or
  // program holds the port.
  if (location.system.ioctl(fd, PPEXCL, nullptr) != 0 || location.system.ioctl(fd, PPCLAIM, nullptr) != 0) {
    const int error = errno;
    location.system.close(fd);
    const PortProblem problem = error == ENOTTY ? PortProblem::NotSupported : PortProblem::Busy;
    return PortOpenFailure{problem, path + " : " + std::strerror(error), remedyFor(problem, path, location)};
  }
  return std::make_unique<PpdevPort>(fd, registersOf(kind), path, location.system);
}

}  // namespace chromaflow
