#pragma once
// Whole-file operations that the standard library cannot do portably: the
// atomic replacement of one file by another in particular, and reads and
// writes with the sharing rules the toolbar's files need.
#include <functional>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pq {

// Denied: refused for lack of rights; Failed: anything else.
enum class FileWriteResult { Written, Exists, Denied, Failed };

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True when something exists at the path (readable or not).
  virtual bool Exists(const std::string& path) = 0;
  [[nodiscard]] virtual bool Remove(const std::string& path) = 0;
  // Moves a file to a name that must not exist yet.
  [[nodiscard]] virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // Moves a file onto a name in one step, replacing the file that stands there.
  [[nodiscard]] virtual bool Replace(const std::string& from, const std::string& to) = 0;
  // Copies a file's contents to a name, replacing the file that stands there.
  [[nodiscard]] virtual bool Copy(const std::string& from, const std::string& to) = 0;
  // Reads a whole file; other readers are let in meanwhile, writers are not.
  // False when it cannot be opened or read.
  [[nodiscard]] virtual bool ReadAll(const std::string& path, std::string& contents) = 0;
  // Creates a file that must not exist yet, for this writer alone, and writes
  // the contents to disk. A failed write leaves no file behind.
  [[nodiscard]] virtual FileWriteResult WriteNew(const std::string& path,
                                                 std::string_view contents) = 0;
  // Creates a folder and the folders above it that are missing; true when it
  // exists afterwards.
  [[nodiscard]] virtual bool CreateFolder(const std::string& path) = 0;
  // When the file's contents last changed, in units that only compare with
  // each other; none when it cannot be told.
  virtual std::optional<int64_t> ModifiedTime(const std::string& path) = 0;
};

// The process's file system: POSIX calls natively, Win32 once the Windows
// adapters install theirs.
FileSystem& Files();
void InstallFileSystem(FileSystem* files);

// Writes the contents to a new file beside `path` whose name no one else holds
// (path + ".tmp", ".tmp2", ...) and gives that name; `Exists` only when every
// such name is taken.
[[nodiscard]] FileWriteResult WriteScratchBeside(const std::string& path, std::string_view contents,
                                                 std::string& scratch);

// Moves `from` onto `to` in one step. A file that another window is reading
// at that moment cannot be replaced until it has read it: a few tries, a
// moment apart, unless `stop` says to give up.
[[nodiscard]] bool ReplaceWhenFree(const std::string& from, const std::string& to,
                                   const std::function<bool()>& stop = {});

// Writes the contents beside the file and moves them onto it in one step: the
// file holds either all of its old contents or all of the new ones. When that
// cannot be done, no scratch file is left behind.
[[nodiscard]] FileWriteResult ReplaceFileContents(const std::string& path,
                                                  std::string_view contents);

}  // namespace pq
