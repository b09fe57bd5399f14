#include "core/control/figures.h"

#include <charconv>

namespace chromaflow {

const char* alarmName(Alarm alarm) {
  static const char* const names[] = {"AlarmP1Lente", "AlarmP2Lente", "AlarmP1Rapide", "AlarmP2Rapide",
                                      "AlarmP1P2",    "AlarmP2P1",    "AlarmP1Stop",   "AlarmP2Stop"};
  return names[static_cast<int>(alarm)];
}

const char* alarmCaption(Alarm alarm) {
  static const char* const captions[] = {
      "Alarme: P1 trop lente", "Alarme: P2 trop lente", "Alarme: P1 trop rapide", "Alarme: P2 trop rapide",
      "Alarme: P1 trop rapide par rapport à P2", "Alarme: P2 trop rapide par rapport à P1",
      "Alarme: P1 arrêtée", "Alarme: P2 arrêtée"};
  return captions[static_cast<int>(alarm)];
}

long long counterValue(const std::string& text) {
  long long value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string incremented(const std::string& counter) { return std::to_string(counterValue(counter) + 1); }

}  // namespace chromaflow
