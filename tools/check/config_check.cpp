#include "check/config_check.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "check/check_ports.h"
#include "check/construction.h"
#include "check/ini_scan.h"
#include "check/report.h"
#include "check/rules.h"
#include "config/band_identity.h"
#include "config/big_ini_file.h"
#include "config/toolbar_config.h"
#include "config/update_signature.h"
#include "platform/code_pages.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace pq::check {
namespace {

namespace fs = std::filesystem;

// A directory of the check's own, removed with everything in it.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0;; ++attempt) {
      path_ = fs::temp_directory_path() /
              ("pqcheck-" + std::to_string(ticks) + "-" + std::to_string(attempt));
      if (fs::create_directory(path_)) break;
    }
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

class Checker {
 public:
  Checker(const std::string& path, const CheckOptions& options) : path_(path), options_(options) {
    platform_.registry = &registry_;
    platform_.messages = &messages_;
    platform_.ui = &ui_;
    platform_.clock = &clock_;
    platform_.internet = options.internet ? options.internet : &no_internet_;
  }
  ~Checker() { ClearToolbarConfig(); }

  CheckResult Run();

 private:
  void Install();
  void CheckOnline();

  const std::string path_;
  const CheckOptions options_;
  std::string text_;  // the file's bytes
  DecodedText decoded_{};
  std::unique_ptr<IniScan> scan_;
  std::string stem_;
  std::vector<Entry> entries_;
  Findings findings_;
  std::string toolbar_name_;
  std::string company_name_, config_version_, banner_animation_;
  std::string updates_url_;
  // The file as the toolbar reads it, for values as it converts them.
  std::unique_ptr<TBigIniFile> ini_;
  ScratchDirectory scratch_;

  InstallationRegistry registry_;
  PlainMessages messages_;
  RecordingUserInterface ui_;
  SteadyClock clock_;
  NoInternet no_internet_;
  Platform platform_;
};

CheckResult Checker::Run() {
  CheckResult result;
  const fs::path file = PathOf(path_);
  if (!Files().ReadAll(path_, text_)) {
    findings_.Add(Severity::Error, 0, "unreadable", "cannot be read");
    result.findings = std::move(findings_.list);
    return result;
  }
  stem_ = TextOf(file.stem());
  if (!SameText(TextOf(file.extension()), ".ini"))
    findings_.Add(Severity::Note, 0, "file-name",
                  "the toolbar reads its configuration from a file named " + stem_ + ".ini");
  // The lines as the toolbar reads them: decoded, without a byte-order mark.
  decoded_ = DecodeText(text_);
  CheckEncoding(text_, decoded_, findings_);
  scan_ = std::make_unique<IniScan>(decoded_.text);

  Install();
  const IniScan& scan = *scan_;
  CheckLayout(scan, entries_, findings_);
  CheckOptionsSection(scan, stem_, toolbar_name_, updates_url_, findings_);
  CheckUpdatesAddress(scan, updates_url_,
                      options_.system_canonical_forms ? platform_.internet : nullptr, findings_);
  CheckUpdateKey(scan, updates_url_, findings_);

  Build first = Construct(platform_, decoded_.text, entries_, {});
  std::string tree = ItemTree(first, entries_, *ini_, toolbar_name_);
  if (first.stop >= 0) {
    ReportStop(first, true, scan, entries_, findings_);
    std::vector<int> removed{first.stop};
    // The rest of the list as the toolbar would meet it once each stop is mended.
    for (;;) {
      Build next = Construct(platform_, decoded_.text, entries_, removed);
      if (next.stop < 0) {
        CheckItems(next, scan, entries_, *ini_, findings_);
        break;
      }
      ReportStop(next, false, scan, entries_, findings_);
      removed.push_back(next.stop);
    }
  } else {
    CheckItems(first, scan, entries_, *ini_, findings_);
  }
  CheckBanner(path_, findings_);
  CheckSuggestionServices(scan, entries_, findings_);
  CheckBannerAnimation(scan, path_, findings_);
  if (options_.online) {
    CheckOnline();
    CheckSuggestionsOnline(scan, entries_, *platform_.internet, findings_);
  }

  std::vector<Finding>& findings = findings_.list;
  std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    if (a.file != b.file) return a.file.empty() && !b.file.empty();
    return a.line < b.line;
  });
  result.findings = std::move(findings);
  result.tree = std::move(tree);
  result.toolbar_name = toolbar_name_;
  result.company_name = company_name_;
  result.config_version = config_version_;
  result.banner_animation = banner_animation_;
  return result;
}

// Puts a copy of the file where an installation would have it and loads the
// configuration from it as the DLL does at start.
void Checker::Install() {
  const fs::path install = scratch_.path() / "install";
  fs::create_directory(install);
  ToolbarConfig.InstallPath = TextOf(install);
  ToolbarConfig.ToolbarFile = stem_;
  // The decoded text is UTF-8 without a mark, which the store reads as the
  // same text whatever the file held, and lines can be cut from it.
  std::ofstream(ConfigFilePath(), std::ios::binary) << decoded_.text;

  TStringList keys;
  ini_ = std::make_unique<TBigIniFile>(ConfigFilePath());
  toolbar_name_ = ini_->ReadString(kOptions, kToolbarName, "");
  ini_->ReadSection(kItems, keys);
  if (const IniSection* items = scan_->Find(kItems)) {
    for (const IniLine& line : items->lines) {
      const auto name = LineName(line.text);
      if (name && !name->empty()) entries_.push_back({std::string(*name), line.number});
    }
  }
  // The scan follows the store's rules; should they ever part, the store's
  // list is the one the toolbar builds, and lines are not known.
  bool same = static_cast<int>(entries_.size()) == keys.Count();
  for (int i = 0; same && i < keys.Count(); ++i) same = entries_[i].key == keys[i];
  if (!same) {
    entries_.clear();
    for (int i = 0; i < keys.Count(); ++i) entries_.push_back({std::string(keys[i]), 0});
  }

  registry_.band_key = std::string(kExplorerBarsKey) + "\\" + kBandClassId;
  registry_.values = {{"InstallPath", ToolbarConfig.InstallPath},
                      {"Toolbar Name", toolbar_name_},
                      {"Toolbar File", stem_}};
  LoadToolbarConfig(platform_);
  company_name_ = ToolbarConfig.CompanyName;
  banner_animation_ = ToolbarConfig.BannerAnimation;
  if (const auto version =
          ParseConfigVersion(ini_->ReadString(kOptions, OptionName(Option::ConfigVersion), "")))
    config_version_ = std::to_string(*version);
  // The check fetches the update itself, when asked to; construction must not.
  updates_url_ = ToolbarConfig.UpdatesUrl;
  ToolbarConfig.UpdatesUrl.clear();
}

void Checker::CheckOnline() {
  const int line = scan_->PlaceOf(kOptions, kUpdatesUrl);
  if (IsBlankText(updates_url_)) {
    findings_.Add(Severity::Note, line, "online",
                  "there is no \"Updates URL\", so nothing to fetch");
    return;
  }
  const std::string address = updates_url_ + "/toolbar.ini";
  const std::string downloaded = TextOf(scratch_.path() / "toolbar.ini");
  ui_.messages.clear();
  bool fetched = false;
  try {
    fetched = DownloadFile(platform_, address, downloaded);
  } catch (const Error& error) {
    ui_.messages.push_back(error.what());
  }
  if (!fetched) {
    std::string why;
    for (const std::string& message : ui_.messages) why += " (" + message + ")";
    findings_.Add(Severity::Error, line, "update-unreachable",
                  Quoted(address) + " gave no whole answer within the toolbar's limits (" +
                      std::to_string(kDownloadDeadlineMs / 1000) + " s in all, at most " +
                      std::to_string(kDownloadSizeLimit >> 20) + " MiB)" + why +
                      ": the toolbar keeps the installed configuration");
    return;
  }
  std::string body;
  (void)Files().ReadAll(downloaded, body);
  std::string served_name;
  std::optional<uint64_t> served_version;
  {
    TBigIniFile served(downloaded);
    served_name = served.ReadString(kOptions, kToolbarName, "");
    served_version = ParseConfigVersion(served.ReadString(kOptions, kConfigVersion, ""));
  }
  if (served_name.empty()) {
    std::string start = body.substr(0, std::min<size_t>(body.find_first_of("\r\n"), 60));
    findings_.Add(Severity::Error, line, "update-invalid",
                  Quoted(address) + " serves " + std::to_string(body.size()) +
                      " bytes without an [Options] \"Toolbar Name\"" +
                      (start.empty() ? "" : ", beginning " + Quoted(start)) +
                      ": the toolbar never installs it");
  } else if (served_name != toolbar_name_) {
    findings_.Add(Severity::Warning, line, "update-name",
                  Quoted(address) + " serves the configuration of " + Quoted(served_name) +
                      ", not of " + Quoted(toolbar_name_) +
                      ": it replaces this one at the next start");
  } else {
    findings_.Add(Severity::Note, line, "update-ok",
                  Quoted(address) + " serves a configuration of " + std::to_string(body.size()) +
                      " bytes: each toolbar window installs it when it starts");
  }
  if (served_name.empty()) return;
  // With a key in force the toolbar also fetches the signature; whether it
  // verifies only Windows says, but a missing one is plain here.
  const std::optional<std::string> key = scan_->Value(kOptions, kUpdateKey);
  if (!key || !RequiresSignature(*key)) return;
  // This file is the next update: toolbars that installed the served one
  // take it only when its version is greater.
  const std::optional<std::string> version = scan_->Value(kOptions, kConfigVersion);
  const uint64_t own_version = version ? ParseConfigVersion(*version).value_or(0) : 0;
  if (body != text_ && own_version > 0 && served_version && own_version <= *served_version)
    findings_.Add(Severity::Error, line, "update-version",
                  Quoted(address) + " serves \"Config Version\" " +
                      std::to_string(*served_version) +
                      ": toolbars that installed it refuse this file, whose version " +
                      std::to_string(own_version) + " is not greater");
  const std::string signature_address = address + kSignatureSuffix;
  const std::optional<std::string> signature =
      DownloadText(platform_, signature_address, kSignatureSizeLimit);
  if (!signature || !RawSignatureFromDer(*signature)) {
    findings_.Add(
        Severity::Error, line, "update-signature",
        Quoted(signature_address) +
            (signature ? " serves no signature made by ./run sign" : " gives no whole answer") +
            ": with an \"Update Key\" the toolbar refuses the update");
  } else if (options_.verifier) {
    if (JudgeUpdate(options_.verifier, *key, body, signature) == UpdateTrust::Signed)
      findings_.Add(Severity::Note, line, "update-signed",
                    Quoted(signature_address) +
                        " verifies: it is the signature of the served file made with this "
                        "\"Update Key\"");
    else
      findings_.Add(Severity::Error, line, "update-signature",
                    Quoted(signature_address) +
                        " does not verify with this \"Update Key\": it was made with another "
                        "key or over other bytes, and the toolbar refuses the update");
  }
}

}  // namespace

CheckResult CheckConfiguration(const std::string& config_path, const CheckOptions& options) {
  Checker checker(config_path, options);
  return checker.Run();
}

}  // namespace pq::check
