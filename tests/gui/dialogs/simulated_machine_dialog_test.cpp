// "Machine simulée": the real dialog driven through its controls, answered from inside its modal
// loop as the operator would.

#include "gui/dialogs/simulated_machine_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace chromaflow {
namespace {

using sim::MachineConfig;
using sim::MachineFault;
using Target = MachineFault::Target;

enum PumpLine { Normale, Rapide, Lente, Arretee, Autre };

struct Controls {
  QDoubleSpinBox* speed;
  QComboBox *p1, *p2;
  QCheckBox* roller;
  QPushButton *ok, *cancel;
};

struct MachineDialog {
  SimulatedMachineDialog dialog;
  Controls c{dialog.findChild<QDoubleSpinBox*>(QStringLiteral("SpinVitesse")),
             dialog.findChild<QComboBox*>(QStringLiteral("ComboP1")),
             dialog.findChild<QComboBox*>(QStringLiteral("ComboP2")),
             dialog.findChild<QCheckBox*>(QStringLiteral("CBRouleauArrete")),
             dialog.findChild<QPushButton*>(QStringLiteral("OKBtn")),
             dialog.findChild<QPushButton*>(QStringLiteral("CancelBtn"))};

  // Edits `current`: once the dialog shows, `operate` reads and sets its controls and ends with
  // a click on "OK" or "Annuler".
  std::optional<MachineConfig> edit(const MachineConfig& current, std::function<void(const Controls&)> operate) {
    EXPECT_TRUE(c.speed && c.p1 && c.p2 && c.roller && c.ok && c.cancel);
    bool answered = false;
    QTimer::singleShot(0, &dialog, [&] {
      answered = true;
      EXPECT_TRUE(dialog.isVisible());
      operate(c);
      // A failed expectation must not leave the modal loop running.
      if (dialog.isVisible()) dialog.reject();
    });
    auto result = dialog.edit(current);
    EXPECT_TRUE(answered);
    return result;
  }
};

MachineConfig withFaults(double speed, std::vector<MachineFault> faults) {
  MachineConfig config;
  config.speedMetresPerMinute = speed;
  config.faults = std::move(faults);
  return config;
}

void expectFault(const MachineFault& fault, Target target, double factor) {
  EXPECT_EQ(fault.target, target);
  EXPECT_DOUBLE_EQ(fault.factor, factor);
  EXPECT_EQ(fault.fromSeconds, 0);  // from when the machine takes it
}

TEST(SimulatedMachineDialog, OkGivesTheSpeedAndFaultsChosenAndCancelNothing) {
  MachineDialog d;
  EXPECT_EQ(d.dialog.windowTitle(), QStringLiteral("Machine simulée"));
  const auto chosen = d.edit({}, [](const Controls& c) {
    // Each line says what its factor does.
    for (QComboBox* pump : {c.p1, c.p2})
      EXPECT_EQ(QStringList({pump->itemText(Normale), pump->itemText(Rapide), pump->itemText(Lente),
                             pump->itemText(Arretee)}),
                QStringList({"normale", "rapide (+10 %)", QStringLiteral("lente (−10 %)"), QStringLiteral("arrêtée")}));
    EXPECT_EQ(c.speed->value(), 10);
    EXPECT_EQ(c.p1->currentIndex(), Normale);
    EXPECT_EQ(c.p2->currentIndex(), Normale);
    EXPECT_FALSE(c.roller->isChecked());
    c.speed->setValue(25.5);
    c.p1->setCurrentIndex(Lente);
    c.p2->setCurrentIndex(Arretee);
    c.roller->setChecked(true);
    c.ok->click();
  });
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->speedMetresPerMinute, 25.5);
  ASSERT_EQ(chosen->faults.size(), 3u);
  expectFault(chosen->faults[0], Target::P1, 0.9);
  expectFault(chosen->faults[1], Target::P2, 0);
  expectFault(chosen->faults[2], Target::Roller, 0);

  // Whatever was changed before "Annuler".
  EXPECT_FALSE(d.edit(*chosen, [](const Controls& c) {
    c.speed->setValue(3);
    c.p1->setCurrentIndex(Rapide);
    c.cancel->click();
  }));

  // Every fault taken back to normal.
  const auto repaired = d.edit(*chosen, [](const Controls& c) {
    c.p1->setCurrentIndex(Normale);
    c.p2->setCurrentIndex(Normale);
    c.roller->setChecked(false);
    c.ok->click();
  });
  ASSERT_TRUE(repaired);
  EXPECT_TRUE(repaired->faults.empty());
  EXPECT_EQ(repaired->speedMetresPerMinute, 25.5);
}

TEST(SimulatedMachineDialog, TheControlsStartFromTheCurrentConfiguration) {
  MachineDialog d;
  MachineConfig current = withFaults(42.3, {{Target::P1, 1.1, 0}, {Target::P2, 0.9, 0}, {Target::Roller, 0, 0}});
  current.p1PulsesPerLitre = 230;
  current.barPerValvePulse = 3;
  const auto same = d.edit(current, [](const Controls& c) {
    EXPECT_NEAR(c.speed->value(), 42.3, 1e-9);
    EXPECT_EQ(c.p1->currentIndex(), Rapide);
    EXPECT_EQ(c.p2->currentIndex(), Lente);
    EXPECT_TRUE(c.roller->isChecked());
    c.ok->click();
  });
  ASSERT_TRUE(same);
  EXPECT_EQ(same->speedMetresPerMinute, 42.3);
  ASSERT_EQ(same->faults.size(), 3u);
  expectFault(same->faults[0], Target::P1, 1.1);
  expectFault(same->faults[1], Target::P2, 0.9);
  expectFault(same->faults[2], Target::Roller, 0);
  // What the dialog does not show goes through.
  EXPECT_EQ(same->p1PulsesPerLitre, 230);
  EXPECT_EQ(same->barPerValvePulse, 3);

}

TEST(SimulatedMachineDialog, FaultsItHasNoLineForStayAsTheyWereUnlessChanged) {
  MachineDialog d;
  // As chromaflow-sim may set them: later in the run, another factor, the roller stopping later.
  const MachineConfig current =
      withFaults(12.345, {{Target::P1, 1.25, 30}, {Target::P2, 0, 0}, {Target::Roller, 0, 60}});
  const auto kept = d.edit(current, [](const Controls& c) {
    ASSERT_EQ(c.p1->count(), 5);
    EXPECT_EQ(c.p1->currentIndex(), Autre);
    EXPECT_EQ(c.p1->currentText(), QStringLiteral("autre (×1.25 dès 30 s)"));
    EXPECT_EQ(c.p2->currentIndex(), Arretee);
    EXPECT_EQ(c.roller->checkState(), Qt::PartiallyChecked);
    c.ok->click();
  });
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->speedMetresPerMinute, 12.345);
  ASSERT_EQ(kept->faults.size(), 3u);
  EXPECT_EQ(kept->faults[0].factor, 1.25);
  EXPECT_EQ(kept->faults[0].fromSeconds, 30);
  EXPECT_EQ(kept->faults[2].target, Target::Roller);
  EXPECT_EQ(kept->faults[2].fromSeconds, 60);

  const auto changed = d.edit(current, [](const Controls& c) {
    c.p1->setCurrentIndex(Rapide);
    c.roller->setCheckState(Qt::Checked);
    c.ok->click();
  });
  ASSERT_TRUE(changed);
  ASSERT_EQ(changed->faults.size(), 3u);
  expectFault(changed->faults[0], Target::P2, 0);
  expectFault(changed->faults[1], Target::P1, 1.1);
  expectFault(changed->faults[2], Target::Roller, 0);

  // The next edit starts from what it is given: the extra line belonged to that configuration.
  d.edit({}, [](const Controls& c) {
    EXPECT_EQ(c.p1->count(), 4);
    EXPECT_EQ(c.p1->currentIndex(), Normale);
    EXPECT_EQ(c.roller->checkState(), Qt::Unchecked);
    EXPECT_FALSE(c.roller->isTristate());
    c.cancel->click();
  });
}

}  // namespace
}  // namespace chromaflow
