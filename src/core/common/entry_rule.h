#pragma once
// What an entry rule makes of a value the operator typed: refused, accepted as given, taken to
// the nearer bound, or written but failed (the operator is then told why); with the text to
// store in the value's display form.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace chromaflow {

struct EntryOutcome {
  enum class Kind { Refused, Accepted, TakenToBound, Failed };
  Kind kind = Kind::Refused;
  std::string stored;  // empty when refused
  std::string error;   // when failed: the message for the operator

  bool refused() const { return kind == Kind::Refused; }
  bool failed() const { return kind == Kind::Failed; }
  static EntryOutcome refuse() { return {}; }
  static EntryOutcome accept(std::string text) { return {Kind::Accepted, std::move(text), {}}; }
  static EntryOutcome bound(std::string text) { return {Kind::TakenToBound, std::move(text), {}}; }
  static EntryOutcome fail(std::string text, std::string error) {
    return {Kind::Failed, std::move(text), std::move(error)};
  }
};

// No number the program reads needs more characters than this: a longer text, typed or read
// from a file, is refused rather than carried (a setting's text is read again at every tick).
inline constexpr std::size_t kLongestValueText = 64;

// A typed number with a comma for its decimal separator, as the operator's French keyboard
// gives it, rewritten with a point: "7,5" gives "7.5". A text without a comma comes back as it
// is; one whose comma cannot be a decimal separator (a second comma, or a point as well) gives
// nothing. Only for what is typed: the files keep the point.
std::optional<std::string> withDecimalPoint(std::string_view typed);

// The typed text as a finite 32-bit real, the way the entry dialog reads it: a point or a comma
// as separator, blanks allowed before the number but not after it, the whole text a number.
// Nothing otherwise, nor for a text longer than kLongestValueText.
bool readEntryValue(const std::string& typed, float& value);

// A value as the program stores it and its files write it: the same, with a point only.
bool readStoredValue(const std::string& text, float& value);

}  // namespace chromaflow
