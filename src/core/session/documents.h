#pragma once
// The four documents of a run, tied together: a change of the colour table recolours the
// plan's proportion rows before anyone hears that the main window's views must be redrawn.

#include "core/common/signal.h"
#include "core/plan/colour_table.h"
#include "core/plan/plan.h"
#include "core/session/project.h"
#include "core/settings/settings_document.h"

namespace chromaflow {

struct Documents {
  SettingsDocument settings;
  ColourTable colours;
  Plan plan{colours};
  Project project{settings, colours, plan};

  // A document asks the main window to redraw its views (surface view, proportion views):
  // New of the plan, New or Open of the colours, Open of the settings, the project's steps.
  Signal<> viewsChanged;

  Documents()
      : wiring_{colours.coloursChanged.subscribe([this] {
                  plan.RefreshProportions();
                  viewsChanged.emit();
                }),
                plan.renewed.subscribe([this] { viewsChanged.emit(); }),
                settings.opened.subscribe([this] { viewsChanged.emit(); }),
                project.redrawRequested.subscribe([this] { viewsChanged.emit(); })} {}
  Documents(const Documents&) = delete;
  Documents& operator=(const Documents&) = delete;

 private:
  Subscription wiring_[4];
};

}  // namespace chromaflow
