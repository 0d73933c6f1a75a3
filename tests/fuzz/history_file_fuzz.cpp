// The search history file, which every toolbar window on the machine reads
// and another program may have written: any bytes after the first, which
// chooses the search. The lines, the sorted lists made of them, and a window
// that loads the file and searches are checked against what must hold.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config/band_identity.h"
#include "config/text_file.h"
#include "config/toolbar_config.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_toolbar_view.h"
#include "fuzz_support.h"
#include "platform/text.h"
#include "toolbar/search_history.h"
#include "toolbar/toolbar_form.h"

namespace {

using pq::fuzz::Check;
using Entries = std::vector<std::string>;

const std::string kBandKey = std::string(pq::kExplorerBarsKey) + "\\" + pq::kBandClassId;

Entries EntriesOf(const pq::TStringList& list) {
  Entries entries;
  for (int i = 0; i < list.Count(); ++i) entries.emplace_back(list[i]);
  return entries;
}

pq::TStringList ListOf(const Entries& entries) {
  pq::TStringList list;
  for (const std::string& entry : entries) list.Add(entry);
  return list;
}

bool StrictlySorted(const Entries& entries) {
  for (size_t i = 1; i < entries.size(); ++i)
    if (pq::CompareText(entries[i - 1], entries[i]) >= 0) return false;
  return true;
}

std::string SwapAsciiCase(std::string text) {
  for (char& c : text)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) c ^= 0x20;
  return text;
}

// Of the entries alike without regard to case, the first in list order.
std::map<std::string, std::string> FirstOfAlike(const Entries& entries) {
  std::map<std::string, std::string> first;
  for (const std::string& entry : entries) first.emplace(pq::LowerCase(entry), entry);
  return first;
}

// The lines, the sorted lists and the lookup, without a window.
Entries CheckLists(std::string_view text) {
  pq::TStringList list;
  pq::TextToLines(text, list);
  const Entries lines = EntriesOf(list);
  std::string joined, expected(text.substr(0, text.find('\0')));
  for (const std::string& line : lines) {
    Check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos,
          "a line holds no line end and no NUL");
    joined += line;
  }
  expected.erase(std::remove_if(expected.begin(), expected.end(),
                                [](char c) { return c == '\r' || c == '\n'; }),
                 expected.end());
  Check(joined == expected, "the lines are the text up to a NUL without its line ends");
  pq::TStringList reread;
  pq::TextToLines(list.Text(), reread);
  Check(EntriesOf(reread) == lines, "written lines read back as they were");

  Entries stable = lines;
  std::stable_sort(stable.begin(), stable.end(), [](const std::string& a, const std::string& b) {
    return pq::CompareText(a, b) < 0;
  });
  Check(EntriesOf(pq::SortedEntries(list, false)) == stable,
        "a loaded list is every line, sorted without regard to case, alike ones in file order");

  const Entries unique = EntriesOf(pq::SortedEntries(list, true));
  const std::map<std::string, std::string> first = FirstOfAlike(lines);
  Check(StrictlySorted(unique), "the history is sorted and holds no two alike entries");
  Check(unique.size() == first.size(), "the history holds each line once");
  for (const std::string& entry : unique)
    Check(first.at(pq::LowerCase(entry)) == entry, "of alike lines the first one stays");

  // Another window's list: the same texts in other letter case, and more.
  Entries others;
  for (size_t i = 0; i < lines.size(); i += 2) others.push_back(SwapAsciiCase(lines[i]));
  others.push_back("fuzz");
  const Entries second = EntriesOf(pq::SortedEntries(ListOf(others), true));
  const Entries merged = EntriesOf(pq::MergeUnique(ListOf(unique), ListOf(second)));
  Check(StrictlySorted(merged), "a merged history is sorted and holds no two alike entries");
  std::map<std::string, std::string> expected_merge = FirstOfAlike(second);
  for (const std::string& entry : unique) expected_merge[pq::LowerCase(entry)] = entry;
  Check(merged.size() == expected_merge.size(), "a merge holds every text of both lists once");
  for (const std::string& entry : merged)
    Check(expected_merge.at(pq::LowerCase(entry)) == entry, "a merge keeps the first list's text");

  const pq::TStringList merged_list = ListOf(merged);
  for (const std::string& probe : {lines.empty() ? std::string() : SwapAsciiCase(lines[0]),
                                   std::string(text.substr(0, 40)), std::string("\xFF")}) {
    int insert_at = -1;
    const int found = pq::FindSorted(merged_list, probe, &insert_at);
    const bool present = expected_merge.count(pq::LowerCase(probe)) > 0;
    Check(present ? found >= 0 && pq::SameText(merged[static_cast<size_t>(found)], probe)
                  : found == -1,
          "a text is found exactly when an alike entry is there");
    Check(insert_at >= 0 && static_cast<size_t>(insert_at) <= merged.size() &&
              (insert_at == 0 || pq::CompareText(merged[insert_at - 1], probe) < 0) &&
              (static_cast<size_t>(insert_at) == merged.size() ||
               pq::CompareText(probe, merged[insert_at]) <= 0),
          "a text would be inserted where the order stays");
  }
  return unique;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t choice = data[0];
  const std::string text(pq::fuzz::AsText(data + 1, size - 1));
  const Entries unique = CheckLists(text);

  // A window that loads the file and searches, as the user does.
  pq::ToolbarConfigRecord& config = pq::ToolbarConfig;
  config.BandClassId = pq::kBandClassId;
  config.BandKeyPath = kBandKey;
  config.ToolbarName = "Fuzz Bar";
  config.SearchUrl = "http://find.example/s?q=[SEARCH]";
  // File names are composed with "\", an ordinary character here: the file
  // stands beside this name, inside the scratch directory.
  const std::string folder = pq::fuzz::ScratchDirectory("history_file_fuzz") + "/install";
  const std::string history = folder + "\\Fuzz Bar.txt";
  {
    std::ofstream out(history, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  pq::fakes::FakePlatform fakes;
  fakes.registry.PutText(pq::RegRoot::LocalMachine, kBandKey, "InstallPath", folder);
  pq::fakes::FakeToolbarView view;
  pq::TToolbarForm form(fakes.platform, view);
  form.LoadHistory();
  Check(view.search_list == unique && EntriesOf(form.SearchList()) == unique,
        "a window shows the history file's lines sorted, each once");

  // A text already there in other letter case, or one that may be new.
  const std::string query = (choice & 1) && !unique.empty()
                                ? SwapAsciiCase(unique[(choice >> 1) % unique.size()])
                                : "fuzz query " + std::to_string(choice >> 1);
  auto host = std::make_shared<pq::fakes::FakeHostBrowser>();
  form.HostBrowser = host;
  view.search_text = query;
  char key = '\r';
  form.SearchBoxKeyPress(key);
  Check(key == 0, "Enter is taken by the search");
  Check(fakes.ui.shown.empty(), "a search with a readable history shows no error");
  Check(host->log.size() == 1, "a search opens one address");

  std::map<std::string, std::string> expected = FirstOfAlike(unique);
  const bool known = query.empty() || expected.count(pq::LowerCase(query)) > 0;
  if (known) {
    Check(ReadFile(history) == text, "a known text leaves the history file as it was");
    Check(view.search_list == unique, "a known text leaves the list as it was");
    return 0;
  }
  expected.emplace(pq::LowerCase(query), query);
  Entries list;
  for (const auto& [folded, entry] : expected) list.push_back(entry);
  std::sort(list.begin(), list.end(),
            [](const std::string& a, const std::string& b) { return pq::CompareText(a, b) < 0; });
  Check(view.search_list == list && EntriesOf(form.SearchList()) == list,
        "a new text joins the list in its place");
  Check(ReadFile(history) == ListOf(list).Text(), "the history file is the list, a line each");
  return 0;
}
