#include "core/plan/colour_table.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/common/display_forms.h"
#include "core/common/document_file.h"
#include "core/plan/exchange_order.h"
#include "core/settings/decode_line.h"

namespace chromaflow {
namespace {

const char* const kHeadings[] = {"", "Proportions (%)", "RGB", "R", "G", "B"};

bool inRange(const DecodedLine& line, int field, int low, int high) {
  if (!line.is(field, 'I')) return false;
  const int value = *integerOfField(line.field(field).text);
  return value >= low && value <= high;
}

}  // namespace

ColourTable::ColourTable()
    : name_(DocumentKind::Colours, "Couleurs=f(Proportions) - ", "Noname",
            "Couleurs=f(Proportions) - Noname.cov") {}

std::string ColourTable::cell(int row, int column) const {
  if (column < 0 || column > 5) return {};
  if (row == 0) return kHeadings[column];
  if (row == static_cast<int>(rows_.size()) + 1) return column == 0 ? " +" : "";
  if (row < 0 || row > static_cast<int>(rows_.size())) return {};
  const ColourRow& r = rows_[row - 1];
  switch (column) {
    case 0: return std::to_string(row);
    case 1: return std::to_string(r.proportion);
    case 2: return std::to_string(r.RGB());
    case 3: return std::to_string(r.R);
    case 4: return std::to_string(r.G);
    default: return std::to_string(r.B);
  }
}

void ColourTable::addRow(const ColourRow& row) {
  rows_.push_back(row);
  RefreshColourTable();
}

void ColourTable::setRow(int row, const ColourRow& value) {
  if (row < 1 || row > static_cast<int>(rows_.size())) return;
  rows_[row - 1] = value;
  RefreshColourTable();
}

void ColourTable::removeRow(int row) {
  if (row < 1 || row > static_cast<int>(rows_.size())) return;
  rows_.erase(rows_.begin() + (row - 1));
  RefreshColourTable();
}

void ColourTable::clearRows() {
  rows_.clear();
  RefreshColourTable();
}

ColourLookup ColourTable::ColourOfProportion(float p) const {
  ColourLookup result;
  const auto n = rows_.size();
  if (n == 1 && p == static_cast<float>(rows_[0].proportion)) {
    result.found = true;
    result.R = rows_[0].R;
    result.G = rows_[0].G;
    result.B = rows_[0].B;
  } else if (n >= 2 && static_cast<float>(rows_.front().proportion) <= p &&
             p <= static_cast<float>(rows_.back().proportion)) {
    result.found = true;
    std::size_t r = 1;
    while (static_cast<float>(rows_[r].proportion) < p) ++r;
    const ColourRow& low = rows_[r - 1];
    const ColourRow& high = rows_[r];
    if (low.proportion == high.proportion) {
      // Two rows of one proportion (only from a file): the first one's colour.
      result.R = low.R;
      result.G = low.G;
      result.B = low.B;
    } else {
      const auto p0 = static_cast<float>(low.proportion);
      const auto p1 = static_cast<float>(high.proportion);
      auto component = [&](int c0, int c1) {
        return static_cast<int>(Round(Interpolate(p, p0, p1, static_cast<float>(c0), static_cast<float>(c1))));
      };
      result.R = component(low.R, high.R);
      result.G = component(low.G, high.G);
      result.B = component(low.B, high.B);
    }
  }
  result.colour = rgbOf(result.R, result.G, result.B);
  return result;
}

GaugeColours ColourTable::UpdateGaugeColours() const {
  GaugeColours colours;
  if (rows_.empty()) return colours;
  if (rows_.front().proportion == 0) colours.background = rows_.front().RGB();
  if (rows_.back().proportion == 100) colours.bar = rows_.back().RGB();
  return colours;
}

void ColourTable::RefreshColourTable() {
  // The rows end in the order the table's exchange sort always left them: not stable, rows of
  // one proportion (only from a file) may change places, and saved tables carry that order
  // (exchange_order.h finds it in O(n log n)). Rows already in order stay as they are.
  ++revision_;
  const auto byProportion = [](const ColourRow& a, const ColourRow& b) { return a.proportion < b.proportion; };
  if (std::is_sorted(rows_.begin(), rows_.end(), byProportion)) return;
  std::vector<double> proportions;
  proportions.reserve(rows_.size());
  for (const ColourRow& row : rows_) proportions.push_back(row.proportion);
  std::vector<ColourRow> sorted;
  sorted.reserve(rows_.size());
  for (const int row : exchangeSortOrder(proportions)) sorted.push_back(rows_[static_cast<std::size_t>(row)]);
  rows_ = std::move(sorted);
}

ColourSeries ColourTable::colourSeries() const {
  ColourSeries series;
  for (const ColourRow& row : rows_) {
    const auto p = static_cast<float>(row.proportion);
    series.rouge.push_back({p, static_cast<float>(row.R)});
    series.vert.push_back({p, static_cast<float>(row.G)});
    series.bleu.push_back({p, static_cast<float>(row.B)});
  }
  return series;
}

Rgb ColourTable::colourBarColumn(int x, int width) const {
  if (width <= 0) return kWhite;
  return ColourOfProportion(static_cast<float>(100 * x) / static_cast<float>(width)).colour;
}

void ColourTable::ColoursChanged() { coloursChanged.emit(); }

void ColourTable::NewColours() {
  name_.set("Noname.cov");
  rows_.clear();
  RefreshColourTable();
  markSaved();
  ColoursChanged();
}

std::vector<std::string> ColourTable::fileLines() const {
  std::vector<std::string> lines;
  for (int row = 0; row <= static_cast<int>(rows_.size()); ++row) {
    std::string line = cell(row, 0);
    for (int column = 1; column <= 5; ++column) line += ";" + cell(row, column);
    lines.push_back(std::move(line));
  }
  return lines;
}

void ColourTable::applyFileLines(const std::vector<std::string>& lines) {
  linesTaken_ = {lines.size(), 0};
  for (const std::string& text : lines) {
    const DecodedLine line = DecodeLine(text);
    if (!inRange(line, 2, 0, 100) || !inRange(line, 4, 0, 255) || !inRange(line, 5, 0, 255) ||
        !inRange(line, 6, 0, 255)) {
      if (line.field(2).text == kHeadings[1]) ++linesTaken_.taken;  // the heading of a table of no rows
      continue;
    }
    ++linesTaken_.taken;
    rows_.push_back({*integerOfField(line.field(2).text), *integerOfField(line.field(4).text),
                     *integerOfField(line.field(5).text), *integerOfField(line.field(6).text)});
  }
  RefreshColourTable();
}

bool ColourTable::OpenColours(bool ask, NameAsker* asker) {
  return openDocumentFile(name_, ask, asker, [this](const std::string& path, const std::vector<std::string>& lines) {
    rows_.clear();
    name_.set(path);
    applyFileLines(lines);
    // As read, also when the read broke off: the operator has changed nothing yet.
    markSaved();
    ColoursChanged();
  });
}

bool ColourTable::SaveColours(bool ask, NameAsker* asker) {
  const bool saved = saveDocumentFile(name_, ask, asker, [this](const std::string&) { return fileLines(); });
  if (saved) markSaved();
  return saved;
}

}  // namespace chromaflow
