#pragma once
// A value or a one-line reason why there is none. Core functions return this
// where the caller needs to tell the user what went wrong (the command line
// prints the reason; the windows show their own fixed texts).

#include <optional>
#include <string>
#include <utility>

namespace imbrino {

struct Failure {
  std::string reason;
};

inline Failure fail(std::string reason) { return Failure{std::move(reason)}; }

template <class T>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : value_(std::move(value)) {}
  Expected(Failure failure) : reason_(std::move(failure.reason)) {}

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }

  // Throws std::bad_optional_access when there is no value: asking for it is a
  // programming error, not a failure to report.
  T& value() & { return value_.value(); }
  const T& value() const& { return value_.value(); }
  T&& value() && { return std::move(value_.value()); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }

  // Empty when ok().
  const std::string& reason() const { return reason_; }

 private:
  std::optional<T> value_;
  std::string reason_;
};

// For operations that produce nothing but can fail.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Failure failure) : failed_(true), reason_(std::move(failure.reason)) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const std::string& reason() const { return reason_; }

 private:
  bool failed_ = false;
  std::string reason_;
};

}  // namespace imbrino
