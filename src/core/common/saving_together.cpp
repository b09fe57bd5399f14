// Files saved together (the project's four), and the settling of such a save that a kill cut
// off part-way.
//
// A save of several files goes:
//   1. each new file written to an unnamed file (or a temporary file) and flushed, and the
//      journal (below) the same way;
//   2. each new file named .NAME.chromaflow-new-XXXXXX beside its target, and each old file
//      given a second name .NAME.chromaflow-old-XXXXXX (a hard link: NAME itself is untouched);
//   3. the journal named .LAST.chromaflow-saving (LAST: the last file, the project) and the
//      folder flushed: from here on the save is finished whatever happens, unless a new copy
//      goes missing;
//   4. for each file in turn, the new copy renamed over NAME (where the file system has no hard
//      links, the old file is first renamed aside);
//   5. the folder flushed, the old copies removed, then the journal.
// The journal names each file's new and old copy, with the new file's size and checksum.
// Whoever finds it (the next open or save of those files) reads from the folder how far the
// save went: a file is in place when NAME holds the new bytes, waiting when its new copy is
// there whole, missing otherwise. With none missing the save is finished; with one missing it
// is undone: the new copies removed first, so that no later look can take it for finishable,
// then the old copies put back. Both go step by step from what the folder shows, so a kill
// while settling is settled again at the next look. A kill before step 3 leaves at most copies
// that no journal claims, made in the few links of step 2 (or, without unnamed files, the
// temporary files): the next save or open of those files removes them. An old copy made by
// step 2 is only a second name of NAME.
//
// A journal is settled only by an open or save of the files it names, and only when it names
// nothing else than files such a save writes: a folder brought from elsewhere (a USB stick) may
// hold a journal that no save of ours wrote, and settling it would remove or replace whatever
// it names. Such a journal is left as it is, and so is every file it names.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string_view>

#include "core/common/document_name.h"
#include "core/common/saving_detail.h"
#include "core/common/text_file.h"

namespace chromaflow {
namespace saving_detail {
namespace {

constexpr std::string_view kNewCopy = ".chromaflow-new-", kOldCopy = ".chromaflow-old-", kJournal = ".chromaflow-saving";
constexpr std::size_t kLetters = 6;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool isLetterOrDigit(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Six letters or digits, drawn afresh in each process (a forked child draws its own).
std::string randomLetters() {
  thread_local std::mt19937_64 engine;
  thread_local pid_t drawnFor = 0;
  if (drawnFor != ::getpid()) {
    drawnFor = ::getpid();
    std::random_device device;
    engine.seed((std::uint64_t{device()} << 32) ^ device() ^ static_cast<std::uint64_t>(drawnFor));
  }
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
  std::string letters(kLetters, 'X');
  for (char& c : letters) c = kAlphabet[pick(engine)];
  return letters;
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// ".NAME" followed by `tail`, in the folder of `target` named NAME.
std::string hiddenBeside(const std::string& target, std::string_view tail) {
  const std::string folder = parentFolder(target);
  return (folder == "/" ? folder : folder + "/") + "." + baseName(target) + std::string(tail);
}

std::string freshName(const std::string& target, std::string_view kind) {
  const std::string prefix = hiddenBeside(target, kind);
  std::string name;
  for (int attempt = 0; attempt < 100; ++attempt)
    if (!exists(name = prefix + randomLetters())) break;
  return name;  // taken after a hundred draws: the link or rename onto it says so
}

bool isCopyOf(const std::string& name, const std::string& base, std::string_view kind) {
  const std::size_t head = 1 + base.size() + kind.size();
  if (name.size() != head + kLetters || name[0] != '.' || name.compare(1, base.size(), base) != 0 ||
      name.compare(1 + base.size(), kind.size(), kind) != 0)
    return false;
  for (std::size_t i = head; i < name.size(); ++i)
    if (!isLetterOrDigit(name[i])) return false;
  return true;
}

}  // namespace

std::string parentFolder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string newCopyTemplate(const std::string& target) {
  return hiddenBeside(target, std::string(kNewCopy) + std::string(kLetters, 'X'));
}
std::string freshNewCopyName(const std::string& target) { return freshName(target, kNewCopy); }
std::string freshOldCopyName(const std::string& target) { return freshName(target, kOldCopy); }
std::string journalNameFor(const std::string& lastFile) { return hiddenBeside(lastFile, kJournal); }

bool isNewCopyOf(const std::string& name, const std::string& base) { return isCopyOf(name, base, kNewCopy); }
bool isOldCopyOf(const std::string& name, const std::string& base) { return isCopyOf(name, base, kOldCopy); }

std::string fileOfJournal(const std::string& name) {
  if (name.size() <= 1 + kJournal.size() || name[0] != '.' ||
      name.compare(name.size() - kJournal.size(), kJournal.size(), kJournal) != 0)
    return {};
  return name.substr(1, name.size() - 1 - kJournal.size());
}

}  // namespace saving_detail

using namespace saving_detail;

namespace {

constexpr std::string_view kJournalHeading = "chromaflow-saving 1";

struct JournalEntry {
  std::string target;   // symbolic links followed
  std::string newCopy;  // beside the target
  std::string oldCopy;  // beside the target; empty when there was no old file
  std::uint64_t size = 0;
  std::uint64_t checksum = 0;
};

struct SaveJournal {
  std::string path;
  std::string lastFile;  // the file the journal is named after
  std::vector<JournalEntry> entries;
};

// FNV-1a, 64 bits: enough to tell the new bytes from the old ones.
constexpr std::uint64_t kChecksumStart = 0xcbf29ce484222325ULL;
std::uint64_t checksumOf(std::string_view bytes, std::uint64_t sum = kChecksumStart) {
  for (const char c : bytes) sum = (sum ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  return sum;
}

std::string joinPath(const std::string& folder, const std::string& name) {
  return folder == "/" ? folder + name : folder + "/" + name;
}

// The path with symbolic links followed as far as they exist, to compare names however spelled.
std::string resolvedPath(const std::string& path) {
  std::error_code error;
  const std::string resolved = std::filesystem::weakly_canonical(path, error).string();
  return error || resolved.empty() ? path : resolved;
}

std::string absolutePath(const std::string& path) {
  std::error_code error;
  const std::string absolute = std::filesystem::absolute(path, error).string();
  return error ? path : absolute;
}

// The file a name stands for in a save journal: its folder resolved however spelled (symbolic
// links, "..", a relative name), its own name as it is. A symbolic link is thus a file of its
// own, not the one it points to: a save never names a link, it writes the link's file.
std::string fileKey(const std::string& path) {
  return joinPath(resolvedPath(absolutePath(parentFolder(path))), baseName(path));
}

// The file a save of `path` writes: a symbolic link followed to its file, as StagedFile does.
// Empty for a link that leads nowhere.
std::string fileSavedAs(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_symlink(path, error)) return path;
  const std::string target = std::filesystem::canonical(path, error).string();
  return error ? std::string() : target;
}

// The files a save of `path` may have written together with it: the job's four files when it
// is one of them (a project's save writes the settings, colours, plan and project beside each
// other under one name), else itself alone.
std::vector<std::string> filesSavedWith(const std::string& path) {
  std::string extension = path.substr(path.size() - std::min<std::size_t>(path.size(), 4));
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  std::vector<std::string> files{path};
  static constexpr const char* kJobFiles[] = {".sev", ".cov", ".spv", ".prv"};
  if (std::find(std::begin(kJobFiles), std::end(kJobFiles), extension) != std::end(kJobFiles) &&
      baseName(path).size() > extension.size())
    for (const char* sibling : kJobFiles) files.push_back(withExtension(path, sibling));
  return files;
}

struct Look {
  bool present = false;
  struct stat info {};
};

Look look(const std::string& path) {
  Look seen;
  seen.present = !path.empty() && ::lstat(path.c_str(), &seen.info) == 0;
  return seen;
}

bool sameFile(const Look& a, const Look& b) {
  return a.info.st_dev == b.info.st_dev && a.info.st_ino == b.info.st_ino;
}

// Whether the file holds exactly the bytes of the entry's new file.
bool holdsNewBytes(const std::string& path, const JournalEntry& entry) {
  const Look seen = look(path);
  if (!seen.present || !S_ISREG(seen.info.st_mode) || std::uint64_t(seen.info.st_size) != entry.size) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  std::uint64_t sum = kChecksumStart, read = 0;
  char buffer[1 << 14];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ::close(fd);
      return got == 0 && read == entry.size && sum == entry.checksum;
    }
    sum = checksumOf(std::string_view(buffer, static_cast<std::size_t>(got)), sum);
    read += static_cast<std::uint64_t>(got);
  }
}

bool isNumber(const std::string& text, int base) {
  const char* digits = base == 10 ? "0123456789" : "0123456789abcdef";
  return !text.empty() && text.size() <= (base == 10 ? 19u : 16u) && text.find_first_not_of(digits) == std::string::npos;
}

std::string hex(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

// NUL-separated fields: the heading, the number of files, then for each its target (its name
// alone when it stands beside the journal, else its whole path), its new copy's name, its old
// copy's name (empty: none), its new size and checksum.
std::string encodeJournal(const SaveJournal& journal) {
  std::string bytes;
  const auto field = [&](std::string_view text) {
    bytes += text;
    bytes += '\0';
  };
  field(kJournalHeading);
  field(std::to_string(journal.entries.size()));
  const std::string folder = parentFolder(journal.path);
  for (const JournalEntry& entry : journal.entries) {
    field(parentFolder(entry.target) == folder ? baseName(entry.target) : absolutePath(entry.target));
    field(baseName(entry.newCopy));
    field(entry.oldCopy.empty() ? std::string() : baseName(entry.oldCopy));
    field(std::to_string(entry.size));
    field(hex(entry.checksum));
  }
  return bytes;
}

constexpr std::size_t kFieldsPerFile = 5;

// Throws UntrustedJournal when the journal cannot be read or is not one this program wrote: its copies'
// names must be those of its files, so that settling never touches anything else.
SaveJournal readJournal(const std::string& path) {
  // Looked at as a file, it may have become a link or a pipe since: neither is followed nor
  // waited on.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) throw UntrustedJournal(describe(path, errno) + " : journal d'enregistrement illisible, laissé tel quel");
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      ::close(fd);
      throw UntrustedJournal(describe(path, error) + " : journal d'enregistrement illisible, laissé tel quel");
    }
    if (got == 0 || bytes.size() > (1u << 20)) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);

  const UntrustedJournal unreadable(path + " : journal d'enregistrement illisible, laissé tel quel");
  std::vector<std::string> fields;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = bytes.find('\0', start);
    if (end == std::string::npos) throw unreadable;
    fields.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  if (fields.size() < 2 || fields[0] != kJournalHeading || !isNumber(fields[1], 10)) throw unreadable;
  const std::size_t count = std::stoull(fields[1]);
  if (count == 0 || fields.size() != 2 + kFieldsPerFile * count) throw unreadable;

  SaveJournal journal;
  journal.path = path;
  const std::string folder = parentFolder(path);
  journal.lastFile = joinPath(folder, fileOfJournal(baseName(path)));
  for (std::size_t i = 0; i < count; ++i) {
    const std::string* f = &fields[2 + kFieldsPerFile * i];
    JournalEntry entry;
    if (f[0].empty() || (f[0].find('/') != std::string::npos && f[0][0] != '/')) throw unreadable;
    entry.target = f[0][0] == '/' ? f[0] : joinPath(folder, f[0]);
    const std::string base = baseName(entry.target), beside = parentFolder(entry.target);
    if (base.empty() || !isNewCopyOf(f[1], base) || !(f[2].empty() || isOldCopyOf(f[2], base)) ||
        !isNumber(f[3], 10) || !isNumber(f[4], 16))
      throw unreadable;
    entry.newCopy = joinPath(beside, f[1]);
    if (!f[2].empty()) entry.oldCopy = joinPath(beside, f[2]);
    entry.size = std::stoull(f[3]);
    entry.checksum = std::stoull(f[4], nullptr, 16);
    journal.entries.push_back(std::move(entry));
  }
  return journal;
}

std::vector<std::string> foldersOf(const SaveJournal& journal) {
  std::vector<std::string> folders{parentFolder(journal.path)};
  for (const JournalEntry& entry : journal.entries) {
    const std::string folder = parentFolder(entry.target);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  return folders;
}

// Flushes the folders' entries to the disk: what was renamed, linked or removed there stays so
// after a power cut. A file system that cannot flush a folder is taken at its word.
int syncFolders(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = disk().sync(fd);
    ::close(fd);
    if (error != 0 && error != EINVAL && error != EOPNOTSUPP && error != ENOSYS) return error;
  }
  return 0;
}

enum class Stage { Waiting, Placed, Missing };

Stage stageOf(const JournalEntry& entry) {
  if (holdsNewBytes(entry.newCopy, entry)) return Stage::Waiting;
  return holdsNewBytes(entry.target, entry) ? Stage::Placed : Stage::Missing;
}

// What a file system without hard links (FAT, some network disks) says to link().
bool noHardLinks(int error) { return error == EPERM || error == EOPNOTSUPP || error == EMLINK || error == ENOSYS; }

// The old file given its second name: 0, the errno value, or -1 where the file system has no
// hard links (the old file is then renamed aside when its turn comes).
int keepOldCopy(const JournalEntry& entry) {
  const int error = disk().link(entry.target.c_str(), entry.oldCopy.c_str());
  return noHardLinks(error) ? -1 : error;
}

// One file of a save put in place from wherever it stands: its old file kept under its second
// name (renamed aside where there are no hard links), then the new copy renamed over it.
// 0 or the errno value.
int putInPlace(const JournalEntry& entry) {
  if (!look(entry.newCopy).present) return 0;  // in place already
  if (!entry.oldCopy.empty() && !look(entry.oldCopy).present && look(entry.target).present) {
    int error = keepOldCopy(entry);
    if (error < 0) error = disk().rename(entry.target.c_str(), entry.oldCopy.c_str());
    if (error != 0) return error;
  }
  return disk().rename(entry.newCopy.c_str(), entry.target.c_str());
}

// Every new copy removed, then every old file put back. Returns what could not be put back, for
// the message; empty when all was.
std::string undo(const SaveJournal& journal, const std::vector<std::string>& folders) {
  std::vector<Stage> stages;
  for (const JournalEntry& entry : journal.entries) stages.push_back(stageOf(entry));
  std::string lost;
  for (const JournalEntry& entry : journal.entries)
    if (look(entry.newCopy).present)
      if (const int error = disk().remove(entry.newCopy.c_str()); error != 0 && error != ENOENT)
        lost += " ; la nouvelle copie " + entry.newCopy + " n'a pas pu être retirée (" + std::strerror(error) + ")";
  syncFolders(folders);  // the save can no longer be taken for finishable before anything old comes back
  for (std::size_t i = journal.entries.size(); i-- > 0;) {
    const JournalEntry& entry = journal.entries[i];
    if (entry.oldCopy.empty()) {  // a file the save created, beside the journal as every such file
      if (stages[i] != Stage::Placed || resolvedPath(parentFolder(entry.target)) != resolvedPath(parentFolder(journal.path)))
        continue;
      if (const int error = disk().remove(entry.target.c_str()); error != 0 && error != ENOENT)
        lost += " ; le nouveau " + entry.target + " n'a pas pu être retiré (" + std::strerror(error) + ")";
      continue;
    }
    const Look old = look(entry.oldCopy);
    if (!old.present) continue;
    if (!S_ISREG(old.info.st_mode)) {  // not what a save keeps: never put in the file's place
      lost += " ; l'ancien " + entry.target + " n'est pas rétabli, " + entry.oldCopy + " n'est pas un fichier";
      continue;
    }
    const Look target = look(entry.target);
    const int error = target.present && sameFile(old, target) ? disk().remove(entry.oldCopy.c_str())
                                                               : disk().rename(entry.oldCopy.c_str(), entry.target.c_str());
    if (error != 0) lost += " ; l'ancien " + entry.target + " est gardé sous " + entry.oldCopy + " (" + std::strerror(error) + ")";
  }
  return lost;
}

// Once what the journal describes is on the disk: the old copies go, then the journal. A failure
// here leaves at worst a journal whose files are all in place, finished again at the next look,
// or old copies that no journal claims, removed at the next save or open.
void retireJournal(const SaveJournal& journal) {
  for (const JournalEntry& entry : journal.entries)
    if (!entry.oldCopy.empty()) disk().remove(entry.oldCopy.c_str());
  disk().remove(journal.path.c_str());
}

SettledSave settle(const SaveJournal& journal) {
  const std::vector<std::string> folders = foldersOf(journal);
  SettledSave settled;
  settled.lastFile = journal.lastFile;
  settled.finished = true;
  std::vector<Stage> stages;
  for (const JournalEntry& entry : journal.entries) {
    settled.files.push_back(entry.target);
    stages.push_back(stageOf(entry));
    settled.finished = settled.finished && stages.back() != Stage::Missing;
  }

  const InterruptionsHeld held;
  if (settled.finished) {
    // Only a new copy found whole is put in place: a file already in place stays, whatever
    // else bears its new copy's name.
    for (std::size_t i = 0; i < journal.entries.size(); ++i) {
      const JournalEntry& entry = journal.entries[i];
      if (stages[i] != Stage::Waiting) continue;
      if (const int error = putInPlace(entry))
        throw FileError(describe(entry.target, error) + " ; l'enregistrement interrompu de " + journal.lastFile +
                        " n'a pas pu être achevé, " + journal.path + " est gardé");
    }
  } else if (const std::string lost = undo(journal, folders); !lost.empty()) {
    throw FileError(journal.lastFile + " : l'enregistrement interrompu n'a pas pu être annulé" + lost + " ; " +
                    journal.path + " est gardé");
  }
  if (const int error = syncFolders(folders))
    throw FileError(describe(journal.lastFile, error) + " ; " + journal.path + " est gardé");
  retireJournal(journal);
  return settled;
}

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  DIR* listing = ::opendir(folder.c_str());
  if (!listing) return names;
  while (const dirent* entry = ::readdir(listing)) names.emplace_back(entry->d_name);
  ::closedir(listing);
  return names;
}

bool notAfter(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec <= b.tv_nsec);
}

}  // namespace

Settling settleInterruptedSaves(const std::vector<std::string>& paths) {
  struct timespec started {};
  ::clock_gettime(CLOCK_REALTIME, &started);
  Settling settling;

  // The files looked after, by folder: under the names given and, for a symbolic link, its
  // target's. And the files a save of them writes, which alone their journal may name.
  // A file reached through a symbolic link existed when it was saved, so its journal keeps an old
  // copy of it: a journal that would have "created" it, and so remove it when undone, is not ours.
  std::map<std::string, std::set<std::string>> names;
  std::set<std::string> mayName, throughLink;  // by fileKey
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    names[parentFolder(path)].insert(baseName(path));
    const std::string resolved = resolvedPath(path);
    names[parentFolder(resolved)].insert(baseName(resolved));
    for (const std::string& file : filesSavedWith(path))
      if (const std::string saved = fileSavedAs(file); !saved.empty()) (saved == file ? mayName : throughLink).insert(fileKey(saved));
  }
  const auto named = [&](const JournalEntry& entry) {
    const std::string key = fileKey(entry.target);
    return mayName.count(key) > 0 || (throughLink.count(key) > 0 && !entry.oldCopy.empty());
  };

  std::set<std::string> toldAlone;  // journals left alone, resolved
  for (const auto& [folder, bases] : names) {
    const std::vector<std::string> entries = namesIn(folder);
    std::set<std::string> claimed;  // copies that a journal of other files names
    bool unsure = false;            // a journal of other files could not be read
    for (const std::string& name : entries) {
      const std::string journalled = fileOfJournal(name);
      const std::string journalPath = joinPath(folder, name);
      const Look seen = look(journalPath);
      if (journalled.empty() || !seen.present || !S_ISREG(seen.info.st_mode)) continue;
      SaveJournal journal;
      try {
        journal = readJournal(journalPath);
      } catch (const FileError&) {
        if (bases.count(journalled)) throw;  // the journal of a save of these files: nothing can be said of them
        unsure = true;
        continue;
      }
      std::size_t ours = 0;
      for (const JournalEntry& entry : journal.entries) ours += named(entry) ? 1 : 0;
      if (ours == journal.entries.size()) {
        settling.saves.push_back(settle(journal));
        continue;
      }
      // Named after one of these files or naming one, but naming others too: no save of them
      // wrote it. Neither it nor anything it names is touched, its copies included.
      // A folder looked at under two spellings (as given and resolved) tells it once.
      if ((ours > 0 || bases.count(journalled)) && toldAlone.insert(resolvedPath(journalPath)).second)
        settling.leftAlone.push_back(journalPath);
      for (const JournalEntry& entry : journal.entries) {
        claimed.insert(resolvedPath(entry.newCopy));
        if (!entry.oldCopy.empty()) claimed.insert(resolvedPath(entry.oldCopy));
      }
    }
    if (unsure) continue;

    // Copies of this program's naming, older than this look, that no journal claims: what a
    // kill left of a save of these files (or of a journal, written as the last file's copy).
    for (const std::string& name : entries) {
      bool copy = false;
      for (const std::string& base : bases)
        copy = copy || isNewCopyOf(name, base) || isOldCopyOf(name, base);
      if (!copy) continue;
      const std::string path = joinPath(folder, name);
      const Look seen = look(path);
      if (!seen.present || !S_ISREG(seen.info.st_mode) || !notAfter(seen.info.st_ctim, started) ||
          claimed.count(resolvedPath(path)))
        continue;
      if (disk().remove(path.c_str()) == 0) settling.removed.push_back(path);
    }
  }
  return settling;
}

// A save of several files under a journal; see the top of this file.
class SavingTogether {
 public:
  explicit SavingTogether(const std::vector<FileBytes>& files) : files_(files) {}
  void run();

 private:
  std::unique_ptr<StagedFile> stagedJournal();
  void journalCommitted(StagedFile& journal);
  [[noreturn]] void undoAfterFailure(const std::string& what);

  const std::vector<FileBytes>& files_;
  std::vector<std::unique_ptr<StagedFile>> staged_;
  SaveJournal journal_;
  std::vector<std::string> folders_;
};

void SavingTogether::run() {
  std::vector<std::string> paths;
  for (const FileBytes& file : files_) paths.push_back(file.path);
  settleInterruptedSaves(paths);
  journal_.lastFile = files_.back().path;
  journal_.path = journalNameFor(journal_.lastFile);
  if (look(journal_.path).present)  // one naming other files, left as it is
    throw FileError(describe(journal_.path, EEXIST) + " : un journal d'enregistrement laissé tel quel, rien n'est enregistré");

  for (const FileBytes& file : files_) {
    staged_.push_back(std::unique_ptr<StagedFile>(new StagedFile(file.path, StagedFile::Unsettled{})));
    staged_.back()->write(file.bytes);
  }
  for (auto& file : staged_) file->flush();
  for (std::size_t i = 0; i < staged_.size(); ++i) {
    const StagedFile& file = *staged_[i];
    JournalEntry entry;
    entry.target = file.path_;
    entry.newCopy = file.temporary_.empty() ? freshNewCopyName(file.path_) : file.temporary_;
    if (look(file.path_).present) entry.oldCopy = freshOldCopyName(file.path_);
    entry.size = files_[i].bytes.size();
    entry.checksum = checksumOf(files_[i].bytes);
    journal_.entries.push_back(std::move(entry));
  }
  folders_ = foldersOf(journal_);

  const InterruptionsHeld held;
  try {
    // The journal is written and flushed before anything is named, so that the moment a kill
    // would leave copies that nothing claims is only that of a few links.
    std::unique_ptr<StagedFile> journal = stagedJournal();
    for (std::size_t i = 0; i < staged_.size(); ++i) {
      JournalEntry& entry = journal_.entries[i];
      if (!staged_[i]->giveName(entry.newCopy)) {
        entry.newCopy.clear();  // another's file: not to be removed
        throw FileError(describe(entry.target, EEXIST));
      }
      if (entry.oldCopy.empty()) continue;
      if (const int error = keepOldCopy(entry); error > 0) throw FileError(describe(entry.target, error));
    }
    journalCommitted(*journal);
    if (const int error = syncFolders(folders_)) throw FileError(describe(journal_.lastFile, error));
    for (const JournalEntry& entry : journal_.entries)
      if (const int error = putInPlace(entry)) throw FileError(describe(entry.target, error));
    if (const int error = syncFolders(folders_)) throw FileError(describe(journal_.lastFile, error));
  } catch (const FileError& error) {
    undoAfterFailure(error.what());
  }
  for (auto& file : staged_) {  // their copies are their targets now
    unregisterTemporary(file->slot_);
    file->temporary_.clear();
    file->done_ = true;
  }
  retireJournal(journal_);
}

// The journal appears whole or not at all, and its temporary name, where it needs one, is a
// new copy's name of the last file: it fits wherever the files' own copies do.
std::unique_ptr<StagedFile> SavingTogether::stagedJournal() {
  try {
    std::unique_ptr<StagedFile> journal(new StagedFile(journal_.path, StagedFile::Unsettled{}, newCopyTemplate(journal_.lastFile)));
    journal->write(encodeJournal(journal_));
    journal->flush();
    return journal;
  } catch (const FileError& error) {
    throw FileError(journal_.lastFile + " : le journal d'enregistrement n'a pas pu être écrit : " + error.what());
  }
}

void SavingTogether::journalCommitted(StagedFile& journal) {
  try {
    journal.commitAsNewFile();
  } catch (const FileError& error) {
    throw FileError(journal_.lastFile + " : le journal d'enregistrement n'a pas pu être écrit : " + error.what());
  }
}

void SavingTogether::undoAfterFailure(const std::string& what) {
  const std::string lost = undo(journal_, folders_);
  if (!lost.empty()) {
    if (look(journal_.path).present)
      throw FileError(what + lost + " ; la prochaine ouverture de " + journal_.lastFile + " rétablira les anciens fichiers");
    throw FileError(what + lost);
  }
  syncFolders(folders_);
  retireJournal(journal_);
  throw FileError(what);
}

void writeFilesTogether(const std::vector<FileBytes>& files) {
  namespace fs = std::filesystem;
  // Every target is looked at before anything is written.
  std::vector<std::string> targets;
  for (const FileBytes& file : files) {
    checkReplaceable(file.path);
    std::error_code ignored;
    std::string target = fs::weakly_canonical(file.path, ignored).string();
    if (target.empty()) target = file.path;
    for (std::size_t k = 0; k < targets.size(); ++k)
      if (targets[k] == target)
        throw FileError(file.path + " : serait écrit deux fois dans un même enregistrement (aussi sous " + files[k].path + ")");
    targets.push_back(std::move(target));
  }
  if (files.empty()) return;
  if (files.size() == 1) {  // one rename replaces one file whole
    StagedFile file(files[0].path);
    file.write(files[0].bytes);
    file.commit();
    return;
  }
  SavingTogether(files).run();
}

}  // namespace chromaflow
