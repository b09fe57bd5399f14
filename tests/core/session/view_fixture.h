#pragma once
// The documents and path model the main window's pictures and gestures are computed from.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "core/session/main_view_sources.h"

namespace chromaflow::testing {

struct ViewFixture : ::testing::Test {
  SettingsDocument settings;
  ColourTable colours;
  Plan plan{colours};
  PathModel path{plan, settings};
  ViewMetrics view;

  MainViewSources sources() const { return {plan, colours, settings, path, view}; }
  void surfaces(std::initializer_list<Surface> list) {
    plan.clearSurfaces();
    for (const Surface& s : list) ASSERT_TRUE(plan.appendSurface(s));
  }
  void proportions(std::initializer_list<std::pair<const char*, int>> rows) {
    plan.clearProportions();
    for (const auto& [distance, proportion] : rows) plan.appendProportion(distance, proportion);
  }
  // A settings file line, taken as it stands ("Retard(l)=1.00").
  void setting(const std::string& line) { settings.applyFileLines({line}); }
  // One surface 2 m x 10 m asked from 0 % at its start to 100 % at its end.
  void ramp() {
    surfaces({{2, 10}});
    proportions({{"0.00", 0}, {"10.00", 100}});
  }
};

}  // namespace chromaflow::testing
