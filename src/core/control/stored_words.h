#pragma once
// The texts the job history keeps (a job record, a verdict): numbers written in their shortest
// form that reads back to the same bits, and read back word by word from any bytes. Any fault
// throws StoredRecordError naming what was read and why, in French.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/control/job_record.h"

namespace chromaflow {

template <typename T>
void putNumber(std::string& out, T value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

class StoredWords {
 public:
  // `what`: the kept text's name as the message says it, "Relevé de chantier".
  StoredWords(std::string_view bytes, std::string what) : bytes_(bytes), what_(std::move(what)) {}

  std::string_view next() {
    const auto [start, end] = wordAt(bytes_, at_);
    at_ = end;
    if (start == end) fail("il s'arrête avant sa fin");
    return bytes_.substr(start, end - start);
  }
  void expect(std::string_view word) {
    if (next() != word) fail("« " + std::string(word) + " » manque");
  }
  template <typename T>
  T number() {
    const std::string_view word = next();
    T value{};
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
    if (result.ec != std::errc() || result.ptr != word.data() + word.size())
      fail("« " + std::string(word.substr(0, 24)) + " » n'est pas un nombre");
    return value;
  }
  // A count of items each taking at least `bytesEach` of what is left, and at most `most`.
  std::size_t count(std::size_t bytesEach, std::size_t most = std::numeric_limits<std::size_t>::max()) {
    return count(bytesEach, most,
                 [](unsigned long long) { return std::string("un nombre d'éléments hors de ses limites"); });
  }
  // The same, a count of items that are all there but more than `most` refused with what
  // `tooMany(count)` says: more than this program keeps, rather than bytes that hold no count.
  template <typename TooMany>
  std::size_t count(std::size_t bytesEach, std::size_t most, TooMany tooMany) {
    const auto n = number<unsigned long long>();
    if (n > (bytes_.size() - at_) / bytesEach) fail("un nombre d'éléments hors de ses limites");
    if (n > most) fail(tooMany(n));
    return static_cast<std::size_t>(n);
  }
  // A number, or "-" for none.
  std::optional<std::uint64_t> optional() {
    const std::string_view word = next();
    if (word == "-") return std::nullopt;
    at_ -= word.size();
    return number<std::uint64_t>();
  }
  bool flag() {
    const auto v = number<int>();
    if (v != 0 && v != 1) fail("un indicateur n'est ni 0 ni 1");
    return v == 1;
  }
  bool atEnd() {
    at_ = wordAt(bytes_, at_).first;
    return at_ == bytes_.size();
  }
  [[noreturn]] void fail(const std::string& why) const { throw StoredRecordError(what_ + " illisible : " + why + "."); }

 private:
  // Where the word at or after `at` starts and ends: spaces and line ends skipped, then up to the
  // next one. Out of line, so that the fuzzing build leaves it without coverage
  // (fuzz/coverage_ignore.txt): a kept record is thousands of words, and telling a blank from
  // another byte teaches the fuzzer nothing of what the words mean.
  static std::pair<std::size_t, std::size_t> wordAt(std::string_view bytes, std::size_t at);

  std::string_view bytes_;
  std::string what_;
  std::size_t at_ = 0;
};

}  // namespace chromaflow
