#pragma once
// The process-wide toolbar configuration: where the installation put the
// configuration file, the file's [Options], and the file's refresh from the
// publisher's update address.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/toolbar_policy.h"
#include "platform/internet.h"
#include "platform/platform.h"

namespace pq {

struct ToolbarConfigRecord {
  std::string BandClassId;   // registry form, braces included
  std::string ToolbarName;   // registry "Toolbar Name"
  std::string CompanyName;   // [Options] "Company Name"
  std::string HomePageUrl;   // [Options] "Home Page URL"
  std::string FlashUrl;      // [Options] "Flash URL"
  std::string BannerAnimation;  // [Options] "Banner Animation": a GIF's file name
  std::string ContactEmail;  // [Options] "Contact E-Mail"
  std::string SearchUrl;     // [Options] "Search URL"
  std::string SuggestUrl;    // [Options] "Suggest URL"; empty: no suggestions
  std::string UpdatesUrl;    // [Options] "Updates URL"; empty switches updating off
  // The administrator's policies, read with the configuration; they rank above
  // it (see UpdateBaseInForce).
  ToolbarPolicy Policy;
  std::string UpdateKey;     // [Options] "Update Key": updates must be signed with it
  uint64_t UpdateIntervalMinutes = 0;  // [Options] "Update Interval"; 0: every window asks
  std::string InstallPath;   // registry "InstallPath", without a trailing "\"
  std::string BandKeyPath;   // the band's key under HKEY_LOCAL_MACHINE
  std::string ToolbarFile;   // registry "Toolbar File": base name of the configuration
  // The user's own folder for an update the install directory refused,
  // beside his search history; empty when he has none.
  std::string UserConfigFolder;
  std::string CopyrightText;
  uint8_t DefaultSpeedCount = 0;
  // Indexed 1 to 255 as the speed buttons are numbered; entry 0 is unused.
  std::array<std::string, 256> DefaultSpeedUrls;
  std::array<uint8_t, 256> DefaultSpeedImages{};
};

// Filled once when the component is loaded, emptied when it is unloaded; read
// by everyone else.
extern ToolbarConfigRecord ToolbarConfig;

// The [Options] defaults: what a configuration without the key gets.
inline constexpr char kDefaultCompanyName[] = "Pendleworth, Inc.";
inline constexpr char kDefaultHomePageUrl[] = "http://www.pendleworth.example.com/";
inline constexpr char kDefaultContactEmail[] = "mailto:support@pendleworth.example.com";
inline constexpr char kDefaultSearchUrl[] = "http://www.search.example.net/search?q=[SEARCH]";
// The company's web site without a scheme: the first speed button's address.
inline constexpr char kCompanyHost[] = "www.pendleworth.example.com";

// The keys of [Options]: every one the toolbar reads, in the order of the
// table below, with its default (none: the empty text) and what it is for.
// The publisher's check and the publishers' reference are held to it.
inline constexpr char kOptionsSection[] = "Options";
enum class Option {
  ToolbarName,
  CompanyName,
  HomePageUrl,
  ContactEmail,
  FlashUrl,
  SearchUrl,
  UpdatesUrl,
  UpdateKey,
  ConfigVersion,
  UpdateInterval,
  SuggestUrl,
  BannerAnimation,
};
struct OptionSpec {
  Option option;
  const char* name;
  const char* default_value;  // nullptr: none
  const char* meaning;
};
inline constexpr OptionSpec kOptionTable[] = {
    {Option::ToolbarName, "Toolbar Name", nullptr,
     "the toolbar's name; a configuration without it is no configuration"},
    {Option::CompanyName, "Company Name", kDefaultCompanyName,
     "the publisher: About box, end of the configuration error"},
    {Option::HomePageUrl, "Home Page URL", kDefaultHomePageUrl,
     "the publisher's web site: About box, banner, website commands"},
    {Option::ContactEmail, "Contact E-Mail", kDefaultContactEmail, "the support command"},
    {Option::FlashUrl, "Flash URL", nullptr, "an animated banner movie; empty: none"},
    {Option::SearchUrl, "Search URL", kDefaultSearchUrl,
     "the search address of search types without one"},
    {Option::UpdatesUrl, "Updates URL", nullptr, "where updates come from; empty: none"},
    {Option::UpdateKey, "Update Key", nullptr, "the key updates must be signed with"},
    {Option::ConfigVersion, "Config Version", nullptr,
     "a whole number that grows with every signed update"},
    {Option::UpdateInterval, "Update Interval", "0",
     "minutes a fetch serves the windows built after it; 0: every window asks"},
    {Option::SuggestUrl, "Suggest URL", nullptr,
     "the suggestion service of search types without an address; empty: none"},
    {Option::BannerAnimation, "Banner Animation", nullptr,
     "an animated GIF beside the configuration, played in the banner's place; empty: none"},
};
constexpr const OptionSpec& OptionKey(Option option) {
  return kOptionTable[static_cast<size_t>(option)];
}
constexpr const char* OptionName(Option option) { return OptionKey(option).name; }

// InstallPath + "\" + ToolbarFile + suffix, composed without any normalising.
std::string ConfigFilePath();            // ".ini": the installed configuration
std::string DownloadedConfigFilePath();  // " Internet.ini": the last refused download
std::string BackupConfigFilePath();      // " Default.ini": what the last update replaced
std::string BannerFilePath();            // ".bmp": the banner picture
// " Update.ini": what the last fetch learnt of the update beside it.
std::string UpdateStateFilePath();
// The same names in the user's own folder; empty without one.
std::string UserConfigFilePath();
std::string UserDownloadedConfigFilePath();
std::string UserBackupConfigFilePath();
std::string UserUpdateStateFilePath();

// The configuration that is read: the user's copy when it is valid and newer
// than the installed one (by "Config Version" where both have one, else by
// the time their files were written), else the installed one.
std::string ConfigFileInForce();

// [Options] "Config Version": a whole number, "1" or more digits with blanks
// around; none when absent or anything else.
std::optional<uint64_t> ParseConfigVersion(std::string_view text);

// [Options] "Update Interval" in minutes: a whole number as "Config Version"
// is, at most kMaxUpdateIntervalMinutes; 0 (every window asks) for anything
// else.
inline constexpr uint64_t kMaxUpdateIntervalMinutes = 1000000;
uint64_t ParseUpdateInterval(std::string_view text);

// FNV-1a, 64 bits: tells whether a file is still the one an update installed.
uint64_t Fnv1a64(std::string_view bytes);

// The base address updates are fetched from: none while a policy switches
// updates off, else the address a policy pins, else "Updates URL".
std::string UpdateBaseInForce(const ToolbarConfigRecord& config);

// Reads the installation's registry values, the configuration's [Options] and
// the policies.
// A configuration file that exists but cannot be read throws InOutError and
// leaves ToolbarConfig as it was.
void LoadToolbarConfig(Platform& platform);
void ClearToolbarConfig();

// Fetches UpdateBaseInForce + "/toolbar.ini" and installs it when it is a toolbar
// configuration and, while the configuration in force names an "Update Key",
// when the base + "/toolbar.ini.sig" is its signature made with that key, its
// "Config Version" is greater than the one in force and it names a key of its
// own. It goes into the install directory, else into the user's folder; where
// neither can be written, the configuration in force stays, as when the server
// is unreachable. True when a valid configuration is in force afterwards;
// shows the configuration error when none is.
//
// The request is conditional (If-None-Match, If-Modified-Since) while the
// configuration in force is still the one whose ETag and Last-Modified the
// update state file beside it keeps; a 304 changes nothing. Within "Update
// Interval" minutes of the last fetch, nothing is asked at all. Runs on the
// caller's thread.
bool UpdateConfigFile(Platform& platform);

// How long a window waits for the update it starts in the background.
inline constexpr uint64_t kUpdateBudgetMs = 300;

// UpdateConfigFile for a window being built: the fetch and the installation
// run in the platform's background (on the caller's thread without one), and
// the caller waits at most `budget_ms` for them. An update that completes in
// time is in force on return, and what it raised is raised here; one that
// completes later is installed then, without a word, for the windows built
// afterwards. A window that comes while an update is still under way waits
// for that one instead of starting another. The configuration error shows
// when no valid configuration is in force on return.
bool RefreshConfigFile(Platform& platform, uint64_t budget_ms);

// Asks the update under way in the background, if any, to stop: it installs
// nothing and ends at its next step; a network call already waiting ends
// within its timeouts.
void CancelConfigUpdate();

// Limits of one download.
inline constexpr InternetTimeouts kDownloadTimeouts{5000, 5000, 5000};
inline constexpr uint64_t kDownloadDeadlineMs = 15000;
// A configuration of hundreds of items is tens of kilobytes; a body read as
// one costs many times its size in memory before it is judged, and a hostile
// one must not exhaust a browser's.
inline constexpr uint64_t kDownloadSizeLimit = 1u << 20;

// Saves the body behind an address to a file; true only when the whole body
// arrived within the limits. A download that fails leaves no file behind.
// Throws InOutError when the file cannot be created or written.
bool DownloadFile(Platform& platform, const std::string& address, const std::string& destination);

// The body behind an address, when the whole of it arrived within the limits
// and within `size_limit` bytes.
std::optional<std::string> DownloadText(Platform& platform, const std::string& address,
                                        uint64_t size_limit);

// The canonical form of an address; on failure shows the system's message and
// returns the empty text.
std::string CanonicalizeUrl(Platform& platform, const std::string& address);

// Whether a text looks like a usable address.
bool IsPlausibleURL(const std::string& text);

// A warning box captioned "Error" with an OK button.
void ShowError(Platform& platform, const std::string& message);

}  // namespace pq
