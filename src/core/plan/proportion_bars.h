#pragma once
// The small bars of the plan window, the proportion editor and the colour picker: how much of a
// bar is blue for a value, what a pointer dragged over it sets, and the colour bar that shows
// the colour table's colour for every proportion.

#include <optional>
#include <string>
#include <vector>

#include "core/plan/colour_table.h"

namespace chromaflow {

// The pointer over a bar: the cursor to show and, while the left button is held, the value the
// bar's field takes.
struct BarPointer {
  bool splitCursor = false;  // the horizontal split cursor, else the default one
  std::optional<int> value;
};

// Proportion bar of the plan window (StartProportion) and of the proportion editor: its first
// Round(proportion / 100 x width) pixel columns are blue, the rest has the button face.
int proportionBarBlueColumns(int proportion, int width);
// Pointer at x over that bar: q = Round(x x 100 / width); the split cursor when q is less than
// 5 from the proportion; with the left button held the proportion becomes q, taken into 0..100.
BarPointer proportionBarPointer(int x, int width, int proportion, bool leftButtonDown);

// The colour picker's bars (components 0..255, proportion 0..100): columns 0 to the returned one,
// Round(value / full x width), are blue, the rest up to `width` has the button face.
int pickerBarLastBlueColumn(int value, int full, int width);
// Pointer at x: q = Round(x x full / width); the split cursor when q is within 9 of the value;
// with the left button held the value becomes q, taken into 0..full.
BarPointer pickerBarPointer(int x, int width, int value, int full, bool leftButtonDown);

// The colour bar under the proportion grid: the colour of each pixel column x = 0..width is the
// table's colour for the proportion Round(x x 100 / width) (white where it has none). Empty for
// a bar of no width.
std::vector<Rgb> colourBarColumns(const ColourTable& colours, int width);

// The panel "Couleur" beside a proportion: the table's colour for it, and "Indisponible" when
// the table does not cover the proportion.
struct CouleurPanel {
  Rgb colour = kWhite;
  std::string text;
};
CouleurPanel couleurPanel(const ColourTable& colours, int proportion);

}  // namespace chromaflow
