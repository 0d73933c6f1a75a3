#pragma once
// One line for each call the host makes or receives, to a file or to stdout.
// Frames on threads of their own write to the same log, each line whole.
#include <cstdio>
#include <mutex>
#include <string>

namespace pq::bandhost {

class HostLog {
 public:
  static HostLog& Instance();
  // Opens the file (appending); false when it can't be opened.
  bool Open(const std::string& path);
  void Write(const std::string& line);
  ~HostLog();

  // Put in front of every line the calling thread writes: which frame it is.
  static void SetThreadTag(const std::string& tag);

 private:
  std::mutex lock_;
  std::FILE* file_ = nullptr;
};

inline void Log(const std::string& line) { HostLog::Instance().Write(line); }
std::string Hex(long value);

}  // namespace pq::bandhost
