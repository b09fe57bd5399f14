#include "app/port_status.h"

#include "app/session.h"

namespace chromaflow {
std::string drivingSummary(const Session& session) {
  const ParallelPortKind kind = session.selectedPort();
  const PortChoice* choice = session.portChoice(kind);
  if (!choice) return "Port " + std::string(portName(kind)) + " pas encore utilisé";

  std::string text;
  switch (choice->backend) {
    case PortBackend::Ppdev:
    case PortBackend::DirectIo: text = "Carte K8000 sur " + choice->device; break;
    case PortBackend::Simulated: {
      text = "Machine simulée";
      const std::string why = choice->problemsText();
      if (!why.empty()) text += " (" + why + ")";
      break;
    }
    case PortBackend::Nothing: text = choice->summary(); break;
  }
  if (const std::string remedy = choice->remedy(); !remedy.empty() && choice->backend != PortBackend::Ppdev &&
                                                      choice->backend != PortBackend::DirectIo)
    text += ". Pour utiliser la carte : " + remedy;
  const auto& probe = session.cardProbe();
  if (probe && probe->port == kind && probe->cardEnabled && probe->answering() == 0)
    text += " : aucune carte ne répond";
  return text;
}

}  // namespace chromaflow
