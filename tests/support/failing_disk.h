#pragma once
// A disk that fails, for as long as the guard lives: it fills up after a number of bytes, or a
// chosen flush, close, link, rename or read fails once. It counts the flushes (of files and
// folders), links and renames it saw.

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "core/common/text_file.h"

namespace chromaflow::testing {

class FailingDisk : public ByteSink {
 public:
  explicit FailingDisk(std::size_t allowed = SIZE_MAX, int error = ENOSPC) : allowed_(allowed), error_(error) {
    setByteSinkForTesting(this);
  }
  ~FailingDisk() override { setByteSinkForTesting(nullptr); }
  FailingDisk(const FailingDisk&) = delete;
  FailingDisk& operator=(const FailingDisk&) = delete;

  // The nth flush or rename from now, counted from 1, fails with `error`; 0 fails none.
  FailingDisk& failSync(int nth, int error = EIO) { return failSync_ = nth, syncError_ = error, *this; }
  FailingDisk& failRename(int nth, int error = EIO) { return failRename_ = nth, renameError_ = error, *this; }
  // Links of an old file to its name aside and of a new file to its name.
  FailingDisk& failLink(int nth, int error = EIO) { return failLink_ = nth, linkError_ = error, *this; }
  FailingDisk& failClose(int nth, int error = EIO) { return failClose_ = nth, closeError_ = error, *this; }
  // Reads give up with `error` once `bytes` have been read.
  FailingDisk& failReadAfter(std::size_t bytes, int error = EIO) { return readable_ = bytes, readError_ = error, *this; }

  int syncs() const { return syncs_; }
  int renames() const { return renames_; }
  int links() const { return links_; }

  int write(int fd, const char* data, std::size_t size) override {
    const std::size_t part = std::min(size, allowed_);
    if (int error = systemByteSink().write(fd, data, part)) return error;
    allowed_ -= part;
    return part < size ? error_ : 0;
  }
  int sync(int fd) override { return ++syncs_ == failSync_ ? syncError_ : ByteSink::sync(fd); }
  int rename(const char* from, const char* to) override {
    return ++renames_ == failRename_ ? renameError_ : ByteSink::rename(from, to);
  }
  int link(const char* from, const char* to) override {
    return ++links_ == failLink_ ? linkError_ : ByteSink::link(from, to);
  }
  int linkUnnamed(int fd, const char* to) override {
    return ++links_ == failLink_ ? linkError_ : ByteSink::linkUnnamed(fd, to);
  }
  int close(int fd) override {
    const int error = ByteSink::close(fd);
    return ++closes_ == failClose_ ? closeError_ : error;
  }
  long read(int fd, char* buffer, std::size_t size) override {
    if (readable_ == 0) return -readError_;
    const long got = ByteSink::read(fd, buffer, std::min(size, readable_));
    if (got > 0) readable_ -= static_cast<std::size_t>(got);
    return got;
  }

 private:
  std::size_t allowed_;
  int error_;
  int failSync_ = 0, syncError_ = EIO, syncs_ = 0;
  int failRename_ = 0, renameError_ = EIO, renames_ = 0;
  int failLink_ = 0, linkError_ = EIO, links_ = 0;
  int failClose_ = 0, closeError_ = EIO, closes_ = 0;
  std::size_t readable_ = SIZE_MAX;
  int readError_ = EIO;
};

}  // namespace chromaflow::testing
