#pragma once
// The check's rules: each reads what it is given and adds what it finds.
// The file's lines and sections and the files beside it are checked in
// file_rules.cpp, [Options] in option_rules.cpp, the items in item_rules.cpp.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/config_check.h"
#include "check/construction.h"
#include "check/ini_scan.h"
#include "config/toolbar_config.h"
#include "platform/code_pages.h"

namespace pq {

// Paths from and to the UTF-8 text the check works in, on every system: a
// narrow path on Windows would be taken in the system's code page.
inline std::filesystem::path PathOf(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string TextOf(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
class Internet;
class TBigIniFile;
}  // namespace pq

namespace pq::check {

// The [Options] keys the toolbar reads, as its configuration layer names them.
inline constexpr const char* kOptions = kOptionsSection;
inline constexpr const char* kToolbarName = OptionName(Option::ToolbarName);
inline constexpr const char* kCompanyName = OptionName(Option::CompanyName);
inline constexpr const char* kHomePageUrl = OptionName(Option::HomePageUrl);
inline constexpr const char* kContactEmail = OptionName(Option::ContactEmail);
inline constexpr const char* kFlashUrl = OptionName(Option::FlashUrl);
inline constexpr const char* kSearchUrl = OptionName(Option::SearchUrl);
inline constexpr const char* kUpdatesUrl = OptionName(Option::UpdatesUrl);
inline constexpr const char* kUpdateKey = OptionName(Option::UpdateKey);
inline constexpr const char* kConfigVersion = OptionName(Option::ConfigVersion);
inline constexpr const char* kUpdateInterval = OptionName(Option::UpdateInterval);
inline constexpr const char* kSuggestUrl = OptionName(Option::SuggestUrl);
inline constexpr const char* kBannerAnimation = OptionName(Option::BannerAnimation);

// What the rules found, in the order they found it.
struct Findings {
  std::vector<Finding> list;
  void Add(Severity severity, int line, std::string code, std::string message,
           std::string file = "") {
    list.push_back({std::move(file), line, severity, std::move(code), std::move(message)});
  }
};

// --- the file's lines and sections, and the files beside it

// How the file holds its text: the encoding found, and bytes that no
// encoding makes text of (`bytes` as read, `decoded` what they gave).
void CheckEncoding(std::string_view bytes, const DecodedText& decoded, Findings& findings);

// Lines the toolbar never reads, sections and keys given twice, entries
// without a section or listed twice, and the keys of each item's section.
void CheckLayout(const IniScan& scan, const std::vector<Entry>& entries, Findings& findings);
// Keys the toolbar does not read, and keys it would read but for blanks
// around the "=".
void CheckSectionKeys(const IniSection& section, const std::vector<std::string>& known,
                      const std::vector<std::string>& ignored, const char* whose,
                      Findings& findings);
// Of `known`, the key a mistyped `name` most likely meant: the nearest by
// edit distance (letter case aside, two letters swapped counting one), when
// it is close enough to be a slip: one edit for names of up to four
// characters, two for longer ones. The first of equally near keys.
std::optional<std::string> NearestKey(std::string_view name, const std::vector<std::string>& known);
// The banner and the notice file the toolbar looks for beside its configuration.
void CheckBanner(const std::string& config_path, Findings& findings);
// The animated GIF that "Banner Animation" names beside the configuration:
// there, a GIF whose blocks are whole, within the toolbar's limits.
void CheckBannerAnimation(const IniScan& scan, const std::string& config_path, Findings& findings);

// --- [Options]

// The toolbar's name, the publisher's names and addresses, the search address.
void CheckOptionsSection(const IniScan& scan, const std::string& stem,
                         const std::string& toolbar_name, const std::string& updates_url,
                         Findings& findings);
// Script addresses, and texts the toolbar does not take for an address.
void CheckAddress(const IniScan& scan, std::string_view section, std::string_view key,
                  const std::string& url, Findings& findings);
// The address the toolbar fetches updates from, in the canonical form of
// `system_forms`; with none it is tested as written.
void CheckUpdatesAddress(const IniScan& scan, const std::string& updates_url,
                         Internet* system_forms, Findings& findings);
// The update key, the configuration's version, and updates that come unsigned
// over plain HTTP.
void CheckUpdateKey(const IniScan& scan, const std::string& updates_url, Findings& findings);

// --- the items

// The name at which construction stopped: who holds it already, and, at the
// first stop, the entries never built after it.
void ReportStop(const Build& build, bool first, const IniScan& scan,
                const std::vector<Entry>& entries, Findings& findings);
// Each item built: its nesting, place, address, image and speed button, and
// the search types.
void CheckItems(const Build& build, const IniScan& scan, const std::vector<Entry>& entries,
                TBigIniFile& ini, Findings& findings);

// --- the suggestion services

// Each "Suggest URL" of [Options] and of the items: its placeholder, its address.
void CheckSuggestionServices(const IniScan& scan, const std::vector<Entry>& entries,
                             Findings& findings);
// What each service answers to a typed letter, in the toolbar's limits.
void CheckSuggestionsOnline(const IniScan& scan, const std::vector<Entry>& entries,
                            Internet& internet, Findings& findings);

// --- helpers the rules share

bool IsComment(std::string_view line);
bool HasPlaceholder(std::string_view url);
// What the toolbar takes for no address at all: blanks and control characters.
bool IsBlankText(std::string_view text);

}  // namespace pq::check
