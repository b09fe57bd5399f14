// The session's row editors, colour picker and unit choice: their fields, and their buttons with
// the chain each outcome asks for.

#include "core/session/session.h"
#include "core/session/session_operation.h"

namespace chromaflow {
namespace {

template <typename Editor>
EditorOutcome press(Editor& editor, EditorButton button) {
  switch (button) {
    case EditorButton::Ok: return editor.ok();
    case EditorButton::Delete: return editor.remove();
    case EditorButton::DeleteAll: return editor.removeAll();
    case EditorButton::Cancel: return editor.cancel();
    case EditorButton::Insert: break;
  }
  if constexpr (requires { editor.insert(); }) return editor.insert();
  return EditorOutcome{};  // the picker has no "Insérer"
}

}  // namespace

template <typename Edit>
void Session::editorField(Edit&& edit) {
  operation([&] {
    edit();
    note(Changed::Editors);
  });
}

EditorOutcome Session::followEditor(EditorOutcome outcome, Changed rows) {
  note(rows | Changed::Editors);
  if (asker_)
    for (const std::string& warning : outcome.warnings) asker_->warn(warning);
  if (outcome.redraw == MainRedraw::SurfaceAndProportionViews) redrawViews();
  if (outcome.redraw == MainRedraw::ProportionViews) redrawProportionViews();
  if (outcome.updateGaugeColours) {
    control_.UpdateGaugeColours();
    note(Changed::Figures);
  }
  return outcome;
}

bool Session::confirmed(const std::string& question) { return asker_ && asker_->confirm(question); }

void Session::chooseThicknessUnit(ThicknessUnit unit) { editorField([&] { thicknessUnit_.choose(unit); }); }

BarPointer Session::pointStartProportionBar(int x, int width, bool leftButtonDown) {
  const Plan& plan = documents_.plan;
  if (plan.hoseState() != HoseState::Full) return {};  // the bar is disabled
  const BarPointer pointer = proportionBarPointer(x, width, plan.startProportion(), leftButtonDown);
  if (pointer.value) setStartProportion(*pointer.value);
  return pointer;
}

// --- Surface row editor.

void Session::openSurfaceEditor(int row) {
  editorField([&] {
    surfaceEditor_.rememberRow(row);
    surfaceEditor_.activate();
  });
}
void Session::setHauteur(std::string text) { editorField([&] { surfaceEditor_.setHauteur(std::move(text)); }); }
void Session::setLongueur(std::string text) { editorField([&] { surfaceEditor_.setLongueur(std::move(text)); }); }
void Session::leaveHauteur() { editorField([this] { surfaceEditor_.leaveHauteur(); }); }
void Session::leaveLongueur() { editorField([this] { surfaceEditor_.leaveLongueur(); }); }

EditorOutcome Session::surfaceEditorButton(EditorButton button) {
  if (button == EditorButton::DeleteAll && documents_.plan.surfaceCount() > 0 &&
      !confirmed("Supprimer toutes les surfaces du plan ?"))
    return {};
  return operation([&] { return followEditor(press(surfaceEditor_, button), Changed::SurfaceRows); });
}

// --- Proportion row editor.

void Session::openProportionEditor(int row) {
  editorField([&] {
    proportionEditor_.rememberRow(row);
    proportionEditor_.activate();
  });
}
void Session::setEditorDistance(std::string text) {
  editorField([&] { proportionEditor_.setDistance(std::move(text)); });
}
void Session::setEditorProportion(int proportion) {
  editorField([&] { proportionEditor_.setProportion(proportion); });
}

BarPointer Session::pointEditorProportionBar(int x, int width, bool leftButtonDown) {
  return operation([&] {
    const BarPointer pointer = proportionEditor_.pointProportionBar(x, width, leftButtonDown);
    if (pointer.value) note(Changed::Editors);
    return pointer;
  });
}

EditorOutcome Session::proportionEditorButton(EditorButton button) {
  if (button == EditorButton::DeleteAll && documents_.plan.proportionCount() > 0 &&
      !confirmed("Supprimer toutes les proportions du plan ?"))
    return {};
  return operation([&] { return followEditor(press(proportionEditor_, button), Changed::ProportionRows); });
}

// --- Image colour picker.

void Session::openColourPicker(int row) { editorField([&] { picker_.selectColourRow(row); }); }

PickerView Session::colourPickerActivated() {
  return operation([this] {
    const PickerView view = picker_.activate();
    note(Changed::ProportionRows | Changed::Editors);
    return view;
  });
}

void Session::setPickerComponent(Component component, int value) {
  editorField([&] { picker_.setComponent(component, value); });
}
void Session::setPickerColour(Rgb colour) { editorField([&] { picker_.setColour(colour); }); }
void Session::setPickerProportion(int proportion) { editorField([&] { picker_.setProportion(proportion); }); }

BarPointer Session::pointPickerComponentBar(Component component, int x, int width, bool leftButtonDown) {
  return operation([&] {
    const BarPointer pointer = picker_.pointComponentBar(component, x, width, leftButtonDown);
    if (pointer.value) note(Changed::Editors);
    return pointer;
  });
}

BarPointer Session::pointPickerProportionBar(int x, int width, bool leftButtonDown) {
  return operation([&] {
    const BarPointer pointer = picker_.pointProportionBar(x, width, leftButtonDown);
    if (pointer.value) note(Changed::Editors);
    return pointer;
  });
}

void Session::pictureLoaded(const std::string& path, PictureKind kind, int width, int height) {
  editorField([&] { picker_.pictureLoaded(path, kind, width, height); });
}
void Session::setPickerStretch(bool on) { editorField([&] { picker_.setStretch(on); }); }

PickResult Session::pickColour(int x, int y, const std::function<Rgb(int, int)>& pixelColour) {
  return operation([&] {
    const PickResult result = picker_.pick(x, y, pixelColour);
    if (result == PickResult::Picked) note(Changed::Editors);
    if (result == PickResult::NoPixels && asker_)
      asker_->showError("Cette image n'a pas de pixels à lire : choisissez une image bitmap (.bmp)");
    return result;
  });
}

EditorOutcome Session::colourPickerButton(EditorButton button) {
  if (button == EditorButton::DeleteAll && !documents_.colours.rows().empty() &&
      !confirmed("Supprimer toutes les couleurs de la table ?"))
    return {};
  return operation(
      [&] { return followEditor(press(picker_, button), Changed::ColourRows | Changed::ProportionRows); });
}

}  // namespace chromaflow
