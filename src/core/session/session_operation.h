#pragma once
// The frame of every session operation: nested operations (a gesture whose chain runs another)
// tell the listeners once, when the outermost one ends, whatever they changed together.
// Included by the session's own sources only.

#include <type_traits>
#include <utility>

#include "core/common/text_file.h"
#include "core/session/session.h"

namespace chromaflow {

template <typename Body>
auto Session::operation(Body&& body) {
  ++depth_;
  try {
    if constexpr (std::is_void_v<std::invoke_result_t<Body>>) {
      body();
      finish();
    } else {
      auto result = body();
      finish();
      return result;
    }
  } catch (...) {
    finish();
    throw;
  }
}

template <typename Open>
bool Session::fileOperation(Changed changes, Open&& open) {
  return operation([&] {
    try {
      const bool done = open();
      if (done) note(changes);
      return done;
    } catch (const FileError& error) {
      // What was read before the error stays; the operator reads why it stopped.
      note(changes);
      if (asker_) asker_->showError(error.what());
      return false;
    }
  });
}

}  // namespace chromaflow
