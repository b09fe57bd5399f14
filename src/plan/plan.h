#pragma once
// The painting plan: the surfaces painted one after another (height x length), the proportions
// asked at distances along the path, and the hose's state at the start. Both tables are held
// as the texts their grids show; other parts read them back through those texts.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "common/document_name.h"
#include "plan/colour_table.h"

namespace chromaflow {

enum class HoseState { Empty, Full };

constexpr int kMaxSurfaces = 100;

struct Surface {
  float H = 0;  // height, m
  float L = 0;  // length, m
};

// Cells of a surface grid row: number, H, L, S, cumulative L, cumulative S.
using SurfaceRow = std::array<std::string, 6>;
// Cells of a proportion grid row: number, distance, proportion, RGB, R, G, B.
using ProportionRow = std::array<std::string, 7>;

// The main window's totals that the surface table writes.
struct PlanTotals {
  std::string LongTot = "0";
  std::string LTot = "0.0";
  std::string STot = "0.0";
  std::string HMax = "0.00";
};

class Plan {
 public:
  explicit Plan(const ColourTable& colours);

  // Surfaces. Heights and lengths are held as the grid shows them (two decimals), so that what
  // is saved reads back as the same plan; one shown as 0.00 is no surface. The table holds at
  // most 100: adding a 101st, or a surface of no size, leaves it as it is and returns false.
  const std::vector<Surface>& surfaces() const { return surfaces_; }
  int surfaceCount() const { return static_cast<int>(surfaces_.size()); }
  const SurfaceRow& surfaceRow(int i) const { return surfaceGrid_[i - 1]; }  // i = 1..n
  bool appendSurface(Surface surface);
  bool insertSurface(int before, Surface surface);  // before 1..n + 1
  bool setSurface(int i, Surface surface);          // i = 1..n
  void removeSurface(int i);
  void clearSurfaces();
  void RecomputeSurfaces();
  const PlanTotals& totals() const { return totals_; }

  // Proportion rows, j = 1..m.
  const std::vector<ProportionRow>& proportionRows() const { return proportionGrid_; }
  int proportionCount() const { return static_cast<int>(proportionGrid_.size()); }
  double distanceOf(int j) const;   // the distance cell read as a number
  int proportionOf(int j) const;    // the proportion cell read as an integer (0 if it is not one)
  void appendProportion(const std::string& distance, int proportion);
  void setProportion(int j, const std::string& distance, int proportion);
  void removeProportion(int j);
  void clearProportions();
  void RefreshProportions();

  // A grid's cell as shown, with the heading row 0 and the " +" row after the last row.
  std::string surfaceCell(int row, int column) const;
  std::string proportionCell(int row, int column) const;

  // Grows whenever a table's texts change, so that a model built on them knows to rebuild.
  unsigned long long revision() const { return revision_; }

  // Initial conditions.
  HoseState hoseState() const { return hoseState_; }
  int startProportion() const { return startProportion_; }
  bool anticipation() const { return anticipation_; }
  void SelectHoseState(HoseState state);
  void setStartProportion(int proportion);  // taken into 0..100
  void setAnticipation(bool on) { anticipation_ = on; }

  DocumentName& name() { return name_; }
  const DocumentName& name() const { return name_; }
  void NewPlan();
  void OpenPlan(bool ask, NameAsker* asker);  // throws FileError; what was read stays
  void SavePlan(bool ask, NameAsker* asker);  // throws FileError; the old file stays whole

  std::vector<std::string> fileLines() const;
  void applyFileLines(const std::vector<std::string>& lines);

  // The hose state changed: full sets HoseFill to Retard; empty sets it to 0 while Distance is
  // exactly 0. The painting control owns those figures and does it.
  std::function<void(HoseState)> hoseStateSelected;
  // NewPlan: the main window redraws its views.
  std::function<void()> planRenewed;

 private:
  void changed() { ++revision_; }

  const ColourTable& colours_;
  unsigned long long revision_ = 0;
  std::vector<Surface> surfaces_;
  std::vector<SurfaceRow> surfaceGrid_;
  PlanTotals totals_;
  std::vector<ProportionRow> proportionGrid_;
  HoseState hoseState_ = HoseState::Empty;
  int startProportion_ = 0;
  bool anticipation_ = true;
  DocumentName name_;
};

}  // namespace chromaflow
