// The machine's job read from the documents, in the harness: the machine itself never sees them.

#include "sim/harness/job_of_documents.h"

#include "core/common/display_forms.h"
#include "core/control/path_model.h"

namespace chromaflow::sim {

MachineJob machineJobOf(const Plan& plan, const SettingsDocument& settings) {
  MachineJob job;
  // The grids' texts read as doubles: the machine sums its own lengths and areas.
  for (int i = 1; i <= plan.surfaceCount(); ++i) {
    const SurfaceRow& row = plan.surfaceRow(i);
    job.wall.push_back({value(row[1]), value(row[2])});
  }
  for (const ProportionRow& row : plan.proportionRows()) job.plan.push_back({value(row[1]), value(row[2])});
  if (plan.leadsTheMix()) {
    // The lead over the wall, and the plan where the lead does not reach: up to its start (the
    // roller's first mix) and past the wall.
    const PathModel path(plan, settings);
    const MixingLeadTable& lead = path.mixingLead();
    const double from = path.DistanceForArea(lead.fromArea), to = path.DistanceForArea(lead.toArea);
    for (const PlannedProportion& point : job.plan)
      if (point.distance <= from || point.distance > to) job.asked.push_back(point);
    for (std::size_t k = 0; k < lead.asked.size(); ++k) {
      const float area = lead.fromArea + static_cast<float>(k + 1) * lead.step;
      job.asked.push_back({path.DistanceForArea(area), lead.asked[k]});
    }
  }

  const MachineSettings& s = settings.settings();
  MachineConstants& m = job.machine;
  m.p1PulsesPerLitre = s.P1trl;
  m.p2PulsesPerLitre = s.P2trl;
  m.litresPerSquareMetre = value(s.LitreM2);
  m.hoseLitres = value(s.Retard);
  m.dilutionLitres = value(s.Filtre);
  m.dryRollerPulsesPerSquareMetre = s.Roul;
  m.stallFlowPerSquareMetre = value(s.MaxDebit);
  m.outputAtZeroPercent = value(s.Zero);
  m.outputSpanPercent = value(s.Gain);
  m.sensorLowBar = value(s.MinCapteur);
  m.sensorHighBar = value(s.MaxCapteur);
  return job;
}

}  // namespace chromaflow::sim
