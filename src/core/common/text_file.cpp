#include "core/common/text_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/sysmacros.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "core/common/saving_detail.h"

namespace chromaflow {

using saving_detail::describe;
using saving_detail::disk;
using saving_detail::InterruptionsHeld;
using saving_detail::parentFolder;
using saving_detail::registerTemporary;
using saving_detail::unregisterTemporary;

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

// A run of ASCII is the same in both encodings: it is copied whole, up to the first byte that
// is not (the end when there is none).
std::size_t copyAscii(std::string_view text, std::size_t from, std::string& out) {
  // Eight bytes at a time while none has its high bit set: most files are ASCII throughout.
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  std::size_t to = from;
  for (std::uint64_t eight = 0; to + sizeof eight <= text.size(); to += sizeof eight) {
    std::memcpy(&eight, text.data() + to, sizeof eight);
    if ((eight & kHighBits) != 0) break;
  }
  while (to < text.size() && static_cast<unsigned char>(text[to]) < 0x80) ++to;
  out.append(text.substr(from, to - from));
  return to;
}

// The UTF-8 text in Windows-1252, appended to `out`: a whole file is written into one string
// without a string made per line.
void appendWindows1252(std::string& out, std::string_view text) {
  for (std::size_t i = copyAscii(text, 0, out); i < text.size(); i = copyAscii(text, i, out)) {
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
}

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

// The temporary files of staged saves, for the handler of an interrupted run: fixed slots that
// the handler reads without allocating, taking only those marked ready.
constexpr int kSlotFree = 0, kSlotFilling = 1, kSlotReady = 2;
struct TemporarySlot {
  std::atomic<int> state{kSlotFree};
  char path[PATH_MAX];
};
TemporarySlot temporaries[64];
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void removeTemporariesAndDie(int signal) {
  for (TemporarySlot& slot : temporaries)
    if (slot.state.load() == kSlotReady) ::unlink(slot.path);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  ::sigaction(signal, &standard, nullptr);
  ::raise(signal);  // delivered, with its default action, once this handler returns
}

std::string notAFile(const std::string& path, const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return path + " : est un dossier, pas un fichier";
  if (S_ISFIFO(info.st_mode)) return path + " : est un tube, pas un fichier";
  if (S_ISSOCK(info.st_mode)) return path + " : est une socket, pas un fichier";
  return path + " : est un périphérique, pas un fichier";
}

// The names of the program's own open files: /dev/stdout, /dev/fd/1, /proc/self/fd/1...
bool isOwnDescriptorName(const std::string& path) {
  return path == "/dev/stdout" || path == "/dev/stderr" || path.rfind("/dev/fd/", 0) == 0 ||
         path.rfind("/proc/self/fd/", 0) == 0;
}

bool sameDevice(const struct stat& info, const char* name) {
  struct stat other {};
  return ::stat(name, &other) == 0 && S_ISCHR(other.st_mode) && other.st_rdev == info.st_rdev;
}

bool isTerminal(const struct stat& info) {
#if defined(__linux__)
  const unsigned group = major(info.st_rdev);
  // Virtual consoles and serial lines, /dev/tty and the console, pseudo-terminals.
  if (group == 3 || group == 4 || group == 5 || (group >= 136 && group <= 143)) return true;
#endif
  return sameDevice(info, "/dev/tty") || sameDevice(info, "/dev/console");
}

mode_t currentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

namespace saving_detail {

ByteSink& disk() { return testingSink ? *testingSink : systemByteSink(); }

std::string describe(const std::string& path, int error) { return path + " : " + std::strerror(error); }

int registerTemporary(const std::string& path) {
  if (path.size() >= sizeof temporaries[0].path) return -1;
  for (int i = 0; i < static_cast<int>(std::size(temporaries)); ++i) {
    int expected = kSlotFree;
    if (!temporaries[i].state.compare_exchange_strong(expected, kSlotFilling)) continue;
    std::memcpy(temporaries[i].path, path.c_str(), path.size() + 1);
    temporaries[i].state.store(kSlotReady);
    return i;
  }
  return -1;  // all slots taken: this file is only removed by its writer
}

void unregisterTemporary(int& slot) {
  if (slot >= 0) temporaries[slot].state.store(kSlotFree);
  slot = -1;
}

InterruptionsHeld::InterruptionsHeld() {
  sigset_t held;
  sigemptyset(&held);
  sigaddset(&held, SIGINT);
  sigaddset(&held, SIGTERM);
  ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

InterruptionsHeld::~InterruptionsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace saving_detail

std::string utf8FromWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = copyAscii(bytes, 0, out); i < bytes.size(); i = copyAscii(bytes, i + 1, out)) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    appendUtf8(out, byte < 0xA0 ? kHighControls[byte - 0x80] : char32_t(byte));
  }
  return out;
}

std::string windows1252FromUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendWindows1252(out, text);
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
    const long got = disk().read(fd, buffer, sizeof buffer);
    if (got < 0) {
      contents.error = describe(path, static_cast<int>(-got));
      contents.stoppedAt = bytes.size();
      // Only whole lines count when the read breaks off.
      const auto lastEnd = bytes.rfind('\n');
      bytes.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
      break;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  contents.stamp = stampOfOpenFile(fd, bytes);
  ::close(fd);
  contents.lines = linesOfBytes(bytes);
  return contents;
}

std::vector<std::string> linesOfBytes(std::string_view bytes) {
  std::vector<std::string> lines;
  // One allocation for the row of lines, not one for each doubling of it.
  lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
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
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;  // a character is never longer in Windows-1252
  std::string bytes;
  bytes.reserve(size);
  for (const auto& line : lines) {
    appendWindows1252(bytes, line);
    bytes += "\r\n";
  }
  return bytes;
}

ByteSink& systemByteSink() {
  static SystemByteSink sink;
  return sink;
}

void setByteSinkForTesting(ByteSink* sink) { testingSink = sink; }

int ByteSink::sync(int fd) {
  while (::fsync(fd) != 0)
    if (errno != EINTR) return errno;
  return 0;
}

int ByteSink::rename(const char* from, const char* to) { return ::rename(from, to) == 0 ? 0 : errno; }

int ByteSink::openUnnamed(const char* folder, mode_t mode) {
#ifdef O_TMPFILE
  for (;;) {
    const int fd = ::open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    if (errno != EINTR) return -errno;
  }
#else
  (void)folder, (void)mode;
  return -EOPNOTSUPP;
#endif
}

int ByteSink::linkUnnamed(int fd, const char* to) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to, AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

int ByteSink::link(const char* from, const char* to) { return ::link(from, to) == 0 ? 0 : errno; }

int ByteSink::remove(const char* path) { return ::unlink(path) == 0 ? 0 : errno; }

int ByteSink::close(int fd) { return ::close(fd) == 0 ? 0 : errno; }

long ByteSink::read(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, size);
    if (got >= 0) return static_cast<long>(got);
    if (errno != EINTR) return -errno;
  }
}

void checkReplaceable(const std::string& path) {
  if (path.empty()) throw FileError("nom de fichier vide");
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return;  // a new file; a folder that is missing is said by the save
  if (!S_ISREG(info.st_mode)) throw FileError(notAFile(path, info));
  // A file the operator made read-only stays as it is, as it would with a plain write.
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) throw FileError(describe(path, EACCES));
}

StagedFile::StagedFile(const std::string& requested) : path_(requested) {
  checkReplaceable(requested);
  // What an earlier save of this file left (a temporary, a save of several files cut off) is
  // dealt with before this one makes its own.
  settleInterruptedSaves({requested});
  open({});
}

StagedFile::StagedFile(const std::string& requested, Unsettled, const std::string& temporaryTemplate)
    : path_(requested) {
  checkReplaceable(requested);
  open(temporaryTemplate);
}

void StagedFile::open(const std::string& temporaryTemplate) {
  namespace fs = std::filesystem;
  const std::string requested = path_;
  std::error_code error;
  if (fs::is_symlink(path_, error)) {
    // The save replaces the link's file; a link that leads to no file is refused, never
    // followed to make one wherever it points.
    const std::string target = fs::canonical(path_, error).string();
    if (error || target.empty())
      throw FileError(requested + " : lien symbolique vers " + fs::read_symlink(requested, error).string() +
                      ", qui ne mène à aucun fichier");
    path_ = target;
  }
  struct stat existing {};
  const bool exists = ::stat(path_.c_str(), &existing) == 0;
  // The new file gets the old file's mode, or a new file's usual one.
  const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~currentUmask());

  // An unnamed file leaves nothing behind, whatever ends the program. It is named at commit
  // through /proc/self/fd; without /proc the file is given a name from the start.
  const int unnamed = disk().openUnnamed(parentFolder(path_).c_str(), mode);
  if (unnamed >= 0) {
    if (::access(("/proc/self/fd/" + std::to_string(unnamed)).c_str(), F_OK) == 0) {
      fd_ = unnamed;
      unnamed_ = true;
      ::fchmod(fd_, mode);  // the umask took its share at the opening
      return;
    }
    ::close(unnamed);
  }
  temporary_ = temporaryTemplate.empty() ? saving_detail::newCopyTemplate(path_) : temporaryTemplate;
  {
    const InterruptionsHeld held;  // no interruption between making the file and noting it
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0) {
      temporary_.clear();
      done_ = true;
      throw FileError(describe(requested, errno));
    }
    slot_ = registerTemporary(temporary_);
  }
  // mkstemp makes the file private.
  ::fchmod(fd_, mode);
}

StagedFile::~StagedFile() {
  if (!done_) discard();
}

void StagedFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  unregisterTemporary(slot_);
  temporary_.clear();
  done_ = true;
}

void StagedFile::write(std::string_view bytes) {
  if (done_ || flushed_) throw FileError(describe(path_, EBADF));
  if (const int error = disk().write(fd_, bytes.data(), bytes.size())) throw FileError(describe(path_, error));
}

void StagedFile::flush() {
  if (done_) throw FileError(describe(path_, EBADF));  // already committed or discarded
  if (flushed_) return;
  int error = disk().sync(fd_);
  if (!unnamed_) {
    // A named temporary is closed here: a network disk may report a lost write only then. An
    // unnamed one stays open until it has a name, or it would be gone.
    const int closed = disk().close(fd_);
    fd_ = -1;
    if (error == 0) error = closed;
  }
  if (error != 0) {
    discard();
    throw FileError(describe(path_, error));
  }
  flushed_ = true;
}

bool StagedFile::giveName(const std::string& name) {
  if (!unnamed_ || !temporary_.empty()) return true;
  if (const int error = disk().linkUnnamed(fd_, name.c_str())) {
    if (error == EEXIST) return false;
    discard();
    throw FileError(describe(path_, error));
  }
  temporary_ = name;
  slot_ = registerTemporary(temporary_);
  const int closed = disk().close(fd_);
  fd_ = -1;
  if (closed != 0) {
    discard();
    throw FileError(describe(path_, closed));
  }
  return true;
}

void StagedFile::commit() {
  flush();
  const InterruptionsHeld held;  // the name given and the rename, without a stop between
  for (int attempt = 0; !giveName(saving_detail::freshNewCopyName(path_)); ++attempt) {
    if (attempt == 100) {
      discard();
      throw FileError(describe(path_, EEXIST));
    }
  }
  if (const int error = disk().rename(temporary_.c_str(), path_.c_str())) {
    discard();
    throw FileError(describe(path_, error));
  }
  unregisterTemporary(slot_);
  temporary_.clear();
  done_ = true;
}

void StagedFile::commitAsNewFile() {
  if (!unnamed_) return commit();
  flush();
  const InterruptionsHeld held;
  if (const int error = disk().linkUnnamed(fd_, path_.c_str())) {
    discard();
    throw FileError(describe(path_, error));
  }
  const int closed = disk().close(fd_);
  fd_ = -1;
  done_ = true;
  if (closed != 0) {
    ::unlink(path_.c_str());  // it may not hold what was written
    throw FileError(describe(path_, closed));
  }
}

void removeStagedFilesOnSignal() {
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction current {};
    ::sigaction(signal, nullptr, &current);
    if (current.sa_handler == SIG_IGN) continue;  // run in the background, or told to ignore it
    struct sigaction handler {};
    handler.sa_handler = removeTemporariesAndDie;
    sigemptyset(&handler.sa_mask);
    sigaddset(&handler.sa_mask, SIGINT);
    sigaddset(&handler.sa_mask, SIGTERM);
    ::sigaction(signal, &handler, nullptr);
  }
}

OutputKind classifyOutput(const std::string& path, std::string& why) {
  if (path.empty()) {
    why = "nom de fichier vide";
    return OutputKind::Refused;
  }
  const bool ownStream = isOwnDescriptorName(path);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    const int error = errno;
    struct stat folder {};
    if (error == ENOENT && !ownStream) {
      if (::stat(parentFolder(path).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)) {
        why = path + " : un nouveau fichier";
        return OutputKind::Staged;
      }
      why = path + " : le dossier " + parentFolder(path) + " n'existe pas";
      return OutputKind::Refused;
    }
    why = describe(path, error);
    return OutputKind::Refused;
  }
  if (S_ISDIR(info.st_mode) || S_ISBLK(info.st_mode)) {
    why = S_ISDIR(info.st_mode) ? notAFile(path, info) : path + " : est un périphérique de bloc, pas un fichier";
    return OutputKind::Refused;
  }
  if (S_ISFIFO(info.st_mode)) {
    why = path + " : un tube, écrit au fil des lignes";
    return OutputKind::Stream;
  }
  if (ownStream) {
    // Whatever stands behind the program's own output is written through it, never replaced.
    why = path + " : la sortie du programme, écrite au fil des lignes";
    return OutputKind::Stream;
  }
  if (S_ISREG(info.st_mode)) {
    why = path + " : un fichier";
    return OutputKind::Staged;
  }
  if (S_ISCHR(info.st_mode) && (sameDevice(info, "/dev/null") || isTerminal(info))) {
    why = path + " : un terminal ou /dev/null, écrit au fil des lignes";
    return OutputKind::Stream;
  }
  why = notAFile(path, info) + " (seuls un fichier, un tube, un terminal ou /dev/null sont écrits)";
  return OutputKind::Refused;
}

FileStamp writeTextFile(const std::string& path, const std::vector<std::string>& lines) {
  StagedFile file(path);
  const std::string bytes = bytesOfLines(lines);
  file.write(bytes);
  file.commit();
  return stampOfFile(file.path(), bytes);
}

}  // namespace chromaflow
