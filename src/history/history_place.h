#pragma once
// The operator's choice of where the job history goes, kept between runs in a small file of its
// own (historyPlacePath()):
//
//   partage=postgresql://peintre@atelier/chromaflow
//   machine=atelier-1
//
// An empty or missing "partage" keeps the history on this PC only. The server's password is never
// written there: the program keeps it in the desktop's keychain (or libpq's ~/.pgpass). A file
// written by an older version may still hold one in its connection, so the file is readable by its
// owner alone.

#include <optional>
#include <string>

#include "history/history_writer.h"

namespace chromaflow {

// What a shared history's connection text lacks to be one: nothing when it is empty (no shared
// history) or reads as a server ("postgresql://...", "postgres://..." or libpq's "key=value"
// words); otherwise why not, in French, the text quoted without its password.
std::optional<std::string> sharedHistoryProblem(const std::string& connection);

// The choice kept in `path`; this PC only when there is none. A file that cannot be read (a
// folder, a pipe, a loop of links, a file far too large, one out of reach), or holds a choice
// that is not one, gives this PC only and says why in `problem`; it never waits nor throws.
// A password still in the connection kept (an older version wrote it there) is taken apart into
// `password`, to be used and put in the keychain; `shared` never carries one.
HistoryPlace readHistoryPlace(const std::string& path, std::string* problem = nullptr);
// Keeps the choice in `path` (its folder made if missing), whole or not at all; throws FileError.
// The connection is written without its password, and `password` not at all.
void writeHistoryPlace(const std::string& path, const HistoryPlace& place);

// The foreman's view's settings (chromaflow-web --config, the service's /etc/chromaflow/web.conf):
// "name = value" a line, # for a comment.
struct WebViewSettings {
  std::string history, listen, certificate, key, passwordFile;
};
inline constexpr const char* kWebViewSettingsPath = "/etc/chromaflow/web.conf";
// The settings the file holds; nothing, with why in `problem`, for a file missing, out of reach,
// no regular file, far too large, or holding a line that is no setting. It never waits.
std::optional<WebViewSettings> readWebViewSettings(const std::string& path, std::string& problem);
// Where a browser of the workshop finds the view: "https://atelier:8443/" (the PC's own name
// for an address that listens on every interface); nothing when no history is served.
std::optional<std::string> webViewAddress(const WebViewSettings& settings, const std::string& hostName);

}  // namespace chromaflow
