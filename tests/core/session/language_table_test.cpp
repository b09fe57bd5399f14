#include "core/session/language_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace chromaflow {
namespace {

std::string textOf(const std::vector<LabelAssignment>& assignments, const std::string& control,
                   LabelProperty property) {
  for (const auto& a : assignments)
    if (a.control == control && a.property == property) return a.text;
  return "<none>";
}

TEST(LanguageTable, HasSeventyRowsWithTheLanguagesNamesFirst) {
  EXPECT_STREQ(LanguageTable[0].texts[0], "Français");
  EXPECT_STREQ(LanguageTable[0].texts[3], "Allemand");
  EXPECT_STREQ(LanguageTable[39].controls[0], "MIPaintingapplicationtest");
  EXPECT_STREQ(LanguageTable[39].texts[1], "Test Chromaflow ");  // its trailing blank
  EXPECT_STREQ(LanguageTable[52].controls[1], "LLitres2");
  EXPECT_STREQ(LanguageTable[60].controls[1], "Lmetres2");
  EXPECT_STREQ(LanguageTable[63].controls[0], "LProportions");
  for (int r = 64; r < kLanguageRows; ++r) EXPECT_EQ(LanguageTable[r].controls[0], nullptr);
  for (int r : {2, 18, 20, 22, 24, 38, 40, 42}) {
    EXPECT_EQ(LanguageTable[r].property, LabelProperty::Hint) << r;
    for (const char* text : LanguageTable[r].texts) EXPECT_STREQ(text, "") << r;
  }
  // Captions and hints alternate for the menus, then the labels are captions only.
  EXPECT_EQ(LanguageTable[21].property, LabelProperty::Caption);
  EXPECT_EQ(LanguageTable[44].property, LabelProperty::Hint);
  EXPECT_EQ(LanguageTable[57].property, LabelProperty::Caption);
}

TEST(ApplyLanguage, SetsEveryRowsControlsInOrder) {
  const auto english = ApplyLanguage(2);
  EXPECT_EQ(english.size(), 65u);  // 63 rows, two of them for two controls
  EXPECT_EQ(english.front(), (LabelAssignment{"MIProject", LabelProperty::Caption, "Project"}));
  EXPECT_EQ(textOf(english, "MIHelpAboutItem", LabelProperty::Hint), "Show program information");
  EXPECT_EQ(textOf(english, "MIHelpMenu", LabelProperty::Caption), "?");
  EXPECT_EQ(textOf(english, "MIHelpMenu", LabelProperty::Hint), "Help");
  EXPECT_EQ(textOf(english, "GBEffectue", LabelProperty::Caption), "Executed");
  EXPECT_EQ(textOf(english, "LLitres2", LabelProperty::Caption), "liters");
  for (int n : {1, 3, 4}) EXPECT_EQ(textOf(ApplyLanguage(n), "MIHelpAboutItem", LabelProperty::Hint), "") << n;

  const auto french = ApplyLanguage(1);
  EXPECT_EQ(textOf(french, "MIOpen", LabelProperty::Caption), "Ouvrir");
  EXPECT_EQ(textOf(french, "LProportions", LabelProperty::Caption), "Proportion");
  EXPECT_EQ(textOf(french, "LProportions2", LabelProperty::Caption), "Proportions");
  EXPECT_EQ(textOf(ApplyLanguage(4), "RBStop", LabelProperty::Caption), "Halt");
  EXPECT_TRUE(ApplyLanguage(0).empty());
  EXPECT_TRUE(ApplyLanguage(5).empty());
}

}  // namespace
}  // namespace chromaflow
