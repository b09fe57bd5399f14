#include "core/settings/settings_entry.h"

#include <algorithm>
#include <cmath>

#include "core/common/display_forms.h"
#include "core/settings/decode_line.h"

namespace chromaflow {
namespace {

struct PanelRow {
  SettingsPanel panel;
  const char* prompt;
  std::string MachineSettings::*setting;
  bool refreshes;
};

const PanelRow kPanels[] = {
    {SettingsPanel::EditRetard, "Contenance du tuyau et du rouleau (litres)", &MachineSettings::Retard, false},
    {SettingsPanel::EditFiltre, "Pouvoir de dilution (litres)", &MachineSettings::Filtre, false},
    {SettingsPanel::EditLitreM2, "Epaisseur de peinture (litres/m2)", &MachineSettings::LitreM2, true},
    {SettingsPanel::EditM2Litre, "Epaisseur de peinture (m2/litre)", &MachineSettings::LitreM2, true},
    {SettingsPanel::EditMicron, "Epaisseur de peinture (micron)", &MachineSettings::LitreM2, true},
    {SettingsPanel::EditMaxDebit, "Débit maximum", &MachineSettings::MaxDebit, true},
    {SettingsPanel::Zero, "Décalage zéro", &MachineSettings::Zero, true},
    {SettingsPanel::Gain, "Gain", &MachineSettings::Gain, true},
    {SettingsPanel::MinCapteur, "Minimum capteur (0.. bar)", &MachineSettings::MinCapteur, false},
    {SettingsPanel::MaxCapteur, "Maximum capteur (..300 bar)", &MachineSettings::MaxCapteur, false},
    {SettingsPanel::PConsigne, "Pression de consigne", &MachineSettings::PConsigne, false},
    {SettingsPanel::PGain, "Gain", &MachineSettings::PGain, false},
    {SettingsPanel::PFreqMax, "Frequence max (1..50 Hz)", &MachineSettings::PFreqMax, false},
};

const PanelRow& rowOf(SettingsPanel panel) { return kPanels[static_cast<int>(panel)]; }

// A thickness above the thickest leaves the hose's paint no area: refused in any of its views.
EntryOutcome thickness(float litresPerSquareMetre) {
  return litresPerSquareMetre <= kMostLitresPerSquareMetre ? EntryOutcome::accept(F2(litresPerSquareMetre))
                                                           : EntryOutcome::refuse();
}

}  // namespace

const char* panelPrompt(SettingsPanel panel) { return rowOf(panel).prompt; }

std::string panelText(const SettingsDocument& document, SettingsPanel panel) {
  if (panel == SettingsPanel::EditM2Litre) return document.M2Litre();
  if (panel == SettingsPanel::EditMicron) return document.Micron();
  return document.settings().*rowOf(panel).setting;
}

EntryOutcome panelRule(SettingsPanel panel, const std::string& typed, const MachineSettings& settings) {
  float v = 0;
  if (!readEntryValue(typed, v)) return EntryOutcome::refuse();
  const float maxSensor = settingValue(settings.MaxCapteur);
  const float minSensor = settingValue(settings.MinCapteur);
  switch (panel) {
    case SettingsPanel::EditRetard:
    case SettingsPanel::EditFiltre:
      return v >= 0 && v <= kMostHoseLitres ? EntryOutcome::accept(F2(v)) : EntryOutcome::refuse();
    case SettingsPanel::EditLitreM2:
      return v > 0 ? thickness(v) : EntryOutcome::refuse();
    case SettingsPanel::EditM2Litre:
      // So small an area per litre that its thickness overflows is no thickness at all.
      return v > 0 && std::isfinite(1.0f / v) ? thickness(1.0f / v) : EntryOutcome::refuse();
    case SettingsPanel::EditMicron:
      return v > 0 ? thickness(v / 10.0f) : EntryOutcome::refuse();
    case SettingsPanel::EditMaxDebit:
      // The 32-bit value against the bound as written: the 32-bit 0.1 lies just above 0.1.
      return static_cast<double>(v) > 0.1 ? EntryOutcome::accept(F2(v)) : EntryOutcome::refuse();
    case SettingsPanel::Zero:
      return v >= -10 && v <= 10 ? EntryOutcome::accept(F1(v)) : EntryOutcome::refuse();
    case SettingsPanel::Gain:
      return v > 0 && v <= 200 ? EntryOutcome::accept(F1(v)) : EntryOutcome::refuse();
    case SettingsPanel::MinCapteur:
      return v >= 0 && v < maxSensor ? EntryOutcome::accept(F1(v)) : EntryOutcome::refuse();
    case SettingsPanel::MaxCapteur:
      return v > minSensor && v <= 400 ? EntryOutcome::accept(F1(v)) : EntryOutcome::refuse();
    case SettingsPanel::PConsigne:
      if (!(v > 0)) return EntryOutcome::refuse();
      return v > maxSensor ? EntryOutcome::bound(F1(maxSensor)) : EntryOutcome::accept(F1(v));
    case SettingsPanel::PGain:
      if (!(v > 0)) return EntryOutcome::refuse();
      return v > 255 ? EntryOutcome::bound(F1(255)) : EntryOutcome::accept(F1(v));
    case SettingsPanel::PFreqMax:
      return v >= 1 && v <= 50 ? EntryOutcome::accept(F1(v)) : EntryOutcome::refuse();
  }
  return EntryOutcome::refuse();
}

EntryOutcome spinRule(SettingsSpin spin, const std::string& typed) {
  const auto number = integerOfField(typed);
  if (!number) return EntryOutcome::refuse();
  if (spin == SettingsSpin::SpinEditP1trl || spin == SettingsSpin::SpinEditP2trl)
    return EntryOutcome::accept(std::to_string(*number));
  const int clamped = clampRollerPulses(*number);
  return clamped == *number ? EntryOutcome::accept(std::to_string(clamped))
                            : EntryOutcome::bound(std::to_string(clamped));
}

EntryOutcome SettingsDocument::enterPanel(SettingsPanel panel, const std::string& typed) {
  EntryOutcome outcome = panelRule(panel, typed, settings_);
  if (outcome.refused()) return outcome;
  const PanelRow& row = rowOf(panel);
  settings_.*row.setting = outcome.stored;
  if (row.refreshes) RefreshSettingsViews();
  return outcome;
}

EntryOutcome SettingsDocument::enterSpin(SettingsSpin spin, const std::string& typed) {
  EntryOutcome outcome = spinRule(spin, typed);
  if (outcome.refused()) return outcome;
  const int pulses = *integerOfField(outcome.stored);
  switch (spin) {
    case SettingsSpin::SpinEditP1trl: setP1trl(pulses); break;
    case SettingsSpin::SpinEditP2trl: setP2trl(pulses); break;
    case SettingsSpin::SpinEditRoul: setRoul(pulses); break;
    case SettingsSpin::SpinEditPulseM2: setPulseM2(pulses); break;
  }
  return outcome;
}

void SettingsDocument::presetPulseM2() { setPulseM2(recommendedPulseM2()); }

}  // namespace chromaflow
