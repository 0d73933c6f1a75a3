#pragma once
// Owns one Win32 handle and closes it with the matching function.
#include <windows.h>

#include <utility>

namespace pq::win32 {

template <typename T, auto Close, T Invalid = T{}>
class unique_handle {
 public:
  unique_handle() = default;
  explicit unique_handle(T handle) : handle_(handle) {}
  unique_handle(const unique_handle&) = delete;
  unique_handle& operator=(const unique_handle&) = delete;
  unique_handle(unique_handle&& other) noexcept : handle_(other.release()) {}
  unique_handle& operator=(unique_handle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~unique_handle() { reset(); }

  T get() const { return handle_; }
  T* put() {
    reset();
    return &handle_;
  }
  T release() { return std::exchange(handle_, Invalid); }
  void reset(T handle = Invalid) {
    if (handle_ != Invalid) Close(handle_);
    handle_ = handle;
  }
  explicit operator bool() const { return handle_ != Invalid; }

 private:
  T handle_ = Invalid;
};

using unique_hkey = unique_handle<HKEY, &RegCloseKey>;

}  // namespace pq::win32
