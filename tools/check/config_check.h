#pragma once
// The publisher's check of a toolbar configuration: the file is read and the
// toolbar built the way the DLL does it, with the core's own code, and every
// problem a user would meet, or that would silently hide something, is
// reported with the line it stands on.
#include <string>
#include <vector>

namespace pq {
class Internet;
class SignatureVerifier;
}

namespace pq::check {

enum class Severity { Error, Warning, Note };

struct Finding {
  std::string file;  // empty: the configuration; else a file beside it
  int line = 0;      // 0: the file as a whole
  Severity severity = Severity::Note;
  std::string code;  // a short, stable name of the kind of problem
  std::string message;
};

struct CheckOptions {
  // Canonical forms of addresses and the update download. Without one the
  // update address is tested as written and nothing is fetched.
  Internet* internet = nullptr;
  // Whether internet->Canonicalize is the system's own, as the DLL uses it.
  bool system_canonical_forms = false;
  // Fetch the configuration the update address serves.
  bool online = false;
  // Checks the served signature with the "Update Key"; without one only its
  // form is checked.
  SignatureVerifier* verifier = nullptr;
};

struct CheckResult {
  std::vector<Finding> findings;  // in line order; file-wide ones first
  std::string tree;               // the toolbar's items as they will show, one per line
  std::string toolbar_name;       // [Options] "Toolbar Name" as the toolbar reads it
  std::string company_name;       // [Options] "Company Name", its default when absent
  std::string config_version;     // [Options] "Config Version" as a number; empty: none
  std::string banner_animation;   // [Options] "Banner Animation"; empty: none
  int Count(Severity severity) const;
};

// The configuration's banner and notice file are looked for beside it, under
// the names the toolbar gives them.
CheckResult CheckConfiguration(const std::string& config_path, const CheckOptions& options);

// "1 error, 2 warnings, 0 notes".
std::string CountsLine(const CheckResult& result);
// 1 with errors, and with warnings too when `strict` (a publisher's CI); else 0.
int ExitStatus(const CheckResult& result, bool strict);

// The code page in which a terminal of this locale character set
// (nl_langinfo(CODESET)) shows text; UTF-8 where the locale names none of its
// own (the C locale's ASCII) or one the system does not know.
unsigned TerminalCodePage(const char* codeset);
// UTF-8 text as such a terminal shows it: characters it cannot hold as "?".
std::string ForTerminal(const std::string& text, unsigned code_page);

// "FILE:LINE: severity: message [code]", or without the line for the file as a whole.
std::string FormatFinding(const std::string& file_label, const Finding& finding);
const char* SeverityName(Severity severity);

// The number of images in the toolbar's image list.
inline constexpr int kImageCount = 144;

// The keys the toolbar reads, as the check knows them: of [Options], and of an
// item's section ("Count" only in [miSearch]).
const std::vector<std::string>& OptionKeys();
const std::vector<std::string>& ItemKeys();

}  // namespace pq::check
