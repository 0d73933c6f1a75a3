#include "config/toolbar_config.h"

#include <fstream>
#include <utility>
#include <vector>

#include "config/band_identity.h"
#include "config/big_ini_file.h"
#include "config/registry_store.h"
#include "config/update_signature.h"
#include "platform/clock.h"
#include "platform/date_time.h"
#include "platform/desktop.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/system_messages.h"
#include "platform/user_interface.h"

namespace pq {

ToolbarConfigRecord ToolbarConfig;

namespace {

// An [Options] value, its default when the key is missing.
std::string ReadOption(TBigIniFile& ini, Option option) {
  const OptionSpec& key = OptionKey(option);
  return ini.ReadString(kOptionsSection, key.name, key.default_value ? key.default_value : "");
}

constexpr char kUpdateFile[] = "/toolbar.ini";
constexpr char kCopyrightLead[] = "Copyright (C) 2003-";
constexpr char kProductDomain[] = "pelliquester.example.com";
constexpr size_t kPieceSize = 1024;

std::string SideFile(const ToolbarConfigRecord& config, const char* suffix) {
  return config.InstallPath + "\\" + config.ToolbarFile + suffix;
}
std::string SideFile(const char* suffix) { return SideFile(ToolbarConfig, suffix); }

std::string RegistryText(Platform& platform, const std::string& key, const char* name) {
  RegVariant value;
  GetRegistryData(platform, RegRoot::LocalMachine, key, name, value);
  return VariantToText(value);
}

std::string FourDigitYear(TDateTime date) {
  FormatSettings year_only;
  year_only.ShortDateFormat = "yyyy";
  return DateToStr(date, year_only);
}

// Blanks and control characters count as nothing at either end.
bool IsBlank(const std::string& text) {
  for (unsigned char c : text)
    if (c > ' ') return false;
  return true;
}

// A file is a toolbar configuration when it names the toolbar.
bool NamesToolbar(TBigIniFile& ini) { return !ReadOption(ini, Option::ToolbarName).empty(); }
bool NamesToolbar(const std::string& path) {
  TBigIniFile ini(path);
  return NamesToolbar(ini);
}

std::optional<uint64_t> VersionOf(TBigIniFile& ini) {
  return ParseConfigVersion(ReadOption(ini, Option::ConfigVersion));
}

std::string UserSideFile(const ToolbarConfigRecord& config, const char* suffix) {
  if (config.UserConfigFolder.empty()) return std::string();
  return config.UserConfigFolder + "\\" + config.ToolbarFile + suffix;
}

// A user's copy that cannot be read is no copy: the installed file serves.
std::optional<std::optional<uint64_t>> ValidUserCopy(const std::string& path) {
  if (path.empty() || !Files().Exists(path)) return std::nullopt;
  try {
    TBigIniFile ini(path);
    if (!NamesToolbar(ini)) return std::nullopt;
    return VersionOf(ini);
  } catch (const InOutError&) {
    return std::nullopt;
  }
}

std::string ChooseConfigFile(const ToolbarConfigRecord& config) {
  const std::string installed = SideFile(config, ".ini");
  const std::string user = UserSideFile(config, ".ini");
  const auto user_version = ValidUserCopy(user);
  if (!user_version) return installed;
  if (!Files().Exists(installed)) return user;
  TBigIniFile ini(installed);
  if (!NamesToolbar(ini)) return user;
  // A newer installation is never hidden behind an older copy of the user's.
  const std::optional<uint64_t> installed_version = VersionOf(ini);
  if (*user_version && installed_version)
    return **user_version > *installed_version ? user : installed;
  const std::optional<int64_t> user_time = Files().ModifiedTime(user);
  const std::optional<int64_t> installed_time = Files().ModifiedTime(installed);
  return user_time && installed_time && *user_time > *installed_time ? user : installed;
}

// Where an update can go: the install directory, else the user's folder.
struct UpdatePlace {
  std::string config;
  std::string backup;
  std::string downloaded;
  std::string folder;  // made before the first write; empty: it exists
};

std::vector<UpdatePlace> UpdatePlaces() {
  std::vector<UpdatePlace> places{
      {ConfigFilePath(), BackupConfigFilePath(), DownloadedConfigFilePath(), std::string()}};
  if (!ToolbarConfig.UserConfigFolder.empty())
    places.push_back({UserConfigFilePath(), UserBackupConfigFilePath(),
                      UserDownloadedConfigFilePath(), ToolbarConfig.UserConfigFolder});
  return places;
}

enum class Verdict { Install, Unchanged, Refuse };

// Whether the update, whose bytes are `update` and whose file was read into
// `ini`, may replace the configuration in force. Without a key in force any
// configuration may; with one only an update signed with that key, newer by
// its "Config Version" and naming a key for the updates after it: an old
// signed file replayed would otherwise roll the toolbar back, and a signed
// file without a key would switch signing off for good.
Verdict JudgeDownload(Platform& platform, const std::string& update, TBigIniFile& ini) {
  if (!NamesToolbar(ini)) return Verdict::Refuse;
  const std::string in_force = ConfigFileInForce();
  std::string current;
  if (Files().Exists(in_force) && Files().ReadAll(in_force, current) && current == update)
    return Verdict::Unchanged;

  std::string key = ToolbarConfig.UpdateKey;
  std::optional<uint64_t> version_in_force;
  {
    TBigIniFile installed(in_force);
    if (NamesToolbar(installed)) {
      key = ReadOption(installed, Option::UpdateKey);
      version_in_force = VersionOf(installed);
    }
  }
  if (!RequiresSignature(key)) return Verdict::Install;

  const std::optional<uint64_t> version = VersionOf(ini);
  if (!version || *version <= version_in_force.value_or(0)) return Verdict::Refuse;
  if (!ParseUpdateKey(ReadOption(ini, Option::UpdateKey))) return Verdict::Refuse;
  const std::optional<std::string> signature = DownloadText(
      platform, ToolbarConfig.UpdatesUrl + kUpdateFile + kSignatureSuffix, kSignatureSizeLimit);
  return JudgeUpdate(platform.verifier, key, update, signature) == UpdateTrust::Signed
             ? Verdict::Install
             : Verdict::Refuse;
}

// Writes the downloaded bytes to a file of this update's own, judges that
// file and, when it may, puts exactly those bytes in force: two windows that
// update at once never install each other's download. The installed file
// keeps serving until the new one takes its name in one step; the backup
// receives a copy of what is replaced. What is refused is kept aside under the
// download name for the publisher to look at.
bool InstallUpdate(Platform& platform, const std::string& update) {
  FileSystem& files = Files();
  for (const UpdatePlace& place : UpdatePlaces()) {
    if (!place.folder.empty() && !files.CreateFolder(place.folder)) continue;
    std::string scratch;
    if (WriteScratchBeside(place.config, update, scratch) != FileWriteResult::Written) continue;
    Verdict verdict = Verdict::Refuse;
    try {
      TBigIniFile ini(scratch);
      verdict = JudgeDownload(platform, update, ini);
    } catch (...) {
      (void)files.Remove(scratch);
      throw;
    }
    if (verdict != Verdict::Install) {
      if (verdict == Verdict::Refuse) (void)files.Replace(scratch, place.downloaded);
      (void)files.Remove(scratch);
      return verdict == Verdict::Unchanged;
    }
    if (files.Exists(place.backup)) (void)files.Remove(place.backup);
    (void)files.Copy(place.config, place.backup);  // nothing to copy before the first install
    if (files.Replace(scratch, place.config)) return true;
    (void)files.Remove(scratch);
    return false;
  }
  return false;
}

std::string AsciiLower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// Position counted from 1; 0 when absent.
size_t PositionOf(const std::string& text, char c) {
  const size_t found = text.find(c);
  return found == std::string::npos ? 0 : found + 1;
}

}  // namespace

std::string ConfigFilePath() { return SideFile(".ini"); }
std::string DownloadedConfigFilePath() { return SideFile(" Internet.ini"); }
std::string BackupConfigFilePath() { return SideFile(" Default.ini"); }
std::string BannerFilePath() { return SideFile(".bmp"); }
std::string UserConfigFilePath() { return UserSideFile(ToolbarConfig, ".ini"); }
std::string UserDownloadedConfigFilePath() { return UserSideFile(ToolbarConfig, " Internet.ini"); }
std::string UserBackupConfigFilePath() { return UserSideFile(ToolbarConfig, " Default.ini"); }
std::string ConfigFileInForce() { return ChooseConfigFile(ToolbarConfig); }

std::optional<uint64_t> ParseConfigVersion(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  if (text.empty() || text.size() > 19) return std::nullopt;  // 19 digits always fit
  uint64_t version = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    version = version * 10 + static_cast<uint64_t>(c - '0');
  }
  return version;
}

void LoadToolbarConfig(Platform& platform) {
  // Filled aside and put in force whole: a load that fails part way leaves the
  // record as it was.
  ToolbarConfigRecord loaded;
  loaded.BandClassId = kBandClassId;
  loaded.BandKeyPath = std::string(kExplorerBarsKey) + "\\" + loaded.BandClassId;

  loaded.InstallPath = RegistryText(platform, loaded.BandKeyPath, "InstallPath");
  loaded.ToolbarName = RegistryText(platform, loaded.BandKeyPath, "Toolbar Name");
  loaded.ToolbarFile = RegistryText(platform, loaded.BandKeyPath, "Toolbar File");

  if (platform.desktop && !loaded.ToolbarName.empty()) {
    const std::string user_data = platform.desktop->UserDataFolder();
    if (!user_data.empty())
      loaded.UserConfigFolder = user_data + kUserDataSubfolder + loaded.ToolbarName;
  }

  {
    TBigIniFile ini(ChooseConfigFile(loaded));
    loaded.CompanyName = ReadOption(ini, Option::CompanyName);
    loaded.HomePageUrl = ReadOption(ini, Option::HomePageUrl);
    loaded.ContactEmail = ReadOption(ini, Option::ContactEmail);
    loaded.FlashUrl = ReadOption(ini, Option::FlashUrl);
    loaded.SearchUrl = ReadOption(ini, Option::SearchUrl);
    loaded.UpdatesUrl = ReadOption(ini, Option::UpdatesUrl);
    loaded.UpdateKey = ReadOption(ini, Option::UpdateKey);
  }
  loaded.CopyrightText =
      kCopyrightLead + FourDigitYear(platform.clock->Today()) + " " + kProductDomain;

  loaded.DefaultSpeedCount = 1;
  loaded.DefaultSpeedUrls[1] = kCompanyHost;
  loaded.DefaultSpeedImages[1] = 1;
  ToolbarConfig = std::move(loaded);
}

void ClearToolbarConfig() { ToolbarConfig = ToolbarConfigRecord{}; }

bool UpdateConfigFile(Platform& platform) {
  if (IsBlank(ToolbarConfig.UpdatesUrl)) return false;

  // A refused download stays aside only until the next update.
  for (const UpdatePlace& place : UpdatePlaces())
    if (Files().Exists(place.downloaded)) (void)Files().Remove(place.downloaded);
  bool result = false;
  // The body is held here, not in a file another window could write too.
  if (const std::optional<std::string> update =
          DownloadText(platform, ToolbarConfig.UpdatesUrl + kUpdateFile, kDownloadSizeLimit))
    result = InstallUpdate(platform, *update);
  // An update that did not happen leaves the configuration in force.
  if (!result) result = NamesToolbar(ConfigFileInForce());
  if (!result)
    ShowError(platform, "Error Loading Configuration File! " + ToolbarConfig.ToolbarFile +
                            ".ini! Please contact " + ToolbarConfig.CompanyName);
  return result;
}

namespace {

// Where a body goes, piece by piece: Open once the response is known to be
// within the limits, before the first piece.
class BodySink {
 public:
  virtual ~BodySink() = default;
  virtual void Open() = 0;
  virtual void Write(const std::string& piece) = 0;
};

// Opens the address and hands its body to the sink; true only when the whole
// body arrived within the time limits and `size_limit`. The sink's failures
// pass to the caller.
bool FetchBody(Platform& platform, const std::string& address, uint64_t size_limit,
               BodySink& sink) {
  const uint64_t started = platform.clock->Milliseconds();
  auto past_deadline = [&] {
    return platform.clock->Milliseconds() - started >= kDownloadDeadlineMs;
  };

  std::unique_ptr<InternetSession> session =
      platform.internet->OpenSession(platform.internet->AgentName(), kDownloadTimeouts);
  if (!session) return false;
  const std::string canonical = CanonicalizeUrl(platform, address);
  if (!IsPlausibleURL(canonical)) return false;
  std::unique_ptr<InternetResource> resource = session->OpenAddress(canonical);
  if (!resource) return false;
  const std::optional<uint64_t> announced = resource->AnnouncedLength();
  if (announced && *announced > size_limit) return false;
  if (past_deadline()) return false;

  sink.Open();
  uint64_t received = 0;
  std::string piece;
  while (!past_deadline()) {
    if (!resource->ReadPiece(kPieceSize, piece)) return false;
    if (piece.empty()) {
      // A body that ends before its announced length was broken off.
      return !announced || received == *announced;
    }
    received += piece.size();
    if (received > size_limit) return false;
    sink.Write(piece);
  }
  return false;
}

class FileSink final : public BodySink {
 public:
  explicit FileSink(const std::string& path) : path_(path) {}
  void Open() override {
    file_.open(path_, std::ios::binary | std::ios::trunc);
    if (!file_) throw InOutError("Cannot create file \"" + path_ + "\".");
  }
  void Write(const std::string& piece) override {
    file_.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    if (!file_) Fail();
  }
  bool Opened() const { return file_.is_open(); }
  // Closes the file, and removes it unless it holds a whole body.
  void Close(bool whole) {
    file_.close();
    if (!file_) Fail();
    if (!whole) (void)Files().Remove(path_);
  }

 private:
  [[noreturn]] void Fail() {
    file_.close();
    (void)Files().Remove(path_);
    throw InOutError("Cannot write file \"" + path_ + "\".");
  }

  std::string path_;
  std::ofstream file_;
};

class TextSink final : public BodySink {
 public:
  void Open() override {}
  void Write(const std::string& piece) override { text.append(piece); }
  std::string text;
};

}  // namespace

bool DownloadFile(Platform& platform, const std::string& address, const std::string& destination) {
  FileSink file(destination);
  const bool whole = FetchBody(platform, address, kDownloadSizeLimit, file);
  if (!file.Opened()) return false;
  file.Close(whole);
  return whole;
}

std::optional<std::string> DownloadText(Platform& platform, const std::string& address,
                                        uint64_t size_limit) {
  TextSink text;
  if (!FetchBody(platform, address, size_limit, text)) return std::nullopt;
  return std::move(text.text);
}

std::string CanonicalizeUrl(Platform& platform, const std::string& address) {
  std::string canonical;
  const uint32_t error = platform.internet->Canonicalize(address, canonical);
  if (error != 0) {
    ShowError(platform, "Error: " + platform.messages->MessageFor(error));
    return std::string();
  }
  return canonical;
}

bool IsPlausibleURL(const std::string& text) {
  const size_t length = text.size();
  if (length < 5) return false;
  if (text.back() == '.') return false;
  if (text.find("..") != std::string::npos) return false;
  for (unsigned char c : text)
    if (c < 0x21 || c > 0x7E) return false;

  const std::string lower = AsciiLower(text);
  if (lower.starts_with("www.")) return true;
  if (lower.starts_with("news:") && length > 6) return true;
  if (length > 12) return true;
  const size_t at = PositionOf(text, '@');
  const size_t dot = PositionOf(text, '.');
  if (lower.starts_with("mailto:") && at > 1 && dot > 4 && dot > at + 1) return true;
  if (lower.find("http://") != std::string::npos) return true;
  if (lower.find("ftp://") != std::string::npos && length > 10 && dot > 7) return true;
  return false;
}

void ShowError(Platform& platform, const std::string& message) {
  platform.ui->ShowMessageBox(message, "Error", kMbIconWarning | kMbOk);
}

}  // namespace pq
