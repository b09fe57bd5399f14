#pragma once
// The operator's text files: Windows-1252 on disk, UTF-8 in the program, lines ended by CR LF
// when written (LF alone is read too). Saving is whole or not at all: the lines go to a
// temporary file beside the target, which then replaces it in one rename.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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

struct TextFileContents {
  std::vector<std::string> lines;     // UTF-8, without their line ends
  std::optional<std::string> error;   // a read that failed part-way: the lines before it are kept
};

bool fileExists(const std::string& path);

// The lines of a file's bytes: cut at LF, one CR before it dropped, Windows-1252 decoded.
std::vector<std::string> linesOfBytes(std::string_view bytes);
// The bytes a file of these lines holds: Windows-1252, each line ended by CR LF.
std::string bytesOfLines(const std::vector<std::string>& lines);

// Reads the whole file. Throws FileError when it cannot be opened at all.
TextFileContents readTextFile(const std::string& path);

// Writes the lines, each followed by CR LF, replacing `path` only once all is on disk.
// Throws FileError, leaving any previous file as it was.
void writeTextFile(const std::string& path, const std::vector<std::string>& lines);

// A file written piece by piece that appears under its name only when committed: until then
// the pieces go to a temporary file beside it, which is removed if the writer is dropped.
class StagedFile {
 public:
  explicit StagedFile(const std::string& path);  // throws FileError
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  void write(std::string_view bytes);  // throws FileError
  void commit();                       // throws FileError; the old file stays whole on failure

 private:
  std::string path_;
  std::string temporary_;
  int fd_ = -1;
};

// The bytes written through this seam, so that tests can make a disk fail part-way.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all the bytes or returns the errno value of the failure.
  virtual int write(int fd, const char* data, std::size_t size) = 0;
};
ByteSink& systemByteSink();
void setByteSinkForTesting(ByteSink* sink);  // nullptr restores the system's

}  // namespace chromaflow
