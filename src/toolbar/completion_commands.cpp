// The search box's list while the user types: the history's matches and the
// suggestion service's answers, the keys that move through them, and the
// requests for suggestions, made in the background one at a time.
#include <utility>

#include "platform/background.h"
#include "platform/text.h"
#include "toolbar/completion.h"
#include "toolbar/toolbar_form.h"

namespace pq {

void TToolbarForm::SearchTextChanged() {
  Guarded([&] {
    const std::string text = view_.SearchText();
    completion_.typed = text;
    completion_.chosen = -1;
    completion_.suggestions.clear();
    if (text.empty()) {
      view_.StopSuggestionTimer();
      suggestion_wanted_ = false;
      EndCompletion();
      return;
    }
    completion_.active = true;
    completion_.matches = HistoryMatches(search_list_, RecentSearches(), text);
    ShowCompletion();
    if (MaySuggest(text))
      view_.StartSuggestionTimer(kSuggestionDelayMs);
    else
      view_.StopSuggestionTimer();
  });
}

bool TToolbarForm::SearchBoxNavigate(SearchKey key) {
  if (!completion_.shown) return false;
  bool taken = true;
  Guarded([&] {
    const int count = completion_.entries.Count();
    int& chosen = completion_.chosen;
    switch (key) {
      case SearchKey::Down:
        if (chosen + 1 < count) ++chosen;
        break;
      case SearchKey::Up:
        // Above the first entry the typed text comes back.
        if (chosen >= 0) --chosen;
        break;
      case SearchKey::Escape:
        chosen = -1;
        view_.ChooseCompletionEntry(-1, completion_.typed);
        EndCompletion();
        return;
    }
    view_.ChooseCompletionEntry(
        chosen, chosen >= 0 ? std::string(completion_.entries[chosen]) : completion_.typed);
  });
  return taken;
}

void TToolbarForm::SearchListDropping() {
  // The list is opening already: it only needs the whole history back.
  Guarded([&] { EndCompletion(false); });
}

void TToolbarForm::SearchListClosed() {
  Guarded([&] { EndCompletion(false); });
}

void TToolbarForm::SearchBoxExit() {
  Guarded([&] {
    view_.StopSuggestionTimer();
    suggestion_wanted_ = false;
    EndCompletion();
  });
}

void TToolbarForm::ShowCompletion() {
  completion_.entries = CompletionEntries(completion_.matches, completion_.suggestions);
  if (completion_.entries.Empty()) {
    HideCompletionList(true);
    return;
  }
  completion_.shown = true;
  completion_.chosen = -1;
  view_.ShowCompletionList(completion_.entries);
}

void TToolbarForm::EndCompletion(bool close) {
  completion_.active = false;
  HideCompletionList(close);
}

void TToolbarForm::HideCompletionList(bool close) {
  if (!completion_.shown) return;
  // Marked first: closing the list reports its closing back to the window.
  completion_.shown = false;
  completion_.chosen = -1;
  completion_.entries = TStringList();
  if (close) view_.CloseSearchList();
  view_.ShowSearchList(search_list_);
}

bool TToolbarForm::MaySuggest(const std::string& text) const {
  return permissions_.suggest && !text.empty() && current_suggest_url_.find_first_not_of(" \t") != std::string::npos;
}

void TToolbarForm::SuggestionTimer() {
  Guarded([&] {
    if (suggestion_running_) {
      // One request at a time: the newest text is asked for once it ends.
      suggestion_wanted_ = true;
      return;
    }
    StartSuggestionRequest();
  });
}

void TToolbarForm::StartSuggestionRequest() {
  suggestion_wanted_ = false;
  const std::string text = view_.SearchText();
  // The list shows completions of the typed text alone: after an entry was
  // chosen with the keys the box holds that entry, not something typed.
  if (!completion_.active || text != completion_.typed || !MaySuggest(text) ||
      !platform_.internet)
    return;
  const uint64_t request = ++suggestion_request_;
  const std::string address = SearchAddress(current_suggest_url_, text, current_suggest_code_page_);
  Internet* internet = platform_.internet;
  std::shared_ptr<SuggestionMailbox> mailbox = mailbox_;
  auto work = [internet, address, text, request, mailbox] {
    SuggestionReply reply;
    reply.request = request;
    reply.query = text;
    try {
      if (auto answer = FetchSuggestions(*internet, address))
        reply.suggestions = std::move(answer->suggestions);
    } catch (...) {
      // A failed request suggests nothing; the reply still ends it.
    }
    mailbox->Deliver(std::move(reply));
  };
  suggestion_running_ = true;
  if (!platform_.background || !platform_.background->Start(work)) {
    // Never on the window's thread: without a thread there are no suggestions.
    suggestion_running_ = false;
  }
}

void TToolbarForm::SuggestionsArrived() {
  Guarded([&] {
    std::optional<SuggestionReply> reply = mailbox_->Take();
    if (!reply) return;
    suggestion_running_ = false;
    // Only the answer to the newest request for the text still in the box
    // counts; the list may have closed meanwhile, or the user typed on.
    if (reply->request == suggestion_request_ && completion_.active &&
        reply->query == completion_.typed && reply->query == view_.SearchText() &&
        completion_.chosen < 0) {
      completion_.suggestions = std::move(reply->suggestions);
      if (!completion_.suggestions.empty()) ShowCompletion();
    }
    if (suggestion_wanted_) StartSuggestionRequest();
  });
}

}  // namespace pq
