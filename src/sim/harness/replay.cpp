#include "sim/harness/replay.h"

#include <charconv>
#include <cstdio>

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
    parts.push_back(trimmed(text.substr(0, cut)));
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
const std::pair<const char*, K> plain[] = {
    {"activate", K::Activate}, {"start", K::Start},          {"stop", K::Stop},
    {"gun", K::Gun},           {"reset", K::Reset},          {"hose-full", K::HoseFull},
    {"hose-empty", K::HoseEmpty}, {"roller", K::Roller}};
const std::pair<const char*, K> valued[] = {
    {"distance", K::Distance}, {"p1-litres", K::P1Litres}, {"p2-litres", K::P2Litres}};

bool readAction(std::string_view text, ReplayAction& action) {
  for (const auto& [name, kind] : plain)
    if (text == name) return action = {kind, {}}, true;
  const auto equals = text.find('=');
  if (equals == std::string_view::npos) return false;
  for (const auto& [name, kind] : valued)
    if (text.substr(0, equals) == name) return action = {kind, std::string(text.substr(equals + 1))}, true;
  return false;
}

std::string nameOf(K kind) {
  for (const auto& [name, k] : plain)
    if (k == kind) return name;
  for (const auto& [name, k] : valued)
    if (k == kind) return name;
  return {};
}

}  // namespace

std::string actionText(const ReplayAction& action) {
  const bool valued = action.kind >= K::Distance && action.kind <= K::P2Litres;
  return nameOf(action.kind) + (valued ? "=" + action.value : "");
}

bool operator==(const ReplayAction& a, const ReplayAction& b) { return a.kind == b.kind && a.value == b.value; }

std::vector<std::string> formatReplay(const std::vector<ReplayStep>& steps) {
  std::vector<std::string> lines;
  for (const ReplayStep& step : steps) {
    char pins[8];
    std::snprintf(pins, sizeof pins, "%04X", step.pulledLow);
    std::string line = std::string(pins) + ";" + std::to_string(step.analogInput);
    for (std::size_t i = 0; i < step.actions.size(); ++i) {
      const ReplayAction& action = step.actions[i];
      line += (i == 0 ? ";" : ",") + actionText(action);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::variant<std::vector<ReplayStep>, std::string> parseReplay(const std::vector<std::string>& lines) {
  std::vector<ReplayStep> steps;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::string_view line = trimmed(lines[index]);
    if (line.empty() || line.front() == '#') continue;
    const std::string where = "ligne " + std::to_string(index + 1) + " : ";
    const auto fields = split(line, ';');
    if (fields.size() < 2 || fields.size() > 3) return where + "2 ou 3 champs séparés par « ; » attendus";
    ReplayStep step;
    step.line = static_cast<int>(index + 1);
    if (fields[0].size() != 4 || !readNumber(fields[0], step.pulledLow, 16))
      return where + "le champ 1 doit avoir quatre chiffres hexadécimaux, pas « " + std::string(fields[0]) + " »";
    unsigned analog = 0;
    if (!readNumber(fields[1], analog, 10) || analog > 255)
      return where + "le champ 2 doit être un entier de 0 à 255, pas « " + std::string(fields[1]) + " »";
    step.analogInput = static_cast<std::uint8_t>(analog);
    if (fields.size() == 3 && !fields[2].empty()) {
      for (std::string_view text : split(fields[2], ',')) {
        ReplayAction action{};
        if (!readAction(text, action)) return where + "action inconnue « " + std::string(text) + " »";
        step.actions.push_back(std::move(action));
      }
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

}  // namespace chromaflow::sim
