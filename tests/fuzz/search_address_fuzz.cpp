// The address a search opens, from any template (a configured search type's
// address, which an update may replace) and any query (what the user typed
// or pasted). Input: the template, a line feed, the query. The query must
// land in the template's placeholder, or at its end, and never bring a blank,
// a control character or a byte beyond ASCII into the address; in the query
// part of an address it must decode to exactly what was typed. The same search
// for an engine that expects another code page brings none of these either,
// and gives the same address for a query of ASCII alone.
#include <memory>
#include <string>

#include "config/toolbar_config.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_toolbar_view.h"
#include "fuzz_support.h"
#include "toolbar/toolbar_form.h"

namespace {

using pq::fuzz::Check;

const std::string kSearchUrl = "http://find.example/s?q=[SEARCH]";
const std::string kPlaceholder = "[search]";

bool IsBlankOrControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= ' ' || byte == 0x7F;
}

bool HasBlankOrControl(std::string_view text) {
  for (char c : text)
    if (IsBlankOrControl(c)) return true;
  return false;
}

bool HasNonAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

// Where "[SEARCH]" first stands, its ASCII letters in any case.
size_t Placeholder(const std::string& url) {
  for (size_t at = 0; at + kPlaceholder.size() <= url.size(); ++at) {
    bool same = true;
    for (size_t i = 0; i < kPlaceholder.size() && same; ++i) {
      char c = url[at + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      same = c == kPlaceholder[i];
    }
    if (same) return at;
  }
  return std::string::npos;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A form value as a server reads it: "+" a blank, "%XX" a byte.
std::string FormDecoded(std::string_view value) {
  std::string text;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '+') {
      text += ' ';
    } else if (value[i] == '%' && i + 2 < value.size() && HexValue(value[i + 1]) >= 0 &&
               HexValue(value[i + 2]) >= 0) {
      text += static_cast<char>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
      i += 2;
    } else {
      text += value[i];
    }
  }
  return text;
}

// Whether every printable ASCII byte of `text` appears in `value`, in order
// (bytes beyond ASCII go escaped).
bool KeepsPrintables(std::string_view text, std::string_view value) {
  size_t at = 0;
  for (char c : text) {
    if (IsBlankOrControl(c) || static_cast<unsigned char>(c) >= 0x80) continue;
    at = value.find(c, at);
    if (at == std::string_view::npos) return false;
    ++at;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(pq::fuzz::AsText(data, size));
  const size_t split = input.find('\n');
  const std::string given = input.substr(0, split);
  const std::string query = split == std::string::npos ? std::string() : input.substr(split + 1);

  pq::ToolbarConfig.SearchUrl = kSearchUrl;
  pq::fakes::FakePlatform fakes;
  pq::fakes::FakeToolbarView view;
  pq::TToolbarForm form(fakes.platform, view);
  auto host = std::make_shared<pq::fakes::FakeHostBrowser>();
  form.HostBrowser = host;
  form.RunSearch(given, query);
  form.RunSearch(given, query, "windows-1251");

  Check(host->log.size() == 2, "each search opens one address");
  const std::string prefix = "navigate ";
  Check(host->log[0].compare(0, prefix.size(), prefix) == 0, "the address goes to the browser");
  const std::string url = host->log[0].substr(prefix.size());
  const std::string converted = host->log[1].substr(prefix.size());

  // The template as used: the configured one when none is given.
  const std::string& used = given.empty() ? kSearchUrl : given;
  const size_t placeholder = Placeholder(used);
  const std::string before = used.substr(0, placeholder);
  const std::string after =
      placeholder == std::string::npos ? std::string() : used.substr(placeholder + 8);
  Check(url.size() >= before.size() + after.size() && url.compare(0, before.size(), before) == 0 &&
            url.compare(url.size() - after.size(), after.size(), after) == 0,
        "the query replaces the first placeholder, or follows the template");
  const std::string value = url.substr(before.size(), url.size() - before.size() - after.size());

  Check(!HasBlankOrControl(value), "the query brings no blank or control character");
  if (!HasBlankOrControl(used)) Check(!HasBlankOrControl(url), "the address has none either");
  Check(!HasNonAscii(value), "the query brings no byte beyond ASCII");
  if (!HasNonAscii(used)) Check(!HasNonAscii(url), "the address has none either");

  Check(converted.size() >= before.size() + after.size() &&
            converted.compare(0, before.size(), before) == 0 &&
            converted.compare(converted.size() - after.size(), after.size(), after) == 0,
        "in another code page the query takes the same place");
  const std::string converted_value =
      converted.substr(before.size(), converted.size() - before.size() - after.size());
  Check(!HasBlankOrControl(converted_value) && !HasNonAscii(converted_value),
        "in another code page the query brings no blank, control or byte beyond ASCII");
  if (!HasNonAscii(query)) Check(converted == url, "an ASCII query is the same in any code page");
  Check(query.empty() == value.empty(), "a query is in the address, and only a query");
  if (before.find('?') != std::string::npos)
    Check(FormDecoded(value) == query, "in the query part the value reads back as typed");
  else
    Check(KeepsPrintables(query, value), "the query's printable ASCII stays in its order");
  return 0;
}
