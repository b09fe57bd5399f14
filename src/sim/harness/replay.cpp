#include "sim/harness/replay.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

#include "sim/harness/operator_edits.h"

namespace chromaflow::sim {
namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const auto cut = text.find(separator);
    parts.push_back(text.substr(0, cut));
    if (cut == std::string_view::npos) return parts;
    text.remove_prefix(cut + 1);
  }
}

template <typename Number>
bool readNumber(std::string_view text, Number& value, int base) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc() && end == text.data() + text.size();
}

using K = ReplayAction::Kind;

// What each value of an action must be: a whole number, any text, a control's name, a state.
enum class Value { Integer, Text, Panel, Spin, Correction, HoseState, OnOff };

struct ActionForm {
  std::string_view name;  // its length known, so that a line's action is told from the others at once
  K kind;
  std::vector<Value> values;  // none: the action is its name alone
  const char* usage = "";     // the values as the operator's manual names them
};

const std::vector<ActionForm>& forms() {
  using V = Value;
  static const std::vector<ActionForm> table = {
      {"activate", K::Activate, {}},
      {"start", K::Start, {}},
      {"stop", K::Stop, {}},
      {"gun", K::Gun, {}},
      {"reset", K::Reset, {}},
      {"hose-full", K::HoseFull, {}},
      {"hose-empty", K::HoseEmpty, {}},
      {"roller", K::Roller, {}},
      {"distance", K::Distance, {V::Text}, "V"},
      {"p1-litres", K::P1Litres, {V::Text}, "V"},
      {"p2-litres", K::P2Litres, {V::Text}, "V"},
      {"point-move", K::PointMove, {V::Integer, V::Integer, V::Integer, V::Integer}, "X0:Y0:X1:Y1"},
      {"point-insert", K::PointInsert, {V::Integer, V::Integer}, "X:Y"},
      {"point-delete", K::PointDelete, {V::Integer, V::Integer}, "X:Y"},
      {"travelled-drag", K::TravelledDrag, {V::Integer, V::Integer}, "X0:X1"},
      {"hose-drag", K::HoseDrag, {V::Integer, V::Integer}, "X0:X1"},
      {"surface-ok", K::SurfaceOk, {V::Integer, V::Text, V::Text}, "R:H:L"},
      {"surface-insert", K::SurfaceInsert, {V::Integer, V::Text, V::Text}, "R:H:L"},
      {"surface-delete", K::SurfaceDelete, {V::Integer}, "R"},
      {"surface-delete-all", K::SurfaceDeleteAll, {V::Integer}, "R"},
      {"prop-ok", K::PropOk, {V::Integer, V::Text, V::Integer}, "R:D:P"},
      {"prop-insert", K::PropInsert, {V::Integer, V::Text, V::Integer}, "R:D:P"},
      {"prop-delete", K::PropDelete, {V::Integer}, "R"},
      {"prop-delete-all", K::PropDeleteAll, {V::Integer}, "R"},
      {"colour-ok", K::ColourOk, {V::Integer, V::Integer, V::Integer, V::Integer, V::Integer}, "R:P:ROUGE:VERT:BLEU"},
      {"colour-delete", K::ColourDelete, {V::Integer}, "R"},
      {"colour-delete-all", K::ColourDeleteAll, {V::Integer}, "R"},
      {"panel", K::Panel, {V::Panel, V::Text}, "NOM:TEXTE"},
      {"spin", K::Spin, {V::Spin, V::Text}, "NOM:V"},
      {"preset", K::Preset, {}},
      {"correction", K::Correction, {V::Correction, V::Text}, "NOM:TEXTE"},
      {"hose-state", K::HoseState, {V::HoseState}, "full|empty"},
      {"start-proportion", K::StartProportion, {V::Integer}, "V"},
      {"anticipation", K::Anticipation, {V::OnOff}, "on|off"},
      {"mixing-lead", K::MixingLead, {V::OnOff}, "on|off"},
  };
  return table;
}

const ActionForm& formOf(K kind) {
  for (const ActionForm& form : forms())
    if (form.kind == kind) return form;
  return forms().front();
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "2%2C5" as "2,5"; nothing when a "%" is not followed by two hexadecimal digits.
std::optional<std::string> decoded(std::string_view text) {
  std::string value;
  value.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      value += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = hexDigit(text[i + 1]), low = hexDigit(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    value += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return value;
}

// The bytes a value cannot hold as they are: the separators, "%", blanks and control bytes.
std::string encoded(const std::string& value) {
  std::string text;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 0x7F || c == ',' || c == ':' || c == ';' || c == '%') {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", byte);
      text += escape;
    } else {
      text += c;
    }
  }
  return text;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// Why the value cannot be one of the kind asked, or nothing when it can.
std::optional<std::string> problemWith(Value kind, const std::string& value) {
  int number = 0;
  switch (kind) {
    case Value::Integer:
      if (!readInteger(value, number)) return "« " + value + " » n'est pas un nombre entier";
      return std::nullopt;
    case Value::Text: return std::nullopt;
    case Value::Panel:
      if (!settingsPanelNamed(value)) return "aucun panneau « " + value + " » (" + joined(settingsPanelNames()) + ")";
      return std::nullopt;
    case Value::Spin:
      if (!settingsSpinNamed(value)) return "aucun champ « " + value + " » (" + joined(settingsSpinNames()) + ")";
      return std::nullopt;
    case Value::Correction:
      if (!correctionParameterNamed(value))
        return "aucun paramètre « " + value + " » (" + joined(correctionParameterNames()) + ")";
      return std::nullopt;
    case Value::HoseState:
      if (value != "full" && value != "empty") return "« " + value + " » : full ou empty attendu";
      return std::nullopt;
    case Value::OnOff:
      if (value != "on" && value != "off") return "« " + value + " » : on ou off attendu";
      return std::nullopt;
  }
  return std::nullopt;
}

// The action, or why it cannot be read.
std::variant<ReplayAction, std::string> readAction(std::string_view text) {
  const auto equals = text.find('=');
  const std::string_view name = text.substr(0, equals);
  for (const ActionForm& form : forms()) {
    if (name != form.name) continue;
    const bool valued = !form.values.empty();
    if (valued != (equals != std::string_view::npos)) break;
    ReplayAction action{form.kind, {}};
    if (!valued) return action;
    const auto parts = split(text.substr(equals + 1), ':');
    if (parts.size() != form.values.size())
      return std::string(form.name) + " attend " + std::to_string(form.values.size()) +
             (form.values.size() == 1 ? " valeur (" : " valeurs séparées par « : » (") + form.usage + "), pas « " +
             std::string(text) + " »";
    for (std::size_t i = 0; i < parts.size(); ++i) {
      auto value = decoded(parts[i]);
      if (!value) return std::string(form.name) + " : « " + std::string(parts[i]) + " » : un % doit être suivi de deux chiffres hexadécimaux";
      if (auto problem = problemWith(form.values[i], *value)) return std::string(form.name) + " : " + *problem;
      action.values.push_back(std::move(*value));
    }
    return action;
  }
  return "action inconnue « " + std::string(text) + " »";
}

}  // namespace

std::optional<std::string> problemWith(const ReplayAction& action) {
  const ActionForm& form = formOf(action.kind);
  if (action.values.size() != form.values.size())
    return std::string(form.name) + " attend " + std::to_string(form.values.size()) + " valeur(s), pas " +
           std::to_string(action.values.size());
  for (std::size_t i = 0; i < action.values.size(); ++i)
    if (auto problem = problemWith(form.values[i], action.values[i])) return std::string(form.name) + " : " + *problem;
  return std::nullopt;
}

bool readInteger(const std::string& text, int& value) { return readNumber(std::string_view(text), value, 10); }

std::string actionText(const ReplayAction& action) {
  std::string text(formOf(action.kind).name);
  for (std::size_t i = 0; i < action.values.size(); ++i) text += (i == 0 ? "=" : ":") + encoded(action.values[i]);
  return text;
}

bool operator==(const ReplayAction& a, const ReplayAction& b) { return a.kind == b.kind && a.values == b.values; }

std::vector<std::string> formatReplay(const std::vector<ReplayStep>& steps) {
  std::vector<std::string> lines;
  for (const ReplayStep& step : steps) {
    char pins[8];
    std::snprintf(pins, sizeof pins, "%04X", step.pulledLow);
    std::string line = std::string(pins) + ";" + std::to_string(step.analogInput);
    for (std::size_t i = 0; i < step.actions.size(); ++i) line += (i == 0 ? ";" : ",") + actionText(step.actions[i]);
    lines.push_back(std::move(line));
  }
  return lines;
}

std::variant<std::vector<ReplayStep>, std::string> parseReplay(const std::vector<std::string>& lines) {
  std::vector<ReplayStep> steps;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::string_view line = trimmed(lines[index]);
    if (line.empty() || line.front() == '#') continue;
    // Said only when the line is refused: most lines are not.
    const auto where = [index] { return "ligne " + std::to_string(index + 1) + " : "; };
    auto fields = split(line, ';');
    for (auto& field : fields) field = trimmed(field);
    if (fields.size() < 2 || fields.size() > 3) return where() + "2 ou 3 champs séparés par « ; » attendus";
    ReplayStep step;
    step.line = static_cast<int>(index + 1);
    if (fields[0].size() != 4 || !readNumber(fields[0], step.pulledLow, 16))
      return where() + "le champ 1 doit avoir quatre chiffres hexadécimaux, pas « " + std::string(fields[0]) + " »";
    unsigned analog = 0;
    if (!readNumber(fields[1], analog, 10) || analog > 255)
      return where() + "le champ 2 doit être un entier de 0 à 255, pas « " + std::string(fields[1]) + " »";
    step.analogInput = static_cast<std::uint8_t>(analog);
    if (fields.size() == 3 && !fields[2].empty()) {
      for (std::string_view text : split(fields[2], ',')) {
        auto action = readAction(trimmed(text));
        if (auto* problem = std::get_if<std::string>(&action)) return where() + *problem;
        step.actions.push_back(std::get<ReplayAction>(std::move(action)));
      }
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

}  // namespace chromaflow::sim
