// A suggestion service's answer, which comes from the network: any bytes.
// The parse must never fail otherwise than by giving no answer, and what it
// gives must be fit for the search box's list: at most eight suggestions,
// each well-formed UTF-8, not empty, not overlong, on one line, no two alike
// without regard to case; and shown below history matches, none twice.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/text.h"
#include "toolbar/completion.h"

using pq::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  const auto answer = pq::ParseSuggestions(body);
  if (!answer) return 0;
  Check(pq::IsValidUtf8(answer->query), "the query is UTF-8");
  Check(answer->suggestions.size() <= pq::kMaxSuggestions, "at most eight suggestions");
  for (size_t i = 0; i < answer->suggestions.size(); ++i) {
    const std::string& suggestion = answer->suggestions[i];
    Check(!suggestion.empty(), "no empty suggestion");
    Check(suggestion.size() <= pq::kMaxSuggestionLength, "no overlong suggestion");
    Check(suggestion.find_first_of("\r\n") == std::string::npos, "one line each");
    Check(pq::IsValidUtf8(suggestion), "each is UTF-8");
    for (size_t j = 0; j < i; ++j)
      Check(!pq::SameText(answer->suggestions[j], suggestion), "no two alike");
  }
  pq::TStringList matches;
  if (!answer->suggestions.empty()) matches.Add(answer->suggestions.front());
  const pq::TStringList shown = pq::CompletionEntries(matches, answer->suggestions);
  Check(shown.Count() == static_cast<int>(answer->suggestions.size()),
        "a suggestion already matched shows once");
  return 0;
}
