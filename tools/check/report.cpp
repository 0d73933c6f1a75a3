#include "check/report.h"

#include <algorithm>
#include <sstream>

#include "check/config_check.h"
#include "platform/code_pages.h"
#include "platform/text.h"

namespace pq::check {

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

namespace {

std::string Describe(const TToolbarForm& form, const TTBCustomItem& item) {
  std::ostringstream text;
  switch (item.Kind()) {
    case TTBItemKind::Separator:
      return "separator";
    case TTBItemKind::Submenu: {
      const auto& submenu = static_cast<const TTBSubmenuItem&>(item);
      text << (submenu.DropdownCombo                        ? "split button"
               : submenu.Options.Contains(tboDropdownArrow) ? "submenu"
                                                            : "submenu without arrow");
      break;
    }
    default:
      text << "item";
  }
  if (&item == form.SearchItem) text << " (search button)";
  text << " " << Quoted(item.Caption) << ", ";
  if (item.ImageIndex == -1)
    text << "no image";
  else
    text << "image " << item.ImageIndex;
  if (&item == form.SearchItem && item.Tag > 0) {
    text << ", showing search type " << item.Tag;
  } else if (item.Parent() && item.Parent() == form.SearchItem && item.Tag > 0) {
    text << ", search type " << item.Tag;
  } else if (item.Tag == kSpeedButtonTag && SameText(item.Name(), kSpeedButtonName)) {
    text << ", speed button 1";
  } else if (item.Tag != 0) {
    text << ", tag " << item.Tag;
  }
  if (item.GroupIndex > 0) text << ", group " << item.GroupIndex;
  if (item.Checked()) text << ", checked";
  if (!item.Hint.empty()) text << ": " << item.Hint;
  return text.str();
}

struct TreeLine {
  int depth;
  std::string name;
  std::string description;
};

void AddSubtree(const TToolbarForm& form, const TTBCustomItem& item, int depth,
                std::vector<TreeLine>& lines) {
  std::string name = item.Name().empty() ? "(unnamed)" : item.Name();
  std::string description = Describe(form, item);
  if (&item == form.TBControlItem1) name = "(banner)", description.clear();
  if (&item == form.TBSeparatorItem1) name = "(separator)", description.clear();
  if (&item == form.TBControlItem2) name = "(search box)", description.clear();
  lines.push_back({depth, name, description});
  for (const TTBCustomItem* child : item.Items()) AddSubtree(form, *child, depth + 1, lines);
}

std::string Render(const std::vector<TreeLine>& lines) {
  size_t width = 0;
  for (const TreeLine& line : lines)
    width = std::max(width, static_cast<size_t>(2 * line.depth) + line.name.size());
  std::string text;
  for (const TreeLine& line : lines) {
    std::string row = std::string(2 * line.depth, ' ') + line.name;
    if (!line.description.empty())
      row += std::string(width - row.size() + 2, ' ') + line.description;
    text += "  " + row + "\n";
  }
  return text;
}

}  // namespace

std::string ItemTree(const Build& build, const std::vector<Entry>& entries, TBigIniFile& ini,
                     const std::string& toolbar_name) {
  const TToolbarForm& form = *build.form;
  std::string tree = "Toolbar " + Quoted(toolbar_name) + ", as it shows at its first start:\n";
  std::vector<TreeLine> lines;
  for (const TTBCustomItem* item : form.Toolbar->Items.Items()) AddSubtree(form, *item, 0, lines);
  tree += Render(lines);

  lines.clear();
  const size_t placed_or_not = build.stop >= 0 ? build.built.size() - 1 : build.built.size();
  for (size_t j = 0; j < placed_or_not; ++j) {
    const TTBCustomItem* item = build.ItemOf(j);
    if (!item->Parent()) AddSubtree(form, *item, 0, lines);
  }
  if (!lines.empty()) tree += "Never shown (no place on the toolbar):\n" + Render(lines);

  const std::vector<TooDeep> too_deep = LeftOutForDepth(build, entries, ini);
  if (!too_deep.empty()) {
    tree += "Never built (deeper than " + std::to_string(kMaxItemDepth) + " levels):\n";
    for (const TooDeep& head : too_deep) {
      tree += "  " + entries[head.entry].key;
      if (!head.below.empty())
        tree += " and the " + std::to_string(head.below.size()) + " entries under it";
      tree += "\n";
    }
  }

  if (build.stop >= 0) {
    std::vector<std::string> missing;
    for (size_t j = build.reached; j < build.order.size(); ++j)
      missing.push_back(entries[build.order[j]].key);
    tree += "Construction stops at " + entries[build.stop].key;
    tree += missing.empty() ? ".\n" : "; never built:\n";
    for (const std::string& key : missing) tree += "  " + key + "\n";
  }
  return tree;
}

int CheckResult::Count(Severity severity) const {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                        [&](const Finding& f) { return f.severity == severity; }));
}

namespace {

std::string Counted(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string CountsLine(const CheckResult& result) {
  return Counted(result.Count(Severity::Error), "error", "errors") + ", " +
         Counted(result.Count(Severity::Warning), "warning", "warnings") + ", " +
         Counted(result.Count(Severity::Note), "note", "notes");
}

int ExitStatus(const CheckResult& result, bool strict) {
  if (result.Count(Severity::Error) > 0) return 1;
  return strict && result.Count(Severity::Warning) > 0 ? 1 : 0;
}

unsigned TerminalCodePage(const char* codeset) {
  if (!codeset || !*codeset) return kCodePageUtf8;
  const std::string name = LowerCase(codeset);
  // The C locale's character set says only that nothing was chosen.
  if (name == "ansi_x3.4-1968" || name == "ascii" || name == "us-ascii" || name == "646")
    return kCodePageUtf8;
  const unsigned code_page = SystemCodePages().CodePageNamed(name);
  return code_page ? code_page : kCodePageUtf8;
}

std::string ForTerminal(const std::string& text, unsigned code_page) {
  if (code_page == kCodePageUtf8) return text;
  if (const std::optional<std::string> whole = SystemCodePages().FromUtf8(text, code_page))
    return *whole;
  std::string shown;
  for (size_t at = 0; at < text.size();) {
    const size_t start = at;
    (void)NextCodePoint(text, at);
    const std::optional<std::string> one =
        SystemCodePages().FromUtf8(std::string_view(text).substr(start, at - start), code_page);
    shown += one ? *one : "?";
  }
  return shown;
}

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return "error";
    case Severity::Warning:
      return "warning";
    default:
      return "note";
  }
}

std::string FormatFinding(const std::string& file_label, const Finding& finding) {
  std::string text = finding.file.empty() ? file_label : finding.file;
  if (finding.line > 0) text += ":" + std::to_string(finding.line);
  return text + ": " + SeverityName(finding.severity) + ": " + finding.message + " [" +
         finding.code + "]";
}

}  // namespace pq::check
