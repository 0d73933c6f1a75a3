// pqcheck: checks a toolbar configuration the way the toolbar reads it.
//   pqcheck [--online] CONFIG.ini      findings and the item tree; exit 1 on errors
//   pqcheck --toolbar-name CONFIG.ini  the toolbar's name as the toolbar reads it
//   pqcheck --installer-values CONFIG.ini  "Toolbar Name=", "Company Name=" and
//                                      "Config Version=" lines, as the toolbar reads them
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "check/config_check.h"
#include "platform/error.h"
#include "platform/file_system.h"

#ifdef _WIN32
#include "win32/win32_code_pages.h"
#include "win32/win32_internet.h"
#include "win32/win32_system.h"
#else
#include "check/curl_internet.h"
#endif

namespace {

constexpr char kUsage[] =
    "usage: pqcheck [--online] CONFIG.ini\n"
    "       pqcheck --toolbar-name CONFIG.ini\n"
    "       pqcheck --installer-values CONFIG.ini\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pq::check;
  bool online = false, name_only = false, installer_values = false;
  std::string config;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--online") == 0) {
      online = true;
    } else if (std::strcmp(argv[i], "--toolbar-name") == 0) {
      name_only = true;
    } else if (std::strcmp(argv[i], "--installer-values") == 0) {
      installer_values = true;
    } else if (argv[i][0] == '-' || !config.empty()) {
      return Usage();
    } else {
      config = argv[i];
    }
  }
  if (config.empty() || online + name_only + installer_values > 1) return Usage();

  CheckOptions options;
  options.online = online;
#ifdef _WIN32
  // The DLL's own file system and Internet: canonical forms as it makes them.
  static pq::win32::Win32FileSystem files;
  pq::InstallFileSystem(&files);
  static pq::win32::Win32CodePages code_pages;
  pq::InstallCodePages(&code_pages);
  pq::win32::Win32Internet internet;
  options.internet = &internet;
  options.system_canonical_forms = true;
#else
  std::unique_ptr<CurlInternet> internet;
  if (online) {
    internet = std::make_unique<CurlInternet>();
    options.internet = internet.get();
  }
#endif

  CheckResult result;
  try {
    result = CheckConfiguration(config, options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "pqcheck: %s\n", error.what());
    return 2;
  }
  if (name_only) {
    if (result.toolbar_name.empty()) return 1;
    std::printf("%s\n", result.toolbar_name.c_str());
    return 0;
  }
  if (installer_values) {
    if (result.toolbar_name.empty()) return 1;
    std::printf("Toolbar Name=%s\nCompany Name=%s\nConfig Version=%s\n",
                result.toolbar_name.c_str(), result.company_name.c_str(),
                result.config_version.c_str());
    return 0;
  }
  if (!result.tree.empty()) std::printf("%s\n", result.tree.c_str());
  for (const Finding& finding : result.findings)
    std::printf("%s\n", FormatFinding(config, finding).c_str());
  const int errors = result.Count(Severity::Error);
  std::printf("%s%d errors, %d warnings, %d notes\n", result.findings.empty() ? "" : "\n", errors,
              result.Count(Severity::Warning), result.Count(Severity::Note));
  return errors ? 1 : 0;
}
