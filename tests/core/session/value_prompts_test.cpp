// The prompts of the main window's value entries.

#include "core/session/value_prompts.h"

#include <gtest/gtest.h>

namespace chromaflow {
namespace {

TEST(ValuePrompts, StartFromThePanelsAndSkipAPumpWithoutPulses) {
  MainWindowFigures figures;
  figures.LitresP1 = "4.87";
  figures.LitresP2 = "1.20";
  figures.TrP1 = "1100";
  figures.Distance = "12.50";
  EXPECT_EQ(pumpLitresPrompt(Pump::P1, figures), (ValuePrompt{"Consommation pompe P1 (litres)", "4.87", true}));
  EXPECT_EQ(pumpLitresPrompt(Pump::P2, figures), (ValuePrompt{"Consommation pompe P2 (litres)", "1.20", false}));
  EXPECT_EQ(distancePrompt(figures), (ValuePrompt{"Distance parcourue (m)", "12.50", true}));
}

}  // namespace
}  // namespace chromaflow
