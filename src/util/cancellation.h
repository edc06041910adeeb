// Cooperative cancellation of long native work. The Python layer runs such
// work on a native thread inside a CancellationScope naming a flag; when
// Ctrl-C makes the caller give up waiting, it sets the flag, and the work's
// checkpoints (stop_requested()) end it early with kCancelled, an error value
// nobody reads any more. Work run without a scope never stops early.
// Checked by gzip inflation, dictionary reading and model loading; set by the
// Python layer.
#pragma once

#include <atomic>

#include "util/expected.h"

namespace velmora {

class CancellationScope {
 public:
  explicit CancellationScope(const std::atomic<bool>* flag) : previous_(current_) { current_ = flag; }
  ~CancellationScope() { current_ = previous_; }
  CancellationScope(const CancellationScope&) = delete;
  CancellationScope& operator=(const CancellationScope&) = delete;

  static bool stop_requested() { return current_ && current_->load(std::memory_order_relaxed); }

 private:
  static inline thread_local const std::atomic<bool>* current_ = nullptr;
  const std::atomic<bool>* previous_;
};

inline bool stop_requested() { return CancellationScope::stop_requested(); }

inline Error cancelled() { return Error{ErrorKind::kCancelled, "cancelled", 0}; }

}  // namespace velmora
