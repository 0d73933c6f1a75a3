#pragma once
// Owners of Win32 handles: each closes its handle with the matching function
// when it goes. A traits type names the handle, the value that means "none"
// and the closing function; most handles mean "none" by null, files by
// INVALID_HANDLE_VALUE.
#include <windows.h>

#include <utility>

namespace pq::win32 {

template <typename Traits>
class basic_unique_handle {
 public:
  using handle_type = typename Traits::type;

  basic_unique_handle() = default;
  explicit basic_unique_handle(handle_type handle) : handle_(handle) {}
  basic_unique_handle(const basic_unique_handle&) = delete;
  basic_unique_handle& operator=(const basic_unique_handle&) = delete;
  basic_unique_handle(basic_unique_handle&& other) noexcept : handle_(other.release()) {}
  basic_unique_handle& operator=(basic_unique_handle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~basic_unique_handle() { reset(); }

  handle_type get() const { return handle_; }
  handle_type* put() {
    reset();
    return &handle_;
  }
  handle_type release() { return std::exchange(handle_, Traits::invalid()); }
  void reset(handle_type handle = Traits::invalid()) {
    if (handle_ != Traits::invalid()) Traits::close(handle_);
    handle_ = handle;
  }
  explicit operator bool() const { return handle_ != Traits::invalid(); }

 private:
  handle_type handle_ = Traits::invalid();
};

// A handle that is null when there is none.
template <typename T, auto Close>
struct null_handle_traits {
  using type = T;
  static constexpr T invalid() { return T{}; }
  static void close(T handle) { Close(handle); }
};

template <typename T, auto Close>
using unique_handle = basic_unique_handle<null_handle_traits<T, Close>>;

// CreateFile reports failure with INVALID_HANDLE_VALUE, not null.
struct file_handle_traits {
  using type = HANDLE;
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE handle) { CloseHandle(handle); }
};

using unique_file = basic_unique_handle<file_handle_traits>;
using unique_hkey = unique_handle<HKEY, &RegCloseKey>;
using unique_hwnd = unique_handle<HWND, &DestroyWindow>;
using unique_hmenu = unique_handle<HMENU, &DestroyMenu>;
using unique_hfont = unique_handle<HFONT, &DeleteObject>;
using unique_hbitmap = unique_handle<HBITMAP, &DeleteObject>;
using unique_hdc = unique_handle<HDC, &DeleteDC>;  // from CreateCompatibleDC
using unique_hmodule = unique_handle<HMODULE, &FreeLibrary>;
using unique_hglobal = unique_handle<HGLOBAL, &GlobalFree>;

}  // namespace pq::win32
