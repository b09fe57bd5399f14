#include "web/web_access.h"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>

#include "web/access_password.h"

namespace chromaflow::web {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kMostWaitingTries = 64;

}  // namespace

WebAccess::WebAccess(std::optional<std::string> passwordHash, bool secure, QObject* parent)
    : QObject(parent), hash_(std::move(passwordHash)), secure_(secure) {
  if (sodium_init() < 0) throw std::runtime_error("libsodium ne démarre pas");
  if (hash_) checker_ = std::thread([this] { check(); });
}

WebAccess::~WebAccess() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    tries_.clear();
  }
  wake_.notify_all();
  if (checker_.joinable()) checker_.join();
}

bool WebAccess::admits(const HttpRequest& request) {
  if (!hash_) return true;
  const QByteArray token = request.cookie(kCookie);
  const auto session = sessions_.find(token);
  if (token.isEmpty() || session == sessions_.end()) return false;
  if (session.value() < Clock::now()) {
    sessions_.erase(session);
    return false;
  }
  return true;
}

void WebAccess::logIn(const QHostAddress& peer, std::string password, std::function<void(QByteArray)> done) {
  if (!hash_) return done({});
  // Each wrong password from this address doubles the wait before the next is checked.
  if (failures_.size() > 10'000) failures_.clear();  // many addresses: the oldest counts go
  Failures& failed = failures_[peer.toString()];
  if (failed.count > 0 && Clock::now() - failed.last > std::chrono::hours(1)) failed = {};
  const auto wait = failed.count == 0 ? std::chrono::milliseconds(0)
                                      : std::min<std::chrono::milliseconds>(
                                            std::chrono::milliseconds(500LL << std::min(failed.count - 1, 7)),
                                            std::chrono::minutes(1));
  const auto answer = [this, peer, done = std::move(done)](bool right) {
    Failures& failures = failures_[peer.toString()];
    if (!right) {
      ++failures.count;
      failures.last = Clock::now();
      return done({});
    }
    failures_.remove(peer.toString());
    done(newSession());
  };
  std::unique_lock lock(mutex_);
  if (tries_.size() >= kMostWaitingTries) {
    lock.unlock();
    return answer(false);
  }
  tries_.push_back({peer, std::move(password),
                    [this, answer](QByteArray right) {
                      QMetaObject::invokeMethod(this, [answer, right] { answer(!right.isEmpty()); },
                                                Qt::QueuedConnection);
                    },
                    Clock::now() + wait});
  wake_.notify_all();
}

void WebAccess::check() {
  for (;;) {
    Try next;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !tries_.empty(); });
      if (stopping_) return;
      // The soonest due first; one waiting on its address's failures does not hold the others.
      const auto soonest = std::min_element(tries_.begin(), tries_.end(),
                                            [](const Try& a, const Try& b) { return a.notBefore < b.notBefore; });
      if (soonest->notBefore > Clock::now()) {
        wake_.wait_until(lock, soonest->notBefore);
        continue;
      }
      next = std::move(*soonest);
      tries_.erase(soonest);
    }
    const bool right = passwordMatches(*hash_, next.password);
    sodium_memzero(next.password.data(), next.password.size());
    next.done(right ? QByteArray("1") : QByteArray());
  }
}

QByteArray WebAccess::newSession() {
  const auto now = Clock::now();
  for (auto session = sessions_.begin(); session != sessions_.end();)
    session = session.value() < now ? sessions_.erase(session) : std::next(session);
  if (sessions_.size() >= kMostSessions) {
    auto oldest = std::min_element(sessions_.begin(), sessions_.end());
    sessions_.erase(oldest);
  }
  unsigned char random[32];
  randombytes_buf(random, sizeof random);
  const QByteArray token = QByteArray(reinterpret_cast<const char*>(random), sizeof random).toHex();
  sessions_.insert(token, now + kSessionLife);
  return QByteArray(kCookie) + "=" + token + "; Path=/; HttpOnly; SameSite=Strict; Max-Age=" +
         QByteArray::number(static_cast<qlonglong>(std::chrono::seconds(kSessionLife).count())) +
         (secure_ ? "; Secure" : "");
}

QByteArray WebAccess::logOut(const HttpRequest& request) {
  sessions_.remove(request.cookie(kCookie));
  return QByteArray(kCookie) + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0" + (secure_ ? "; Secure" : "");
}

}  // namespace chromaflow::web
