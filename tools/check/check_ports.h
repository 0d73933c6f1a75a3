#pragma once
// The ports the check builds a toolbar against: an installation that holds
// only its three registry values, a view and a user interface that show
// nothing but remember the messages, and no Internet unless one is given.
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/internet.h"
#include "platform/registry.h"
#include "platform/system_messages.h"
#include "platform/user_interface.h"
#include "toolbar/silent_view.h"

namespace pq::check {

// One key's values, read-only.
class InstallationKey : public RegistryKey {
 public:
  explicit InstallationKey(const std::map<std::string, std::string>& values) : values_(values) {}
  std::optional<RegValueInfo> QueryValue(const std::string& name) override {
    auto found = values_.find(name);
    if (found == values_.end()) return std::nullopt;
    return RegValueInfo{RegType::String, static_cast<int64_t>(found->second.size())};
  }
  std::optional<std::string> ReadValue(const std::string& name) override {
    auto found = values_.find(name);
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }
  uint32_t WriteValue(const std::string&, RegType, const std::string&) override {
    return kErrorAccessDenied;
  }
  uint32_t DeleteValue(const std::string&) override { return kErrorAccessDenied; }

 private:
  const std::map<std::string, std::string>& values_;
};

// A fresh installation: the band's key under the machine holds what the
// installer writes, and nothing else exists.
class InstallationRegistry : public Registry {
 public:
  std::string band_key;
  std::map<std::string, std::string> values;

  std::unique_ptr<RegistryKey> OpenReadOnly(RegRoot root, const std::string& path) override {
    if (root != RegRoot::LocalMachine || path != band_key) return nullptr;
    return std::make_unique<InstallationKey>(values);
  }
  std::unique_ptr<RegistryKey> OpenExisting(RegRoot, const std::string&, uint32_t& error) override {
    error = kErrorAccessDenied;
    return nullptr;
  }
  std::unique_ptr<RegistryKey> OpenOrCreate(RegRoot, const std::string&, uint32_t& error) override {
    error = kErrorAccessDenied;
    return nullptr;
  }
  uint32_t DeleteTree(RegRoot, const std::string&) override { return kErrorAccessDenied; }
  uint32_t DeleteKey(RegRoot, const std::string&) override { return kErrorAccessDenied; }
};

class SteadyClock : public Clock {
 public:
  TDateTime Today() override {
    using namespace std::chrono;
    const year_month_day today{floor<days>(system_clock::now())};
    return TryEncodeDate(static_cast<int>(today.year()), static_cast<int>(unsigned(today.month())),
                         static_cast<int>(unsigned(today.day())))
        .value_or(0);
  }
  uint64_t Milliseconds() override {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  int64_t SecondsSince1970() override {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
  }
};

class PlainMessages : public SystemMessages {
 public:
  std::string MessageFor(uint32_t code) override { return "system error " + std::to_string(code); }
  uint32_t LastError() override { return 0; }
};

// Keeps the texts of the message boxes the toolbar would show.
class RecordingUserInterface : public UserInterface {
 public:
  std::vector<std::string> messages;

  int ShowMessageBox(const std::string& text, const std::string&, uint32_t) override {
    messages.push_back(text);
    return kIdOk;
  }
  std::string InputBox(const std::string&, const std::string&,
                       const std::string& initial) override {
    return initial;
  }
  bool ExecuteFileDialog(FileDialogSettings&) override { return false; }
  void SetClipboardText(const std::string&) override {}
  std::optional<std::string> ClipboardText() override { return std::nullopt; }
  void ShowAboutBox(const AboutBoxContent&) override {}
};

// No network: addresses stay as written, nothing can be opened.
class NoInternet : public Internet {
 public:
  std::string AgentName() override { return "pqcheck"; }
  std::unique_ptr<InternetSession> OpenSession(const std::string&,
                                               const InternetTimeouts&) override {
    return nullptr;
  }
  uint32_t Canonicalize(const std::string& address, std::string& canonical) override {
    canonical = address;
    return 0;
  }
  uint32_t AttemptConnect() override { return 1; }
};

using pq::SilentView;

}  // namespace pq::check
