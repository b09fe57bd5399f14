#include "core/plan/proportion_editor.h"

#include <algorithm>

#include "core/common/display_forms.h"
#include "core/settings/decode_line.h"

namespace chromaflow {

void ProportionEditor::activate() {
  distance_ = plan_.proportionCell(row_, 1);
  const auto proportion = integerOfField(plan_.proportionCell(row_, 2));
  setProportion(proportion ? *proportion : 0);
}

void ProportionEditor::setProportion(int proportion) {
  proportion_ = std::clamp(proportion, 0, 100);
  refresh();
}

BarPointer ProportionEditor::pointProportionBar(int x, int width, bool leftButtonDown) {
  const BarPointer pointer = proportionBarPointer(x, width, proportion_, leftButtonDown);
  if (pointer.value) setProportion(*pointer.value);
  return pointer;
}

int ProportionEditor::proportionBarBlueColumns(int width) const {
  return chromaflow::proportionBarBlueColumns(proportion_, width);
}

void ProportionEditor::refresh() {
  if (const auto metres = typedMetres(distance_)) distance_ = F2(*metres);
  couleur_ = couleurPanel(colours_, proportion_);
}

EditorOutcome ProportionEditor::ok() {
  // A row selected before the table shrank under it is taken as the " +" row.
  return store(isTableRow(row_) ? row_ : plan_.proportionCount() + 1);
}

EditorOutcome ProportionEditor::insert() { return store(plan_.proportionCount() + 1); }

EditorOutcome ProportionEditor::store(int target) {
  refresh();
  const auto entered = typedMetres(distance_);
  if (!entered) return EditorOutcome::stay({"Veuillez entrer une distance"});
  // The path starts at 0: a row before it could not be saved, since a plan file's reader leaves
  // such a row out, and the job would lose it at the next open.
  if (*entered < 0) return EditorOutcome::stay({"Veuillez entrer une distance d'au moins 0 m"});
  // Both distances read as the 32-bit reals the table's figures are.
  for (int j = 1; j <= plan_.proportionCount(); ++j) {
    if (j != target && static_cast<float>(plan_.distanceOf(j)) == *entered)
      return EditorOutcome::stay(
          {"Une autre proportion est déjà définie à la distance " + distance_ + " mètres. Try an other."});
  }
  if (isTableRow(target)) plan_.setProportion(target, distance_, proportion_);
  else plan_.appendProportion(distance_, proportion_);
  plan_.RefreshProportions();
  return EditorOutcome::close(MainRedraw::ProportionViews);
}

EditorOutcome ProportionEditor::remove() {
  if (isTableRow(row_)) plan_.removeProportion(row_);
  plan_.RefreshProportions();
  return EditorOutcome::close(MainRedraw::ProportionViews);
}

EditorOutcome ProportionEditor::removeAll() {
  plan_.clearProportions();
  return EditorOutcome::close(MainRedraw::ProportionViews);
}

}  // namespace chromaflow
