#include "core/common/installed_files.h"

#include <system_error>

namespace chromaflow {

std::filesystem::path dataFolderOf(const std::filesystem::path& executable) {
  return (executable.parent_path().parent_path() / "share" / "chromaflow").lexically_normal();
}

std::filesystem::path installedDataFolder() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || executable.empty()) return {};
  return dataFolderOf(executable);
}

std::filesystem::path installedExampleProject() {
  const std::filesystem::path folder = installedDataFolder();
  return folder.empty() ? folder : folder / "examples" / "wall.prv";
}

std::filesystem::path installedManual() {
  const std::filesystem::path folder = installedDataFolder();
  return folder.empty() ? folder : folder / "manual.html";
}

}  // namespace chromaflow
