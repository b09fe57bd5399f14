// The machine's job read from the documents, in the harness: the machine itself never sees them.

#include "sim/harness/job_of_documents.h"

#include "common/display_forms.h"

namespace chromaflow::sim {

MachineJob machineJobOf(const Plan& plan, const SettingsDocument& settings) {
  MachineJob job;
  // The grids' texts read as doubles: the machine sums its own lengths and areas.
  for (int i = 1; i <= plan.surfaceCount(); ++i) {
    const SurfaceRow& row = plan.surfaceRow(i);
    job.wall.push_back({value(row[1]), value(row[2])});
  }
  for (const ProportionRow& row : plan.proportionRows()) job.plan.push_back({value(row[1]), value(row[2])});

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
