#pragma once
// The simulated machine's job, read once from the documents when the machine joins: the wall's
// surfaces and the plan's proportion points as numbers, and the machine's true constants as the
// settings state them. The machine itself never sees the documents.

#include "core/plan/plan.h"
#include "core/settings/settings_document.h"
#include "sim/machine/machine_job.h"

namespace chromaflow::sim {

MachineJob machineJobOf(const Plan& plan, const SettingsDocument& settings);

}  // namespace chromaflow::sim
