#include "check/config_check.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>

#include "check/bitmap_info.h"
#include "check/check_ports.h"
#include "check/construction.h"
#include "check/ini_scan.h"
#include "check/report.h"
#include "config/band_identity.h"
#include "config/big_ini_file.h"
#include "config/toolbar_config.h"
#include "config/update_signature.h"
#include "nav/about_box.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "toolbar/toolbar_form.h"

namespace pq::check {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOptions = kOptionsSection;
constexpr char kTopLevel[] = "Toolbar";
// The [Options] keys the toolbar reads, as its configuration layer names them.
constexpr const char* kToolbarName = OptionName(Option::ToolbarName);
constexpr const char* kCompanyName = OptionName(Option::CompanyName);
constexpr const char* kHomePageUrl = OptionName(Option::HomePageUrl);
constexpr const char* kContactEmail = OptionName(Option::ContactEmail);
constexpr const char* kFlashUrl = OptionName(Option::FlashUrl);
constexpr const char* kSearchUrl = OptionName(Option::SearchUrl);
constexpr const char* kUpdatesUrl = OptionName(Option::UpdatesUrl);
constexpr const char* kUpdateKey = OptionName(Option::UpdateKey);
constexpr const char* kConfigVersion = OptionName(Option::ConfigVersion);
constexpr int32_t kBannerWidth = 105;
constexpr int32_t kBannerHeight = 22;
// Names listed in one message at most.
constexpr size_t kNamesShown = 6;

bool IsComment(std::string_view line) { return !line.empty() && line.front() == ';'; }

bool HasPlaceholder(std::string_view url) {
  return LowerCase(url).find("[search]") != std::string::npos;
}

std::string Trimmed(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return std::string(text.substr(begin, end - begin));
}

// What the toolbar takes for no address at all: blanks and control characters.
bool IsBlankText(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) list += (i ? ", " : "") + names[i];
  if (names.size() > kNamesShown)
    list += " and " + std::to_string(names.size() - kNamesShown) + " more";
  return list;
}

// Why IsPlausibleURL refuses a text, tested in the order it tests.
std::string ImplausibleReason(const std::string& text) {
  if (text.empty()) return "it is empty";
  if (text.size() < 5) return "it is shorter than 5 characters";
  if (text.back() == '.') return "it ends with \".\"";
  if (text.find("..") != std::string::npos) return "it contains \"..\"";
  for (unsigned char c : text) {
    if (c == ' ') return "it contains a blank";
    if (c < 0x21 || c > 0x7E) return "it contains a control character or an 8-bit character";
  }
  return "it is 12 characters or shorter and not a www., news:, http://, ftp:// or mailto: address";
}

// Characters a Windows file name cannot hold; the toolbar's name names its
// history file and folder.
bool FitsFileName(const std::string& name, std::string& problem) {
  for (unsigned char c : name) {
    if (c < 0x20 ||
        std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) {
      problem = c < 0x20 ? "a control character" : std::string("\"") + static_cast<char>(c) + "\"";
      return false;
    }
  }
  if (name.back() == '.' || name.back() == ' ') {
    problem = "a \"" + std::string(1, name.back()) + "\" at its end, which Windows drops";
    return false;
  }
  return true;
}

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

// The file in the directory whose name equals this one without regard to
// case, as Windows finds it.
std::optional<fs::path> FindBeside(const fs::path& directory, const std::string& name) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error))
    if (SameText(entry.path().filename().string(), name)) return entry.path();
  return std::nullopt;
}

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
  void Add(Severity severity, int line, std::string code, std::string message,
           std::string file = "") {
    findings_.push_back({std::move(file), line, severity, std::move(code), std::move(message)});
  }

  void Install();
  void ReportStop(const Build& build, bool first);
  void CheckLayout();
  void CheckSectionKeys(const IniSection& section, const std::vector<std::string>& known,
                        const std::vector<std::string>& ignored, const char* whose);
  void CheckOptionsSection();
  void CheckAddress(std::string_view section, std::string_view key, const std::string& url);
  void CheckUpdatesAddress();
  void CheckUpdateKey();
  void CheckConfigVersion(bool signed_updates);
  void CheckItems(const Build& build);
  void CheckNesting(const Build& build);
  void CheckPlacement(const Build& build, int entry, const TTBCustomItem& item);
  void CheckSearchTypes(const Build& build);
  void CheckBanner();
  void CheckOnline();

  const std::string path_;
  const CheckOptions options_;
  std::string text_;
  std::unique_ptr<IniScan> scan_;
  std::string stem_;
  fs::path directory_;
  std::vector<Entry> entries_;
  std::vector<Finding> findings_;
  std::string toolbar_name_;
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
  const fs::path file(path_);
  if (!Files().ReadAll(path_, text_)) {
    Add(Severity::Error, 0, "unreadable", "cannot be read");
    result.findings = std::move(findings_);
    return result;
  }
  stem_ = file.stem().string();
  directory_ = file.has_parent_path() ? file.parent_path() : fs::path(".");
  if (!SameText(file.extension().string(), ".ini"))
    Add(Severity::Note, 0, "file-name",
        "the toolbar reads its configuration from a file named " + stem_ + ".ini");
  scan_ = std::make_unique<IniScan>(text_);

  Install();
  CheckLayout();
  CheckOptionsSection();

  Build first = Construct(platform_, text_, entries_, {});
  std::string tree = ItemTree(first, entries_, *ini_, toolbar_name_);
  if (first.stop >= 0) {
    ReportStop(first, true);
    std::vector<int> removed{first.stop};
    // The rest of the list as the toolbar would meet it once each stop is mended.
    for (;;) {
      Build next = Construct(platform_, text_, entries_, removed);
      if (next.stop < 0) {
        CheckItems(next);
        break;
      }
      ReportStop(next, false);
      removed.push_back(next.stop);
    }
  } else {
    CheckItems(first);
  }
  CheckBanner();
  if (options_.online) CheckOnline();

  std::stable_sort(findings_.begin(), findings_.end(), [](const Finding& a, const Finding& b) {
    if (a.file != b.file) return a.file.empty() && !b.file.empty();
    return a.line < b.line;
  });
  result.findings = std::move(findings_);
  result.tree = std::move(tree);
  result.toolbar_name = toolbar_name_;
  return result;
}

// Puts a copy of the file where an installation would have it and loads the
// configuration from it as the DLL does at start.
void Checker::Install() {
  const fs::path install = scratch_.path() / "install";
  fs::create_directory(install);
  ToolbarConfig.InstallPath = install.string();
  ToolbarConfig.ToolbarFile = stem_;
  std::ofstream(ConfigFilePath(), std::ios::binary) << text_;

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
  // The check fetches the update itself, when asked to; construction must not.
  updates_url_ = ToolbarConfig.UpdatesUrl;
  ToolbarConfig.UpdatesUrl.clear();
}

void Checker::ReportStop(const Build& build, bool first) {
  const Entry& entry = entries_[build.stop];
  const IniSection* section = scan_->Find(entry.key);
  const int name_line = section ? scan_->KeyLine(entry.key, "Name") : 0;
  const int line = name_line ? name_line : entry.line;
  const bool invalid = build.stop_message.starts_with("''");
  std::string message = build.stop_message;

  if (IsComment(entry.key)) {
    message += " (a line that begins with \";\" is an entry like any other here, not a comment)";
  } else if (!invalid) {
    // Who has the name already.
    const std::string name = section && name_line ? *scan_->Value(entry.key, "Name") : entry.key;
    const TComponent* holder = build.form->FindComponent(name);
    const int holder_entry = build.EntryOf(holder);
    if (holder_entry < 0) {
      message += " (" + name + " is the name of one of the toolbar's own components)";
    } else if (SameText(entries_[holder_entry].key, entry.key)) {
      message += " (" + entry.key + " is listed twice in [Toolbar Items], first on line " +
                 std::to_string(entries_[holder_entry].line) + ")";
    } else {
      message += " (the item " + entries_[holder_entry].key + " listed on line " +
                 std::to_string(entries_[holder_entry].line) + " has that name)";
    }
  }
  if (first) {
    std::vector<std::string> missing;
    for (size_t j = build.reached; j < build.order.size(); ++j)
      missing.push_back(entries_[build.order[j]].key);
    message += ": construction stops here and the toolbar shows this message";
    if (!missing.empty())
      message += "; the " + std::to_string(missing.size()) + " entries after it are missing (" +
                 NameList(missing) + ")";
  } else {
    message += ": once the names before it are mended, construction stops here instead";
  }
  Add(Severity::Error, line, invalid ? "invalid-name" : "duplicate-name", message);
}

void Checker::CheckLayout() {
  for (const IniLine& line : scan_->LinesBeforeFirstSection())
    if (!IsComment(line.text))
      Add(Severity::Warning, line.number, "outside-section",
          "this line stands before the first section and is ignored");
  if (scan_->EndOfInputLine() && scan_->LinesAfterEnd() > 0)
    Add(Severity::Warning, scan_->EndOfInputLine(), "end-of-file",
        "this line begins with Ctrl-Z, where the toolbar stops reading: the " +
            std::to_string(scan_->LinesAfterEnd()) + " lines after it are ignored");

  std::set<std::string> listed;
  for (const Entry& entry : entries_) listed.insert(LowerCase(entry.key));
  const auto& sections = scan_->Sections();
  for (const IniSection& section : sections) {
    if (section.dropped_for >= 0) {
      Add(Severity::Warning, section.header_line, "duplicate-section",
          "[" + section.name + "] appears again (first on line " +
              std::to_string(sections[section.dropped_for].header_line) +
              "): the toolbar reads only the first one, and this one is ignored whole");
      continue;
    }
    const bool is_items = SameText(section.name, kItems);
    if (!is_items && !SameText(section.name, kOptions) && !listed.count(LowerCase(section.name)))
      Add(Severity::Note, section.header_line, "unlisted-section",
          "[" + section.name + "] is not listed in [Toolbar Items]: no item is built from it");

    std::map<std::string, int> seen;
    for (const IniLine& line : section.lines) {
      const std::string trimmed = Trimmed(line.text);
      if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
        Add(Severity::Warning, line.number, "not-a-header",
            "a blank before \"[\" or after \"]\" makes this line no section header: it is read "
            "as a line of [" +
                section.name + "]");
        continue;
      }
      const auto name = LineName(line.text);
      if (!name) {
        if (!IsComment(line.text))
          Add(Severity::Warning, line.number, "no-equals",
              is_items ? "an entry needs a \"=\" after its name: this line is ignored"
                       : "this line has no \"=\" and is ignored");
        continue;
      }
      if (name->empty()) {
        Add(Severity::Warning, line.number, "empty-name",
            "this line has no name before its \"=\" and is ignored");
        continue;
      }
      if (IsComment(*name) && !is_items) continue;
      const auto [first, fresh] = seen.emplace(LowerCase(*name), line.number);
      if (fresh || is_items) continue;
      Add(Severity::Warning, line.number, "duplicate-key",
          Quoted(*name) + " appears again in [" + section.name + "] (first on line " +
              std::to_string(first->second) + "): only the first one counts");
    }
  }

  // Entries listed twice without a name that stops construction build twice.
  std::unordered_map<std::string, size_t> first_listed;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const auto [first, fresh] = first_listed.emplace(LowerCase(entries_[i].key), i);
    if (fresh) continue;
    const auto name = scan_->Value(entries_[i].key, "Name");
    if (name && name->empty())
      Add(Severity::Warning, entries_[i].line, "duplicate-entry",
          entries_[i].key + " is listed twice in [Toolbar Items] (first on line " +
              std::to_string(entries_[first->second].line) + "): the item is built twice");
  }

  if (!scan_->Find(kItems))
    Add(Severity::Warning, 0, "no-items",
        "there is no [Toolbar Items] section: the toolbar shows only a search button");

  std::set<std::string> checked;
  for (const Entry& entry : entries_) {
    const IniSection* section = scan_->Find(entry.key);
    if (!section) {
      // A name that is no identifier stops construction, which says so.
      if (!IsValidIdent(entry.key)) continue;
      Add(Severity::Warning, entry.line, "no-section",
          entry.key + " has no section [" + entry.key +
              "]: it is built without caption, address or Parent, so it is never shown");
      continue;
    }
    if (!checked.insert(LowerCase(section->name)).second) continue;
    std::vector<std::string> known{"Name", "Parent"};
    std::vector<std::string> ignored;
    const bool separator = entry.key.find("Separator") != std::string::npos;
    for (const std::string& key : ItemKeys()) {
      if (key == "Name" || key == "Parent") continue;
      if (key == "Count" && entry.key != kSearchKey) continue;
      (separator ? ignored : known).push_back(key);
    }
    CheckSectionKeys(*section, known, ignored, separator ? "a separator" : "an item");
  }
}

// Keys the toolbar does not read, and keys it would read but for blanks
// around the "=".
void Checker::CheckSectionKeys(const IniSection& section, const std::vector<std::string>& known,
                               const std::vector<std::string>& ignored, const char* whose) {
  auto in = [](const std::vector<std::string>& keys, std::string_view name) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](const std::string& key) { return SameText(key, name); });
  };
  for (const IniLine& line : section.lines) {
    const auto name = LineName(line.text);
    if (!name || name->empty() || IsComment(*name) || in(known, *name)) continue;
    const std::string trimmed = Trimmed(*name);
    if (trimmed != *name && (in(known, trimmed) || in(ignored, trimmed))) {
      Add(Severity::Warning, line.number, "blank-around-equals",
          "blanks next to \"=\" belong to the name: this line sets " + Quoted(*name) + ", not " +
              Quoted(trimmed));
    } else if (in(ignored, *name)) {
      Add(Severity::Note, line.number, "ignored-key",
          Quoted(*name) + " has no effect on " + whose + ", which reads only Name and Parent");
    } else {
      Add(Severity::Warning, line.number, "unknown-key",
          Quoted(*name) + " is not a key the toolbar reads in [" + section.name + "]");
    }
  }
}

void Checker::CheckOptionsSection() {
  const IniSection* options = scan_->Find(kOptions);
  if (options) CheckSectionKeys(*options, OptionKeys(), {}, "");

  const std::string updates_effect =
      IsBlankText(updates_url_)
          ? "the configuration counts as invalid (with an \"Updates URL\" every toolbar window "
            "would report it)"
          : "the configuration counts as invalid: every toolbar window shows \"Error Loading "
            "Configuration File! " +
                stem_ + ".ini! Please contact " + ToolbarConfig.CompanyName + "\"";
  if (!options) {
    Add(Severity::Error, 0, "no-toolbar-name",
        "there is no [Options] section, so no \"Toolbar Name\": " + updates_effect);
  } else if (toolbar_name_.empty()) {
    Add(Severity::Error, scan_->PlaceOf(kOptions, kToolbarName), "no-toolbar-name",
        std::string(scan_->Value(kOptions, kToolbarName) ? "\"Toolbar Name\" is empty"
                                                         : "[Options] has no \"Toolbar Name\"") +
            ": " + updates_effect);
  } else if (std::string problem; !FitsFileName(toolbar_name_, problem)) {
    Add(Severity::Error, scan_->PlaceOf(kOptions, kToolbarName), "toolbar-name",
        "the toolbar's name holds " + problem + ", but it names the search history file " +
            Quoted(toolbar_name_ + ".txt") + ": no search could be saved");
  }

  struct Stand {
    const char* key;
    const char* default_value;
    bool address;
  };
  for (const Stand& stand : {Stand{kCompanyName, kDefaultCompanyName, false},
                             Stand{kHomePageUrl, kDefaultHomePageUrl, true},
                             Stand{kContactEmail, kDefaultContactEmail, true},
                             Stand{kSearchUrl, kDefaultSearchUrl, true}}) {
    const auto value = scan_->Value(kOptions, stand.key);
    if (!value || *value == stand.default_value) {
      Add(Severity::Warning, scan_->PlaceOf(kOptions, stand.key), "default-option",
          Quoted(stand.key) + (value ? " is" : " is not set, so it is") + " the stand-in " +
              Quoted(stand.default_value) + ": set the publisher's own");
    } else if (!stand.address && value->empty()) {
      Add(Severity::Warning, scan_->PlaceOf(kOptions, stand.key), "empty-option",
          Quoted(stand.key) + " is empty: the configuration error and the About box name nobody");
    } else if (stand.address) {
      CheckAddress(kOptions, stand.key, *value);
    }
  }
  const std::string search_url = ToolbarConfig.SearchUrl;
  if (!search_url.empty() && !HasPlaceholder(search_url))
    Add(Severity::Warning, scan_->PlaceOf(kOptions, kSearchUrl), "search-placeholder",
        "\"Search URL\" has no \"[SEARCH]\": the query is appended to its end");
  if (const auto flash = scan_->Value(kOptions, kFlashUrl); flash && !flash->empty())
    CheckAddress(kOptions, kFlashUrl, *flash);
  CheckUpdatesAddress();
  CheckUpdateKey();
}

void Checker::CheckAddress(std::string_view section, std::string_view key, const std::string& url) {
  // The browser skips blanks and control characters before a scheme.
  std::string_view address = url;
  while (!address.empty() && static_cast<unsigned char>(address.front()) <= ' ')
    address.remove_prefix(1);
  for (const char* scheme : {"javascript:", "vbscript:"}) {
    if (!LowerCase(address).starts_with(scheme)) continue;
    Add(Severity::Warning, scan_->PlaceOf(section, key), "script-address",
        Quoted(url) + " is a " + std::string(scheme) +
            " address: it runs as a script inside whatever page the user has open, with that "
            "page's rights; link to a page of your own instead");
    return;
  }
  if (IsPlausibleURL(url)) return;
  Add(Severity::Warning, scan_->PlaceOf(section, key), "implausible-url",
      Quoted(url) + " does not look like an address to the toolbar: " + ImplausibleReason(url));
}

void Checker::CheckUpdatesAddress() {
  if (updates_url_.empty()) return;
  const int line = scan_->PlaceOf(kOptions, kUpdatesUrl);
  if (IsBlankText(updates_url_)) {
    Add(Severity::Note, line, "updates-blank",
        "\"Updates URL\" holds only blanks, which count as none: updating is off");
    return;
  }
  const std::string address = updates_url_ + "/toolbar.ini";
  if (updates_url_.back() == '/')
    Add(Severity::Note, line, "updates-slash",
        "\"Updates URL\" ends with \"/\": the toolbar fetches " + Quoted(address));
  std::string canonical = address;
  if (options_.system_canonical_forms) {
    if (const uint32_t error = platform_.internet->Canonicalize(address, canonical)) {
      Add(Severity::Warning, line, "updates-url",
          "the system cannot put " + Quoted(address) + " into canonical form (error " +
              std::to_string(error) +
              "): every toolbar window shows an error and skips the update");
      return;
    }
  }
  if (IsPlausibleURL(canonical)) return;
  Add(Severity::Warning, line, "updates-url",
      "the toolbar refuses to download " + Quoted(canonical) + ": " + ImplausibleReason(canonical) +
          (options_.system_canonical_forms
               ? ""
               : " (tested as written; the toolbar tests the address's canonical form, which "
                 "only Windows makes)"));
}

// An update key that is no key refuses every update; updates that come
// neither signed nor over HTTPS can be replaced by anyone on the way.
void Checker::CheckUpdateKey() {
  const std::optional<std::string> key = scan_->Value(kOptions, kUpdateKey);
  if (key && RequiresSignature(*key) && !ParseUpdateKey(*key)) {
    Add(Severity::Error, scan_->PlaceOf(kOptions, kUpdateKey), "update-key",
        "\"Update Key\" is not a key made by ./run keygen (the base64 of a P-256 public key): "
        "the toolbar refuses every update");
    return;
  }
  CheckConfigVersion(key && RequiresSignature(*key));
  if (IsBlankText(updates_url_) || (key && RequiresSignature(*key))) return;
  std::string_view address = updates_url_;
  while (!address.empty() && static_cast<unsigned char>(address.front()) <= ' ')
    address.remove_prefix(1);
  if (LowerCase(address).starts_with("https://")) return;
  Add(Severity::Warning, scan_->PlaceOf(kOptions, kUpdatesUrl), "updates-unsigned",
      "updates come over plain HTTP and unsigned: whoever can answer in your server's place (an "
      "open network, a proxy) can give every user a configuration of his own; serve them from an "
      "https:// address, or sign them (\"Update Key\", ./run keygen, ./run sign)");
}

// With a key, an update is installed only when its version is greater than
// the one in force: a file without one is refused by every toolbar.
void Checker::CheckConfigVersion(bool signed_updates) {
  const std::optional<std::string> version = scan_->Value(kOptions, kConfigVersion);
  if (version && ParseConfigVersion(*version)) return;
  if (!version && !signed_updates) return;
  Add(signed_updates ? Severity::Error : Severity::Warning,
      version ? scan_->PlaceOf(kOptions, kConfigVersion) : scan_->PlaceOf(kOptions, kUpdateKey),
      "config-version",
      std::string(version ? "\"Config Version\" is not a whole number"
                          : "there is no \"Config Version\"") +
          (signed_updates ? ": with an \"Update Key\" the toolbar installs an update only when its "
                            "whole-number version is greater than the installed one's"
                          : ": an update is compared by it once you sign updates"));
}

void Checker::CheckItems(const Build& build) {
  CheckNesting(build);
  std::set<std::string> checked;
  for (size_t j = 0; j < build.built.size(); ++j) {
    const int entry = build.built[j];
    const TTBCustomItem* item = build.ItemOf(j);
    const std::string& key = entries_[entry].key;
    const IniSection* section = scan_->Find(key);
    if (!section) continue;  // reported with the layout
    CheckPlacement(build, entry, *item);
    if (item->Kind() == TTBItemKind::Separator) continue;
    if (!checked.insert(LowerCase(section->name)).second) continue;

    const std::string url = scan_->Value(key, "URL").value_or("");
    const int url_line = scan_->PlaceOf(key, "URL");
    const bool searches =
        item->Parent() && item->Parent() == build.form->SearchItem && item->Tag > 0;
    if (key == kSearchKey) {
      if (scan_->Value(key, "URL") || scan_->Value(key, "Tag"))
        Add(Severity::Note, scan_->PlaceOf(key, scan_->Value(key, "URL") ? "URL" : "Tag"),
            "search-button-keys", "\"URL\" and \"Tag\" have no effect on the search button");
    } else if (HasPlaceholder(url)) {
      if (url.find('|') != std::string::npos)
        Add(Severity::Warning, url_line, "search-label",
            "a search address keeps its label: the text before \"|\" becomes part of the address");
      CheckAddress(key, "URL", url);
    } else if (!url.empty()) {
      const size_t bar = url.find('|');
      CheckAddress(key, "URL", bar == std::string::npos ? url : url.substr(bar + 1));
    } else if (item->Kind() == TTBItemKind::Plain) {
      Add(Severity::Warning, scan_->PlaceOf(key, "URL"), "no-url",
          searches ? key + " has no \"URL\": clicking it does nothing, so search type " +
                         std::to_string(item->Tag) + " can never be chosen"
                   : key + " has no \"URL\": clicking it does nothing");
    }

    // The search button shows the chosen search type's image and number by now.
    const bool search_button = item == build.form->SearchItem;
    const int32_t image =
        search_button ? ini_->ReadInteger(key, "ImageIndex", -1) : item->ImageIndex;
    if (image < -1 || image >= kImageCount)
      Add(Severity::Warning, scan_->PlaceOf(key, "ImageIndex"), "image-index",
          "there is no image " + std::to_string(image) + ": images are numbered 0 to " +
              std::to_string(kImageCount - 1) + ", and -1 is none");
    if (search_button) continue;

    const bool speed_name = SameText(item->Name(), kSpeedButtonName);
    const bool speed_tag = item->Tag == kSpeedButtonTag;
    if (!searches &&
        (speed_name != speed_tag || (speed_name && item->Kind() != TTBItemKind::Plain)))
      Add(Severity::Note, scan_->PlaceOf(key, speed_tag ? "Tag" : "Name"), "speed-button",
          "the speed button, whose address the user may change, is a plain item named SpeedBtn1 "
          "with Tag 111; this one is an ordinary item");
  }
  CheckSearchTypes(build);
}

void Checker::CheckNesting(const Build& build) {
  for (const TooDeep& head : LeftOutForDepth(build, entries_, *ini_)) {
    const std::string& key = entries_[head.entry].key;
    const std::string parent = ini_->ReadString(key, "Parent", "");
    Add(Severity::Warning, scan_->PlaceOf(key, "Parent"), "too-deep",
        key + "'s \"Parent\" " + parent + " stands at level " + std::to_string(kMaxItemDepth) +
            ", the deepest the toolbar builds: " + key + " is not built" +
            (head.below.empty() ? ""
                                : ", nor are the " + std::to_string(head.below.size()) +
                                      " entries under it (" + NameList(head.below) + ")"));
  }
}

void Checker::CheckPlacement(const Build& build, int entry, const TTBCustomItem& item) {
  const std::string& key = entries_[entry].key;
  const TTBCustomItem* parent = item.Parent();
  const int line = scan_->PlaceOf(key, "Parent");
  const std::string children =
      item.Items().empty()
          ? ""
          : " (nor are the " + std::to_string(item.Items().size()) + " items placed under it)";
  if (!parent) {
    const std::string wanted = scan_->Value(key, "Parent").value_or("");
    std::string why;
    const TComponent* holder = build.form->FindComponent(wanted);
    if (wanted.empty()) {
      why = " has no \"Parent\"";
    } else if (SameText(wanted, kTopLevel)) {
      why = "'s \"Parent\" " + Quoted(wanted) +
            " is not \"Toolbar\" written exactly so: in other letter case it finds the toolbar "
            "control, which holds no items";
    } else if (holder == &item) {
      why = " names itself as its \"Parent\"";
    } else if (const int holder_entry = build.EntryOf(holder); holder_entry > entry) {
      why = "'s \"Parent\" " + wanted + " is listed after it in [Toolbar Items] (line " +
            std::to_string(entries_[holder_entry].line) + "): a parent must come first";
    } else if (holder) {
      why = "'s \"Parent\" " + wanted +
            " is one of the toolbar's own components, which is not an item";
    } else {
      why = "'s \"Parent\" " + wanted + " names no item";
    }
    Add(Severity::Warning, line, "unplaced", key + why + ": it is never shown" + children);
    return;
  }
  const bool opens_menu =
      parent->Kind() == TTBItemKind::Submenu || parent->Kind() == TTBItemKind::Root;
  if (opens_menu) return;
  const int parent_entry = build.EntryOf(parent);
  const bool search_button = parent == build.form->SearchItem;
  Add(Severity::Warning, line, "hidden-parent",
      key + " is placed under " + parent->Name() +
          (search_button      ? ", the search button, which is a plain button while \"Count\" in "
                                "[miSearch] is 0"
           : parent_entry < 0 ? ", one of the toolbar's own entries"
           : parent->Kind() == TTBItemKind::Separator ? ", a separator"
                                                      : ", a plain item (only a SubMenu opens a "
                                                        "menu)") +
          ": it is never shown" + children);
}

void Checker::CheckSearchTypes(const Build& build) {
  TToolbarForm& form = *build.form;
  const TTBCustomItem* search = form.SearchItem;
  const bool configured_search = build.EntryOf(search) >= 0;
  if (!configured_search) {
    Add(Severity::Note, scan_->HeaderLine(kItems), "default-search",
        "[Toolbar Items] lists no miSearch: a plain \"Search\" button is added after the other "
        "items, searching with \"Search URL\"");
  } else if (search->Kind() == TTBItemKind::Submenu && search->Items().empty()) {
    Add(Severity::Note, scan_->PlaceOf(kSearchKey, "Count"), "empty-search-menu",
        "\"Count\" makes the search button a menu, but no item is placed under it");
  }

  // Start-up takes the first plain item with the number, wherever it is.
  std::map<int32_t, const TTBCustomItem*> first_with_tag;
  for (size_t k = 0; k < form.ComponentCount(); ++k) {
    const auto* item = dynamic_cast<const TTBCustomItem*>(&form.Component(k));
    if (item && item->Kind() == TTBItemKind::Plain) first_with_tag.emplace(item->Tag, item);
  }

  std::map<int32_t, int> first_search_type;  // tag -> entry
  for (size_t j = 0; j < build.built.size(); ++j) {
    const int entry = build.built[j];
    const TTBCustomItem* item = build.ItemOf(j);
    const std::string& key = entries_[entry].key;
    if (!scan_->Find(key) || item->Kind() == TTBItemKind::Separator || item == search) continue;
    const bool under_search = item->Parent() && item->Parent() == search;
    if (under_search && item->Tag > 0) {
      const int tag_line = scan_->PlaceOf(key, "Tag");
      if (item->Tag > MaxSearchType) {
        Add(Severity::Warning, tag_line, "search-tag",
            "search type " + std::to_string(item->Tag) + " is beyond " +
                std::to_string(MaxSearchType) +
                ": it can be chosen, but the toolbar does not bring it back at its next start");
      } else if (const auto [first, fresh] = first_search_type.emplace(item->Tag, entry); !fresh) {
        Add(Severity::Warning, tag_line, "search-tag-twice",
            "search type " + std::to_string(item->Tag) + " is also " + entries_[first->second].key +
                " (line " + std::to_string(scan_->PlaceOf(entries_[first->second].key, "Tag")) +
                "): at start-up that one is brought back in its place");
      }
      if (!item->Hint.empty() && !HasPlaceholder(item->Hint))
        Add(Severity::Warning, scan_->PlaceOf(key, "URL"), "search-placeholder",
            "search type " + std::to_string(item->Tag) +
                " has no \"[SEARCH]\" in its URL: the query is appended to its end");
      if (item->GroupIndex <= 0)
        Add(Severity::Note, scan_->PlaceOf(key, "GroupIndex"), "search-group",
            "without a \"GroupIndex\" above 0 no check mark shows that search type " +
                std::to_string(item->Tag) + " is chosen");
    } else if (item->Kind() == TTBItemKind::Plain && item->Tag >= 1 && item->Tag <= MaxSearchType) {
      if (first_with_tag[item->Tag] == item)
        Add(Severity::Warning, scan_->PlaceOf(key, "Tag"), "search-tag-elsewhere",
            "Tag " + std::to_string(item->Tag) + " marks search type " + std::to_string(item->Tag) +
                ", and " + key +
                " is the first item with it: whenever that search type is brought back at "
                "start-up (type 1 at the very first), " +
                key + "'s URL becomes the search address");
    }
  }
}

void Checker::CheckBanner() {
  const std::string name = stem_ + ".bmp";
  const auto banner = FindBeside(directory_, name);
  if (!banner) {
    Add(Severity::Warning, 0, "banner-missing",
        "there is no banner " + name +
            " beside the configuration: the toolbar and its About box "
            "show the built-in one");
    return;
  }
  const std::string shown = (fs::path(path_).parent_path() / banner->filename()).string();
  std::string bytes;
  if (!Files().ReadAll(banner->string(), bytes)) {
    Add(Severity::Warning, 0, "banner-unreadable", "cannot be read", shown);
    return;
  }
  const BitmapInfo info = ReadBitmapInfo(bytes);
  if (!info.readable) {
    Add(Severity::Warning, 0, "banner-unreadable",
        "is no banner the toolbar can show: " + info.problem + "; the built-in banner stays",
        shown);
  } else if (info.width != kBannerWidth || info.height != kBannerHeight) {
    Add(Severity::Warning, 0, "banner-size",
        "is " + std::to_string(info.width) + " by " + std::to_string(info.height) +
            " pixels; the banner's place is " + std::to_string(kBannerWidth) + " by " +
            std::to_string(kBannerHeight),
        shown);
  }
  if (const auto notice = FindBeside(directory_, kNoticeFileName)) {
    std::string text;
    if (!Files().ReadAll(notice->string(), text))
      Add(Severity::Warning, 0, "notice-unreadable",
          "cannot be read: the About box shows this message instead of its notice",
          (fs::path(path_).parent_path() / notice->filename()).string());
  }
}

void Checker::CheckOnline() {
  const int line = scan_->PlaceOf(kOptions, kUpdatesUrl);
  if (IsBlankText(updates_url_)) {
    Add(Severity::Note, line, "online", "there is no \"Updates URL\", so nothing to fetch");
    return;
  }
  const std::string address = updates_url_ + "/toolbar.ini";
  const std::string downloaded = (scratch_.path() / "toolbar.ini").string();
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
    Add(Severity::Error, line, "update-unreachable",
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
    Add(Severity::Error, line, "update-invalid",
        Quoted(address) + " serves " + std::to_string(body.size()) +
            " bytes without an [Options] \"Toolbar Name\"" +
            (start.empty() ? "" : ", beginning " + Quoted(start)) +
            ": the toolbar never installs it");
  } else if (served_name != toolbar_name_) {
    Add(Severity::Warning, line, "update-name",
        Quoted(address) + " serves the configuration of " + Quoted(served_name) + ", not of " +
            Quoted(toolbar_name_) + ": it replaces this one at the next start");
  } else {
    Add(Severity::Note, line, "update-ok",
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
    Add(Severity::Error, line, "update-version",
        Quoted(address) + " serves \"Config Version\" " + std::to_string(*served_version) +
            ": toolbars that installed it refuse this file, whose version " +
            std::to_string(own_version) + " is not greater");
  const std::string signature_address = address + kSignatureSuffix;
  const std::optional<std::string> signature =
      DownloadText(platform_, signature_address, kSignatureSizeLimit);
  if (!signature || !RawSignatureFromDer(*signature))
    Add(Severity::Error, line, "update-signature",
        Quoted(signature_address) +
            (signature ? " serves no signature made by ./run sign" : " gives no whole answer") +
            ": with an \"Update Key\" the toolbar refuses the update");
}

}  // namespace

const std::vector<std::string>& OptionKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> names;
    for (const OptionSpec& key : kOptionTable) names.emplace_back(key.name);
    return names;
  }();
  return keys;
}

const std::vector<std::string>& ItemKeys() {
  static const std::vector<std::string> keys{"Name", "Parent", "Caption",    "ImageIndex",
                                             "URL",  "Tag",    "GroupIndex", "Count"};
  return keys;
}

CheckResult CheckConfiguration(const std::string& config_path, const CheckOptions& options) {
  Checker checker(config_path, options);
  return checker.Run();
}

}  // namespace pq::check
