// The status bar's read-outs of the pointer over each image of the main window.

#include "core/session/pointer_readouts.h"

#include <gtest/gtest.h>

#include <clocale>

#include "view_fixture.h"

namespace chromaflow {
namespace {

struct PointerReadouts : testing::ViewFixture {
  void SetUp() override { ramp(); }
};

TEST_F(PointerReadouts, EachImageWritesItsPanels) {
  const struct {
    StatusPanels got, expected;
  } cases[] = {
      // Column 312 of 625 on the 10 m wall: 4.992 m.
      {surfaceReadout(sources(), 312), {"Curseur: L=  4.99 m, H=  2.00 m, Proportions= 49.9 %", ""}},
      {chartReadout(sources(), 312, 58), {"Curseur: L=  4.99 m, H=  2.00 m, Proportions= 50 %)", std::nullopt}},
      {travelledReadout(sources(), 625, 3.5f),
       {"Curseur: L= 10.00 m", "Distance effectivement parcourue: L=  3.50 m"}},
      // 0.5 l in the hose is 3.57 m² ahead of the 0.43 m² painted: 4 m², 2 m along the wall.
      {proportionBarReadout(sources(), 0, 0.43f, 0.5f),
       {"Curseur: L=  0.00 m", "Distance prise en compte pour la consigne de proportions: L=  2.00 m"}},
      {hoseReadout(sources(), 0.25f), {"Remplissage tuyau=  0.25 litres soit 25.00 %", ""}},
      {backgroundReadout(), {"", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << *c.expected.panel0;

  plan.clearProportions();
  EXPECT_EQ(chartReadout(sources(), 312, 58), StatusPanels{});  // both panels left as they are
}

TEST_F(PointerReadouts, HoseOfNoCapacityReadsAsFull) {
  setting("Retard(l)=0.00");
  EXPECT_EQ(hoseReadout(sources(), 0).panel0, "Remplissage tuyau=  0.00 litres soit 100.00 %");
}

TEST(PrintedFixed, WritesAsPrintfInTheCLocale) {
  EXPECT_EQ(printedFixed(0.125, 5, 2), " 0.12");  // an exact tie goes to the even digit
  EXPECT_EQ(printedFixed(0.375, 5, 2), " 0.38");
  EXPECT_EQ(printedFixed(-1.5, 5, 2), "-1.50");
  EXPECT_EQ(printedFixed(1e6, 5, 2), "1000000.00");  // the field only grows
}

TEST_F(PointerReadouts, NotAffectedByACommaLocale) {
  const char* found = nullptr;
  for (const char* name : {"fr_FR.UTF-8", "fr_FR.utf8", "de_DE.UTF-8", "de_DE.utf8"})
    if ((found = std::setlocale(LC_ALL, name))) break;
  if (!found) GTEST_SKIP() << "no locale with a decimal comma is installed";
  struct Restore {
    ~Restore() { std::setlocale(LC_ALL, "C"); }
  } restore;
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(surfaceReadout(sources(), 312).panel0, "Curseur: L=  4.99 m, H=  2.00 m, Proportions= 49.9 %");
}

}  // namespace
}  // namespace chromaflow
