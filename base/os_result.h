// OsResult: what an operation made, or the OS's reason why it failed.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace zentho {

// The OS's text for `errnum` (strerror_r on POSIX, the C runtime's strerror on Windows).
std::string ErrnoText(int errnum);

#if defined(_WIN32)
// "Access is denied. (error 5)": the system's message for a Win32 error code without its
// line end, and the code, which stays readable when the system has no text for it.
std::string Win32ErrorText(std::uint32_t error);

// Win32ErrorText(GetLastError()).
std::string LastErrorText();
#endif

struct OsError {
  std::string reason;  // the OS's own words, never empty on a failure
};

// Holds either a value or an OsError. Test it with `if (result)` before taking value().
template <typename T>
class OsResult {
 public:
  OsResult(T value) : state_(std::move(value)) {}      // NOLINT: implicit by design
  OsResult(OsError error) : state_(std::move(error)) {}  // NOLINT: implicit by design

  explicit operator bool() const { return std::holds_alternative<T>(state_); }
  T& value() { return std::get<T>(state_); }
  const T& value() const { return std::get<T>(state_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  // The reason of a failed result; empty for a successful one.
  const std::string& reason() const {
    static const std::string none;
    return *this ? none : std::get<OsError>(state_).reason;
  }

 private:
  std::variant<T, OsError> state_;
};

// An operation that makes nothing: success, or the OS's reason why it failed.
template <>
class OsResult<void> {
 public:
  OsResult() = default;
  OsResult(OsError error) : error_(std::move(error.reason)), failed_(true) {}  // NOLINT

  explicit operator bool() const { return !failed_; }
  const std::string& reason() const { return error_; }

 private:
  std::string error_;
  bool failed_ = false;
};

// The reason of the last failed C library or POSIX call, taken from errno.
OsError LastOsError();

}  // namespace zentho
