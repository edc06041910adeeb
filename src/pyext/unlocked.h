// Running native work with the interpreter lock released, so that other Python
// threads run meanwhile: plainly, or on a native thread while the calling
// thread watches for signals, so that Ctrl-C interrupts a long operation.
// Used by compile, model loading and the TrieBuilder's build/to_bytes/save.
// The work must touch no Python object.
#pragma once

#include "pyext/py_ref.h"
#include "util/cancellation.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace velmora::py {

// `work()` with the lock released; C++ exceptions pass through once it is held again.
template <typename Work>
auto without_lock(Work&& work) -> decltype(work()) {
  struct Relock {
    PyThreadState* state;
    ~Relock() { PyEval_RestoreThread(state); }
  } relock{PyEval_SaveThread()};
  return work();
}

// `work()` on a native thread, the lock released; the caller checks for pending
// signals every 50 ms. When a signal handler raises (KeyboardInterrupt on
// Ctrl-C), returns nullopt with that error set at once and asks the work to
// stop (its checkpoints end it within a fraction of a second; a stage without
// checkpoints runs to its end unobserved): `work` must therefore own
// everything it reads (capture by value) and must not write anything the
// caller would see.
template <typename Work>
auto interruptible(Work work) -> std::optional<decltype(work())> {
  using Result = decltype(work());
  struct State {
    std::mutex mutex;
    std::condition_variable done_signal;
    bool done = false;
    std::atomic<bool> stop{false};
    std::optional<Result> result;
    std::exception_ptr failure;
  };
  auto state = std::make_shared<State>();
  std::thread([state, work = std::move(work)]() mutable {
    std::optional<Result> result;
    std::exception_ptr failure;
    try {
      CancellationScope scope(&state->stop);
      result.emplace(work());
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard<std::mutex> guard(state->mutex);
    state->result = std::move(result);
    state->failure = failure;
    state->done = true;
    state->done_signal.notify_all();
  }).detach();
  for (;;) {
    const bool done = without_lock([&] {
      std::unique_lock<std::mutex> lock(state->mutex);
      return state->done_signal.wait_for(lock, std::chrono::milliseconds(50), [&] { return state->done; });
    });
    if (done) break;
    if (PyErr_CheckSignals() < 0) {
      state->stop = true;
      return std::nullopt;
    }
  }
  if (state->failure) std::rethrow_exception(state->failure);
  return std::move(state->result);
}

}  // namespace velmora::py
