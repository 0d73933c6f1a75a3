#include "config/toolbar_config.h"

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <exception>
#include <fstream>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "config/band_identity.h"
#include "config/big_ini_file.h"
#include "config/registry_store.h"
#include "config/update_signature.h"
#include "platform/background.h"
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

std::vector<UpdatePlace> UpdatePlaces(const ToolbarConfigRecord& config) {
  std::vector<UpdatePlace> places{{SideFile(config, ".ini"), SideFile(config, " Default.ini"),
                                   SideFile(config, " Internet.ini"), std::string()}};
  if (!config.UserConfigFolder.empty())
    places.push_back({UserSideFile(config, ".ini"), UserSideFile(config, " Default.ini"),
                      UserSideFile(config, " Internet.ini"), config.UserConfigFolder});
  return places;
}

// One update of the configuration file, from the request to the installed
// file: everything it needs is its own, so that it can run on a thread of its
// own after the window that started it has gone.
struct UpdateJob {
  Platform platform;           // ui is null where nothing may be shown
  ToolbarConfigRecord config;  // as it was when the update began
  std::string address;         // canonical
  std::atomic<bool> cancelled{false};

  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;  // the fields below are set
  bool result = false;
  std::exception_ptr error;

  bool Cancelled() const { return cancelled.load(std::memory_order_relaxed); }
};

// What a fetch came back with.
struct Fetched {
  enum class Kind { Failed, NotModified, Body } kind = Kind::Failed;
  std::string body;
  std::string etag;
  std::string last_modified;
};

constexpr char kUpdateStateSection[] = "[Update]";
constexpr char kStateAddress[] = "Address";
constexpr char kStateETag[] = "ETag";
constexpr char kStateLastModified[] = "Last-Modified";
constexpr char kStateHash[] = "Hash";
constexpr char kStateFetched[] = "Fetched";

// What the update state file keeps: the address asked, the validators it gave
// for the configuration in force, the hash of its bytes when they were
// written, and when the address was last asked.
struct UpdateState {
  std::string address;
  std::string etag;
  std::string last_modified;
  uint64_t hash = 0;
  int64_t fetched = 0;  // seconds since 1970
};

// A header value that can be written back into a request and into our file.
bool IsPlainValue(const std::string& value) {
  if (value.size() > 1024) return false;
  for (unsigned char c : value)
    if (c < ' ' || c == 0x7F) return false;
  return true;
}

std::string HexOf(uint64_t value) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kHex[value & 0xF];
  return text;
}

std::optional<uint64_t> ParseHex(const std::string& text) {
  if (text.size() != 16) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else return std::nullopt;
    value = value << 4 | static_cast<uint64_t>(digit);
  }
  return value;
}

std::string StateText(const UpdateState& state) {
  return std::string(kUpdateStateSection) + "\r\n" + kStateAddress + "=" + state.address +
         "\r\n" + kStateETag + "=" + state.etag + "\r\n" +
         kStateLastModified + "=" + state.last_modified + "\r\n" + kStateHash + "=" +
         HexOf(state.hash) + "\r\n" + kStateFetched + "=" + std::to_string(state.fetched) + "\r\n";
}

// The state file at `path`, when it is whole and describes exactly `bytes` as
// served from `address`: validators and the time of a fetch from another
// address say nothing of this one.
std::optional<UpdateState> ReadState(const std::string& path, const std::string& address,
                                     const std::string& bytes) {
  std::string text;
  if (path.empty() || !Files().Exists(path) || !Files().ReadAll(path, text)) return std::nullopt;
  UpdateState state;
  bool hash_read = false, fetched_read = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (name == kStateAddress) {
      state.address = value;
    } else if (name == kStateETag) {
      state.etag = value;
    } else if (name == kStateLastModified) {
      state.last_modified = value;
    } else if (name == kStateHash) {
      const std::optional<uint64_t> hash = ParseHex(value);
      if (!hash) return std::nullopt;
      state.hash = *hash;
      hash_read = true;
    } else if (name == kStateFetched) {
      const std::optional<uint64_t> seconds = ParseConfigVersion(value);
      if (!seconds || *seconds > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
      state.fetched = static_cast<int64_t>(*seconds);
      fetched_read = true;
    }
  }
  // A file replaced by hand or by an installer is no longer the one the
  // validators describe.
  if (!hash_read || !fetched_read || state.hash != Fnv1a64(bytes)) return std::nullopt;
  if (state.address.empty() || state.address != address) return std::nullopt;
  return state;
}

// Where the state of the configuration in force is kept: beside it, else in
// the user's folder (a standard user cannot write the install directory).
std::vector<std::string> StatePlaces(const ToolbarConfigRecord& config, const std::string& in_force) {
  std::vector<std::string> places;
  const std::string user_config = UserSideFile(config, ".ini");
  if (!user_config.empty() && in_force == user_config) {
    places.push_back(UserSideFile(config, " Update.ini"));
  } else {
    places.push_back(SideFile(config, " Update.ini"));
    if (!user_config.empty()) places.push_back(UserSideFile(config, " Update.ini"));
  }
  return places;
}

// Of the states that describe the bytes in force, the latest fetch: a standard
// user's windows note theirs in the user's folder, beside an older one that an
// administrator's left in the install directory.
std::optional<UpdateState> StateInForce(const ToolbarConfigRecord& config,
                                        const std::string& in_force, const std::string& address,
                                        const std::string& bytes) {
  std::optional<UpdateState> latest;
  for (const std::string& path : StatePlaces(config, in_force)) {
    std::optional<UpdateState> state = ReadState(path, address, bytes);
    if (state && (!latest || state->fetched > latest->fetched)) latest = std::move(state);
  }
  return latest;
}

// Notes a fetch. A state that cannot be written anywhere only costs the next
// window an unconditional request.
void WriteState(const ToolbarConfigRecord& config, const std::string& in_force,
                const UpdateState& state) {
  const std::string text = StateText(state);
  for (const std::string& path : StatePlaces(config, in_force)) {
    if (path.rfind(config.UserConfigFolder + "\\", 0) == 0 && !config.UserConfigFolder.empty() &&
        !Files().CreateFolder(config.UserConfigFolder))
      continue;
    if (ReplaceFileContents(path, text) == FileWriteResult::Written) return;
  }
}

enum class Verdict { Install, Unchanged, Refuse };

std::optional<std::string> FetchSignature(UpdateJob& job);

// Whether the update, whose bytes are `update` and whose file was read into
// `ini`, may replace the configuration in force. Without a key in force any
// configuration may; with one only an update signed with that key, newer by
// its "Config Version" and naming a key for the updates after it: an old
// signed file replayed would otherwise roll the toolbar back, and a signed
// file without a key would switch signing off for good.
Verdict JudgeDownload(UpdateJob& job, const std::string& update, TBigIniFile& ini) {
  if (!NamesToolbar(ini)) return Verdict::Refuse;
  const std::string in_force = ChooseConfigFile(job.config);
  std::string current;
  const bool read = Files().Exists(in_force) && Files().ReadAll(in_force, current);
  if (read && current == update) return Verdict::Unchanged;

  std::string key = job.config.UpdateKey;
  std::optional<uint64_t> version_in_force;
  {
    // Judged by the bytes just compared; a file that is there but cannot be
    // read raises as any configuration does.
    TBigIniFile installed(read ? std::string() : in_force);
    if (read) installed.LoadBytes(current);
    if (NamesToolbar(installed)) {
      key = ReadOption(installed, Option::UpdateKey);
      version_in_force = VersionOf(installed);
    }
  }
  if (!RequiresSignature(key)) return Verdict::Install;

  const std::optional<uint64_t> version = VersionOf(ini);
  if (!version || *version <= version_in_force.value_or(0)) return Verdict::Refuse;
  if (!ParseUpdateKey(ReadOption(ini, Option::UpdateKey))) return Verdict::Refuse;
  const std::optional<std::string> signature = FetchSignature(job);
  if (job.Cancelled()) return Verdict::Refuse;
  return JudgeUpdate(job.platform.verifier, key, update, signature) == UpdateTrust::Signed
             ? Verdict::Install
             : Verdict::Refuse;
}

enum class Installed { No, Yes, Unchanged };

// A window that reads the configuration holds the file open for a moment: an
// update that finishes then tries again a few times before it gives up until
// the next window.
bool PutInForce(UpdateJob& job, const std::string& scratch, const std::string& config) {
  return ReplaceWhenFree(scratch, config, [&job] { return job.Cancelled(); });
}

// Judges the downloaded bytes and, when they may, writes them to a file of
// this update's own and puts exactly those bytes in force: two windows that
// update at once never install each other's download. Nothing is written
// before the judgement, which may wait on the network for a signature: a
// browser that ends meanwhile leaves no file behind. The installed file keeps
// serving until the new one takes its name in one step; the backup receives
// a copy of what is replaced. What is refused is kept aside under the download
// name for the publisher to look at; a cancelled update leaves nothing behind.
Installed InstallUpdate(UpdateJob& job, const std::string& update) {
  Verdict verdict = Verdict::Refuse;
  {
    TBigIniFile ini((std::string()));
    ini.LoadBytes(update);
    verdict = JudgeDownload(job, update, ini);
  }
  if (job.Cancelled()) return Installed::No;
  if (verdict == Verdict::Unchanged) return Installed::Unchanged;
  FileSystem& files = Files();
  for (const UpdatePlace& place : UpdatePlaces(job.config)) {
    if (!place.folder.empty() && !files.CreateFolder(place.folder)) continue;
    if (verdict == Verdict::Refuse) {
      if (ReplaceFileContents(place.downloaded, update) == FileWriteResult::Written) break;
      continue;
    }
    std::string scratch;
    if (WriteScratchBeside(place.config, update, scratch) != FileWriteResult::Written) continue;
    if (files.Exists(place.backup)) (void)files.Remove(place.backup);
    (void)files.Copy(place.config, place.backup);  // nothing to copy before the first install
    if (PutInForce(job, scratch, place.config)) return Installed::Yes;
    (void)files.Remove(scratch);
    return Installed::No;
  }
  return Installed::No;
}

Fetched FetchUpdate(UpdateJob& job, const RequestHeaders& conditions);

// The update itself: asks the server unless the last fetch is recent enough,
// and installs what it serves. True when it installed the download or found
// it in force already.
bool RunUpdate(UpdateJob& job) {
  if (job.Cancelled()) return false;
  const ToolbarConfigRecord& config = job.config;
  const std::string in_force = ChooseConfigFile(config);
  std::string bytes;
  const bool readable = Files().Exists(in_force) && Files().ReadAll(in_force, bytes);
  const std::optional<UpdateState> state =
      readable ? StateInForce(config, in_force, job.address, bytes) : std::nullopt;
  const int64_t now = job.platform.clock->SecondsSince1970();
  if (state && config.UpdateIntervalMinutes > 0 && now >= state->fetched &&
      now - state->fetched < static_cast<int64_t>(config.UpdateIntervalMinutes) * 60)
    return false;

  // A refused download stays aside only until the next update.
  for (const UpdatePlace& place : UpdatePlaces(config))
    if (Files().Exists(place.downloaded)) (void)Files().Remove(place.downloaded);

  RequestHeaders conditions;
  if (state) {
    if (!state->etag.empty()) conditions.emplace_back("If-None-Match", state->etag);
    if (!state->last_modified.empty())
      conditions.emplace_back("If-Modified-Since", state->last_modified);
  }
  const Fetched fetched = FetchUpdate(job, conditions);
  if (job.Cancelled() || fetched.kind == Fetched::Kind::Failed) return false;

  UpdateState next = state.value_or(UpdateState{});
  next.address = IsPlainValue(job.address) ? job.address : std::string();
  next.fetched = now;
  Installed installed = Installed::No;
  if (fetched.kind == Fetched::Kind::Body) {
    installed = InstallUpdate(job, fetched.body);
    if (job.Cancelled()) return false;
    if (installed != Installed::No) {
      next.etag = IsPlainValue(fetched.etag) ? fetched.etag : std::string();
      next.last_modified =
          IsPlainValue(fetched.last_modified) ? fetched.last_modified : std::string();
    }
  }
  // The state describes what is in force now, whoever put it there.
  const std::string now_in_force = ChooseConfigFile(config);
  std::string now_bytes;
  if (Files().Exists(now_in_force) && Files().ReadAll(now_in_force, now_bytes)) {
    const uint64_t hash = Fnv1a64(now_bytes);
    // Validators of bytes that are not in force would ask for the wrong file:
    // another process may have put its own download in force meanwhile.
    const bool described = installed == Installed::No ? state && hash == state->hash
                                                      : hash == Fnv1a64(fetched.body);
    if (!described) {
      next.etag.clear();
      next.last_modified.clear();
    }
    next.hash = hash;
    WriteState(config, now_in_force, next);
  }
  return installed != Installed::No;
}

// Runs the update and notes its outcome for whoever waits for it.
void RunAndNote(UpdateJob& job) noexcept {
  bool result = false;
  std::exception_ptr error;
  try {
    result = RunUpdate(job);
  } catch (...) {
    error = std::current_exception();
  }
  std::lock_guard<std::mutex> lock(job.mutex);
  job.result = result;
  job.error = error;
  job.done = true;
  job.finished.notify_all();
}

// The update under way in the background, for windows that come meanwhile.
std::mutex running_lock;
std::weak_ptr<UpdateJob> running_job;

// The canonical update address; shows the system's message when there is none.
std::optional<std::string> UpdateAddress(Platform& platform) {
  const std::string canonical =
      CanonicalizeUrl(platform, UpdateBaseInForce(ToolbarConfig) + kUpdateFile);
  if (!IsPlausibleURL(canonical)) return std::nullopt;
  return canonical;
}

std::shared_ptr<UpdateJob> NewJob(Platform& platform, std::string address, bool quiet) {
  auto job = std::make_shared<UpdateJob>();
  job->platform = platform;
  if (quiet) job->platform.ui = nullptr;
  job->config = ToolbarConfig;
  job->address = std::move(address);
  return job;
}

// An update that did not happen leaves the configuration in force.
bool ConcludeUpdate(Platform& platform, bool result) {
  if (!result) result = NamesToolbar(ConfigFileInForce());
  if (!result)
    ShowError(platform, "Error Loading Configuration File! " + ToolbarConfig.ToolbarFile +
                            ".ini! Please contact " + ToolbarConfig.CompanyName);
  return result;
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
std::string UpdateStateFilePath() { return SideFile(" Update.ini"); }
std::string UserUpdateStateFilePath() { return UserSideFile(ToolbarConfig, " Update.ini"); }
std::string ConfigFileInForce() { return ChooseConfigFile(ToolbarConfig); }

std::string UpdateBaseInForce(const ToolbarConfigRecord& config) {
  if (!UpdatesAllowed(config.Policy)) return std::string();
  return UpdatesUrlInForce(config.Policy, config.UpdatesUrl);
}

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

uint64_t ParseUpdateInterval(std::string_view text) {
  const std::optional<uint64_t> minutes = ParseConfigVersion(text);
  return minutes && *minutes <= kMaxUpdateIntervalMinutes ? *minutes : 0;
}

uint64_t Fnv1a64(std::string_view bytes) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 0x100000001b3u;
  }
  return hash;
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
    loaded.BannerAnimation = ReadOption(ini, Option::BannerAnimation);
    loaded.SearchUrl = ReadOption(ini, Option::SearchUrl);
    loaded.SuggestUrl = ReadOption(ini, Option::SuggestUrl);
    loaded.UpdatesUrl = ReadOption(ini, Option::UpdatesUrl);
    loaded.UpdateKey = ReadOption(ini, Option::UpdateKey);
    loaded.UpdateIntervalMinutes = ParseUpdateInterval(ReadOption(ini, Option::UpdateInterval));
  }
  loaded.Policy = ReadToolbarPolicy(*platform.registry, loaded.ToolbarName);
  loaded.CopyrightText =
      kCopyrightLead + FourDigitYear(platform.clock->Today()) + " " + kProductDomain;

  loaded.DefaultSpeedCount = 1;
  loaded.DefaultSpeedUrls[1] = kCompanyHost;
  loaded.DefaultSpeedImages[1] = 1;
  ToolbarConfig = std::move(loaded);
}

void ClearToolbarConfig() { ToolbarConfig = ToolbarConfigRecord{}; }

bool UpdateConfigFile(Platform& platform) {
  if (IsBlank(UpdateBaseInForce(ToolbarConfig))) return false;
  bool result = false;
  if (std::optional<std::string> address = UpdateAddress(platform)) {
    const std::shared_ptr<UpdateJob> job = NewJob(platform, std::move(*address), false);
    result = RunUpdate(*job);
  }
  return ConcludeUpdate(platform, result);
}

bool RefreshConfigFile(Platform& platform, uint64_t budget_ms) {
  if (!platform.background) return UpdateConfigFile(platform);
  if (IsBlank(UpdateBaseInForce(ToolbarConfig))) return false;
  // The address is made canonical here: its error is the window's to show.
  std::optional<std::string> address = UpdateAddress(platform);
  if (!address) return ConcludeUpdate(platform, false);

  std::shared_ptr<UpdateJob> job;
  {
    std::lock_guard<std::mutex> lock(running_lock);
    job = running_job.lock();
    if (job) {
      // A cancelled update installs nothing: a window after it asks anew.
      std::lock_guard<std::mutex> job_lock(job->mutex);
      if (job->done || job->Cancelled()) job.reset();
    }
    if (!job) {
      job = NewJob(platform, std::move(*address), true);
      // The worker holds the job: the window may go before the update ends.
      if (platform.background->Start([job] { RunAndNote(*job); }))
        running_job = job;
      else
        RunAndNote(*job);
    }
  }

  bool result = false;
  {
    std::unique_lock<std::mutex> lock(job->mutex);
    if (job->finished.wait_for(lock, std::chrono::milliseconds(budget_ms),
                               [&] { return job->done; })) {
      if (job->error) std::rethrow_exception(job->error);
      result = job->result;
    }
  }
  return ConcludeUpdate(platform, result);
}

void CancelConfigUpdate() {
  std::lock_guard<std::mutex> lock(running_lock);
  if (const std::shared_ptr<UpdateJob> job = running_job.lock())
    job->cancelled.store(true, std::memory_order_relaxed);
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

// How a fetch is asked for, and what it learnt besides the body.
struct FetchRequest {
  RequestHeaders headers;
  const std::atomic<bool>* cancelled = nullptr;  // checked between the steps
};
struct FetchAnswer {
  uint32_t status = 0;
  std::string etag;
  std::string last_modified;
};

// Opens the canonical address and hands its body to the sink; true only when
// the whole body arrived within the time limits and `size_limit`. The sink's
// failures pass to the caller.
bool FetchBody(Platform& platform, const std::string& canonical, uint64_t size_limit,
               BodySink& sink, const FetchRequest& request = {}, FetchAnswer* answer = nullptr) {
  const uint64_t started = platform.clock->Milliseconds();
  auto stop = [&] {
    return platform.clock->Milliseconds() - started >= kDownloadDeadlineMs ||
           (request.cancelled && request.cancelled->load(std::memory_order_relaxed));
  };

  std::unique_ptr<InternetSession> session =
      platform.internet->OpenSession(platform.internet->AgentName(), kDownloadTimeouts);
  if (!session || stop()) return false;
  std::unique_ptr<InternetResource> resource = session->OpenAddress(canonical, request.headers);
  if (!resource) return false;
  if (answer) {
    answer->status = resource->StatusCode();
    answer->etag = resource->ResponseHeader("ETag").value_or("");
    answer->last_modified = resource->ResponseHeader("Last-Modified").value_or("");
    // A body that answers our conditions has nothing to say.
    if (answer->status == 304 && !request.headers.empty()) return true;
  }
  const std::optional<uint64_t> announced = resource->AnnouncedLength();
  if (announced && *announced > size_limit) return false;
  if (stop()) return false;

  sink.Open();
  uint64_t received = 0;
  std::string piece;
  while (!stop()) {
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

namespace {

Fetched FetchUpdate(UpdateJob& job, const RequestHeaders& conditions) {
  TextSink text;
  FetchAnswer answer;
  Fetched fetched;
  if (!FetchBody(job.platform, job.address, kDownloadSizeLimit, text,
                 FetchRequest{conditions, &job.cancelled}, &answer))
    return fetched;
  fetched.kind = answer.status == 304 && !conditions.empty() ? Fetched::Kind::NotModified
                                                              : Fetched::Kind::Body;
  fetched.body = std::move(text.text);
  fetched.etag = std::move(answer.etag);
  fetched.last_modified = std::move(answer.last_modified);
  return fetched;
}

// The signature of the update. Where nothing may be shown, an address that
// has no canonical form is simply no signature.
std::optional<std::string> FetchSignature(UpdateJob& job) {
  const std::string address = UpdateBaseInForce(job.config) + kUpdateFile + kSignatureSuffix;
  std::string canonical;
  if (job.platform.ui) {
    canonical = CanonicalizeUrl(job.platform, address);
  } else if (job.platform.internet->Canonicalize(address, canonical) != 0) {
    return std::nullopt;
  }
  if (!IsPlausibleURL(canonical)) return std::nullopt;
  TextSink text;
  if (!FetchBody(job.platform, canonical, kSignatureSizeLimit, text,
                 FetchRequest{{}, &job.cancelled}))
    return std::nullopt;
  return std::move(text.text);
}

}  // namespace

bool DownloadFile(Platform& platform, const std::string& address, const std::string& destination) {
  const std::string canonical = CanonicalizeUrl(platform, address);
  if (!IsPlausibleURL(canonical)) return false;
  FileSink file(destination);
  const bool whole = FetchBody(platform, canonical, kDownloadSizeLimit, file);
  if (!file.Opened()) return false;
  file.Close(whole);
  return whole;
}

std::optional<std::string> DownloadText(Platform& platform, const std::string& address,
                                        uint64_t size_limit) {
  const std::string canonical = CanonicalizeUrl(platform, address);
  if (!IsPlausibleURL(canonical)) return std::nullopt;
  TextSink text;
  if (!FetchBody(platform, canonical, size_limit, text)) return std::nullopt;
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
