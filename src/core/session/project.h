#pragma once
// The project (.prv): a banner and the operator's free text, with the settings, plan and colour
// files beside it under the same base name. New, Open and Save work on all four files.

#include <string>
#include <vector>

#include "core/common/document_name.h"
#include "core/common/open_lock.h"
#include "core/common/signal.h"
#include "core/plan/colour_table.h"
#include "core/plan/plan.h"
#include "core/settings/settings_document.h"

namespace chromaflow {

// What an open met with one of the job's files: a sibling missing or found under another case,
// a file that could not be read or was cut off, settings values that were refused.
struct DocumentNote {
  DocumentKind kind;
  std::string path;
  std::string what;
};

// What an open met, as the operator reads it once the project is open: one line per file and
// what was skipped, refused or asked for. Empty when all went plainly.
std::string openReportText(const std::string& projectName, const std::vector<DocumentNote>& notes);

class Project {
 public:
  Project(SettingsDocument& settings, ColourTable& colours, Plan& plan);

  // The lines of the user text ("Texte utilisateur projet").
  const std::vector<std::string>& userText() const { return userText_; }
  // The user text becomes these lines: the only way it is edited, so that whether it differs
  // from the project's file is known from then on without looking at it again.
  void setUserText(std::vector<std::string> lines);

  // Whether the job differs from its files: the user text or what the settings, colour or plan
  // file would hold changed since the project was last made new, opened or saved. A document
  // opened, made new or saved from its own window counts by what it holds, not by its name.
  // Asked after every operation, reading-cycle ticks included, it costs the same whatever the
  // user text's length and the colour table's: the text is compared with the file's when it is
  // edited, the colours once after each of their changes; an edit back to what the file holds
  // leaves the job unmarked.
  bool modified() const;

  DocumentName& name() { return name_; }
  const DocumentName& name() const { return name_; }
  const std::string& title() const { return name_.title(); }  // the main window's title

  void NewProject();
  // Reads the project file, then the colour table, the plan and the settings beside it; a
  // missing sibling is asked for, its dialog starting on the name it should have. Throws
  // FileError; what was read before the error stays. With holdOpen, from the open on the
  // project's lock is held (OpenLock), under the name it is saved as, until another project is
  // made new or opened: the open says when another program of this PC holds it open too.
  bool OpenProject(bool ask, NameAsker* asker);  // false when nothing was opened
  // The desktop program holds the projects it opens open, so that another program opening one of
  // them is told (off by default: replays and tools open the same examples side by side).
  void holdOpen(bool on) { holdOpen_ = on; }
  // The same for a file named without a dialog (the program's command line): a missing file is
  // a FileError.
  bool OpenProjectFile(const std::string& path, NameAsker* asker);
  // Writes the settings, colour, plan and project files together: on any failure (FileError)
  // the folder keeps the previous job's files exactly, and no file is left half written. When
  // another program changed the job's files since this one read or wrote them (or made one that
  // was missing at the open), the operator first chooses to overwrite them, save under another
  // name, or write nothing.
  bool SaveProject(bool ask, NameAsker* asker);  // false when nothing was written
  // Whether the job's files beside `path` were changed by another program since this one read
  // or wrote them.
  bool changedOnDisk(const std::string& path) const;

  // What the last OpenProject met, in the order met; empty when all went plainly. It is kept
  // when the open stops on an error, so the caller can say which document failed and why.
  // A save of the job cut off by a kill is settled before anything is read, and said first:
  // finished or undone, a journal beside the project that names other files left untouched,
  // and the temporary files of an earlier save removed.
  const std::vector<DocumentNote>& lastOpenNotes() const { return notes_; }

  std::vector<std::string> fileLines(const std::string& fileName) const;
  // Adds the user text a project file's lines hold to the user text.
  void applyFileLines(const std::vector<std::string>& lines);

  // The main window redraws its surface and proportion views.
  Signal<> redrawRequested;

 private:
  bool openChosen(const std::string& opened, NameAsker* asker);
  // The job as it now stands is what its files hold.
  void markSaved();
  void settleInterruptedSave(const std::string& project);
  bool coloursDiffer() const;
  void redraw();

  SettingsDocument& settings_;
  ColourTable& colours_;
  Plan& plan_;
  std::vector<std::string> userText_;
  bool userTextEdited_ = false;  // the user text differs from inFiles_.userText
  // Whether the colour rows differ from inFiles_.colours, as found at the colour table's revision.
  mutable bool coloursDiffer_ = false;
  mutable unsigned long long coloursLookedAt_ = 0;
  // What the job's files held at the project's last New, Open or Save.
  struct InFiles {
    MachineSettings settings;
    std::vector<ColourRow> colours;
    Plan::Edition plan;
    std::vector<std::string> userText;
  } inFiles_;
  DocumentName name_;
  std::vector<DocumentNote> notes_;
  // The job's files that were missing at its open: one there at the save was made by another
  // program.
  std::vector<std::string> missingAtOpen_;
  bool holdOpen_ = false;
  OpenLock lock_;
};

}  // namespace chromaflow
