#pragma once
// The fifteen machine parameters. Integers are plain integers; each decimal setting is held as
// the text it is shown with (an entry stores its display form, a file its text as it stands),
// and every computation reads it back through that text as a 32-bit real.

#include <string>

namespace chromaflow {

struct MachineSettings {
  int P1trl = 220;                     // pump P1 pulses per litre
  int P2trl = 220;                     // pump P2 pulses per litre
  std::string Retard = "1.00";         // litres held by hose and roller
  std::string Filtre = "1.50";         // litres over which hose and roller mix the paint
  std::string LitreM2 = "0.14";        // paint thickness, litres per m²
  int Roul = 100;                      // roller pulses per m² turning dry
  std::string MaxDebit = "0.28";       // flow per m² at which the roller stops turning
  int PulseM2 = 50;                    // roller pulses per m² while painting
  std::string Zero = "5.0";            // analog output at proportion 0, % of full scale
  std::string Gain = "90.0";           // analog output span from proportion 0 to 100, %
  std::string MinCapteur = "0.0";      // pressure sensor range, bar
  std::string MaxCapteur = "200.0";
  std::string PConsigne = "100.0";     // spray-gun pressure setpoint, bar
  std::string PGain = "10.0";          // pressure regulation gain
  std::string PFreqMax = "20.0";       // highest gun pulse frequency, Hz (not in the file)
};

// The value of a setting's text as a 32-bit real. A text that does not read as a finite
// 32-bit real (only possible from a hand-made file) reads as 0, so that no later division
// sees an infinity.
float settingValue(const std::string& text);

// The largest volumes of the hose and roller, litres: their capacity (Retard) and their dilution
// volume (Filtre). The control works with one roller pulse's paint at a time, LitreM2 / PulseM2
// litres, at least 0.01 / 200 with the thinnest paint and the fastest roller: the hose fills by
// adding it, the mix in the roller moves by its share of the dilution volume. Against a volume of
// more than 2^24 such steps a step is lost in the rounding of a 32-bit real: the hose would never
// be seen full, the mix would never move. Below this bound the hose's paint as painted area and as
// path length beyond the wall, and the litres of the job, stay far within what 32 bits hold.
constexpr float kMostHoseLitres = 16777216.0f * 0.01f / 200.0f;  // 838.86 l
// The thickest paint, litres per m²: the hose's paint is laid over the area of m² per litre as
// shown with two decimals, which must stay above 0.00 (1 / 100 = 0.01).
constexpr float kMostLitresPerSquareMetre = 100;

constexpr int kRollerPulsesMin = 1;
constexpr int kRollerPulsesMax = 200;
int clampRollerPulses(long long pulses);

}  // namespace chromaflow
