#include "core/common/streamed_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "core/common/text_file.h"
#include "support/own_files.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::TempDir;

std::string messageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& error) {
    return error.what();
  }
  return "no error";
}

TEST(StreamedFile, APipeNobodyReadsIsRefusedInsteadOfWaitedOn) {
  TempDir dir;
  const std::string pipe = dir.file("trace.fifo");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(messageOf([&] { StreamedFile file(pipe); }),
            pipe + " : personne ne lit ce tube ; lancez d'abord le programme qui le lit");
  EXPECT_EQ(messageOf([&] { StreamedFile file(dir.file("missing/trace.csv")); }),
            dir.file("missing/trace.csv") + " : ouverture impossible en écriture : " + std::strerror(ENOENT));
}

// Far more than a pipe holds: the writes must wait for the reader, not fail as a descriptor
// left non-blocking would.
TEST(StreamedFile, APipeWithAReaderGetsEveryByteInOrder) {
  TempDir dir;
  const std::string pipe = dir.file("trace.fifo");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::string sent;
  for (int row = 0; sent.size() < 1'000'000; ++row) sent += std::to_string(row) + ",0.00,1.25\n";

  std::string failure;  // read once the writer has joined
  std::atomic<bool> finished{false};
  std::thread writer([&] {
    failure = messageOf([&] {
      StreamedFile file(pipe);
      for (std::size_t at = 0; at < sent.size(); at += 1000) file.write(std::string_view(sent).substr(at, 1000));
      file.close();
    });
    finished = true;
  });
  std::string received;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(reader, buffer, sizeof buffer);
    if (got > 0) received.append(buffer, static_cast<std::size_t>(got));
    else if (got == 0 && finished) break;  // the writer has closed its end
    else std::this_thread::yield();        // nothing yet, or no writer yet
  }
  writer.join();
  ::close(reader);
  EXPECT_EQ(failure, "no error");
  EXPECT_EQ(received.size(), sent.size());
  EXPECT_TRUE(received == sent) << "the rows came in another order";
}

// A full device of the test's own (c 1 7, as /dev/full): every write fails with ENOSPC.
TEST(StreamedFile, AFullDeviceIsSaidWithTheSystemsReason) {
  TempDir dir;
  const std::string full = dir.file("full");
  if (const std::string why = testing::madeDevice(full, 'c', 1, 7); !why.empty()) GTEST_SKIP() << why;
  const std::string reason = full + " : écriture impossible : " + std::strerror(ENOSPC);
  EXPECT_EQ(messageOf([&] {
              StreamedFile file(full);
              file.write("tick,t_ms\n");
              file.close();
            }),
            reason);
  // Rows beyond what is kept fail at the write itself, and the run can stop there.
  EXPECT_EQ(messageOf([&] {
              StreamedFile file(full);
              for (int i = 0; i < 10000; ++i) file.write("0,20,0.00,0.00\n");
            }),
            reason);
}

}  // namespace
}  // namespace chromaflow
