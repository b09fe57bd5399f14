#pragma once
// A disk whose program dies just before its nth step: a write, a flush (of a file or a folder),
// a close, an unnamed file made or named, a link, a rename or a removal. For a forked child
// only: the death is _exit, which runs no destructor and removes nothing, as a SIGKILL would.
// With the step number 0 nothing dies, and steps() counts the steps a save takes. A kill loses
// nothing the system already holds, so flushes are counted but not made: the tests stay quick.
//
// It can also play a file system without unnamed files (the saves fall back to named
// temporaries) or without hard links (the old files are renamed aside).

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "core/common/text_file.h"

namespace chromaflow::testing {

// Runs `body` in a forked child and returns its wait status: 0 when it returned, exit status 1
// when it threw, KilledDisk::kDied when it died at its step.
template <typename Body>
int inChild(Body body) {
  const pid_t child = ::fork();
  if (child == 0) {
    try {
      body();
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  return status;
}

class KilledDisk : public ByteSink {
 public:
  static constexpr int kDied = 86;  // the child's exit status when it died at its step

  explicit KilledDisk(int dieAt = 0) : dieAt_(dieAt) { setByteSinkForTesting(this); }
  ~KilledDisk() override { setByteSinkForTesting(nullptr); }
  KilledDisk(const KilledDisk&) = delete;
  KilledDisk& operator=(const KilledDisk&) = delete;

  KilledDisk& withoutUnnamedFiles() { return unnamedFiles_ = false, *this; }
  KilledDisk& withoutHardLinks() { return hardLinks_ = false, *this; }
  // Dies just before its nth rename instead.
  KilledDisk& dyingAtRename(int nth) { return dieAtRename_ = nth, *this; }
  int steps() const { return steps_; }

  int write(int fd, const char* data, std::size_t size) override { return step(), systemByteSink().write(fd, data, size); }
  int sync(int) override { return step(), 0; }
  int rename(const char* from, const char* to) override {
    if (++renames_ == dieAtRename_) ::_exit(kDied);
    return step(), ByteSink::rename(from, to);
  }
  int close(int fd) override { return step(), ByteSink::close(fd); }
  int openUnnamed(const char* folder, mode_t mode) override {
    if (!unnamedFiles_) return -EOPNOTSUPP;
    return step(), ByteSink::openUnnamed(folder, mode);
  }
  int linkUnnamed(int fd, const char* to) override { return step(), ByteSink::linkUnnamed(fd, to); }
  int link(const char* from, const char* to) override {
    if (!hardLinks_) return EPERM;  // as FAT says
    return step(), ByteSink::link(from, to);
  }
  int remove(const char* path) override { return step(), ByteSink::remove(path); }

 private:
  void step() {
    if (++steps_ == dieAt_) ::_exit(kDied);
  }

  int dieAt_;
  int steps_ = 0;
  int dieAtRename_ = 0, renames_ = 0;
  bool unnamedFiles_ = true;
  bool hardLinks_ = true;
};

}  // namespace chromaflow::testing
