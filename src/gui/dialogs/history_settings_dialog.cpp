#include "gui/dialogs/history_settings_dialog.h"

#include "gui/widgets/shown_text.h"
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
  f.LFichierLocal->setText(QStringLiteral("Sur ce poste : ") + qtText(localPath_));
  f.CBPartage->setChecked(!current.shared.empty());
  f.EditServeur->setText(qtText(current.shared));
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
    place.shared = ui_->EditServeur->text().trimmed().toStdString();
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

std::optional<HistoryPlace> HistorySettingsDialog::edit(const HistoryPlace& current, const std::string& localPath,
                                                        const std::string& defaultMachine, const std::string& state) {
  showPlace(current, localPath, defaultMachine, state);
  if (exec() != QDialog::Accepted) return std::nullopt;
  return chosen();
}

}  // namespace chromaflow
