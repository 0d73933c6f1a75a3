#pragma once
// Errors travel as exceptions carrying their message text.
#include <stdexcept>
#include <string>

namespace pq {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A file that exists but cannot be read, or cannot be created or written.
// The text names the file.
class InOutError : public Error {
 public:
  explicit InOutError(const std::string& message) : Error(message) {}
};

}  // namespace pq
