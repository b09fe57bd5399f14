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
#include <string>
#include <vector>

#include "common/asker.h"

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

// The operator's answers, given in advance: the open and save dialogs and the value entry dialog
// answer from queues (an empty queue or nullopt is "Annuler"); warnings and errors are kept for
// the test to read.
class ScriptedAsker : public Asker {
 public:
  std::deque<std::optional<std::string>> openAnswers, saveAnswers, values;
  std::vector<std::pair<DocumentKind, std::string>> openAsked, saveAsked;
  std::vector<std::pair<std::string, std::string>> valueQuestions;  // caption, pre-filled text
  std::vector<std::string> warnings, errors;

  std::optional<std::string> askOpenName(DocumentKind kind, const std::string& current) override {
    openAsked.emplace_back(kind, current);
    return next(openAnswers);
  }
  std::optional<std::string> askSaveName(DocumentKind kind, const std::string& current) override {
    saveAsked.emplace_back(kind, current);
    return next(saveAnswers);
  }
  std::optional<std::string> askValue(const std::string& caption, const std::string& text) override {
    valueQuestions.emplace_back(caption, text);
    return next(values);
  }
  void warn(const std::string& text) override { warnings.push_back(text); }
  void showError(const std::string& text) override { errors.push_back(text); }

 private:
  static std::optional<std::string> next(std::deque<std::optional<std::string>>& answers) {
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace chromaflow::testing
