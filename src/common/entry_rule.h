#pragma once
// What an entry rule makes of a value the operator typed: refused, accepted as given, or taken
// to the nearer bound; with the text to store in the value's display form.

#include <string>

namespace chromaflow {

struct EntryOutcome {
  enum class Kind { Refused, Accepted, TakenToBound };
  Kind kind = Kind::Refused;
  std::string stored;  // empty when refused

  bool refused() const { return kind == Kind::Refused; }
  static EntryOutcome refuse() { return {}; }
  static EntryOutcome accept(std::string text) { return {Kind::Accepted, std::move(text)}; }
  static EntryOutcome bound(std::string text) { return {Kind::TakenToBound, std::move(text)}; }
};

// The typed text as a finite 32-bit real, the way the entry dialog reads it (a point as
// separator, the whole text a number); nothing otherwise.
bool readEntryValue(const std::string& typed, float& value);

}  // namespace chromaflow
