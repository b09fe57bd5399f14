#pragma once
// What the staged files (text_file.cpp) and the saves of several files together
// (saving_together.cpp) share: the disk seam in force, the registry of temporary files for an
// interrupted run, the holding of interruptions, and the names this program gives the files a
// save leaves beside its target for a moment:
//
//   .NAME.chromaflow-new-XXXXXX   the new copy, until it replaces NAME
//   .NAME.chromaflow-old-XXXXXX   the old copy, kept until every file of a save is in place
//   .NAME.chromaflow-saving       the journal of a save of several files, NAME being the last
//
// XXXXXX is six letters or digits. Nothing else is ever taken for one of these.

#include <signal.h>

#include <string>

#include "core/common/text_file.h"

namespace chromaflow::saving_detail {

ByteSink& disk();

std::string describe(const std::string& path, int error);

// The folder of a path ("." for a bare name) and its last component.
std::string parentFolder(const std::string& path);
std::string baseName(const std::string& path);

// mkstemp's template for a new copy of `target`, and fresh names (not yet taken) for a new
// copy, an old copy or a save journal.
std::string newCopyTemplate(const std::string& target);
std::string freshNewCopyName(const std::string& target);
std::string freshOldCopyName(const std::string& target);
std::string journalNameFor(const std::string& lastFile);

// Whether `name` (a name without folder) is a new or an old copy of the file named `base`.
bool isNewCopyOf(const std::string& name, const std::string& base);
bool isOldCopyOf(const std::string& name, const std::string& base);
// The file a save journal is named after, or empty when `name` is no save journal's name.
std::string fileOfJournal(const std::string& name);

// Temporary files that SIGINT and SIGTERM remove (see removeStagedFilesOnSignal).
int registerTemporary(const std::string& path);
void unregisterTemporary(int& slot);

// SIGINT and SIGTERM wait while files are being put in place, so that an interrupted run never
// stops between two renames.
class InterruptionsHeld {
 public:
  InterruptionsHeld();
  ~InterruptionsHeld();
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace chromaflow::saving_detail
