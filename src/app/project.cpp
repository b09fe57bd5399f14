#include "app/project.h"

#include <memory>
#include <utility>

#include "common/document_file.h"
#include "common/text_file.h"
#include "settings/decode_line.h"

namespace chromaflow {

Project::Project(SettingsDocument& settings, ColourTable& colours, Plan& plan)
    : settings_(settings), colours_(colours), plan_(plan),
      name_(DocumentKind::Project, "Chromaflow Velmora - ", "Noname", "Chromaflow Velmora - Noname.prv",
            true) {}

void Project::redraw() { redrawRequested.emit(); }

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

bool Project::OpenProject(bool ask, NameAsker* asker) {
  std::string opened;
  const bool read = openDocumentFile(name_, ask, asker, [&](const std::string& path, const std::vector<std::string>& lines) {
    NewProject();
    name_.set(path);
    applyFileLines(lines);
    opened = path;
  });
  if (!read) return false;

  // A sibling that exists is read as it is; a missing one is asked for.
  auto openSibling = [&](DocumentName& document, const char* extension, auto open) {
    const std::string sibling = withExtension(opened, extension);
    const bool exists = fileExists(sibling);
    if (exists) document.set(sibling);
    open(!exists);
  };
  openSibling(colours_.name(), ".cov", [&](bool askName) { colours_.OpenColours(askName, asker); });
  openSibling(plan_.name(), ".spv", [&](bool askName) { plan_.OpenPlan(askName, asker); });
  openSibling(settings_.name(), ".sev", [&](bool askName) { settings_.OpenSettings(askName, asker); });
  redraw();
  settings_.RefreshSettingsViews();
  return true;
}

bool Project::SaveProject(bool ask, NameAsker* asker) {
  const auto path = name_.chooseForSave(ask, asker);
  if (!path) return false;
  name_.set(*path);
  const std::string settingsFile = withExtension(*path, ".sev");
  const std::string coloursFile = withExtension(*path, ".cov");
  const std::string planFile = withExtension(*path, ".spv");
  settings_.name().set(settingsFile);
  colours_.name().set(coloursFile);
  plan_.name().set(planFile);

  // The four files are the job together: all of them are written beside their targets first,
  // and only when every one is whole do they replace the old ones, in the order settings,
  // colours, plan, project. A disk that fails part-way leaves the previous job as it was.
  const std::pair<const std::string*, std::vector<std::string>> files[] = {
      {&settingsFile, settings_.fileLines(settingsFile)},
      {&coloursFile, colours_.fileLines()},
      {&planFile, plan_.fileLines()},
      {&*path, fileLines(*path)}};
  std::vector<std::unique_ptr<StagedFile>> staged;
  for (const auto& [file, lines] : files) {
    staged.push_back(std::make_unique<StagedFile>(*file));
    staged.back()->write(bytesOfLines(lines));
  }
  for (auto& file : staged) file->commit();
  return true;
}

}  // namespace chromaflow
