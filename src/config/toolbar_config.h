#pragma once
// The process-wide toolbar configuration: where the installation put the
// configuration file, the file's [Options], and the file's refresh from the
// publisher's update address.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/internet.h"
#include "platform/platform.h"

namespace pq {

struct ToolbarConfigRecord {
  std::string BandClassId;   // registry form, braces included
  std::string ToolbarName;   // registry "Toolbar Name"
  std::string CompanyName;   // [Options] "Company Name"
  std::string HomePageUrl;   // [Options] "Home Page URL"
  std::string FlashUrl;      // [Options] "Flash URL"
  std::string ContactEmail;  // [Options] "Contact E-Mail"
  std::string SearchUrl;     // [Options] "Search URL"
  std::string UpdatesUrl;    // [Options] "Updates URL"; empty switches updating off
  std::string UpdateKey;     // [Options] "Update Key": updates must be signed with it
  std::string InstallPath;   // registry "InstallPath", without a trailing "\"
  std::string BandKeyPath;   // the band's key under HKEY_LOCAL_MACHINE
  std::string ToolbarFile;   // registry "Toolbar File": base name of the configuration
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

// InstallPath + "\" + ToolbarFile + suffix, composed without any normalising.
std::string ConfigFilePath();            // ".ini": the configuration in force
std::string DownloadedConfigFilePath();  // " Internet.ini": the last download
std::string BackupConfigFilePath();      // " Default.ini": what the last update replaced
std::string BannerFilePath();            // ".bmp": the banner picture

// Reads the installation's registry values and the configuration's [Options].
// A configuration file that exists but cannot be read throws InOutError and
// leaves ToolbarConfig as it was.
void LoadToolbarConfig(Platform& platform);
void ClearToolbarConfig();

// Fetches UpdatesUrl + "/toolbar.ini" and installs it when it is a toolbar
// configuration and, while the configuration in force names an "Update Key",
// when UpdatesUrl + "/toolbar.ini.sig" is its signature made with that key;
// true when a valid configuration is in place afterwards. Shows the
// configuration error when none is. File failures throw InOutError.
bool UpdateConfigFile(Platform& platform);

// Limits of one download: it runs on the browser's thread, which waits for it.
inline constexpr InternetTimeouts kDownloadTimeouts{5000, 5000, 5000};
inline constexpr uint64_t kDownloadDeadlineMs = 15000;
inline constexpr uint64_t kDownloadSizeLimit = 16u << 20;

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
