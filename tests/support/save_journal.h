#pragma once
// A save journal's bytes as a save writes them (saving_together.cpp), for tests that lay one
// beside a job by hand: one a kill left, or one that no save of ours ever wrote.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace chromaflow::testing {

// FNV-1a over 64 bits, as a save journal sums a file's new bytes.
inline std::uint64_t journalChecksum(const std::string& bytes) {
  std::uint64_t sum = 0xcbf29ce484222325ULL;
  for (const char c : bytes) sum = (sum ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  return sum;
}

// One file of a save journal: its name as the journal writes it (alone beside the journal,
// else whole), its copies' names beside it (empty old copy: none) and the bytes it is said to
// hold once saved.
struct JournalFile {
  std::string target, newCopy, oldCopy, bytes;
};

inline std::string journalBytes(const std::vector<JournalFile>& files) {
  using namespace std::string_literals;
  std::string out = "chromaflow-saving 1\0"s + std::to_string(files.size()) + '\0';
  for (const JournalFile& file : files) {
    char sum[17];
    std::snprintf(sum, sizeof sum, "%016llx", static_cast<unsigned long long>(journalChecksum(file.bytes)));
    for (const std::string& field : {file.target, file.newCopy, file.oldCopy, std::to_string(file.bytes.size()), std::string(sum)})
      out += field + '\0';
  }
  return out;
}

}  // namespace chromaflow::testing
