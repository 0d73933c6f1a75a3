#pragma once
// Whole files as the tests write and compare them, and whether a path exists
// as the system sees it.
#include <windows.h>

#include <string>

#include "unit/whole_files.h"

namespace pq::testing {

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace pq::testing
