#pragma once
// A fake operator for the tests: answers given in advance, questions and messages kept.

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/common/asker.h"

namespace chromaflow::testing {

// The operator's answers, given in advance: the open and save dialogs and the value entry dialog
// answer from queues (an empty queue or nullopt is "Annuler"); warnings and errors are kept for
// the test to read.
class ScriptedAsker : public Asker {
 public:
  std::deque<std::optional<std::string>> openAnswers, saveAnswers, values;
  std::vector<std::pair<DocumentKind, std::string>> openAsked, saveAsked;
  std::vector<std::pair<std::string, std::string>> valueQuestions;  // caption, pre-filled text
  std::vector<std::string> warnings, errors;
  // Explanations and questions in the order the operator met them ("explained: ...", "open: ...").
  std::vector<std::string> met;

  std::optional<std::string> askOpenName(DocumentKind kind, const std::string& current) override {
    openAsked.emplace_back(kind, current);
    met.push_back("open: " + current);
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
  void explainBeforeAsking(const std::string& text) override { met.push_back("explained: " + text); }
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
