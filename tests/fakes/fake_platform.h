#pragma once
// Every port faked at once, and a scratch directory on the real disk for the
// files the core reads and writes.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "fakes/fake_clock.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_internet.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_system_messages.h"
#include "fakes/fake_user_interface.h"
#include "platform/platform.h"

namespace pq::fakes {

struct FakePlatform {
  FakePlatform() {
    platform.registry = &registry;
    platform.messages = &messages;
    platform.ui = &ui;
    platform.clock = &clock;
    platform.internet = &internet;
    platform.desktop = &desktop;
  }
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  FakeRegistry registry;
  FakeSystemMessages messages;
  FakeUserInterface ui;
  FakeClock clock;
  FakeInternet internet{&clock};
  FakeDesktop desktop;
  Platform platform;
};

// A directory of one test's own, removed with everything in it.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& stem) {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            (stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace pq::fakes
