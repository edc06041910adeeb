// Error values for the native core: an operation returns either its value or a
// message. No exceptions cross a module boundary; the Python layer maps the
// error kind to an exception class.
// Used by every room.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace velmora {

enum class ErrorKind : unsigned char {
  kInvalidData,     // validation failures, writer failures, bad arguments
  kUnexpectedEnd,   // a stream ended inside a field
  kIo,              // operating-system I/O error; `os_errno` carries the number
  kInternal,        // an invariant of our own code was violated
  kTooLarge,        // a documented size bound refused the work before allocating
  kCancelled,       // the caller stopped waiting (Ctrl-C); the result is discarded
};

struct Error {
  ErrorKind kind = ErrorKind::kInvalidData;
  std::string message;
  int os_errno = 0;
};

inline Error invalid_data(std::string message) {
  return Error{ErrorKind::kInvalidData, std::move(message), 0};
}

inline Error too_large(std::string message) {
  return Error{ErrorKind::kTooLarge, std::move(message), 0};
}

template <typename T>
class Expected {
 public:
  Expected(T value) : state_(std::move(value)) {}          // NOLINT: implicit by design
  Expected(Error error) : state_(std::move(error)) {}       // NOLINT: implicit by design

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const Error& error() const { return std::get<1>(state_); }
  Error&& take_error() { return std::get<1>(std::move(state_)); }

 private:
  std::variant<T, Error> state_;
};

// For operations that produce nothing but may fail.
struct Unit {};
using Status = Expected<Unit>;
inline Status ok_status() { return Status(Unit{}); }

}  // namespace velmora
