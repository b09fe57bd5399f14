#pragma once
// The operator's edits of a replay line, each as the whole gesture the program's windows make
// of it: the same session operations in the same order, from the window coming up to its
// leaving for the main window. A row editor's or the picker's warning goes to the session's
// asker, as in the window; the editor then ends with "Annuler".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/session/session.h"
#include "sim/harness/replay.h"

namespace chromaflow::sim {

// The settings window's value panels and spin fields and the correction window's parameters,
// by their control names ("EditRetard", "SpinEditRoul", "PCorrectMin").
std::optional<SettingsPanel> settingsPanelNamed(std::string_view name);
std::optional<SettingsSpin> settingsSpinNamed(std::string_view name);
std::optional<CorrectionParameter> correctionParameterNamed(std::string_view name);
std::vector<std::string> settingsPanelNames();
std::vector<std::string> settingsSpinNames();
std::vector<std::string> correctionParameterNames();

// The main window's buttons and entries are the replay's own; everything else is an edit.
bool isOperatorEdit(ReplayAction::Kind kind);

// Makes the edit. Nothing when it was made (or refused without a word, as the window does);
// why not when the gesture cannot be made at all (a row the table does not show).
std::optional<std::string> makeOperatorEdit(Session& session, const ReplayAction& action);

}  // namespace chromaflow::sim
