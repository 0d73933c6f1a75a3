#include "host_log.h"

#include <cstdio>

namespace pq::bandhost {
namespace {

thread_local std::string thread_tag;

}  // namespace

HostLog& HostLog::Instance() {
  static HostLog log;
  return log;
}

bool HostLog::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "a");
  return file_ != nullptr;
}

void HostLog::SetThreadTag(const std::string& tag) { thread_tag = tag; }

void HostLog::Write(const std::string& line) {
  const std::string tagged = thread_tag + line + '\n';
  std::lock_guard<std::mutex> hold(lock_);
  std::FILE* out = file_ ? file_ : stdout;
  std::fputs(tagged.c_str(), out);
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
