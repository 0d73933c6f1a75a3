#include "support/recording_scheme.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace pq::testing {
namespace {

std::string KeyOf(const std::string& scheme) { return "SOFTWARE\\Classes\\" + scheme; }

std::optional<std::string> ReadDefault(const std::string& key) {
  char value[2048] = {};
  DWORD size = sizeof value - 1;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr,
                   value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::string(value);
}

void WriteDefault(const std::string& key, const std::string& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
}

}  // namespace

RecordingScheme::RecordingScheme()
    : RecordingScheme("pqtest" + std::to_string(GetCurrentProcessId())) {}

RecordingScheme::RecordingScheme(std::string scheme) : scheme_(std::move(scheme)) {
  out_ = dir_.File("opened.txt");
  const std::string key = KeyOf(scheme_);
  HKEY handle = nullptr;
  existed_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS;
  if (handle) RegCloseKey(handle);
  const std::string command_key = key + "\\shell\\open\\command";
  if (existed_) {
    previous_command_ = ReadDefault(command_key);
  } else {
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &handle, nullptr);
    RegSetValueExA(handle, "URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    RegCloseKey(handle);
  }
  WriteDefault(command_key, "\"C:\\windows\\system32\\cmd.exe\" /c echo %1>\"" + out_ + "\"");
}

RecordingScheme::~RecordingScheme() {
  const std::string key = KeyOf(scheme_);
  if (!existed_)
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
  else if (previous_command_)
    WriteDefault(key + "\\shell\\open\\command", *previous_command_);
}

std::string RecordingScheme::Opened() const {
  std::ifstream in(out_);
  std::stringstream text;
  text << in.rdbuf();
  std::string s = text.str();
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

}  // namespace pq::testing
