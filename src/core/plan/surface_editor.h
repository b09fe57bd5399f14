#pragma once
// The surface row editor ("Surface"): the height and length typed for one row of the surface
// table, the area they give, and the five buttons. The window shows these texts and forwards
// the operator's gestures; the returned outcome says what follows.

#include <string>

#include "core/plan/editing.h"
#include "core/plan/plan.h"

namespace chromaflow {

class SurfaceEditor {
 public:
  explicit SurfaceEditor(Plan& plan) : plan_(plan) {}

  // The row the operator selected in the plan window: 1..n, or n + 1 for the " +" row.
  void rememberRow(int row) { row_ = row; }
  int rememberedRow() const { return row_; }

  // The editor comes to the front: the fields take the row's height and length (empty on the
  // " +" row).
  void activate();

  // The text of a field changed / the operator left it. Leaving empties a text that is not a
  // number and rewrites a number in two decimals.
  void setHauteur(std::string text);
  void setLongueur(std::string text);
  void leaveHauteur();
  void leaveLongueur();

  const std::string& hauteur() const { return hauteur_; }
  const std::string& longueur() const { return longueur_; }
  // The panel "Surface": the area in two decimals, or "Suppression" while the entry is no surface.
  const std::string& surface() const { return surface_; }

  // "OK": the row takes the entry (a new last row on the " +" row).
  EditorOutcome ok();
  // "Insérer": the entry goes in before the remembered row (at the end on the " +" row).
  EditorOutcome insert();
  // "Supprimer": the remembered row goes; nothing on the " +" row.
  EditorOutcome remove();
  // "Supprimer tout".
  EditorOutcome removeAll();
  // "Annuler".
  EditorOutcome cancel() { return EditorOutcome::close(); }

 private:
  void checkArea();
  bool isSurfaceRow() const { return row_ >= 1 && row_ <= plan_.surfaceCount(); }
  Surface entered() const;

  Plan& plan_;
  int row_ = 1;
  std::string hauteur_;
  std::string longueur_;
  std::string surface_ = "Suppression";
};

}  // namespace chromaflow
