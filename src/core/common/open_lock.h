#pragma once
// Programs of this PC that hold the same project open learn it from each other: while a project
// is open, its program holds a shared lock (flock) on ".NAME.chromaflow-open" beside it. The lock
// belongs to the open file, so the kernel lets it go when the program ends, however it ends: no
// crash leaves a project marked as open. The file's name is made here from the project's; it is
// never read from anywhere, and nothing is written in it.

#include <string>

namespace chromaflow {

class OpenLock {
 public:
  OpenLock() = default;
  ~OpenLock() { release(); }
  OpenLock(const OpenLock&) = delete;
  OpenLock& operator=(const OpenLock&) = delete;

  // Lets go of the lock held, then holds the one of the file `path`. True when another program
  // (another open of this file, in this program or another) already held it. Where no lock can be
  // had (a folder the operator may not write in, a lock file that is not a plain file), nothing
  // is held and false is returned: nobody can be told either way.
  bool hold(const std::string& path);
  // Lets go of the lock; its file is removed when no other program holds it.
  void release();
  bool held() const { return fd_ >= 0; }
  // Whether the lock held is the one of the file `path`.
  bool holds(const std::string& path) const { return fd_ >= 0 && lockFile_ == lockFileOf(path); }

  // The lock file of the file `path`: ".NAME.chromaflow-open" in its folder, symbolic links
  // followed as a save follows them.
  static std::string lockFileOf(const std::string& path);

 private:
  int fd_ = -1;
  std::string lockFile_;
};

}  // namespace chromaflow
