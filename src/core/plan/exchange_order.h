#pragma once
// The order the plan's exchange sort leaves the proportion rows in, found in O(n log n).
//
// The exchange sort takes each place j in turn and, going down the rows below it, swaps into
// place j every row strictly nearer than the one standing there. It is not stable: rows of one
// distance end in an order that saved plans and kept runs carry, so that order is kept exactly.

#include <span>
#include <vector>

namespace chromaflow {

// The rows by index from 0, in the order the exchange sort leaves rows of these distances:
// result[k] is the row that ends at place k. Distances are finite.
std::vector<int> exchangeSortOrder(std::span<const double> distances);

}  // namespace chromaflow
