#include "history/history_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace chromaflow {

std::string defaultHistoryPath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string folder;
  if (data && data[0] == '/') {
    folder = data;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
      const passwd* user = ::getpwuid(::getuid());
      home = user && user->pw_dir ? user->pw_dir : "/tmp";
    }
    folder = std::string(home) + "/.local/share";
  }
  return folder + "/chromaflow/history.sqlite";
}

std::string hostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "poste";
  return name;
}

}  // namespace chromaflow
