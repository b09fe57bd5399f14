#pragma once
// The job as the simulated paint machine knows it: the wall it paints, the proportions the plan
// asks along it (only to judge the laid mix afterwards), and the machine's own physical
// constants. Plain numbers in double precision; the machine reads nothing else.

#include <vector>

namespace chromaflow::sim {

// One rectangle of the wall, painted after the one before it.
struct WallSurface {
  double height = 0;  // m
  double length = 0;  // m
};

// The proportion the plan asks at a distance along the wall: % of P2 in the mix.
struct PlannedProportion {
  double distance = 0;  // m
  double proportion = 0;
};

// What the machine really is, whatever the operator has entered.
struct MachineConstants {
  double p1PulsesPerLitre = 220;              // pump P1's encoder
  double p2PulsesPerLitre = 220;              // pump P2's encoder
  double litresPerSquareMetre = 0.14;         // paint laid per m²
  double hoseLitres = 1.0;                    // held by hose and roller when full
  double dilutionLitres = 1.5;                // paint the roller mixes the arriving paint into
  double dryRollerPulsesPerSquareMetre = 100;  // roller turning without paint
  double stallFlowPerSquareMetre = 0.28;      // flow at which the roller slides and stops turning
  double outputAtZeroPercent = 5;             // pump controller: DA output (% of full scale) for P2 at 0 %
  double outputSpanPercent = 90;              // ... and its span from 0 % to 100 % of P2
  double sensorLowBar = 0;                    // pressure at the sensor's lowest reading
  double sensorHighBar = 200;                 // ... and at its highest
};

struct MachineJob {
  std::vector<WallSurface> wall;             // in painting order
  std::vector<PlannedProportion> plan;       // any order; sorted by the wall
  MachineConstants machine;
  // What the dosing means to ask for the paint laid at each distance when that is not the plan
  // (the control leads the mix): the machine's prediction of the laid mix follows it instead.
  std::vector<PlannedProportion> asked{};
};

// The wall's geometry: a point on it is the distance from the start of the first surface.
// Beyond the last surface the wall goes on at the last surface's height; the plan's proportion
// runs in straight lines between its points and holds its first and last values outside them.
class Wall {
 public:
  Wall() = default;
  // Heights and lengths below 0 (or not numbers) count as 0; points that are not numbers are
  // left out.
  Wall(const std::vector<WallSurface>& surfaces, std::vector<PlannedProportion> plan);

  bool empty() const { return heights_.empty(); }
  double length() const { return ends_.empty() ? 0 : ends_.back(); }
  double area() const { return areas_.empty() ? 0 : areas_.back(); }

  // The distance at which `area` m² have been painted (0 for none or less).
  double distanceForArea(double area) const;
  // The area painted from the start up to `distance` (0 before the start).
  double areaAtDistance(double distance) const;
  // The height of the surface the roller paints next from `distance`: at a junction the next
  // surface's, before the start 0, at and beyond the end the last one's.
  double heightAt(double distance) const;
  // The plan's proportion at `distance`, 0..100; 0 without points.
  double plannedProportionAt(double distance) const;

 private:
  std::vector<double> heights_;
  std::vector<double> starts_, ends_;  // distance at each surface's start and end
  std::vector<double> areasBefore_, areas_;  // area painted at each surface's start and end
  std::vector<PlannedProportion> points_;  // by distance
};

}  // namespace chromaflow::sim
