#include "core/settings/settings_document.h"

#include <cmath>
#include <iterator>
#include <string_view>

#include "core/common/display_forms.h"
#include "core/common/document_file.h"
#include "core/common/entry_rule.h"
#include "core/settings/decode_line.h"

namespace chromaflow {
namespace {

struct FileKey {
  std::string_view key;
  char type;
  std::string MachineSettings::*text;  // decimal settings, kept as the field's text
  int MachineSettings::*integer;       // integer settings
  bool rollerPulses;                   // taken into 1..200
  float most = 0;                      // a decimal setting whose use bounds it: the largest value
  const char* unit = "";               // of that bound
};

// Lines 2 to 15 of the file, in the order they are written.
const FileKey kFileKeys[] = {
    {"Pompe P1(trs/l)", 'I', nullptr, &MachineSettings::P1trl, false},
    {"Pompe P2(trs/l)", 'I', nullptr, &MachineSettings::P2trl, false},
    {"Retard(l)", 'R', &MachineSettings::Retard, nullptr, false, kMostHoseLitres, "litres"},
    {"Filtre(l)", 'R', &MachineSettings::Filtre, nullptr, false, kMostHoseLitres, "litres"},
    {"Epaisseur peinture(l/m2)", 'R', &MachineSettings::LitreM2, nullptr, false, kMostLitresPerSquareMetre, "l/m2"},
    {"Rouleau(Pulses/m2) sec", 'I', nullptr, &MachineSettings::Roul, true},
    {"Limite sur rotation rouleau(l/m2)", 'R', &MachineSettings::MaxDebit, nullptr, false},
    {"Rouleau(Pulses/m2) sélection", 'I', nullptr, &MachineSettings::PulseM2, true},
    {"Analog ouput: Zero (%)", 'R', &MachineSettings::Zero, nullptr, false},
    {"Analog ouput: Gain (%)", 'R', &MachineSettings::Gain, nullptr, false},
    {"Analog input: P Capteur Min (bar)", 'R', &MachineSettings::MinCapteur, nullptr, false},
    {"Analog input: P Capteur Max (bar)", 'R', &MachineSettings::MaxCapteur, nullptr, false},
    {"Analog input: P Consigne (bar)", 'R', &MachineSettings::PConsigne, nullptr, false},
    {"Analog input: Gain", 'R', &MachineSettings::PGain, nullptr, false},
};

// The working point of the roller chart: pulses per m² at thickness `litres` when the roller
// stops at `maxFlow`. Without a highest flow the roller turns as when dry.
float rollerPulsesAt(float litres, float maxFlow, int dryPulses) {
  if (maxFlow == 0.0f) return static_cast<float>(dryPulses);
  return (1.0f - litres / maxFlow) * static_cast<float>(dryPulses);
}

}  // namespace

SettingsDocument::SettingsDocument()
    : name_(DocumentKind::Settings, "Propriétés - ", "Noname", "Propriétés - Noname1.sev") {
  RefreshSettingsViews();
  markSaved();
}

void SettingsDocument::notifyMirrors() { mirrorsChanged.emit(); }

void SettingsDocument::NewSettings() {
  const std::string keptFrequency = settings_.PFreqMax;  // lives for the run, not in the file
  settings_ = MachineSettings{};
  settings_.PFreqMax = keptFrequency;
  name_.set("Noname.sev");
  notifyMirrors();
  RefreshSettingsViews();
  markSaved();
}

bool SettingsDocument::holdsAsInFile(const MachineSettings& other) const {
  for (const FileKey& key : kFileKeys) {
    if (key.text ? settings_.*key.text != other.*key.text : settings_.*key.integer != other.*key.integer)
      return false;
  }
  return true;
}

std::vector<std::string> SettingsDocument::fileLines(const std::string& fileName) const {
  std::vector<std::string> lines;
  lines.reserve(1 + std::size(kFileKeys));
  lines.push_back("Chromaflow Velmora - Settings: " + nameWithoutDirectory(fileName));
  for (const FileKey& key : kFileKeys) {
    const std::string value = key.text ? settings_.*key.text : std::to_string(settings_.*key.integer);
    std::string& line = lines.emplace_back();
    line.reserve(key.key.size() + 1 + value.size());
    line.append(key.key).append("=").append(value);
  }
  return lines;
}

void SettingsDocument::applyFileLines(const std::vector<std::string>& lines) {
  const auto typeName = [](char type) {
    return type == 'I' ? "un entier" : type == 'R' ? "un réel" : "un texte";
  };
  refused_.clear();
  linesTaken_ = {lines.size(), 0};
  for (const std::string& line : lines) {
    const DecodedLine decoded = DecodeLine(line);
    const std::string_view name = decoded.field(1).text;  // compared by length first
    for (const FileKey& key : kFileKeys) {
      if (name != key.key) continue;
      if (!decoded.is(2, key.type)) {
        refused_.push_back(quotedFileLine(line) + " : " + typeName(decoded.field(2).type) + " là où " +
                           typeName(key.type) + " est attendu ; le réglage garde sa valeur");
        continue;
      }
      const std::string_view value = decoded.field(2).text;
      if (value.size() > kLongestValueText) {
        refused_.push_back(quotedFileLine(line) + " : une valeur de " + std::to_string(value.size()) +
                           " caractères, plus qu'aucun nombre n'en demande (" + std::to_string(kLongestValueText) +
                           " au plus) ; le réglage garde sa valeur");
        continue;
      }
      // A volume or thickness beyond what the path's figures hold is refused as an entry is.
      if (key.most > 0 && !(std::fabs(*realOfField(value)) <= key.most)) {
        refused_.push_back(quotedFileLine(line) + " : au-delà de " + F2(key.most) + " " + key.unit +
                           ", les calculs du chemin n'en tiennent pas plus ; le réglage garde sa valeur");
        continue;
      }
      ++linesTaken_.taken;
      if (key.text) {
        settings_.*key.text = value;
      } else {
        const int number = *integerOfField(value);
        settings_.*key.integer = key.rollerPulses ? clampRollerPulses(number) : number;
      }
    }
  }
}

bool SettingsDocument::OpenSettings(bool ask, NameAsker* asker) {
  return openDocumentFile(name_, ask, asker, [this](const std::string& path, const std::vector<std::string>& lines) {
    NewSettings();
    name_.set(path);
    applyFileLines(lines);
    notifyMirrors();
    RefreshSettingsViews();
    // As read, also when the read broke off: the operator has changed nothing yet.
    markSaved();
    opened.emit();
  });
}

bool SettingsDocument::SaveSettings(bool ask, NameAsker* asker) {
  const bool saved =
      saveDocumentFile(name_, ask, asker, [this](const std::string& path) { return fileLines(path); });
  if (saved) markSaved();
  return saved;
}

void SettingsDocument::RefreshSettingsViews() {
  debitView_ = settings_.LitreM2;
  const float litres = settingValue(settings_.LitreM2);
  settings_.LitreM2 = F2(litres);
  // A thickness of 0 (only from a hand-made file) has no m²/litre: shown as 0.00.
  m2Litre_ = litres == 0.0f ? F2(0) : F2(1.0f / litres);
  micron_ = F1(10.0f * litres);

  float maxFlow = settingValue(settings_.MaxDebit);
  if (maxFlow < litres) {
    maxFlow = 2.0f * litres;
    settings_.MaxDebit = F2(maxFlow);
  }

  const auto dry = static_cast<float>(settings_.Roul);
  const float working = rollerPulsesAt(litres, maxFlow, settings_.Roul);
  charts_.rollerFlowAxisMax = maxFlow;
  charts_.rollerPulsesAxisMax = dry;
  charts_.theorique = {{0, dry}, {maxFlow, 0}};
  charts_.pratique = {{0, working}, {litres, working}, {litres, 0}};
  const float zero = settingValue(settings_.Zero);
  const float gain = settingValue(settings_.Gain);
  charts_.sortieAnalog = {{0, 0}, {0, zero}, {100, zero + gain}, {100, 100}};
}

int SettingsDocument::recommendedPulseM2() const {
  const float pulses = rollerPulsesAt(settingValue(settings_.LitreM2), settingValue(settings_.MaxDebit),
                                      settings_.Roul);
  return clampRollerPulses(Round(pulses));
}

void SettingsDocument::setP1trl(int pulses) {
  settings_.P1trl = pulses;
  notifyMirrors();
}

void SettingsDocument::setP2trl(int pulses) {
  settings_.P2trl = pulses;
  notifyMirrors();
}

void SettingsDocument::setRoul(int pulses) {
  settings_.Roul = clampRollerPulses(pulses);
  notifyMirrors();
  RefreshSettingsViews();
}

void SettingsDocument::setPulseM2(int pulses) {
  settings_.PulseM2 = clampRollerPulses(pulses);
  notifyMirrors();
  RefreshSettingsViews();
}

}  // namespace chromaflow
