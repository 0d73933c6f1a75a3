#pragma once
// One line for each call the host makes or receives, to a file or to stdout.
#include <cstdio>
#include <string>

namespace pq::bandhost {

class HostLog {
 public:
  static HostLog& Instance();
  // Opens the file (appending); false when it can't be opened.
  bool Open(const std::string& path);
  void Write(const std::string& line);
  ~HostLog();

 private:
  std::FILE* file_ = nullptr;
};

inline void Log(const std::string& line) { HostLog::Instance().Write(line); }
std::string Hex(long value);

}  // namespace pq::bandhost
