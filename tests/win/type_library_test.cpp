// The type library inside the DLL: its resource, and what it declares.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>
#include <wrl/client.h>

#include "support/band_dll.h"

namespace pq {
namespace {

using Microsoft::WRL::ComPtr;

TEST(TypeLibrary, IsResourceOneOfTheDllAndDeclaresTheLibraryAlone) {
  const std::string dll_path = testing::BandDllPath();
  HMODULE dll = LoadLibraryExA(dll_path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(dll, nullptr);
  HRSRC resource = FindResourceA(dll, MAKEINTRESOURCEA(1), "TYPELIB");
  ASSERT_NE(resource, nullptr);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(dll, resource)));
  EXPECT_EQ(std::string(bytes, 4), "MSFT");
  FreeLibrary(dll);

  ComPtr<ITypeLib> library;
  const std::wstring path(dll_path.begin(), dll_path.end());
  ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library), S_OK);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
  const GUID band = {0x239C3CF1, 0x51CD, 0x435E, {0x85, 0x19, 0x61, 0x77, 0x5A, 0x67, 0x80, 0xCF}};
  EXPECT_TRUE(IsEqualGUID(attributes->guid, band));
  EXPECT_EQ(attributes->lcid, 0x0409u);
  EXPECT_EQ(attributes->syskind, SYS_WIN32);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  library->ReleaseTLibAttr(attributes);
  BSTR name = nullptr, help = nullptr;
  ASSERT_EQ(library->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
  EXPECT_STREQ(name, L"Pelliquester");
  EXPECT_STREQ(help, L"Pelliquester Library");
  SysFreeString(name);
  SysFreeString(help);
  EXPECT_EQ(library->GetTypeInfoCount(), 0u);
}

}  // namespace
}  // namespace pq
