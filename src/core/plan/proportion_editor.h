#pragma once
// The proportion row editor ("Proportions = f(distance)"): the distance typed and the proportion
// chosen for one row of the proportion table, the colour that proportion gives, and the five
// buttons. The window shows these values and forwards the operator's gestures; the returned
// outcome says what follows.

#include <string>
#include <vector>

#include "core/plan/editing.h"
#include "core/plan/plan.h"
#include "core/plan/proportion_bars.h"

namespace chromaflow {

class ProportionEditor {
 public:
  ProportionEditor(Plan& plan, const ColourTable& colours) : plan_(plan), colours_(colours) {}

  // The row the operator selected in the plan window: 1..m, or m + 1 for the " +" row.
  void rememberRow(int row) { row_ = row; }
  int rememberedRow() const { return row_; }

  // The editor comes to the front: the fields take the row's distance and proportion (empty
  // and 0 on the " +" row, 0 for a proportion that is not an integer), then the refresh. The
  // window then draws the colour bar (colourBar).
  void activate();

  // The field "Distance" as typed; it is rewritten in two decimals by the refresh.
  void setDistance(std::string text) { distance_ = std::move(text); }
  const std::string& distance() const { return distance_; }

  // SpinEditProp changed or left: the value, taken into 0..100, then the refresh.
  void setProportion(int proportion);
  int proportion() const { return proportion_; }

  // The pointer moved over the proportion bar; with the left button held the proportion follows.
  BarPointer pointProportionBar(int x, int width, bool leftButtonDown);

  // What the refresh shows.
  const CouleurPanel& couleur() const { return couleur_; }
  int proportionBarBlueColumns(int width) const;
  std::vector<Rgb> colourBar(int width) const { return colourBarColumns(colours_, width); }

  // "OK" writes the remembered row, "Insérer" always adds a row; both warn and stay open when
  // the distance is no number or another row already has it.
  EditorOutcome ok();
  EditorOutcome insert();
  // "Supprimer": the remembered row goes; nothing on the " +" row.
  EditorOutcome remove();
  // "Supprimer tout".
  EditorOutcome removeAll();
  // "Annuler".
  EditorOutcome cancel() { return EditorOutcome::close(); }

 private:
  void refresh();
  bool isTableRow(int row) const { return row >= 1 && row <= plan_.proportionCount(); }
  // Writes row `target` (the " +" row adds one).
  EditorOutcome store(int target);

  Plan& plan_;
  const ColourTable& colours_;
  int row_ = 1;
  std::string distance_;
  int proportion_ = 0;
  CouleurPanel couleur_;
};

}  // namespace chromaflow
