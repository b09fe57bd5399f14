#pragma once
// The Open and Save that every document does the same way: pick the file (asking when told
// to), read it whole before anything changes, let the document take the lines, and report a
// read that broke off only after the lines read have been taken.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/common/document_name.h"

namespace chromaflow {

using LoadLines = std::function<void(const std::string& path, const std::vector<std::string>& lines)>;
using SaveLines = std::function<std::vector<std::string>(const std::string& path)>;

// False when nothing was opened (cancelled, or no such file). Throws FileError, or ReadCutOff
// after the lines read before a failure were taken. The name keeps what its file held.
bool openDocumentFile(DocumentName& name, bool ask, NameAsker* asker, const LoadLines& load);
// The chosen name becomes current, then the lines are written whole. Throws FileError.
// False when nothing was written (cancelled). When the file to replace is the one the document
// was read from or last written to and another program changed it since, the operator chooses
// first: replace it, save under another name, or write nothing (without an asker it is
// replaced, as before).
bool saveDocumentFile(DocumentName& name, bool ask, NameAsker* asker, const SaveLines& lines);

// A file's line as the open's report quotes it, in double quotes: a line of megabytes is cut
// after its first characters (on a character's boundary), so that the report stays readable.
std::string quotedFileLine(const std::string& line);

// Asks, while the files a save is about to replace were changed by another program since this
// one read or wrote them (`changed` says so of a name), whether to overwrite them, save under
// another name or give up. The name to write to, or nothing when the operator gave up. Without
// an asker the files are overwritten.
std::optional<std::string> nameAfterAskingAboutChanges(std::string path, DocumentKind kind, const std::string& shownName,
                                                       NameAsker* asker,
                                                       const std::function<bool(const std::string&)>& changed);

}  // namespace chromaflow
