// Opening the documents the operator brings: a colour table of 10,000 to 1,000,000 rows, read
// from its file (the rows decoded, then sorted into the order the table's exchange sort leaves).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/common/text_file.h"
#include "core/plan/colour_table.h"

namespace {

using namespace chromaflow;

// A colour file's lines: `rows` rows of random proportions, many rows to each proportion.
std::vector<std::string> colourFileLines(int rows) {
  std::mt19937 random(5);
  std::vector<std::string> lines{";Proportions (%);RGB;R;G;B"};
  lines.reserve(static_cast<std::size_t>(rows) + 1);
  for (int i = 0; i < rows; ++i) {
    const int r = static_cast<int>(random() % 256), g = static_cast<int>(random() % 256), b = static_cast<int>(random() % 256);
    lines.push_back(std::to_string(i + 1) + ";" + std::to_string(random() % 101) + ";" + std::to_string(rgbOf(r, g, b)) +
                    ";" + std::to_string(r) + ";" + std::to_string(g) + ";" + std::to_string(b));
  }
  return lines;
}

// "Ouvrir" in the colour window: the file read, its rows decoded and sorted.
void BM_ColourTableOpen(benchmark::State& state) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("chromaflow-bench-colours-" + std::to_string(state.range(0)) + ".cov");
  writeTextFile(file.string(), colourFileLines(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    ColourTable table;
    table.name().set(file.string());
    table.OpenColours(false, nullptr);
    benchmark::DoNotOptimize(table.rows().data());
  }
  std::filesystem::remove(file);
  state.counters["rows"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ColourTableOpen)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The file's lines alone, decoded and sorted: what the open costs beyond reading the disk.
void BM_ColourTableSort(benchmark::State& state) {
  const std::vector<std::string> lines = colourFileLines(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ColourTable table;
    table.applyFileLines(lines);
    benchmark::DoNotOptimize(table.rows().data());
  }
  state.counters["rows"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ColourTableSort)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
