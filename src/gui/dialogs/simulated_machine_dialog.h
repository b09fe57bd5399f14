#pragma once
// FMachineSimulee, "Machine simulée": the speed of the simulated roller and its faults, as
// chromaflow-sim offers them. The dialog only edits a configuration; the caller hands it to the
// machine.

#include <QDialog>

#include <memory>
#include <optional>

#include "sim/machine/paint_machine.h"

namespace Ui {
class FMachineSimulee;
}

namespace chromaflow {

class SimulatedMachineDialog : public QDialog {
 public:
  explicit SimulatedMachineDialog(QWidget* parent = nullptr);
  ~SimulatedMachineDialog() override;

  // Shows the dialog modally starting from `current`; the new configuration on "OK", nothing on
  // "Annuler". The faults chosen hold from now on (from 0 s); what the dialog cannot show (the
  // pumps' pulse rates, the gun, a fault from a later time or of another factor) is returned as
  // it was, as long as the operator leaves the choice showing it alone.
  std::optional<sim::MachineConfig> edit(const sim::MachineConfig& current);

 private:
  std::unique_ptr<Ui::FMachineSimulee> ui_;
};

}  // namespace chromaflow
