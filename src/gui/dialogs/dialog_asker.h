#pragma once
// The operator asked through the desktop's dialogs: file dialogs with each document's filter,
// the entry dialog FInsertValue, and message boxes for the questions, warnings and errors.

#include <QString>

#include "core/common/asker.h"
#include "gui/dialogs/insert_value_dialog.h"

class QWidget;

namespace chromaflow {

// The file dialog filter of each kind of file, in Qt's form ("Projet Velmora (*.prv);;...").
QString fileFilter(DocumentKind kind);
// The extension a name typed without one receives ("prv").
QString defaultSuffix(DocumentKind kind);

class DialogAsker : public Asker {
 public:
  // Dialogs open over the window in use (`parent` when none is); values are typed in `valueDialog`.
  DialogAsker(QWidget* parent, InsertValueDialog& valueDialog);

  std::optional<std::string> askOpenName(DocumentKind kind, const std::string& current) override;
  void explainBeforeAsking(const std::string& text) override;
  std::optional<std::string> askSaveName(DocumentKind kind, const std::string& current) override;
  ChangedFileChoice askOverwriteChanged(const std::string& question) override;
  std::optional<std::string> askValue(const std::string& caption, const std::string& text) override;
  SaveChoice askSaveChanges(const std::string& documentName) override;
  bool confirm(const std::string& question) override;
  void warn(const std::string& text) override;
  void showError(const std::string& text) override;

 private:
  std::optional<std::string> askName(DocumentKind kind, const std::string& current, bool save);

  QWidget* owner() const;

  QWidget* parent_;
  InsertValueDialog& valueDialog_;
};

}  // namespace chromaflow
