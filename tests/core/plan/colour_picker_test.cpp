#include "core/plan/colour_picker.h"

#include <gtest/gtest.h>

#include <tuple>

namespace chromaflow {
namespace {

std::string duplicate(int proportion) {
  return "La proportion : " + std::to_string(proportion) + "% existe déjà. Essayer un autre.";
}

struct ColourPickerFixture : ::testing::Test {
  ColourTable colours;
  Plan plan{colours};
  ColourPicker picker{colours, plan};

  int plusRow() const { return static_cast<int>(colours.rows().size()) + 1; }
  EditorOutcome store(int row, int proportion, Rgb colour) {
    picker.selectColourRow(row);
    picker.setProportion(proportion);
    picker.setColour(colour);
    return picker.ok();
  }
};

TEST(PictureKind, ExtensionsCompareInCapitals) {
  struct Case { const char* name; PictureKind kind; };
  for (const Case c : {Case{"sample.bmp", PictureKind::Bitmap}, Case{"C:\\photos\\WALL.BMP", PictureKind::Bitmap},
                       Case{"logo.Ico", PictureKind::Icon}, Case{"plan.emf", PictureKind::Metafile},
                       Case{"photo.jpg", PictureKind::None}, Case{"old.bmp/readme", PictureKind::None}})
    EXPECT_EQ(pictureKindOf(c.name), c.kind) << c.name;
}

TEST_F(ColourPickerFixture, PickingAStretchedBitmap) {
  picker.pictureLoaded("C:\\photos\\sample.bmp", PictureKind::Bitmap, 100, 50);
  EXPECT_EQ(picker.caption(), "Visualiseur d'image - sample.bmp (100 x 50)");
  auto pixels = [](int x, int y) { return rgbOf(x, y, 7); };
  EXPECT_EQ(picker.pick(227, 174, pixels), PickResult::Picked);
  EXPECT_EQ(picker.colour(), rgbOf(50, 25, 7));
  EXPECT_EQ(picker.positionX(), "50");
  EXPECT_EQ(picker.positionY(), "25");

  // The frame's last column falls on column 100, which the picture has not: nothing changes.
  EXPECT_EQ(picker.pick(454, 10, pixels), PickResult::OutsidePicture);
  picker.setStretch(false);
  EXPECT_EQ(picker.pick(120, 10, pixels), PickResult::OutsidePicture);
  EXPECT_EQ(picker.colour(), rgbOf(50, 25, 7));
  EXPECT_EQ(picker.positionX(), "50");

  // Unstretched, the picture's four corners are its own pixels, and a pixel beyond any edge is not.
  for (const auto& [x, y, inside] : {std::tuple{0, 0, true}, {99, 0, true}, {0, 49, true}, {99, 49, true},
                                     {-1, 0, false}, {0, -1, false}, {100, 49, false}, {99, 50, false}})
    EXPECT_EQ(picker.pick(x, y, pixels), inside ? PickResult::Picked : PickResult::OutsidePicture) << x << "," << y;
  // Stretched into a frame of no size (the viewer hidden), nothing is under the pointer.
  picker.setStretch(true);
  EXPECT_EQ(picker.pick(0, 0, pixels, 0, 0), PickResult::OutsidePicture);
  EXPECT_EQ(picker.pick(0, 0, pixels, 0, 120), PickResult::OutsidePicture);
  EXPECT_EQ(picker.pick(0, 0, pixels, 450, 0), PickResult::OutsidePicture);

  picker.pictureLoaded("logo.ico", PictureKind::Icon, 32, 32);
  EXPECT_EQ(picker.caption(), "Visualiseur d'image - logo.ico");
  EXPECT_EQ(picker.pick(1, 1, pixels), PickResult::NoPixels);
}

TEST_F(ColourPickerFixture, ColourRefreshTextTurnsBlackFrom380) {
  picker.setColour(rgbOf(200, 100, 80));
  const PickerView view = picker.view();
  EXPECT_EQ(view.panelRGB, rgbOf(200, 100, 80));
  EXPECT_EQ(view.panelG, rgbOf(0, 100, 0));
  EXPECT_EQ(view.panelRGBText, 0u);
  EXPECT_EQ(view.redBarLastBlue, 49);  // 49.41
  // Each bar is blue up to its own value: 100 and 80 of 255, 30 of 100, on 63 columns.
  picker.setProportion(30);
  const PickerView narrow = picker.view(63);
  EXPECT_EQ(narrow.greenBarLastBlue, 25);       // 24.71
  EXPECT_EQ(narrow.blueBarLastBlue, 20);        // 19.76
  EXPECT_EQ(narrow.proportionBarLastBlue, 19);  // 18.9
  picker.setComponent(Component::Blue, 79);
  EXPECT_EQ(picker.view().panelRGBText, kWhite);
  picker.pointComponentBar(Component::Green, 21, 63, true);
  EXPECT_EQ(picker.green(), 85);
}

TEST_F(ColourPickerFixture, OkStoresFromThePlusRowOnceThenWarns) {
  plan.appendProportion("1.00", 0);
  picker.selectColourRow(plusRow());
  EXPECT_EQ(picker.proportion(), 0);
  picker.setColour(rgbOf(10, 20, 30));
  const EditorOutcome stored = picker.ok();
  EXPECT_TRUE(stored.closes);
  EXPECT_EQ(stored.redraw, MainRedraw::ProportionViews);
  EXPECT_TRUE(stored.updateGaugeColours);
  EXPECT_TRUE(stored.refreshColourViews);
  ASSERT_EQ(colours.rows().size(), 1u);
  EXPECT_EQ(colours.rows()[0], (ColourRow{0, 10, 20, 30}));
  EXPECT_EQ(plan.proportionCell(1, 3), std::to_string(rgbOf(10, 20, 30)));  // the plan follows

  const EditorOutcome again = store(plusRow(), 0, rgbOf(1, 2, 3));
  EXPECT_FALSE(again.closes);
  EXPECT_EQ(again.warnings, std::vector<std::string>{duplicate(0)});
  EXPECT_EQ(colours.rows().size(), 1u);
}

TEST_F(ColourPickerFixture, OneWarningPerOtherRowOfTheSameProportion) {
  colours.applyFileLines({"1;50;0;1;1;1", "2;50;0;2;2;2"});
  EXPECT_EQ(store(plusRow(), 50, 0).warnings, (std::vector<std::string>{duplicate(50), duplicate(50)}));
  EXPECT_EQ(store(1, 50, 0).warnings, std::vector<std::string>{duplicate(50)});
}

TEST_F(ColourPickerFixture, ReStoringARowWithItsOwnProportionIsAccepted) {
  colours.addRow({0, 255, 255, 255});
  colours.addRow({100, 0, 0, 255});
  picker.selectColourRow(2);
  EXPECT_EQ(picker.colour(), rgbOf(0, 0, 255));
  EXPECT_TRUE(store(2, 100, rgbOf(0, 0, 128)).closes);
  EXPECT_EQ(colours.rows()[1], (ColourRow{100, 0, 0, 128}));
}

TEST_F(ColourPickerFixture, ARowGoneSinceItWasSelectedIsAdded) {
  colours.addRow({10, 1, 1, 1});
  colours.addRow({20, 2, 2, 2});
  picker.selectColourRow(2);
  colours.clearRows();  // the colour window's "Nouveau" while the picker is open
  picker.setProportion(30);
  EXPECT_TRUE(picker.ok().closes);
  ASSERT_EQ(colours.rows().size(), 1u);
  EXPECT_EQ(colours.rows()[0].proportion, 30);
}

TEST_F(ColourPickerFixture, DeletingARowAndTheTableKeepsTheFileName) {
  colours.name().set("/jobs/wall.cov");
  colours.addRow({0, 255, 255, 255});
  colours.addRow({50, 0, 255, 0});
  colours.addRow({100, 0, 0, 255});
  plan.appendProportion("1.00", 50);

  picker.selectColourRow(4);
  EXPECT_TRUE(picker.remove().closes);
  EXPECT_EQ(colours.rows().size(), 3u);
  picker.selectColourRow(2);
  const EditorOutcome removed = picker.remove();
  EXPECT_TRUE(removed.updateGaugeColours);
  EXPECT_EQ(colours.rows().size(), 2u);
  EXPECT_EQ(plan.proportionCell(1, 3), std::to_string(colours.ColourOfProportion(50).colour));

  EXPECT_EQ(picker.removeAll().redraw, MainRedraw::None);
  EXPECT_TRUE(colours.rows().empty());
  EXPECT_EQ(colours.name().current(), "/jobs/wall.cov");
  EXPECT_EQ(plan.proportionCell(1, 3), "16777215");
}

}  // namespace
}  // namespace chromaflow
