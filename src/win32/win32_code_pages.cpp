#include "win32/win32_code_pages.h"

#include <windows.h>
// after windows.h, which it needs
#include <mlang.h>
#include <wrl/client.h>

#include <climits>

#include "win32/com_support.h"
#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

// Code pages whose converters take no flags and no used-default pointer:
// whether they held the text is seen by converting back.
bool TakesNoFlags(unsigned code_page) {
  return code_page == 42 || code_page == 65000 || code_page == 65001 ||
         (code_page >= 50220 && code_page <= 50229) || code_page == 52936 || code_page == 54936 ||
         (code_page >= 57002 && code_page <= 57011);
}

// IMultiLanguage2's identifier, which the tool chain's libraries lack.
constexpr IID kMultiLanguage2Id = {
    0xDCCFC164, 0x2B38, 0x11D2, {0xB7, 0xEC, 0x00, 0xC0, 0x4F, 0x8F, 0x5D, 0x9A}};

Microsoft::WRL::ComPtr<IMultiLanguage2> MultiLanguage() {
  Microsoft::WRL::ComPtr<IMultiLanguage2> languages;
  if (FAILED(CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER,
                              kMultiLanguage2Id,
                              reinterpret_cast<void**>(languages.GetAddressOf()))))
    return nullptr;
  return languages;
}

unsigned MultiLanguageCodePage(std::string_view name) {
  const Microsoft::WRL::ComPtr<IMultiLanguage2> languages = MultiLanguage();
  if (!languages) return 0;
  const Bstr charset{std::string(name)};
  MIMECSETINFO info{};
  if (FAILED(languages->GetCharsetInfo(charset.get(), &info))) return 0;
  // The code page the charset's text is in, not the one a browser shows it in.
  return info.uiInternetEncoding;
}

// The system's converters lack some code pages that the browser's language
// library converts (EUC-JP, for one): text in those goes through the library.
bool SystemLacks(unsigned code_page) { return !IsValidCodePage(code_page); }

std::optional<std::wstring> LibraryToWide(IMultiLanguage2& languages, std::string_view bytes,
                                          unsigned code_page) {
  if (bytes.size() >= UINT_MAX / 2) return std::nullopt;
  std::string source(bytes);
  UINT source_size = static_cast<UINT>(source.size());
  // A byte gives at most one UTF-16 unit.
  std::wstring wide(source.size() + 1, L'\0');
  UINT wide_size = static_cast<UINT>(wide.size());
  DWORD mode = 0;
  if (languages.ConvertStringToUnicode(&mode, code_page, source.data(), &source_size,
                                       wide.data(), &wide_size) != S_OK ||
      source_size != source.size() || wide_size > wide.size())
    return std::nullopt;
  wide.resize(wide_size);
  return wide;
}

std::optional<std::string> LibraryFromWide(IMultiLanguage2& languages, std::wstring wide,
                                           unsigned code_page) {
  if (wide.size() >= UINT_MAX / 8) return std::nullopt;
  UINT wide_size = static_cast<UINT>(wide.size());
  // Room for a shift sequence beside each character and one at the end.
  std::string bytes(wide.size() * 6 + 8, '\0');
  UINT bytes_size = static_cast<UINT>(bytes.size());
  DWORD mode = 0;
  if (languages.ConvertStringFromUnicode(&mode, code_page, wide.data(), &wide_size,
                                         bytes.data(), &bytes_size) != S_OK ||
      wide_size != wide.size() || bytes_size > bytes.size())
    return std::nullopt;
  bytes.resize(bytes_size);
  // The library puts a stand-in for what the code page cannot hold without
  // a word: the bytes must give the text back.
  if (LibraryToWide(languages, bytes, code_page) != wide) return std::nullopt;
  return bytes;
}

}  // namespace

unsigned Win32CodePages::AnsiCodePage() { return GetACP(); }

unsigned Win32CodePages::CodePageNamed(std::string_view name) {
  if (name.empty()) return 0;
  if (const unsigned code_page = MultiLanguageCodePage(name)) return code_page;
  return CodePageOfWellKnownName(name);
}

std::string Win32CodePages::ToUtf8(std::string_view bytes, unsigned code_page) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return std::string();
  if (SystemLacks(code_page)) {
    const Microsoft::WRL::ComPtr<IMultiLanguage2> languages = MultiLanguage();
    return languages ? Utf8(LibraryToWide(*languages.Get(), bytes, code_page).value_or(L""))
                     : std::string();
  }
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return std::string();
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), needed);
  return Utf8(wide);
}

std::optional<std::string> Win32CodePages::FromUtf8(std::string_view text, unsigned code_page) {
  if (text.empty()) return std::string();
  if (text.size() > static_cast<size_t>(INT_MAX)) return std::nullopt;
  // Only well-formed UTF-8 comes through.
  const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                        static_cast<int>(text.size()), nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      wide.data(), units);

  if (SystemLacks(code_page)) {
    const Microsoft::WRL::ComPtr<IMultiLanguage2> languages = MultiLanguage();
    if (!languages) return std::nullopt;
    return LibraryFromWide(*languages.Get(), std::move(wide), code_page);
  }
  const bool no_flags = TakesNoFlags(code_page);
  const DWORD flags = no_flags ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* const used_default_at = no_flags ? nullptr : &used_default;
  const int needed =
      WideCharToMultiByte(code_page, flags, wide.data(), units, nullptr, 0, nullptr, used_default_at);
  if (needed <= 0 || used_default) return std::nullopt;
  std::string bytes(static_cast<size_t>(needed), '\0');
  if (WideCharToMultiByte(code_page, flags, wide.data(), units, bytes.data(), needed, nullptr,
                          used_default_at) != needed ||
      used_default)
    return std::nullopt;
  if (no_flags) {
    // Nothing said whether a character was replaced: the bytes must give the
    // text back.
    const int back = MultiByteToWideChar(code_page, 0, bytes.data(), needed, nullptr, 0);
    if (back != units) return std::nullopt;
    std::wstring again(static_cast<size_t>(back), L'\0');
    MultiByteToWideChar(code_page, 0, bytes.data(), needed, again.data(), back);
    if (again != wide) return std::nullopt;
  }
  return bytes;
}

}  // namespace pq::win32
