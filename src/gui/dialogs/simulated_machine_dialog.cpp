#include "gui/dialogs/simulated_machine_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>

#include <array>
#include <tuple>
#include <cmath>
#include <vector>

#include "ui_simulated_machine_dialog.h"

namespace chromaflow {
namespace {

using sim::MachineConfig;
using sim::MachineFault;
using Target = MachineFault::Target;

// What each line of a pump's choice makes it deliver, in the combo box's order: normale,
// rapide (+10 %), lente (−10 %), arrêtée.
constexpr std::array<double, 4> kPumpFactors{1.0, 1.1, 0.9, 0.0};
constexpr int kNormal = 0;
constexpr int kPumpChoices = static_cast<int>(kPumpFactors.size());

std::vector<MachineFault> faultsOf(const MachineConfig& config, Target target) {
  std::vector<MachineFault> faults;
  for (const MachineFault& fault : config.faults)
    if (fault.target == target) faults.push_back(fault);
  return faults;
}

// The line that shows a pump's faults: none when they are not one fault from now with a factor
// the dialog offers.
std::optional<int> pumpChoice(const std::vector<MachineFault>& faults) {
  if (faults.empty()) return kNormal;
  if (faults.size() != 1 || faults[0].fromSeconds != 0) return std::nullopt;
  for (int i = 0; i < kPumpChoices; ++i)
    if (faults[0].factor == kPumpFactors[i]) return i;
  return std::nullopt;
}

// A pump's faults the dialog has no line for, shown as they are.
QString otherFaults(const std::vector<MachineFault>& faults) {
  if (faults.size() != 1) return QStringLiteral("autre (%1 pannes)").arg(faults.size());
  return QStringLiteral("autre (×%1 dès %2 s)").arg(faults[0].factor).arg(faults[0].fromSeconds);
}

// Fills a pump's choice from its faults; the line then shown.
int showPump(QComboBox& box, const std::vector<MachineFault>& faults) {
  while (box.count() > kPumpChoices) box.removeItem(box.count() - 1);
  const std::optional<int> choice = pumpChoice(faults);
  if (!choice) box.addItem(otherFaults(faults));
  const int shown = choice.value_or(kPumpChoices);
  box.setCurrentIndex(shown);
  return shown;
}

Qt::CheckState rollerState(const std::vector<MachineFault>& faults) {
  if (faults.empty()) return Qt::Unchecked;
  if (faults.size() == 1 && faults[0].fromSeconds == 0 && faults[0].factor == 0) return Qt::Checked;
  // Stopped from a later time, or otherwise: neither turning nor stopped from now.
  return Qt::PartiallyChecked;
}

}  // namespace

SimulatedMachineDialog::SimulatedMachineDialog(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::FMachineSimulee>()) {
  ui_->setupUi(this);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

SimulatedMachineDialog::~SimulatedMachineDialog() = default;

std::optional<sim::MachineConfig> SimulatedMachineDialog::edit(const sim::MachineConfig& current) {
  Ui::FMachineSimulee& f = *ui_;
  f.SpinVitesse->setValue(current.speedMetresPerMinute);
  const double shownSpeed = f.SpinVitesse->value();  // within the box's range, to one decimal
  const int shownP1 = showPump(*f.ComboP1, faultsOf(current, Target::P1));
  const int shownP2 = showPump(*f.ComboP2, faultsOf(current, Target::P2));
  const Qt::CheckState shownRoller = rollerState(faultsOf(current, Target::Roller));
  f.CBRouleauArrete->setTristate(shownRoller == Qt::PartiallyChecked);
  f.CBRouleauArrete->setCheckState(shownRoller);

  if (exec() != QDialog::Accepted) return std::nullopt;

  MachineConfig result = current;
  // A speed left as shown keeps its last decimals.
  const bool speedInRange = current.speedMetresPerMinute >= f.SpinVitesse->minimum() &&
                            current.speedMetresPerMinute <= f.SpinVitesse->maximum();
  if (f.SpinVitesse->value() != shownSpeed || !speedInRange) result.speedMetresPerMinute = f.SpinVitesse->value();

  // A choice left as shown keeps its faults as they were, times included; a new choice holds
  // from now.
  const bool keepP1 = f.ComboP1->currentIndex() == shownP1;
  const bool keepP2 = f.ComboP2->currentIndex() == shownP2;
  const bool keepRoller = f.CBRouleauArrete->checkState() == shownRoller;
  result.faults.clear();
  for (const MachineFault& fault : current.faults) {
    const bool keep = fault.target == Target::P1 ? keepP1 : fault.target == Target::P2 ? keepP2 : keepRoller;
    if (keep) result.faults.push_back(fault);
  }
  for (const auto& [target, box, keep] : {std::tuple{Target::P1, f.ComboP1, keepP1}, std::tuple{Target::P2, f.ComboP2, keepP2}}) {
    const int choice = box->currentIndex();
    if (!keep && choice != kNormal && choice < kPumpChoices) result.faults.push_back({target, kPumpFactors[choice], 0});
  }
  if (!keepRoller && f.CBRouleauArrete->checkState() == Qt::Checked) result.faults.push_back({Target::Roller, 0, 0});
  return result;
}

}  // namespace chromaflow
