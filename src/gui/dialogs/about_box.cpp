#include "gui/dialogs/about_box.h"

#include <QPushButton>

#include "gui/widgets/icons.h"
#include "ui_about_box.h"

namespace chromaflow {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::FmAboutBox>()) {
  ui_->setupUi(this);
  ui_->ProgramIcon->setPixmap(programLogo(96));
  ui_->Memo1->setPlainText(QStringLiteral(
      "Chromaflow Version 1.1        01/10/2001\n"
      "\n"
      "Commande d'un rouleau à peindre alimenté par deux pompes : le mélange suit le plan de\n"
      "proportions le long du mur, corrigé d'après les litres réellement pompés.\n"
      "\n"
      "Carte d'interface K8000 sur le port parallèle, ou machine simulée."));
  // "OK" closes the box; it is both the default and the cancel button (Escape).
  connect(ui_->OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

AboutBox::~AboutBox() = default;

}  // namespace chromaflow
