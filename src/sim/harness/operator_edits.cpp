#include "sim/harness/operator_edits.h"

#include <utility>

namespace chromaflow::sim {
namespace {

using K = ReplayAction::Kind;

template <typename Enum>
using Names = std::vector<std::pair<const char*, Enum>>;

const Names<SettingsPanel>& panelNames() {
  using P = SettingsPanel;
  static const Names<P> names = {
      {"EditRetard", P::EditRetard}, {"EditFiltre", P::EditFiltre}, {"EditLitreM2", P::EditLitreM2},
      {"EditM2Litre", P::EditM2Litre}, {"EditMicron", P::EditMicron}, {"EditMaxDebit", P::EditMaxDebit},
      {"Zero", P::Zero}, {"Gain", P::Gain}, {"MinCapteur", P::MinCapteur}, {"MaxCapteur", P::MaxCapteur},
      {"PConsigne", P::PConsigne}, {"PGain", P::PGain}, {"PFreqMax", P::PFreqMax}};
  return names;
}

const Names<SettingsSpin>& spinNames() {
  using S = SettingsSpin;
  static const Names<S> names = {{"SpinEditP1trl", S::SpinEditP1trl}, {"SpinEditP2trl", S::SpinEditP2trl},
                                 {"SpinEditRoul", S::SpinEditRoul}, {"SpinEditPulseM2", S::SpinEditPulseM2}};
  return names;
}

const Names<CorrectionParameter>& parameterNames() {
  using C = CorrectionParameter;
  static const Names<C> names = {{"PCorrectMin", C::PCorrectMin}, {"PCorrectMax", C::PCorrectMax},
                                 {"PCorrectMaxPct", C::PCorrectMaxPct}, {"CorrectPStop", C::CorrectPStop}};
  return names;
}

template <typename Enum>
std::optional<Enum> named(const Names<Enum>& names, std::string_view name) {
  for (const auto& [text, value] : names)
    if (name == text) return value;
  return std::nullopt;
}

template <typename Enum>
std::vector<std::string> listed(const Names<Enum>& names) {
  std::vector<std::string> list;
  for (const auto& entry : names) list.emplace_back(entry.first);
  return list;
}

// The values of an action, as the replay reader checked them.
struct Values {
  const std::vector<std::string>& all;
  int integer(std::size_t i) const {
    int value = 0;
    readInteger(all.at(i), value);
    return value;
  }
  const std::string& text(std::size_t i) const { return all.at(i); }
};

EditorButton buttonOf(K kind) {
  switch (kind) {
    case K::SurfaceInsert:
    case K::PropInsert: return EditorButton::Insert;
    case K::SurfaceDelete:
    case K::PropDelete:
    case K::ColourDelete: return EditorButton::Delete;
    case K::SurfaceDeleteAll:
    case K::PropDeleteAll:
    case K::ColourDeleteAll: return EditorButton::DeleteAll;
    default: return EditorButton::Ok;
  }
}

// The grid's row the operator clicks: one of the table's rows or the " +" row after them.
std::optional<std::string> rowProblem(int row, int rows) {
  if (row >= 1 && row <= rows + 1) return std::nullopt;
  return "le tableau n'a pas de ligne " + std::to_string(row) + " (1 à " + std::to_string(rows + 1) + ", la dernière étant « +»)";
}

// A row editor's button: a warning keeps the editor open, and the operator then cancels.
template <typename Press>
void pressThenCancelIfKept(Press&& press, EditorButton button) {
  if (!press(button).closes) press(EditorButton::Cancel);
}

// The plan window brought up from the main window, `edit` made in it, and the window left.
template <typename Edit>
void inPlanWindow(Session& s, Edit&& edit) {
  s.planWindowShown();
  edit();
  s.planWindowLeft();
}

std::optional<std::string> surfaceEdit(Session& s, const ReplayAction& action) {
  const Values v{action.values};
  const int row = v.integer(0);
  if (auto problem = rowProblem(row, s.plan().surfaceCount())) return problem;
  inPlanWindow(s, [&] {
    s.openSurfaceEditor(row);
    s.planWindowLeft();  // the editor comes to the front: the plan window goes behind it
    // The editor opens with the focus in Hauteur; each field is left for the next control.
    if (action.values.size() == 3) {
      s.setHauteur(v.text(1));
      s.leaveHauteur();
      s.setLongueur(v.text(2));
      s.leaveLongueur();
    } else {
      s.leaveHauteur();
    }
    pressThenCancelIfKept([&](EditorButton b) { return s.surfaceEditorButton(b); }, buttonOf(action.kind));
  });
  return std::nullopt;
}

std::optional<std::string> proportionEdit(Session& s, const ReplayAction& action) {
  const Values v{action.values};
  const int row = v.integer(0);
  if (auto problem = rowProblem(row, s.plan().proportionCount())) return problem;
  inPlanWindow(s, [&] {
    s.openProportionEditor(row);
    s.planWindowLeft();
    if (action.values.size() == 3) {
      s.setEditorDistance(v.text(1));
      s.setEditorProportion(v.integer(2));
      s.setEditorProportion(v.integer(2));  // SpinEditProp left for the button
    }
    pressThenCancelIfKept([&](EditorButton b) { return s.proportionEditorButton(b); }, buttonOf(action.kind));
  });
  return std::nullopt;
}

std::optional<std::string> colourEdit(Session& s, const ReplayAction& action) {
  const Values v{action.values};
  const int row = v.integer(0);
  if (auto problem = rowProblem(row, static_cast<int>(s.colours().rows().size()))) return problem;
  s.colourWindowActivated();
  s.openColourPicker(row);
  s.colourWindowLeft();  // the picker comes to the front
  s.colourPickerActivated();
  if (action.values.size() == 5) {
    s.setPickerProportion(v.integer(1));
    s.setPickerComponent(Component::Red, v.integer(2));
    s.setPickerComponent(Component::Green, v.integer(3));
    s.setPickerComponent(Component::Blue, v.integer(4));
  }
  pressThenCancelIfKept([&](EditorButton b) { return s.colourPickerButton(b); }, buttonOf(action.kind));
  s.colourWindowActivated();  // back to the colour window, then on to the main window
  s.colourWindowLeft();
  return std::nullopt;
}

}  // namespace

std::optional<SettingsPanel> settingsPanelNamed(std::string_view name) { return named(panelNames(), name); }
std::optional<SettingsSpin> settingsSpinNamed(std::string_view name) { return named(spinNames(), name); }
std::optional<CorrectionParameter> correctionParameterNamed(std::string_view name) {
  return named(parameterNames(), name);
}
std::vector<std::string> settingsPanelNames() { return listed(panelNames()); }
std::vector<std::string> settingsSpinNames() { return listed(spinNames()); }
std::vector<std::string> correctionParameterNames() { return listed(parameterNames()); }

bool isOperatorEdit(ReplayAction::Kind kind) { return kind >= K::PointMove; }

std::optional<std::string> makeOperatorEdit(Session& s, const ReplayAction& action) {
  if (auto problem = problemWith(action)) return problem;
  const Values v{action.values};
  switch (action.kind) {
    case K::PointMove:
      s.chartPointerMoved(v.integer(0), v.integer(1));
      s.chartButtonPressed();
      s.chartPointerMoved(v.integer(2), v.integer(3));
      s.chartButtonReleased(v.integer(2), v.integer(3));
      break;
    case K::PointInsert:
    case K::PointDelete:
      // A right-click is a press and a release on its pixel; then the pop-up's item, if enabled.
      s.chartPointerMoved(v.integer(0), v.integer(1));
      s.chartButtonPressed();
      s.chartButtonReleased(v.integer(0), v.integer(1));
      if (action.kind == K::PointInsert && s.chartEditing().InsertEnabled) s.chartInsert();
      if (action.kind == K::PointDelete && s.chartEditing().DeleteEnabled) s.chartDelete();
      break;
    case K::TravelledDrag:
      s.travelBarMoved(v.integer(0));
      s.travelBarPressed(v.integer(0));
      s.travelBarMoved(v.integer(1));
      s.travelBarReleased();
      break;
    case K::HoseDrag:
      s.hoseBarMoved(v.integer(0));
      s.hoseBarPressed(v.integer(0));
      s.hoseBarMoved(v.integer(1));
      s.hoseBarReleased();
      break;
    case K::SurfaceOk:
    case K::SurfaceInsert:
    case K::SurfaceDelete:
    case K::SurfaceDeleteAll: return surfaceEdit(s, action);
    case K::PropOk:
    case K::PropInsert:
    case K::PropDelete:
    case K::PropDeleteAll: return proportionEdit(s, action);
    case K::ColourOk:
    case K::ColourDelete:
    case K::ColourDeleteAll: return colourEdit(s, action);
    case K::Panel:
    case K::Spin:
    case K::Preset:
      // The settings window opened, the entry made, the window closed.
      s.settingsWindowActivated();
      if (action.kind == K::Panel) s.enterSettingsPanel(*settingsPanelNamed(v.text(0)), v.text(1));
      if (action.kind == K::Spin) s.enterSettingsSpin(*settingsSpinNamed(v.text(0)), v.text(1));
      if (action.kind == K::Preset) s.presetPulseM2();
      s.settingsWindowClosed();
      break;
    case K::Correction: s.enterCorrectionParameter(*correctionParameterNamed(v.text(0)), v.text(1)); break;
    case K::HoseState:
      inPlanWindow(s, [&] { s.selectHoseState(v.text(0) == "full" ? HoseState::Full : HoseState::Empty); });
      break;
    case K::StartProportion: inPlanWindow(s, [&] { s.setStartProportion(v.integer(0)); }); break;
    case K::Anticipation: inPlanWindow(s, [&] { s.setAnticipation(v.text(0) == "on"); }); break;
    case K::MixingLead: inPlanWindow(s, [&] { s.setMixingLead(v.text(0) == "on"); }); break;
    default: break;
  }
  return std::nullopt;
}

}  // namespace chromaflow::sim
