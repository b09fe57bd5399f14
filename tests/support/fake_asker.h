#pragma once
// The operator's answers, given in advance: file names and values are taken from queues (an
// empty queue answers "Annuler"); warnings and errors are kept for the test to read.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/asker.h"

namespace chromaflow::testing {

class FakeAsker : public Asker {
 public:
  std::deque<std::optional<std::string>> names;   // for open and save dialogs, in turn
  std::deque<std::optional<std::string>> values;  // for the value entry dialog
  std::vector<std::string> nameQuestions;         // "open <current>" / "save <current>"
  std::vector<std::pair<std::string, std::string>> valueQuestions;  // caption, pre-filled text
  std::vector<std::string> warnings, errors;

  std::optional<std::string> askOpenName(DocumentKind, const std::string& current) override {
    nameQuestions.push_back("open " + current);
    return next(names);
  }
  std::optional<std::string> askSaveName(DocumentKind, const std::string& current) override {
    nameQuestions.push_back("save " + current);
    return next(names);
  }
  std::optional<std::string> askValue(const std::string& caption, const std::string& text) override {
    valueQuestions.emplace_back(caption, text);
    return next(values);
  }
  void warn(const std::string& text) override { warnings.push_back(text); }
  void showError(const std::string& text) override { errors.push_back(text); }

 private:
  static std::optional<std::string> next(std::deque<std::optional<std::string>>& queue) {
    if (queue.empty()) return std::nullopt;
    auto answer = queue.front();
    queue.pop_front();
    return answer;
  }
};

}  // namespace chromaflow::testing
