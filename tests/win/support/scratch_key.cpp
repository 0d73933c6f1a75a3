#include "support/scratch_key.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <atomic>

namespace pq::testing {
namespace {

std::string UniqueName(const char* stem) {
  static std::atomic<int> counter{0};
  return std::string(stem) + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
}

}  // namespace

ScratchKey::ScratchKey() : path_("SOFTWARE\\PelliquesterTests\\" + UniqueName("key-")) {}

ScratchKey::~ScratchKey() { SHDeleteKeyA(HKEY_LOCAL_MACHINE, path_.c_str()); }

HKEY ScratchKey::Open() const {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  return key;
}

ScratchDir::ScratchDir() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  path_ = std::string(temp) + UniqueName("pq-");
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() {
  std::string from = path_ + std::string(2, '\0');  // double-NUL-terminated list
  SHFILEOPSTRUCTA op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationA(&op);
}

}  // namespace pq::testing
