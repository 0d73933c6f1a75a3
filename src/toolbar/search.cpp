// The search box and the search button: what turns a query into an address,
// the choice of a search type, and the search box's editing commands.
#include "config/toolbar_config.h"
#include "nav/navigation.h"
#include "platform/text.h"
#include "platform/user_interface.h"
#include "toolbar/toolbar_form.h"

namespace pq {
namespace {

// As an address folded to lower case shows the placeholder.
constexpr char kPlaceholder[] = "[search]";
constexpr size_t kPlaceholderLength = sizeof kPlaceholder - 1;
constexpr char kEnter = '\r';

}  // namespace

size_t FindSearchPlaceholder(const std::string& url) { return LowerCase(url).find(kPlaceholder); }

namespace {

// The query as it goes into an address. In the query part of an address the
// characters that would end the value or change its meaning are escaped, so
// that "C++", "AT&T", "50%" or "#1" are searched for as typed; elsewhere only
// blanks change. Control characters are escaped wherever the query goes: a
// browser drops tabs and line breaks from an address, and a pasted query may
// hold them.
std::string EncodeQuery(const std::string& query, bool in_query_part) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(query.size());
  for (char c : query) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == ' ') {
      encoded += '+';
    } else if (byte < 0x20 || byte == 0x7F ||
               (in_query_part && (c == '%' || c == '&' || c == '+' || c == '#'))) {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

}  // namespace

void TToolbarForm::RunSearch(const std::string& template_url, const std::string& query) {
  const std::string& url_template = template_url.empty() ? ToolbarConfig.SearchUrl : template_url;
  const size_t placeholder = FindSearchPlaceholder(url_template);
  const size_t question = url_template.find('?');
  const bool in_query_part =
      question != std::string::npos && (placeholder == std::string::npos || question < placeholder);
  std::string value;
  if (!query.empty()) {
    value = EncodeQuery(query, in_query_part);
    AddToHistory();
  }
  std::string url = url_template;
  if (placeholder == std::string::npos)
    url += value;
  else
    url.replace(placeholder, kPlaceholderLength, value);
  NavigateTo(platform_, HostBrowser, SeparateBrowser, url);
}

void TToolbarForm::SelectSearchType(TTBCustomItem& item) {
  TakeSearchType(item);
  view_.ItemChanged(*SearchItem);
}

void TToolbarForm::TakeSearchType(const TTBCustomItem& item) {
  current_search_url_ = item.Hint;
  SearchItem->Caption = item.Caption;
  SearchItem->ImageIndex = item.ImageIndex;
  SearchItem->Tag = item.Tag;
}

void TToolbarForm::MISearchClick(TComponent&) {
  RunSearch(current_search_url_, view_.SearchText());
}

void TToolbarForm::SearchBoxKeyPress(char& key) {
  if (key != kEnter) return;
  // The box never sees the Enter, also when the search fails.
  key = 0;
  Guarded([&] { RunSearch(current_search_url_, view_.SearchText()); });
}

void TToolbarForm::miCutClick(TComponent&) {
  platform_.ui->SetClipboardText(view_.SearchText());
  view_.SetSearchText("");
}

void TToolbarForm::miCopyClick(TComponent&) {
  platform_.ui->SetClipboardText(view_.SearchSelection());
}

void TToolbarForm::miPasteClick(TComponent&) {
  if (const auto text = platform_.ui->ClipboardText()) view_.SetSearchText(*text);
}

void TToolbarForm::miDeleteClick(TComponent&) { view_.SetSearchText(""); }

void TToolbarForm::miSelectAllClick(TComponent&) { view_.SelectAllSearchText(); }

}  // namespace pq
