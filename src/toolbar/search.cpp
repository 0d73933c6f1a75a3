// The search box and the search button: what turns a query into an address,
// the choice of a search type, and the search box's editing commands.
#include "config/toolbar_config.h"
#include "nav/navigation.h"
#include "platform/code_pages.h"
#include "platform/text.h"
#include "platform/user_interface.h"
#include "toolbar/toolbar_form.h"

namespace pq {
namespace {

// The placeholder in lower case; its letters match in either case.
constexpr char kPlaceholder[] = "[search]";
constexpr size_t kPlaceholderLength = sizeof kPlaceholder - 1;
constexpr char kEnter = '\r';

}  // namespace

// ASCII letters alone fold here: folding the whole address would move the
// placeholder where a character's folded form is shorter ("\u017F" to "s").
size_t FindSearchPlaceholder(const std::string& url) {
  for (size_t at = 0; at + kPlaceholderLength <= url.size(); ++at) {
    size_t i = 0;
    while (i < kPlaceholderLength) {
      char c = url[at + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != kPlaceholder[i]) break;
      ++i;
    }
    if (i == kPlaceholderLength) return at;
  }
  return std::string::npos;
}

// A form that names UTF-16, UTF-32 or UTF-7 goes as UTF-8 from a browser too.
unsigned SearchCodePage(const std::string& encoding) {
  if (encoding.empty()) return kCodePageUtf8;
  const unsigned code_page = SystemCodePages().CodePageNamed(encoding);
  switch (code_page) {
    case 0:
    case 1200:
    case 1201:
    case 12000:
    case 12001:
    case 65000:
      return kCodePageUtf8;
    default:
      return code_page;
  }
}

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, char c) {
  const auto byte = static_cast<unsigned char>(c);
  out += '%';
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

// The query as it goes into an address. In the query part of an address the
// characters that would end the value or change its meaning are escaped, so
// that "C++", "AT&T", "50%" or "#1" are searched for as typed; elsewhere only
// blanks change. Control characters are escaped wherever the query goes: a
// browser drops tabs and line breaks from an address, and a pasted query may
// hold them.
//
// Characters beyond ASCII go as the bytes of their UTF-8 form, each escaped;
// in the query part, for an engine that expects another code page, as the
// bytes of that code page, and a character it cannot hold as "&#N;" escaped
// in turn, which is what a browser's form sends. Paths are UTF-8 whatever the
// engine, as browsers send them. A byte that is no part of UTF-8 is escaped
// as itself, so that nothing typed is lost.
std::string EncodeQuery(const std::string& query, bool in_query_part, unsigned code_page) {
  CodePages* code_pages =
      in_query_part && code_page != kCodePageUtf8 ? &SystemCodePages() : nullptr;
  std::string encoded;
  encoded.reserve(query.size());
  size_t at = 0;
  while (at < query.size()) {
    const size_t start = at;
    const char c = query[at];
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      ++at;
      if (c == ' ')
        encoded += '+';
      else if (byte < 0x20 || byte == 0x7F ||
               (in_query_part && (c == '%' || c == '&' || c == '+' || c == '#')))
        AppendEscaped(encoded, c);
      else
        encoded += c;
      continue;
    }
    const char32_t code_point = NextCodePoint(query, at);
    const std::string_view character(query.data() + start, at - start);
    if (code_point >= kInvalidByteBase || !code_pages) {
      for (char part : character) AppendEscaped(encoded, part);
    } else if (const auto bytes = code_pages->FromUtf8(character, code_page)) {
      for (char part : *bytes) AppendEscaped(encoded, part);
    } else {
      encoded += "%26%23" + std::to_string(static_cast<uint32_t>(code_point)) + "%3B";
    }
  }
  return encoded;
}

}  // namespace

std::string SearchAddress(const std::string& url_template, const std::string& query,
                          unsigned code_page) {
  const size_t placeholder = FindSearchPlaceholder(url_template);
  const size_t question = url_template.find('?');
  const bool in_query_part =
      question != std::string::npos && (placeholder == std::string::npos || question < placeholder);
  const std::string value = query.empty() ? std::string() : EncodeQuery(query, in_query_part, code_page);
  std::string url = url_template;
  if (placeholder == std::string::npos)
    url += value;
  else
    url.replace(placeholder, kPlaceholderLength, value);
  return url;
}

void TToolbarForm::RunSearch(const std::string& template_url, const std::string& query,
                             const std::string& encoding) {
  const std::string& url_template = template_url.empty() ? ToolbarConfig.SearchUrl : template_url;
  // "Search URL" has no encoding of its own: it is UTF-8, also where a search
  // type without an address of its own falls back on it.
  const unsigned code_page = template_url.empty() ? kCodePageUtf8 : SearchCodePage(encoding);
  // The search ends the typing: no list of completions stays open over the
  // page, and no late suggestion opens one again.
  view_.StopSuggestionTimer();
  suggestion_wanted_ = false;
  EndCompletion();
  const std::string url = SearchAddress(url_template, query, code_page);
  if (!query.empty()) AddToHistory();
  NavigateTo(platform_, HostBrowser, SeparateBrowser, url);
}

void TToolbarForm::SelectSearchType(TTBCustomItem& item) {
  TakeSearchType(item);
  view_.ItemChanged(*SearchItem);
}

void TToolbarForm::TakeSearchType(const TTBCustomItem& item) {
  // What the service of the type left still answers is not this type's.
  ++suggestion_request_;
  completion_.suggestions.clear();
  current_search_url_ = item.Hint;
  current_search_encoding_ = item.Encoding;
  // A search type that searches with "Search URL" suggests with the
  // [Options] service too, in its encoding.
  if (item.Hint.empty()) {
    current_suggest_url_ = ToolbarConfig.SuggestUrl;
    current_suggest_code_page_ = kCodePageUtf8;
  } else {
    current_suggest_url_ = item.SuggestUrl;
    current_suggest_code_page_ = SearchCodePage(item.Encoding);
  }
  SearchItem->Caption = item.Caption;
  SearchItem->ImageIndex = item.ImageIndex;
  SearchItem->Tag = item.Tag;
}

void TToolbarForm::MISearchClick(TComponent&) {
  RunSearch(current_search_url_, view_.SearchText(), current_search_encoding_);
}

void TToolbarForm::SearchBoxKeyPress(char& key) {
  if (key != kEnter) return;
  // The box never sees the Enter, also when the search fails.
  key = 0;
  Guarded([&] { RunSearch(current_search_url_, view_.SearchText(), current_search_encoding_); });
}

void TToolbarForm::miCutClick(TComponent&) {
  platform_.ui->SetClipboardText(view_.SearchText());
  view_.SetSearchText("");
}

void TToolbarForm::miCopyClick(TComponent&) {
  platform_.ui->SetClipboardText(view_.SearchSelection());
}

void TToolbarForm::miPasteClick(TComponent&) {
  // The box holds one line, as its own paste keeps it: what follows the first
  // line break is left out.
  if (const auto text = platform_.ui->ClipboardText())
    view_.SetSearchText(text->substr(0, text->find_first_of("\r\n")));
}

void TToolbarForm::miDeleteClick(TComponent&) { view_.SetSearchText(""); }

void TToolbarForm::miSelectAllClick(TComponent&) { view_.SelectAllSearchText(); }

}  // namespace pq
