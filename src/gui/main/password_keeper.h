#pragma once
// Where the shared history's password is kept between runs: the desktop's keychain (its secret
// service), never the operator's choice file. Asked without waiting: a keychain may take its time
// (the desktop asking to unlock it), and the window never waits on it. Each answer comes later,
// on the window's thread. The window tests give one of their own.

#include <functional>
#include <string>

namespace chromaflow {

class PasswordKeeper {
 public:
  enum class Outcome {
    Done,       // kept; or found, in `password`
    NotFound,   // nothing kept under that key
    NoKeeper,   // no keychain on this desktop, or it failed
    Refused,    // the keychain, or the operator it asked, refused
  };
  struct Answer {
    Outcome outcome = Outcome::NoKeeper;
    std::string password;
    std::string detail;  // the keychain's own words, when it failed
  };
  using Done = std::function<void(const Answer&)>;

  virtual ~PasswordKeeper() = default;
  // Keeps `password` under `key` (the connection text without its password), replacing any.
  virtual void keep(const std::string& key, const std::string& password, Done done) = 0;
  // The password kept under `key`.
  virtual void find(const std::string& key, Done done) = 0;
};

}  // namespace chromaflow
