#pragma once
// A toolbar installed in a scratch folder under the band's machine key, its
// module loaded by the test, and a loopback server for it to fetch from: for
// the tests that open browser windows and watch what the toolbar asks.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/band_dll.h"
#include "support/loopback_http_server.h"
#include "support/scratch_key.h"

namespace pq::testing {

class InstalledBandTest : public ::testing::Test {
 protected:
  // Writes the band's values for a toolbar of this name, installed in `dir`.
  explicit InstalledBandTest(const std::string& toolbar_name);
  // No update may outlive the test: the module would stay loaded with this
  // test's configuration.
  ~InstalledBandTest() override;

  static const std::string& BandKey();
  static void SetText(const char* name, const std::string& value);

  // Waits for the module's work to end, lets the module go and waits until it
  // is gone: the last worker's reference goes just after the count that let
  // DllCanUnloadNow say S_OK, and a module loaded again before that would
  // keep the old configuration.
  void FinishAndUnload();
  void UnloadDll();

  // How many requests the server had for this path.
  size_t RequestsFor(const std::string& path) const;

  // What a browser window showed of its toolbar, and how long making it took.
  struct Shown {
    std::vector<std::string> captions;
    std::chrono::milliseconds took{0};
  };
  // A browser window with the toolbar: made, sited, shown, read, closed.
  Shown OpenWindow();

  ScratchDir dir;
  LoopbackHttpServer server;
  std::unique_ptr<BandDll> dll;
};

}  // namespace pq::testing
