#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

#include "check/bitmap_info.h"
#include "check/report.h"
#include "check/rules.h"
#include "nav/about_box.h"
#include "platform/code_pages.h"
#include "platform/file_system.h"
#include "platform/text.h"
#include "toolbar/banner_animation.h"

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
    if (SameText(TextOf(entry.path().filename()), name)) return entry.path();
  return std::nullopt;
}

std::string CodePageName(unsigned code_page) { return "Windows-" + std::to_string(code_page); }

std::string ByteName(unsigned char byte) {
  static const char kHex[] = "0123456789ABCDEF";
  return std::string("0x") + kHex[byte >> 4] + kHex[byte & 0x0F];
}

// Each line of the bytes with its number, counted as the scan counts them.
template <typename Visit>
void ForEachRawLine(std::string_view bytes, Visit visit) {
  int number = 0;
  for (size_t start = 0; start < bytes.size();) {
    const size_t lf = bytes.find('\n', start);
    const size_t end = lf == std::string_view::npos ? bytes.size() : lf;
    visit(++number, bytes.substr(start, end - start));
    if (lf == std::string_view::npos) break;
    start = lf + 1;
  }
}

// No character: what a code page leaves undefined comes out as U+FFFD, and a
// C1 control is no text either.
bool IsNoCharacter(std::string_view utf8) {
  size_t at = 0;
  while (at < utf8.size()) {
    const char32_t code_point = NextCodePoint(utf8, at);
    if (code_point == kReplacementCharacter || (code_point >= 0x80 && code_point <= 0x9F))
      return true;
  }
  return false;
}

// Bytes in a file read in the ANSI code page that are no text in it: control
// characters but tab and line ends, and what the code page leaves undefined.
// One finding of each kind for a line, at its first such byte.
void CheckAnsiLine(CodePages& code_pages, unsigned code_page, int number, std::string_view line,
                   Findings& findings) {
  // Ctrl-Z that begins a line ends the file; the layout says so.
  const size_t first = line.find_first_not_of('\r');
  for (size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    const bool control = (byte < 0x20 && byte != '\t' && byte != '\r') || byte == 0x7F;
    if (!control || (byte == 0x1A && i == first)) continue;
    findings.Add(Severity::Warning, number, "control-byte",
                 "byte " + ByteName(byte) +
                     " is a control character, not text: the toolbar shows it as it is, if at "
                     "all");
    break;
  }
  if (IsAscii(line) || !IsNoCharacter(code_pages.ToUtf8(line, code_page))) return;
  // A byte alone names itself where the code page has one byte for each
  // character; the line as a whole covers those that have two.
  std::string which = "bytes";
  for (char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 && IsNoCharacter(code_pages.ToUtf8(std::string_view(&c, 1), code_page))) {
      which = "byte " + ByteName(byte);
      break;
    }
  }
  findings.Add(Severity::Warning, number, "undefined-byte",
               "this line holds " + which + " that " + CodePageName(code_page) +
                   ", the code page it is read in, has no character for, shown as a box or "
                   "\"?\"");
}

}  // namespace

void CheckEncoding(std::string_view bytes, const DecodedText& decoded, Findings& findings) {
  CodePages& code_pages = SystemCodePages();
  const unsigned ansi = code_pages.AnsiCodePage();
  std::string described;
  switch (decoded.encoding) {
    case TextEncoding::Utf8:
      described = "UTF-8 (no byte-order mark)";
      break;
    case TextEncoding::Utf8Bom:
      described = "UTF-8 with byte-order mark";
      break;
    case TextEncoding::Utf16LeBom:
      described = "UTF-16 LE with byte-order mark";
      break;
    case TextEncoding::Ansi:
      described = "the system's code page, " + CodePageName(ansi) + " (no byte-order mark)";
      break;
  }
  findings.Add(Severity::Note, 0, "encoding", "encoding: " + described);

  if (decoded.encoding == TextEncoding::Utf8Bom) {
    // The mark decides, so what follows is taken for UTF-8 whatever it is.
    ForEachRawLine(bytes.substr(3), [&](int number, std::string_view line) {
      if (!IsValidUtf8(line))
        findings.Add(Severity::Warning, number, "invalid-utf8",
                     "this line holds bytes that are no UTF-8, though the file begins with "
                     "UTF-8's byte-order mark: they show as boxes");
    });
    return;
  }
  if (decoded.encoding != TextEncoding::Ansi) return;
  bool told = false;
  ForEachRawLine(bytes, [&](int number, std::string_view line) {
    if (!told && !IsValidUtf8(line)) {
      told = true;
      findings.Add(Severity::Note, number, "not-utf8",
                   "not UTF-8: read as the system's code page (" + CodePageName(ansi) +
                       "); save it as UTF-8, or its captions change with the code page of each "
                       "user's system");
    }
    CheckAnsiLine(code_pages, ansi, number, line, findings);
  });
}

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

namespace {

// Optimal string alignment distance: insertions, deletions, substitutions and
// swaps of neighbours, each one edit.
size_t EditDistance(const std::u32string& a, const std::u32string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                          d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

std::u32string FoldedCodePoints(std::string_view text) {
  const std::string lower = LowerCase(text);
  std::u32string points;
  for (size_t at = 0; at < lower.size();) points.push_back(NextCodePoint(lower, at));
  return points;
}

}  // namespace

std::optional<std::string> NearestKey(std::string_view name, const std::vector<std::string>& known) {
  const std::u32string folded = FoldedCodePoints(name);
  const size_t allowed = folded.size() <= 4 ? 1 : 2;
  std::optional<std::string> nearest;
  size_t best = allowed + 1;
  for (const std::string& key : known) {
    const std::u32string candidate = FoldedCodePoints(key);
    // The distance is at least the difference in length: a name far longer
    // than any key is near none, and costs no table of its length.
    const size_t longer = std::max(folded.size(), candidate.size());
    if (longer - std::min(folded.size(), candidate.size()) > allowed) continue;
    const size_t distance = EditDistance(folded, candidate);
    if (distance < best) best = distance, nearest = key;
  }
  return nearest;
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
      const std::optional<std::string> meant = NearestKey(*name, known);
      findings.Add(Severity::Warning, line.number, "unknown-key",
                   Quoted(*name) + " is not a key the toolbar reads in [" + section.name + "]" +
                       (meant ? "; did you mean " + Quoted(*meant) + "?" : ""));
    }
  }
}

void CheckBanner(const std::string& config_path, Findings& findings) {
  const fs::path file = PathOf(config_path);
  const fs::path directory = file.has_parent_path() ? file.parent_path() : fs::path(".");
  const std::string name = TextOf(file.stem()) + ".bmp";
  const auto banner = FindBeside(directory, name);
  if (!banner) {
    findings.Add(Severity::Warning, 0, "banner-missing",
                 "there is no banner " + name +
                     " beside the configuration: the toolbar and its About box "
                     "show the built-in one");
    return;
  }
  const std::string shown = TextOf(file.parent_path() / banner->filename());
  std::string bytes;
  if (!Files().ReadAll(TextOf(*banner), bytes)) {
    findings.Add(Severity::Warning, 0, "banner-unreadable", "cannot be read", shown);
    return;
  }
  const BitmapInfo info = ReadBitmapInfo(bytes);
  if (!info.readable) {
    findings.Add(
        Severity::Warning, 0, "banner-unreadable",
        "is no banner the toolbar can show: " + info.problem + "; the built-in banner stays",
        shown);
  } else if (bytes.size() > kMaxAnimationFileBytes || !StillBannerWithinLimits(bytes)) {
    findings.Add(Severity::Warning, 0, "banner-too-large",
                 "is " + std::to_string(info.width) + " by " + std::to_string(info.height) +
                     " pixels in " + std::to_string(bytes.size()) +
                     " bytes, more than the toolbar loads (" +
                     std::to_string(kMaxAnimationCanvasPixels) + " pixels, " +
                     std::to_string(kMaxAnimationFileBytes) + " bytes): the built-in banner shows",
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
    if (!Files().ReadAll(TextOf(*notice), text))
      findings.Add(Severity::Warning, 0, "notice-unreadable",
                   "cannot be read: the About box shows this message instead of its notice",
                   TextOf(file.parent_path() / notice->filename()));
  }
}

void CheckBannerAnimation(const IniScan& scan, const std::string& config_path, Findings& findings) {
  const std::optional<std::string> value = scan.Value(kOptions, kBannerAnimation);
  if (!value || value->empty()) return;
  const int line = scan.PlaceOf(kOptions, kBannerAnimation);
  const char* fallback = ": the still banner shows instead";
  if (BannerAnimationPath("", *value).empty()) {
    findings.Add(Severity::Warning, line, "animation-name",
                 "\"Banner Animation\" must be a file name beside the configuration, without a "
                 "folder" +
                     std::string(fallback));
    return;
  }
  const fs::path file = PathOf(config_path);
  const fs::path directory = file.has_parent_path() ? file.parent_path() : fs::path(".");
  const auto animation = FindBeside(directory, *value);
  if (!animation) {
    findings.Add(Severity::Warning, line, "animation-missing",
                 "there is no " + *value + " beside the configuration" + fallback);
    return;
  }
  std::error_code error;
  const uintmax_t size = fs::file_size(*animation, error);
  std::string bytes;
  std::string problem;
  if (error || size > kMaxAnimationFileBytes) {
    problem = "it is larger than " + std::to_string(kMaxAnimationFileBytes) + " bytes";
  } else if (!Files().ReadAll(TextOf(*animation), bytes)) {
    problem = "it cannot be read";
  } else {
    const GifReading reading = ReadGifSummary(bytes);
    problem = reading.problem.empty() ? AnimationLimitProblem(reading.summary) : reading.problem;
    if (problem.empty() && (reading.summary.width != kBannerDesignWidth ||
                            reading.summary.height != kBannerDesignHeight)) {
      const PictureSize shown = FitBanner({reading.summary.width, reading.summary.height});
      findings.Add(Severity::Note, line, "animation-size",
                   *value + " is " + std::to_string(reading.summary.width) + " by " +
                       std::to_string(reading.summary.height) + " pixels; it shows at " +
                       std::to_string(shown.width) + " by " + std::to_string(shown.height) +
                       " in the banner's place of " + std::to_string(kBannerDesignWidth) + " by " +
                       std::to_string(kBannerDesignHeight));
    }
  }
  if (!problem.empty())
    findings.Add(Severity::Warning, line, "animation-unreadable",
                 *value + " is no animation the toolbar can play: " + problem + fallback);
}

const std::vector<std::string>& ItemKeys() {
  static const std::vector<std::string> keys{
      "Name", "Parent", "Caption", "ImageIndex", "URL", "Tag", "GroupIndex", "Count", "Encoding",
      "Suggest URL"};
  return keys;
}

}  // namespace pq::check
