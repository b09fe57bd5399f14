#include "core/common/file_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace chromaflow {
namespace {

std::size_t checksumOf(std::string_view bytes) { return std::hash<std::string_view>{}(bytes); }

FileStamp stampOfStat(const struct stat& info, std::string_view bytes) {
  FileStamp stamp;
  stamp.known = true;
  stamp.present = true;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modified = info.st_mtim;
  stamp.checksum = checksumOf(bytes);
  return stamp;
}

// The whole file's bytes; nothing when it cannot be read to its end.
bool readWhole(const std::string& path, std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  char buffer[1 << 15];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ::close(fd);
      return got == 0;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

FileStamp stampOfOpenFile(int fd, std::string_view bytes) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return {};
  return stampOfStat(info, bytes);
}

FileStamp stampOfFile(const std::string& path, std::string_view bytes) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return stampOfStat(info, bytes);
}

FileStamp absentFile() {
  FileStamp stamp;
  stamp.known = true;
  return stamp;
}

bool changedSince(const FileStamp& stamp, const std::string& path) {
  if (!stamp.known) return false;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;  // gone, or not to be looked at: nothing to lose
  if (!stamp.present) return true;                     // made by someone else since
  if (info.st_dev == stamp.device && info.st_ino == stamp.inode && info.st_size == stamp.size &&
      info.st_mtim.tv_sec == stamp.modified.tv_sec && info.st_mtim.tv_nsec == stamp.modified.tv_nsec)
    return false;
  if (info.st_size != stamp.size || !S_ISREG(info.st_mode)) return true;
  std::string bytes;
  if (!readWhole(path, bytes)) return true;
  return checksumOf(bytes) != stamp.checksum || static_cast<off_t>(bytes.size()) != stamp.size;
}

}  // namespace chromaflow
