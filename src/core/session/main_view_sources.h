#pragma once
// What the main window's pictures, pointer read-outs and pointer rules are computed from: the
// documents as they stand, the path model over them and the images' pixel sizes. The window
// hands these to the functions of proportion_views, pointer_readouts and pointer_editing and
// only draws or shows what comes back.

#include "core/control/path_model.h"
#include "core/plan/colour_table.h"
#include "core/plan/plan.h"
#include "core/settings/settings_document.h"

namespace chromaflow {

// A pixel of one of the main window's images, (0, 0) at its top left.
struct PixelPoint {
  int x = 0;
  int y = 0;
  bool operator==(const PixelPoint&) const = default;
};

struct MainViewSources {
  const Plan& plan;
  const ColourTable& colours;
  const SettingsDocument& settings;
  const PathModel& path;  // built on the same plan and settings
  ViewMetrics view;
};

}  // namespace chromaflow
