// chromaflow-web: the foreman's view. Serves the job history, read-only, to the browsers of the
// workshop's network: the jobs running, live, and every job kept, with its report.

#include <QFile>
#include <QGuiApplication>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "command_line.h"
#include "history/connection_text.h"
#include "history/history_listing.h"
#include "history/postgres_job_store.h"
#include "history/sqlite_job_store.h"
#include "web/web_service.h"

namespace {

using chromaflow::tools::UsageError;

const char* const kUsage =
    "usage : chromaflow-web --history CIBLE [--listen ADRESSE:PORT] [--cert FICHIER --key FICHIER]\n"
    "        chromaflow-web --help | --version\n";

const char* const kHelp =
    "\n"
    "La vue du chef d'atelier : l'historique des chantiers servi, en lecture seule, aux navigateurs\n"
    "du réseau de l'atelier — les chantiers en cours, en direct, et tous les chantiers gardés avec\n"
    "leur rapport.\n"
    "\n"
    "  --history CIBLE       l'historique lu : le fichier SQLite d'un poste\n"
    "                        (~/.local/share/chromaflow/history.sqlite) ou un serveur PostgreSQL\n"
    "                        (postgresql://lecteur@hôte/base, un rôle de chromaflow_reader) ;\n"
    "                        rien n'y est jamais écrit\n"
    "  --listen ADRESSE:PORT où écouter (défaut 127.0.0.1:8080 : ce poste seulement)\n"
    "  --cert FICHIER, --key FICHIER\n"
    "                        HTTPS : le certificat du service et sa clé privée (PEM)\n"
    "  --help, --version     cette aide, la version\n"
    "\n"
    "Statut : 0 arrêté (SIGINT, SIGTERM), 1 échec, 2 ligne de commande refusée.\n";

struct Options {
  std::string history, certificate, key;
  QHostAddress address{QHostAddress::LocalHost};
  quint16 port = 8080;
};

std::pair<QHostAddress, quint16> listenAddress(const std::string& text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) throw UsageError{"--listen : ADRESSE:PORT attendu, par exemple 127.0.0.1:8080"};
  std::string host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  QHostAddress address;
  if (!address.setAddress(QString::fromStdString(host)))
    throw UsageError{"--listen : « " + host + " » n'est pas une adresse IP"};
  const double port = chromaflow::tools::boundedWholeNumber(text.substr(colon + 1), "--listen : le port", 1, 65535);
  return {address, static_cast<quint16>(port)};
}

Options parse(int argc, char** argv) {
  Options options;
  bool historyGiven = false;
  chromaflow::tools::ArgumentReader args(argc, argv);
  while (args.next()) {
    const std::string& arg = args.name();
    if (arg == "--history") options.history = args.value(), historyGiven = true;
    else if (arg == "--listen") std::tie(options.address, options.port) = listenAddress(args.value());
    else if (arg == "--cert") options.certificate = args.value();
    else if (arg == "--key") options.key = args.value();
    else if (arg == "-h" || arg == "--help") args.noValue(), throw chromaflow::tools::InformationAsked{std::string(kUsage) + kHelp};
    else if (arg == "--version") args.noValue(), throw chromaflow::tools::InformationAsked{chromaflow::tools::versionText("chromaflow-web")};
    else throw UsageError{"argument inconnu " + arg};
  }
  if (!historyGiven) throw UsageError{"--history CIBLE manque : quel historique servir ?"};
  if (options.certificate.empty() != options.key.empty()) throw UsageError{"--cert et --key vont ensemble"};
  if (const auto problem = chromaflow::historyTargetProblem(options.history))
    throw UsageError{"--history : " + chromaflow::shownWithoutPasswords(*problem, options.history)};
  // Beyond this PC, only with an access password, which this version cannot yet ask for.
  if (!options.address.isLoopback())
    throw UsageError{"--listen : écouter sur " + options.address.toString().toStdString() +
                     " ouvrirait l'historique à tout le réseau sans mot de passe d'accès ; écoutez sur "
                     "127.0.0.1 et passez par un relais (voir README)"};
  return options;
}

// A store of the history that only reads.
std::unique_ptr<chromaflow::JobStore> readingStore(const std::string& target) {
  if (chromaflow::namesServer(target))
    return std::make_unique<chromaflow::PostgresJobStore>(target, chromaflow::JobStoreOptions{.readOnly = true});
  return std::make_unique<chromaflow::SqliteJobStore>(target, chromaflow::JobStoreOptions{.readOnly = true},
                                                      chromaflow::SqliteJobStore::Access::Reading);
}

// The certificate and key of an HTTPS service, read from their PEM files.
QSslConfiguration tlsOf(const Options& options) {
  const auto bytes = [](const std::string& path, const char* what) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1024 * 1024)
      throw std::runtime_error(std::string(what) + " " + path + " ne peut pas être lu");
    return file.readAll();
  };
  const QList<QSslCertificate> chain = QSslCertificate::fromData(bytes(options.certificate, "le certificat"), QSsl::Pem);
  if (chain.isEmpty()) throw std::runtime_error("le certificat " + options.certificate + " n'est pas un certificat PEM");
  const QByteArray keyBytes = bytes(options.key, "la clé");
  QSslKey key(keyBytes, QSsl::Rsa, QSsl::Pem);
  if (key.isNull()) key = QSslKey(keyBytes, QSsl::Ec, QSsl::Pem);
  if (key.isNull()) throw std::runtime_error("la clé " + options.key + " n'est pas une clé privée PEM (RSA ou EC)");
  QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
  tls.setLocalCertificateChain(chain);
  tls.setPrivateKey(key);
  tls.setProtocol(QSsl::TlsV1_2OrLater);
  return tls;
}

}  // namespace

int main(int argc, char** argv) {
  return chromaflow::tools::runTool("chromaflow-web", kUsage, [&] {
    chromaflow::tools::answerInformation(argc, argv, "chromaflow-web", std::string(kUsage) + kHelp);
    const Options options = parse(argc, argv);
    // No display: the charts are drawn off screen.
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    std::signal(SIGINT, [](int) { QCoreApplication::quit(); });
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
    std::optional<QSslConfiguration> tls;
    if (!options.certificate.empty()) tls = tlsOf(options);
    chromaflow::web::WebService service(readingStore(options.history), readingStore(options.history));
    QString why;
    if (!service.listen(options.address, options.port, tls, &why))
      throw std::runtime_error("écoute sur " + options.address.toString().toStdString() + ":" +
                               std::to_string(options.port) + " impossible : " + why.toStdString());
    std::cout << "Vue des chantiers : " << (tls ? "https://" : "http://") << options.address.toString().toStdString() << ":"
              << service.server().port() << "/ (historique " << service.target() << ")" << std::endl;
    return application.exec() == 0 ? 0 : 1;
  });
}
