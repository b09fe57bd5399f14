#pragma once
// The painting path: the plan's surfaces one after another, a point on it given by the distance
// from the start of the first surface. Answers which distance a painted area reaches and back,
// how high the surface is, which proportion the plan asks, and how many litres of each pump
// are needed up to a distance. The plan is read through its displayed texts, so every answer
// sees the display rounding; all values are 32-bit reals.
//
// The searches are binary and LitresUpTo keeps, for every breakpoint of the path (surface ends
// and proportion rows), the accumulators its step-by-step walk holds there, so a query costs
// O(log(n + m)) and gives bit for bit the walk's result.

#include <optional>
#include <utility>
#include <vector>

#include "core/control/mixing_lead.h"
#include "core/plan/plan.h"
#include "core/settings/settings_document.h"

namespace chromaflow {

// The plan's tables as numbers read back from their texts.
struct PathTables {
  std::vector<float> H, CL, CS;  // per surface: height, cumulative length, cumulative area
  std::vector<float> D, P;       // per proportion row: distance, proportion
  bool operator==(const PathTables&) const = default;
};

PathTables readPathTables(const Plan& plan);

// Pixel sizes of the main window's images that the conversions use.
struct ViewMetrics {
  int surfaceWidth = 625;   // ImageSurf and the path bars under it
  int surfaceHeight = 119;  // ImageSurf
  int proportionHeight = 116;  // ImageProp
  int hoseWidth = 70;       // ImageRemplissageTuyau
};

struct Litres {
  float P1 = 0;
  float P2 = 0;
  bool operator==(const Litres&) const = default;
};

class PathModel {
 public:
  PathModel(const Plan& plan, const SettingsDocument& settings);

  float DistanceForArea(float a) const;
  float AreaAtDistance(float d) const;
  float HeightAtDistance(float d) const;
  float ProportionAtDistance(float d) const;
  Litres LitresUpTo(float d) const;

  int SurfaceX(float d, const ViewMetrics& view) const;
  float DistanceAtX(int x, const ViewMetrics& view) const;
  int SurfaceY(float h, float hMax, const ViewMetrics& view) const;
  int ProportionY(float p, const ViewMetrics& view) const;
  int ProportionAtY(int y, const ViewMetrics& view) const;
  int HoseX(float litres, const ViewMetrics& view) const;
  float HoseLitresAtX(int x, const ViewMetrics& view) const;

  // The tables as the model sees them (rebuilt when the plan has changed).
  const PathTables& tables() const;
  // What LitresUpTo reads: changes whenever the litres it gives may have (other tables, another
  // thickness of paint).
  std::pair<unsigned long long, float> litresKey() const;

  // The mixing lead over the wall for the plan's initial conditions and the settings as they
  // stand (rebuilt when any of them has changed).
  const MixingLeadTable& mixingLead() const;
  // The proportion the lead asks for the paint laid at d: the plan's where the lead does not
  // reach (in a full hose's paint, beyond the wall).
  float LedProportionAtDistance(float d) const;
  // The litres the pumps deliver up to d when asked the lead: the plan's, with P2's share of the
  // lead beyond the plan taken from P1.
  Litres LedLitresUpTo(float d) const;

 private:
  // The proportion the path goes on with from d: at two rows of one distance, the later row's
  // (ProportionAtDistance gives the earlier's, the one the path arrives with). The litres of a
  // stretch start from it, so that they grow along the path.
  float proportionAfter(float d) const;
  struct Breakpoint {
    float distance;  // where the walk stops
    float area;      // the painted area there
    float a1, a2;    // m² painted with P1's and with P2's share up to there
  };

  void refresh() const;
  float pathLength() const;

  const Plan& plan_;
  const SettingsDocument& settings_;
  mutable unsigned long long builtRevision_ = ~0ull;
  mutable unsigned long long tablesBuilt_ = 0;  // counts the tables that differed from the ones before
  mutable PathTables tables_;
  mutable std::vector<Breakpoint> breakpoints_;
  struct LeadKey {
    unsigned long long tables;
    float mixingArea, fromArea, startMix;
    bool operator==(const LeadKey&) const = default;
  };
  mutable std::optional<LeadKey> leadKey_;
  mutable MixingLeadTable lead_;
};

}  // namespace chromaflow
