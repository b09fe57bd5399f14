#pragma once
// The Open and Save that every document does the same way: pick the file (asking when told
// to), read it whole before anything changes, let the document take the lines, and report a
// read that broke off only after the lines read have been taken.

#include <functional>
#include <string>
#include <vector>

#include "core/common/document_name.h"

namespace chromaflow {

using LoadLines = std::function<void(const std::string& path, const std::vector<std::string>& lines)>;
using SaveLines = std::function<std::vector<std::string>(const std::string& path)>;

// False when nothing was opened (cancelled, or no such file). Throws FileError, or ReadCutOff
// after the lines read before a failure were taken.
bool openDocumentFile(const DocumentName& name, bool ask, NameAsker* asker, const LoadLines& load);
// The chosen name becomes current, then the lines are written whole. Throws FileError.
// False when nothing was written (cancelled).
bool saveDocumentFile(DocumentName& name, bool ask, NameAsker* asker, const SaveLines& lines);

// A file's line as the open's report quotes it, in double quotes: a line of megabytes is cut
// after its first characters (on a character's boundary), so that the report stays readable.
std::string quotedFileLine(const std::string& line);

}  // namespace chromaflow
