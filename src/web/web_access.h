#pragma once
// Who may read the foreman's view: anyone who reaches it when no access password is set (it then
// listens on this PC only); otherwise whoever gave the password, for 12 hours, by a random
// session cookie (HttpOnly, SameSite=Strict, Secure over HTTPS). Passwords are checked one at a
// time on a thread of their own, each wrong one from an address making its next try wait twice
// as long (from half a second to a minute), so that guessing is slow and the pages never wait.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "web/http_server.h"

namespace chromaflow::web {

class WebAccess : public QObject {
  Q_OBJECT
 public:
  // `passwordHash`: none, the view is open to whoever reaches it.
  WebAccess(std::optional<std::string> passwordHash, bool secure, QObject* parent = nullptr);
  ~WebAccess() override;

  bool asksPassword() const { return hash_.has_value(); }
  // The request carries a session still valid (always, when no password is asked).
  bool admits(const HttpRequest& request);
  // Checks the password given by `peer`; `done` then runs on this object's thread with the
  // Set-Cookie header of a new session, or empty for a wrong password.
  void logIn(const QHostAddress& peer, std::string password, std::function<void(QByteArray)> done);
  // Ends the request's session; the Set-Cookie header that clears it.
  QByteArray logOut(const HttpRequest& request);

  static constexpr const char* kCookie = "chromaflow_session";
  static constexpr std::chrono::hours kSessionLife{12};
  static constexpr int kMostSessions = 1000;

 private:
  struct Try {
    QHostAddress peer;
    std::string password;
    std::function<void(QByteArray)> done;
    std::chrono::steady_clock::time_point notBefore;
  };
  void check();
  QByteArray newSession();

  std::optional<std::string> hash_;
  bool secure_;
  // This object's thread's own.
  QHash<QByteArray, std::chrono::steady_clock::time_point> sessions_;  // token -> end
  struct Failures {
    int count = 0;
    std::chrono::steady_clock::time_point last;
  };
  QHash<QString, Failures> failures_;
  // Shared with the checking thread.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Try> tries_;
  bool stopping_ = false;
  std::thread checker_;
};

}  // namespace chromaflow::web
