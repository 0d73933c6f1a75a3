#include "toolbar/completion.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <nlohmann/json.hpp>
#include <unordered_set>

#include "platform/code_pages.h"
#include "platform/internet.h"
#include "platform/text.h"

namespace pq {
namespace {

constexpr size_t kMaxRecent = 200;
constexpr size_t kReadPiece = 8 * 1024;
constexpr uint32_t kHttpOk = 200;

std::mutex recent_lock;
std::deque<std::string>& Recent() {
  static std::deque<std::string> recent;
  return recent;
}

// No control character and no line break of any kind: a NUL would cut the
// entry short in the system's controls, and a line break would split it in
// the history file.
bool IsOneLineOfText(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const char32_t c = NextCodePoint(text, at);
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) return false;
  }
  return true;
}

// The charset a Content-Type names ("text/javascript; charset=\"KOI8-R\""),
// or none.
// Charset names go in any case, and are given on in lower case.
std::string CharsetOf(std::string_view content_type) {
  const std::string lower = LowerCase(content_type);
  const size_t key = lower.find("charset=");
  if (key == std::string::npos) return {};
  std::string_view value = std::string_view(lower).substr(key + 8);
  value = value.substr(0, value.find(';'));
  while (!value.empty() && (value.front() == ' ' || value.front() == '"')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '"')) value.remove_suffix(1);
  return std::string(value);
}

}  // namespace

bool StartsWithText(std::string_view entry, std::string_view prefix) {
  size_t at_entry = 0, at_prefix = 0;
  while (at_prefix < prefix.size()) {
    if (at_entry >= entry.size()) return false;
    const char32_t wanted = FoldCodePoint(NextCodePoint(prefix, at_prefix));
    if (FoldCodePoint(NextCodePoint(entry, at_entry)) != wanted) return false;
  }
  return true;
}

TStringList HistoryMatches(const TStringList& history, const std::vector<std::string>& recent,
                           std::string_view typed, size_t limit) {
  TStringList matches;
  if (typed.empty() || limit == 0) return matches;
  std::unordered_set<uint64_t> taken_hashes;
  std::vector<std::string> taken;
  auto already = [&](std::string_view text) {
    if (!taken_hashes.count(FoldedHash(text))) return false;
    return std::any_of(taken.begin(), taken.end(),
                       [&](const std::string& seen) { return SameText(seen, text); });
  };
  auto take = [&](std::string_view text) {
    taken_hashes.insert(FoldedHash(text));
    taken.emplace_back(text);
    matches.Add(text);
  };
  // A recent search counts only while the history still holds it: one the
  // user removed stays removed.
  for (const std::string& search : recent) {
    if (static_cast<size_t>(matches.Count()) >= limit) return matches;
    if (!StartsWithText(search, typed) || already(search)) continue;
    for (int i = 0; i < history.Count(); ++i) {
      if (SameText(history[i], search)) {
        take(history[i]);
        break;
      }
    }
  }
  for (int i = 0; i < history.Count(); ++i) {
    if (static_cast<size_t>(matches.Count()) >= limit) break;
    if (StartsWithText(history[i], typed) && !already(history[i])) take(history[i]);
  }
  return matches;
}

std::optional<SuggestionAnswer> ParseSuggestions(std::string_view body) {
  // No exceptions: a body that is not JSON comes back discarded.
  const nlohmann::json answer = nlohmann::json::parse(body, nullptr, false);
  if (answer.is_discarded() || !answer.is_array() || answer.size() < 2 || !answer[0].is_string() ||
      !answer[1].is_array())
    return std::nullopt;
  SuggestionAnswer parsed;
  parsed.query = answer[0].get<std::string>();
  for (const nlohmann::json& member : answer[1]) {
    if (parsed.suggestions.size() >= kMaxSuggestions) break;
    if (!member.is_string()) continue;
    const std::string& text = member.get_ref<const std::string&>();
    if (text.empty() || text.size() > kMaxSuggestionLength || !IsOneLineOfText(text)) continue;
    if (std::any_of(parsed.suggestions.begin(), parsed.suggestions.end(),
                    [&](const std::string& seen) { return SameText(seen, text); }))
      continue;
    parsed.suggestions.push_back(text);
  }
  return parsed;
}

TStringList CompletionEntries(const TStringList& matches,
                              const std::vector<std::string>& suggestions) {
  TStringList entries = matches;
  size_t added = 0;
  for (const std::string& suggestion : suggestions) {
    if (added >= kMaxSuggestions) break;
    bool shown = false;
    for (int i = 0; i < entries.Count() && !shown; ++i) shown = SameText(entries[i], suggestion);
    if (shown) continue;
    entries.Add(suggestion);
    ++added;
  }
  return entries;
}

std::optional<SuggestionAnswer> FetchSuggestions(Internet& internet, const std::string& address) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kSuggestionTimeoutMs);
  InternetTimeouts timeouts;
  timeouts.connect_ms = timeouts.send_ms = timeouts.receive_ms = kSuggestionTimeoutMs;
  std::unique_ptr<InternetSession> session = internet.OpenSession(internet.AgentName(), timeouts);
  if (!session) return std::nullopt;
  std::unique_ptr<InternetResource> resource = session->OpenAddress(address, {});
  if (!resource || resource->StatusCode() != kHttpOk) return std::nullopt;
  if (const auto announced = resource->AnnouncedLength(); announced && *announced > kMaxSuggestionBytes)
    return std::nullopt;
  std::string body, piece;
  for (;;) {
    if (Clock::now() > deadline) return std::nullopt;
    if (!resource->ReadPiece(kReadPiece, piece)) return std::nullopt;
    if (piece.empty()) break;
    if (body.size() + piece.size() > kMaxSuggestionBytes) return std::nullopt;
    body += piece;
  }
  // A service of an engine that takes another character set than UTF-8 may
  // answer in it, and says so.
  const std::string charset = CharsetOf(resource->ResponseHeader("Content-Type").value_or(""));
  if (!charset.empty()) {
    const unsigned code_page = SystemCodePages().CodePageNamed(charset);
    if (code_page != 0 && code_page != kCodePageUtf8)
      body = SystemCodePages().ToUtf8(body, code_page);
  }
  return ParseSuggestions(body);
}

void NoteRecentSearch(std::string_view text) {
  if (text.empty()) return;
  std::lock_guard<std::mutex> lock(recent_lock);
  std::deque<std::string>& recent = Recent();
  const auto same = std::find_if(recent.begin(), recent.end(),
                                 [&](const std::string& seen) { return SameText(seen, text); });
  if (same != recent.end()) recent.erase(same);
  recent.emplace_front(text);
  if (recent.size() > kMaxRecent) recent.pop_back();
}

std::vector<std::string> RecentSearches() {
  std::lock_guard<std::mutex> lock(recent_lock);
  return {Recent().begin(), Recent().end()};
}

void SuggestionMailbox::Deliver(SuggestionReply reply) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Only the newest reply matters; an older one still waiting is dropped.
    waiting_ = std::move(reply);
  }
  if (wake_) wake_();
}

std::optional<SuggestionReply> SuggestionMailbox::Take() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::optional<SuggestionReply> taken = std::move(waiting_);
  waiting_.reset();
  return taken;
}

}  // namespace pq
