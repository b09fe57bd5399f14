#include "core/plan/plan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "core/common/display_forms.h"
#include "core/common/document_file.h"
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

}  // namespace

Plan::Plan(const ColourTable& colours)
    : colours_(colours),
      name_(DocumentKind::Plan, "Surfaces et proportions - ", "Noname.spv",
            "Surfaces et proportions - Noname.spv") {}

bool Plan::addSurface(int before, Surface surface) {
  const auto held = shownSurface(surface);
  if (!held || surfaceCount() >= kMaxSurfaces || before < 1 || before > surfaceCount() + 1) return false;
  surfaces_.insert(surfaces_.begin() + (before - 1), *held);
  return true;
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
  surfaces_[i - 1] = *held;
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
  changed();
  surfaceGrid_.clear();
  float cumulativeLength = 0, cumulativeArea = 0, highest = 0;
  for (std::size_t i = 0; i < surfaces_.size(); ++i) {
    const Surface& s = surfaces_[i];
    const float area = s.H * s.L;
    cumulativeLength = cumulativeLength + s.L;
    cumulativeArea = cumulativeArea + area;
    if (s.H > highest) highest = s.H;
    surfaceGrid_.push_back(
        {std::to_string(i + 1), F2(s.H), F2(s.L), F2(area), F2(cumulativeLength), F2(cumulativeArea)});
  }
  if (surfaceGrid_.empty()) {
    totals_ = PlanTotals{};
    return;
  }
  const SurfaceRow& last = surfaceGrid_.back();
  totals_.LongTot = last[4];
  totals_.LTot = F1(value(last[4]));
  totals_.STot = F1(value(last[5]));
  totals_.HMax = F2(highest);
}

double Plan::distanceOf(int j) const { return value(proportionGrid_[j - 1][1]); }

int Plan::proportionOf(int j) const {
  const auto proportion = integerOfField(proportionGrid_[j - 1][2]);
  return proportion ? *proportion : 0;
}

void Plan::addProportionRow(const std::string& distance, int proportion) {
  ProportionRow row;
  row[1] = distance;
  row[2] = std::to_string(proportion);
  proportionGrid_.push_back(std::move(row));
}

void Plan::appendProportion(const std::string& distance, int proportion) {
  addProportionRow(distance, proportion);
  RefreshProportions();
}

bool Plan::setProportion(int j, const std::string& distance, int proportion) {
  if (j < 1 || j > proportionCount()) return false;
  proportionGrid_[j - 1][1] = distance;
  proportionGrid_[j - 1][2] = std::to_string(proportion);
  RefreshProportions();
  return true;
}

bool Plan::removeProportion(int j) {
  if (j < 1 || j > proportionCount()) return false;
  proportionGrid_.erase(proportionGrid_.begin() + (j - 1));
  RefreshProportions();
  return true;
}

void Plan::clearProportions() {
  proportionGrid_.clear();
  RefreshProportions();
}

void Plan::RefreshProportions() {
  changed();
  // The exchange sort exactly: not stable, rows of one distance may change places. Rows already
  // in order are never exchanged by it, so an edit that keeps the order costs one pass.
  const int m = proportionCount();
  std::vector<double> distances(m);
  for (int j = 1; j <= m; ++j) distances[j - 1] = distanceOf(j);
  if (!std::is_sorted(distances.begin(), distances.end())) {
    for (int j = 0; j < m; ++j)
      for (int k = j + 1; k < m; ++k)
        if (distances[k] < distances[j]) {
          std::swap(distances[j], distances[k]);
          for (int c = 1; c <= 6; ++c) std::swap(proportionGrid_[j][c], proportionGrid_[k][c]);
        }
  }
  for (int j = 1; j <= m; ++j) {
    ProportionRow& row = proportionGrid_[j - 1];
    const ColourLookup colour = colours_.ColourOfProportion(value32(row[2]));
    row[0] = std::to_string(j);
    row[3] = std::to_string(colour.colour);
    row[4] = std::to_string(colour.R);
    row[5] = std::to_string(colour.G);
    row[6] = std::to_string(colour.B);
  }
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
  surfaces_.clear();
  proportionGrid_.clear();
  RecomputeSurfaces();
  RefreshProportions();
  renewed.emit();
  startProportion_ = 0;
  SelectHoseState(HoseState::Empty);
  anticipation_ = true;
  mixingLead_ = false;
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
    bool heading = false;
    if (line.is(1, 'S')) {
      if (key == "Surf.") {
        section = Section::Surfaces;
        heading = true;
      } else if (key == "Prop.") {
        section = Section::Proportions;
        heading = true;
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
      }
    }
    row = !heading && line.count >= 2;
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
        leaveOut(index, "une hauteur ou une longueur de 0.00 à deux décimales, ou plus grande que ce que 32 bits tiennent");
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
      else addProportionRow(formatFixed(distance, 2, 6), proportion);
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
  });
}

bool Plan::SavePlan(bool ask, NameAsker* asker) {
  return saveDocumentFile(name_, ask, asker, [this](const std::string&) { return fileLines(); });
}

}  // namespace chromaflow
