#include "core/common/document_name.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/common/text_file.h"

namespace chromaflow {
namespace {

// Letters compared without their case: ASCII, and the accented capitals of Latin-1 written in
// UTF-8 (À..Þ against à..þ), as a name copied from Windows holds them.
std::string foldedCase(const std::string& name) {
  std::string folded = name;
  for (std::size_t i = 0; i < folded.size(); ++i) {
    auto byte = static_cast<unsigned char>(folded[i]);
    if (byte >= 'A' && byte <= 'Z') {
      folded[i] = static_cast<char>(byte + 32);
    } else if (byte == 0xC3 && i + 1 < folded.size()) {
      const auto next = static_cast<unsigned char>(folded[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) folded[i + 1] = static_cast<char>(next + 0x20);
      ++i;
    }
  }
  return folded;
}

std::string extensionOf(const std::string& name) {
  const auto dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace

std::string nameWithoutDirectory(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string withExtension(const std::string& path, const std::string& extension) {
  const auto slash = path.find_last_of("/\\");
  const auto dot = path.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? path.substr(0, dot) : path) + extension;
}

std::optional<std::string> findIgnoringCase(const std::string& path) {
  namespace fs = std::filesystem;
  if (fileExists(path)) return path;
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string wanted = path.substr(folder.size());
  if (wanted.empty()) return std::nullopt;
  const std::string wantedFolded = foldedCase(wanted);
  std::vector<std::string> matches;
  std::error_code error;
  for (fs::directory_iterator entry(folder.empty() ? "." : folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (foldedCase(name) == wantedFolded && fileExists(folder + name)) matches.push_back(name);
  }
  if (matches.empty()) return std::nullopt;
  std::sort(matches.begin(), matches.end());
  const auto sameExtension = std::find_if(matches.begin(), matches.end(),
                                          [&](const std::string& name) { return extensionOf(name) == extensionOf(wanted); });
  return folder + (sameExtension != matches.end() ? *sameExtension : matches.front());
}

DocumentName::DocumentName(DocumentKind kind, std::string titlePrefix, std::string startName,
                           std::string startTitle, bool titleWithDirectory)
    : kind_(kind), titlePrefix_(std::move(titlePrefix)), current_(std::move(startName)),
      title_(std::move(startTitle)), titleWithDirectory_(titleWithDirectory) {}

std::string changedOnDiskQuestion(const std::string& shownName) {
  return shownName + " a été modifié par un autre programme depuis son ouverture : l'écraser, l'enregistrer sous un "
                     "autre nom, ou annuler ?";
}

void DocumentName::set(const std::string& name) {
  if (name != current_) onDisk_ = {};
  current_ = name;
  title_ = titlePrefix_ + (titleWithDirectory_ ? name : nameWithoutDirectory(name));
}

std::optional<std::string> DocumentName::chooseForOpen(bool ask, NameAsker* asker) const {
  std::optional<std::string> name = nameForOpen(ask, asker);
  if (!name || !fileExists(*name)) return std::nullopt;
  return name;
}

std::optional<std::string> DocumentName::nameForOpen(bool ask, NameAsker* asker) const {
  if (!ask) return current_;
  return asker ? asker->askOpenName(kind_, current_) : std::nullopt;
}

std::optional<std::string> DocumentName::chooseForSave(bool ask, NameAsker* asker) const {
  if (!ask && current_.rfind("Noname", 0) != 0) return current_;
  return asker ? asker->askSaveName(kind_, current_) : std::nullopt;
}

}  // namespace chromaflow
