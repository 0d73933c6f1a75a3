// What the installers' tests look at on the machine they install on: the
// registry in either view, the folders, the files, and programs run to their end.
#pragma once
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace pq_installer_test {

constexpr char kBandId[] = "{239C3CF1-51CD-435E-8519-61775A6780CF}";
const std::string kBandKey =
    std::string("SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\") + kBandId;
constexpr char kBarsKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars";
constexpr char kToolbarListKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const std::string kClassKey = std::string("CLSID\\") + kBandId;
const std::string kName = "SampleBar";
// An installer or uninstaller that takes longer has hung.
constexpr DWORD kProgramTimeoutMs = 90000;

struct View {
  const char* name;
  REGSAM access;
  const char* dll;  // the DLL a browser of this view loads
};
const View kViews[] = {{"64-bit view", KEY_WOW64_64KEY, "Pelliquester.dll"},
                       {"32-bit view", KEY_WOW64_32KEY, "Pelliquester32.dll"}};

inline std::optional<std::string> RegText(HKEY root, const std::string& path, const char* name,
                                          REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0, size = 0;
  LONG result = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  std::string data(size, '\0');
  if (result == ERROR_SUCCESS)
    result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return data.substr(0, data.find('\0'));
}

inline std::optional<DWORD> RegNumber(HKEY root, const std::string& path, const char* name,
                                      REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD data = 0, size = sizeof data, type = 0;
  const LONG result =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
  return data;
}

// The names of a key's values; none when there is no such key.
inline std::vector<std::string> ValueNames(HKEY root, const std::string& path, REGSAM view) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

inline bool KeyExists(HKEY root, const std::string& path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

inline void PutText(HKEY root, const std::string& path, const char* name, const std::string& text,
                    REGSAM view) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

inline std::string Folder(int id) {
  char path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}
inline std::string InstallDir() { return Folder(CSIDL_PROGRAM_FILES) + "\\" + kName; }
inline std::string UserFolder() { return Folder(CSIDL_LOCAL_APPDATA) + "\\Pelliquester"; }

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline std::string LongPath(const std::string& path) {
  char long_path[MAX_PATH] = {};
  return GetLongPathNameA(path.c_str(), long_path, MAX_PATH) ? long_path : path;
}

// Runs a program to its end; its exit code, or a message why there is none.
inline std::string RunProgram(std::wstring command_line) {
  const std::string shown(command_line.begin(), command_line.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return "cannot start " + shown + " (error " + std::to_string(GetLastError()) + ")";
  std::string outcome;
  if (WaitForSingleObject(process.hProcess, kProgramTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    outcome = "timed out: " + shown;
  } else {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    outcome = "exit code " + std::to_string(code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return outcome;
}

// The same for a command line in the system's code page.
inline std::string RunProgram(const std::string& command_line) {
  std::wstring wide(command_line.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, command_line.c_str(), -1,
                                                      wide.data(),
                                                      static_cast<int>(wide.size()))) -
              1);
  return RunProgram(std::move(wide));
}

const std::string kSuccess = "exit code 0";

// What the toolbar keeps as it is used: values in both views of the machine's
// key and in the user's, a history file in the install directory and one in
// the user's folder.
inline void LeaveUserState() {
  for (const View& view : kViews)
    PutText(HKEY_LOCAL_MACHINE, kBandKey, "Search", std::string("kept in the ") + view.name,
            view.access);
  PutText(HKEY_CURRENT_USER, kBandKey, "Search", "the user's own", 0);
  std::ofstream(InstallDir() + "\\" + kName + ".txt", std::ios::binary) << "shared search\n";
  CreateDirectoryA(UserFolder().c_str(), nullptr);
  CreateDirectoryA((UserFolder() + "\\" + kName).c_str(), nullptr);
  std::ofstream(UserFolder() + "\\" + kName + "\\" + kName + ".txt", std::ios::binary)
      << "own search\n";
}

// The band host, as the browser, creates the installed toolbar through COM,
// sites it, makes its window and shows it.
inline void ExpectTheBandHostHostsTheToolbar(const std::string& bandhost) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string log = std::string(temp) + "pq-installed-host.log";
  DeleteFileA(log.c_str());
  ASSERT_EQ(RunProgram("\"" + bandhost + "\" --exit-after 2000 --log \"" + log + "\""), kSuccess);
  std::string text = ReadFile(log);
  std::erase(text, '\r');
  for (const std::string& line :
       {"host: CoCreateInstance " + std::string(kBandId) + " -> 0x00000000",
        std::string("site: IOleWindow::GetWindow"), std::string("host: SetSite -> 0x00000000"),
        std::string("host: GetWindow -> 0x00000000"),
        std::string("host: ShowDW(TRUE) -> 0x00000000")})
    EXPECT_NE(text.find(line + "\n"), std::string::npos) << line << "\nin the log:\n" << text;
}

}  // namespace pq_installer_test
