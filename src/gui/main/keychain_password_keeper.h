#pragma once
// The desktop's keychain through QtKeychain (GNOME's keyring, KDE's wallet, or any secret
// service on the session's bus), under the service "ChromaFlow". Never a file in clear where
// no keychain runs: then it says so, and the password serves this run only.

#include <QObject>
#include <QString>

#include "gui/main/password_keeper.h"

namespace chromaflow {

class KeychainPasswordKeeper : public PasswordKeeper {
 public:
  explicit KeychainPasswordKeeper(QString service = QStringLiteral("ChromaFlow"));
  // Answers still to come are dropped.
  ~KeychainPasswordKeeper() override;

  void keep(const std::string& key, const std::string& password, Done done) override;
  void find(const std::string& key, Done done) override;

 private:
  QString service_;
  // The answers' context: gone with the keeper, the answers that come later find no one.
  QObject answers_;
};

}  // namespace chromaflow
