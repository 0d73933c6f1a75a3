// Updates that are not taken on trust, with real WinINet, the system's
// certificate checks and CNG: signed updates from a loopback HTTP server, and
// updates over HTTPS from a TLS front whose test authority the test makes a
// trusted root of the prefix. Keys, signatures and certificates come from the
// build tree (support/make_trust_fixtures.sh), signed with the publisher's own
// tool.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <wincrypt.h>

#include <algorithm>
#include <future>
#include <string>
#include <thread>

#include "config/toolbar_config.h"
#include "support/band_dll.h"
#include "support/loopback_http_server.h"
#include "support/loopback_tls_front.h"
#include "support/message_box_watcher.h"
#include "support/scratch_key.h"
#include "support/whole_files.h"
#include "support/win32_ports.h"
#include "ui_kit/mouse_input.h"

namespace pq {
namespace {

using testing::Exists;
using testing::LoopbackHttpServer;
using testing::ReadAll;
using testing::WriteAll;

// A file the fixtures script made.
std::string Fixture(const std::string& name) {
  return ReadAll(testing::WindowsPath(std::string(PQ_TRUST_FIXTURES) + "/" + name));
}

LoopbackHttpServer::Reply Served(const std::string& status, const std::string& body) {
  LoopbackHttpServer::Reply reply;
  reply.status = status;
  reply.body = body;
  return reply;
}

class UpdateOnWine : public ::testing::Test, protected testing::Win32Ports {
 protected:
  UpdateOnWine() {
    ToolbarConfig.InstallPath = dir.path();
    ToolbarConfig.ToolbarFile = "MyBar";
    ToolbarConfig.CompanyName = kDefaultCompanyName;
  }
  ~UpdateOnWine() override { ClearToolbarConfig(); }

  testing::ScratchDir dir;
  LoopbackHttpServer server;
  testing::MessageBoxWatcher watcher;
};

// ---------------------------------------------------------------------------
// Signed updates: the installed configuration names key A.

using SignedUpdateOnWine = UpdateOnWine;

TEST_F(SignedUpdateOnWine, OnlyAnUpdateSignedWithTheInstalledKeyIsInstalled) {
  const struct {
    const char* what;
    const char* update;
    const char* signature;  // nullptr: none is served
    bool installs;
    // An update that names no key or no newer version is refused unread.
    bool signature_asked = true;
  } cases[] = {
      {"signed with the installed key", "update.ini", "update.ini.sig", true},
      {"a signature with a bit changed", "update.ini", "tampered.sig", false},
      {"no signature", "update.ini", nullptr, false},
      {"the signature of another file", "update.ini", "other.ini.sig", false},
      {"the key dropped, signed with another key", "dropped.ini", "dropped.ini.sig", false, false},
      {"the key replaced, signed with the new key", "replaced.ini", "replaced.ini.sig", false},
      {"the key replaced, signed with the installed key", "rotated.ini", "rotated.ini.sig", true},
      {"the key dropped, signed with the installed key", "dropped-by-a.ini", "dropped-by-a.ini.sig",
       false, false},
      {"the installed version again, other bytes, signed", "replayed.ini", "replayed.ini.sig",
       false, false},
  };
  const std::string installed = Fixture("installed.ini");
  ASSERT_NE(installed.find("Update Key=MFkw"), std::string::npos);
  ToolbarConfig.UpdatesUrl = server.BaseUrl() + "/bars";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteAll(ConfigFilePath(), installed);
    const std::string update = Fixture(c.update);
    ASSERT_FALSE(update.empty());
    server.SetReplyFor("/bars/toolbar.ini", Served("200 OK", update));
    server.SetReplyFor("/bars/toolbar.ini.sig",
                       c.signature ? Served("200 OK", Fixture(c.signature))
                                   : Served("404 Not Found", "<html>not here</html>"));
    const size_t requests = server.Requests().size();

    EXPECT_TRUE(UpdateConfigFile(platform));

    EXPECT_EQ(ReadAll(ConfigFilePath()), c.installs ? update : installed);
    // What is refused is kept aside like an invalid download, without a word.
    EXPECT_EQ(Exists(DownloadedConfigFilePath()), !c.installs);
    EXPECT_EQ(server.Requests().size(), requests + (c.signature_asked ? 2 : 1))
        << "the update and its signature";
    DeleteFileA(DownloadedConfigFilePath().c_str());
  }
  EXPECT_TRUE(watcher.Seen().empty());
}

// Two browser windows update at once. The server (or whoever answers in its
// place) gives the first window the genuine update and holds back its
// signature, gives the second a forged file, then lets the first window's
// signature through: the first installs what it verified, not the file the
// second downloaded meanwhile.
TEST_F(SignedUpdateOnWine, AWindowInstallsTheBytesItVerifiedWhileAnotherWindowUpdates) {
  const std::string installed = Fixture("installed.ini");
  const std::string genuine = Fixture("update.ini");
  const std::string forged = Fixture("other.ini");
  const std::string signature = Fixture("update.ini.sig");
  ToolbarConfig.UpdatesUrl = server.BaseUrl() + "/bars";
  WriteAll(ConfigFilePath(), installed);
  server.SetReplyFor("/bars/toolbar.ini", Served("200 OK", genuine));
  std::promise<void> release;
  LoopbackHttpServer::Reply held = Served("200 OK", signature);
  held.held_until = release.get_future().share();
  server.SetReplyFor("/bars/toolbar.ini.sig", held);
  const auto signature_requests = [&] {
    const std::vector<std::string> requests = server.Requests();
    return std::count_if(requests.begin(), requests.end(), [](const std::string& request) {
      return request.find(" /bars/toolbar.ini.sig ") != std::string::npos;
    });
  };

  bool first_installed = false;
  std::thread first_window([&] { first_installed = UpdateConfigFile(platform); });
  const bool first_waits = ui_kit::WaitUntil([&] { return signature_requests() == 1; }, 20000);
  if (first_waits) {
    server.SetReplyFor("/bars/toolbar.ini", Served("200 OK", forged));
    server.SetReplyFor("/bars/toolbar.ini.sig", Served("200 OK", signature));
    EXPECT_TRUE(UpdateConfigFile(platform)) << "the second window keeps the installed file";
    EXPECT_EQ(ReadAll(ConfigFilePath()), installed);
    EXPECT_EQ(ReadAll(DownloadedConfigFilePath()), forged) << "refused, kept aside";
  }
  release.set_value();
  first_window.join();

  ASSERT_TRUE(first_waits) << "the first window never asked for its signature";
  EXPECT_TRUE(first_installed);
  EXPECT_EQ(ReadAll(ConfigFilePath()), genuine);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), installed);
  EXPECT_TRUE(watcher.Seen().empty());
}

// ---------------------------------------------------------------------------
// HTTPS: the certificate checked as the system checks it.

// The test authority among the trusted roots of the machine for the object's
// life. WinINet checks server certificates against the roots the chain engine
// read when it first ran in the process, so it is added before any HTTPS
// request is made and not relied on to leave before the process ends.
class TrustedTestAuthority {
 public:
  TrustedTestAuthority() : der_(Fixture("test-ca.der")) {
    HCERTSTORE root = Open();
    // No context is kept: a store with a context still open is never written.
    added_ = root && CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, Der(), Size(),
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    if (root) CertCloseStore(root, 0);
  }
  ~TrustedTestAuthority() {
    HCERTSTORE root = Open();
    if (!root) return;
    if (PCCERT_CONTEXT mine = CertCreateCertificateContext(X509_ASN_ENCODING, Der(), Size())) {
      if (PCCERT_CONTEXT found = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0,
                                                            CERT_FIND_EXISTING, mine, nullptr))
        CertDeleteCertificateFromStore(found);
      CertFreeCertificateContext(mine);
    }
    CertCloseStore(root, 0);
  }
  bool Added() const { return added_; }

 private:
  static HCERTSTORE Open() {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
  }
  const BYTE* Der() const { return reinterpret_cast<const BYTE*>(der_.data()); }
  DWORD Size() const { return static_cast<DWORD>(der_.size()); }
  std::string der_;
  bool added_ = false;
};

using HttpsUpdateOnWine = UpdateOnWine;

TEST_F(HttpsUpdateOnWine, OnlyAServerWithATrustedCertificateForItsNameIsBelieved) {
  const TrustedTestAuthority authority;
  ASSERT_TRUE(authority.Added()) << "the test authority could not be made a trusted root";
  const testing::LoopbackTlsFront front(server.Port(), PQ_TRUST_FIXTURES,
                                        {"trusted", "untrusted", "wrong-name"});
  ASSERT_TRUE(front.Started()) << "the TLS front did not start";
  const struct {
    const char* certificate;
    bool installs;
  } cases[] = {
      {"trusted", true},
      {"untrusted", false},   // from an authority that is no trusted root
      {"wrong-name", false},  // from the trusted authority, for another host name
  };
  const std::string installed = "[Options]\r\nToolbar Name=MyBar\r\nCompany Name=Old\r\n";
  const std::string update = "[Options]\r\nToolbar Name=MyBar\r\nCompany Name=New\r\n";
  server.SetReplyFor("/bars/toolbar.ini", Served("200 OK", update));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.certificate);
    WriteAll(ConfigFilePath(), installed);
    ToolbarConfig.UpdatesUrl = front.BaseUrl(c.certificate) + "/bars";
    const size_t requests = server.Requests().size();

    EXPECT_TRUE(UpdateConfigFile(platform));

    EXPECT_EQ(ReadAll(ConfigFilePath()), c.installs ? update : installed);
    // A refused certificate ends the connection before any request is made.
    EXPECT_EQ(server.Requests().size(), requests + (c.installs ? 1 : 0));
    EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  }
  EXPECT_TRUE(watcher.Seen().empty());
}

}  // namespace
}  // namespace pq
