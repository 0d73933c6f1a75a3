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

// Refused for lack of rights, as opposed to any other failure: the caller may
// have a place of the user's own to turn to.
class FileAccessDenied : public InOutError {
 public:
  explicit FileAccessDenied(const std::string& message) : InOutError(message) {}
};
class RegistryAccessDenied : public Error {
 public:
  explicit RegistryAccessDenied(const std::string& message) : Error(message) {}
};

}  // namespace pq
