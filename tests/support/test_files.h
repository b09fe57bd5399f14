#pragma once
// Helpers for tests that touch files: a fresh folder per test, whole-file reads and writes of
// raw bytes, and a name asker that answers from a script.

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/scripted_asker.h"

namespace chromaflow::testing {

class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::path(::testing::TempDir()) /
            ("chromaflow-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

// The cells of a CSV row written with a plain comma (no quoting), a trailing empty cell included.
inline std::vector<std::string> csvCells(const std::string& line) {
  std::vector<std::string> row;
  std::stringstream in(line);
  for (std::string cell; std::getline(in, cell, ',');) row.push_back(cell);
  if (!line.empty() && line.back() == ',') row.emplace_back();
  return row;
}

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every entry of a folder with its bytes ("<folder>" for a folder), to compare a folder before
// and after an operation.
inline std::map<std::string, std::string> folderContents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    contents[entry.path().filename().string()] = entry.is_directory() ? "<folder>" : readBytes(entry.path().string());
  return contents;
}
inline std::map<std::string, std::string> folderContents(const TempDir& dir) { return folderContents(dir.path()); }

// A fresh folder inside a test's folder, for a test that needs several.
inline std::string freshFolder(const TempDir& dir, const std::string& name) {
  std::filesystem::remove_all(dir.file(name));
  std::filesystem::create_directories(dir.file(name));
  return dir.file(name) + "/";
}

// Lines joined with CR LF, each line ended.
inline std::string crlf(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\r\n";
  return bytes;
}

}  // namespace chromaflow::testing
