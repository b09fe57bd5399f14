#include "app/project.h"

#include "common/text_file.h"
#include "settings/decode_line.h"

namespace chromaflow {

Project::Project(SettingsDocument& settings, ColourTable& colours, Plan& plan)
    : settings_(settings), colours_(colours), plan_(plan),
      name_(DocumentKind::Project, "Chromaflow Velmora - ", "Noname", "Chromaflow Velmora - Noname.prv",
            true) {}

void Project::redraw() {
  if (redrawRequested) redrawRequested();
}

void Project::NewProject() {
  plan_.NewPlan();
  colours_.NewColours();
  settings_.NewSettings();
  name_.set("Noname.prv");
  userText_.clear();
  redraw();
  settings_.RefreshSettingsViews();
}

std::vector<std::string> Project::fileLines(const std::string& fileName) const {
  std::vector<std::string> lines{"Chromaflow Velmora - Project: " + nameWithoutDirectory(fileName),
                                 "Texte utilisateur="};
  lines.insert(lines.end(), userText_.begin(), userText_.end());
  return lines;
}

void Project::applyFileLines(const std::vector<std::string>& lines) {
  bool inText = false;
  for (const std::string& line : lines) {
    if (inText) {
      userText_.push_back(line);
      continue;
    }
    const DecodedLine decoded = DecodeLine(line);
    inText = decoded.field(1).text == "Texte utilisateur" && decoded.is(1, 'S');
  }
}

void Project::OpenProject(bool ask, NameAsker* asker) {
  const auto path = name_.chooseForOpen(ask, asker);
  if (!path) return;
  const TextFileContents contents = readTextFile(*path);
  NewProject();
  name_.set(*path);
  applyFileLines(contents.lines);
  if (contents.error) throw FileError(*contents.error);

  // A sibling that exists is read as it is; a missing one is asked for.
  auto openSibling = [&](DocumentName& document, const char* extension, auto open) {
    const std::string sibling = withExtension(*path, extension);
    const bool exists = fileExists(sibling);
    if (exists) document.set(sibling);
    open(!exists);
  };
  openSibling(colours_.name(), ".cov", [&](bool askName) { colours_.OpenColours(askName, asker); });
  openSibling(plan_.name(), ".spv", [&](bool askName) { plan_.OpenPlan(askName, asker); });
  openSibling(settings_.name(), ".sev", [&](bool askName) { settings_.OpenSettings(askName, asker); });
  redraw();
  settings_.RefreshSettingsViews();
}

void Project::SaveProject(bool ask, NameAsker* asker) {
  const auto path = name_.chooseForSave(ask, asker);
  if (!path) return;
  name_.set(*path);
  settings_.name().set(withExtension(*path, ".sev"));
  settings_.SaveSettings(false, asker);
  colours_.name().set(withExtension(*path, ".cov"));
  colours_.SaveColours(false, asker);
  plan_.name().set(withExtension(*path, ".spv"));
  plan_.SavePlan(false, asker);
  writeTextFile(*path, fileLines(*path));
}

}  // namespace chromaflow
