#pragma once
// What the search box's drop-down list offers while the user types: the
// history entries that start with the typed text, most recent first, and
// below them what the search type's suggestion service proposes.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/string_list.h"

namespace pq {

class Internet;

inline constexpr size_t kMaxHistoryMatches = 50;
inline constexpr size_t kMaxSuggestions = 8;
// The pause in typing after which suggestions are asked for.
inline constexpr uint32_t kSuggestionDelayMs = 150;
// An answer larger or slower than this is dropped: it is untrusted, and a
// suggestion that comes late is of no use.
inline constexpr size_t kMaxSuggestionBytes = 64 * 1024;
inline constexpr uint32_t kSuggestionTimeoutMs = 3000;
// A suggestion longer than this is no query anyone typed.
inline constexpr size_t kMaxSuggestionLength = 512;

// Whether `entry` starts with `prefix`, letters compared without regard to
// case as the history's sort compares them.
bool StartsWithText(std::string_view entry, std::string_view prefix);

// The history entries that start with `typed`: first those among `recent`
// (most recent first), then the others in the history's order; each once,
// at most `limit`.
TStringList HistoryMatches(const TStringList& history, const std::vector<std::string>& recent,
                           std::string_view typed, size_t limit = kMaxHistoryMatches);

// A suggestion service's answer: ["query", ["suggestion", ...], ...].
struct SuggestionAnswer {
  std::string query;
  std::vector<std::string> suggestions;
};
// The answer read from a body; none unless the body is that JSON array with
// a string and an array of strings first. Members that are no text, empty,
// too long or repeated are left out, and the rest are cut to kMaxSuggestions.
std::optional<SuggestionAnswer> ParseSuggestions(std::string_view body);

// The list shown: the history matches, then the suggestions none of them
// already shows.
TStringList CompletionEntries(const TStringList& matches,
                              const std::vector<std::string>& suggestions);

// Asks the service at `address` for its answer, within the size and time
// caps; none when it fails or answers in another form.
std::optional<SuggestionAnswer> FetchSuggestions(Internet& internet, const std::string& address);

// Searches sent in this process, most recent first, for the order of the
// history matches: the history file itself is kept sorted.
void NoteRecentSearch(std::string_view text);
std::vector<std::string> RecentSearches();

// The reply of one request, as it comes back from the background.
struct SuggestionReply {
  uint64_t request = 0;
  std::string query;  // what the box showed when it was asked
  std::vector<std::string> suggestions;
};

// Where the background puts a reply for the window's thread to take. The
// worker and the window each hold it: whichever goes last frees it, and a
// reply for a window that is gone is freed unseen.
class SuggestionMailbox {
 public:
  // `wake` tells the window's thread that a reply waits; it is called on the
  // worker's thread and must be safe there after the window has gone.
  explicit SuggestionMailbox(std::function<void()> wake) : wake_(std::move(wake)) {}
  void Deliver(SuggestionReply reply);
  std::optional<SuggestionReply> Take();

 private:
  std::mutex mutex_;
  std::optional<SuggestionReply> waiting_;
  std::function<void()> wake_;
};

}  // namespace pq
