#include "platform/code_pages.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/text.h"

// The native build converts with the C library's iconv; the Windows build of
// the same core (mingw-w64 has no iconv) knows UTF-8 and Windows-1252 itself
// until the DLL installs the Win32 adapter.
#if defined(__has_include) && !defined(_WIN32)
#if __has_include(<iconv.h>)
#include <iconv.h>
#define PQ_HAVE_ICONV 1
#endif
#endif

namespace pq {
namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kUtf16LeBom[] = "\xFF\xFE";

// UTF-8 with every ill-formed subpart replaced by U+FFFD.
std::string ValidUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Utf16ToUtf8(Utf8ToUtf16(bytes));
}

void AppendReplacement(std::string& out) { AppendUtf8(out, kReplacementCharacter); }

// Code pages whose bytes below 0x80 are ASCII, so that ASCII text needs no
// conversion: UTF-8, US-ASCII, the Windows and ISO 8859 code pages, KOI8,
// the East Asian ones, the DOS ones.
bool AsciiCompatible(unsigned code_page) {
  switch (code_page) {
    case kCodePageUtf8:
    case 20127:  // US-ASCII
    case 20866:  // KOI8-R
    case 21866:  // KOI8-U
    case 20932:  // EUC-JP
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
      return true;
    default:
      return (code_page >= 1250 && code_page <= 1258) ||
             (code_page >= 28591 && code_page <= 28606) || (code_page >= 437 && code_page <= 869);
  }
}

// ---- Names ----

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// A decimal number of one to five digits, 1..65535; 0 for anything else.
unsigned Number(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return 0;
  unsigned value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value <= 0xFFFF ? value : 0;
}

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

}  // namespace

unsigned CodePageOfWellKnownName(std::string_view name) {
  while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  const std::string lower = LowerAscii(name);
  const std::string_view n = lower;
  static constexpr struct {
    const char* name;
    unsigned code_page;
  } kNames[] = {
      {"utf-8", kCodePageUtf8}, {"utf8", kCodePageUtf8},      {"us-ascii", 20127},
      {"koi8-r", 20866},        {"koi8-u", 21866},            {"shift_jis", 932},
      {"gbk", 936},             {"gb2312", 936},              {"ks_c_5601-1987", 949},
      {"euc-kr", 949},          {"big5", 950},                {"euc-jp", 20932},
  };
  for (const auto& known : kNames)
    if (n == known.name) return known.code_page;
  for (std::string_view prefix : {"windows-", "cp", "x-cp"})
    if (StartsWith(n, prefix)) return Number(n.substr(prefix.size()));
  if (StartsWith(n, "iso-8859-")) {
    const unsigned part = Number(n.substr(9));
    if (part >= 1 && part <= 16 && part != 12) return 28590 + part;
  }
  return 0;
}

namespace {

// ---- The built-in converters: UTF-8 and Windows-1252 ----

// Windows-1252's characters for bytes 0x80..0x9F; 0 where it has none.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Bytes as UTF-8 for the code pages the built-in converters know; for any
// other, ASCII is itself and every other byte U+FFFD.
std::string BuiltInToUtf8(std::string_view bytes, unsigned code_page) {
  if (code_page == kCodePageUtf8) return ValidUtf8(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (char byte : bytes) {
    const unsigned char c = static_cast<unsigned char>(byte);
    if (c < 0x80)
      out += byte;
    else if (code_page != kCodePageWindows1252)
      AppendReplacement(out);
    else if (c >= 0xA0)
      AppendUtf8(out, c);
    else if (kWindows1252High[c - 0x80] != 0)
      AppendUtf8(out, kWindows1252High[c - 0x80]);
    else
      AppendReplacement(out);
  }
  return out;
}

std::optional<std::string> BuiltInFromUtf8(std::string_view text, unsigned code_page) {
  if (code_page == kCodePageUtf8) return std::string(text);
  if (code_page != kCodePageWindows1252) return std::nullopt;
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const char32_t c = NextCodePoint(text, at);
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
      continue;
    }
    int byte = -1;
    for (int i = 0; i < 32; ++i)
      if (kWindows1252High[i] != 0 && kWindows1252High[i] == c) byte = 0x80 + i;
    if (byte < 0) return std::nullopt;
    out += static_cast<char>(byte);
  }
  return out;
}

// ---- iconv ----

#ifdef PQ_HAVE_ICONV

// glibc's name for a Windows code page.
std::string IconvName(unsigned code_page) {
  switch (code_page) {
    case 20127:
      return "ASCII";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    case 20932:
      return "EUC-JP";
    default:
      if (code_page >= 28591 && code_page <= 28606)
        return "ISO-8859-" + std::to_string(code_page - 28590);
      return "CP" + std::to_string(code_page);
  }
}

class Iconv {
 public:
  Iconv(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Runs `in` through a converter onto the end of `out`. At an input that it
// cannot convert, `on_error` decides: it returns how many input bytes to
// skip, having appended to `out` what stands for them, or 0 to give up.
// Returns false when given up, or when the converter substituted something
// (an irreversible conversion).
template <typename OnError>
bool RunIconv(iconv_t cd, std::string_view in, std::string& out, OnError on_error) {
  char* in_at = const_cast<char*>(in.data());
  size_t in_left = in.size();
  size_t used = out.size();
  out.resize(used + in_left * 3 + 16);
  bool reversible = true;
  bool flushing = false;  // the input is done; the converter's state is written out
  for (;;) {
    char* out_at = out.data() + used;
    size_t out_left = out.size() - used;
    const size_t result = flushing ? iconv(cd, nullptr, nullptr, &out_at, &out_left)
                                   : iconv(cd, &in_at, &in_left, &out_at, &out_left);
    const int error = errno;
    used = static_cast<size_t>(out_at - out.data());
    if (result != static_cast<size_t>(-1)) {  // all of the input converted
      if (result > 0) reversible = false;
      if (flushing) break;
      flushing = true;
      continue;
    }
    if (error == E2BIG) {
      out.resize(out.size() * 2 + 16);
      continue;
    }
    if (flushing) return false;
    out.resize(used);
    size_t skip = on_error(error);  // EILSEQ, or EINVAL for a sequence cut short at the end
    if (skip == 0) return false;
    if (skip > in_left) skip = in_left;
    in_at += skip;
    in_left -= skip;
    used = out.size();
    out.resize(used + in_left * 3 + 16);
  }
  out.resize(used);
  return reversible;
}

#endif  // PQ_HAVE_ICONV

std::atomic<CodePages*> installed_code_pages{nullptr};

}  // namespace

unsigned NativeCodePages::CodePageNamed(std::string_view name) {
  return CodePageOfWellKnownName(name);
}

std::string NativeCodePages::ToUtf8(std::string_view bytes, unsigned code_page) {
  if (code_page == kCodePageUtf8) return ValidUtf8(bytes);
  if (AsciiCompatible(code_page) && IsAscii(bytes)) return std::string(bytes);
#ifdef PQ_HAVE_ICONV
  Iconv converter("UTF-8", IconvName(code_page));
  if (converter.ok()) {
    std::string out;
    RunIconv(converter.get(), bytes, out, [&](int) {
      AppendReplacement(out);  // a byte the code page leaves undefined, or a truncated one
      return size_t{1};
    });
    return out;
  }
#endif
  return BuiltInToUtf8(bytes, code_page);
}

std::optional<std::string> NativeCodePages::FromUtf8(std::string_view text, unsigned code_page) {
  if (!IsValidUtf8(text)) return std::nullopt;
  if (code_page == kCodePageUtf8) return std::string(text);
  if (AsciiCompatible(code_page) && IsAscii(text)) return std::string(text);
#ifdef PQ_HAVE_ICONV
  // No //TRANSLIT: a character the code page lacks fails the conversion
  // (EILSEQ) instead of becoming a look-alike or "?".
  Iconv converter(IconvName(code_page), "UTF-8");
  if (converter.ok()) {
    std::string out;
    if (!RunIconv(converter.get(), text, out, [](int) { return size_t{0}; })) return std::nullopt;
    return out;
  }
#endif
  return BuiltInFromUtf8(text, code_page);
}

CodePages& SystemCodePages() {
  static NativeCodePages native;
  CodePages* installed = installed_code_pages.load(std::memory_order_acquire);
  return installed ? *installed : native;
}

void InstallCodePages(CodePages* code_pages) {
  installed_code_pages.store(code_pages, std::memory_order_release);
}

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Ansi:
      return "ANSI";
    case TextEncoding::Utf8:
      return "UTF-8";
    case TextEncoding::Utf8Bom:
      return "UTF-8 with BOM";
    case TextEncoding::Utf16LeBom:
      return "UTF-16 LE with BOM";
  }
  return "unknown";
}

std::optional<TextEncoding> MarkedEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == kUtf8Bom) return TextEncoding::Utf8Bom;
  if (bytes.substr(0, 2) == kUtf16LeBom) return TextEncoding::Utf16LeBom;
  return std::nullopt;
}

DecodedText DecodeText(std::string_view bytes) {
  const std::optional<TextEncoding> marked = MarkedEncoding(bytes);
  if (marked == TextEncoding::Utf8Bom)
    return {ValidUtf8(bytes.substr(3)), TextEncoding::Utf8Bom};
  if (marked == TextEncoding::Utf16LeBom) {
    const std::string_view units = bytes.substr(2);
    std::u16string utf16;
    utf16.reserve(units.size() / 2);
    for (size_t i = 0; i + 1 < units.size(); i += 2)
      utf16 += static_cast<char16_t>(static_cast<unsigned char>(units[i]) |
                                     static_cast<unsigned char>(units[i + 1]) << 8);
    std::string text = Utf16ToUtf8(utf16);
    if (units.size() % 2 != 0) AppendReplacement(text);  // half a code unit at the end
    return {std::move(text), TextEncoding::Utf16LeBom};
  }
  if (IsValidUtf8(bytes)) return {std::string(bytes), TextEncoding::Utf8};
  CodePages& code_pages = SystemCodePages();
  return {code_pages.ToUtf8(bytes, code_pages.AnsiCodePage()), TextEncoding::Ansi};
}

std::string EncodeText(std::string_view text, TextEncoding& encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return std::string(text);
    case TextEncoding::Utf16LeBom: {
      const std::u16string utf16 = Utf8ToUtf16(text);
      std::string bytes = kUtf16LeBom;
      bytes.reserve(2 + utf16.size() * 2);
      for (char16_t unit : utf16) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
      }
      return bytes;
    }
    case TextEncoding::Ansi: {
      if (IsAscii(text)) return std::string(text);
      CodePages& code_pages = SystemCodePages();
      if (std::optional<std::string> ansi = code_pages.FromUtf8(text, code_pages.AnsiCodePage()))
        return std::move(*ansi);
      encoding = TextEncoding::Utf8Bom;  // the ANSI code page cannot hold the text
      break;
    }
    case TextEncoding::Utf8Bom:
      break;
  }
  std::string bytes = kUtf8Bom;
  bytes += text;
  return bytes;
}

}  // namespace pq
