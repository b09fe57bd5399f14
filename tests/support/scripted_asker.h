#pragma once
// A fake operator for the tests: answers given in advance, questions and messages kept.

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/common/asker.h"

namespace chromaflow::testing {

// The operator's answers, given in advance: the open and save dialogs, the value entry dialog,
// the question to save changes and the yes/no questions answer from queues (an empty queue,
// nullopt, is "Annuler" or "Non"); questions, warnings and errors are kept for the test to read.
class ScriptedAsker : public Asker {
 public:
  std::deque<std::optional<std::string>> openAnswers, saveAnswers, values;
  std::vector<std::pair<DocumentKind, std::string>> openAsked, saveAsked;
  std::vector<std::pair<std::string, std::string>> valueQuestions;  // caption, pre-filled text
  std::deque<SaveChoice> saveChoices;
  std::deque<bool> confirmations;
  // The answers to "NOM a été modifié par un autre programme..." (none left: "Annuler").
  std::deque<ChangedFileChoice> changedFileChoices;
  std::vector<std::string> changedFileAsked;
  std::vector<std::string> saveChangesAsked;  // the document's name, as the question says it
  std::vector<std::string> confirmAsked;
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
  SaveChoice askSaveChanges(const std::string& documentName) override {
    saveChangesAsked.push_back(documentName);
    met.push_back("save changes: " + documentName);
    return take(saveChoices, SaveChoice::Cancel);
  }
  bool confirm(const std::string& question) override {
    confirmAsked.push_back(question);
    return take(confirmations, false);
  }
  void explainBeforeAsking(const std::string& text) override { met.push_back("explained: " + text); }
  ChangedFileChoice askOverwriteChanged(const std::string& question) override {
    changedFileAsked.push_back(question);
    met.push_back("changed: " + question);
    return take(changedFileChoices, ChangedFileChoice::Cancel);
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
  template <typename Answer>
  static Answer take(std::deque<Answer>& answers, Answer unanswered) {
    if (answers.empty()) return unanswered;
    Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace chromaflow::testing
