#include "core/session/port_status.h"

#include "core/card/machine_wiring.h"
#include "core/session/session.h"

namespace chromaflow {
namespace {

// A port reached where none of the card's chips answers says so.
std::string withProbe(const Session& session, std::string text) {
  const auto& probe = session.cardProbe();
  if (probe && probe->port == session.selectedPort() && probe->cardEnabled && probe->answering() == 0)
    text += " : aucune carte ne répond";
  return text;
}

// How the inputs are counted, while the acquisition thread does it, and how to count them
// better when the system gave it no real-time priority.
std::string acquisitionText(const Session& session) {
  const InputAcquisition* acquisition = session.acquisition();
  if (!acquisition || !acquisition->running()) return "";
  const AcquisitionFigures figures = acquisition->figures();
  std::string text = " — comptage toutes les " + std::to_string(acquisition->periodMicroseconds() / 1000) + " ms";
  if (figures.lossKnown) {
    const MachineWiring& wiring = kMachineWiring;
    text += ", impulsions perdues : rouleau " + std::to_string(figures.pulsesLost[wiring.roller]) + ", P1 " +
            std::to_string(figures.pulsesLost[wiring.pumpP1]) + ", P2 " + std::to_string(figures.pulsesLost[wiring.pumpP2]);
  }
  if (figures.priority == AcquisitionPriority::Normal) return text + ", " + figures.priorityRemedy;
  return text + ", en temps réel (" + priorityName(figures.priority) + ")";
}

}  // namespace

std::string drivingSummary(const Session& session) {
  const ParallelPortKind kind = session.selectedPort();
  const PortChoice* choice = session.portChoice(kind);
  if (!choice) return "Port " + std::string(portName(kind)) + " pas encore utilisé";

  // What the operator can do about it comes first: the status bar cuts the end of a long line.
  const std::string remedy = choice->remedy();
  std::string text;
  switch (choice->backend) {
    case PortBackend::Ppdev:
    case PortBackend::DirectIo:
      return withProbe(session, "Carte K8000 sur " + choice->device) + acquisitionText(session);
    case PortBackend::Simulated: text = "Machine simulée"; break;
    case PortBackend::Nothing: text = choice->device; break;
  }
  if (!remedy.empty()) text += " — pour utiliser la carte : " + remedy;
  if (const std::string why = choice->problemsText(); !why.empty()) text += " — " + why;
  return withProbe(session, text) + acquisitionText(session);
}

}  // namespace chromaflow
