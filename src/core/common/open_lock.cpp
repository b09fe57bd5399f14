#include "core/common/open_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

namespace chromaflow {
namespace {

constexpr const char* kLockTail = ".chromaflow-open";

// Whether `fd` is the file that `path` names now: a program letting go removes the file, and a
// lock taken on a removed file tells nobody anything.
bool stillNamed(int fd, const std::string& path) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

std::string OpenLock::lockFileOf(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  fs::path file = fs::weakly_canonical(fs::path(path), ignored);
  if (file.empty()) file = fs::path(path);
  const fs::path folder = file.parent_path();
  const std::string lock = "." + file.filename().string() + kLockTail;
  return folder.empty() ? lock : (folder / lock).string();
}

bool OpenLock::hold(const std::string& path) {
  release();
  const std::string lockFile = lockFileOf(path);
  // A program letting go holds the lock alone for a moment, to remove the file: the look is
  // taken again on the file that then stands there.
  for (int attempt = 0; attempt < 50; ++attempt) {
    // Not following a symbolic link, nor waiting on a pipe someone put there.
    const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      ::close(fd);
      return false;
    }
    // Alone, the lock is had whole; anyone holding it shares it.
    bool others = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK) {  // a file system without locks
        ::close(fd);
        return false;
      }
      others = true;
    }
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0 && stillNamed(fd, lockFile)) {
      fd_ = fd;
      lockFile_ = lockFile;
      return others;
    }
    ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

void OpenLock::release() {
  if (fd_ < 0) return;
  // The last to let go removes the file, holding the lock whole so that nobody takes it meanwhile.
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd_, lockFile_)) ::unlink(lockFile_.c_str());
  ::close(fd_);
  fd_ = -1;
  lockFile_.clear();
}

}  // namespace chromaflow
