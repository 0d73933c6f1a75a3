#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

namespace pq {
namespace {

constexpr int kReplaceTries = 4;
constexpr auto kReplacePause = std::chrono::milliseconds(50);

#ifdef O_BINARY
constexpr int kBinary = O_BINARY;  // no line-end translation where the C library does it
#else
constexpr int kBinary = 0;
#endif

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Native file system: rename(2) already replaces its target atomically.
class StdFileSystem final : public FileSystem {
 public:
  bool Exists(const std::string& path) override {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
  }
  bool Remove(const std::string& path) override { return std::remove(path.c_str()) == 0; }
  bool Rename(const std::string& from, const std::string& to) override {
    if (Exists(to)) return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
  }
  bool Replace(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0;
  }
  bool Copy(const std::string& from, const std::string& to) override {
    std::error_code error;
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                      error);
  }
  bool ReadAll(const std::string& path, std::string& contents) override {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    std::string read;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) read.append(buffer, got);
    if (std::ferror(file.get())) return false;
    contents = std::move(read);
    return true;
  }
  FileWriteResult WriteNew(const std::string& path, std::string_view contents) override {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | kBinary, 0644);
    if (fd < 0) {
      if (errno == EEXIST) return FileWriteResult::Exists;
      if (errno == EACCES || errno == EPERM || errno == EROFS) return FileWriteResult::Denied;
      return FileWriteResult::Failed;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < contents.size()) {
      const ssize_t wrote = ::write(fd, contents.data() + done, contents.size() - done);
      if (wrote < 0 && errno == EINTR) continue;
      ok = wrote > 0;
      if (ok) done += static_cast<size_t>(wrote);
    }
    ok = ::close(fd) == 0 && ok;
    if (!ok) ::unlink(path.c_str());
    return ok ? FileWriteResult::Written : FileWriteResult::Failed;
  }
  bool CreateFolder(const std::string& path) override {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
  }
  std::optional<int64_t> ModifiedTime(const std::string& path) override {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    if (error) return std::nullopt;
    return static_cast<int64_t>(time.time_since_epoch().count());
  }
};

StdFileSystem std_files;
FileSystem* installed = &std_files;

}  // namespace

FileSystem& Files() { return *installed; }
void InstallFileSystem(FileSystem* files) { installed = files ? files : &std_files; }

FileWriteResult WriteScratchBeside(const std::string& path, std::string_view contents,
                                   std::string& scratch) {
  FileSystem& files = Files();
  // A name someone else left beside the file is not ours to overwrite.
  for (int n = 1; n <= 1000; ++n) {
    const std::string name = path + (n == 1 ? ".tmp" : ".tmp" + std::to_string(n));
    const FileWriteResult written = files.WriteNew(name, contents);
    if (written == FileWriteResult::Exists) continue;
    if (written == FileWriteResult::Written) scratch = name;
    return written;
  }
  return FileWriteResult::Exists;
}

bool ReplaceWhenFree(const std::string& from, const std::string& to,
                     const std::function<bool()>& stop) {
  for (int attempt = 0; attempt < kReplaceTries && !(stop && stop()); ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(kReplacePause);
    if (Files().Replace(from, to)) return true;
  }
  return false;
}

FileWriteResult ReplaceFileContents(const std::string& path, std::string_view contents) {
  std::string scratch;
  const FileWriteResult written = WriteScratchBeside(path, contents, scratch);
  if (written == FileWriteResult::Exists) return FileWriteResult::Failed;
  if (written != FileWriteResult::Written) return written;
  if (ReplaceWhenFree(scratch, path)) return FileWriteResult::Written;
  (void)Files().Remove(scratch);
  return FileWriteResult::Failed;
}

}  // namespace pq
