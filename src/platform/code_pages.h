#pragma once
// The system's 8-bit code pages: what files without a byte-order mark were
// written in (the system's ANSI code page), and what a search engine that
// does not take UTF-8 expects. The DLL installs the Win32 adapter; natively
// the C library's converters stand in, with Windows-1252 as the ANSI code
// page unless a test names another.
#include <optional>
#include <string>
#include <string_view>

namespace pq {

// Code pages by their Windows numbers.
inline constexpr unsigned kCodePageUtf8 = 65001;
inline constexpr unsigned kCodePageWindows1252 = 1252;

class CodePages {
 public:
  virtual ~CodePages() = default;
  // The system's ANSI code page.
  virtual unsigned AnsiCodePage() = 0;
  // The code page a charset name stands for, as the system knows names
  // ("windows-1251", "koi8-r", "shift_jis", "utf-8"; any letter case); 0 when
  // it knows none.
  virtual unsigned CodePageNamed(std::string_view name) = 0;
  // Bytes in a code page as UTF-8; bytes that the code page leaves undefined
  // become U+FFFD.
  virtual std::string ToUtf8(std::string_view bytes, unsigned code_page) = 0;
  // UTF-8 text in a code page; none when the code page cannot hold every
  // character of it exactly (no best-fit substitutes) or the text is not UTF-8.
  virtual std::optional<std::string> FromUtf8(std::string_view text, unsigned code_page) = 0;
};

// The code page of a name that needs no table of the system's: those that
// carry their number ("windows-1251", "cp866", "x-cp1250", "iso-8859-5") and
// the common ones ("utf-8", "koi8-r", "shift_jis", "big5", ...); 0 for others.
unsigned CodePageOfWellKnownName(std::string_view name);

// The process's code pages; the native converters until an adapter is
// installed, again after InstallCodePages(nullptr).
CodePages& SystemCodePages();
void InstallCodePages(CodePages* code_pages);

// The native converters: the C library's iconv where there is one, else a
// built-in pair that knows UTF-8 and Windows-1252 alone. The ANSI code page is
// the one given; a test that needs another than Windows-1252 installs one of
// these with it (and InstallCodePages(nullptr) when done).
class NativeCodePages : public CodePages {
 public:
  explicit NativeCodePages(unsigned ansi_code_page = kCodePageWindows1252)
      : ansi_code_page_(ansi_code_page) {}
  unsigned AnsiCodePage() override { return ansi_code_page_; }
  unsigned CodePageNamed(std::string_view name) override;
  std::string ToUtf8(std::string_view bytes, unsigned code_page) override;
  std::optional<std::string> FromUtf8(std::string_view text, unsigned code_page) override;

 private:
  unsigned ansi_code_page_;
};

// How a text file's bytes hold its text.
enum class TextEncoding {
  Ansi,        // no byte-order mark, the system's ANSI code page
  Utf8,        // no byte-order mark, well-formed UTF-8 (ASCII among it)
  Utf8Bom,     // EF BB BF
  Utf16LeBom,  // FF FE
};

const char* EncodingName(TextEncoding encoding);  // "UTF-8 with BOM", ...

struct DecodedText {
  std::string text;  // UTF-8, without the byte-order mark
  TextEncoding encoding;
};

// The encoding a byte-order mark at the start names; none without one.
std::optional<TextEncoding> MarkedEncoding(std::string_view bytes);

// A byte-order mark decides; without one, bytes that are well-formed UTF-8
// are UTF-8, anything else is the system's ANSI code page.
DecodedText DecodeText(std::string_view bytes);

// The bytes that hold the text in an encoding, byte-order mark included.
// Text that the ANSI code page cannot hold exactly switches the encoding to
// UTF-8 with a byte-order mark, and `encoding` says so afterwards.
std::string EncodeText(std::string_view text, TextEncoding& encoding);

}  // namespace pq
