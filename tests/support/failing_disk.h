#pragma once
// A disk that fills up after a number of bytes, for as long as the guard lives.

#include <algorithm>
#include <cerrno>

#include "common/text_file.h"

namespace chromaflow::testing {

class FailingDisk : public ByteSink {
 public:
  explicit FailingDisk(std::size_t allowed, int error = ENOSPC) : allowed_(allowed), error_(error) {
    setByteSinkForTesting(this);
  }
  ~FailingDisk() override { setByteSinkForTesting(nullptr); }
  FailingDisk(const FailingDisk&) = delete;
  FailingDisk& operator=(const FailingDisk&) = delete;

  int write(int fd, const char* data, std::size_t size) override {
    const std::size_t part = std::min(size, allowed_);
    if (int error = systemByteSink().write(fd, data, part)) return error;
    allowed_ -= part;
    return part < size ? error_ : 0;
  }

 private:
  std::size_t allowed_;
  int error_;
};

}  // namespace chromaflow::testing
