#include <algorithm>
#include <map>
#include <set>

#include "check/report.h"
#include "check/rules.h"
#include "config/big_ini_file.h"
#include "platform/code_pages.h"
#include "platform/text.h"

namespace pq::check {
namespace {

constexpr char kTopLevel[] = "Toolbar";
// Names listed in one message at most.
constexpr size_t kNamesShown = 6;

std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) list += (i ? ", " : "") + names[i];
  if (names.size() > kNamesShown)
    list += " and " + std::to_string(names.size() - kNamesShown) + " more";
  return list;
}

void CheckNesting(const Build& build, const IniScan& scan, const std::vector<Entry>& entries,
                  TBigIniFile& ini, Findings& findings) {
  for (const TooDeep& head : LeftOutForDepth(build, entries, ini)) {
    const std::string& key = entries[head.entry].key;
    const std::string parent = ini.ReadString(key, "Parent", "");
    findings.Add(Severity::Warning, scan.PlaceOf(key, "Parent"), "too-deep",
                 key + "'s \"Parent\" " + parent + " stands at level " +
                     std::to_string(kMaxItemDepth) + ", the deepest the toolbar builds: " + key +
                     " is not built" +
                     (head.below.empty() ? ""
                                         : ", nor are the " + std::to_string(head.below.size()) +
                                               " entries under it (" + NameList(head.below) + ")"));
  }
}

void CheckPlacement(const Build& build, const IniScan& scan, const std::vector<Entry>& entries,
                    int entry, const TTBCustomItem& item, Findings& findings) {
  const std::string& key = entries[entry].key;
  const TTBCustomItem* parent = item.Parent();
  const int line = scan.PlaceOf(key, "Parent");
  const std::string children =
      item.Items().empty()
          ? ""
          : " (nor are the " + std::to_string(item.Items().size()) + " items placed under it)";
  if (!parent) {
    const std::string wanted = scan.Value(key, "Parent").value_or("");
    std::string why;
    const TComponent* holder = build.form->FindComponent(wanted);
    if (wanted.empty()) {
      why = " has no \"Parent\"";
    } else if (SameText(wanted, kTopLevel)) {
      why = "'s \"Parent\" " + Quoted(wanted) +
            " is not \"Toolbar\" written exactly so: in other letter case it finds the toolbar "
            "control, which holds no items";
    } else if (holder == &item) {
      why = " names itself as its \"Parent\"";
    } else if (const int holder_entry = build.EntryOf(holder); holder_entry > entry) {
      why = "'s \"Parent\" " + wanted + " is listed after it in [Toolbar Items] (line " +
            std::to_string(entries[holder_entry].line) + "): a parent must come first";
    } else if (holder) {
      why = "'s \"Parent\" " + wanted +
            " is one of the toolbar's own components, which is not an item";
    } else {
      why = "'s \"Parent\" " + wanted + " names no item";
    }
    findings.Add(Severity::Warning, line, "unplaced", key + why + ": it is never shown" + children);
    return;
  }
  const bool opens_menu =
      parent->Kind() == TTBItemKind::Submenu || parent->Kind() == TTBItemKind::Root;
  if (opens_menu) return;
  const int parent_entry = build.EntryOf(parent);
  const bool search_button = parent == build.form->SearchItem;
  findings.Add(
      Severity::Warning, line, "hidden-parent",
      key + " is placed under " + parent->Name() +
          (search_button      ? ", the search button, which is a plain button while \"Count\" in "
                                "[miSearch] is 0"
           : parent_entry < 0 ? ", one of the toolbar's own entries"
           : parent->Kind() == TTBItemKind::Separator ? ", a separator"
                                                      : ", a plain item (only a SubMenu opens a "
                                                        "menu)") +
          ": it is never shown" + children);
}

void CheckSearchTypes(const Build& build, const IniScan& scan, const std::vector<Entry>& entries,
                      Findings& findings) {
  TToolbarForm& form = *build.form;
  const TTBCustomItem* search = form.SearchItem;
  const bool configured_search = build.EntryOf(search) >= 0;
  if (!configured_search) {
    findings.Add(
        Severity::Note, scan.HeaderLine(kItems), "default-search",
        "[Toolbar Items] lists no miSearch: a plain \"Search\" button is added after the other "
        "items, searching with \"Search URL\"");
  } else if (search->Kind() == TTBItemKind::Submenu && search->Items().empty()) {
    findings.Add(Severity::Note, scan.PlaceOf(kSearchKey, "Count"), "empty-search-menu",
                 "\"Count\" makes the search button a menu, but no item is placed under it");
  }

  // Start-up takes the first plain item with the number, wherever it is.
  std::map<int32_t, const TTBCustomItem*> first_with_tag;
  for (size_t k = 0; k < form.ComponentCount(); ++k) {
    const auto* item = dynamic_cast<const TTBCustomItem*>(&form.Component(k));
    if (item && item->Kind() == TTBItemKind::Plain) first_with_tag.emplace(item->Tag, item);
  }

  std::map<int32_t, int> first_search_type;  // tag -> entry
  for (size_t j = 0; j < build.built.size(); ++j) {
    const int entry = build.built[j];
    const TTBCustomItem* item = build.ItemOf(j);
    const std::string& key = entries[entry].key;
    if (!scan.Find(key) || item->Kind() == TTBItemKind::Separator || item == search) continue;
    const bool under_search = item->Parent() && item->Parent() == search;
    if (under_search && item->Tag > 0) {
      const int tag_line = scan.PlaceOf(key, "Tag");
      if (item->Tag > MaxSearchType) {
        findings.Add(
            Severity::Warning, tag_line, "search-tag",
            "search type " + std::to_string(item->Tag) + " is beyond " +
                std::to_string(MaxSearchType) +
                ": it can be chosen, but the toolbar does not bring it back at its next start");
      } else if (const auto [first, fresh] = first_search_type.emplace(item->Tag, entry); !fresh) {
        findings.Add(Severity::Warning, tag_line, "search-tag-twice",
                     "search type " + std::to_string(item->Tag) + " is also " +
                         entries[first->second].key + " (line " +
                         std::to_string(scan.PlaceOf(entries[first->second].key, "Tag")) +
                         "): at start-up that one is brought back in its place");
      }
      if (!item->Hint.empty() && !HasPlaceholder(item->Hint))
        findings.Add(Severity::Warning, scan.PlaceOf(key, "URL"), "search-placeholder",
                     "search type " + std::to_string(item->Tag) +
                         " has no \"[SEARCH]\" in its URL: the query is appended to its end");
      if (item->GroupIndex <= 0)
        findings.Add(Severity::Note, scan.PlaceOf(key, "GroupIndex"), "search-group",
                     "without a \"GroupIndex\" above 0 no check mark shows that search type " +
                         std::to_string(item->Tag) + " is chosen");
    } else if (item->Kind() == TTBItemKind::Plain && item->Tag >= 1 && item->Tag <= MaxSearchType) {
      if (first_with_tag[item->Tag] == item)
        findings.Add(Severity::Warning, scan.PlaceOf(key, "Tag"), "search-tag-elsewhere",
                     "Tag " + std::to_string(item->Tag) + " marks search type " +
                         std::to_string(item->Tag) + ", and " + key +
                         " is the first item with it: whenever that search type is brought back at "
                         "start-up (type 1 at the very first), " +
                         key + "'s URL becomes the search address");
    }
  }
}

// An item's "Encoding": a name the system knows, on an item whose search text
// goes into a query part, the only place it counts.
void CheckSearchEncoding(const IniScan& scan, const std::string& key, const std::string& url,
                         bool search_button, bool searches, Findings& findings) {
  const std::optional<std::string> encoding = scan.Value(key, "Encoding");
  if (!encoding || encoding->empty()) return;
  const int line = scan.PlaceOf(key, "Encoding");
  const unsigned code_page = SystemCodePages().CodePageNamed(*encoding);
  if (code_page == 0) {
    findings.Add(
        Severity::Warning, line, "unknown-encoding",
        "the system knows no character set named " + Quoted(*encoding) + ": searches go in UTF-8");
    return;
  }
  if (code_page != kCodePageUtf8 && SearchCodePage(*encoding) == kCodePageUtf8) {
    findings.Add(Severity::Note, line, "encoding-utf8",
                 Quoted(*encoding) + " is no encoding an address can carry: searches go in UTF-8");
    return;
  }
  std::string why;
  if (search_button) {
    why = "the search button searches with the chosen search type's address";
  } else if (!searches && !HasPlaceholder(url)) {
    why = key + " does not search";
  } else if (url.empty()) {
    why = key + " has no address of its own, and \"Search URL\" is always UTF-8";
  } else {
    const size_t placeholder = FindSearchPlaceholder(url);
    const size_t question = url.find('?');
    if (question == std::string::npos ||
        (placeholder != std::string::npos && placeholder < question))
      why = "the search text goes into the address's path, which is always UTF-8";
  }
  if (!why.empty())
    findings.Add(Severity::Note, line, "encoding-unused",
                 "\"Encoding\" has no effect here: " + why);
}

// A caption longer than a toolbar button shows: on the toolbar itself, and on
// the search button, which takes the chosen search type's caption.
void CheckCaptionLength(const Build& build, const IniScan& scan, const std::string& key,
                        const TTBCustomItem& item, bool search_type, Findings& findings) {
  const bool on_toolbar = item.Parent() == &build.form->Toolbar->Items;
  if (!on_toolbar && !search_type) return;
  const std::optional<std::string> caption = scan.Value(key, "Caption");
  if (!caption || CaptionLength(*caption) <= kMaxButtonCaption) return;
  findings.Add(Severity::Warning, scan.PlaceOf(key, "Caption"), "long-caption",
               "the caption has " + std::to_string(CaptionLength(*caption)) +
                   " characters; a toolbar button shows at most " +
                   std::to_string(kMaxButtonCaption) + ", so " +
                   (search_type ? "the search button shows it, once chosen, as "
                                : "it shows as ") +
                   Quoted(ButtonCaption(*caption)));
}

// A drop-down or submenu left empty because the entries meant for it have
// their sections but are not listed: it opens an empty menu.
void CheckEmptyMenu(const IniScan& scan, const std::vector<Entry>& entries,
                    const std::string& key, const TTBCustomItem& item, Findings& findings) {
  if (item.Kind() != TTBItemKind::Submenu || !item.Items().empty() || !item.Parent()) return;
  std::vector<std::string> unlisted;
  if (!item.Name().empty()) {
    for (const IniSection& section : scan.Sections()) {
      if (section.dropped_for >= 0) continue;
      const std::optional<std::string> parent = scan.Value(section.name, "Parent");
      if (!parent || !SameText(*parent, item.Name())) continue;
      const bool listed = std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) {
        return SameText(entry.key, section.name);
      });
      if (!listed) unlisted.push_back("[" + section.name + "]");
    }
  }
  // A menu meant to stay empty is the publisher's choice; one whose entries
  // were forgotten is not.
  if (unlisted.empty()) return;
  findings.Add(Severity::Warning, scan.HeaderLine(key), "empty-submenu",
               key + " opens an empty menu: " + NameList(unlisted) +
                   (unlisted.size() == 1 ? " names" : " name") + " it as \"Parent\" but " +
                   (unlisted.size() == 1 ? "is" : "are") + " not listed in [Toolbar Items]");
}

}  // namespace

void ReportStop(const Build& build, bool first, const IniScan& scan,
                const std::vector<Entry>& entries, Findings& findings) {
  const Entry& entry = entries[build.stop];
  const IniSection* section = scan.Find(entry.key);
  const int name_line = section ? scan.KeyLine(entry.key, "Name") : 0;
  const int line = name_line ? name_line : entry.line;
  const bool invalid = build.stop_message.starts_with("''");
  std::string message = build.stop_message;

  if (IsComment(entry.key)) {
    message += " (a line that begins with \";\" is an entry like any other here, not a comment)";
  } else if (!invalid) {
    // Who has the name already.
    const std::string name = section && name_line ? *scan.Value(entry.key, "Name") : entry.key;
    const TComponent* holder = build.form->FindComponent(name);
    const int holder_entry = build.EntryOf(holder);
    if (holder_entry < 0) {
      message += " (" + name + " is the name of one of the toolbar's own components)";
    } else if (SameText(entries[holder_entry].key, entry.key)) {
      message += " (" + entry.key + " is listed twice in [Toolbar Items], first on line " +
                 std::to_string(entries[holder_entry].line) + ")";
    } else {
      message += " (the item " + entries[holder_entry].key + " listed on line " +
                 std::to_string(entries[holder_entry].line) + " has that name)";
    }
  }
  if (first) {
    std::vector<std::string> missing;
    for (size_t j = build.reached; j < build.order.size(); ++j)
      missing.push_back(entries[build.order[j]].key);
    message += ": construction stops here and the toolbar shows this message";
    if (!missing.empty())
      message += "; the " + std::to_string(missing.size()) + " entries after it are missing (" +
                 NameList(missing) + ")";
  } else {
    message += ": once the names before it are mended, construction stops here instead";
  }
  findings.Add(Severity::Error, line, invalid ? "invalid-name" : "duplicate-name", message);
}

void CheckItems(const Build& build, const IniScan& scan, const std::vector<Entry>& entries,
                TBigIniFile& ini, Findings& findings) {
  CheckNesting(build, scan, entries, ini, findings);
  std::set<std::string> checked;
  for (size_t j = 0; j < build.built.size(); ++j) {
    const int entry = build.built[j];
    const TTBCustomItem* item = build.ItemOf(j);
    const std::string& key = entries[entry].key;
    const IniSection* section = scan.Find(key);
    if (!section) continue;  // reported with the layout
    CheckPlacement(build, scan, entries, entry, *item, findings);
    if (item->Kind() == TTBItemKind::Separator) continue;
    if (!checked.insert(LowerCase(section->name)).second) continue;

    const std::string url = scan.Value(key, "URL").value_or("");
    const int url_line = scan.PlaceOf(key, "URL");
    const bool searches =
        item->Parent() && item->Parent() == build.form->SearchItem && item->Tag > 0;
    if (key == kSearchKey) {
      if (scan.Value(key, "URL") || scan.Value(key, "Tag"))
        findings.Add(Severity::Note, scan.PlaceOf(key, scan.Value(key, "URL") ? "URL" : "Tag"),
                     "search-button-keys",
                     "\"URL\" and \"Tag\" have no effect on the search button");
    } else if (HasPlaceholder(url)) {
      if (url.find('|') != std::string::npos)
        findings.Add(
            Severity::Warning, url_line, "search-label",
            "a search address keeps its label: the text before \"|\" becomes part of the address");
      CheckAddress(scan, key, "URL", url, findings);
    } else if (!url.empty()) {
      const size_t bar = url.find('|');
      CheckAddress(scan, key, "URL", bar == std::string::npos ? url : url.substr(bar + 1),
                   findings);
    } else if (item->Kind() == TTBItemKind::Plain) {
      findings.Add(Severity::Warning, scan.PlaceOf(key, "URL"), "no-url",
                   searches ? key + " has no \"URL\": clicking it does nothing, so search type " +
                                  std::to_string(item->Tag) + " can never be chosen"
                            : key + " has no \"URL\": clicking it does nothing");
    }

    // The search button shows the chosen search type's image and number by now.
    const bool search_button = item == build.form->SearchItem;
    CheckCaptionLength(build, scan, key, *item, searches, findings);
    if (!search_button) CheckEmptyMenu(scan, entries, key, *item, findings);
    CheckSearchEncoding(scan, key, url, search_button, searches, findings);
    const int32_t image = search_button ? ini.ReadInteger(key, "ImageIndex", -1) : item->ImageIndex;
    if (image < -1 || image >= kImageCount)
      findings.Add(Severity::Warning, scan.PlaceOf(key, "ImageIndex"), "image-index",
                   "there is no image " + std::to_string(image) + ": images are numbered 0 to " +
                       std::to_string(kImageCount - 1) + ", and -1 is none");
    if (search_button) continue;

    const bool speed_name = SameText(item->Name(), kSpeedButtonName);
    const bool speed_tag = item->Tag == kSpeedButtonTag;
    if (!searches &&
        (speed_name != speed_tag || (speed_name && item->Kind() != TTBItemKind::Plain)))
      findings.Add(
          Severity::Note, scan.PlaceOf(key, speed_tag ? "Tag" : "Name"), "speed-button",
          "the speed button, whose address the user may change, is a plain item named SpeedBtn1 "
          "with Tag 111; this one is an ordinary item");
  }
  CheckSearchTypes(build, scan, entries, findings);
}

}  // namespace pq::check
