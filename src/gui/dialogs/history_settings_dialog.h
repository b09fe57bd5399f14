#pragma once
// FHistoriqueReglages, "Historique": where the job history goes. Always the file on this PC; with the box
// ticked, also the PostgreSQL server the firm's machines share, and the name this machine's jobs
// carry there. The dialog only edits the choice; the program keeps it and moves the history.
// The server's connection is shown without its password; one typed in it is taken apart.

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

#include "history/history_writer.h"

namespace Ui {
class FHistoriqueReglages;
}

namespace chromaflow {

class HistorySettingsDialog : public QDialog {
 public:
  explicit HistorySettingsDialog(QWidget* parent = nullptr);
  ~HistorySettingsDialog() override;

  // Fills the dialog: the choice now, the PC's file, the machine's name by default and the
  // history's state line.
  void showPlace(const HistoryPlace& current, const std::string& localPath, const std::string& defaultMachine,
                 const std::string& state);
  // Where the foreman's view of these jobs is served, when it is ("http://atelier:8080/");
  // nothing hides the line.
  void showWebView(const std::optional<std::string>& address);
  // The choice as the fields now hold it: the connection without its password, the password
  // typed apart, or the one known when the connection is the same.
  HistoryPlace chosen() const;
  // Shown modally: the new choice on "OK", nothing on "Annuler".
  std::optional<HistoryPlace> edit(const HistoryPlace& current, const std::string& localPath,
                                   const std::string& defaultMachine, const std::string& state);

  // "OK" with a server that is not one says why and leaves the dialog open.
  void accept() override;

 private:
  void followSharing();

  std::unique_ptr<Ui::FHistoriqueReglages> ui_;
  std::string localPath_;
  HistoryPlace current_;
};

}  // namespace chromaflow
