// chromaflow-card-demo: a short headless run of the card layer on the port access the program
// would choose (see src/sim/harness/card_demo.h). A real card is driven only with --drive.

#include <iostream>
#include <memory>
#include <string>

#include "command_line.h"
#include "sim/harness/card_demo.h"

using namespace chromaflow;
using tools::InformationAsked;
using tools::UsageError;

namespace {

const char* const kUsage =
    "usage : chromaflow-card-demo [--drive]\n"
    "        chromaflow-card-demo --help | --version\n";

const char* const kHelp =
    "\n"
    "Fait passer la carte K8000 de Lpt1 par son initialisation, quelques opérations sur ses canaux\n"
    "et ses convertisseurs, et montre après chacune l'image de la carte et le nombre d'accès au port.\n"
    "Sans vraie carte, elle tourne sur la carte simulée et y joue aussi le côté de la machine.\n"
    "\n"
    "  --drive   sur une vraie carte, fait vraiment les opérations : la sortie 9 (pistolet) et la\n"
    "            sortie DA 1 (mélange des pompes) changent. Sans --drive, la démonstration dit\n"
    "            seulement ce qu'elle ferait.\n"
    "Statut : 0 fait, 1 échec, 2 ligne de commande refusée.\n";

bool parse(int argc, char** argv) {
  bool drive = false;
  tools::ArgumentReader args(argc, argv);
  while (args.next()) {
    const std::string& arg = args.name();
    if (arg == "-h" || arg == "--help") args.noValue(), throw InformationAsked{std::string(kUsage) + kHelp};
    else if (arg == "--version") args.noValue(), throw InformationAsked{tools::versionText("chromaflow-card-demo")};
    else if (arg == "--drive") args.noValue(), drive = true;
    else if (args.isOption()) throw UsageError{"option inconnue " + arg};
    else throw UsageError{"argument inattendu " + arg};
  }
  return drive;
}

}  // namespace

int main(int argc, char** argv) {
  return tools::runTool("chromaflow-card-demo", kUsage, [&] {
    const bool drive = parse(argc, argv);
    sim::SimulatedK8000* simulated = nullptr;
    PortChoice choice = choosePortAccess(ParallelPortKind::Lpt1, [&simulated] {
      auto card = std::make_unique<sim::SimulatedK8000>();
      simulated = card.get();
      return card;
    });
    return sim::runCardDemo(choice, simulated, drive, std::cout);
  });
}
