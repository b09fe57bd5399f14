#pragma once
// What the row editors and the colour picker share: the outcome of one operator gesture, which
// tells the window and the session what follows, and the reading of a number typed in a field.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chromaflow {

// The main window's redraw a gesture calls for.
enum class MainRedraw { None, ProportionViews, SurfaceAndProportionViews };

// What follows a gesture, in this order: the warnings (each in a box with an OK button), the
// main window's redraw, the gauge's colours, the colour window's chart and colour bar; then the
// window closes when `closes`, else it stays open. The documents are already changed.
struct EditorOutcome {
  bool closes = false;
  std::vector<std::string> warnings;
  MainRedraw redraw = MainRedraw::None;
  bool updateGaugeColours = false;
  bool refreshColourViews = false;

  static EditorOutcome close(MainRedraw redraw = MainRedraw::None) { return {true, {}, redraw}; }
  static EditorOutcome stay(std::vector<std::string> warnings) { return {false, std::move(warnings)}; }
};

// A height, length or distance typed in an edit field: the number alone, a point or a comma as
// decimal separator, blanks before it allowed and none after; a value beyond what a 32-bit real
// holds is no number either.
std::optional<float> typedMetres(std::string_view text);

}  // namespace chromaflow
