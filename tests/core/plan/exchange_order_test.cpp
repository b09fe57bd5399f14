#include "core/plan/exchange_order.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <utility>
#include <vector>

namespace chromaflow {
namespace {

// The plan's exchange sort as it always ran: each place in turn takes, one after another, every
// row below it that is strictly nearer than the one standing there.
std::vector<int> exchangeSorted(std::vector<double> distances) {
  std::vector<int> rows(distances.size());
  std::iota(rows.begin(), rows.end(), 0);
  for (std::size_t j = 0; j < distances.size(); ++j)
    for (std::size_t k = j + 1; k < distances.size(); ++k)
      if (distances[k] < distances[j]) {
        std::swap(distances[j], distances[k]);
        std::swap(rows[j], rows[k]);
      }
  return rows;
}

// Rows at `kinds` distances a quarter metre apart, 0 written now as 0, now as -0.
std::vector<double> randomTable(std::mt19937& random, int rows, int kinds) {
  std::vector<double> distances(rows);
  for (double& d : distances) {
    d = 0.25 * static_cast<double>(random() % kinds);
    if (d == 0 && random() % 2) d = -0.0;
  }
  return distances;
}

// Rows of equal distance end where the exchange sort leaves them, on tables of every size up to
// 50 rows, from all equal to all different, and on large ones: long runs of one distance, and a
// table in order with a few rows moved, as an edit leaves it.
TEST(ExchangeOrder, RowsOfOneDistanceEndWhereTheExchangeSortLeavesThem) {
  std::mt19937 random(7);
  for (int table = 0; table < 4000; ++table) {
    const int rows = static_cast<int>(random() % 51);
    const auto distances = randomTable(random, rows, 1 + static_cast<int>(random() % (rows + 1)));
    ASSERT_EQ(exchangeSortOrder(distances), exchangeSorted(distances)) << "table " << table;
  }
  for (const int kinds : {2, 7, 60, 3000}) {
    const auto distances = randomTable(random, 3000, kinds);
    ASSERT_EQ(exchangeSortOrder(distances), exchangeSorted(distances)) << kinds << " distances";
  }
  std::vector<double> edited(3000);
  for (std::size_t j = 0; j < edited.size(); ++j) edited[j] = 0.25 * static_cast<double>(j / 3);
  for (int moved = 0; moved < 5; ++moved)
    edited[random() % edited.size()] = 0.25 * static_cast<double>(random() % 1000);
  ASSERT_EQ(exchangeSortOrder(edited), exchangeSorted(edited));
}

}  // namespace
}  // namespace chromaflow
