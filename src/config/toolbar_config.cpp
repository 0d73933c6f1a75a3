#include "config/toolbar_config.h"

#include <exception>
#include <fstream>
#include <utility>

#include "config/band_identity.h"
#include "config/big_ini_file.h"
#include "config/registry_store.h"
#include "config/update_signature.h"
#include "platform/clock.h"
#include "platform/date_time.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/system_messages.h"
#include "platform/user_interface.h"

namespace pq {

ToolbarConfigRecord ToolbarConfig;

namespace {

constexpr char kOptions[] = "Options";
constexpr char kUpdateKey[] = "Update Key";
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
bool NamesToolbar(const std::string& path) {
  TBigIniFile ini(path);
  return !ini.ReadString(kOptions, "Toolbar Name", "").empty();
}

// The key updates are checked with: the installed configuration's own, so
// that an update signed with it may name the key of the next one; when no
// configuration is installed, the one the toolbar started with.
std::string KeyInForce() {
  TBigIniFile ini(ConfigFilePath());
  if (!ini.ReadString(kOptions, "Toolbar Name", "").empty())
    return ini.ReadString(kOptions, kUpdateKey, "");
  return ToolbarConfig.UpdateKey;
}

// Whether a downloaded configuration may be installed: always while no key is
// in force, else only with a signature that the key verifies. What is
// refused stays under the download name, like any invalid download.
bool MayInstall(Platform& platform, const std::string& downloaded) {
  const std::string key = KeyInForce();
  if (!RequiresSignature(key)) return true;
  std::string update;
  if (!Files().ReadAll(downloaded, update)) return false;
  const std::optional<std::string> signature = DownloadText(
      platform, ToolbarConfig.UpdatesUrl + kUpdateFile + kSignatureSuffix, kSignatureSizeLimit);
  return JudgeUpdate(platform.verifier, key, update, signature) == UpdateTrust::Signed;
}

// Puts the downloaded file in force. The installed file keeps serving until the
// new one takes its name in one step, so no failure leaves the toolbar without a
// configuration; the backup receives a copy of what is replaced.
bool InstallDownloadedConfig(const std::string& downloaded) {
  FileSystem& files = Files();
  const std::string installed = ConfigFilePath();
  const std::string backup = BackupConfigFilePath();
  if (files.Exists(backup)) (void)files.Remove(backup);
  (void)files.Copy(installed, backup);  // nothing to copy before the first install
  return files.Replace(downloaded, installed);
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

void LoadToolbarConfig(Platform& platform) {
  // Filled aside and put in force whole: a load that fails part way leaves the
  // record as it was.
  ToolbarConfigRecord loaded;
  loaded.BandClassId = kBandClassId;
  loaded.BandKeyPath = std::string(kExplorerBarsKey) + "\\" + loaded.BandClassId;

  loaded.InstallPath = RegistryText(platform, loaded.BandKeyPath, "InstallPath");
  loaded.ToolbarName = RegistryText(platform, loaded.BandKeyPath, "Toolbar Name");
  loaded.ToolbarFile = RegistryText(platform, loaded.BandKeyPath, "Toolbar File");

  {
    TBigIniFile ini(SideFile(loaded, ".ini"));
    loaded.CompanyName = ini.ReadString(kOptions, "Company Name", kDefaultCompanyName);
    loaded.HomePageUrl = ini.ReadString(kOptions, "Home Page URL", kDefaultHomePageUrl);
    loaded.ContactEmail = ini.ReadString(kOptions, "Contact E-Mail", kDefaultContactEmail);
    loaded.FlashUrl = ini.ReadString(kOptions, "Flash URL", "");
    loaded.SearchUrl = ini.ReadString(kOptions, "Search URL", kDefaultSearchUrl);
    loaded.UpdatesUrl = ini.ReadString(kOptions, "Updates URL", "");
    loaded.UpdateKey = ini.ReadString(kOptions, kUpdateKey, "");
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

  bool result = false;
  std::exception_ptr failure;
  try {
    const std::string downloaded = DownloadedConfigFilePath();
    if (Files().Exists(downloaded)) (void)Files().Remove(downloaded);
    // A download that is not a toolbar configuration (an error page, a wrong
    // file) stays under the download name until the next update removes it.
    if (DownloadFile(platform, ToolbarConfig.UpdatesUrl + kUpdateFile, downloaded) &&
        NamesToolbar(downloaded) && MayInstall(platform, downloaded))
      result = InstallDownloadedConfig(downloaded);
  } catch (...) {
    failure = std::current_exception();
  }
  // An update that did not happen leaves the installed configuration in force.
  if (!result) result = NamesToolbar(ConfigFilePath());
  if (failure) std::rethrow_exception(failure);
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
