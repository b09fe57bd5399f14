#pragma once
// The operator's text files: Windows-1252 on disk, UTF-8 in the program, lines ended by CR LF
// when written (LF alone is read too). Saving is whole or not at all: the lines go to an
// unnamed file in the target's folder (or, where the file system cannot make one, a temporary
// file beside the target), flushed to the disk, which then replaces the target in one rename.
// A job's files are replaced together: all of them, or none, even when the program is killed
// part-way (see writeFilesTogether and settleInterruptedSaves).

#include <sys/types.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/file_stamp.h"

namespace chromaflow {

// A file that could not be read or written; what() carries the file's name and the system's
// message.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string utf8FromWindows1252(std::string_view bytes);
// Characters that Windows-1252 cannot hold are written as '?'.
std::string windows1252FromUtf8(std::string_view text);

// A read that broke off part-way: the whole lines before the failure were kept.
class ReadCutOff : public FileError {
 public:
  ReadCutOff(const std::string& what, std::size_t linesRead, std::size_t stoppedAt)
      : FileError(what), linesRead_(linesRead), stoppedAt_(stoppedAt) {}
  std::size_t linesRead() const { return linesRead_; }
  std::size_t stoppedAt() const { return stoppedAt_; }  // the byte the read failed at

 private:
  std::size_t linesRead_;
  std::size_t stoppedAt_;
};

struct TextFileContents {
  std::vector<std::string> lines;     // UTF-8, without their line ends
  std::optional<std::string> error;   // a read that failed part-way: the lines before it are kept
  std::size_t stoppedAt = 0;          // with an error: the bytes read before it
  FileStamp stamp;                    // the file as read, to tell later whether it changed since
};

bool fileExists(const std::string& path);

// The lines of a file's bytes: cut at LF, one CR before it dropped, Windows-1252 decoded.
std::vector<std::string> linesOfBytes(std::string_view bytes);
// The bytes a file of these lines holds: Windows-1252, each line ended by CR LF.
std::string bytesOfLines(const std::vector<std::string>& lines);

// Reads the whole file. Throws FileError when it cannot be opened at all.
TextFileContents readTextFile(const std::string& path);

// Writes the lines, each followed by CR LF, replacing `path` only once all is on disk, and says
// what the file then holds. Throws FileError, leaving any previous file as it was.
FileStamp writeTextFile(const std::string& path, const std::vector<std::string>& lines);

// Throws FileError naming `path` when a save may not replace it: it exists and is not a
// regular file (a folder, a device, a pipe), or the operator made it read-only.
void checkReplaceable(const std::string& path);

struct FileBytes {
  std::string path;
  std::string bytes;
};

// Writes the files so that they replace their targets together: every target is checked and
// every file written and flushed before the first one is replaced; the old files are kept
// aside until all are in place. On any failure the folder holds exactly what it held before
// and FileError names the file that failed. Two files may not share one name.
//
// Several files are replaced under a save journal, ".NAME.chromaflow-saving" beside the last
// file (the project), flushed before the first replacement and removed after the last: it
// names each file's new copy and where its old copy waits, so that a save killed part-way is
// finished or undone whole by settleInterruptedSaves at the next open or save.
void writeFilesTogether(const std::vector<FileBytes>& files);

// A save journal that cannot be read, or that is not one this program wrote: it is left as it
// is and nothing it names is touched.
class UntrustedJournal : public FileError {
 public:
  using FileError::FileError;
};

// What the next open or save found of saves cut off by a kill, and what it did.
struct SettledSave {
  std::string lastFile;            // the file the save journal is named after: the project
  bool finished = false;           // the new files put in place; otherwise the old ones kept
  std::vector<std::string> files;  // the files the save replaced, in its order
};
struct Settling {
  std::vector<SettledSave> saves;
  std::vector<std::string> removed;  // temporaries of an earlier save, removed
  // Journals beside `paths` that name other files too: left as they are, and every file they name.
  std::vector<std::string> leftAlone;
};
// Finishes or undoes every interrupted save whose journal names one of `paths` (every new file
// found whole: finished; any missing: the old files put back), then removes the temporaries
// of this program's naming that an interrupted save of those files left beside them and that
// no save journal claims. A journal is settled only when every file it names is one a save of
// `paths` writes: a path itself, or for a job's file (.sev, .cov, .spv, .prv) the job's four
// files beside it, symbolic links followed as a save follows them. One named after one of
// `paths` or naming one of those files, but naming any other file, is only listed in
// `leftAlone`. Throws FileError when a save cannot be settled (its journal is left for the next
// attempt), UntrustedJournal when the journal of a save of `paths` cannot be read.
Settling settleInterruptedSaves(const std::vector<std::string>& paths);

// A file written piece by piece that appears under its name only when committed: until then
// the pieces go to an unnamed file in the target's folder, which vanishes with the program
// whatever ends it. Where the file system cannot make unnamed files, they go to a temporary
// file ".NAME.chromaflow-new-XXXXXX" beside the target, removed if the writer is dropped or the
// program is interrupted (see removeStagedFilesOnSignal), else at the file's next save.
class StagedFile {
 public:
  // Settles what an earlier save of the file left (settleInterruptedSaves) first. Throws
  // FileError, also as checkReplaceable.
  explicit StagedFile(const std::string& path);
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  void write(std::string_view bytes);  // throws FileError
  // The bytes reach the disk; no more writes. Throws FileError.
  void flush();
  // Flushes if not done yet, then replaces the target. Throws FileError; the old file stays
  // whole on failure and the temporary file is removed.
  void commit();

  const std::string& path() const { return path_; }  // the target, symbolic links followed

 private:
  friend class SavingTogether;
  struct Unsettled {};
  // `temporaryTemplate`: mkstemp's template for the temporary file, when not the usual one.
  StagedFile(const std::string& path, Unsettled, const std::string& temporaryTemplate = {});
  void open(const std::string& temporaryTemplate);  // the unnamed file, else the temporary file
  // Gives the flushed bytes the name `name` beside the target, if they have none yet, and
  // closes the file. False when `name` is taken. Throws FileError.
  bool giveName(const std::string& name);
  // Commits to a target that does not exist: an unnamed file is given the target's name at
  // once, without a temporary name. Throws FileError (EEXIST when the target exists).
  void commitAsNewFile();
  void discard();  // removes the temporary file

  std::string path_;
  std::string temporary_;  // the temporary file's name; empty while the file is unnamed
  int fd_ = -1;
  bool unnamed_ = false;
  bool flushed_ = false;
  bool done_ = false;  // committed or discarded
  int slot_ = -1;      // in the interrupted-run registry
};

// Installs SIGINT and SIGTERM handlers that remove every staged file not yet committed and then
// end the program as the signal would have (a signal the program ignores stays ignored). The
// tools call it first thing in main().
void removeStagedFilesOnSignal();

// What a tool may do with an output name.
enum class OutputKind {
  Staged,   // a regular file, or a name not yet existing: written staged, whole or not at all
  Stream,   // a pipe, a terminal, /dev/null, the program's own standard output: written directly
  Refused,  // a folder, a block device, another device, an empty name
};
// `why` says what the name is; for Refused it is the message to show, naming the path.
OutputKind classifyOutput(const std::string& path, std::string& why);

// The disk accesses of saving and reading go through this seam, so that tests can make a disk
// fail part-way (a write, a flush, a link, a rename, a removal or a read) or stop the program
// between two of them.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all the bytes or returns the errno value of the failure.
  virtual int write(int fd, const char* data, std::size_t size) = 0;
  // Each returns 0 or the errno value of the failure; by default the system's call.
  virtual int sync(int fd);  // a file's or a folder's
  virtual int rename(const char* from, const char* to);
  // Closes the descriptor (gone whatever the outcome): a network disk may report a lost write
  // only here.
  virtual int close(int fd);
  // The bytes read (0 at the end) or minus the errno value.
  virtual long read(int fd, char* buffer, std::size_t size);
  // An unnamed file in `folder` (O_TMPFILE), open for writing with `mode`: its descriptor, or
  // minus the errno value (EOPNOTSUPP, EISDIR or EINVAL where the file system cannot make one).
  virtual int openUnnamed(const char* folder, mode_t mode);
  // Gives the unnamed file of `fd` the name `to`, which must not exist (EEXIST).
  virtual int linkUnnamed(int fd, const char* to);
  // A second name `to` for the file `from` (a hard link).
  virtual int link(const char* from, const char* to);
  virtual int remove(const char* path);
};
ByteSink& systemByteSink();
void setByteSinkForTesting(ByteSink* sink);  // nullptr restores the system's

}  // namespace chromaflow
