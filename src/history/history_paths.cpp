#include "history/history_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace chromaflow {

namespace {

// The user's folder an XDG variable names, or its default under the home folder.
std::string userFolder(const char* variable, const char* underHome) {
  const char* set = std::getenv(variable);
  if (set && set[0] == '/') return set;
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') {
    const passwd* user = ::getpwuid(::getuid());
    home = user && user->pw_dir ? user->pw_dir : "/tmp";
  }
  return std::string(home) + underHome;
}

}  // namespace

std::string defaultHistoryPath() { return userFolder("XDG_DATA_HOME", "/.local/share") + "/chromaflow/history.sqlite"; }

std::string historyPlacePath() { return userFolder("XDG_CONFIG_HOME", "/.config") + "/chromaflow/history.conf"; }

std::string hostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "poste";
  return name;
}

}  // namespace chromaflow
