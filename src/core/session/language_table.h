#pragma once
// The main window's texts in French, English, Dutch and German: 70 rows, each for one or two
// controls and one property (the caption, or the hint shown in the status bar).

#include <array>
#include <string>
#include <vector>

namespace chromaflow {

enum class LabelProperty { None, Caption, Hint };

struct LanguageRow {
  std::array<const char*, 2> controls;  // the second is null unless the row serves two controls
  LabelProperty property;
  std::array<const char*, 4> texts;     // languages 1 French, 2 English, 3 Dutch, 4 German
};

constexpr int kLanguageRows = 70;
extern const std::array<LanguageRow, kLanguageRows> LanguageTable;

struct LabelAssignment {
  std::string control;
  LabelProperty property;
  std::string text;
  bool operator==(const LabelAssignment&) const = default;
};

// What relabelling the main window in language n (1..4) sets, in row order; nothing for any
// other n.
std::vector<LabelAssignment> ApplyLanguage(int n);

}  // namespace chromaflow
