#pragma once
// The settings window's entry rules: what a value typed in a value panel or a spin field does
// to the settings. The window only calls these.

#include <string>

#include "core/common/entry_rule.h"
#include "core/settings/settings_document.h"

namespace chromaflow {

enum class SettingsPanel {
  EditRetard, EditFiltre, EditLitreM2, EditM2Litre, EditMicron, EditMaxDebit,
  Zero, Gain, MinCapteur, MaxCapteur, PConsigne, PGain, PFreqMax,
};

enum class SettingsSpin { SpinEditP1trl, SpinEditP2trl, SpinEditRoul, SpinEditPulseM2 };

// The entry dialog's title for the panel.
const char* panelPrompt(SettingsPanel panel);
// The panel's current text, which the entry dialog starts from.
std::string panelText(const SettingsDocument& document, SettingsPanel panel);

// What the rule makes of the typed text, given the settings as they are.
EntryOutcome panelRule(SettingsPanel panel, const std::string& typed, const MachineSettings& settings);
EntryOutcome spinRule(SettingsSpin spin, const std::string& typed);

// Storing the outcome is SettingsDocument::enterPanel / enterSpin.

}  // namespace chromaflow
