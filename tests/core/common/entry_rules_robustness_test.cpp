// Every entry rule the core exposes, fed numbers at and around its bounds and text that is not
// a number: nothing is accepted that the rule refuses, and nothing crashes.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "core/control/pump_monitor.h"
#include "core/settings/settings_entry.h"
#include "support/control_rig.h"

namespace chromaflow {
namespace {

using Kind = EntryOutcome::Kind;

// The typed text as a number, read independently: a plain decimal number with a point (or a
// comma in its place) and an optional exponent, blanks before it (not after), finite in 32 bits.
std::optional<float> reference(std::string text) {
  if (const auto comma = text.find(','); comma != std::string::npos) {
    if (text.find_first_of(",.", comma + 1) != std::string::npos || text.rfind('.', comma) != std::string::npos)
      return std::nullopt;
    text[comma] = '.';
  }
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)) && std::string(" +-.eE").find(c) == std::string::npos)
      return std::nullopt;
  const char* begin = text.c_str();
  char* end = nullptr;
  const double d = std::strtod(begin, &end);
  if (end == begin) return std::nullopt;
  if (*end != '\0') return std::nullopt;
  const auto f = static_cast<float>(d);
  if (!std::isfinite(f)) return std::nullopt;
  return f;
}

// A rule as a range: [low, high] with open or closed ends, the bounds as written (the 32-bit
// value is compared with them); above `high` some rules take the bound instead of refusing.
struct Range {
  double low, high;
  bool lowOpen = false, highOpen = false, boundAbove = false;
  Kind expected(float typed) const {
    const double v = typed;
    const bool aboveLow = lowOpen ? v > low : v >= low;
    const bool belowHigh = highOpen ? v < high : v <= high;
    if (!aboveLow) return Kind::Refused;
    if (belowHigh) return Kind::Accepted;
    return boundAbove ? Kind::TakenToBound : Kind::Refused;
  }
};

constexpr float kHuge = std::numeric_limits<float>::max();

std::vector<std::string> inputsAround(std::initializer_list<double> bounds) {
  std::vector<std::string> inputs = {
      "", " ", "+", "-", ".", "e", "1,5", ",", ",5", "-0,5", "1,5e1", "7,5,1", "7.5,1", "1.5.", "5 x", "0x10", "$10", "1_0", "nan", "NaN", "-nan", "inf",
      "+inf", "-inf", "Infinity", "INF", "1e39", "-1e39", "1e400", "1e-50", "3.4e38", "-3.4e38", "0", "-0",
      "+0", " 1 ", " 1", "1 ", "+2.5", "1E1", "2.5e-1"};
  for (double written : bounds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", written);
    inputs.push_back(text);
    const auto b = static_cast<float>(written);
    for (float v : {b, std::nextafter(b, -kHuge), std::nextafter(b, kHuge), b - 0.01f, b + 0.01f, b - 1, b + 1}) {
      char text[64];
      std::snprintf(text, sizeof text, "%.9g", v);
      inputs.push_back(text);
    }
  }
  return inputs;
}

void check(const std::string& rule, const Range& range, const std::string& typed, const EntryOutcome& outcome) {
  const auto v = reference(typed);
  const Kind expected = v ? range.expected(*v) : Kind::Refused;
  EXPECT_EQ(static_cast<int>(outcome.kind), static_cast<int>(expected)) << rule << " '" << typed << "'";
  if (!outcome.refused()) {
    EXPECT_TRUE(reference(outcome.stored)) << rule << " stored '" << outcome.stored << "'";
  }
}

TEST(EntryRules, ACommaIsADecimalSeparatorInWhatIsTypedOnly) {
  float value = 0;
  EXPECT_TRUE(readEntryValue("7,5", value));
  EXPECT_EQ(value, 7.5f);
  for (const char* typed : {"7,5,1", "7.5,1", ",", "7,5 "}) EXPECT_FALSE(readEntryValue(typed, value)) << typed;
  // What the program keeps and its files write has a point: a comma there is no number.
  EXPECT_FALSE(readStoredValue("7,5", value));
  EXPECT_EQ(settingValue("7,5"), 0);
}

TEST(EntryRules, SettingsPanelsAndSpinFields) {
  std::setlocale(LC_ALL, "C");
  const MachineSettings settings;  // sensor 0..200
  const std::pair<SettingsPanel, Range> panels[] = {
      {SettingsPanel::EditRetard, {0, kMostHoseLitres}},
      {SettingsPanel::EditFiltre, {0, kMostHoseLitres}},
      {SettingsPanel::EditLitreM2, {0, kMostLitresPerSquareMetre, true}},
      {SettingsPanel::EditM2Litre, {1 / kMostLitresPerSquareMetre, kHuge}},
      {SettingsPanel::EditMicron, {0, 10 * kMostLitresPerSquareMetre, true}},
      {SettingsPanel::EditMaxDebit, {0.1, kHuge, true}},
      {SettingsPanel::Zero, {-10, 10}},
      {SettingsPanel::Gain, {0, 200, true}},
      {SettingsPanel::MinCapteur, {0, 200, false, true}},
      {SettingsPanel::MaxCapteur, {0, 400, true}},
      {SettingsPanel::PConsigne, {0, 200, true, false, true}},
      {SettingsPanel::PGain, {0, 255, true, false, true}},
      {SettingsPanel::PFreqMax, {1, 50}},
  };
  for (const auto& [panel, range] : panels)
    for (const std::string& typed : inputsAround({range.low, range.high}))
      check(panelPrompt(panel), range, typed, panelRule(panel, typed, settings));

  // Spin fields take integers only; the roller's are held in 1..200.
  for (const char* typed : {"", "abc", "2.5", "1e2", "nan", "+", "99999999999"})
    EXPECT_TRUE(spinRule(SettingsSpin::SpinEditRoul, typed).refused()) << typed;
  EXPECT_EQ(spinRule(SettingsSpin::SpinEditRoul, "201").stored, "200");
  EXPECT_EQ(spinRule(SettingsSpin::SpinEditPulseM2, "-5").stored, "1");
  EXPECT_EQ(spinRule(SettingsSpin::SpinEditP1trl, "-2147483648").stored, "-2147483648");
}

TEST(EntryRules, CorrectionParameters) {
  const std::pair<CorrectionParameter, Range> parameters[] = {
      {CorrectionParameter::PCorrectMin, {0, 1}},
      {CorrectionParameter::PCorrectMax, {0, 1}},
      {CorrectionParameter::PCorrectMaxPct, {0, 10}},
      {CorrectionParameter::CorrectPStop, {0, 10}},
  };
  for (const auto& [parameter, range] : parameters)
    for (const std::string& typed : inputsAround({range.low, range.high}))
      check(parameterPrompt(parameter), range, typed, parameterRule(parameter, typed));
}

TEST(EntryRules, DistanceLitresAndCalibrationOnTheMainWindow) {
  const Range nonNegative{0, kHuge};
  for (const std::string& typed : inputsAround({0, 1})) {
    testing::ControlRig rig;
    rig.wall(2, 10, {{"0.00", 50}});
    rig.session.hoseFullButton();
    rig.tick();
    rig.edge(7);
    rig.edge(3);
    check("distance", nonNegative, typed, rig.session.enterDistance(typed));
    EXPECT_TRUE(std::isfinite(rig.control.state().Distance) && rig.control.state().Distance >= 0);
    for (Pump pump : {Pump::P1, Pump::P2}) {
      const EntryOutcome outcome = rig.session.enterPumpLitres(pump, typed);
      if (outcome.failed())
        EXPECT_EQ(*reference(typed), 0) << typed;  // only 0 litres gives no rate
      else
        check("litres", nonNegative, typed, outcome);
    }
    const MachineSettings& s = rig.session.settings().settings();
    EXPECT_GE(s.P1trl, 0) << typed;
    rig.session.rollerButton();
    EXPECT_GE(s.PulseM2, 1);
    EXPECT_LE(s.PulseM2, 200);
  }
}

}  // namespace
}  // namespace chromaflow
