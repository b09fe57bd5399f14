#pragma once
// What one of the operator's files held when this program last read or wrote it, so that a save
// can tell whether another program (a second copy of this one, an editor) changed it since.

#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

namespace chromaflow {

struct FileStamp {
  bool known = false;    // read or written by this program; otherwise nothing to compare with
  bool present = false;  // the file was there (a project's file found missing at its open is not)
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  std::size_t checksum = 0;  // of the bytes read or written
};

// The file `fd` (open on `path`'s file), just read or written whole as `bytes`.
FileStamp stampOfOpenFile(int fd, std::string_view bytes);
// The file at `path`, just written as `bytes`; unknown when it cannot be looked at.
FileStamp stampOfFile(const std::string& path, std::string_view bytes);
// A file that was not there.
FileStamp absentFile();

// Whether the file at `path` no longer holds what `stamp` says: another program wrote it, or
// made it where there was none. The same file, size and time of change say it is untouched
// without reading it; otherwise its bytes are compared by their checksum, so that a copy of the
// same bytes (the other program saved without a change) counts as untouched. A file gone since
// counts as untouched too: writing it loses nothing of another program's. An unknown stamp has
// nothing to compare with: untouched.
bool changedSince(const FileStamp& stamp, const std::string& path);

}  // namespace chromaflow
