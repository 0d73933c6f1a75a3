#include <algorithm>

#include "check/report.h"
#include "check/rules.h"
#include "config/update_signature.h"
#include "platform/internet.h"
#include "platform/text.h"

namespace pq::check {
namespace {

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

// With a key, an update is installed only when its version is greater than
// the one in force: a file without one is refused by every toolbar.
void CheckConfigVersion(const IniScan& scan, bool signed_updates, Findings& findings) {
  const std::optional<std::string> version = scan.Value(kOptions, kConfigVersion);
  if (version && ParseConfigVersion(*version)) return;
  if (!version && !signed_updates) return;
  findings.Add(
      signed_updates ? Severity::Error : Severity::Warning,
      version ? scan.PlaceOf(kOptions, kConfigVersion) : scan.PlaceOf(kOptions, kUpdateKey),
      "config-version",
      std::string(version ? "\"Config Version\" is not a whole number"
                          : "there is no \"Config Version\"") +
          (signed_updates ? ": with an \"Update Key\" the toolbar installs an update only when its "
                            "whole-number version is greater than the installed one's"
                          : ": an update is compared by it once you sign updates"));
}

// An interval the toolbar cannot read is no interval: every window asks.
void CheckUpdateInterval(const IniScan& scan, Findings& findings) {
  const std::optional<std::string> minutes = scan.Value(kOptions, kUpdateInterval);
  if (!minutes || ParseUpdateInterval(*minutes) != 0) return;
  const std::optional<uint64_t> number = ParseConfigVersion(*minutes);
  if (number && *number == 0) return;
  findings.Add(Severity::Warning, scan.PlaceOf(kOptions, kUpdateInterval), "update-interval",
               "\"Update Interval\" is not a whole number of minutes from 0 to " +
                   std::to_string(kMaxUpdateIntervalMinutes) +
                   ": the toolbar takes it as 0, and every window asks for the update");
}

}  // namespace

bool HasPlaceholder(std::string_view url) {
  // As the toolbar finds it: ASCII letters in either case, nothing folded else.
  return FindSearchPlaceholder(std::string(url)) != std::string::npos;
}

bool IsBlankText(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

void CheckOptionsSection(const IniScan& scan, const std::string& stem,
                         const std::string& toolbar_name, const std::string& updates_url,
                         Findings& findings) {
  const IniSection* options = scan.Find(kOptions);
  if (options) CheckSectionKeys(*options, OptionKeys(), {}, "", findings);

  const std::string updates_effect =
      IsBlankText(updates_url)
          ? "the configuration counts as invalid (with an \"Updates URL\" every toolbar window "
            "would report it)"
          : "the configuration counts as invalid: every toolbar window shows \"Error Loading "
            "Configuration File! " +
                stem + ".ini! Please contact " + ToolbarConfig.CompanyName + "\"";
  if (!options) {
    findings.Add(Severity::Error, 0, "no-toolbar-name",
                 "there is no [Options] section, so no \"Toolbar Name\": " + updates_effect);
  } else if (toolbar_name.empty()) {
    findings.Add(
        Severity::Error, scan.PlaceOf(kOptions, kToolbarName), "no-toolbar-name",
        std::string(scan.Value(kOptions, kToolbarName) ? "\"Toolbar Name\" is empty"
                                                       : "[Options] has no \"Toolbar Name\"") +
            ": " + updates_effect);
  } else if (std::string problem; !FitsFileName(toolbar_name, problem)) {
    findings.Add(Severity::Error, scan.PlaceOf(kOptions, kToolbarName), "toolbar-name",
                 "the toolbar's name holds " + problem + ", but it names the search history file " +
                     Quoted(toolbar_name + ".txt") + ": no search could be saved");
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
    const auto value = scan.Value(kOptions, stand.key);
    if (!value || *value == stand.default_value) {
      findings.Add(Severity::Warning, scan.PlaceOf(kOptions, stand.key), "default-option",
                   Quoted(stand.key) + (value ? " is" : " is not set, so it is") +
                       " the stand-in " + Quoted(stand.default_value) +
                       ": set the publisher's own");
    } else if (!stand.address && value->empty()) {
      findings.Add(
          Severity::Warning, scan.PlaceOf(kOptions, stand.key), "empty-option",
          Quoted(stand.key) + " is empty: the configuration error and the About box name nobody");
    } else if (stand.address) {
      CheckAddress(scan, kOptions, stand.key, *value, findings);
    }
  }
  const std::string search_url = ToolbarConfig.SearchUrl;
  if (!search_url.empty() && !HasPlaceholder(search_url))
    findings.Add(Severity::Warning, scan.PlaceOf(kOptions, kSearchUrl), "search-placeholder",
                 "\"Search URL\" has no \"[SEARCH]\": the query is appended to its end");
  if (const auto flash = scan.Value(kOptions, kFlashUrl); flash && !flash->empty())
    CheckAddress(scan, kOptions, kFlashUrl, *flash, findings);
}

void CheckAddress(const IniScan& scan, std::string_view section, std::string_view key,
                  const std::string& url, Findings& findings) {
  // The browser skips blanks and control characters before a scheme.
  std::string_view address = url;
  while (!address.empty() && static_cast<unsigned char>(address.front()) <= ' ')
    address.remove_prefix(1);
  for (const char* scheme : {"javascript:", "vbscript:"}) {
    if (!LowerCase(address).starts_with(scheme)) continue;
    findings.Add(
        Severity::Warning, scan.PlaceOf(section, key), "script-address",
        Quoted(url) + " is a " + std::string(scheme) +
            " address: it runs as a script inside whatever page the user has open, with that "
            "page's rights; link to a page of your own instead");
    return;
  }
  if (IsPlausibleURL(url)) return;
  findings.Add(
      Severity::Warning, scan.PlaceOf(section, key), "implausible-url",
      Quoted(url) + " does not look like an address to the toolbar: " + ImplausibleReason(url));
}

void CheckUpdatesAddress(const IniScan& scan, const std::string& updates_url,
                         Internet* system_forms, Findings& findings) {
  if (updates_url.empty()) return;
  const int line = scan.PlaceOf(kOptions, kUpdatesUrl);
  if (IsBlankText(updates_url)) {
    findings.Add(Severity::Note, line, "updates-blank",
                 "\"Updates URL\" holds only blanks, which count as none: updating is off");
    return;
  }
  const std::string address = updates_url + "/toolbar.ini";
  if (updates_url.back() == '/')
    findings.Add(Severity::Note, line, "updates-slash",
                 "\"Updates URL\" ends with \"/\": the toolbar fetches " + Quoted(address));
  std::string canonical = address;
  if (system_forms) {
    if (const uint32_t error = system_forms->Canonicalize(address, canonical)) {
      findings.Add(Severity::Warning, line, "updates-url",
                   "the system cannot put " + Quoted(address) + " into canonical form (error " +
                       std::to_string(error) +
                       "): every toolbar window shows an error and skips the update");
      return;
    }
  }
  if (IsPlausibleURL(canonical)) return;
  findings.Add(
      Severity::Warning, line, "updates-url",
      "the toolbar refuses to download " + Quoted(canonical) + ": " + ImplausibleReason(canonical) +
          (system_forms
               ? ""
               : " (tested as written; the toolbar tests the address's canonical form, which "
                 "only Windows makes)"));
}

// An update key that is no key refuses every update; updates that come
// neither signed nor over HTTPS can be replaced by anyone on the way.
void CheckUpdateKey(const IniScan& scan, const std::string& updates_url, Findings& findings) {
  CheckUpdateInterval(scan, findings);
  const std::optional<std::string> key = scan.Value(kOptions, kUpdateKey);
  if (key && RequiresSignature(*key) && !ParseUpdateKey(*key)) {
    findings.Add(
        Severity::Error, scan.PlaceOf(kOptions, kUpdateKey), "update-key",
        "\"Update Key\" is not a key made by ./run keygen (the base64 of a P-256 public key): "
        "the toolbar refuses every update");
    return;
  }
  CheckConfigVersion(scan, key && RequiresSignature(*key), findings);
  if (IsBlankText(updates_url) || (key && RequiresSignature(*key))) return;
  std::string_view address = updates_url;
  while (!address.empty() && static_cast<unsigned char>(address.front()) <= ' ')
    address.remove_prefix(1);
  if (LowerCase(address).starts_with("https://")) return;
  findings.Add(
      Severity::Warning, scan.PlaceOf(kOptions, kUpdatesUrl), "updates-unsigned",
      "updates come over plain HTTP and unsigned: whoever can answer in your server's place (an "
      "open network, a proxy) can give every user a configuration of his own; serve them from an "
      "https:// address, or sign them (\"Update Key\", ./run keygen, ./run sign)");
}

const std::vector<std::string>& OptionKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> names;
    for (const OptionSpec& key : kOptionTable) names.emplace_back(key.name);
    return names;
  }();
  return keys;
}

}  // namespace pq::check
