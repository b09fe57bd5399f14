#pragma once
// The unit choice of the settings window's "Epaisseur de peinture" tab: three radio buttons,
// "litres/m2", "m2/litre" and "micron", each beside the value panel of its view of LitreM2.
// Until the operator chooses, "litres/m2" is checked and the two other panels show grey text
// but can still be clicked; after a choice only the chosen panel can be clicked.

#include <cstdint>

namespace chromaflow {

enum class ThicknessUnit { LitresPerM2, M2PerLitre, Micron };  // EditLitreM2, EditM2Litre, EditMicron

// The grey of a panel's text whose unit is not the chosen one, R + 256 G + 65536 B.
constexpr std::uint32_t kGreyText = 128u + 256u * 128u + 65536u * 128u;

struct UnitPanelState {
  bool enabled = true;
  bool greyText = false;  // grey (kGreyText), else the normal window text colour
};

class ThicknessUnitChoice {
 public:
  // The radio button that is checked.
  ThicknessUnit checked() const { return checked_; }
  bool chosen() const { return chosen_; }

  // The operator clicked one of the radio buttons.
  void choose(ThicknessUnit unit);

  UnitPanelState panel(ThicknessUnit unit) const;

 private:
  ThicknessUnit checked_ = ThicknessUnit::LitresPerM2;
  bool chosen_ = false;
};

}  // namespace chromaflow
