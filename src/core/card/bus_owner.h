#pragma once
// Who runs the card's operations on its bus. Without an owner every operation runs at once on
// the caller's thread. While the acquisition thread owns the bus, an operation asked from any
// other thread is handed to it, runs there whole between two samplings of the inputs, and the
// caller goes on once it is done: no two transactions ever share the bus.

#include <functional>

namespace chromaflow {

class BusOwner {
 public:
  virtual ~BusOwner() = default;
  // Whether the calling thread is the owner's own (an operation inside another runs in place).
  virtual bool onOwnerThread() const = 0;
  // Runs `operation` on the owner's thread and returns once it has run. An exception it
  // throws comes back to the caller.
  virtual void runOwned(const std::function<void()>& operation) = 0;
};

}  // namespace chromaflow
