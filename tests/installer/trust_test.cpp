// The system's own trust check of Authenticode signatures, WinVerifyTrust with
// the generic verify action, on what the installers signed with a throw-away
// self-signed certificate: such a file, one never signed, and a signed one
// changed afterwards, each answered for itself.
//   trust_test --dir=DIR [gtest flags]
// DIR holds the files of the table below, made by run_signing_test.sh.
//
// Windows refuses the self-signed certificate (CERT_E_UNTRUSTEDROOT) unless it
// was added to the machine's trusted roots; Wine does not check the root and
// accepts it. Wine checks the digest of a program or DLL (a changed one is
// TRUST_E_BAD_DIGEST) but not of a Windows Installer package: a changed
// package is caught by osslsigncode's verification only, in the script.
// clang-format off
#include <gtest/gtest.h>
#include <windows.h>
#include <softpub.h>
#include <wintrust.h>
// clang-format on

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string dir;

LONG VerifyTrust(const std::string& path) {
  const std::wstring wide(path.begin(), path.end());
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = wide.c_str();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return result;
}

bool RunningOnWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(TrustTest, TellsSignedFilesFromUnsignedAndChangedOnes) {
  // A signature by a certificate the machine does not trust.
  const LONG self_signed = RunningOnWine() ? ERROR_SUCCESS : CERT_E_UNTRUSTEDROOT;
  const struct {
    const char* file;
    LONG expected;
  } cases[] = {
      // clang-format off
      {"Pelliquester.dll", self_signed},
      {"Pelliquester32.dll", self_signed},
      {"pqcheck.exe", self_signed},
      {"setup.exe", self_signed},
      {"package.msi", self_signed},
      {"unsigned.dll", TRUST_E_NOSIGNATURE},
      {"unsigned.msi", TRUST_E_NOSIGNATURE},
      {"tampered.dll", TRUST_E_BAD_DIGEST},
      // clang-format on
  };
  for (const auto& c : cases) EXPECT_EQ(VerifyTrust(dir + "\\" + c.file), c.expected) << c.file;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.starts_with("--dir=")) dir = argument.substr(std::strlen("--dir="));
  }
  if (dir.empty()) {
    std::fprintf(stderr, "usage: trust_test --dir=DIR\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
