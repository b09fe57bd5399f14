#include "gui/dialogs/user_text_window.h"

#include <QPushButton>

#include "core/session/session.h"
#include "ui_user_text_window.h"

namespace chromaflow {

UserTextWindow::UserTextWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FTexteUtilisateur>()) {
  ui_->setupUi(this);
  // "OK" is both the default and the cancel button: Escape closes the window too, keeping the text.
  connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->Memo1, &QPlainTextEdit::textChanged, this, &UserTextWindow::textTyped);
  changes_ = session_.changed.subscribe([this](const Change& change) {
    if (change.has(Changed::UserText)) showText();
  });
  showText();
}

UserTextWindow::~UserTextWindow() = default;

void UserTextWindow::showText() {
  QStringList lines;
  for (const std::string& line : session_.project().userText()) lines << QString::fromStdString(line);
  const QString text = lines.join(QLatin1Char('\n'));
  if (ui_->Memo1->toPlainText() == text) return;
  showing_ = true;
  ui_->Memo1->setPlainText(text);
  showing_ = false;
}

void UserTextWindow::textTyped() {
  if (showing_) return;
  std::vector<std::string> lines;
  const QString text = ui_->Memo1->toPlainText();
  // An empty memo holds no line at all, as a project without user text.
  if (!text.isEmpty())
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(line.toStdString());
  session_.setUserText(std::move(lines));
}

}  // namespace chromaflow
