#pragma once
// An event that any number of listeners hear. A listener stays subscribed for as long as it
// keeps the Subscription it was given; dropping it (or calling reset) leaves, even from inside
// the event itself. Listeners are called in the order they subscribed. One thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace chromaflow {

class Subscription {
 public:
  Subscription() = default;
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;
  Subscription(Subscription&& other) noexcept : leave_(std::exchange(other.leave_, nullptr)) {}
  Subscription& operator=(Subscription&& other) noexcept {
    if (this != &other) {
      reset();
      leave_ = std::exchange(other.leave_, nullptr);
    }
    return *this;
  }
  ~Subscription() { reset(); }

  void reset() {
    if (leave_) std::exchange(leave_, nullptr)();
  }
  bool active() const { return static_cast<bool>(leave_); }

 private:
  template <typename...>
  friend class Signal;
  explicit Subscription(std::function<void()> leave) : leave_(std::move(leave)) {}
  std::function<void()> leave_;
};

template <typename... Args>
class Signal {
 public:
  using Listener = std::function<void(Args...)>;

  Signal() = default;
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;

  [[nodiscard]] Subscription subscribe(Listener listener) {
    auto entry = std::make_shared<Entry>(Entry{std::move(listener), true});
    state_->entries.push_back(entry);
    std::weak_ptr<State> state = state_;
    return Subscription([state, entry] {
      entry->alive = false;
      if (auto held = state.lock()) std::erase(held->entries, entry);
    });
  }

  // Calls every listener subscribed when the event starts and still subscribed when its turn
  // comes; one that subscribes during the event hears the next one.
  void emit(const Args&... args) const {
    const auto& subscribed = state_->entries;
    // Most events have no listener or one: the list is copied only when there are more.
    if (subscribed.empty()) return;
    if (subscribed.size() == 1) {
      const std::shared_ptr<Entry> only = subscribed.front();  // kept should it leave meanwhile
      if (only->alive) only->listener(args...);
      return;
    }
    const auto entries = subscribed;
    for (const auto& entry : entries)
      if (entry->alive) entry->listener(args...);
  }

  std::size_t listenerCount() const { return state_->entries.size(); }

 private:
  struct Entry {
    Listener listener;
    bool alive;
  };
  struct State {
    std::vector<std::shared_ptr<Entry>> entries;
  };
  // Shared with the subscriptions, so that one outliving the signal leaves safely.
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace chromaflow
