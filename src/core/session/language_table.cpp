#include "core/session/language_table.h"

namespace chromaflow {
namespace {

constexpr auto C = LabelProperty::Caption;
constexpr auto H = LabelProperty::Hint;
constexpr std::array<const char*, 4> kEmpty{"", "", "", ""};

constexpr LanguageRow row(const char* control, LabelProperty property, std::array<const char*, 4> texts) {
  return {{control, nullptr}, property, texts};
}
constexpr LanguageRow same(const char* control, LabelProperty property, const char* text) {
  return row(control, property, {text, text, text, text});
}
constexpr LanguageRow unused() { return {{nullptr, nullptr}, LabelProperty::None, kEmpty}; }

}  // namespace

const std::array<LanguageRow, kLanguageRows> LanguageTable = {{
    {{nullptr, nullptr}, LabelProperty::None, {"Français", "English", "Nederlands", "Allemand"}},
    row("MIProject", C, {"Projet", "Project", "Project", "Projekt"}),
    row("MIProject", H, kEmpty),
    row("MINew", C, {"Nouveau", "New", "Nieuw", "Neu"}),
    row("MINew", H, {"Créer un nouveau projet", "New project", "", ""}),
    row("MIOpen", C, {"Ouvrir", "Open", "Openen", "Öffnen"}),
    row("MIOpen", H, {"Ouvrir un projet existant", "", "", ""}),
    row("MISave", C, {"Enregistrer", "Save", "Opslaan", "Lagern"}),
    row("MISave", H, {"Enregistrer le projet", "", "", ""}),
    row("MISaveAs", C, {"Enregistrer Sous...", "Save As...", "Opslaan Als...", "Lagern Als..."}),
    row("MISaveAs", H, {"Enregistrer le projet sous un autre nom", "", "", ""}),
    row("MIPrint", C, {"Imprimer...", "Print...", "Drukken...", "Drukken..."}),
    row("MIPrint", H, {"Imprimer le projet", "", "", ""}),
    row("MIPrintSetup", C, {"Configuration de l'impression", "Print Setup", "Drukken Vorm", "Drukken Form"}),
    row("MIPrintSetup", H, {"Changer la configuration de l'impression", "", "", ""}),
    row("MIExit", C, {"Quitter", "Exit", "Verlaten", "Verlassen"}),
    row("MIExit", H, {"Quitter le projet", "", "", ""}),
    row("MIEdit", C, {"Edition", "Edit", "Uitgeven", "Verlegen"}),
    row("MIEdit", H, kEmpty),
    row("MISurface", C, {"Surface", "Surface", "Oppervlak", "Oberfläche"}),
    row("MISurface", H, kEmpty),
    row("MIColorf", C, {"&Couleur=f(%)", "&Color=f(%)", "&Kleur=f(%)", "Farbe"}),
    row("MIColorf", H, kEmpty),
    row("MIProprietes", C, {"Pr&opriétés", "Pr&operties", "Eigenschap", "Eigenschaft"}),
    row("MIProprietes", H, kEmpty),
    same("MIInterface", C, "&Interface"),
    row("MIInterface", H, {"Interface de communication K8000", "", "", ""}),
    row("MILptPort", C, {"&Port parallèle", "&Parallel Port", "&Parallel Port", "&Parallele Port"}),
    row("MILptPort", H, {"Sélection du port parallèle", "", "", ""}),
    same("MIPrn", C, "Prn"),
    row("MIPrn", H, {"Port PRN", "PRN Port", "PRN Port", "PRN Port"}),
    same("MILpt1", C, "Lpt1"),
    row("MILpt1", H, {"Port Lpt1", "Lpt1 Port", "Port Lpt1", "Port Lpt1"}),
    same("MILpt2", C, "Lpt2"),
    row("MILpt2", H, {"Port Lpt2", "Lpt2 Port", "Lpt2 Port", "Lpt2 Port"}),
    same("MITest", C, "&Test"),
    row("MITest", H, {"Test des entrées/sorties de la carte d'interface", "", "", ""}),
    row("MIFullcardtest", C, {"&Test complet de la carte K8000", "Test card K8000", "Test kaart K8000", "Test karte K8000"}),
    row("MIFullcardtest", H, kEmpty),
    row("MIPaintingapplicationtest", C, {"Test &Chromaflow", "Test Chromaflow ", "Test Chromaflow", "Test Chromaflow card K8000"}),
    row("MIPaintingapplicationtest", H, kEmpty),
    row("MILangue", C, {"Langue", "Language", "Taal", "Sprache"}),
    row("MILangue", H, kEmpty),
    same("MIHelpMenu", C, "?"),
    row("MIHelpMenu", H, {"Aide", "Help", "Hulp", "Hilfe"}),
    row("MIHelpContentsItem", C, {"&Contenu et index", "Contents and Index", "Hulp Inhoud", "Hilfe Inhalt"}),
    row("MIHelpContentsItem", H, {"Aide sur le contenu", "Display the help contents screen", "Hulp Inhoud", "Hilfe Inhalt"}),
    row("MIHelpAboutItem", C, {"&A propos de Chromaflow", "&About Chromaflow", "Aangaande Chromaflow", "Bezüglich Chromaflow"}),
    row("MIHelpAboutItem", H, {"", "Show program information", "", ""}),
    row("LRouleau", C, {"Rouleau", "Roller", "Rol", "Rolle"}),
    row("LPompe1", C, {"Pompe 1", "Pump 1", "Pomp 1", "Pumpe 1"}),
    row("LPompe2", C, {"Pompe 2", "Pump 2", "Pomp 2", "Pumpe 2"}),
    {{"LLitres1", "LLitres2"}, C, {"litres", "liters", "liter", "liter"}},
    row("GBTotal", C, {"Total", "Total", "Totaal", "Total"}),
    row("GBEffectue", C, {"Effectué", "Executed", "Uitvoerd", "ausführen"}),
    row("GBReste", C, {"Reste", "Rest", "Rest", "Rest"}),
    row("LSurface", C, {"Surface", "Surface", "Oppervlak", "Oberfläche"}),
    row("RBStop", C, {"Stop", "Stop", "Stop", "Halt"}),
    same("RBStart", C, "Start"),
    row("LTotal", C, {"L Totale", "L Total", "L Totaal", "L Total"}),
    {{"Lmetres", "Lmetres2"}, C, {"mètres", "meter", "meter", "meter"}},
    row("LParcouru", C, {"Parcouru", "Executed", "Uitvoerd", "ausführen"}),
    row("LProportions2", C, {"Proportions", "proportion", "Evenredigheid", "Verhältnismäßigkeit"}),
    row("LProportions", C, {"Proportion", "proportion", "Evenredigheid", "Verhältnismäßigkeit"}),
    unused(), unused(), unused(), unused(), unused(), unused(),
}};

std::vector<LabelAssignment> ApplyLanguage(int n) {
  std::vector<LabelAssignment> assignments;
  if (n < 1 || n > 4) return assignments;
  for (int r = 1; r < kLanguageRows; ++r) {
    const LanguageRow& entry = LanguageTable[r];
    for (const char* control : entry.controls)
      if (control) assignments.push_back({control, entry.property, entry.texts[n - 1]});
  }
  return assignments;
}

}  // namespace chromaflow
