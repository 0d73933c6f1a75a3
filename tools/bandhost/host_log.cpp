#include "host_log.h"

#include <cstdio>

namespace pq::bandhost {

HostLog& HostLog::Instance() {
  static HostLog log;
  return log;
}

bool HostLog::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "a");
  return file_ != nullptr;
}

void HostLog::Write(const std::string& line) {
  std::FILE* out = file_ ? file_ : stdout;
  std::fputs(line.c_str(), out);
  std::fputc('\n', out);
  // Each line is on disk at once: a test reads the log while the host may still run.
  std::fflush(out);
}

HostLog::~HostLog() {
  if (file_) std::fclose(file_);
}

std::string Hex(long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

}  // namespace pq::bandhost
