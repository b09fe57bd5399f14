#include "web/access_password.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace chromaflow::web {
namespace {

// A few tens of milliseconds a try and 16 MiB, so that a guess costs an attacker as much while
// the service, which checks one login at a time, stays small.
constexpr unsigned long long kPasses = 3;
constexpr std::size_t kMemory = 16 * 1024 * 1024;

bool ready() { return sodium_init() >= 0; }

}  // namespace

std::string hashPassword(const std::string& password) {
  char hash[crypto_pwhash_STRBYTES];
  if (!ready() || crypto_pwhash_str(hash, password.data(), password.size(), kPasses, kMemory) != 0)
    throw std::runtime_error("le mot de passe n'a pas pu être chiffré (mémoire insuffisante)");
  return hash;
}

bool passwordMatches(const std::string& hash, const std::string& password) {
  if (!ready() || hash.empty() || hash.size() >= crypto_pwhash_STRBYTES) return false;
  char kept[crypto_pwhash_STRBYTES] = {};
  std::memcpy(kept, hash.data(), hash.size());
  return crypto_pwhash_str_verify(kept, password.data(), password.size()) == 0;
}

void writePasswordFile(const std::string& path, const std::string& hash) {
  const std::string staged = path + ".nouveau";
  ::unlink(staged.c_str());
  const int file = ::open(staged.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (file < 0) throw std::runtime_error(path + " ne peut pas être écrit : " + std::strerror(errno));
  const std::string line = hash + "\n";
  const bool written = ::write(file, line.data(), line.size()) == static_cast<ssize_t>(line.size()) && ::fsync(file) == 0;
  const int error = errno;
  ::close(file);
  if (!written || ::rename(staged.c_str(), path.c_str()) != 0) {
    ::unlink(staged.c_str());
    throw std::runtime_error(path + " ne peut pas être écrit : " + std::strerror(written ? errno : error));
  }
}

std::optional<std::string> readPasswordFile(const std::string& path, std::string& why) {
  const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (file < 0) {
    why = path + " ne peut pas être lu : " + std::strerror(errno);
    return std::nullopt;
  }
  struct stat about {};
  char bytes[512];
  ssize_t got = -1;
  if (::fstat(file, &about) == 0 && S_ISREG(about.st_mode) && about.st_size < static_cast<off_t>(sizeof bytes))
    got = ::read(file, bytes, sizeof bytes);
  ::close(file);
  std::string hash(bytes, got > 0 ? static_cast<std::size_t>(got) : 0);
  while (!hash.empty() && (hash.back() == '\n' || hash.back() == '\r')) hash.pop_back();
  if (hash.rfind("$argon2", 0) != 0 || hash.size() >= crypto_pwhash_STRBYTES) {
    why = path + " ne tient pas de mot de passe chiffré : refaites-le avec chromaflow-web --set-password";
    return std::nullopt;
  }
  return hash;
}

}  // namespace chromaflow::web
