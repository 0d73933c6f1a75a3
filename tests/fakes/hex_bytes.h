#pragma once
// Test vectors are written in hexadecimal, as the tools that made them print them.
#include <string>

namespace pq::fakes {

// The bytes that pairs of hexadecimal digits spell.
inline std::string Hex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

}  // namespace pq::fakes
