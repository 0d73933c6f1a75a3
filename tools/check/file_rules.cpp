#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

#include "check/bitmap_info.h"
#include "check/report.h"
#include "check/rules.h"
#include "nav/about_box.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace pq::check {

bool IsComment(std::string_view line) { return !line.empty() && line.front() == ';'; }

namespace {

namespace fs = std::filesystem;

constexpr int32_t kBannerWidth = 105;
constexpr int32_t kBannerHeight = 22;

std::string Trimmed(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return std::string(text.substr(begin, end - begin));
}

// The file in the directory whose name equals this one without regard to
// case, as Windows finds it.
std::optional<fs::path> FindBeside(const fs::path& directory, const std::string& name) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error))
    if (SameText(entry.path().filename().string(), name)) return entry.path();
  return std::nullopt;
}

}  // namespace

void CheckLayout(const IniScan& scan, const std::vector<Entry>& entries, Findings& findings) {
  for (const IniLine& line : scan.LinesBeforeFirstSection())
    if (!IsComment(line.text))
      findings.Add(Severity::Warning, line.number, "outside-section",
                   "this line stands before the first section and is ignored");
  if (scan.EndOfInputLine() && scan.LinesAfterEnd() > 0)
    findings.Add(Severity::Warning, scan.EndOfInputLine(), "end-of-file",
                 "this line begins with Ctrl-Z, where the toolbar stops reading: the " +
                     std::to_string(scan.LinesAfterEnd()) + " lines after it are ignored");

  std::set<std::string> listed;
  for (const Entry& entry : entries) listed.insert(LowerCase(entry.key));
  const auto& sections = scan.Sections();
  for (const IniSection& section : sections) {
    if (section.dropped_for >= 0) {
      findings.Add(Severity::Warning, section.header_line, "duplicate-section",
                   "[" + section.name + "] appears again (first on line " +
                       std::to_string(sections[section.dropped_for].header_line) +
                       "): the toolbar reads only the first one, and this one is ignored whole");
      continue;
    }
    const bool is_items = SameText(section.name, kItems);
    if (!is_items && !SameText(section.name, kOptions) && !listed.count(LowerCase(section.name)))
      findings.Add(
          Severity::Note, section.header_line, "unlisted-section",
          "[" + section.name + "] is not listed in [Toolbar Items]: no item is built from it");

    std::map<std::string, int> seen;
    for (const IniLine& line : section.lines) {
      const std::string trimmed = Trimmed(line.text);
      if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
        findings.Add(
            Severity::Warning, line.number, "not-a-header",
            "a blank before \"[\" or after \"]\" makes this line no section header: it is read "
            "as a line of [" +
                section.name + "]");
        continue;
      }
      const auto name = LineName(line.text);
      if (!name) {
        if (!IsComment(line.text))
          findings.Add(Severity::Warning, line.number, "no-equals",
                       is_items ? "an entry needs a \"=\" after its name: this line is ignored"
                                : "this line has no \"=\" and is ignored");
        continue;
      }
      if (name->empty()) {
        findings.Add(Severity::Warning, line.number, "empty-name",
                     "this line has no name before its \"=\" and is ignored");
        continue;
      }
      if (IsComment(*name) && !is_items) continue;
      const auto [first, fresh] = seen.emplace(LowerCase(*name), line.number);
      if (fresh || is_items) continue;
      findings.Add(Severity::Warning, line.number, "duplicate-key",
                   Quoted(*name) + " appears again in [" + section.name + "] (first on line " +
                       std::to_string(first->second) + "): only the first one counts");
    }
  }

  // Entries listed twice without a name that stops construction build twice.
  std::unordered_map<std::string, size_t> first_listed;
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto [first, fresh] = first_listed.emplace(LowerCase(entries[i].key), i);
    if (fresh) continue;
    const auto name = scan.Value(entries[i].key, "Name");
    if (name && name->empty())
      findings.Add(Severity::Warning, entries[i].line, "duplicate-entry",
                   entries[i].key + " is listed twice in [Toolbar Items] (first on line " +
                       std::to_string(entries[first->second].line) + "): the item is built twice");
  }

  if (!scan.Find(kItems))
    findings.Add(Severity::Warning, 0, "no-items",
                 "there is no [Toolbar Items] section: the toolbar shows only a search button");

  std::set<std::string> checked;
  for (const Entry& entry : entries) {
    const IniSection* section = scan.Find(entry.key);
    if (!section) {
      // A name that is no identifier stops construction, which says so.
      if (!IsValidIdent(entry.key)) continue;
      findings.Add(Severity::Warning, entry.line, "no-section",
                   entry.key + " has no section [" + entry.key +
                       "]: it is built without caption, address or Parent, so it is never shown");
      continue;
    }
    if (!checked.insert(LowerCase(section->name)).second) continue;
    std::vector<std::string> known{"Name", "Parent"};
    std::vector<std::string> ignored;
    const bool separator = entry.key.find("Separator") != std::string::npos;
    for (const std::string& key : ItemKeys()) {
      if (key == "Name" || key == "Parent") continue;
      if (key == "Count" && entry.key != kSearchKey) continue;
      (separator ? ignored : known).push_back(key);
    }
    CheckSectionKeys(*section, known, ignored, separator ? "a separator" : "an item", findings);
  }
}

void CheckSectionKeys(const IniSection& section, const std::vector<std::string>& known,
                      const std::vector<std::string>& ignored, const char* whose,
                      Findings& findings) {
  auto in = [](const std::vector<std::string>& keys, std::string_view name) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](const std::string& key) { return SameText(key, name); });
  };
  for (const IniLine& line : section.lines) {
    const auto name = LineName(line.text);
    if (!name || name->empty() || IsComment(*name) || in(known, *name)) continue;
    const std::string trimmed = Trimmed(*name);
    if (trimmed != *name && (in(known, trimmed) || in(ignored, trimmed))) {
      findings.Add(Severity::Warning, line.number, "blank-around-equals",
                   "blanks next to \"=\" belong to the name: this line sets " + Quoted(*name) +
                       ", not " + Quoted(trimmed));
    } else if (in(ignored, *name)) {
      findings.Add(
          Severity::Note, line.number, "ignored-key",
          Quoted(*name) + " has no effect on " + whose + ", which reads only Name and Parent");
    } else {
      findings.Add(Severity::Warning, line.number, "unknown-key",
                   Quoted(*name) + " is not a key the toolbar reads in [" + section.name + "]");
    }
  }
}

void CheckBanner(const std::string& config_path, Findings& findings) {
  const fs::path file(config_path);
  const fs::path directory = file.has_parent_path() ? file.parent_path() : fs::path(".");
  const std::string name = file.stem().string() + ".bmp";
  const auto banner = FindBeside(directory, name);
  if (!banner) {
    findings.Add(Severity::Warning, 0, "banner-missing",
                 "there is no banner " + name +
                     " beside the configuration: the toolbar and its About box "
                     "show the built-in one");
    return;
  }
  const std::string shown = (file.parent_path() / banner->filename()).string();
  std::string bytes;
  if (!Files().ReadAll(banner->string(), bytes)) {
    findings.Add(Severity::Warning, 0, "banner-unreadable", "cannot be read", shown);
    return;
  }
  const BitmapInfo info = ReadBitmapInfo(bytes);
  if (!info.readable) {
    findings.Add(
        Severity::Warning, 0, "banner-unreadable",
        "is no banner the toolbar can show: " + info.problem + "; the built-in banner stays",
        shown);
  } else if (info.width != kBannerWidth || info.height != kBannerHeight) {
    findings.Add(Severity::Warning, 0, "banner-size",
                 "is " + std::to_string(info.width) + " by " + std::to_string(info.height) +
                     " pixels; the banner's place is " + std::to_string(kBannerWidth) + " by " +
                     std::to_string(kBannerHeight),
                 shown);
  }
  if (const auto notice = FindBeside(directory, kNoticeFileName)) {
    std::string text;
    if (!Files().ReadAll(notice->string(), text))
      findings.Add(Severity::Warning, 0, "notice-unreadable",
                   "cannot be read: the About box shows this message instead of its notice",
                   (file.parent_path() / notice->filename()).string());
  }
}

const std::vector<std::string>& ItemKeys() {
  static const std::vector<std::string> keys{"Name", "Parent",     "Caption", "ImageIndex", "URL",
                                             "Tag",  "GroupIndex", "Count",   "Encoding"};
  return keys;
}

}  // namespace pq::check
