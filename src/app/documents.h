#pragma once
// The four documents of a run, tied together: a change of the colour table recolours the
// plan's proportion rows before the main window hears of it.

#include <functional>

#include "app/project.h"
#include "plan/colour_table.h"
#include "plan/plan.h"
#include "settings/settings_document.h"

namespace chromaflow {

struct Documents {
  SettingsDocument settings;
  ColourTable colours;
  Plan plan{colours};
  Project project{settings, colours, plan};

  // The main window redraws its views (surface view, proportion views).
  std::function<void()> viewsChanged;

  Documents() {
    auto views = [this] {
      if (viewsChanged) viewsChanged();
    };
    colours.coloursChanged = [this, views] {
      plan.RefreshProportions();
      views();
    };
    plan.planRenewed = views;
    settings.opened = views;
    project.redrawRequested = views;
  }
  Documents(const Documents&) = delete;
  Documents& operator=(const Documents&) = delete;
};

}  // namespace chromaflow
