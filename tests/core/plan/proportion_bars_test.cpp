#include "core/plan/proportion_bars.h"

#include <gtest/gtest.h>

namespace chromaflow {
namespace {

TEST(Bars, BlueFillRoundsTiesToEven) {
  EXPECT_EQ(proportionBarBlueColumns(50, 63), 32);  // 31.5
  EXPECT_EQ(proportionBarBlueColumns(30, 63), 19);  // 18.9
  EXPECT_EQ(proportionBarBlueColumns(100, 63), 63);
  EXPECT_EQ(proportionBarBlueColumns(50, 0), 0);
  EXPECT_EQ(pickerBarLastBlueColumn(128, 255, 63), 32);  // 31.62
  EXPECT_EQ(pickerBarLastBlueColumn(255, 255, 63), 63);
}

TEST(Bars, PointerSplitsNearTheValueAndDragsWithinTheRange) {
  struct Case { int x, width, current, full; bool picker; bool split; int dragged; };
  // The proportion bar splits within 4 of the value, the picker's bars within 9.
  for (const Case c : {Case{30, 60, 46, 100, false, true, 50}, Case{30, 60, 55, 100, false, false, 50},
                       Case{1, 40, 0, 100, false, true, 2} /* 2.5 */, Case{-12, 60, 7, 100, false, false, 0},
                       Case{75, 60, 7, 100, false, false, 100}, Case{21, 63, 94, 255, true, true, 85},
                       Case{21, 63, 75, 255, true, false, 85}, Case{70, 63, 0, 255, true, false, 255}}) {
    const auto point = [&](bool held) {
      return c.picker ? pickerBarPointer(c.x, c.width, c.current, c.full, held)
                      : proportionBarPointer(c.x, c.width, c.current, held);
    };
    EXPECT_EQ(point(false).splitCursor, c.split) << c.x << " over " << c.width << " at " << c.current;
    EXPECT_FALSE(point(false).value);
    EXPECT_EQ(point(true).value, c.dragged) << c.x << " over " << c.width;
  }
  EXPECT_FALSE(proportionBarPointer(5, 0, 7, true).value);  // a bar of no width
}

TEST(Bars, ColourBarShowsTheRoundedProportionsColourPerColumn) {
  ColourTable colours;
  colours.addRow({40, 0, 0, 0});
  colours.addRow({60, 200, 100, 50});
  // Width 8: proportions 0, 12.5 -> 12, 25, ... 100; nine columns.
  ASSERT_EQ(colourBarColumns(colours, 8).size(), 9u);
  const std::vector<Rgb> columns = colourBarColumns(colours, 10);
  EXPECT_EQ(columns[3], kWhite);
  EXPECT_EQ(columns[5], colours.ColourOfProportion(50).colour);
  EXPECT_EQ(columns[7], kWhite);
  EXPECT_TRUE(colourBarColumns(colours, 0).empty());
}

}  // namespace
}  // namespace chromaflow
