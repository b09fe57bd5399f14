#pragma once
// Where the workshop PC keeps its job history, and the name its jobs carry.

#include <string>

namespace chromaflow {

// $XDG_DATA_HOME/chromaflow/history.sqlite, or ~/.local/share/chromaflow/history.sqlite when
// XDG_DATA_HOME is not set (or not a full path, which the standard says to ignore).
std::string defaultHistoryPath();
// $XDG_CONFIG_HOME/chromaflow/history.conf (~/.config/... by default): where the program keeps the
// operator's choice of a shared history.
std::string historyPlacePath();

// The PC's host name ("poste" when it has none).
std::string hostName();

}  // namespace chromaflow
