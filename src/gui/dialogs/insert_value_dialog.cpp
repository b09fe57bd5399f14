#include "gui/dialogs/insert_value_dialog.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "ui_insert_value_dialog.h"

namespace chromaflow {

InsertValueDialog::InsertValueDialog(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::FInsertValue>()) {
  ui_->setupUi(this);
  // No close box: the operator answers with "OK" or "Annuler".
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

InsertValueDialog::~InsertValueDialog() = default;

std::optional<std::string> InsertValueDialog::ask(const std::string& caption, const std::string& text) {
  setWindowTitle(QString::fromStdString(caption));
  ui_->EditValue->setText(QString::fromStdString(text));
  if (exec() != QDialog::Accepted) return std::nullopt;
  return ui_->EditValue->text().toStdString();
}

void InsertValueDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Centred on the desktop, the focus on "OK" as the tab order starts there.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  ui_->OKBtn->setFocus();
}

}  // namespace chromaflow
