#include "core/settings/settings_document.h"

#include <gtest/gtest.h>

#include "core/common/text_file.h"
#include "core/settings/settings_entry.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::crlf;
using testing::readBytes;
using testing::ScriptedAsker;
using testing::TempDir;
using testing::writeBytes;

const std::vector<std::string> kDefaultBody = {
    "Pompe P1(trs/l)=220", "Pompe P2(trs/l)=220", "Retard(l)=1.00", "Filtre(l)=1.50",
    "Epaisseur peinture(l/m2)=0.14", "Rouleau(Pulses/m2) sec=100",
    "Limite sur rotation rouleau(l/m2)=0.28", "Rouleau(Pulses/m2) s\xE9lection=50",
    "Analog ouput: Zero (%)=5.0", "Analog ouput: Gain (%)=90.0", "Analog input: P Capteur Min (bar)=0.0",
    "Analog input: P Capteur Max (bar)=200.0", "Analog input: P Consigne (bar)=100.0", "Analog input: Gain=10.0"};

std::string defaultFile(const std::string& name) {
  std::vector<std::string> lines{"Chromaflow Velmora - Settings: " + name};
  lines.insert(lines.end(), kDefaultBody.begin(), kDefaultBody.end());
  return crlf(lines);
}

struct SettingsFixture : ::testing::Test {
  TempDir dir;
  ScriptedAsker asker;
  SettingsDocument document;
  int mirrorChanges = 0;
  int redraws = 0;
  Subscription mirrors = document.mirrorsChanged.subscribe([this] { ++mirrorChanges; });
  Subscription opened = document.opened.subscribe([this] { ++redraws; });

  void open(const std::string& bytes) {
    const std::string path = dir.file("machine.sev");
    writeBytes(path, bytes);
    asker.openAnswers.push_back(path);
    document.OpenSettings(true, &asker);
  }
};

TEST_F(SettingsFixture, StartsWithTheDefaultsAndItsOwnTitle) {
  EXPECT_EQ(document.name().current(), "Noname");
  EXPECT_EQ(document.name().title(), "Propriétés - Noname1.sev");
  EXPECT_EQ(document.M2Litre(), "7.14");
  EXPECT_EQ(document.Micron(), "1.4");
  document.NewSettings();
  EXPECT_EQ(document.name().title(), "Propriétés - Noname.sev");
}

TEST_F(SettingsFixture, DefaultFileIsWrittenByteForByte) {
  asker.saveAnswers.push_back(dir.file("machine.sev"));
  document.SaveSettings(false, &asker);  // "Noname": asks
  ASSERT_EQ(asker.saveAsked.size(), 1u);
  EXPECT_EQ(readBytes(dir.file("machine.sev")), defaultFile("machine.sev"));
  EXPECT_EQ(document.name().title(), "Propriétés - machine.sev");
  document.SaveSettings(false, &asker);  // a real name now: no question
  EXPECT_EQ(asker.saveAsked.size(), 1u);
}

TEST_F(SettingsFixture, CancelledOrMissingFilesChangeNothing) {
  document.enterPanel(SettingsPanel::EditRetard, "3.00");
  document.OpenSettings(true, &asker);  // cancelled
  asker.openAnswers.push_back(dir.file("nowhere.sev"));
  document.OpenSettings(true, &asker);
  EXPECT_EQ(document.settings().Retard, "3.00");
  EXPECT_EQ(redraws, 0);
  document.SaveSettings(true, &asker);  // cancelled
  EXPECT_TRUE(dir.entries().empty());
}

TEST_F(SettingsFixture, ReadsHandWrittenFilesAsTheyStand) {
  open(crlf({"Retard(l)=1", "Filtre(l)=2.5", "Epaisseur peinture(l/m2)=0.140", "Rouleau(Pulses/m2) sec=500",
             "Rouleau(Pulses/m2) s\xE9lection=0", "Retard(l) = 9.99", "Pompe P1(trs/l)=1.5",
             "Pompe P2(trs/l)=$FF", "unknown=1", "", "Analog input: Gain=12.0",
             "Analog input: Gain=13.0"}));
  const MachineSettings& s = document.settings();
  EXPECT_EQ(s.Retard, "1.00");   // an integer is not a real: the default stays
  EXPECT_EQ(s.Filtre, "2.5");    // kept as it stands
  EXPECT_EQ(s.LitreM2, "0.14");  // the refresh rewrites the thickness in F2
  EXPECT_EQ(document.debitView(), "0.140");
  EXPECT_EQ(s.Roul, 200);
  EXPECT_EQ(s.PulseM2, 1);
  EXPECT_EQ(s.P1trl, 220);
  EXPECT_EQ(s.P2trl, 255);
  EXPECT_EQ(s.PGain, "13.0");    // the last of two
  EXPECT_EQ(redraws, 1);
  EXPECT_GE(mirrorChanges, 1);

  document.SaveSettings(false, &asker);
  const std::string saved = readBytes(dir.file("machine.sev"));
  EXPECT_NE(saved.find("Filtre(l)=2.5\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Epaisseur peinture(l/m2)=0.14\r\n"), std::string::npos);
}

TEST_F(SettingsFixture, AValueLongerThanAnyNumberIsRefusedAndNamedShortly) {
  // "1." and ten thousand zeros: a number, but read again at every tick it would stall the cycle.
  const std::string longValue = "1." + std::string(10000, '0');
  const std::string longest = "2." + std::string(kLongestValueText - 2, '5');
  open(crlf({"Retard(l)=" + longValue, "Filtre(l)=" + longest, "Pompe P1(trs/l)=" + std::string(5000, '7')}));
  EXPECT_EQ(document.settings().Retard, "1.00");
  EXPECT_EQ(document.settings().Filtre, longest);
  EXPECT_EQ(document.settings().P1trl, 220);
  ASSERT_EQ(document.refusedFileValues().size(), 2u);
  const std::string& refusal = document.refusedFileValues()[0];
  EXPECT_EQ(refusal, "\"Retard(l)=1." + std::string(48, '0') + "…\" : une valeur de 10002 caractères, plus "
                     "qu'aucun nombre n'en demande (64 au plus) ; le réglage garde sa valeur");
  // Typed in an entry, the same text is refused.
  float value = 0;
  EXPECT_FALSE(readEntryValue(longValue, value));
  EXPECT_TRUE(readEntryValue(longest, value));
}

TEST_F(SettingsFixture, KeysInAnyOrderGiveTheSameSettings) {
  std::vector<std::string> reversed(kDefaultBody.rbegin(), kDefaultBody.rend());
  reversed[0] = "Analog input: Gain=42.0";
  open(crlf(reversed));
  EXPECT_EQ(document.settings().PGain, "42.0");
  EXPECT_EQ(document.settings().PulseM2, 50);
  asker.saveAnswers.push_back(dir.file("again.sev"));
  document.SaveSettings(true, &asker);
  std::string expected = defaultFile("again.sev");
  expected.replace(expected.find("Gain=10.0"), 9, "Gain=42.0");
  EXPECT_EQ(readBytes(dir.file("again.sev")), expected);
}

TEST_F(SettingsFixture, WriteReadWriteGivesTheSameBytes) {
  document.applyFileLines({"Filtre(l)=2.5"});
  document.setP1trl(-3);
  document.enterPanel(SettingsPanel::Zero, "-10.0");
  asker.saveAnswers.push_back(dir.file("one.sev"));
  document.SaveSettings(true, &asker);
  SettingsDocument other;
  asker.openAnswers.push_back(dir.file("one.sev"));
  other.OpenSettings(true, &asker);
  other.name().set(dir.file("two.sev"));
  other.SaveSettings(false, &asker);
  std::string first = readBytes(dir.file("one.sev")), second = readBytes(dir.file("two.sev"));
  EXPECT_EQ(first.substr(first.find("\r\n")), second.substr(second.find("\r\n")));
}

TEST_F(SettingsFixture, OpenResetsToDefaultsButKeepsTheFrequency) {
  document.enterPanel(SettingsPanel::PFreqMax, "35");
  document.enterPanel(SettingsPanel::EditRetard, "7.00");
  open(crlf({"Filtre(l)=2.00"}));
  EXPECT_EQ(document.settings().Retard, "1.00");
  EXPECT_EQ(document.settings().PFreqMax, "35.0");
  document.NewSettings();
  EXPECT_EQ(document.settings().PFreqMax, "35.0");
  document.SaveSettings(false, nullptr);  // "Noname.sev" and nobody to ask: nothing written
  document.name().set(dir.file("kept.sev"));
  document.SaveSettings(false, nullptr);
  const std::string saved = readBytes(dir.file("kept.sev"));
  EXPECT_EQ(saved.find("35"), std::string::npos);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 15);
}

TEST_F(SettingsFixture, RefreshRaisesTheHighestFlowAndBuildsTheCharts) {
  open(crlf({"Limite sur rotation rouleau(l/m2)=0.10", "Epaisseur peinture(l/m2)=0.14"}));
  EXPECT_EQ(document.settings().MaxDebit, "0.28");
  const SettingsCharts& charts = document.charts();
  EXPECT_EQ(charts.theorique, (std::vector<ChartPoint>{{0, 100}, {0.28f, 0}}));
  EXPECT_EQ(charts.pratique, (std::vector<ChartPoint>{{0, 50}, {0.14f, 50}, {0.14f, 0}}));
  EXPECT_EQ(charts.sortieAnalog, (std::vector<ChartPoint>{{0, 0}, {0, 5}, {100, 95}, {100, 100}}));
  EXPECT_FLOAT_EQ(charts.rollerFlowAxisMax, 0.28f);
}

TEST_F(SettingsFixture, ThicknessZeroFromAFileHasNoSquareMetresPerLitre) {
  open(crlf({"Epaisseur peinture(l/m2)=0.0", "Limite sur rotation rouleau(l/m2)=0.0"}));
  EXPECT_EQ(document.M2Litre(), "0.00");
  EXPECT_EQ(document.Micron(), "0.0");
  EXPECT_EQ(document.recommendedPulseM2(), 100);  // without a highest flow the roller turns as dry
  open(crlf({"Epaisseur peinture(l/m2)=1e39"}));   // beyond the thickest: refused, the default stays
  EXPECT_EQ(document.M2Litre(), "7.14");
}

TEST_F(SettingsFixture, RollerPresetRoundsAndStaysInRange) {
  document.presetPulseM2();
  EXPECT_EQ(document.settings().PulseM2, 50);
  document.enterPanel(SettingsPanel::EditLitreM2, "0.28");
  document.presetPulseM2();
  EXPECT_EQ(document.settings().PulseM2, 1);
}

TEST(SettingsEntry, PanelRulesRefuseAcceptOrTakeTheBound) {
  MachineSettings settings;
  using K = EntryOutcome::Kind;
  struct Case {
    SettingsPanel panel;
    const char* typed;
    K kind;
    const char* stored;
  };
  const Case cases[] = {
      {SettingsPanel::EditRetard, "0", K::Accepted, "0.00"},
      {SettingsPanel::EditRetard, "-0.01", K::Refused, ""},
      {SettingsPanel::EditFiltre, "2,5", K::Accepted, "2.50"},
      {SettingsPanel::EditFiltre, "2,5,1", K::Refused, ""},
      {SettingsPanel::EditLitreM2, "0", K::Refused, ""},
      {SettingsPanel::EditLitreM2, "0.145", K::Accepted, "0.14"},
      {SettingsPanel::EditM2Litre, "7", K::Accepted, "0.14"},
      {SettingsPanel::EditMicron, "25", K::Accepted, "2.50"},
      {SettingsPanel::EditMaxDebit, "0.05", K::Refused, ""},
      {SettingsPanel::EditMaxDebit, "0.1", K::Accepted, "0.10"},  // the 32-bit 0.1 lies above 0.1
      {SettingsPanel::EditMaxDebit, "0.0999999", K::Refused, ""},
      {SettingsPanel::EditMaxDebit, "0.2", K::Accepted, "0.20"},
      {SettingsPanel::Zero, "12", K::Refused, ""},
      {SettingsPanel::Zero, "-10", K::Accepted, "-10.0"},
      {SettingsPanel::Zero, "10", K::Accepted, "10.0"},
      {SettingsPanel::Gain, "0", K::Refused, ""},
      {SettingsPanel::Gain, "200", K::Accepted, "200.0"},
      {SettingsPanel::Gain, "200.01", K::Refused, ""},
      {SettingsPanel::MinCapteur, "200", K::Refused, ""},
      {SettingsPanel::MinCapteur, "199.9", K::Accepted, "199.9"},
      {SettingsPanel::MaxCapteur, "350", K::Accepted, "350.0"},
      {SettingsPanel::MaxCapteur, "401", K::Refused, ""},
      {SettingsPanel::MaxCapteur, "0", K::Refused, ""},
      {SettingsPanel::PConsigne, "300", K::TakenToBound, "200.0"},
      {SettingsPanel::PConsigne, "0", K::Refused, ""},
      {SettingsPanel::PGain, "1000", K::TakenToBound, "255.0"},
      {SettingsPanel::PFreqMax, "0.5", K::Refused, ""},
      {SettingsPanel::PFreqMax, "50", K::Accepted, "50.0"},
      {SettingsPanel::EditRetard, "1e39", K::Refused, ""},
      {SettingsPanel::EditRetard, "", K::Refused, ""},
      {SettingsPanel::EditRetard, " 2", K::Accepted, "2.00"},  // blanks before the number only
      {SettingsPanel::EditRetard, "2 ", K::Refused, ""},
  };
  for (const Case& c : cases) {
    const EntryOutcome outcome = panelRule(c.panel, c.typed, settings);
    EXPECT_EQ(outcome.kind, c.kind) << panelPrompt(c.panel) << " " << c.typed;
    EXPECT_EQ(outcome.stored, c.stored) << panelPrompt(c.panel) << " " << c.typed;
  }
}

TEST(SettingsEntry, ThicknessViewsFollowTheRoundedLitres) {
  SettingsDocument document;
  document.enterPanel(SettingsPanel::EditM2Litre, "7");
  EXPECT_EQ(document.settings().LitreM2, "0.14");
  EXPECT_EQ(document.M2Litre(), "7.14");
  EXPECT_EQ(document.Micron(), "1.4");
  document.enterPanel(SettingsPanel::EditMicron, "25");
  EXPECT_EQ(document.M2Litre(), "0.40");
  document.enterPanel(SettingsPanel::EditLitreM2, "0.14");
  EXPECT_EQ(document.settings().MaxDebit, "5.00");  // raised to twice 2.50 on the way
  document.enterPanel(SettingsPanel::EditMaxDebit, "0.12");
  EXPECT_EQ(document.settings().MaxDebit, "0.28");
  document.enterPanel(SettingsPanel::Zero, "-10");
  EXPECT_EQ(document.charts().sortieAnalog[1], (ChartPoint{0, -10}));
  EXPECT_EQ(panelText(document, SettingsPanel::EditMicron), "1.4");
  EXPECT_TRUE(document.enterPanel(SettingsPanel::Zero, "abc").refused());
  EXPECT_EQ(document.settings().Zero, "-10.0");
}

TEST(SettingsEntry, SpinFieldsKeepRollerPulsesInRange) {
  SettingsDocument document;
  int mirrors = 0;
  Subscription counting = document.mirrorsChanged.subscribe([&] { ++mirrors; });
  EXPECT_EQ(document.enterSpin(SettingsSpin::SpinEditRoul, "500").kind, EntryOutcome::Kind::TakenToBound);
  EXPECT_EQ(document.settings().Roul, 200);
  EXPECT_EQ(document.charts().rollerPulsesAxisMax, 200);
  EXPECT_EQ(document.enterSpin(SettingsSpin::SpinEditPulseM2, "0").stored, "1");
  EXPECT_EQ(document.enterSpin(SettingsSpin::SpinEditP1trl, "-40").stored, "-40");
  EXPECT_TRUE(document.enterSpin(SettingsSpin::SpinEditP2trl, "2.5").refused());
  EXPECT_EQ(document.settings().P2trl, 220);
  EXPECT_EQ(mirrors, 3);
}

}  // namespace
}  // namespace chromaflow
