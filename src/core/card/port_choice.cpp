#include "core/card/port_choice.h"

#include "core/card/direct_port.h"

namespace chromaflow {
namespace {

// A port with nothing on it: every line released, every write lost.
class NothingAttached final : public PortAccess {
 public:
  std::uint8_t readByte(std::uint16_t) override { return 0xFF; }
  void writeByte(std::uint16_t, std::uint8_t) override {}
};

}  // namespace

std::unique_ptr<PortAccess> nothingAttachedPort() { return std::make_unique<NothingAttached>(); }

std::string PortChoice::problemsText() const {
  std::string text;
  for (const PortOpenFailure& failure : hardwareProblems) {
    if (!text.empty()) text += " ; ";
    text += std::string(problemName(failure.problem)) + " : " + failure.detail;
  }
  return text;
}

std::string PortChoice::remedy() const {
  for (const PortOpenFailure& failure : hardwareProblems)
    if (!failure.remedy.empty()) return failure.remedy;
  return {};
}

std::string PortChoice::summary() const {
  return hardwareProblems.empty() ? device : device + " (" + problemsText() + ")";
}

PortChoice choosePortAccess(ParallelPortKind kind, const SimulatedPortFactory& simulated,
                            const PortChoiceOptions& options) {
  PortChoice choice;
  if (options.tryPpdev) {
    auto opened = openPpdevPort(kind, options.ppdev);
    if (auto* port = std::get_if<std::unique_ptr<PpdevPort>>(&opened)) {
      choice.device = "Port " + std::string(portName(kind)) + " par " + (*port)->path();
      choice.port = std::move(*port);
      choice.backend = PortBackend::Ppdev;
      return choice;
    }
    choice.hardwareProblems.push_back(std::get<PortOpenFailure>(opened));
  }
  if (options.tryDirectIo) {
    auto opened = openDirectPort(kind);
    if (auto* port = std::get_if<std::unique_ptr<DirectPort>>(&opened)) {
      choice.device = "Port " + std::string(portName(kind)) + " en accès direct";
      choice.port = std::move(*port);
      choice.backend = PortBackend::DirectIo;
      return choice;
    }
    choice.hardwareProblems.push_back(std::get<PortOpenFailure>(opened));
  }
  if (simulated) choice.port = simulated();
  if (choice.port) {
    choice.backend = PortBackend::Simulated;
    choice.device = "Carte K8000 simulée";
  } else {
    choice.port = nothingAttachedPort();
    choice.backend = PortBackend::Nothing;
    choice.device = "Port " + std::string(portName(kind)) + " inaccessible, rien n'y est branché";
  }
  return choice;
}

PortOpener standardPortOpener(SimulatedPortFactory simulatedOnLpt1, PortChoiceOptions options) {
  return [simulated = std::move(simulatedOnLpt1), options = std::move(options)](ParallelPortKind kind) {
    return choosePortAccess(kind, kind == ParallelPortKind::Lpt1 ? simulated : SimulatedPortFactory{}, options);
  };
}

}  // namespace chromaflow
