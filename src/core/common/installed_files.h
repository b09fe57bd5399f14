#pragma once
// Where the program finds the files installed with it (the example job): in share/chromaflow
// beside the folder of its executable, wherever it was installed (/usr, /usr/local, a staging
// folder). The build tree has the same layout, so a program run from it finds them too. No path
// of the machine it was built on is kept in the program.

#include <filesystem>

namespace chromaflow {

// <prefix>/share/chromaflow for the executable <prefix>/<folder>/<program>.
std::filesystem::path dataFolderOf(const std::filesystem::path& executable);
// The running program's data folder; empty when the system does not say where the program is.
std::filesystem::path installedDataFolder();
// The example job (a wall of four surfaces with a sand-to-brick gradient), whether or not it is there.
std::filesystem::path installedExampleProject();
// The operator's manual, one HTML page, whether or not it is there.
std::filesystem::path installedManual();

}  // namespace chromaflow
