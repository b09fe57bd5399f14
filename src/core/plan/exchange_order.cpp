#include "core/plan/exchange_order.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <numeric>

// How the exchange sort orders rows of equal distance d.
//
// The rows nearer than d move among themselves without regard to d's rows or to the farther
// ones, and d's rows move only past nearer rows; farther rows never decide where a row of d
// goes. Only where the nearer rows stand matters, not their distances. Seen from d's rows, each
// pass is then one of two things:
// - a nearer row stands at the place being filled: nothing of d moves;
// - a row of d stands there: the first nearer row below it is swapped into the place, and that
//   row of d lands where the nearer row stood, behind every row of d that was between them.
// So d's rows that have met a nearer row form a queue: each nearer row met sends the queue's
// first row to its end, and the rows of d between two nearer rows join its end in table order.
// Nearer rows above the first row of d send nothing (the queue is still empty). The queue at the
// end is the order of d's rows.
//
// The queue is kept as a list read from a front mark round to the mark again: a row joining
// goes in just before the mark, a nearer row moves the mark one row on. The places where the
// rows went in are known beforehand, so the list is laid out afterwards from the last row in
// to the first, each taking the free slot its place counts to.

namespace chromaflow {
namespace {

// Counts over places 0..n-1 (a binary indexed tree).
class PlaceCounts {
 public:
  explicit PlaceCounts(int n) : tree_(static_cast<std::size_t>(n) + 1, 0) {}

  // Every place counted once.
  void countAll() {
    for (std::size_t i = 1; i < tree_.size(); ++i) tree_[i] = static_cast<int>(i & (~i + 1));
  }
  void add(int place, int count) {
    for (std::size_t i = static_cast<std::size_t>(place) + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += count;
  }
  // The count over places 0..place-1.
  int before(int place) const {
    int sum = 0;
    for (std::size_t i = static_cast<std::size_t>(place); i > 0; i -= i & (~i + 1)) sum += tree_[i];
    return sum;
  }
  // The place with `k` counted places before it and itself counted (k from 0).
  int nth(int k) const {
    std::size_t place = 0;
    for (std::size_t step = std::bit_floor(tree_.size() - 1); step > 0; step >>= 1)
      if (place + step < tree_.size() && tree_[place + step] <= k) {
        place += step;
        k -= tree_[place];
      }
    return static_cast<int>(place);
  }

 private:
  std::vector<int> tree_;
};

}  // namespace

std::vector<int> exchangeSortOrder(std::span<const double> distances) {
  const int n = static_cast<int>(distances.size());
  std::vector<int> byDistance(n);
  std::iota(byDistance.begin(), byDistance.end(), 0);
  std::stable_sort(byDistance.begin(), byDistance.end(),
                   [&distances](int a, int b) { return distances[a] < distances[b]; });

  std::vector<int> order;
  order.reserve(n);
  PlaceCounts nearer(n);  // the rows of the distances already placed
  std::vector<int> joinedAt, queue;
  for (int first = 0; first < n;) {
    int end = first + 1;
    while (end < n && !(distances[byDistance[first]] < distances[byDistance[end]])) ++end;
    const int count = end - first;
    if (count == 1) {
      order.push_back(byDistance[first]);
    } else {
      // The rows of this distance in table order; `first` rows are nearer.
      joinedAt.assign(count, 0);
      std::int64_t mark = 0;
      for (int t = 0; t < count; ++t) {
        joinedAt[t] = static_cast<int>(mark);
        const int size = t + 1;
        const int row = byDistance[first + t];
        const int nearerBelow = (t + 1 < count ? nearer.before(byDistance[first + t + 1]) : first) - nearer.before(row);
        mark = (mark + 1 + nearerBelow) % size;
      }
      PlaceCounts free(count);
      free.countAll();
      queue.assign(count, 0);
      for (int t = count - 1; t >= 0; --t) {
        const int slot = free.nth(joinedAt[t]);
        queue[slot] = byDistance[first + t];
        free.add(slot, -1);
      }
      for (int k = 0; k < count; ++k) order.push_back(queue[(mark + k) % count]);
    }
    for (int t = first; t < end; ++t) nearer.add(byDistance[t], 1);
    first = end;
  }
  return order;
}

}  // namespace chromaflow
