// The main window's pictures, checked pixel by pixel.

#include "gui/drawing/main_pictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/session/view_fixture.h"

namespace chromaflow {
namespace {

const QColor kFace = qColourOf(kButtonFace);
const QColor kBlack(0, 0, 0);
const QColor kRedPen(255, 0, 0);
const QColor kWhitePaper(255, 255, 255);

struct MainPicturesTest : testing::ViewFixture {
  MainPictures pictures = makeMainPictures();

  QColor at(const QImage& image, int x, int y) const { return image.pixelColor(x, y); }
  // The rows of one pixel column of the chart drawn in `colour`.
  std::vector<int> rowsIn(const QImage& image, int x, const QColor& colour) const {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
      if (image.pixelColor(x, y) == colour) rows.push_back(y);
    return rows;
  }
  // Where the ramp's straight line from (0, bottom) to (width, 0) crosses column x.
  static double rampRow(const QImage& chart, int x) {
    return (chart.height() - 1) * (1.0 - static_cast<double>(x) / chart.width());
  }
  // A colour table from red at 0 % to blue at 100 %.
  void redToBlue() {
    colours.addRow({0, 255, 0, 0});
    colours.addRow({100, 0, 0, 255});
  }
  void redraw() { redrawViews(pictures, sources()); }
};

TEST_F(MainPicturesTest, RampRunsCornerToCornerWithDiamondsAtBothEnds) {
  ramp();
  redraw();
  const QImage& chart = pictures.proportion;
  ASSERT_EQ(chart.size(), QSize(625, 116));
  EXPECT_NE(at(chart, 0, 115), kFace);      // the curve starts at the bottom left
  EXPECT_EQ(at(chart, 624, 0), kBlack);     // and reaches the top right
  EXPECT_EQ(at(chart, 312, 10), kFace);     // far from it, the button face
  EXPECT_EQ(at(chart, 20, 20), kFace);
  // The diamond around (0, 115): its upper right side; the rest lies outside the chart.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(at(chart, i, 111 + i), kBlack) << i;
  // The diamond around (625, 0): its lower left side.
  for (int i = 1; i < 4; ++i) EXPECT_EQ(at(chart, 621 + i, i), kBlack) << i;
  // Away from the diamonds every black pixel lies on the straight line.
  for (int x = 6; x < 619; ++x) {
    const std::vector<int> black = rowsIn(chart, x, kBlack);
    for (int y : black) ASSERT_LE(std::abs(y - rampRow(chart, x)), 1.0) << x << "," << y;
  }

  // No colour in the table: the surface, 2 m of 2 m high, is white from edge to edge.
  const QImage& surface = pictures.surface;
  for (int y = 0; y < surface.height(); ++y)
    for (int x = 0; x < surface.width(); ++x) ASSERT_EQ(at(surface, x, y), kWhitePaper) << x << "," << y;
  for (int y = 0; y < 116; ++y) EXPECT_EQ(at(pictures.colourScale, 5, y), kWhitePaper) << y;
}

TEST_F(MainPicturesTest, RedCurveFollowsThePlanOnlyWithoutMixingVolume) {
  ramp();
  setting("Filtre(l)=0.00");
  redraw();
  const QImage& chart = pictures.proportion;
  int columnsWithRed = 0;
  for (int x = 0; x < chart.width(); ++x) {
    const std::vector<int> red = rowsIn(chart, x, kRedPen);
    columnsWithRed += !red.empty();
    for (int y : red) ASSERT_LE(std::abs(y - rampRow(chart, x)), 1.5) << x << "," << y;
  }
  EXPECT_GE(columnsWithRed, 620);

  // 1.5 l of mixing (10.7 m² on a 20 m² wall): the mix lags well below what is asked.
  setting("Filtre(l)=1.50");
  redraw();
  for (int x = 150; x < 600; ++x) {
    const std::vector<int> red = rowsIn(chart, x, kRedPen);
    ASSERT_FALSE(red.empty()) << x;
    for (int y : red) ASSERT_GT(y, rampRow(chart, x) + 3) << x << "," << y;
  }
}

TEST_F(MainPicturesTest, SurfaceColumnsTakeThePredictedColoursUpToTheirTop) {
  surfaces({{2, 5}, {1, 5}});  // the second surface half as high
  proportions({{"0.00", 0}, {"10.00", 100}});
  redToBlue();
  setting("Filtre(l)=0.00");
  redraw();
  const QImage& surface = pictures.surface;
  const int half = 119 - 60;  // 1 m of 2 m: 59.5 rows, rounded to even
  // Red at the start, blue at the end, mixed in the middle.
  EXPECT_GT(at(surface, 5, 118).red(), 240);
  EXPECT_LT(at(surface, 620, 118).red(), 15);
  EXPECT_GT(at(surface, 620, 118).blue(), 240);
  // The low surface is painted from the bottom to its top row and no higher.
  EXPECT_NE(at(surface, 500, half), kWhitePaper);
  EXPECT_EQ(at(surface, 500, half - 1), kFace);
  EXPECT_NE(at(surface, 200, 0), kWhitePaper);  // the high one to the top
  // Every pixel column of the surfaces is painted, none left white between two steps of the
  // walk, and each over its surface's whole height.
  for (int x = 0; x < surface.width(); ++x) {
    const QColor bottom = at(surface, x, 118);
    ASSERT_NE(bottom, kWhitePaper) << x;
    const int top = x < 312 ? 0 : half;  // 5 m of 10 m: 312.5 pixels, to even
    ASSERT_EQ(at(surface, x, top), bottom) << x;
    if (top > 0) {
      ASSERT_EQ(at(surface, x, top - 1), kFace) << x;
    }
  }
  // The colour scale runs from blue at the top to red at the bottom.
  const QImage& scale = pictures.colourScale;
  EXPECT_EQ(at(scale, 0, 0), QColor(0, 0, 255));
  EXPECT_GT(at(scale, 10, 115).red(), 250);  // 1 %: 0 % would be the row below the image
  EXPECT_LT(at(scale, 10, 115).blue(), 5);
  EXPECT_EQ(at(scale, 10, 58), at(scale, 0, 58));
}

TEST_F(MainPicturesTest, WithoutProportionRowsOnlyTheScaleIsDrawn) {
  surfaces({{2, 10}});
  redToBlue();
  redraw();
  for (int y = 0; y < 116; ++y)
    for (int x = 0; x < 625; ++x) ASSERT_EQ(at(pictures.proportion, x, y), kFace) << x << "," << y;
  EXPECT_EQ(at(pictures.surface, 300, 60), kWhitePaper);  // the surface stays white
  EXPECT_EQ(at(pictures.colourScale, 3, 0), QColor(0, 0, 255));
  EXPECT_GT(at(pictures.colourScale, 3, 115).red(), 250);

  // No surface either: the surface view is all button face.
  plan.clearSurfaces();
  redraw();
  EXPECT_EQ(at(pictures.surface, 300, 60), kFace);
  EXPECT_EQ(at(pictures.surface, 0, 118), kFace);
}

TEST_F(MainPicturesTest, WideRenderReachesTheRightEdge) {
  ramp();
  redToBlue();
  setting("Filtre(l)=0.00");
  pictures = makeMainPictures(1920);
  redraw();
  ASSERT_EQ(pictures.surface.size(), QSize(1920, 119));
  ASSERT_EQ(pictures.proportion.size(), QSize(1920, 116));
  ASSERT_EQ(pictures.colourScale.size(), QSize(11, 116));
  const QImage& chart = pictures.proportion;
  EXPECT_NE(at(chart, 1919, 0), kFace);
  EXPECT_NE(at(chart, 960, static_cast<int>(std::lround(rampRow(chart, 960)))), kFace);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(at(chart, 1916 + i, i), kBlack) << i;
  EXPECT_GT(at(pictures.surface, 1915, 60).blue(), 250);
  EXPECT_GT(at(pictures.surface, 5, 60).red(), 250);
  int painted = 0;
  for (int x = 0; x < 1920; ++x) painted += at(pictures.surface, x, 0) != kWhitePaper;
  EXPECT_GE(painted, 1915);
}

// Sources whose metrics disagree with the picture, an image without pixels or in a palette
// format: the picture is drawn at its own size, or left alone, never drawn half off.
TEST_F(MainPicturesTest, PicturesAreDrawnAtTheirOwnSize) {
  ramp();
  setting("Filtre(l)=0.00");
  QImage chart(300, 50, QImage::Format_Indexed8);
  drawProportionChart(chart, sources());  // the sources say 625 x 116
  ASSERT_EQ(chart.size(), QSize(300, 50));
  EXPECT_NE(chart.pixelColor(0, 49), kFace);
  EXPECT_NE(chart.pixelColor(299, 0), kFace);
  EXPECT_EQ(chart.pixelColor(299, 49), kFace);

  QImage surface(300, 40, QImage::Format_ARGB32);
  drawSurfaceView(surface, sources());
  EXPECT_EQ(surface.pixelColor(299, 39), kWhitePaper);
  EXPECT_EQ(surface.pixelColor(0, 0), kWhitePaper);

  QImage none;
  drawSurfaceView(none, sources());
  drawColourScale(none, sources());
  drawBar(none, {3, kRed});
  drawGauge(none, 50, {});
  EXPECT_TRUE(none.isNull());
}

TEST(Bars, FilledFromTheLeftToTheirMark) {
  QImage bar(100, 6, QImage::Format_RGB32);
  bar.fill(Qt::black);
  drawBar(bar, {50, kBarGreen});
  for (int x = 0; x < 100; ++x)
    for (int y = 0; y < 6; ++y)
      ASSERT_EQ(bar.pixelColor(x, y), x < 50 ? QColor(0, 255, 0) : kFace) << x << "," << y;

  drawBar(bar, {0, kRed});
  EXPECT_EQ(bar.pixelColor(0, 0), kFace);
  drawBar(bar, {100, kRed});  // at the end of the path the bar is full
  EXPECT_EQ(bar.pixelColor(99, 5), kRedPen);
  drawBar(bar, {1000, kBarGreen});
  EXPECT_EQ(bar.pixelColor(99, 5), QColor(0, 255, 0));
  drawBar(bar, {-5, kBarGreen});
  EXPECT_EQ(bar.pixelColor(0, 5), kFace);
}

TEST(Gauge, FillsFromTheBottomInTheTablesColours) {
  ColourTable colours;
  colours.addRow({0, 255, 255, 0});
  colours.addRow({100, 0, 128, 0});
  QImage gauge(20, 100, QImage::Format_RGB32);
  drawGauge(gauge, 30, colours.UpdateGaugeColours());
  for (int y = 0; y < 100; ++y)
    ASSERT_EQ(gauge.pixelColor(10, y), y >= 70 ? QColor(0, 128, 0) : QColor(255, 255, 0)) << y;

  drawGauge(gauge, 0, GaugeColours{});  // no colour rows: white with a navy bar
  EXPECT_EQ(gauge.pixelColor(0, 99), kWhitePaper);
  drawGauge(gauge, 150, GaugeColours{});
  EXPECT_EQ(gauge.pixelColor(0, 0), QColor(0, 0, 128));
  drawGauge(gauge, -3, GaugeColours{});
  EXPECT_EQ(gauge.pixelColor(0, 99), kWhitePaper);
}

}  // namespace
}  // namespace chromaflow
