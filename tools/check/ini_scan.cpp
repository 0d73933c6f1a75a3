#include "check/ini_scan.h"

#include <algorithm>

#include "platform/text.h"

namespace pq::check {
namespace {

constexpr char kCtrlZ = '\x1A';
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The text of one line as the store takes it: without its line end and
// without any other CR.
std::string StoredText(std::string_view raw) {
  std::string line(raw);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
  return line;
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  int number = 0;
  size_t start = 0;
  while (start < text.size()) {
    const size_t lf = text.find('\n', start);
    const size_t end = lf == std::string_view::npos ? text.size() : lf;
    visit(++number, text.substr(start, end - start));
    if (lf == std::string_view::npos) break;
    start = lf + 1;
  }
}

}  // namespace

std::optional<std::string_view> LineName(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return line.substr(0, equals);
}

std::string_view LineValue(std::string_view line) {
  const size_t equals = line.find('=');
  return equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
}

IniScan::IniScan(std::string_view text) {
  // A byte-order mark is no part of the first line's text.
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  ForEachLine(text, [&](int number, std::string_view raw) {
    std::string line = StoredText(raw);
    if (line.empty()) return;
    if (end_of_input_) {
      ++lines_after_end_;
      return;
    }
    if (line.front() == kCtrlZ) {
      end_of_input_ = number;
      return;
    }
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      IniSection section;
      section.name = line.substr(1, line.size() - 2);
      section.header_line = number;
      const auto [kept, first] = kept_.emplace(LowerCase(section.name), sections_.size());
      if (!first) section.dropped_for = static_cast<int>(kept->second);
      sections_.push_back(std::move(section));
      return;
    }
    if (sections_.empty())
      before_first_.push_back({number, std::move(line)});
    else
      sections_.back().lines.push_back({number, std::move(line)});
  });
}

const IniSection* IniScan::Find(std::string_view name) const {
  const auto kept = kept_.find(LowerCase(name));
  return kept == kept_.end() ? nullptr : &sections_[kept->second];
}

const IniLine* IniScan::FindKey(std::string_view section, std::string_view key) const {
  const IniSection* found = Find(section);
  if (!found) return nullptr;
  for (const IniLine& line : found->lines) {
    const auto name = LineName(line.text);
    if (name && SameText(*name, key)) return &line;
  }
  return nullptr;
}

int IniScan::HeaderLine(std::string_view section) const {
  const IniSection* found = Find(section);
  return found ? found->header_line : 0;
}

int IniScan::KeyLine(std::string_view section, std::string_view key) const {
  const IniLine* line = FindKey(section, key);
  return line ? line->number : 0;
}

int IniScan::PlaceOf(std::string_view section, std::string_view key) const {
  const int line = KeyLine(section, key);
  return line ? line : HeaderLine(section);
}

std::optional<std::string> IniScan::Value(std::string_view section, std::string_view key) const {
  const IniLine* line = FindKey(section, key);
  if (!line) return std::nullopt;
  return std::string(LineValue(line->text));
}

std::string WithoutLines(std::string_view text, const std::vector<int>& numbers) {
  std::string kept;
  kept.reserve(text.size());
  ForEachLine(text, [&](int number, std::string_view raw) {
    if (std::find(numbers.begin(), numbers.end(), number) != numbers.end()) return;
    kept.append(raw);
    kept += '\n';
  });
  return kept;
}

}  // namespace pq::check
