#include "core/session/value_prompts.h"

namespace chromaflow {

ValuePrompt pumpLitresPrompt(Pump pump, const MainWindowFigures& figures) {
  const bool first = pump == Pump::P1;
  return {first ? "Consommation pompe P1 (litres)" : "Consommation pompe P2 (litres)",
          first ? figures.LitresP1 : figures.LitresP2, (first ? figures.TrP1 : figures.TrP2) != "0"};
}

ValuePrompt distancePrompt(const MainWindowFigures& figures) {
  return {"Distance parcourue (m)", figures.Distance, true};
}

}  // namespace chromaflow
