#include "win32/wide_text.h"

#include <windows.h>

#include <climits>
#include <cwchar>
#include <new>

namespace pq::win32 {
namespace {

// The conversion calls count in int; longer texts do not reach a window.
int Length(size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) throw std::bad_alloc();
  return static_cast<int>(size);
}

}  // namespace

std::wstring Wide(std::string_view text) {
  if (text.empty()) return std::wstring();
  const int length = Length(text.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), needed);
  return wide;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return std::string();
  const int length = Length(text.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string narrow(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

std::string Utf8(const wchar_t* text) {
  return text ? Utf8(std::wstring_view(text, std::wcslen(text))) : std::string();
}

}  // namespace pq::win32
