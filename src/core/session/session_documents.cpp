// The session's document operations: the project menu, the settings, plan and colour windows'
// menus and rows, each with the chain that follows it.

#include "core/session/session.h"
#include "core/session/session_operation.h"

namespace chromaflow {
namespace {

constexpr Changed kAllDocuments = Changed::SurfaceRows | Changed::ProportionRows | Changed::HoseConditions |
                                  Changed::ColourRows | Changed::Settings | Changed::DocumentNames |
                                  Changed::UserText | Changed::Figures;

}  // namespace

// --- Changes not yet saved.

bool Session::changesMayBeLost(bool modified, const std::string& shownName, const std::function<bool()>& save) {
  if (!modified) return true;
  if (!asker_) return false;
  switch (asker_->askSaveChanges(shownName)) {
    case SaveChoice::Save: return save();
    case SaveChoice::DontSave: return true;
    case SaveChoice::Cancel: break;
  }
  return false;
}

std::string Session::mainWindowTitle() const {
  return documents_.project.title() + (documents_.project.modified() ? "*" : "");
}

bool Session::mayCloseProject() {
  return changesMayBeLost(projectModified(), documents_.project.name().shownName(),
                          [this] { return saveProject(false); });
}

bool Session::mayReplaceSettings() {
  return changesMayBeLost(settingsModified(), documents_.settings.name().shownName(),
                          [this] { return saveSettings(false); });
}

// --- Project menu and user text. New and Open put the job away as "&Quitter" does, and ask
// about its changes the same way first.

bool Session::newProject() {
  if (!mayCloseProject()) return false;
  operation([this] {
    putJobAway(describeJob());
    documents_.project.NewProject();
    note(kAllDocuments);
  });
  return true;
}

bool Session::openProject(bool ask) {
  if (!mayCloseProject()) return false;
  return openAnotherProject([&] { return documents_.project.OpenProject(ask, asker_); });
}

bool Session::openProjectFile(const std::string& path) {
  return openAnotherProject([&] { return documents_.project.OpenProjectFile(path, asker_); });
}

template <typename Open>
bool Session::openAnotherProject(Open&& open) {
  // The job ends with its project, told as it was before the other one replaced it; an open
  // given up before anything was read leaves it running.
  const bool running = jobs_.running();
  const JobDescription before = running ? describeJob() : JobDescription{};
  const unsigned long long planRevision = documents_.plan.revision();
  if (running) openingFrom_ = before;
  bool opened = false;
  try {
    opened = fileOperation(kAllDocuments, std::forward<Open>(open));
  } catch (...) {
    openingFrom_.reset();
    throw;
  }
  openingFrom_.reset();
  if (running && (opened || documents_.plan.revision() != planRevision))
    operation([&] { putJobAway(before); });
  if (opened) reportWhatTheOpenMet();
  return opened;
}

void Session::reportWhatTheOpenMet() {
  const std::string report = openReportText(documents_.project.name().current(), documents_.project.lastOpenNotes());
  if (!report.empty() && asker_) asker_->warn(report);
}

bool Session::saveProject(bool ask) {
  return fileOperation(Changed::DocumentNames, [&] { return documents_.project.SaveProject(ask, asker_); });
}

void Session::setUserText(std::vector<std::string> lines) {
  operation([&] {
    documents_.project.setUserText(std::move(lines));
    note(Changed::UserText);
  });
}

// --- Settings window. A setting changed reaches the dosing at once; the main window's views
// follow when the window closes.

bool Session::newSettings() {
  if (!mayReplaceSettings()) return false;
  operation([this] {
    documents_.settings.NewSettings();
    control_.DosingUpdate();
    note(Changed::Settings | Changed::DocumentNames | Changed::Figures);
  });
  return true;
}

bool Session::openSettings(bool ask) {
  if (!mayReplaceSettings()) return false;
  return fileOperation(Changed::Settings | Changed::DocumentNames,
                       [&] { return documents_.settings.OpenSettings(ask, asker_); });
}

bool Session::saveSettings(bool ask) {
  return fileOperation(Changed::DocumentNames, [&] { return documents_.settings.SaveSettings(ask, asker_); });
}

void Session::clickSettingsPanel(SettingsPanel panel) {
  if (!asker_) return;
  const auto typed = asker_->askValue(panelPrompt(panel), panelText(documents_.settings, panel));
  if (typed) enterSettingsPanel(panel, *typed);
}

EntryOutcome Session::enterSettingsPanel(SettingsPanel panel, const std::string& typed) {
  return operation([&] {
    EntryOutcome outcome = documents_.settings.enterPanel(panel, typed);
    if (!outcome.refused()) {
      control_.DosingUpdate();
      note(Changed::Settings | Changed::Figures);
    }
    return outcome;
  });
}

EntryOutcome Session::enterSettingsSpin(SettingsSpin spin, const std::string& typed) {
  return operation([&] {
    EntryOutcome outcome = documents_.settings.enterSpin(spin, typed);
    if (!outcome.refused()) {
      control_.DosingUpdate();
      note(Changed::Settings | Changed::Figures);
    }
    return outcome;
  });
}

void Session::presetPulseM2() {
  operation([this] {
    documents_.settings.presetPulseM2();
    control_.DosingUpdate();
    note(Changed::Settings | Changed::Figures);
  });
}

void Session::settingsWindowActivated() {
  operation([this] {
    documents_.settings.RefreshSettingsViews();
    note(Changed::Settings);
  });
}

void Session::settingsWindowClosed() { operation([this] { redrawProportionViews(); }); }

// --- Plan window and its rows.

void Session::newPlan() {
  operation([this] {
    documents_.plan.NewPlan();
    note(Changed::SurfaceRows | Changed::ProportionRows | Changed::HoseConditions | Changed::DocumentNames);
  });
}

bool Session::openPlan(bool ask) {
  // The main window's views follow when the plan window is left.
  return fileOperation(Changed::SurfaceRows | Changed::ProportionRows | Changed::HoseConditions |
                           Changed::DocumentNames | Changed::Figures,
                       [&] { return documents_.plan.OpenPlan(ask, asker_); });
}

bool Session::savePlan(bool ask) {
  return fileOperation(Changed::DocumentNames, [&] { return documents_.plan.SavePlan(ask, asker_); });
}

void Session::selectHoseState(HoseState state) {
  operation([&] { documents_.plan.SelectHoseState(state); });
}

void Session::setStartProportion(int proportion) {
  // Only a full hose has a proportion of its own.
  if (documents_.plan.hoseState() != HoseState::Full) return;
  operation([&] {
    documents_.plan.setStartProportion(proportion);
    note(Changed::HoseConditions);
  });
}

void Session::setAnticipation(bool on) {
  if (documents_.plan.hoseState() != HoseState::Full) return;
  operation([&] {
    documents_.plan.setAnticipation(on);
    note(Changed::HoseConditions);
  });
}

void Session::setMixingLead(bool on) {
  operation([&] {
    documents_.plan.setMixingLead(on);
    note(Changed::HoseConditions);
  });
}

void Session::planWindowShown() {
  operation([this] {
    documents_.plan.RecomputeSurfaces();
    documents_.plan.RefreshProportions();
    note(Changed::SurfaceRows | Changed::ProportionRows);
  });
}

void Session::planWindowLeft() {
  operation([this] {
    control_.UpdateGaugeColours();
    redrawViews();
  });
}

bool Session::appendSurface(Surface surface) {
  return insertSurface(documents_.plan.surfaceCount() + 1, surface);
}

bool Session::insertSurface(int before, Surface surface) {
  return operation([&] {
    if (!documents_.plan.insertSurface(before, surface)) return false;
    note(Changed::SurfaceRows);
    redrawViews();
    return true;
  });
}

bool Session::setSurface(int i, Surface surface) {
  return operation([&] {
    if (!documents_.plan.setSurface(i, surface)) return false;
    note(Changed::SurfaceRows);
    redrawViews();
    return true;
  });
}

bool Session::removeSurface(int i) {
  return operation([&] {
    if (!documents_.plan.removeSurface(i)) return false;
    note(Changed::SurfaceRows);
    redrawViews();
    return true;
  });
}

void Session::clearSurfaces() {
  operation([this] {
    documents_.plan.clearSurfaces();
    note(Changed::SurfaceRows);
    redrawViews();
  });
}

void Session::appendProportion(const std::string& distance, int proportion) {
  operation([&] {
    documents_.plan.appendProportion(distance, proportion);
    note(Changed::ProportionRows);
    redrawProportionViews();
  });
}

bool Session::setProportion(int j, const std::string& distance, int proportion) {
  return operation([&] {
    if (!documents_.plan.setProportion(j, distance, proportion)) return false;
    note(Changed::ProportionRows);
    redrawProportionViews();
    return true;
  });
}

bool Session::removeProportion(int j) {
  return operation([&] {
    if (!documents_.plan.removeProportion(j)) return false;
    note(Changed::ProportionRows);
    redrawProportionViews();
    return true;
  });
}

void Session::clearProportions() {
  operation([this] {
    documents_.plan.clearProportions();
    note(Changed::ProportionRows);
    redrawProportionViews();
  });
}

// --- Colour window and the colour picker's rows.

void Session::newColours() {
  operation([this] {
    documents_.colours.NewColours();
    note(Changed::ColourRows | Changed::ProportionRows | Changed::DocumentNames);
  });
}

bool Session::openColours(bool ask) {
  return fileOperation(Changed::ColourRows | Changed::ProportionRows | Changed::DocumentNames,
                       [&] { return documents_.colours.OpenColours(ask, asker_); });
}

bool Session::saveColours(bool ask) {
  return fileOperation(Changed::DocumentNames, [&] { return documents_.colours.SaveColours(ask, asker_); });
}

void Session::colourWindowActivated() {
  operation([this] {
    documents_.colours.RefreshColourTable();
    note(Changed::ColourRows);
  });
}

void Session::colourWindowLeft() {
  operation([this] {
    control_.UpdateGaugeColours();
    redrawViews();
  });
}

void Session::afterColourRowEdit() {
  // The plan's rows take their new colours, the main window's proportion views and gauge follow.
  documents_.plan.RefreshProportions();
  redrawProportionViews();
  control_.UpdateGaugeColours();
  note(Changed::ColourRows | Changed::ProportionRows | Changed::Figures);
}

void Session::addColourRow(const ColourRow& row) {
  operation([&] {
    documents_.colours.addRow(row);
    afterColourRowEdit();
  });
}

void Session::setColourRow(int row, const ColourRow& value) {
  operation([&] {
    documents_.colours.setRow(row, value);
    afterColourRowEdit();
  });
}

void Session::removeColourRow(int row) {
  operation([&] {
    documents_.colours.removeRow(row);
    afterColourRowEdit();
  });
}

}  // namespace chromaflow
