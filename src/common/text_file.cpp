#include "common/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace chromaflow {
namespace {

// Code points of the bytes 0x80..0x9F; the five bytes Windows-1252 leaves unassigned map to
// the C1 control of the same number, so that any byte survives a read and a write.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The next code point of a UTF-8 text; a malformed sequence gives U+FFFD for one byte.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || i + length > text.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  i += length;
  return c;
}

std::string describe(const std::string& path, int error) { return path + " : " + std::strerror(error); }

class SystemByteSink : public ByteSink {
 public:
  int write(int fd, const char* data, std::size_t size) override {
    while (size > 0) {
      ssize_t written = ::write(fd, data, size);
      if (written < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      data += written;
      size -= static_cast<std::size_t>(written);
    }
    return 0;
  }
};

ByteSink* testingSink = nullptr;

mode_t currentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

std::string utf8FromWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    appendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char32_t(byte));
  }
  return out;
}

std::string windows1252FromUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = nextCodePoint(text, i);
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
      continue;
    }
    char replacement = '?';
    for (std::size_t k = 0; k < kHighControls.size(); ++k)
      if (kHighControls[k] == c) replacement = static_cast<char>(0x80 + k);
    out += replacement;
  }
  return out;
}

bool fileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

TextFileContents readTextFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError(describe(path, errno));
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    throw FileError(describe(path, EISDIR));
  }
  TextFileContents contents;
  std::string bytes;
  char buffer[1 << 14];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      contents.error = describe(path, errno);
      // Only whole lines count when the read breaks off.
      const auto lastEnd = bytes.rfind('\n');
      bytes.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
      break;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  contents.lines = linesOfBytes(bytes);
  return contents;
}

std::vector<std::string> linesOfBytes(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    const bool ended = end != std::string_view::npos;
    if (!ended) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (ended && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(utf8FromWindows1252(line));
    start = end + 1;
  }
  return lines;
}

std::string bytesOfLines(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& line : lines) {
    bytes += windows1252FromUtf8(line);
    bytes += "\r\n";
  }
  return bytes;
}

ByteSink& systemByteSink() {
  static SystemByteSink sink;
  return sink;
}

void setByteSinkForTesting(ByteSink* sink) { testingSink = sink; }

StagedFile::StagedFile(const std::string& requested) : path_(requested) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  if (fs::is_symlink(path_, ignored)) path_ = fs::canonical(path_, ignored).string();
  // A file the operator made read-only stays as it is, as it would with a plain write.
  struct stat existing {};
  const bool exists = ::stat(path_.c_str(), &existing) == 0;
  if (exists && (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) throw FileError(describe(requested, EACCES));
  temporary_ = path_ + ".XXXXXX";
  fd_ = ::mkstemp(temporary_.data());
  if (fd_ < 0) throw FileError(describe(requested, errno));
  // mkstemp makes the file private; give it the old file's mode, or a new file's usual one.
  ::fchmod(fd_, exists ? (existing.st_mode & 07777) : (0666 & ~currentUmask()));
}

StagedFile::~StagedFile() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temporary_.c_str());
  }
}

void StagedFile::write(std::string_view bytes) {
  ByteSink& sink = testingSink ? *testingSink : systemByteSink();
  if (const int error = sink.write(fd_, bytes.data(), bytes.size())) throw FileError(describe(path_, error));
}

void StagedFile::commit() {
  int error = ::fsync(fd_) != 0 ? errno : 0;
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error == 0 && ::rename(temporary_.c_str(), path_.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary_.c_str());
    throw FileError(describe(path_, error));
  }
}

void writeTextFile(const std::string& path, const std::vector<std::string>& lines) {
  StagedFile file(path);
  file.write(bytesOfLines(lines));
  file.commit();
}

}  // namespace chromaflow
