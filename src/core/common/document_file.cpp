#include "core/common/document_file.h"

#include "core/common/text_file.h"

namespace chromaflow {

bool openDocumentFile(const DocumentName& name, bool ask, NameAsker* asker, const LoadLines& load) {
  const auto path = name.chooseForOpen(ask, asker);
  if (!path) return false;
  const TextFileContents contents = readTextFile(*path);  // nothing changes if it cannot be opened
  load(*path, contents.lines);
  if (contents.error) throw ReadCutOff(*contents.error, contents.lines.size(), contents.stoppedAt);
  return true;
}

bool saveDocumentFile(DocumentName& name, bool ask, NameAsker* asker, const SaveLines& lines) {
  const auto path = name.chooseForSave(ask, asker);
  if (!path) return false;
  name.set(*path);
  writeTextFile(*path, lines(*path));
  return true;
}

std::string quotedFileLine(const std::string& line) {
  constexpr std::size_t kShown = 60;
  if (line.size() <= kShown) return "\"" + line + "\"";
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + line.substr(0, cut) + "…\"";
}

}  // namespace chromaflow
