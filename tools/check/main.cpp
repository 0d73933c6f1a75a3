// pqcheck: checks a toolbar configuration the way the toolbar reads it.
//   pqcheck [--online] [--strict] CONFIG.ini  findings and the item tree; exit 1 on
//                                             errors, with --strict on warnings too
//   pqcheck --toolbar-name CONFIG.ini  the toolbar's name as the toolbar reads it
//   pqcheck --installer-values CONFIG.ini  "Toolbar Name=", "Company Name=",
//                                      "Config Version=" and "Banner Animation=" lines,
//                                      as the toolbar reads them
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
#include "win32/win32_signature_verifier.h"
#include "win32/win32_system.h"
#else
#include <langinfo.h>

#include <clocale>

#include "check/curl_internet.h"
#include "check/openssl_verifier.h"
#endif

namespace {

constexpr char kUsage[] =
    "usage: pqcheck [--online] [--strict] CONFIG.ini\n"
    "       pqcheck --toolbar-name CONFIG.ini\n"
    "       pqcheck --installer-values CONFIG.ini\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pq::check;
  bool online = false, name_only = false, strict = false, installer_values = false;
  std::string config;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--online") == 0) {
      online = true;
    } else if (std::strcmp(argv[i], "--strict") == 0) {
      strict = true;
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
  if (config.empty() || ((online || strict) && (name_only || installer_values)) ||
      name_only + installer_values > 1)
    return Usage();

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
  pq::win32::Win32SignatureVerifier verifier;
  options.verifier = &verifier;
#else
  OpenSslVerifier verifier;
  options.verifier = &verifier;
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
    std::printf("Toolbar Name=%s\nCompany Name=%s\nConfig Version=%s\nBanner Animation=%s\n",
                result.toolbar_name.c_str(), result.company_name.c_str(),
                result.config_version.c_str(), result.banner_animation.c_str());
    return 0;
  }
  // The report is UTF-8, whatever the file's encoding; a terminal of another
  // character set gets it in that one.
#ifdef _WIN32
  const unsigned terminal = pq::kCodePageUtf8;
#else
  std::setlocale(LC_CTYPE, "");
  const unsigned terminal = TerminalCodePage(nl_langinfo(CODESET));
#endif
  std::string report;
  if (!result.tree.empty()) report += result.tree + "\n";
  for (const Finding& finding : result.findings) report += FormatFinding(config, finding) + "\n";
  report += (result.findings.empty() ? "" : "\n") + CountsLine(result) + "\n";
  std::fputs(ForTerminal(report, terminal).c_str(), stdout);
  return ExitStatus(result, strict);
}
