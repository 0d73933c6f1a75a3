#pragma once
// Ports that answer at once, for timing the toolbar's own work.
#include <memory>
#include <string>

#include "platform/desktop.h"
#include "platform/registry.h"
#include "toolbar/silent_view.h"

namespace pq::bench {

// An installation without stored state: every registry value is missing.
class EmptyRegistry : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenReadOnly(RegRoot, const std::string&) override {
    return nullptr;
  }
  std::unique_ptr<RegistryKey> OpenExisting(RegRoot, const std::string&, uint32_t& error) override {
    error = kErrorFileNotFound;
    return nullptr;
  }
  std::unique_ptr<RegistryKey> OpenOrCreate(RegRoot, const std::string&, uint32_t& error) override {
    error = kErrorAccessDenied;
    return nullptr;
  }
  uint32_t DeleteTree(RegRoot, const std::string&) override { return kErrorFileNotFound; }
  uint32_t DeleteKey(RegRoot, const std::string&) override { return kErrorFileNotFound; }
};

// A desktop whose program lives in a given folder and which opens nothing.
class QuietDesktop : public Desktop {
 public:
  explicit QuietDesktop(std::string program_directory)
      : program_directory_(std::move(program_directory)) {}
  std::unique_ptr<AutomationBrowser> CreateBrowser() override { throw Error("no browser"); }
  WindowId FindBrowserFrame() override { return 0; }
  void BringToFront(WindowId) override {}
  void HyperlinkNavigate(const std::string&) override {}
  void OpenWithShell(const std::string&) override {}
  std::string WindowsDirectory() override { return program_directory_; }
  std::string ProgramDirectory() override { return program_directory_; }
  std::string UserDataFolder() override { return ""; }

 private:
  std::string program_directory_;
};

}  // namespace pq::bench
