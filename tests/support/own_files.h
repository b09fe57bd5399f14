#pragma once
// What a test needs of the system's special files, made its own in its temporary folder: a
// character device (a null device c 1 3, a full one c 1 7, a zero one c 1 5) or a block device,
// so that no test ever aims the code under test at the machine's own /dev; and, for root, the
// file modes made to count, so that a folder or file the test made unwritable or unreadable
// refuses root as it refuses anyone.

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace chromaflow::testing {

// Makes the device `path` (kind 'c' or 'b'); empty when made, else why not, for GTEST_SKIP.
// Only root may make one; a character device must also open for writing, which a folder
// mounted nodev or a container's device rules may refuse.
inline std::string madeDevice(const std::string& path, char kind, unsigned major, unsigned minor) {
  if (::geteuid() != 0) return "only root makes a device of its own (mknod), and the test needs one";
  if (::mknod(path.c_str(), (kind == 'b' ? S_IFBLK : S_IFCHR) | 0600, makedev(major, minor)) != 0)
    return "mknod " + path + " : " + std::strerror(errno);
  if (kind == 'c') {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return "the device " + path + " made here cannot be opened: " + std::strerror(errno);
    ::close(fd);
  }
  return {};
}

// For as long as it lives, this thread sets aside root's power over every file's mode
// (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER); they come back when it goes. For
// anyone else it changes nothing.
class FileModesCount {
 public:
  FileModesCount() {
    if (::syscall(SYS_capget, &header_, kept_) != 0) return;
    __user_cap_data_struct lowered[2] = {kept_[0], kept_[1]};
    for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
      lowered[capability / 32].effective &= ~(1u << (capability % 32));
    lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
  }
  ~FileModesCount() {
    if (lowered_) ::syscall(SYS_capset, &header_, kept_);
  }
  FileModesCount(const FileModesCount&) = delete;
  FileModesCount& operator=(const FileModesCount&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct kept_[2] = {};
  bool lowered_ = false;
};

}  // namespace chromaflow::testing
