// Signed configuration updates: the key and signature formats against real
// vectors made by a signing tool, and the decision whether an update is
// installed, against a verifier that knows the signatures the test made.
#include "config/update_signature.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/toolbar_config.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_signature_verifier.h"
#include "fakes/hex_bytes.h"
#include "whole_files.h"

namespace pq {
namespace {

using fakes::Hex;

std::string Base64(const std::string& bytes) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = 0;
    for (size_t k = i; k < i + 3; ++k)
      group = group << 8 | (k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0);
    for (size_t k = 0; k < 4; ++k)  // as many characters as bytes, plus one
      text += k <= bytes.size() - i ? alphabet[group >> (18 - 6 * k) & 63] : '=';
  }
  return text;
}

// A P-256 key and a signature of "hello" made with it by openssl.
const std::string kSpki = Hex(
    "3059301306072a8648ce3d020106082a8648ce3d03010703420004532573d6481f01ed02e1cb1fe3f21d2598c70a5c"
    "f10fcf45428fa3bb6a68cb14b31fa039924409e42d1061f4f9292ac8e89a3943438697fc26efa4032a7c3b06");
const std::string kKeyText =
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEUyVz1kgfAe0C4csf4/"
    "IdJZjHClzxD89FQo+ju2poyxSzH6A5kkQJ5C0QYfT5"
    "KSrI6Jo5Q0OGl/wm76QDKnw7Bg==";
const std::string kPoint = kSpki.substr(27);
const std::string kDerSignature = Hex(
    "3046022100d6129c59519aaf90e9ecd0c3f0e424ae02318357692578f0efae5b2d23d7fa52022100902e36f7daf4f1"
    "84e7e7c48e407397acb637fc123a595647b2273f85c0acca2d");
const std::string kRawSignature = Hex(
    "d6129c59519aaf90e9ecd0c3f0e424ae02318357692578f0efae5b2d23d7fa52902e36f7daf4f184e7e7c48e407397"
    "acb637fc123a595647b2273f85c0acca2d");

// The DER form of a signature given as r then s.
std::string Der(const std::string& raw) {
  auto integer = [](std::string value) {
    while (value.size() > 1 && value[0] == '\0' && !(value[1] & 0x80)) value.erase(0, 1);
    if (value[0] & 0x80) value.insert(0, 1, '\0');
    return std::string{'\x02', static_cast<char>(value.size())} + value;
  };
  const std::string body = integer(raw.substr(0, 32)) + integer(raw.substr(32));
  return std::string{'\x30', static_cast<char>(body.size())} + body;
}

// An "Update Key" value for a point.
std::string KeyText(const std::string& point) { return Base64(kSpki.substr(0, 27) + point); }

TEST(Base64, DecodesOnlyCanonicalPaddedText) {
  const struct {
    const char* text;
    std::optional<std::string> bytes;
  } cases[] = {
      {"aGVsbG8=", "hello"},        {"aGVsbG8h", "hello!"},    {"aGk=", "hi"},     {"aA==", "h"},
      {"+/+/", "\xfb\xff\xbf"},     {"aGVsbG8", std::nullopt},  // no padding
      {"aGVsbG9=", std::nullopt},                               // spare bits set
      {"aB==", std::nullopt},                                   // spare bits set
      {"aGVs bG8=", std::nullopt},                              // a blank inside
      {"aGVs\nbG8=", std::nullopt},                             // a line break inside
      {"aGVsbG8-", std::nullopt},                               // the URL alphabet
      {"a===", std::nullopt},       {"=aGk", std::nullopt},    {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DecodeBase64(c.text), c.bytes);
  }
}

TEST(UpdateKey, IsTheBase64OfAP256SubjectPublicKeyInfo) {
  std::string other_curve = kSpki;
  other_curve[22] = 0x22;  // secp384r1's last arc, on a P-256 length
  const struct {
    const char* what;
    std::string value;
    bool valid;
  } cases[] = {
      {"the PEM body on one line", kKeyText, true},
      {"with blanks around it", "  " + kKeyText + "\t", true},
      {"the whole PEM file", "-----BEGIN PUBLIC KEY-----" + kKeyText, false},
      {"the bare uncompressed point", Base64("\x04" + kPoint), false},
      {"the bare coordinates", Base64(kPoint), false},
      {"another curve", Base64(other_curve), false},
      {"a compressed point", Base64(kSpki.substr(0, 26) + "\x02" + kPoint.substr(0, 32)), false},
      {"cut short", Base64(kSpki.substr(0, 90)), false},
      {"with a byte after it", Base64(kSpki + std::string(1, '\0')), false},
      {"not base64", "not a key", false},
      {"empty", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<std::string> point = ParseUpdateKey(c.value);
    EXPECT_EQ(point.has_value(), c.valid);
    if (point && c.valid) {
      EXPECT_EQ(*point, kPoint);
    }
  }
}

TEST(UpdateSignature, IsTheDerSignatureASigningToolWrites) {
  const std::string r31 = std::string(1, '\0') + std::string(31, '\x11');  // r below 2^248
  const struct {
    const char* what;
    std::string der;
    std::optional<std::string> raw;
  } cases[] = {
      {"as openssl wrote it", kDerSignature, kRawSignature},
      {"a short r, padded back to 32 bytes", Der(r31 + std::string(32, '\x22')),
       r31 + std::string(32, '\x22')},
      {"a 64-byte raw signature", kRawSignature, std::nullopt},
      {"a byte after it", kDerSignature + std::string(1, '\0'), std::nullopt},
      {"a byte after s inside the sequence",
       Hex("3047") + kDerSignature.substr(2) + std::string(1, '\0'), std::nullopt},
      {"cut short", kDerSignature.substr(0, kDerSignature.size() - 1), std::nullopt},
      {"a negative r", Hex("3006020180020101"), std::nullopt},
      {"a zero r", Hex("3006020100020101"), std::nullopt},
      {"an r with a needless leading zero", Hex("300702020001020101"), std::nullopt},
      {"an r of 33 bytes without sign byte",
       Hex("3026022101") + std::string(32, '\x01') + Hex("020101"), std::nullopt},
      {"a long-form length", Hex("308106020101020101"), std::nullopt},
      {"no SEQUENCE", Hex("3106020101020101"), std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RawSignatureFromDer(c.der), c.raw);
  }
}

// --- whether an update is installed

const std::string kPointA(64, '\x0A');
const std::string kPointB(64, '\x0B');
constexpr char kUpdates[] = "http://updates.example.net/bar";
constexpr char kUpdateAddress[] = "http://updates.example.net/bar/toolbar.ini";
constexpr char kSignatureAddress[] = "http://updates.example.net/bar/toolbar.ini.sig";

// The old configuration is version 1, the new one version 2, unless told.
std::string Config(const std::string& company, const std::string& key_line,
                   const char* version = nullptr) {
  if (!version) version = company == "Old" ? "1" : "2";
  const std::string version_line =
      *version ? "Config Version=" + std::string(version) + "\r\n" : std::string();
  return "[Options]\r\nToolbar Name=MyBar\r\nCompany Name=" + company + "\r\n" + version_line +
         key_line;
}
std::string KeyLine(const std::string& point) { return "Update Key=" + KeyText(point) + "\r\n"; }

using testing::ReadAll;
using testing::WriteAll;

class SignedUpdate : public ::testing::Test, protected fakes::FakePlatform {
 protected:
  SignedUpdate() {
    platform.verifier = &verifier;
    ToolbarConfig.InstallPath = dir.path().string();
    ToolbarConfig.ToolbarFile = "MyBar";
    ToolbarConfig.CompanyName = kDefaultCompanyName;
    ToolbarConfig.UpdatesUrl = kUpdates;
  }
  ~SignedUpdate() override { ClearToolbarConfig(); }

  void Serve(const std::string& update, const std::optional<std::string>& signature) {
    internet.responses[kUpdateAddress] = {update, update.size()};
    if (signature)
      internet.responses[kSignatureAddress] = {*signature, signature->size()};
    else
      internet.responses.erase(kSignatureAddress);
  }

  fakes::ScratchDir dir{"pq-signed"};
  fakes::FakeSignatureVerifier verifier;
};

TEST_F(SignedUpdate, AnUpdateIsInstalledOnlyWithTheSignatureOfTheKeyInForce) {
  const std::string old_a = Config("Old", KeyLine(kPointA));
  const std::string new_a = Config("New", KeyLine(kPointA));
  enum class Signature { None, ByA, ByB, ByAOverOther, Tampered, Raw, Huge };
  const struct {
    const char* what;
    std::string installed;
    std::string update;
    Signature signature;
    bool installs;
  } cases[] = {
      {"no key installed, unsigned", Config("Old", ""), Config("New", ""), Signature::None, true},
      {"no key installed, the update brings one", Config("Old", ""), new_a, Signature::None, true},
      {"a blank key is no key", Config("Old", "Update Key= \t\r\n"), Config("New", ""),
       Signature::None, true},
      {"signed with the installed key", old_a, new_a, Signature::ByA, true},
      {"no signature served", old_a, new_a, Signature::None, false},
      {"a signature with a byte changed", old_a, new_a, Signature::Tampered, false},
      {"the signature of another file", old_a, new_a, Signature::ByAOverOther, false},
      {"signed with another key", old_a, new_a, Signature::ByB, false},
      {"a raw signature, not DER", old_a, new_a, Signature::Raw, false},
      {"a signature past the size limit", old_a, new_a, Signature::Huge, false},
      {"the key dropped, signed with another key", old_a, Config("New", ""), Signature::ByB, false},
      {"the key replaced, signed with the new key", old_a, Config("New", KeyLine(kPointB)),
       Signature::ByB, false},
      {"the key replaced, signed with the installed key", old_a, Config("New", KeyLine(kPointB)),
       Signature::ByA, true},
      // A signed file without a key, replayed, would switch signing off for good.
      {"the key dropped, signed with the installed key", old_a, Config("New", ""), Signature::ByA,
       false},
      {"the key made invalid, signed with the installed key", old_a,
       Config("New", "Update Key=MFkwEwYH\r\n"), Signature::ByA, false},
      // A saved earlier update, replayed, would roll the toolbar back.
      {"an older version, signed", Config("Old", KeyLine(kPointA), "5"), new_a, Signature::ByA,
       false},
      {"the same version with other bytes, signed", Config("Old", KeyLine(kPointA), "2"), new_a,
       Signature::ByA, false},
      {"no version, signed", old_a, Config("New", KeyLine(kPointA), ""), Signature::ByA, false},
      {"a version that is no whole number, signed", old_a, Config("New", KeyLine(kPointA), "3.1"),
       Signature::ByA, false},
      {"the installed file has no version: any version is newer",
       Config("Old", KeyLine(kPointA), ""), Config("New", KeyLine(kPointA), "1"), Signature::ByA,
       true},
      {"no key installed, an older version", Config("Old", "", "5"), Config("New", ""),
       Signature::None, true},
      // An installed update that named the next key: from then on that key signs.
      {"the next key in force, signed with the one before", Config("Old", KeyLine(kPointB)),
       Config("New", KeyLine(kPointB)), Signature::ByA, false},
      {"the next key in force, signed with it", Config("Old", KeyLine(kPointB)),
       Config("New", KeyLine(kPointB)), Signature::ByB, true},
      {"the installed key is no valid key", Config("Old", "Update Key=MFkwEwYH\r\n"), new_a,
       Signature::ByA, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteAll(ConfigFilePath(), c.installed);
    std::optional<std::string> signature;
    if (c.signature != Signature::None) {
      std::string raw =
          verifier.Sign(c.signature == Signature::ByB ? kPointB : kPointA,
                        c.update + (c.signature == Signature::ByAOverOther ? " " : ""));
      if (c.signature == Signature::Tampered) raw[40] ^= 0x01;
      signature = c.signature == Signature::Raw ? raw : Der(raw);
      if (c.signature == Signature::Huge) *signature += std::string(kSignatureSizeLimit, ' ');
    }
    Serve(c.update, signature);
    internet.opened.clear();

    EXPECT_TRUE(UpdateConfigFile(platform));

    EXPECT_EQ(ReadAll(ConfigFilePath()), c.installs ? c.update : c.installed);
    // What is refused is kept aside like any invalid download, and nobody is told.
    EXPECT_EQ(std::filesystem::exists(DownloadedConfigFilePath()), !c.installs);
    EXPECT_TRUE(ui.shown.empty());
    // The signature is fetched only while a key is in force.
    if (c.installed.find("Update Key=M") == std::string::npos) {
      EXPECT_EQ(std::count(internet.opened.begin(), internet.opened.end(), kSignatureAddress), 0);
    }
    std::filesystem::remove(BackupConfigFilePath());
    std::filesystem::remove(DownloadedConfigFilePath());
  }
}

// Two windows update at once. An attacker serves the genuine update to the
// first and holds back its signature, serves a forged file to the second, then
// lets the first window's signature through: the first installs what it
// verified, never what the second window downloaded meanwhile.
TEST_F(SignedUpdate, AWindowInstallsTheBytesItVerifiedWhateverAnotherWindowDownloadedMeanwhile) {
  const std::string installed = Config("Old", KeyLine(kPointA));
  const std::string genuine = Config("New", KeyLine(kPointA));
  const std::string forged = Config("Forged", KeyLine(kPointA), "3");
  WriteAll(ConfigFilePath(), installed);
  const std::string signature = Der(verifier.Sign(kPointA, genuine));
  Serve(genuine, signature);
  bool second_window_ran = false;
  internet.on_open[kSignatureAddress] = [&] {
    Serve(forged, signature);
    EXPECT_TRUE(UpdateConfigFile(platform)) << "the second window keeps the installed file";
    EXPECT_EQ(ReadAll(ConfigFilePath()), installed);
    second_window_ran = true;
  };

  EXPECT_TRUE(UpdateConfigFile(platform));

  ASSERT_TRUE(second_window_ran);
  EXPECT_EQ(ReadAll(ConfigFilePath()), genuine);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), installed);
  EXPECT_EQ(ReadAll(DownloadedConfigFilePath()), forged) << "the refused file, kept aside";
  EXPECT_TRUE(ui.shown.empty());
}

// A saved copy of the update in force, replayed, is no change at all.
TEST_F(SignedUpdate, TheUpdateInForceServedAgainChangesNothing) {
  const std::string current = Config("New", KeyLine(kPointA));
  WriteAll(ConfigFilePath(), current);
  WriteAll(BackupConfigFilePath(), "the one before");
  Serve(current, Der(verifier.Sign(kPointA, current)));

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), current);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), "the one before");
  EXPECT_FALSE(std::filesystem::exists(DownloadedConfigFilePath()));
}

TEST_F(SignedUpdate, WithoutAnInstalledConfigurationTheKeyReadAtStartDecides) {
  ToolbarConfig.UpdateKey = KeyText(kPointA);
  const std::string update = Config("New", KeyLine(kPointA));
  Serve(update, Der(verifier.Sign(kPointB, update)));
  EXPECT_FALSE(UpdateConfigFile(platform));
  EXPECT_FALSE(std::filesystem::exists(ConfigFilePath()));

  ui.shown.clear();
  Serve(update, Der(verifier.Sign(kPointA, update)));
  EXPECT_TRUE(UpdateConfigFile(platform));
  EXPECT_EQ(ReadAll(ConfigFilePath()), update);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(SignedUpdate, TheVerifierIsGivenThePointTheBytesAndRAndSAndWithoutOneNothingInstalls) {
  const std::string installed = Config("Old", "Update Key=" + kKeyText + "\r\n");
  const std::string update = Config("New", "Update Key=" + kKeyText + "\r\n");
  WriteAll(ConfigFilePath(), installed);
  Serve(update, kDerSignature);
  platform.verifier = nullptr;
  EXPECT_TRUE(UpdateConfigFile(platform));
  EXPECT_EQ(ReadAll(ConfigFilePath()), installed);

  platform.verifier = &verifier;
  EXPECT_TRUE(UpdateConfigFile(platform));
  ASSERT_EQ(verifier.asked.size(), 1u);
  EXPECT_EQ(verifier.asked[0], std::make_tuple(kPoint, update, kRawSignature));
}

}  // namespace
}  // namespace pq
