#pragma once
// Text inside the toolbar is UTF-8 in std::string. These are the operations on
// it that need to know so: code points, UTF-16 for the wide system calls and
// the files that hold it, and comparison without regard to case for letters
// of every script (Unicode's simple case folding, near to how Windows
// compares names without case).
#include <cstdint>
#include <string>
#include <string_view>

namespace pq {

// Where a byte is not part of well-formed UTF-8, NextCodePoint gives this
// plus the byte's value: such bytes compare and hash as themselves, and never
// equal a character.
inline constexpr char32_t kInvalidByteBase = 0x110000;
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes);
// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
// The code point that starts at `at`, and moves `at` past it; an ill-formed
// byte gives kInvalidByteBase + byte and moves one byte.
char32_t NextCodePoint(std::string_view text, size_t& at);
// Appends a code point's UTF-8 form; anything that is no character (a
// surrogate, above U+10FFFF) appends U+FFFD.
void AppendUtf8(std::string& out, char32_t code_point);

// UTF-16 for the wide system calls and files; ill-formed input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// A code point folded for comparison without case (simple case folding).
char32_t FoldCodePoint(char32_t code_point);

int CompareText(std::string_view a, std::string_view b);  // <0, 0, >0, by folded code points

// Equal without regard to case. Quick when the texts are written alike, as
// names mostly are, and when they are ASCII.
bool SameText(std::string_view a, std::string_view b);

// Texts that SameText equates hash alike.
uint64_t FoldedHash(std::string_view text);

// The text folded to lower case.
std::string LowerCase(std::string_view text);

}  // namespace pq
