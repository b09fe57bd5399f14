#include "core/session/port_status.h"

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
    case PortBackend::DirectIo: return withProbe(session, "Carte K8000 sur " + choice->device);
    case PortBackend::Simulated: text = "Machine simulée"; break;
    case PortBackend::Nothing: text = choice->device; break;
  }
  if (!remedy.empty()) text += " — pour utiliser la carte : " + remedy;
  if (const std::string why = choice->problemsText(); !why.empty()) text += " — " + why;
  return withProbe(session, text);
}

}  // namespace chromaflow
