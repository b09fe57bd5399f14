#include "gui/dialogs/dialog_asker.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "core/common/installed_files.h"

namespace chromaflow {

QString fileFilter(DocumentKind kind) {
  const QString all = QStringLiteral(";;Tous les fichiers (*.*)");
  switch (kind) {
    case DocumentKind::Settings: return QStringLiteral("Settings Velmora (*.sev)") + all;
    case DocumentKind::Plan: return QStringLiteral("Surfaces & proportions Velmora (*.spv)") + all;
    case DocumentKind::Colours: return QStringLiteral("Couleurs Velmora (*.cov)") + all;
    case DocumentKind::Project: return QStringLiteral("Projet Velmora (*.prv)") + all;
    case DocumentKind::Bitmap: return QStringLiteral("Bitmaps (*.bmp)");
    case DocumentKind::Manual: return QStringLiteral("Projet Velmora (*.doc)");
    case DocumentKind::RecordCsv: return QStringLiteral("Rapport de chantier CSV (*.csv)") + all;
    case DocumentKind::JobSheet: return QStringLiteral("Rapport de chantier PDF (*.pdf)") + all;
  }
  return QStringLiteral("Tous les fichiers (*.*)");
}

QString defaultSuffix(DocumentKind kind) {
  switch (kind) {
    case DocumentKind::Settings: return QStringLiteral("sev");
    case DocumentKind::Plan: return QStringLiteral("spv");
    case DocumentKind::Colours: return QStringLiteral("cov");
    case DocumentKind::Project: return QStringLiteral("prv");
    case DocumentKind::Bitmap: return QStringLiteral("bmp");
    case DocumentKind::Manual: return QStringLiteral("prv");
    case DocumentKind::RecordCsv: return QStringLiteral("csv");
    case DocumentKind::JobSheet: return QStringLiteral("pdf");
  }
  return {};
}

DialogAsker::DialogAsker(QWidget* parent, InsertValueDialog& valueDialog)
    : parent_(parent), valueDialog_(valueDialog) {}

QWidget* DialogAsker::owner() const {
  // A question stands over the window the operator is working in (a row editor over the plan
  // window, the settings window...), not behind it over the main window.
  if (QWidget* active = QApplication::activeWindow()) return active;
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return parent_;
}

std::optional<std::string> DialogAsker::askOpenName(DocumentKind kind, const std::string& current) {
  return askName(kind, current, false);
}

void DialogAsker::explainBeforeAsking(const std::string& text) {
  QMessageBox::information(owner(), QStringLiteral("Chromaflow"), QString::fromStdString(text));
}

std::optional<std::string> DialogAsker::askSaveName(DocumentKind kind, const std::string& current) {
  return askName(kind, current, true);
}

std::optional<std::string> DialogAsker::askName(DocumentKind kind, const std::string& current, bool save) {
  QFileDialog dialog(owner());
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(fileFilter(kind));
  dialog.setDefaultSuffix(defaultSuffix(kind));
  // The dialog starts on the name the document holds: its folder and its file name.
  const QFileInfo start(QString::fromStdString(current));
  if (start.isAbsolute()) dialog.setDirectory(start.absolutePath());
  dialog.selectFile(start.fileName());
  // The example job installed with the program is one click away.
  const QString examples = QString::fromStdString((installedDataFolder() / "examples").string());
  if (!installedDataFolder().empty() && QFileInfo(examples).isDir())
    dialog.setSidebarUrls(dialog.sidebarUrls() << QUrl::fromLocalFile(examples));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> DialogAsker::askValue(const std::string& caption, const std::string& text) {
  return valueDialog_.ask(caption, text);
}

SaveChoice DialogAsker::askSaveChanges(const std::string& documentName) {
  // The buttons say what they do, in French whatever the language of the main window.
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Chromaflow"),
                  QStringLiteral("Enregistrer les modifications de %1 ?").arg(QString::fromStdString(documentName)),
                  QMessageBox::NoButton, owner());
  QPushButton* save = box.addButton(QStringLiteral("Enregistrer"), QMessageBox::AcceptRole);
  QPushButton* dontSave = box.addButton(QStringLiteral("Ne pas enregistrer"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return SaveChoice::Save;
  if (box.clickedButton() == dontSave) return SaveChoice::DontSave;
  return SaveChoice::Cancel;
}

ChangedFileChoice DialogAsker::askOverwriteChanged(const std::string& question) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Chromaflow"), QString::fromStdString(question),
                  QMessageBox::NoButton, owner());
  QPushButton* overwrite = box.addButton(QStringLiteral("Écraser"), QMessageBox::DestructiveRole);
  QPushButton* saveAs = box.addButton(QStringLiteral("Enregistrer sous..."), QMessageBox::AcceptRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
  // Another program's work is not replaced by a hurried Enter.
  box.setDefaultButton(saveAs);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == overwrite) return ChangedFileChoice::Overwrite;
  if (box.clickedButton() == saveAs) return ChangedFileChoice::SaveAs;
  return ChangedFileChoice::Cancel;
}

bool DialogAsker::confirm(const std::string& question) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Chromaflow"), QString::fromStdString(question),
                  QMessageBox::NoButton, owner());
  QPushButton* yes = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
  // What cannot be taken back is not done by a hurried Enter.
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void DialogAsker::warn(const std::string& text) {
  QMessageBox::warning(owner(), QStringLiteral("Avertissement"), QString::fromStdString(text));
}

void DialogAsker::showError(const std::string& text) {
  QMessageBox::critical(owner(), QStringLiteral("Erreur"), QString::fromStdString(text));
}

}  // namespace chromaflow
