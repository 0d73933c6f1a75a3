#pragma once
// A configuration file read line by line with the INI store's own rules, but
// keeping what the store forgets: the line number of every header and every
// line, the sections it drops as duplicates, and the lines it never sees.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pq::check {

struct IniLine {
  int number;  // counted from 1, one per LF
  std::string text;
};

struct IniSection {
  std::string name;  // as written between the brackets
  int header_line = 0;
  std::vector<IniLine> lines;  // the lines the store keeps, in order
  // The index of the earlier same-named section that the store keeps instead
  // of this one; -1 for a section the store keeps.
  int dropped_for = -1;
};

class IniScan {
 public:
  // `text` is UTF-8, as DecodeText gives it; a byte-order mark before it is
  // passed over.
  explicit IniScan(std::string_view text);

  // Every section in file order, the dropped duplicates included.
  const std::vector<IniSection>& Sections() const { return sections_; }
  // Non-empty lines before the first header: the store drops them.
  const std::vector<IniLine>& LinesBeforeFirstSection() const { return before_first_; }
  // The line that began with Ctrl-Z, where the store stops reading; 0 for none.
  int EndOfInputLine() const { return end_of_input_; }
  // The number of lines after it that hold anything.
  int LinesAfterEnd() const { return lines_after_end_; }

  // The section the store keeps under this name (compared without regard to
  // case); none when there is none.
  const IniSection* Find(std::string_view name) const;
  // The first line of the kept section whose name is `key` (compared without
  // regard to case); none when there is none.
  const IniLine* FindKey(std::string_view section, std::string_view key) const;
  // Line numbers, 0 where there is none.
  int HeaderLine(std::string_view section) const;
  int KeyLine(std::string_view section, std::string_view key) const;
  // The line of a key, else of its section's header, else 0.
  int PlaceOf(std::string_view section, std::string_view key) const;
  // The text after the key's "="; none when there is no such key.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

 private:
  std::vector<IniSection> sections_;
  // The kept sections by their names in lower case, so that a file of many
  // sections is looked through once.
  std::unordered_map<std::string, size_t> kept_;
  std::vector<IniLine> before_first_;
  int end_of_input_ = 0;
  int lines_after_end_ = 0;
};

// A line's name: the text before its first "="; none for a line without "=".
std::optional<std::string_view> LineName(std::string_view line);
// The text after the first "=".
std::string_view LineValue(std::string_view line);

// The text without the lines of these numbers, every other byte unchanged.
std::string WithoutLines(std::string_view text, const std::vector<int>& numbers);

}  // namespace pq::check
