// The suggestion services: "Suggest URL" in [Options] and in the items'
// sections, as addresses and, online, by what they answer.
#include <set>
#include <string>

#include "check/report.h"
#include "check/rules.h"
#include "platform/code_pages.h"
#include "toolbar/completion.h"
#include "toolbar/toolbar_form.h"

namespace pq::check {
namespace {

constexpr char kSuggestKey[] = "Suggest URL";
// What the check types into the box to ask a service.
constexpr char kSampleQuery[] = "a";

struct Service {
  std::string section;
  std::string url;
};

std::vector<Service> Services(const IniScan& scan, const std::vector<Entry>& entries) {
  std::vector<Service> services;
  std::set<std::string> seen;
  auto add = [&](const std::string& section) {
    if (!seen.insert(LowerCase(section)).second) return;
    const std::optional<std::string> url = scan.Value(section, kSuggestKey);
    if (url && !IsBlankText(*url)) services.push_back({section, *url});
  };
  add(kOptions);
  for (const Entry& entry : entries) add(entry.key);
  return services;
}

}  // namespace

void CheckSuggestionServices(const IniScan& scan, const std::vector<Entry>& entries,
                             Findings& findings) {
  for (const Service& service : Services(scan, entries)) {
    if (!HasPlaceholder(service.url))
      findings.Add(Severity::Warning, scan.PlaceOf(service.section, kSuggestKey),
                   "suggest-placeholder",
                   "the suggestion address " + Quoted(service.url) +
                       " has no \"[SEARCH]\": the typed text is appended to its end");
    CheckAddress(scan, service.section, kSuggestKey, service.url, findings);
  }
}

void CheckSuggestionsOnline(const IniScan& scan, const std::vector<Entry>& entries,
                            Internet& internet, Findings& findings) {
  for (const Service& service : Services(scan, entries)) {
    const std::string address = SearchAddress(service.url, kSampleQuery, kCodePageUtf8);
    const int line = scan.PlaceOf(service.section, kSuggestKey);
    const std::optional<SuggestionAnswer> answer = FetchSuggestions(internet, address);
    if (!answer) {
      findings.Add(Severity::Warning, line, "suggest-invalid",
                   Quoted(address) +
                       " gave no answer of the form [\"query\", [\"suggestion\", ...]] within " +
                       std::to_string(kSuggestionTimeoutMs / 1000) + " s and " +
                       std::to_string(kMaxSuggestionBytes >> 10) +
                       " KiB: the toolbar shows no suggestions from it");
    } else {
      findings.Add(Severity::Note, line, "suggest-ok",
                   Quoted(address) + " answers with " +
                       std::to_string(answer->suggestions.size()) + " suggestion(s)");
    }
  }
}

}  // namespace pq::check
