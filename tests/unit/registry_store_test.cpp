#include "config/registry_store.h"

#include <gtest/gtest.h>

#include "fakes/fake_registry.h"
#include "fakes/fake_system_messages.h"
#include "platform/error.h"

namespace pq {
namespace {

const char kKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\{TEST}";

class RegistryStore : public ::testing::Test {
 protected:
  RegistryStore() {
    platform.registry = &registry;
    platform.messages = &messages;
  }
  RegVariant Read(const std::string& name) {
    RegVariant result = int32_t{-99};  // must be overwritten
    GetRegistryData(platform, RegRoot::LocalMachine, kKey, name, result);
    return result;
  }
  fakes::FakeRegistry registry;
  fakes::FakeSystemMessages messages;
  Platform platform;
};

TEST_F(RegistryStore, ReadsTextExpandableTextIntegerAndBinary) {
  registry.PutText(RegRoot::LocalMachine, kKey, "InstallPath", "C:\\Toolbar");
  registry.Put(RegRoot::LocalMachine, kKey, "Expand", RegType::ExpandString, "%TEMP%\\x");
  registry.Put(RegRoot::LocalMachine, kKey, "SpeedBtn1", RegType::Dword,
               std::string("\x05\0\0\0", 4));
  registry.Put(RegRoot::LocalMachine, kKey, "Negative", RegType::Dword, "\xFE\xFF\xFF\xFF");
  registry.Put(RegRoot::LocalMachine, kKey, "Date", RegType::Binary,
               std::string("1/2/2026\0\x01", 10));

  EXPECT_EQ(Read("InstallPath"), RegVariant(std::string("C:\\Toolbar")));
  EXPECT_EQ(Read("expand"), RegVariant(std::string("%TEMP%\\x"))) << "read unexpanded, any case";
  EXPECT_EQ(Read("SpeedBtn1"), RegVariant(int32_t{5}));
  EXPECT_EQ(VariantToText(Read("SpeedBtn1")), "5");
  EXPECT_EQ(Read("Negative"), RegVariant(int32_t{-2}));
  EXPECT_EQ(Read("Date"), RegVariant(std::string("1/2/2026\0\x01", 10))) << "bytes unchanged";
}

TEST_F(RegistryStore, AnythingUnreadableReadsAsEmptyText) {
  registry.Put(RegRoot::LocalMachine, kKey, "Multi", RegType::MultiString,
               std::string("a\0b\0\0", 5));
  registry.Put(RegRoot::LocalMachine, kKey, "Short", RegType::Dword, "\x01\x02");
  const RegVariant empty = std::string();
  EXPECT_EQ(Read("Multi"), empty);
  EXPECT_EQ(Read("Missing"), empty);
  EXPECT_EQ(Read("Short"), empty) << "a DWORD of two bytes is no integer";
  RegVariant result = int32_t{1};
  GetRegistryData(platform, RegRoot::LocalMachine, "SOFTWARE\\Nowhere", "X", result);
  EXPECT_EQ(result, empty);
}

TEST_F(RegistryStore, TextEndsAtTheFirstNulWhateverTheStoredLength) {
  registry.PutText(RegRoot::LocalMachine, kKey, "NoTerminator", "abc");
  registry.PutText(RegRoot::LocalMachine, kKey, "Embedded", std::string("ab\0cd", 5));
  EXPECT_EQ(Read("NoTerminator"), RegVariant(std::string("abc")));
  EXPECT_EQ(Read("Embedded"), RegVariant(std::string("ab")));
}

TEST_F(RegistryStore, WritingCreatesMissingKeysAndStoresEachKind) {
  SetRegistryData(platform, RegRoot::LocalMachine, kKey, "Search", std::string("cats dogs"),
                  rvkText);
  SetRegistryData(platform, RegRoot::LocalMachine, kKey, "Exp", std::string("%X%"), rvkExpandText);
  SetRegistryData(platform, RegRoot::LocalMachine, kKey, "Num", std::string("-7"), rvkInteger);
  SetRegistryData(platform, RegRoot::LocalMachine, kKey, "Bin", std::string("\0\xFF", 2),
                  rvkBinary);
  SetRegistryData(platform, RegRoot::LocalMachine, kKey, "IntAsText", int32_t{42}, rvkText);

  EXPECT_TRUE(registry.KeyExists(RegRoot::LocalMachine, "SOFTWARE\\Microsoft"));
  ASSERT_NE(registry.Find(RegRoot::LocalMachine, kKey, "Search"), nullptr);
  EXPECT_EQ(registry.Find(RegRoot::LocalMachine, kKey, "Search")->type, RegType::String);
  EXPECT_EQ(registry.Find(RegRoot::LocalMachine, kKey, "Exp")->type, RegType::ExpandString);
  EXPECT_EQ(registry.Find(RegRoot::LocalMachine, kKey, "Num")->data, "\xF9\xFF\xFF\xFF");
  EXPECT_EQ(registry.Find(RegRoot::LocalMachine, kKey, "Bin")->data, std::string("\0\xFF", 2));
  EXPECT_EQ(Read("IntAsText"), RegVariant(std::string("42")));
  EXPECT_EQ(Read("Num"), RegVariant(int32_t{-7}));
}

TEST_F(RegistryStore, SelectorZeroKeepsTheStoredKind) {
  registry.Put(RegRoot::LocalMachine, kKey, "Count", RegType::Dword, std::string("\x01\0\0\0", 4));
  SetRegistryData(platform, RegRoot::LocalMachine, kKey, "Count", std::string("9"), rvkUnknown);
  EXPECT_EQ(Read("Count"), RegVariant(int32_t{9}));
}

TEST_F(RegistryStore, SelectorZeroOnAMissingValueFailsWithTheCantWriteTextAndWritesNothing) {
  try {
    SetRegistryData(platform, RegRoot::LocalMachine, kKey, "Nothing", std::string("x"), rvkUnknown);
    FAIL() << "no exception";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "system message 1013");
  }
  EXPECT_EQ(registry.Find(RegRoot::LocalMachine, kKey, "Nothing"), nullptr);
}

TEST_F(RegistryStore, ARefusedWriteNamesTheValue) {
  registry.refuse_writes.insert("software\\microsoft\\internet explorer\\explorer bars\\{test}");
  try {
    SetRegistryData(platform, RegRoot::LocalMachine, kKey, "Search Type", std::string("2"),
                    rvkText);
    FAIL() << "no exception";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'Search Type'");
  }
}

TEST_F(RegistryStore, AKeyThatCannotBeOpenedFailsWithTheSystemText) {
  registry.deny_open["software\\microsoft\\internet explorer\\explorer bars\\{test}"] =
      kErrorAccessDenied;
  try {
    SetRegistryData(platform, RegRoot::LocalMachine, kKey, "Search", std::string("x"), rvkText);
    FAIL() << "no exception";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "system message 5");
  }
}

TEST_F(RegistryStore, TextThatIsNoIntegerIsNotWrittenAsOne) {
  EXPECT_THROW(
      SetRegistryData(platform, RegRoot::LocalMachine, kKey, "N", std::string("12x"), rvkInteger),
      Error);
  EXPECT_THROW(SetRegistryData(platform, RegRoot::LocalMachine, kKey, "N",
                               std::string("99999999999"), rvkInteger),
               Error);
  EXPECT_EQ(registry.Find(RegRoot::LocalMachine, kKey, "N"), nullptr);
}

}  // namespace
}  // namespace pq
