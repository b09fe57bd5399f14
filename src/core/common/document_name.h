#pragma once
// The name a document is opened from and saved to, its window title, and when the operator
// must be asked for a name. Asking goes through NameAsker, which the windows implement with
// file dialogs and tests fake.

#include <optional>
#include <string>

#include "core/common/file_stamp.h"

namespace chromaflow {

// The files the operator is asked for: the four documents, the surface view saved as a bitmap
// and the user manual looked for when it is not in the current folder.
// The job record's exports are the last two: a CSV table and a PDF job sheet.
enum class DocumentKind { Settings, Plan, Colours, Project, Bitmap, Manual, RecordCsv, JobSheet };

// The operator's answer to "NOM a été modifié par un autre programme depuis son ouverture :
// l'écraser, l'enregistrer sous un autre nom, ou annuler ?".
enum class ChangedFileChoice {
  Overwrite,  // "Écraser": the save goes on and replaces what the other program wrote
  SaveAs,     // "Enregistrer sous...": the save dialog is shown, the other program's files stay
  Cancel,     // "Annuler": nothing is written
};

class NameAsker {
 public:
  virtual ~NameAsker() = default;
  // The name the operator chose, starting from `current`; nothing when cancelled.
  virtual std::optional<std::string> askOpenName(DocumentKind kind, const std::string& current) = 0;
  virtual std::optional<std::string> askSaveName(DocumentKind kind, const std::string& current) = 0;
  // Why the open dialog that follows is shown (a project's file that is not where it should be);
  // the operator reads it before choosing.
  virtual void explainBeforeAsking(const std::string& text) { (void)text; }
  // A save is about to replace files that another program changed since this one read or wrote
  // them: `question` names them and offers the three choices.
  virtual ChangedFileChoice askOverwriteChanged(const std::string& question) = 0;
};

// The question asked before a save replaces files another program changed: `shownName` is the
// document's or project's name as its title shows it.
std::string changedOnDiskQuestion(const std::string& shownName);

// How much of the last file read a document could take: its lines, and how many of them it
// understood (a heading, a known key, a row it kept). None of a file's lines taken is a file that
// is not of that document at all (random bytes, another kind of file).
struct LinesTaken {
  std::size_t lines = 0;
  std::size_t taken = 0;
};

// "C:/jobs/wall.prv" -> "wall.prv": the name without its directory.
std::string nameWithoutDirectory(const std::string& path);
// The name with its extension replaced by `extension` (".sev"), or appended when it has none.
std::string withExtension(const std::string& path, const std::string& extension);
// The file in the same folder whose whole name matches the name of `path` but for the case of
// its letters (a job copied from Windows: MUR.SEV for mur.sev), when `path` itself is missing.
// Among several, the one whose extension is written as asked, else the first in sorted order.
// Nothing when none exists.
std::optional<std::string> findIgnoringCase(const std::string& path);

class DocumentName {
 public:
  // The title is the prefix and the name without its directory, or with it when
  // `titleWithDirectory` (the project's main window shows the whole path).
  DocumentName(DocumentKind kind, std::string titlePrefix, std::string startName, std::string startTitle,
               bool titleWithDirectory = false);

  DocumentKind kind() const { return kind_; }
  const std::string& current() const { return current_; }
  const std::string& title() const { return title_; }
  // The name as the title shows it, without its directory ("wall.prv", or the start name
  // "Noname1.sev" of a document never opened nor saved): how the operator knows the document.
  std::string shownName() const { return nameWithoutDirectory(title_.substr(titlePrefix_.size())); }
  // The name becomes current and the title follows it. Another name than the current one
  // forgets what the file held.
  void set(const std::string& name);

  // What the current name's file held when this program last read or wrote it.
  const FileStamp& onDisk() const { return onDisk_; }
  void setOnDisk(const FileStamp& stamp) { onDisk_ = stamp; }

  // The file an Open reads: the current name, or the one the operator picks when `ask`.
  // Nothing when the operator cancels or no such file exists.
  std::optional<std::string> chooseForOpen(bool ask, NameAsker* asker) const;
  // The same before the file is looked for: nothing only when the operator cancels.
  std::optional<std::string> nameForOpen(bool ask, NameAsker* asker) const;
  // The file a Save writes: asks when `ask` or when the current name begins with "Noname".
  std::optional<std::string> chooseForSave(bool ask, NameAsker* asker) const;

 private:
  DocumentKind kind_;
  std::string titlePrefix_;
  std::string current_;
  std::string title_;
  bool titleWithDirectory_;
  FileStamp onDisk_;
};

}  // namespace chromaflow
