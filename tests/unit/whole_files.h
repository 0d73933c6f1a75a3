#pragma once
// Whole files as the tests write and compare them, bytes as they stand.
#include <fstream>
#include <sstream>
#include <string>

namespace pq::testing {

inline std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace pq::testing
