#include "history/history_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <filesystem>
#include <sstream>

#include "core/common/text_file.h"
#include "history/connection_text.h"
#include "history/history_listing.h"

namespace chromaflow {

namespace {

constexpr const char* kShared = "partage=";
constexpr const char* kMachine = "machine=";
// Far more than the two lines of any choice: a larger file is not one, and is not read into memory.
constexpr std::size_t kLargestChoice = 64 * 1024;

bool startsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }

// Why a file could not be reached, in the operator's words.
std::string whyNotReached(int error) {
  switch (error) {
    case ELOOP:
      return "ses liens symboliques tournent en rond";
    case EACCES:
    case EPERM:
      return "accès refusé à ce fichier ou à l'un de ses dossiers";
    case ENOTDIR:
      return "un élément de son chemin n'est pas un dossier";
    case ENAMETOOLONG:
      return "son chemin est trop long";
    default:
      return std::strerror(error);
  }
}

// What a file that is no regular one is.
std::string whatItIs(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return "c'est un dossier";
  if (S_ISFIFO(info.st_mode)) return "c'est un tube nommé";
  if (S_ISSOCK(info.st_mode)) return "c'est une prise réseau locale";
  if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return "c'est un périphérique";
  return "ce n'est pas un fichier ordinaire";
}

// The choice's text, or why it was not read (`notRead`; nothing said when there is no file).
struct ChoiceText {
  std::string text;
  std::string notRead;
  bool absent = false;
};

// Nothing may hold the program before its window shows: only a regular file of a choice's size
// is opened and read, and a pipe put in its place is never waited on.
ChoiceText choiceText(const std::string& path) {
  ChoiceText choice;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    choice.absent = errno == ENOENT;
    choice.notRead = whyNotReached(errno);
    return choice;
  }
  if (!S_ISREG(info.st_mode)) {
    choice.notRead = whatItIs(info);
    return choice;
  }
  if (static_cast<std::uintmax_t>(info.st_size) > kLargestChoice) {
    choice.notRead = "il est bien trop grand pour en être un (" + std::to_string(info.st_size) + " octets)";
    return choice;
  }
  const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (file < 0) {
    choice.notRead = whyNotReached(errno);
    return choice;
  }
  // What was opened may no longer be what was looked at.
  if (::fstat(file, &info) != 0) {
    choice.notRead = whyNotReached(errno);
  } else if (!S_ISREG(info.st_mode)) {
    choice.notRead = whatItIs(info);
  } else {
    char block[4096];
    for (;;) {
      const ssize_t got = ::read(file, block, sizeof block);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) choice.notRead = whyNotReached(errno);
      if (got <= 0) break;
      choice.text.append(block, static_cast<std::size_t>(got));
      if (choice.text.size() > kLargestChoice) {
        choice.notRead = "il est bien trop grand pour en être un";
        break;
      }
    }
  }
  ::close(file);
  return choice;
}

}  // namespace

std::optional<std::string> sharedHistoryProblem(const std::string& connection) {
  if (connection.empty()) return std::nullopt;
  if (connection.find_first_of("\r\n") != std::string::npos)
    return "La connexion au serveur tient sur une ligne.";
  if (namesServer(connection)) return std::nullopt;
  return "« " + shownWithoutPasswords(connection, connection) +
         " » ne désigne pas un serveur PostgreSQL : écrivez postgresql://utilisateur@hôte/base ou "
         "host=hôte dbname=base.";
}

HistoryPlace readHistoryPlace(const std::string& path, std::string* problem) {
  HistoryPlace place;
  const ChoiceText choice = choiceText(path);
  if (!choice.notRead.empty()) {
    // No file: no choice was ever made, the history is this PC's.
    if (problem && !choice.absent)
      *problem = "Le choix de l'historique (" + path + ") n'a pas été lu : " + choice.notRead +
                 ". L'historique reste sur ce poste.";
    return place;
  }
  std::istringstream lines(choice.text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (startsWith(line, kShared)) place.shared = line.substr(std::string(kShared).size());
    else if (startsWith(line, kMachine)) place.machine = line.substr(std::string(kMachine).size());
  }
  if (const auto wrong = sharedHistoryProblem(place.shared)) {
    if (problem) *problem = path + " : " + *wrong + " L'historique reste sur ce poste.";
    place.shared.clear();
  }
  ConnectionText connection = splitPassword(place.shared);
  place.shared = std::move(connection.text);
  place.password = std::move(connection.password);
  return place;
}

void writeHistoryPlace(const std::string& path, const HistoryPlace& place) {
  if (const auto wrong = sharedHistoryProblem(place.shared)) throw FileError(*wrong);
  if (place.machine.find_first_of("\r\n") != std::string::npos)
    throw FileError("Le nom de la machine tient sur une ligne.");
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  // The file of an older version may hold the server's password: it is its owner's alone before
  // anything is written, and the new one takes its mode.
  // Never waiting on a pipe put in its place, which the staged file below refuses, saying so.
  const int made = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (made >= 0) ::close(made);
  if (::chmod(path.c_str(), S_IRUSR | S_IWUSR) != 0)
    throw FileError("Le choix de l'historique ne peut pas être gardé dans " + path + " : " + std::strerror(errno));
  std::ostringstream text;
  text << kShared << splitPassword(place.shared).text << "\n" << kMachine << place.machine << "\n";
  StagedFile file(path);
  file.write(text.str());
  file.commit();
}

std::optional<WebViewSettings> readWebViewSettings(const std::string& path, std::string& problem) {
  const ChoiceText file = choiceText(path);
  if (!file.notRead.empty()) {
    problem = path + " : " + file.notRead;
    return std::nullopt;
  }
  WebViewSettings settings;
  std::istringstream lines(file.text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const auto trimmed = [](std::string text) {
      text.erase(0, text.find_first_not_of(" \t\r"));
      text.erase(text.find_last_not_of(" \t\r") + 1);
      return text;
    };
    line = trimmed(line);
    if (line.empty() || line[0] == '#') continue;
    const std::size_t equals = line.find('=');
    const std::string name = trimmed(line.substr(0, equals)), value = equals == std::string::npos ? "" : trimmed(line.substr(equals + 1));
    std::string* setting = name == "history"         ? &settings.history
                           : name == "listen"        ? &settings.listen
                           : name == "cert"          ? &settings.certificate
                           : name == "key"           ? &settings.key
                           : name == "password-file" ? &settings.passwordFile
                                                     : nullptr;
    if (equals == std::string::npos || !setting) {
      problem = path + ", ligne " + std::to_string(number) +
                (equals == std::string::npos ? " : « nom = valeur » attendu" : " : réglage inconnu « " + name + " »");
      return std::nullopt;
    }
    *setting = value;
  }
  return settings;
}

std::optional<std::string> webViewAddress(const WebViewSettings& settings, const std::string& hostName) {
  if (settings.history.empty()) return std::nullopt;
  std::string listen = settings.listen.empty() ? "127.0.0.1:8080" : settings.listen;
  const std::size_t colon = listen.rfind(':');
  std::string host = colon == std::string::npos ? listen : listen.substr(0, colon);
  const std::string port = colon == std::string::npos ? "8080" : listen.substr(colon + 1);
  // Every interface: the workshop reaches it by the PC's name.
  if (host == "0.0.0.0" || host == "[::]" || host == "::") host = hostName;
  return std::string(settings.certificate.empty() ? "http://" : "https://") + host + ":" + port + "/";
}

}  // namespace chromaflow
