#pragma once
// The painting plan: the surfaces painted one after another (height x length), the proportions
// asked at distances along the path, and the hose's state at the start. Both tables are held
// as the texts their grids show; other parts read them back through those texts.

#include <array>
#include <string>
#include <vector>

#include "core/common/document_name.h"
#include "core/common/signal.h"
#include "core/plan/colour_table.h"

namespace chromaflow {

enum class HoseState { Empty, Full };

constexpr int kMaxSurfaces = 100;

struct Surface {
  float H = 0;  // height, m
  float L = 0;  // length, m
};

// Every edit below leaves both grids consistent on return: the surface grid and the main
// window's totals are recomputed, the proportion rows sorted, numbered and coloured.

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
  bool operator==(const PlanTotals&) const = default;
};

class Plan {
 public:
  explicit Plan(const ColourTable& colours);

  // Surfaces. Heights and lengths are held as the grid shows them (two decimals), so that what
  // is saved reads back as the same plan; one shown as 0.00 is no surface. The table holds at
  // most 100: adding a 101st, or a surface of no size, leaves it as it is and returns false.
  // RecomputeSurfaces rebuilds the grid and the totals; every edit runs it.
  const std::vector<Surface>& surfaces() const { return surfaces_; }
  int surfaceCount() const { return static_cast<int>(surfaces_.size()); }
  const SurfaceRow& surfaceRow(int i) const { return surfaceGrid_[i - 1]; }  // i = 1..n
  bool appendSurface(Surface surface);
  bool insertSurface(int before, Surface surface);  // before 1..n + 1
  bool setSurface(int i, Surface surface);          // i = 1..n
  bool removeSurface(int i);                         // i = 1..n
  void clearSurfaces();
  void RecomputeSurfaces();
  const PlanTotals& totals() const { return totals_; }

  // Proportion rows, j = 1..m.
  const std::vector<ProportionRow>& proportionRows() const { return proportionGrid_; }
  int proportionCount() const { return static_cast<int>(proportionGrid_.size()); }
  double distanceOf(int j) const;   // the distance cell read as a number
  int proportionOf(int j) const;    // the proportion cell read as an integer (0 if it is not one)
  // RefreshProportions sorts the rows by distance in the order the exchange sort gives (not
  // stable), numbers them and recomputes their colours; every edit runs it.
  void appendProportion(const std::string& distance, int proportion);
  bool setProportion(int j, const std::string& distance, int proportion);  // j = 1..m
  bool removeProportion(int j);                                           // j = 1..m
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
  // "Compensation du mélange": the dosing leads the mix so that the roller lays the plan (off by
  // default; a file without its line reads as off, and off writes no line).
  bool mixingLead() const { return mixingLead_; }
  void setMixingLead(bool on) { mixingLead_ = on; }
  // The dosing leads the mix only where it knows where the paint will be laid.
  bool leadsTheMix() const { return mixingLead_ && anticipation_; }

  // The hose state changed (by the operator, a file or New): full sets HoseFill to Retard,
  // empty sets it to 0 while Distance is exactly 0. The painting control owns those figures.
  Signal<HoseState> hoseStateSelected;
  // New: the main window redraws its views.
  Signal<> renewed;

  DocumentName& name() { return name_; }
  const DocumentName& name() const { return name_; }

  // What the plan's file holds, in short: the tables by their revision (one for all empty
  // tables, however they were emptied) and the initial conditions. Within a run, two equal
  // editions write the same file; comparing them costs nothing whatever the plan's size.
  struct Edition {
    unsigned long long tables = 0;
    HoseState hoseState = HoseState::Empty;
    int startProportion = 0;
    bool anticipation = true;
    bool mixingLead = false;
    bool operator==(const Edition&) const = default;
  };
  Edition edition() const;
  // Whether the plan differs from the file last read or written (from an empty plan since New).
  bool modified() const { return edition() != inFile_; }
  // The plan now stands in its file (the project wrote it beside the others).
  void markSaved() { inFile_ = edition(); }

  void NewPlan();
  // Open and Save say whether a file was read or written; they throw FileError, after which
  // what was read stays and the old file stays whole.
  bool OpenPlan(bool ask, NameAsker* asker);
  bool SavePlan(bool ask, NameAsker* asker);

  std::vector<std::string> fileLines() const;
  // Reads a plan file's lines into the plan as it is (Open starts from New), then recomputes
  // and sorts once.
  void applyFileLines(const std::vector<std::string>& lines);
  // The rows of the last file read that were left out (a height, length or distance that is not
  // a number, of no size or beyond what 32 bits hold, a proportion outside 0..100, a surface
  // beyond the 100th), each with its line number, quoted, and why: the first kLeftOutShown of
  // them, and how many there were in all.
  static constexpr std::size_t kLeftOutShown = 10;
  const std::vector<std::string>& leftOutFileRows() const { return leftOut_; }
  std::size_t leftOutFileRowCount() const { return leftOutCount_; }
  // Of the last file's lines, how many were a heading, an initial condition or a row taken.
  const LinesTaken& linesTakenFromFile() const { return linesTaken_; }

 private:
  void changed() { ++revision_; }
  bool addSurface(int before, Surface surface);
  void addProportionRow(const std::string& distance, int proportion);

  const ColourTable& colours_;
  unsigned long long revision_ = 0;
  std::vector<Surface> surfaces_;
  std::vector<SurfaceRow> surfaceGrid_;
  PlanTotals totals_;
  std::vector<ProportionRow> proportionGrid_;
  std::vector<double> distances_;  // each row's distance cell read as a number
  // Since the rows' numbers and colours were last written: a row was added, changed or removed;
  // the colour table they were written with.
  bool rowsEdited_ = false;
  std::vector<ColourRow> colouredWith_;
  HoseState hoseState_ = HoseState::Empty;
  int startProportion_ = 0;
  bool anticipation_ = true;
  bool mixingLead_ = false;
  DocumentName name_;
  Edition inFile_;
  std::vector<std::string> leftOut_;
  std::size_t leftOutCount_ = 0;
  LinesTaken linesTaken_;
};

}  // namespace chromaflow
