// chromaflow-web: the foreman's view. Serves the job history, read-only, to the browsers of the
// workshop's network: the jobs running, live, and every job kept, with its report.

#include <QFile>
#include <QGuiApplication>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "command_line.h"
#include "history/connection_text.h"
#include "history/history_listing.h"
#include "history/history_place.h"
#include "web/access_password.h"
#include "web/web_service.h"

namespace {

using chromaflow::tools::UsageError;

const char* const kUsage =
    "usage : chromaflow-web --history CIBLE [--listen ADRESSE:PORT] [--cert FICHIER --key FICHIER]\n"
    "                       [--password-file FICHIER] [--config FICHIER]\n"
    "        chromaflow-web --set-password [--password-file FICHIER]\n"
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
    "  --listen ADRESSE:PORT où écouter (défaut 127.0.0.1:8080 : ce poste seulement) ; une autre\n"
    "                        adresse que celles de ce poste demande un mot de passe d'accès\n"
    "  --cert FICHIER, --key FICHIER\n"
    "                        HTTPS : le certificat du service et sa clé privée (PEM)\n"
    "  --set-password        demande le mot de passe d'accès (deux fois sur un terminal, sinon une\n"
    "                        ligne de l'entrée standard) et le garde chiffré ; dès lors chaque\n"
    "                        navigateur le donne une fois par 12 heures\n"
    "  --password-file FICHIER\n"
    "                        où il est gardé (défaut ~/.config/chromaflow/web.password)\n"
    "  --config FICHIER      les mêmes réglages, un « nom = valeur » par ligne (history, listen,\n"
    "                        cert, key, password-file) ; la ligne de commande l'emporte\n"
    "  --help, --version     cette aide, la version\n"
    "\n"
    "Statut : 0 arrêté (SIGINT, SIGTERM), 1 échec, 2 ligne de commande refusée.\n";

struct Options {
  std::string history, certificate, key, passwordFile;
  bool setPassword = false;
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

std::string passwordPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  const std::string folder = config && *config ? config : std::string(home ? home : ".") + "/.config";
  return folder + "/chromaflow/web.password";
}

// The settings of a configuration file, each taken only where the command line gave none.
void readConfig(const std::string& path, Options& options, bool& historyGiven, bool& listenGiven) {
  std::string problem;
  const std::optional<chromaflow::WebViewSettings> settings = chromaflow::readWebViewSettings(path, problem);
  if (!settings) throw UsageError{"--config : " + problem};
  if (!historyGiven && !settings->history.empty()) options.history = settings->history, historyGiven = true;
  if (!listenGiven && !settings->listen.empty())
    std::tie(options.address, options.port) = listenAddress(settings->listen), listenGiven = true;
  if (options.certificate.empty()) options.certificate = settings->certificate;
  if (options.key.empty()) options.key = settings->key;
  if (options.passwordFile.empty()) options.passwordFile = settings->passwordFile;
}

Options parse(int argc, char** argv) {
  Options options;
  bool historyGiven = false, listenGiven = false;
  std::string config;
  chromaflow::tools::ArgumentReader args(argc, argv);
  while (args.next()) {
    const std::string& arg = args.name();
    if (arg == "--history") options.history = args.value(), historyGiven = true;
    else if (arg == "--listen") std::tie(options.address, options.port) = listenAddress(args.value()), listenGiven = true;
    else if (arg == "--cert") options.certificate = args.value();
    else if (arg == "--key") options.key = args.value();
    else if (arg == "--set-password") args.noValue(), options.setPassword = true;
    else if (arg == "--password-file") options.passwordFile = args.value();
    else if (arg == "--config") config = args.value();
    else if (arg == "-h" || arg == "--help") args.noValue(), throw chromaflow::tools::InformationAsked{std::string(kUsage) + kHelp};
    else if (arg == "--version") args.noValue(), throw chromaflow::tools::InformationAsked{chromaflow::tools::versionText("chromaflow-web")};
    else throw UsageError{"argument inconnu " + arg};
  }
  if (!config.empty()) readConfig(config, options, historyGiven, listenGiven);
  if (options.passwordFile.empty()) options.passwordFile = passwordPath();
  if (options.setPassword) {
    if (historyGiven || !options.certificate.empty() || !options.key.empty())
      throw UsageError{"--set-password ne va qu'avec --password-file"};
    return options;
  }
  if (!historyGiven) throw UsageError{"--history CIBLE manque : quel historique servir ?"};
  if (options.certificate.empty() != options.key.empty()) throw UsageError{"--cert et --key vont ensemble"};
  if (const auto problem = chromaflow::historyTargetProblem(options.history))
    throw UsageError{"--history : " + chromaflow::shownWithoutPasswords(*problem, options.history)};
  return options;
}


// The password, read without echo from a terminal (twice), else one line of standard input.
std::string askedPassword() {
  const bool terminal = ::isatty(STDIN_FILENO);
  const auto line = [terminal](const char* prompt) {
    termios saved{};
    if (terminal) {
      std::cerr << prompt << std::flush;
      ::tcgetattr(STDIN_FILENO, &saved);
      termios quiet = saved;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string text;
    const bool read = static_cast<bool>(std::getline(std::cin, text));
    if (terminal) {
      ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
      std::cerr << "\n";
    }
    if (!read) throw std::runtime_error("aucun mot de passe lu sur l'entrée standard");
    return text;
  };
  const std::string password = line("Mot de passe d'accès : ");
  if (password.size() < 8) throw std::runtime_error("le mot de passe d'accès tient 8 caractères au moins");
  if (terminal && line("Le même, encore : ") != password) throw std::runtime_error("les deux mots de passe diffèrent");
  return password;
}

int setPassword(const Options& options) {
  const std::filesystem::path file(options.passwordFile);
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
  chromaflow::web::writePasswordFile(options.passwordFile, chromaflow::web::hashPassword(askedPassword()));
  std::cout << "Mot de passe d'accès gardé, chiffré, dans " << options.passwordFile << ".\n";
  return 0;
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
    if (options.setPassword) return setPassword(options);
    // An access password when one is set; beyond this PC, only with one.
    std::optional<std::string> passwordHash;
    if (std::filesystem::exists(options.passwordFile)) {
      std::string unread;
      passwordHash = chromaflow::web::readPasswordFile(options.passwordFile, unread);
      if (!passwordHash) throw std::runtime_error(unread);
    } else if (!options.address.isLoopback()) {
      throw UsageError{"--listen : écouter sur " + options.address.toString().toStdString() +
                       " ouvrirait l'historique au réseau : donnez d'abord un mot de passe d'accès "
                       "(chromaflow-web --set-password)"};
    }
    // No display: the charts are drawn off screen.
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    std::signal(SIGINT, [](int) { QCoreApplication::quit(); });
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
    std::optional<QSslConfiguration> tls;
    if (!options.certificate.empty()) tls = tlsOf(options);
    chromaflow::web::WebService service(chromaflow::readingStoreFor(options.history),
                                       chromaflow::readingStoreFor(options.history),
                                       {.passwordHash = passwordHash, .secure = tls.has_value()});
    QString why;
    if (!service.listen(options.address, options.port, tls, &why))
      throw std::runtime_error("écoute sur " + options.address.toString().toStdString() + ":" +
                               std::to_string(options.port) + " impossible : " + why.toStdString());
    std::cout << "Vue des chantiers" << (passwordHash ? " (mot de passe d'accès demandé)" : "") << " : "
              << (tls ? "https://" : "http://") << options.address.toString().toStdString() << ":"
              << service.server().port() << "/ (historique " << service.target() << ")" << std::endl;
    return application.exec() == 0 ? 0 : 1;
  });
}
