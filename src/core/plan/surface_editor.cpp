#include "core/plan/surface_editor.h"

#include <cmath>
#include <utility>

#include "core/common/display_forms.h"

namespace chromaflow {
namespace {

constexpr const char* kNoSurface = "Suppression";

void rewriteInTwoDecimals(std::string& text) {
  const auto metres = typedMetres(text);
  text = metres ? F2(*metres) : std::string();
}

}  // namespace

void SurfaceEditor::activate() {
  hauteur_ = plan_.surfaceCell(row_, 1);
  longueur_ = plan_.surfaceCell(row_, 2);
  checkArea();
}

void SurfaceEditor::setHauteur(std::string text) {
  hauteur_ = std::move(text);
  checkArea();
}

void SurfaceEditor::setLongueur(std::string text) {
  longueur_ = std::move(text);
  checkArea();
}

void SurfaceEditor::leaveHauteur() {
  rewriteInTwoDecimals(hauteur_);
  checkArea();
}

void SurfaceEditor::leaveLongueur() {
  rewriteInTwoDecimals(longueur_);
  checkArea();
}

void SurfaceEditor::checkArea() {
  const auto height = typedMetres(hauteur_);
  const auto length = typedMetres(longueur_);
  // An area beyond what 32 bits hold is no surface either.
  surface_ = height && length && *height > 0 && *length > 0 && std::isfinite(*height * *length)
                 ? F2(*height * *length)
                 : kNoSurface;
}

Surface SurfaceEditor::entered() const { return {*typedMetres(hauteur_), *typedMetres(longueur_)}; }

EditorOutcome SurfaceEditor::ok() {
  checkArea();
  if (surface_ != kNoSurface) {
    // A row selected before the table shrank under it is taken as the " +" row.
    if (isSurfaceRow()) plan_.setSurface(row_, entered());
    else plan_.appendSurface(entered());
  }
  plan_.RecomputeSurfaces();
  return EditorOutcome::close(MainRedraw::SurfaceAndProportionViews);
}

EditorOutcome SurfaceEditor::insert() {
  checkArea();
  if (surface_ != kNoSurface) {
    if (isSurfaceRow()) plan_.insertSurface(row_, entered());
    else plan_.appendSurface(entered());
  }
  plan_.RecomputeSurfaces();
  return EditorOutcome::close(MainRedraw::SurfaceAndProportionViews);
}

EditorOutcome SurfaceEditor::remove() {
  if (isSurfaceRow()) plan_.removeSurface(row_);
  plan_.RecomputeSurfaces();
  // The main window follows when the plan window is left.
  return EditorOutcome::close();
}

EditorOutcome SurfaceEditor::removeAll() {
  plan_.clearSurfaces();
  plan_.RecomputeSurfaces();
  return EditorOutcome::close();
}

}  // namespace chromaflow
