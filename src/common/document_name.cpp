#include "common/document_name.h"

#include "common/text_file.h"

namespace chromaflow {

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

DocumentName::DocumentName(DocumentKind kind, std::string titlePrefix, std::string startName,
                           std::string startTitle, bool titleWithDirectory)
    : kind_(kind), titlePrefix_(std::move(titlePrefix)), current_(std::move(startName)),
      title_(std::move(startTitle)), titleWithDirectory_(titleWithDirectory) {}

void DocumentName::set(const std::string& name) {
  current_ = name;
  title_ = titlePrefix_ + (titleWithDirectory_ ? name : nameWithoutDirectory(name));
}

std::optional<std::string> DocumentName::chooseForOpen(bool ask, NameAsker* asker) const {
  std::optional<std::string> name = current_;
  if (ask) name = asker ? asker->askOpenName(kind_, current_) : std::nullopt;
  if (!name || !fileExists(*name)) return std::nullopt;
  return name;
}

std::optional<std::string> DocumentName::chooseForSave(bool ask, NameAsker* asker) const {
  if (!ask && current_.rfind("Noname", 0) != 0) return current_;
  return asker ? asker->askSaveName(kind_, current_) : std::nullopt;
}

}  // namespace chromaflow
