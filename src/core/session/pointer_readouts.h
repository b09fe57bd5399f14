#pragma once
// What the main window's status bar says about the pointer: for each image under it, the texts
// of the two panels. Numbers are written as printf's "%5.2f", "%4.1f" and "%d" write them in
// the C locale, with a point as decimal separator whatever the process's regional settings.

#include <optional>
#include <string>

#include "core/session/main_view_sources.h"

namespace chromaflow {

// The two panels' new texts; nothing where the panel keeps what it shows (another rule writes
// it, or the pointer over that image leaves the status bar alone).
struct StatusPanels {
  std::optional<std::string> panel0;
  std::optional<std::string> panel1;
  bool operator==(const StatusPanels&) const = default;
};

// Over the surface view at column x: distance, surface height and the proportion asked there.
StatusPanels surfaceReadout(const MainViewSources& sources, int x);
// Over the proportion chart at (x, y): distance, height and the proportion of the pixel row.
// Panel 1 belongs to the point hit test; without a proportion row nothing is written.
StatusPanels chartReadout(const MainViewSources& sources, int x, int y);
// Over the travelled-distance bar: the distance under the pointer and the distance travelled.
StatusPanels travelledReadout(const MainViewSources& sources, int x, float distance);
// Over the proportion bar: the distance under the pointer and the distance whose proportion the
// pumps are given, where the paint now entering the hose will be laid.
StatusPanels proportionBarReadout(const MainViewSources& sources, int x, float paintedArea, float hoseFill);
// Over the hose bar: the litres in hose and roller and how full that is. A hose of no capacity
// counts as full (100 %), as its bar shows it.
StatusPanels hoseReadout(const MainViewSources& sources, float hoseFill);
// Over the window's background: both panels emptied.
StatusPanels backgroundReadout();

// printf's "%<width>.<decimals>f" in the C locale: fixed notation, the exact value rounded half
// to even, padded on the left with blanks to at least `width` characters.
std::string printedFixed(double v, int width, int decimals);

}  // namespace chromaflow
