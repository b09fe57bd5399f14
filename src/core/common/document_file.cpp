#include "core/common/document_file.h"

#include "core/common/text_file.h"

namespace chromaflow {

bool openDocumentFile(DocumentName& name, bool ask, NameAsker* asker, const LoadLines& load) {
  const auto path = name.chooseForOpen(ask, asker);
  if (!path) return false;
  const TextFileContents contents = readTextFile(*path);  // nothing changes if it cannot be opened
  load(*path, contents.lines);
  if (name.current() == *path) name.setOnDisk(contents.stamp);
  if (contents.error) throw ReadCutOff(*contents.error, contents.lines.size(), contents.stoppedAt);
  return true;
}

bool saveDocumentFile(DocumentName& name, bool ask, NameAsker* asker, const SaveLines& lines) {
  auto path = name.chooseForSave(ask, asker);
  if (!path) return false;
  path = nameAfterAskingAboutChanges(*path, name.kind(), name.shownName(), asker, [&](const std::string& target) {
    return target == name.current() && changedSince(name.onDisk(), target);
  });
  if (!path) return false;
  name.set(*path);
  name.setOnDisk(writeTextFile(*path, lines(*path)));
  return true;
}

std::optional<std::string> nameAfterAskingAboutChanges(std::string path, DocumentKind kind, const std::string& shownName,
                                                       NameAsker* asker,
                                                       const std::function<bool(const std::string&)>& changed) {
  // Asked again for another name that is itself changed (the same name chosen again).
  while (asker && changed(path)) {
    switch (asker->askOverwriteChanged(changedOnDiskQuestion(shownName))) {
      case ChangedFileChoice::Overwrite: return path;
      case ChangedFileChoice::SaveAs: {
        auto other = asker->askSaveName(kind, path);
        if (!other) return std::nullopt;
        path = std::move(*other);
        break;
      }
      case ChangedFileChoice::Cancel: return std::nullopt;
    }
  }
  return path;
}

std::string quotedFileLine(const std::string& line) {
  constexpr std::size_t kShown = 60;
  if (line.size() <= kShown) return "\"" + line + "\"";
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + line.substr(0, cut) + "…\"";
}

}  // namespace chromaflow
