#pragma once
// FInsertValue, "Encodage valeur": the one dialog through which the operator types a single
// value. The caller gives the prompt and the current text and gets back the text confirmed with
// "OK", or nothing; reading it as a number and accepting it is the core's rule, never the
// dialog's.

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

namespace Ui {
class FInsertValue;
}

namespace chromaflow {

class InsertValueDialog : public QDialog {
 public:
  explicit InsertValueDialog(QWidget* parent = nullptr);
  ~InsertValueDialog() override;

  // Shows the dialog modally, titled `caption`, its field holding `text`.
  std::optional<std::string> ask(const std::string& caption, const std::string& text);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::FInsertValue> ui_;
};

}  // namespace chromaflow
