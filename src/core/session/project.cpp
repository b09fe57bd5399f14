#include "core/session/project.h"

#include <algorithm>
#include <utility>

#include "core/common/document_file.h"
#include "core/common/text_file.h"
#include "core/settings/decode_line.h"

namespace chromaflow {

Project::Project(SettingsDocument& settings, ColourTable& colours, Plan& plan)
    : settings_(settings), colours_(colours), plan_(plan),
      name_(DocumentKind::Project, "Chromaflow Velmora - ", "Noname", "Chromaflow Velmora - Noname.prv",
            true) {
  markSaved();
}

void Project::redraw() { redrawRequested.emit(); }

bool Project::modified() const {
  return userTextEdited_ || !settings_.holdsAsInFile(inFiles_.settings) || plan_.edition() != inFiles_.plan ||
         coloursDiffer();
}

bool Project::coloursDiffer() const {
  if (colours_.revision() != coloursLookedAt_) {
    coloursDiffer_ = colours_.rows() != inFiles_.colours;
    coloursLookedAt_ = colours_.revision();
  }
  return coloursDiffer_;
}

void Project::markSaved() {
  inFiles_ = {settings_.settings(), colours_.rows(), plan_.edition(), userText_};
  userTextEdited_ = false;
  coloursDiffer_ = false;
  coloursLookedAt_ = colours_.revision();
}

void Project::setUserText(std::vector<std::string> lines) {
  userText_ = std::move(lines);
  userTextEdited_ = userText_ != inFiles_.userText;
}

namespace {

// What the operator reads before the open dialog of a project's missing file, and what
// "Annuler" then leaves.
std::string missingSiblingText(DocumentKind kind, const std::string& expected) {
  const std::string name = nameWithoutDirectory(expected);
  switch (kind) {
    case DocumentKind::Plan: return "Le plan " + name + " est introuvable : choisissez-le, ou Annuler pour un plan vide.";
    case DocumentKind::Colours:
      return "La table des couleurs " + name + " est introuvable : choisissez-la, ou Annuler pour une table vide.";
    default: break;
  }
  return "Les réglages " + name + " sont introuvables : choisissez-les, ou Annuler pour les réglages par défaut.";
}

}  // namespace

void Project::NewProject() {
  lock_.release();
  missingAtOpen_.clear();
  plan_.NewPlan();
  colours_.NewColours();
  settings_.NewSettings();
  name_.set("Noname.prv");
  setUserText({});
  redraw();
  settings_.RefreshSettingsViews();
  markSaved();
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
  userTextEdited_ = userText_ != inFiles_.userText;
}

namespace {

// A project's file of which nothing could be read: not one of its lines was of that document.
std::string nothingRead(DocumentKind kind, const LinesTaken& lines) {
  const std::string skipped = lines.lines == 0   ? std::string("le fichier est vide")
                              : lines.lines == 1 ? std::string("sa ligne a été laissée de côté")
                                                 : "ses " + std::to_string(lines.lines) + " lignes ont été laissées de côté";
  const char* left = kind == DocumentKind::Plan      ? "le plan est vide"
                     : kind == DocumentKind::Colours ? "la table des couleurs est vide"
                                                     : "les réglages sont ceux par défaut";
  return "rien n'a pu en être lu (" + skipped + ") : " + left;
}

std::string whatFailed(const FileError& error) {
  if (const auto* cut = dynamic_cast<const ReadCutOff*>(&error))
    return "lecture interrompue après " + std::to_string(cut->linesRead()) + " lignes entières (arrêt à l'octet " +
           std::to_string(cut->stoppedAt()) + "), les lignes lues sont gardées : " + error.what();
  return std::string("illisible : ") + error.what();
}

}  // namespace

bool Project::OpenProject(bool ask, NameAsker* asker) {
  notes_.clear();
  const auto chosen = name_.nameForOpen(ask, asker);
  if (!chosen) return false;
  settleInterruptedSave(*chosen);  // it may have the project file to put back
  if (!fileExists(*chosen)) return false;
  return openChosen(*chosen, asker);
}

bool Project::OpenProjectFile(const std::string& path, NameAsker* asker) {
  notes_.clear();
  settleInterruptedSave(path);
  if (!fileExists(path)) throw FileError(path + " : fichier projet introuvable");
  return openChosen(path, asker);
}

void Project::settleInterruptedSave(const std::string& project) {
  Settling settling;
  try {
    settling = settleInterruptedSaves({withExtension(project, ".sev"), withExtension(project, ".cov"),
                                       withExtension(project, ".spv"), project});
  } catch (const UntrustedJournal&) {
    // Nothing was touched: the job is read as its files stand, and its saves are refused while
    // the journal is there.
    notes_.push_back({DocumentKind::Project, project,
                      "un journal d'enregistrement à côté de " + nameWithoutDirectory(project) +
                          " ne peut pas être lu : il est laissé tel quel, rien n'est modifié"});
    return;
  } catch (const FileError& error) {
    notes_.push_back({DocumentKind::Project, project, std::string("enregistrement interrompu non réglé : ") + error.what()});
    throw;
  }
  for (const SettledSave& save : settling.saves) {
    const std::string name = nameWithoutDirectory(save.lastFile);
    notes_.push_back({DocumentKind::Project, save.lastFile,
                      save.finished ? "un enregistrement interrompu de " + name + " a été achevé : ses fichiers sont ceux du nouvel enregistrement"
                                    : "un enregistrement interrompu de " + name + " a été annulé : les fichiers d'avant sont rétablis"});
  }
  for (const std::string& journal : settling.leftAlone)
    notes_.push_back({DocumentKind::Project, journal,
                      "un journal d'enregistrement à côté de " + nameWithoutDirectory(project) +
                          " nomme d'autres fichiers que ceux du projet : il est laissé tel quel, rien n'est modifié"});
  if (!settling.removed.empty()) {
    std::string names;
    for (const std::string& removed : settling.removed) names += (names.empty() ? "" : ", ") + nameWithoutDirectory(removed);
    notes_.push_back({DocumentKind::Project, project,
                      "fichiers temporaires d'un enregistrement interrompu supprimés : " + names});
  }
}

bool Project::openChosen(const std::string& opened, NameAsker* asker) {
  DocumentName reading = name_;
  reading.set(opened);
  // Once the project's file is read, whole or not, the job stands as opened however the open
  // ends: the operator has changed nothing of it yet, and a question to save it would only
  // offer to write what was read over what could not be.
  bool read = false;
  const auto holdOpen = [&] {
    name_.setOnDisk(reading.onDisk());
    if (holdOpen_ && lock_.hold(opened))
      notes_.push_back({DocumentKind::Project, opened,
                        "déjà ouvert par un autre programme de ce PC : avant d'écraser ce que l'autre aura "
                        "enregistré entre-temps, l'enregistrement vous le demandera"});
  };
  try {
    openDocumentFile(reading, false, nullptr, [&](const std::string& path, const std::vector<std::string>& lines) {
      NewProject();
      name_.set(path);
      read = true;
      applyFileLines(lines);
    });
  } catch (const FileError& error) {
    notes_.push_back({DocumentKind::Project, opened, whatFailed(error)});
    if (read) {
      holdOpen();
      markSaved();
    }
    throw;
  }
  holdOpen();

  const auto noteRefusedSettings = [&] {
    for (const std::string& refused : settings_.refusedFileValues())
      notes_.push_back({DocumentKind::Settings, settings_.name().current(), "valeur refusée : " + refused});
  };
  const auto noteLeftOutRows = [&] {
    for (const std::string& row : plan_.leftOutFileRows())
      notes_.push_back({DocumentKind::Plan, plan_.name().current(), row + " ; la ligne est laissée de côté"});
    if (const std::size_t more = plan_.leftOutFileRowCount() - plan_.leftOutFileRows().size())
      notes_.push_back({DocumentKind::Plan, plan_.name().current(),
                        "et " + std::to_string(more) + " autres lignes laissées de côté"});
  };
  // A sibling that exists is read as it is, under its own name or one differing only in case
  // (a job copied from Windows); a missing one is asked for, the dialog starting in the
  // project's folder on the name it should have. Cancelled, the document keeps the name New
  // gave it.
  auto openSibling = [&](DocumentKind kind, DocumentName& document, const char* extension, auto open,
                         const LinesTaken& taken) {
    const std::string expected = withExtension(opened, extension);
    const auto found = findIgnoringCase(expected);
    const std::string unnamed = document.current();
    if (found) {
      document.set(*found);
      if (*found != expected)
        notes_.push_back({kind, *found, "ouvert à la place de " + nameWithoutDirectory(expected) +
                                            " (les noms ne diffèrent que par la casse)"});
    } else {
      missingAtOpen_.push_back(expected);
      document.set(expected);
      if (asker) asker->explainBeforeAsking(missingSiblingText(kind, expected));
    }
    try {
      const bool read = open(!found);
      if (!read) document.set(unnamed);
      if (!found)
        notes_.push_back({kind, expected, read ? "introuvable ; son dialogue d'ouverture a été proposé et " + document.current() + " a été ouvert"
                                               : "introuvable ; son dialogue d'ouverture a été proposé et rien n'a été ouvert"});
      if (read && taken.taken == 0) notes_.push_back({kind, document.current(), nothingRead(kind, taken)});
      if (read && kind == DocumentKind::Settings) noteRefusedSettings();
      if (read && kind == DocumentKind::Plan) noteLeftOutRows();
    } catch (const FileError& error) {
      if (document.current() == expected && !found) document.set(unnamed);  // the chosen file could not be opened
      if (!found) notes_.push_back({kind, expected, "introuvable ; son dialogue d'ouverture a été proposé"});
      if (dynamic_cast<const ReadCutOff*>(&error) && kind == DocumentKind::Settings) noteRefusedSettings();
      notes_.push_back({kind, found ? *found : document.current(), whatFailed(error)});
      markSaved();
      throw;
    }
  };
  openSibling(DocumentKind::Colours, colours_.name(), ".cov", [&](bool askName) { return colours_.OpenColours(askName, asker); },
              colours_.linesTakenFromFile());
  openSibling(DocumentKind::Plan, plan_.name(), ".spv", [&](bool askName) { return plan_.OpenPlan(askName, asker); },
              plan_.linesTakenFromFile());
  openSibling(DocumentKind::Settings, settings_.name(), ".sev",
              [&](bool askName) { return settings_.OpenSettings(askName, asker); }, settings_.linesTakenFromFile());
  redraw();
  settings_.RefreshSettingsViews();
  markSaved();
  return true;
}

bool Project::changedOnDisk(const std::string& path) const {
  // Each file against what this program last read of it or wrote to it: through the document
  // that holds its name (also when opened or saved from its own window since), or as missing at
  // the open.
  const auto changed = [this](const DocumentName& document, const std::string& file) {
    if (document.current() == file && document.onDisk().known) return changedSince(document.onDisk(), file);
    const bool missing = std::find(missingAtOpen_.begin(), missingAtOpen_.end(), file) != missingAtOpen_.end();
    return missing && changedSince(absentFile(), file);
  };
  return changed(settings_.name(), withExtension(path, ".sev")) || changed(colours_.name(), withExtension(path, ".cov")) ||
         changed(plan_.name(), withExtension(path, ".spv")) || changed(name_, path);
}

bool Project::SaveProject(bool ask, NameAsker* asker) {
  auto path = name_.chooseForSave(ask, asker);
  if (!path) return false;
  path = nameAfterAskingAboutChanges(*path, DocumentKind::Project, name_.shownName(), asker,
                                     [this](const std::string& file) { return changedOnDisk(file); });
  if (!path) return false;
  name_.set(*path);
  const std::string settingsFile = withExtension(*path, ".sev");
  const std::string coloursFile = withExtension(*path, ".cov");
  const std::string planFile = withExtension(*path, ".spv");
  settings_.name().set(settingsFile);
  colours_.name().set(coloursFile);
  plan_.name().set(planFile);

  // The four files are the job together: they replace the old ones all at once or not at all.
  const std::vector<FileBytes> files{{settingsFile, bytesOfLines(settings_.fileLines(settingsFile))},
                                     {coloursFile, bytesOfLines(colours_.fileLines())},
                                     {planFile, bytesOfLines(plan_.fileLines())},
                                     {*path, bytesOfLines(fileLines(*path))}};
  writeFilesTogether(files);
  settings_.name().setOnDisk(stampOfFile(settingsFile, files[0].bytes));
  colours_.name().setOnDisk(stampOfFile(coloursFile, files[1].bytes));
  plan_.name().setOnDisk(stampOfFile(planFile, files[2].bytes));
  name_.setOnDisk(stampOfFile(*path, files[3].bytes));
  missingAtOpen_.clear();
  // The project opened is now open under the name it was saved as.
  if (lock_.held() && !lock_.holds(*path)) lock_.hold(*path);
  settings_.markSaved();
  colours_.markSaved();
  plan_.markSaved();
  markSaved();
  return true;
}

std::string openReportText(const std::string& projectName, const std::vector<DocumentNote>& notes) {
  if (notes.empty()) return {};
  std::string text = "À l'ouverture de " + nameWithoutDirectory(projectName) + " :";
  for (const DocumentNote& note : notes) text += "\n- " + note.path + " : " + note.what;
  return text;
}

}  // namespace chromaflow
