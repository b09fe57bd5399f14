#include "gui/dialogs/history_settings_dialog.h"

#include "gui/widgets/shown_text.h"
#include "history/connection_text.h"
#include "history/history_place.h"
#include "ui_history_settings_dialog.h"

namespace chromaflow {

HistorySettingsDialog::HistorySettingsDialog(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::FHistoriqueReglages>()) {
  ui_->setupUi(this);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &HistorySettingsDialog::accept);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->CBPartage, &QCheckBox::toggled, this, &HistorySettingsDialog::followSharing);
}

HistorySettingsDialog::~HistorySettingsDialog() = default;

void HistorySettingsDialog::showPlace(const HistoryPlace& current, const std::string& localPath,
                                      const std::string& defaultMachine, const std::string& state) {
  Ui::FHistoriqueReglages& f = *ui_;
  localPath_ = current.localPath.empty() ? localPath : current.localPath;
  current_ = current;
  f.LFichierLocal->setText(QStringLiteral("Sur ce poste : ") + qtText(localPath_));
  f.CBPartage->setChecked(!current.shared.empty());
  // The connection kept carries no password; one given on the command line is not shown either.
  f.EditServeur->setText(qtText(splitPassword(current.shared).text));
  f.LMotDePasse->setText(
      current.password.empty()
          ? QStringLiteral("Un mot de passe écrit dans la connexion (postgresql://utilisateur:mot-de-passe@hôte/base) "
                           "va dans le trousseau de mots de passe du bureau, jamais dans le choix enregistré ; "
                           "~/.pgpass sert aussi.")
          : QStringLiteral("Le mot de passe de ce serveur est connu et ne s'affiche pas ; pour en donner un autre, "
                           "écrivez-le dans la connexion (postgresql://utilisateur:mot-de-passe@hôte/base)."));
  f.EditMachine->setText(qtText(current.machine));
  f.EditMachine->setPlaceholderText(qtText(defaultMachine));
  f.LEtat->setText(qtText(state));
  f.LErreur->clear();
  followSharing();
}

void HistorySettingsDialog::followSharing() {
  const bool sharing = ui_->CBPartage->isChecked();
  ui_->EditServeur->setEnabled(sharing);
  ui_->EditMachine->setEnabled(sharing);
}

HistoryPlace HistorySettingsDialog::chosen() const {
  HistoryPlace place;
  place.localPath = localPath_;
  if (ui_->CBPartage->isChecked()) {
    const ConnectionText typed = splitPassword(ui_->EditServeur->text().trimmed().toStdString());
    place.shared = QString::fromStdString(typed.text).trimmed().toStdString();
    place.password = !typed.password.empty() ? typed.password
                     : place.shared == splitPassword(current_.shared).text ? current_.password
                                                                           : std::string();
    place.machine = ui_->EditMachine->text().trimmed().toStdString();
  }
  return place;
}

void HistorySettingsDialog::accept() {
  const HistoryPlace place = chosen();
  if (ui_->CBPartage->isChecked() && place.shared.empty()) {
    ui_->LErreur->setText(QStringLiteral("Donnez le serveur, ou décochez le partage."));
    return;
  }
  if (const auto problem = sharedHistoryProblem(place.shared)) {
    ui_->LErreur->setText(qtText(*problem));
    return;
  }
  QDialog::accept();
}

void HistorySettingsDialog::showWebView(const std::optional<std::string>& address) {
  // The address comes from a settings file: shown as text, never as markup.
  ui_->LVueWeb->setTextFormat(Qt::PlainText);
  ui_->LVueWeb->setText(address ? QStringLiteral("Vue des chantiers dans un navigateur : ") + qtText(*address)
                                : QString());
  ui_->LVueWeb->setVisible(address.has_value());
}

std::optional<HistoryPlace> HistorySettingsDialog::edit(const HistoryPlace& current, const std::string& localPath,
                                                        const std::string& defaultMachine, const std::string& state) {
  showPlace(current, localPath, defaultMachine, state);
  if (exec() != QDialog::Accepted) return std::nullopt;
  return chosen();
}

}  // namespace chromaflow
