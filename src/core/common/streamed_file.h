#pragma once
// An output written as it comes instead of staged: a pipe, a terminal, /dev/null or the
// program's own output (what classifyOutput calls OutputKind::Stream). A pipe that nobody reads
// yet is refused at once rather than waited on without a word; every write is checked, so a
// full disk or a closed reader is said, not taken for success.

#include <string>
#include <string_view>

namespace chromaflow {

class StreamedFile {
 public:
  // Opens `path` for appending. Throws FileError naming it: a pipe without a reader, or any
  // failure of the system's open.
  explicit StreamedFile(const std::string& path);
  ~StreamedFile();  // closes without a word: close() is what reports
  StreamedFile(const StreamedFile&) = delete;
  StreamedFile& operator=(const StreamedFile&) = delete;

  // Keeps the bytes, passing them on by pieces of a few kilobytes. Throws FileError.
  void write(std::string_view bytes);
  // Passes on what is kept and closes. Throws FileError; no more writes after it.
  void close();

  const std::string& path() const { return path_; }

 private:
  void pass();  // writes out what is kept

  std::string path_;
  int fd_ = -1;
  std::string kept_;
};

}  // namespace chromaflow
