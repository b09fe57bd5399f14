#include "core/common/streamed_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/common/text_file.h"

namespace chromaflow {

namespace {

constexpr std::size_t kPiece = 8192;  // what a stream's buffer holds before it is passed on

FileError failure(const std::string& path, const char* what, int error) {
  return FileError(path + " : " + what + " : " + std::strerror(error));
}

}  // namespace

StreamedFile::StreamedFile(const std::string& path) : path_(path) {
  // Without O_NONBLOCK, opening a pipe for writing waits, without end and without a word, for
  // someone to open it for reading; with it, the system answers ENXIO at once.
  do fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) {
    const int error = errno;
    if (error == ENXIO)
      throw FileError(path + " : personne ne lit ce tube ; lancez d'abord le programme qui le lit");
    throw failure(path, "ouverture impossible en écriture", error);
  }
  // Once open, the writes wait for a slow reader as they would on any pipe.
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) < 0) {
    const int error = errno;
    ::close(fd_);
    fd_ = -1;
    throw failure(path, "ouverture impossible en écriture", error);
  }
}

StreamedFile::~StreamedFile() {
  if (fd_ >= 0) ::close(fd_);
}

void StreamedFile::write(std::string_view bytes) {
  if (fd_ < 0) throw failure(path_, "écriture impossible", EBADF);
  kept_.append(bytes);
  if (kept_.size() >= kPiece) pass();
}

void StreamedFile::pass() {
  std::size_t done = 0;
  while (done < kept_.size()) {
    const ssize_t written = ::write(fd_, kept_.data() + done, kept_.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      kept_.clear();
      throw failure(path_, "écriture impossible", error);
    }
    done += static_cast<std::size_t>(written);
  }
  kept_.clear();
}

void StreamedFile::close() {
  if (fd_ < 0) throw failure(path_, "écriture impossible", EBADF);
  try {
    pass();
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  const int fd = fd_;
  fd_ = -1;
  // The descriptor is gone whatever close answers; an error here is a write that was lost.
  if (::close(fd) != 0) {
    const int error = errno;
    if (error != EINTR) throw failure(path_, "écriture impossible", error);
  }
}

}  // namespace chromaflow
