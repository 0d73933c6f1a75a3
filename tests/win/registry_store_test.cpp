// The registry store against the real registry of the Wine prefix.
#include "config/registry_store.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/error.h"
#include "support/scratch_key.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"

namespace pq {
namespace {

class RealRegistryStore : public ::testing::Test {
 protected:
  RealRegistryStore() {
    platform.registry = &registry;
    platform.messages = &messages;
    key = scratch.Open();
  }
  ~RealRegistryStore() override { RegCloseKey(key); }

  void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  RegVariant Read(const std::string& name) {
    RegVariant result = int32_t{-99};
    GetRegistryData(platform, RegRoot::LocalMachine, scratch.path(), name, result);
    return result;
  }

  win32::Win32Registry registry;
  win32::Win32SystemMessages messages;
  Platform platform;
  testing::ScratchKey scratch;
  HKEY key = nullptr;
};

TEST_F(RealRegistryStore, ReadsEachKindAsTheToolbarExpects) {
  SetRaw("Text", REG_SZ, "C:\\Program Files\\Bar", 21);
  SetRaw("Expand", REG_EXPAND_SZ, "%SystemRoot%\\x", 15);
  const DWORD five = 5;
  SetRaw("SpeedBtn1", REG_DWORD, &five, sizeof five);
  SetRaw("Date", REG_BINARY, "12/6/2026", 9);
  SetRaw("Multi", REG_MULTI_SZ, "a\0b\0\0", 5);

  EXPECT_EQ(Read("Text"), RegVariant(std::string("C:\\Program Files\\Bar")));
  EXPECT_EQ(Read("Expand"), RegVariant(std::string("%SystemRoot%\\x")));
  EXPECT_EQ(VariantToText(Read("SpeedBtn1")), "5");
  EXPECT_EQ(Read("Date"), RegVariant(std::string("12/6/2026")));
  EXPECT_EQ(Read("Multi"), RegVariant(std::string()));
  EXPECT_EQ(Read("Missing"), RegVariant(std::string()));
}

// One read gives a value's type and its bytes, text in UTF-8 with its
// terminator as stored, also text longer than the read's first guess.
TEST_F(RealRegistryStore, OneReadGivesEachValuesTypeAndBytes) {
  const std::wstring long_text(700, L'\u00E9');
  ASSERT_EQ(RegSetValueExW(key, L"Long", 0, REG_SZ, reinterpret_cast<const BYTE*>(long_text.c_str()),
                           static_cast<DWORD>((long_text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  SetRaw("Text", REG_SZ, "a", 2);
  const DWORD five = 5;
  SetRaw("Number", REG_DWORD, &five, sizeof five);
  SetRaw("Bytes", REG_BINARY, "\x01\x00\x02", 3);
  SetRaw("Multi", REG_MULTI_SZ, "a\0b\0", 5);
  std::string long_utf8;
  for (size_t i = 0; i < long_text.size(); ++i) long_utf8 += "\xC3\xA9";
  std::unique_ptr<RegistryKey> opened = registry.OpenReadOnly(RegRoot::LocalMachine, scratch.path());
  ASSERT_TRUE(opened);
  const struct {
    const char* name;
    RegType type;
    std::string data;
  } cases[] = {{"Long", RegType::String, long_utf8 + std::string(1, '\0')},
               {"Text", RegType::String, std::string("a\0", 2)},
               {"Number", RegType::Dword, std::string("\x05\0\0\0", 4)},
               {"Bytes", RegType::Binary, std::string("\x01\x00\x02", 3)},
               {"Multi", RegType::MultiString, std::string("a\0b\0\0", 5)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<RegValue> value = opened->Read(c.name);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, c.type);
    EXPECT_EQ(value->data, c.data);
  }
  EXPECT_FALSE(opened->Read("Missing"));
}

TEST_F(RealRegistryStore, TextWithoutTerminatorOrOfOddLengthIsReadSafely) {
  SetRaw("NoNul", REG_SZ, "abcdef", 6);
  const wchar_t wide[] = L"xyz";
  ASSERT_EQ(RegSetValueExW(key, L"Odd", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide), 5),
            ERROR_SUCCESS);
  EXPECT_EQ(Read("NoNul"), RegVariant(std::string("abcdef")));
  const std::string odd = VariantToText(Read("Odd"));
  EXPECT_EQ(odd.substr(0, 2), "xy") << "the whole characters survive";
  EXPECT_LE(odd.size(), 3u);
}

// Text is written as the registry keeps it, UTF-16, and comes back as the
// same UTF-8.
TEST_F(RealRegistryStore, TextInAnyScriptIsStoredAsUtf16AndReadBackExactly) {
  const struct {
    const char* name;
    std::string text;
    std::wstring stored;
  } cases[] = {
      {"SpeedBtn1", "http://mine.example/Caf\xC3\xA9/\xE6\x9D\xB1\xE4\xBA\xAC",
       L"http://mine.example/Caf\u00E9/\u6771\u4EAC"},
      {"Search", "\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8 \xF0\x9F\x98\x80",
       L"\u041D\u043E\u0432\u043E\u0441\u0442\u0438 \U0001F600"},
      {"Plain", "two words", L"two words"},
      {"Empty", "", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetRegistryData(platform, RegRoot::LocalMachine, scratch.path(), c.name, c.text, rvkText);
    wchar_t stored[64] = {};
    DWORD type = 0, size = sizeof stored;
    ASSERT_EQ(RegQueryValueExW(key, std::wstring(c.name, c.name + strlen(c.name)).c_str(),
                               nullptr, &type, reinterpret_cast<BYTE*>(stored), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, (c.stored.size() + 1) * sizeof(wchar_t)) << "with its terminator";
    EXPECT_EQ(std::wstring(stored), c.stored);
    EXPECT_EQ(Read(c.name), RegVariant(c.text));
  }
}

TEST_F(RealRegistryStore, WritingCreatesMissingKeys) {
  const std::string deeper = scratch.path() + "\\Explorer Bars\\{ABC}";
  SetRegistryData(platform, RegRoot::LocalMachine, deeper, "Search", std::string("red fox"),
                  rvkText);
  RegVariant result;
  GetRegistryData(platform, RegRoot::LocalMachine, deeper, "Search", result);
  EXPECT_EQ(result, RegVariant(std::string("red fox")));

  SetRegistryData(platform, RegRoot::LocalMachine, deeper, "N", int32_t{-3}, rvkInteger);
  DWORD type = 0, value = 0, size = sizeof value;
  ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, deeper.c_str(), "N", RRF_RT_ANY, &type, &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 0xFFFFFFFDu);
}

TEST_F(RealRegistryStore, SelectorZeroOnAMissingValueFailsWithTheSystemTextAndWritesNothing) {
  try {
    SetRegistryData(platform, RegRoot::LocalMachine, scratch.path(), "Nothing", std::string("x"),
                    rvkUnknown);
    FAIL() << "no exception";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), messages.MessageFor(ERROR_CANTWRITE));
    EXPECT_NE(std::string(error.what()).find("registry"), std::string::npos) << error.what();
  }
  EXPECT_EQ(RegQueryValueExA(key, "Nothing", nullptr, nullptr, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
}

// Opens keys through the real registry, then deletes the key behind the handle's back, so
// that the registry itself refuses the value's write.
class KeyVanishingRegistry final : public win32::Win32Registry {
 public:
  std::unique_ptr<RegistryKey> OpenOrCreate(RegRoot root, const std::string& path,
                                            uint32_t& error) override {
    std::unique_ptr<RegistryKey> key = Win32Registry::OpenOrCreate(root, path, error);
    DeleteTree(root, path);
    return key;
  }
};

TEST_F(RealRegistryStore, AWriteTheRegistryRefusesSaysWhichValue) {
  KeyVanishingRegistry vanishing;
  platform.registry = &vanishing;
  try {
    SetRegistryData(platform, RegRoot::LocalMachine, scratch.path() + "\\Gone", "Search Type",
                    std::string("2"), rvkText);
    FAIL() << "no exception";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'Search Type'");
  }
}

TEST_F(RealRegistryStore, AKeyThatCannotBeCreatedFailsWithTheSystemText) {
  // The registry refuses a lasting key below a volatile one.
  HKEY volatile_key = nullptr;
  const std::string volatile_path = scratch.path() + "\\Volatile";
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, volatile_path.c_str(), 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatile_key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(volatile_key);
  try {
    SetRegistryData(platform, RegRoot::LocalMachine, volatile_path + "\\Child", "Search",
                    std::string("x"), rvkText);
    FAIL() << "no exception";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), messages.MessageFor(ERROR_CHILD_MUST_BE_VOLATILE));
  }
}

}  // namespace
}  // namespace pq
