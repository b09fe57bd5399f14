#include "core/settings/thickness_units.h"

#include <gtest/gtest.h>

namespace chromaflow {
namespace {

constexpr ThicknessUnit kUnits[] = {ThicknessUnit::LitresPerM2, ThicknessUnit::M2PerLitre, ThicknessUnit::Micron};

TEST(ThicknessUnitChoice, OthersLookGreyButStayClickableUntilAChoiceThenOnlyTheChosenOneIsEnabled) {
  ThicknessUnitChoice first;
  EXPECT_EQ(first.checked(), ThicknessUnit::LitresPerM2);
  for (ThicknessUnit panel : kUnits) {
    EXPECT_TRUE(first.panel(panel).enabled);
    EXPECT_EQ(first.panel(panel).greyText, panel != ThicknessUnit::LitresPerM2);
  }
  for (ThicknessUnit unit : kUnits) {
    ThicknessUnitChoice choice;
    choice.choose(unit);
    for (ThicknessUnit panel : kUnits) {
      EXPECT_EQ(choice.panel(panel).enabled, panel == unit);
      EXPECT_EQ(choice.panel(panel).greyText, panel != unit);
    }
  }
}

}  // namespace
}  // namespace chromaflow
