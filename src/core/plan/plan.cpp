#include "core/plan/plan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "core/common/display_forms.h"
#include "core/common/document_file.h"
#include "core/plan/exchange_order.h"
#include "core/settings/decode_line.h"

namespace chromaflow {
namespace {

const char* const kSurfaceHeadings[] = {"", "H (m)", "L (m)", "S (m2)", "L report (m)", "S (m2)"};
const char* const kProportionHeadings[] = {"", "Distance (m)", "Proportions (%)", "RGB", "R", "G", "B"};
const char* const kMixingLeadKey = "Compensation du mélange";

// The cells of a grid row as a file line, made in one piece: a plan's rows are most of its file.
template <std::size_t N>
std::string joined(const std::array<std::string, N>& cells) {
  std::size_t size = N - 1;
  for (const std::string& cell : cells) size += cell.size();
  std::string line;
  line.reserve(size);
  line += cells[0];
  for (std::size_t c = 1; c < N; ++c) line.append(";").append(cells[c]);
  return line;
}

template <std::size_t N>
std::string headingLine(const char* const (&headings)[N]) {
  std::string line = headings[0];
  for (std::size_t c = 1; c < N; ++c) line += std::string(";") + headings[c];
  return line;
}

// A height or length as the grid shows it; nothing for one of no size (0.00, negative, or beyond
// what 32 bits hold).
std::optional<float> shown(float metres) {
  const auto rounded = value32(F2(metres));
  if (!std::isfinite(rounded) || !(rounded > 0)) return std::nullopt;
  return rounded;
}

std::optional<Surface> shownSurface(Surface surface) {
  const auto height = shown(surface.H), length = shown(surface.L);
  if (!height || !length) return std::nullopt;
  return Surface{*height, *length};
}

// The path's lengths and areas, added up in 32 bits as the surface grid adds them, stay numbers:
// a wall whose area no 32-bit real holds could be neither painted nor saved.
bool addsUp(const std::vector<Surface>& surfaces) {
  float length = 0, area = 0;
  for (const Surface& s : surfaces) {
    length = length + s.L;
    area = area + s.H * s.L;
    if (!std::isfinite(length) || !std::isfinite(area)) return false;
  }
  return true;
}

}  // namespace

Plan::Plan(const ColourTable& colours)
    : colours_(colours),
      name_(DocumentKind::Plan, "Surfaces et proportions - ", "Noname.spv",
            "Surfaces et proportions - Noname.spv") {}

bool Plan::addSurface(int before, Surface surface) {
  const auto held = shownSurface(surface);
  if (!held || surfaceCount() >= kMaxSurfaces || before < 1 || before > surfaceCount() + 1) return false;
  const auto at = surfaces_.insert(surfaces_.begin() + (before - 1), *held);
  if (addsUp(surfaces_)) return true;
  surfaces_.erase(at);
  return false;
}

bool Plan::appendSurface(Surface surface) { return insertSurface(surfaceCount() + 1, surface); }

bool Plan::insertSurface(int before, Surface surface) {
  if (!addSurface(before, surface)) return false;
  RecomputeSurfaces();
  return true;
}

bool Plan::setSurface(int i, Surface surface) {
  const auto held = shownSurface(surface);
  if (!held || i < 1 || i > surfaceCount()) return false;
  const Surface before = surfaces_[i - 1];
  surfaces_[i - 1] = *held;
  if (!addsUp(surfaces_)) {
    surfaces_[i - 1] = before;
    return false;
  }
  RecomputeSurfaces();
  return true;
}

bool Plan::removeSurface(int i) {
  if (i < 1 || i > surfaceCount()) return false;
  surfaces_.erase(surfaces_.begin() + (i - 1));
  RecomputeSurfaces();
  return true;
}

void Plan::clearSurfaces() {
  surfaces_.clear();
  RecomputeSurfaces();
}

void Plan::RecomputeSurfaces() {
  std::vector<SurfaceRow> grid;
  grid.reserve(surfaces_.size());
  float cumulativeLength = 0, cumulativeArea = 0, highest = 0;
  for (std::size_t i = 0; i < surfaces_.size(); ++i) {
    const Surface& s = surfaces_[i];
    const float area = s.H * s.L;
    cumulativeLength = cumulativeLength + s.L;
    cumulativeArea = cumulativeArea + area;
    if (s.H > highest) highest = s.H;
    grid.push_back({std::to_string(i + 1), F2(s.H), F2(s.L), F2(area), F2(cumulativeLength), F2(cumulativeArea)});
  }
  PlanTotals totals;
  if (!grid.empty()) {
    const SurfaceRow& last = grid.back();
    totals.LongTot = last[4];
    totals.LTot = F1(value(last[4]));
    totals.STot = F1(value(last[5]));
    totals.HMax = F2(highest);
  }
  // A recompute that changes no text leaves the revision as it is.
  if (grid == surfaceGrid_ && totals == totals_) return;
  changed();
  surfaceGrid_ = std::move(grid);
  totals_ = std::move(totals);
}

double Plan::distanceOf(int j) const { return distances_[j - 1]; }

int Plan::proportionOf(int j) const {
  const auto proportion = integerOfField(proportionGrid_[j - 1][2]);
  return proportion ? *proportion : 0;
}

void Plan::addProportionRow(const std::string& distance, int proportion) {
  changed();
  ProportionRow row;
  row[1] = distance;
  row[2] = std::to_string(proportion);
  proportionGrid_.push_back(std::move(row));
  distances_.push_back(value(distance));
  rowsEdited_ = true;
}

void Plan::appendProportion(const std::string& distance, int proportion) {
  addProportionRow(distance, proportion);
  RefreshProportions();
}

bool Plan::setProportion(int j, const std::string& distance, int proportion) {
  if (j < 1 || j > proportionCount()) return false;
  changed();
  proportionGrid_[j - 1][1] = distance;
  proportionGrid_[j - 1][2] = std::to_string(proportion);
  distances_[j - 1] = value(distance);
  rowsEdited_ = true;
  RefreshProportions();
  return true;
}

bool Plan::removeProportion(int j) {
  if (j < 1 || j > proportionCount()) return false;
  changed();
  proportionGrid_.erase(proportionGrid_.begin() + (j - 1));
  distances_.erase(distances_.begin() + (j - 1));
  rowsEdited_ = true;
  RefreshProportions();
  return true;
}

void Plan::clearProportions() {
  changed();
  proportionGrid_.clear();
  distances_.clear();
  RefreshProportions();
}

void Plan::RefreshProportions() {
  // The rows end in the order of the exchange sort, not stable: rows of one distance may change
  // places (exchange_order.h). Rows already in order stay as they are.
  bool moved = false;
  if (!std::is_sorted(distances_.begin(), distances_.end())) {
    // Only the rows that change places are moved: an edit moves one row past its neighbours.
    const std::vector<int> order = exchangeSortOrder(distances_);
    std::vector<bool> placed(order.size(), false);
    for (std::size_t start = 0; start < order.size(); ++start) {
      if (placed[start] || order[start] == static_cast<int>(start)) continue;
      ProportionRow first = std::move(proportionGrid_[start]);
      const double firstDistance = distances_[start];
      std::size_t place = start;
      while (static_cast<std::size_t>(order[place]) != start) {
        proportionGrid_[place] = std::move(proportionGrid_[order[place]]);
        distances_[place] = distances_[order[place]];
        placed[place] = true;
        place = order[place];
      }
      proportionGrid_[place] = std::move(first);
      distances_[place] = firstDistance;
      placed[place] = true;
    }
    moved = true;
  }
  // Numbers and colours follow from the order, the proportions and the colour table: with none
  // of them changed since they were last written, they stand as they are.
  if (!moved && !rowsEdited_ && colours_.rows() == colouredWith_) return;
  rowsEdited_ = false;
  colouredWith_ = colours_.rows();
  // Each proportion's colour looked up once; a cell is written only when its text changes, so
  // that a refresh that changes nothing leaves the revision as it is.
  bool rewritten = moved;
  std::unordered_map<std::string_view, std::array<std::string, 4>> colourCells;
  const auto write = [&rewritten](std::string& cell, std::string text) {
    if (cell == text) return;
    cell = std::move(text);
    rewritten = true;
  };
  for (int j = 1; j <= proportionCount(); ++j) {
    ProportionRow& row = proportionGrid_[j - 1];
    auto [cells, added] = colourCells.try_emplace(row[2]);
    if (added) {
      const ColourLookup colour = colours_.ColourOfProportion(value32(row[2]));
      cells->second = {std::to_string(colour.colour), std::to_string(colour.R), std::to_string(colour.G),
                       std::to_string(colour.B)};
    }
    write(row[0], std::to_string(j));
    for (int c = 0; c < 4; ++c) write(row[3 + c], cells->second[c]);
  }
  if (rewritten) changed();
}

std::string Plan::surfaceCell(int row, int column) const {
  if (column < 0 || column > 5) return {};
  if (row == 0) return kSurfaceHeadings[column];
  if (row == surfaceCount() + 1) return column == 0 ? " +" : "";
  if (row < 1 || row > static_cast<int>(surfaceGrid_.size())) return {};
  return surfaceGrid_[row - 1][column];
}

std::string Plan::proportionCell(int row, int column) const {
  if (column < 0 || column > 6) return {};
  if (row == 0) return kProportionHeadings[column];
  if (row == proportionCount() + 1) return column == 0 ? " +" : "";
  if (row < 1 || row > proportionCount()) return {};
  return proportionGrid_[row - 1][column];
}

void Plan::SelectHoseState(HoseState state) {
  if (state == hoseState_) return;
  hoseState_ = state;
  if (state == HoseState::Empty) anticipation_ = true;
  hoseStateSelected.emit(state);
}

void Plan::setStartProportion(int proportion) { startProportion_ = std::clamp(proportion, 0, 100); }

void Plan::NewPlan() {
  name_.set("Noname.spv");
  changed();
  surfaces_.clear();
  proportionGrid_.clear();
  distances_.clear();
  RecomputeSurfaces();
  RefreshProportions();
  renewed.emit();
  startProportion_ = 0;
  SelectHoseState(HoseState::Empty);
  anticipation_ = true;
  mixingLead_ = false;
  markSaved();
}

Plan::Edition Plan::edition() const {
  const bool empty = surfaces_.empty() && proportionGrid_.empty();
  return {empty ? 0 : revision_, hoseState_, startProportion_, anticipation_, mixingLead_};
}

std::vector<std::string> Plan::fileLines() const {
  std::vector<std::string> lines;
  lines.reserve(surfaceGrid_.size() + proportionGrid_.size() + 7);
  lines.push_back("Surf." + headingLine(kSurfaceHeadings));
  for (const SurfaceRow& row : surfaceGrid_) lines.push_back(joined(row));
  lines.emplace_back();
  lines.push_back("Prop." + headingLine(kProportionHeadings));
  for (const ProportionRow& row : proportionGrid_) lines.push_back(joined(row));
  lines.push_back(hoseState_ == HoseState::Empty ? "Etat tuyau=vide" : "Etat tuyau=plein");
  lines.push_back("Proportions initiales=" + std::to_string(startProportion_));
  lines.push_back(anticipation_ ? "Anticipation=Yes" : "Anticipation=No");
  if (mixingLead_) lines.push_back(std::string(kMixingLeadKey) + "=Yes");
  return lines;
}

void Plan::applyFileLines(const std::vector<std::string>& lines) {
  enum class Section { None, Surfaces, Proportions } section = Section::None;
  leftOut_.clear();
  leftOutCount_ = 0;
  linesTaken_ = {lines.size(), 0};
  // A section's rows have fields after their number; its heading and blank lines are none, and
  // are not said when they are not taken.
  bool row = false;
  const auto leaveOut = [&](std::size_t index, const char* why) {
    if (!row) return;
    if (leftOut_.size() < kLeftOutShown) {
      const std::string number = std::to_string(index + 1), quoted = quotedFileLine(lines[index]);
      std::string& said = leftOut_.emplace_back();
      said.reserve(6 + number.size() + 1 + quoted.size() + 3 + std::strlen(why));
      said.append("ligne ").append(number).append(" ").append(quoted).append(" : ").append(why);
    }
    ++leftOutCount_;
  };
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const DecodedLine line = DecodeLine(lines[index]);
    const std::string_view key = line.field(1).text;
    bool known = true;  // a heading or an initial condition
    if (line.is(1, 'S')) {
      if (key == "Surf.") {
        section = Section::Surfaces;
      } else if (key == "Prop.") {
        section = Section::Proportions;
      } else if (key == "Etat tuyau") {
        section = Section::None;
        SelectHoseState(line.field(2).text == "vide" ? HoseState::Empty : HoseState::Full);
      } else if (key == "Proportions initiales" && line.is(2, 'I')) {
        section = Section::None;
        setStartProportion(*integerOfField(line.field(2).text));
      } else if (key == "Anticipation") {
        section = Section::None;
        anticipation_ = line.field(2).text == "Yes";
      } else if (key == kMixingLeadKey) {
        section = Section::None;
        mixingLead_ = line.field(2).text == "Yes";
      } else {
        known = false;
      }
    } else {
      known = false;
    }
    if (known) {
      ++linesTaken_.taken;
      continue;
    }
    row = line.count >= 2;
    if (section == Section::Surfaces) {
      if (!line.is(2, 'R') || !line.is(3, 'R')) {
        leaveOut(index, "la hauteur et la longueur s'écrivent en nombres à décimales");
        continue;
      }
      const auto height = static_cast<float>(*realOfField(line.field(2).text));
      const auto length = static_cast<float>(*realOfField(line.field(3).text));
      if (!(height > 0 && length > 0)) leaveOut(index, "une surface sans hauteur ou sans longueur");
      else if (surfaceCount() >= kMaxSurfaces) leaveOut(index, "au-delà de la 100e surface");
      else if (!addSurface(surfaceCount() + 1, {height, length}))
        leaveOut(index, "une hauteur ou une longueur de 0.00 à deux décimales, ou un mur plus grand que ce que 32 bits tiennent");
      else ++linesTaken_.taken;
    } else if (section == Section::Proportions) {
      if (!line.is(2, 'R') || !line.is(3, 'I')) {
        leaveOut(index, "la distance s'écrit en nombre à décimales et la proportion en nombre entier");
        continue;
      }
      const auto distance = static_cast<float>(*realOfField(line.field(2).text));
      const int proportion = *integerOfField(line.field(3).text);
      // A distance beyond what 32 bits hold could not be written back as a number.
      if (!(distance >= 0) || !std::isfinite(distance))
        leaveOut(index, "une distance négative ou plus grande que ce que 32 bits tiennent");
      else if (proportion < 0 || proportion > 100) leaveOut(index, "une proportion hors de 0 à 100");
      else {
        addProportionRow(formatFixed(distance, 2, 6), proportion);
        ++linesTaken_.taken;
      }
    }
  }
  RecomputeSurfaces();
  RefreshProportions();
}

bool Plan::OpenPlan(bool ask, NameAsker* asker) {
  return openDocumentFile(name_, ask, asker, [this](const std::string& path, const std::vector<std::string>& lines) {
    NewPlan();
    name_.set(path);
    applyFileLines(lines);
    // As read, also when the read broke off: the operator has changed nothing yet.
    markSaved();
  });
}

bool Plan::SavePlan(bool ask, NameAsker* asker) {
  const bool saved = saveDocumentFile(name_, ask, asker, [this](const std::string&) { return fileLines(); });
  if (saved) markSaved();
  return saved;
}

}  // namespace chromaflow
