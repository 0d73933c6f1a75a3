#pragma once
// What the fuzz programs share: a check that stops the run with its reason,
// and a scratch directory for the files a run reads and writes.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace pq::fuzz {

inline void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

// A directory of the program's own, made once and removed at exit; in memory
// where there is such a file system, as every run writes files.
inline const std::string& ScratchDirectory(const char* stem) {
  static const std::string dir = [stem] {
    static std::string made;
    for (const std::string& parent :
         {std::string("/dev/shm"), std::filesystem::temp_directory_path().string()}) {
      std::string candidate = parent + "/" + stem + "_XXXXXX";
      if (mkdtemp(candidate.data())) {
        made = candidate;
        break;
      }
    }
    if (made.empty()) std::abort();
    std::atexit([] { std::filesystem::remove_all(made); });
    return made;
  }();
  return dir;
}

inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace pq::fuzz
