#include "core/plan/colour_table.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/common/text_file.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::crlf;
using testing::readBytes;
using testing::ScriptedAsker;
using testing::TempDir;
using testing::writeBytes;

// White at 0 %, blue at 100 %, added in the wrong order.
void whiteToBlue(ColourTable& table) {
  table.addRow({100, 0, 0, 255});
  table.addRow({0, 255, 255, 255});
}

TEST(ColourOfProportion, InterpolatesAndRoundsTiesToEven) {
  ColourTable table;
  whiteToBlue(table);
  const ColourLookup half = table.ColourOfProportion(50);
  EXPECT_TRUE(half.found);
  EXPECT_EQ(half.R, 128);  // 127.5 to even
  EXPECT_EQ(half.G, 128);
  EXPECT_EQ(half.B, 255);
  EXPECT_EQ(half.colour, 16744576u);
  EXPECT_EQ(table.ColourOfProportion(0).colour, kWhite);
  EXPECT_EQ(table.ColourOfProportion(100).colour, rgbOf(0, 0, 255));
  const ColourLookup outside = table.ColourOfProportion(100.5f);
  EXPECT_FALSE(outside.found);
  EXPECT_EQ(outside.colour, kWhite);
}

TEST(ColourOfProportion, SingleRowsEmptyTablesAndGaps) {
  ColourTable table;
  EXPECT_FALSE(table.ColourOfProportion(0).found);
  table.addRow({40, 10, 20, 30});
  EXPECT_EQ(table.ColourOfProportion(40).colour, rgbOf(10, 20, 30));
  EXPECT_FALSE(table.ColourOfProportion(39.5f).found);
  table.addRow({80, 30, 40, 50});
  table.addRow({20, 0, 0, 0});
  EXPECT_FALSE(table.ColourOfProportion(19.9f).found);
  EXPECT_FALSE(table.ColourOfProportion(80.1f).found);
  EXPECT_EQ(table.ColourOfProportion(60).colour, rgbOf(20, 30, 40));
  EXPECT_EQ(table.ColourOfProportion(30).colour, rgbOf(5, 10, 15));
}

TEST(ColourOfProportion, TwoRowsOfOneProportionGiveTheFirstsColour) {
  ColourTable table;
  table.applyFileLines({"1;50;0;10;20;30", "2;50;0;200;200;200"});
  table.RefreshColourTable();
  const ColourLookup lookup = table.ColourOfProportion(50);
  EXPECT_TRUE(lookup.found);
  EXPECT_EQ(lookup.colour, rgbOf(10, 20, 30));
  table.applyFileLines({"3;80;0;0;0;0"});
  table.RefreshColourTable();
  EXPECT_EQ(table.ColourOfProportion(50).colour, rgbOf(10, 20, 30));
  EXPECT_EQ(table.ColourOfProportion(65).colour, rgbOf(100, 100, 100));
}

TEST(ColourTable, GaugeColoursFollowTheEndRows) {
  ColourTable table;
  EXPECT_EQ(table.UpdateGaugeColours().background, kWhite);
  EXPECT_EQ(table.UpdateGaugeColours().bar, kNavy);
  table.addRow({20, 1, 2, 3});
  table.addRow({80, 4, 5, 6});
  EXPECT_EQ(table.UpdateGaugeColours().background, kWhite);
  EXPECT_EQ(table.UpdateGaugeColours().bar, kNavy);
  ColourTable blue;
  whiteToBlue(blue);
  EXPECT_EQ(blue.UpdateGaugeColours().background, kWhite);
  EXPECT_EQ(blue.UpdateGaugeColours().bar, rgbOf(0, 0, 255));
}

TEST(ColourTable, ChartAndColourBarFollowTheRows) {
  ColourTable table;
  whiteToBlue(table);
  const ColourSeries series = table.colourSeries();
  EXPECT_EQ(series.rouge, (std::vector<ChartPoint>{{0, 255}, {100, 0}}));
  EXPECT_EQ(series.vert, (std::vector<ChartPoint>{{0, 255}, {100, 0}}));
  EXPECT_EQ(series.bleu, (std::vector<ChartPoint>{{0, 255}, {100, 255}}));
  EXPECT_EQ(table.colourBarColumn(0, 200), kWhite);
  EXPECT_EQ(table.colourBarColumn(100, 200), 16744576u);
  EXPECT_EQ(table.colourBarColumn(200, 200), rgbOf(0, 0, 255));
  EXPECT_EQ(ColourTable().colourBarColumn(5, 10), kWhite);
}

TEST(ColourTable, GridShowsHeadingsRowsAndTheInsertionRow) {
  ColourTable table;
  whiteToBlue(table);
  EXPECT_EQ(table.gridRows(), 4);
  EXPECT_EQ(table.cell(0, 1), "Proportions (%)");
  EXPECT_EQ(table.cell(1, 0), "1");
  EXPECT_EQ(table.cell(1, 1), "0");
  EXPECT_EQ(table.cell(2, 2), "16711680");
  EXPECT_EQ(table.cell(3, 0), " +");
  EXPECT_EQ(table.cell(3, 1), "");
}

struct ColourFileFixture : ::testing::Test {
  TempDir dir;
  ScriptedAsker asker;
  ColourTable table;
  int changes = 0;
  Subscription counting = table.coloursChanged.subscribe([this] { ++changes; });
};

TEST_F(ColourFileFixture, TwoRowFileIsWrittenByteForByte) {
  whiteToBlue(table);
  asker.saveAnswers.push_back(dir.file("mix.cov"));
  table.SaveColours(false, &asker);
  EXPECT_EQ(readBytes(dir.file("mix.cov")),
            ";Proportions (%);RGB;R;G;B\r\n1;0;16777215;255;255;255\r\n2;100;16711680;0;0;255\r\n");
  EXPECT_EQ(table.name().title(), "Couleurs=f(Proportions) - mix.cov");
  ColourTable empty;
  empty.name().set(dir.file("empty.cov"));
  empty.SaveColours(false, nullptr);
  EXPECT_EQ(readBytes(dir.file("empty.cov")), ";Proportions (%);RGB;R;G;B\r\n");
}

TEST_F(ColourFileFixture, ReadingSkipsBadRowsAndSorts) {
  writeBytes(dir.file("odd.cov"), crlf({";Proportions (%);RGB;R;G;B", "3;50;0;300;0;0", "x;50;7;10;20;30",
                                        "1;100;0;1;1;1", "2;0;0;2;2;2", "4;101;0;0;0;0", "5;20;0;1.5;0;0",
                                        "short;30", "6;-1;0;0;0;0"}));
  asker.openAnswers.push_back(dir.file("odd.cov"));
  table.OpenColours(true, &asker);
  ASSERT_EQ(table.rows().size(), 3u);
  EXPECT_EQ(table.rows()[0], (ColourRow{0, 2, 2, 2}));
  EXPECT_EQ(table.rows()[1], (ColourRow{50, 10, 20, 30}));
  EXPECT_EQ(table.rows()[1].RGB(), 1971210u);
  EXPECT_EQ(table.rows()[2], (ColourRow{100, 1, 1, 1}));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(table.name().current(), dir.file("odd.cov"));

  table.SaveColours(false, &asker);
  EXPECT_EQ(readBytes(dir.file("odd.cov")),
            crlf({";Proportions (%);RGB;R;G;B", "1;0;131586;2;2;2", "2;50;1971210;10;20;30", "3;100;65793;1;1;1"}));
  // A file opened takes the table's place: its rows are not added to those already there.
  asker.openAnswers.push_back(dir.file("odd.cov"));
  table.OpenColours(true, &asker);
  EXPECT_EQ(table.rows().size(), 3u);
}

TEST_F(ColourFileFixture, SaveAfterNewAsksAndCancelKeepsAll) {
  table.NewColours();
  EXPECT_EQ(table.name().title(), "Couleurs=f(Proportions) - Noname.cov");
  table.SaveColours(false, &asker);
  EXPECT_EQ(asker.saveAsked.size(), 1u);
  EXPECT_TRUE(dir.entries().empty());
  table.addRow({10, 1, 1, 1});
  asker.openAnswers.push_back(dir.file("absent.cov"));
  table.OpenColours(true, &asker);
  EXPECT_EQ(table.rows().size(), 1u);
}

TEST_F(ColourFileFixture, ExchangeSortOrdersRowsReadInAnyOrder) {
  table.applyFileLines({"1;100;0;0;0;0", "2;0;0;0;0;0", "3;50;0;0;0;0"});
  table.RefreshColourTable();
  EXPECT_EQ(table.rows()[0].proportion, 0);
  EXPECT_EQ(table.rows()[1].proportion, 50);
  EXPECT_EQ(table.rows()[2].proportion, 100);
  EXPECT_EQ(table.cell(3, 0), "3");
}

// The colour table's exchange sort as it always ran, kept here to compare with: each place in
// turn takes, one after another, every row below it of a strictly smaller proportion.
std::vector<ColourRow> exchangeSorted(std::vector<ColourRow> rows) {
  for (std::size_t r = 0; r + 1 < rows.size(); ++r)
    for (std::size_t q = r + 1; q < rows.size(); ++q)
      if (rows[q].proportion < rows[r].proportion) std::swap(rows[q], rows[r]);
  return rows;
}

// Rows of `kinds` proportions, each row told from the others by its colour.
std::vector<ColourRow> randomRows(std::mt19937& random, int count, int kinds) {
  std::vector<ColourRow> rows;
  for (int i = 0; i < count; ++i)
    rows.push_back({static_cast<int>(random() % kinds) * (100 / kinds), i & 0xFF, (i >> 8) & 0xFF, (i >> 16) & 0xFF});
  return rows;
}

std::vector<std::string> colourFileLines(const std::vector<ColourRow>& rows) {
  std::vector<std::string> lines{";Proportions (%);RGB;R;G;B"};
  for (std::size_t i = 0; i < rows.size(); ++i)
    lines.push_back(std::to_string(i + 1) + ";" + std::to_string(rows[i].proportion) + ";0;" + std::to_string(rows[i].R) +
                    ";" + std::to_string(rows[i].G) + ";" + std::to_string(rows[i].B));
  return lines;
}

// Rows of one proportion end where the exchange sort leaves them, as saved tables carry them:
// tables read from a file (every size up to 40 rows, from one proportion to all different, and
// large ones), and tables edited row by row, each edit sorting a table in order but for one row.
TEST(ColourTable, RowsOfOneProportionEndWhereTheExchangeSortLeavesThem) {
  std::mt19937 random(11);
  for (int table = 0; table < 3000; ++table) {
    const auto rows = randomRows(random, static_cast<int>(random() % 41), 1 + static_cast<int>(random() % 101));
    ColourTable read;
    read.applyFileLines(colourFileLines(rows));
    ASSERT_EQ(read.rows(), exchangeSorted(rows)) << "table " << table;
  }
  for (const int kinds : {2, 5, 101}) {
    const auto rows = randomRows(random, 3000, kinds);
    ColourTable read;
    read.applyFileLines(colourFileLines(rows));
    ASSERT_EQ(read.rows(), exchangeSorted(rows)) << kinds << " proportions";
  }
  ColourTable edited;
  std::vector<ColourRow> expected;
  for (int edit = 0; edit < 600; ++edit) {
    const ColourRow row = randomRows(random, 1, 1 + static_cast<int>(random() % 20))[0];
    const int place = 1 + static_cast<int>(random() % (expected.size() + 1));
    if (edit % 3 == 2 && !expected.empty() && place <= static_cast<int>(expected.size())) {
      edited.setRow(place, {row.proportion, edit & 0xFF, 7, 7});
      expected[place - 1] = {row.proportion, edit & 0xFF, 7, 7};
    } else {
      edited.addRow({row.proportion, edit & 0xFF, 9, 9});
      expected.push_back({row.proportion, edit & 0xFF, 9, 9});
    }
    expected = exchangeSorted(expected);
    ASSERT_EQ(edited.rows(), expected) << "edit " << edit;
  }
}

}  // namespace
}  // namespace chromaflow
