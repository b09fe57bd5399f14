#include "history/history_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/common/text_file.h"
#include "history/history_listing.h"

namespace chromaflow {

namespace {

constexpr const char* kShared = "partage=";
constexpr const char* kMachine = "machine=";

bool startsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }

}  // namespace

std::optional<std::string> sharedHistoryProblem(const std::string& connection) {
  if (connection.empty()) return std::nullopt;
  if (connection.find_first_of("\r\n") != std::string::npos)
    return "La connexion au serveur tient sur une ligne.";
  if (namesServer(connection)) return std::nullopt;
  return "« " + connection +
         " » ne désigne pas un serveur PostgreSQL : écrivez postgresql://utilisateur@hôte/base ou "
         "host=hôte dbname=base.";
}

HistoryPlace readHistoryPlace(const std::string& path, std::string* problem) {
  HistoryPlace place;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (problem && std::filesystem::exists(path)) *problem = "Le choix de l'historique (" + path + ") ne peut pas être lu.";
    return place;
  }
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (startsWith(line, kShared)) place.shared = line.substr(std::string(kShared).size());
    else if (startsWith(line, kMachine)) place.machine = line.substr(std::string(kMachine).size());
  }
  if (const auto wrong = sharedHistoryProblem(place.shared)) {
    if (problem) *problem = path + " : " + *wrong + " L'historique reste sur ce poste.";
    place.shared.clear();
  }
  return place;
}

void writeHistoryPlace(const std::string& path, const HistoryPlace& place) {
  if (const auto wrong = sharedHistoryProblem(place.shared)) throw FileError(*wrong);
  if (place.machine.find_first_of("\r\n") != std::string::npos)
    throw FileError("Le nom de la machine tient sur une ligne.");
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  // The connection may carry the server's password: the file is its owner's alone before it
  // holds anything, and the new one takes its mode.
  const int made = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (made >= 0) ::close(made);
  if (::chmod(path.c_str(), S_IRUSR | S_IWUSR) != 0)
    throw FileError("Le choix de l'historique ne peut pas être gardé dans " + path + " : " + std::strerror(errno));
  std::ostringstream text;
  text << kShared << place.shared << "\n" << kMachine << place.machine << "\n";
  StagedFile file(path);
  file.write(text.str());
  file.commit();
}

}  // namespace chromaflow
