#pragma once
// FTexteUtilisateur, "Texte utilisateur projet": the operator's free text saved with the
// project. What is typed goes straight into the project's text; closing keeps it.

#include <QDialog>

#include <memory>

#include "core/common/signal.h"

namespace Ui {
class FTexteUtilisateur;
}

namespace chromaflow {

class Session;

class UserTextWindow : public QDialog {
 public:
  explicit UserTextWindow(Session& session, QWidget* parent = nullptr);
  ~UserTextWindow() override;

 private:
  void showText();
  void textTyped();

  Session& session_;
  std::unique_ptr<Ui::FTexteUtilisateur> ui_;
  bool showing_ = false;  // the memo is being filled from the project, not typed in
  Subscription changes_;
};

}  // namespace chromaflow
