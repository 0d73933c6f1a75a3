// ReadInteger on arbitrary values, against an independent reading of the
// integer syntax built on std::from_chars.
#include <stdint.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "config/big_ini_file.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

std::optional<int32_t> Expected(std::string text) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text = std::string("$") + text.substr(2, 255);
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return std::nullopt;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  }
  std::string digits = text.substr(i);
  if (digits.empty()) return std::nullopt;
  for (char c : digits) {
    const bool decimal = c >= '0' && c <= '9';
    const bool hex = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!decimal && !(base == 16 && hex)) return std::nullopt;
  }
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  uint64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (base == 10) {
    if (magnitude > (negative ? 2147483648ull : 2147483647ull)) return std::nullopt;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                         : static_cast<int64_t>(magnitude));
  }
  if (magnitude > 0xFFFFFFFFull) return std::nullopt;
  uint32_t bits = static_cast<uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  return static_cast<int32_t>(bits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string value(reinterpret_cast<const char*>(data), size);
  // A value is one line.
  value = value.substr(0, value.find_first_of("\r\n"));

  pq::TBigIniFile ini("");
  ini.WriteString("Item", "Tag", value);
  const int32_t first = ini.ReadInteger("Item", "TAG", 0);
  const int32_t second = ini.ReadInteger("Item", "tag", -1);
  const std::optional<int32_t> expected = Expected(value);
  if (expected) {
    Check(first == *expected && second == *expected, "the value is read as written");
    ini.WriteInteger("Item", "Copy", first);
    Check(ini.ReadInteger("Item", "Copy", first ^ 1) == first, "a written integer reads back");
  } else {
    Check(first == 0 && second == -1, "an unreadable value gives the default");
  }
  Check(ini.ReadBool("Item", "Tag", true) == (ini.ReadInteger("Item", "Tag", 1) != 0),
        "booleans are integers");
  ini.Modified = false;
  return 0;
}
