#include "config/big_ini_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/code_pages.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace pq {
namespace {

constexpr char kCtrlZ = '\x1A';

// Typed reads: an empty or unconvertible text gives the caller's default.
template <typename T, typename Convert>
T Converted(const std::string& text, Convert convert, T default_value) {
  if (text.empty()) return default_value;
  return convert(text, UserFormatSettings()).value_or(default_value);
}

[[noreturn]] void FailOn(const char* what, const std::string& file_name) {
  throw InOutError(std::string(what) + " \"" + file_name + "\"");
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// Integer syntax: leading blanks, an optional sign, then decimal digits, or
// hexadecimal digits after "$", "x" or "X". Hexadecimal covers all 32 bits.
bool ParseInteger(std::string_view text, int32_t& result) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  }
  if (i == text.size()) return false;
  const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  const unsigned base = hex ? 16 : 10;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (hex && c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      return false;
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return false;
  }
  uint32_t bits = static_cast<uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  result = static_cast<int32_t>(bits);
  return true;
}

// Writes whose line would read back differently are refused rather than
// corrupting the file's structure.
void CheckWritable(std::string_view section, std::string_view name, std::string_view value) {
  auto has_line_break = [](std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
  };
  if (has_line_break(section) || has_line_break(name) || has_line_break(value))
    throw Error("An INI entry cannot hold a line break");
  if (name.find('=') != std::string_view::npos) throw Error("An INI key name cannot hold \"=\"");
  if (name.front() == kCtrlZ) throw Error("An INI key name cannot start with Ctrl-Z");
  if (name.front() == '[' && !value.empty() && value.back() == ']')
    throw Error("An INI entry cannot look like a section header");
}

}  // namespace

// ---------------------------------------------------------------- TSectionList

TSectionList::~TSectionList() {
  for (int i = 0; i < Count(); ++i) delete SectionItems(i);
}

int TSectionList::AddSection(std::string_view name) {
  auto lines = std::make_unique<TStringList>();
  const int index = names_.Add(name, lines.get());
  lines.release();
  return index;
}

void TSectionList::Delete(int index) {
  TStringList* lines = SectionItems(index);
  names_.Delete(index);
  delete lines;
}

void TSectionList::Clear() {
  for (int i = 0; i < Count(); ++i) delete SectionItems(i);
  names_.Clear();
  last_found_ = 0;
}

int TSectionList::IndexOf(std::string_view name) const {
  const int count = Count();
  if (last_found_ < 0 || last_found_ >= count) last_found_ = 0;
  for (int i = last_found_; i < count; ++i)
    if (SameText(Strings(i), name)) return last_found_ = i;
  for (int i = 0; i < last_found_; ++i)
    if (SameText(Strings(i), name)) return last_found_ = i;
  return -1;
}

bool TSectionList::EraseDuplicateSections(const DuplicateSectionHandler& handler) {
  const int count = Count();
  if (count < 2) return false;

  // first[i]: the lowest index with the same name as section i, made only
  // once a duplicate turns up. An open addressing table of folded-name hashes
  // finds them in one pass; sorting all names would cost more on every load.
  size_t slots = 4;
  while (slots < static_cast<size_t>(count) * 2) slots *= 2;
  std::vector<int> table(slots, -1);
  std::vector<int> first;
  for (int i = 0; i < count; ++i) {
    const std::string_view name = Strings(i);
    size_t slot = FoldedHash(name) & (slots - 1);
    for (;;) {
      const int other = table[slot];
      if (other < 0) {
        table[slot] = i;
        break;
      }
      if (SameText(Strings(other), name)) {
        if (first.empty()) {
          first.resize(static_cast<size_t>(count));
          for (int j = 0; j < count; ++j) first[j] = j;
        }
        first[i] = other;
        break;
      }
      slot = (slot + 1) & (slots - 1);
    }
  }
  if (first.empty()) return false;

  // The groups of same-named sections, in the order of their names, each in
  // load order: the order in which a sorted walk meets them.
  std::vector<int> groups;
  std::vector<std::vector<int>> members(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    if (first[i] == i) continue;
    if (members[first[i]].empty()) {
      groups.push_back(first[i]);
      members[first[i]].push_back(first[i]);
    }
    members[first[i]].push_back(i);
  }
  std::sort(groups.begin(), groups.end(),
            [this](int a, int b) { return CompareText(Strings(a), Strings(b)) < 0; });

  std::vector<char> dropped(static_cast<size_t>(count), 0);
  auto drop_marked = [&] {
    for (int i = 0; i < count; ++i)
      if (dropped[i]) delete SectionItems(i);
    names_.DeleteMarked(dropped);
    last_found_ = 0;
  };
  try {
    for (int group : groups) {
      int kept = members[group].front();
      for (size_t m = 1; m < members[group].size(); ++m) {
        const int entry = members[group][m];
        const int earlier = std::min(kept, entry);
        const int later = std::max(kept, entry);
        bool keep_earlier = true;
        if (handler) {
          const std::string name(Strings(entry));
          keep_earlier = handler(name, *SectionItems(earlier), *SectionItems(later));
          if (Count() != count) throw Error("The section list changed while removing duplicates");
        }
        kept = keep_earlier ? earlier : later;
        dropped[keep_earlier ? later : earlier] = 1;
      }
    }
  } catch (...) {
    if (Count() == count) drop_marked();
    throw;
  }
  drop_marked();
  return true;
}

// ----------------------------------------------------------------- TBigIniFile

TBigIniFile::TBigIniFile(const std::string& file_name) { SetFileName(file_name); }

TBigIniFile::~TBigIniFile() {
  try {
    UpdateFile();
  } catch (...) {
  }
}

void TBigIniFile::SetFileName(const std::string& file_name) {
  UpdateFile();
  Clear();
  file_name_ = file_name;
  encoding_ = TextEncoding::Utf8;
  existing_file_ = false;
  if (!file_name_.empty()) LoadFile(file_name_);
  Modified = false;
}

void TBigIniFile::LoadFile(const std::string& file_name) {
  section_cursor_ = 0;
  if (!Files().Exists(file_name)) return;
  std::string bytes;
  if (!Files().ReadAll(file_name, bytes)) FailOn("Cannot open", file_name);
  existing_file_ = true;
  LoadBytes(bytes);
}

void TBigIniFile::LoadBytes(std::string_view bytes) {
  section_cursor_ = 0;
  // Files are mostly ASCII or UTF-8 without a mark: those are taken in place,
  // anything else is converted first.
  std::string decoded;
  std::string_view text = bytes;
  if (MarkedEncoding(bytes) || !IsValidUtf8(bytes)) {
    DecodedText read = DecodeText(bytes);
    decoded = std::move(read.text);
    encoding_ = read.encoding;
    text = decoded;
  } else {
    encoding_ = TextEncoding::Utf8;
  }

  // The current section's lines are gathered first and copied into its list
  // together: a section of a few lines gets its buffers allocated once, at
  // their size. Long sections are passed on in batches.
  constexpr int kBatchLines = 256;
  std::string scratch;
  TStringList* section = nullptr;
  TStringList lines;
  auto close_section = [&] {
    if (!section) return;
    section->AddStrings(lines);
    lines.Clear();
  };

  // Lines end at LF; a CR before the LF belongs to the line end and any other
  // CR is dropped. A line that starts with Ctrl-Z ends the input.
  const char* next = text.data();
  const char* const end = next + text.size();
  while (next < end) {
    const char* lf = static_cast<const char*>(std::memchr(next, '\n', end - next));
    const char* stop = lf ? lf : end;
    std::string_view line(next, stop - next);
    next = lf ? lf + 1 : end;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (std::memchr(line.data(), '\r', line.size())) {
      scratch.assign(line);
      scratch.erase(std::remove(scratch.begin(), scratch.end(), '\r'), scratch.end());
      line = scratch;
    }
    if (line.empty()) continue;
    if (line.front() == kCtrlZ) break;
    if (FlagDropComments && line.front() == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      close_section();
      section = sections_.SectionItems(sections_.AddSection(line.substr(1, line.size() - 2)));
      continue;
    }
    if (!section) continue;
    AddLine(lines, line);
    if (lines.Count() >= kBatchLines) close_section();
  }
  close_section();

  if (sections_.EraseDuplicateSections(OnDuplicateSection)) Modified = true;
}

void TBigIniFile::AddLine(TStringList& lines, std::string_view line) {
  const bool rewrites = FlagTrimBlanksAroundEquals || FlagStripQuotes || FlagTrimRight;
  if (!rewrites) {
    if (FlagDropNoValueLines && line.find('=') == std::string_view::npos) return;
    lines.Add(line);
    return;
  }
  std::string text(line);
  if (FlagTrimBlanksAroundEquals) {
    size_t equals = text.find('=');
    if (equals != std::string::npos) {
      size_t start = equals;
      while (start > 0 && IsBlankOrTab(text[start - 1])) --start;
      text.erase(start, equals - start);
      equals = start;
      if (equals > 0) {
        size_t stop = equals + 1;
        while (stop < text.size() && IsBlankOrTab(text[stop])) ++stop;
        text.erase(equals + 1, stop - equals - 1);
      }
    }
  }
  if (FlagStripQuotes) {
    const size_t equals = text.find('=');
    if (equals != std::string::npos && equals > 0 && text.size() - equals - 1 >= 2) {
      const char quote = text[equals + 1];
      if ((quote == '"' || quote == '\'') && text.back() == quote) {
        text.pop_back();
        text.erase(equals + 1, 1);
      }
    }
  }
  if (FlagTrimRight)
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 33) text.pop_back();
  if (FlagDropNoValueLines && text.find('=') == std::string::npos) return;
  lines.Add(text);
}

void TBigIniFile::Clear() { sections_.Clear(); }

TBigIniFile::KeyPlace TBigIniFile::FindKey(std::string_view section, std::string_view name,
                                           bool create) {
  const int count = sections_.Count();
  bool found = false;
  if (count > 0) {
    if (section_cursor_ < 0 || section_cursor_ >= count) section_cursor_ = 0;
    const int start = section_cursor_;
    for (;;) {
      if (SameText(sections_[section_cursor_], section)) {
        found = true;
        break;
      }
      const int next = section_cursor_ + 1 == count ? 0 : section_cursor_ + 1;
      if (next == start) break;
      section_cursor_ = next;
    }
  }
  if (!found) {
    if (!create) return {nullptr, -1};
    section_cursor_ = sections_.AddSection(section);
    return {sections_.SectionItems(section_cursor_), -1};
  }

  TStringList* lines = sections_.SectionItems(section_cursor_);
  // A line's name is its text before the first "=", so a name holding "="
  // names no line.
  if (name.find('=') != std::string_view::npos) return {lines, -1};
  const size_t length = name.size();
  const bool ascii_name = IsAscii(name);
  const int line_count = lines->Count();
  for (int i = 0; i < line_count; ++i) {
    const std::string_view line = lines->Strings(i);
    if (line.size() > length && line[length] == '=' && SameText(line.substr(0, length), name))
      return {lines, i};
    // Some letters take more or fewer bytes in their other case (the Kelvin
    // sign and "k"): a name outside ASCII is compared up to the line's "=".
    if (!ascii_name) {
      const size_t equals = line.find('=');
      if (equals != std::string_view::npos && SameText(line.substr(0, equals), name))
        return {lines, i};
    }
  }
  return {lines, -1};
}

void TBigIniFile::DeleteKey(std::string_view section, std::string_view name) {
  const KeyPlace place = FindKey(section, name, true);
  if (place.index < 0) return;
  place.lines->Delete(place.index);
  Modified = true;
}

void TBigIniFile::EraseSection(std::string_view section) {
  const int index = sections_.IndexOf(section);
  if (index < 0) return;
  sections_.Delete(index);
  sections_.ResetLastFound();
  Modified = true;
  if (section_cursor_ >= sections_.Count()) section_cursor_ = 0;
}

void TBigIniFile::UpdateFile() {
  if (!Modified) return;
  if (!file_name_.empty()) WriteImage();
  Modified = false;
}

void TBigIniFile::WriteImage() {
  std::string image;
  for (int s = 0; s < sections_.Count(); ++s) {
    const TStringList& lines = *sections_.SectionItems(s);
    if (lines.Empty()) continue;
    image.append("[").append(sections_[s]).append("]\r\n");
    for (int i = 0; i < lines.Count(); ++i) image.append(lines[i]).append("\r\n");
    image.append("\r\n");
  }
  // A file of our own making carries a byte-order mark once it holds more
  // than ASCII, so that editors read it right; a publisher's file keeps the
  // encoding it came in as long as that can hold the text.
  if (!existing_file_ && encoding_ == TextEncoding::Utf8 && !IsAscii(image))
    encoding_ = TextEncoding::Utf8Bom;
  const std::string bytes = EncodeText(image, encoding_);
  std::string scratch;
  if (WriteScratchBeside(file_name_, bytes, scratch) != FileWriteResult::Written)
    FailOn("Cannot create", file_name_);
  if (!Files().Replace(scratch, file_name_)) {
    (void)Files().Remove(scratch);
    FailOn("Cannot replace", file_name_);
  }
  existing_file_ = true;
}

bool TBigIniFile::SectionExists(std::string_view section) {
  return sections_.IndexOf(section) >= 0;
}

std::string TBigIniFile::ReadValue(std::string_view section, std::string_view name,
                                   std::string_view default_value) {
  return ReadString(section, name, default_value);
}

void TBigIniFile::ReadAll(TStringList& strings) {
  UpdateScope update(strings);
  std::string header;
  for (int s = 0; s < sections_.Count(); ++s) {
    const TStringList& lines = *sections_.SectionItems(s);
    const int count = lines.Count();
    if (count == 0) continue;
    header.assign(1, '[').append(sections_[s]).append(1, ']');
    strings.Add(header);
    for (int i = 0; i < count; ++i) strings.Add(lines[i]);
    strings.Add("");
  }
}

bool TBigIniFile::ReadBool(std::string_view section, std::string_view name, bool default_value) {
  return ReadInteger(section, name, default_value ? 1 : 0) != 0;
}

TDateTime TBigIniFile::ReadDate(std::string_view section, std::string_view name,
                                TDateTime default_value) {
  return Converted(ReadString(section, name, ""), StrToDate, default_value);
}

TDateTime TBigIniFile::ReadDateTime(std::string_view section, std::string_view name,
                                    TDateTime default_value) {
  return Converted(ReadString(section, name, ""), StrToDateTime, default_value);
}

double TBigIniFile::ReadFloat(std::string_view section, std::string_view name,
                              double default_value) {
  return Converted(ReadString(section, name, ""), StrToFloat, default_value);
}

int32_t TBigIniFile::ReadInteger(std::string_view section, std::string_view name,
                                 int32_t default_value) {
  const std::string text = ReadString(section, name, "");
  std::string_view number = text;
  std::string dollar;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    dollar.assign(1, '$').append(text, 2, 255);
    number = dollar;
  }
  int32_t value;
  return ParseInteger(number, value) ? value : default_value;
}

void TBigIniFile::ReadSection(std::string_view section, TStringList& strings) {
  const int index = sections_.IndexOf(section);
  if (index < 0) return;
  const TStringList& lines = *sections_.SectionItems(index);
  UpdateScope update(strings);
  const int count = lines.Count();
  for (int i = 0; i < count; ++i) {
    const std::string_view name = lines.NameOf(i);
    if (name.empty() || (FlagDropComments && name.front() == ';')) continue;
    strings.Add(name);
  }
}

void TBigIniFile::ReadSections(TStringList& strings) {
  UpdateScope update(strings);
  strings.Clear();
  for (int s = 0; s < sections_.Count(); ++s) strings.Add(sections_[s], sections_.SectionItems(s));
}

void TBigIniFile::ReadSectionValues(std::string_view section, TStringList& strings) {
  const int index = sections_.IndexOf(section);
  if (index < 0) return;
  TStringList& lines = *sections_.SectionItems(index);
  UpdateScope update(strings);
  if (FlagClearOnReadSectionValues) strings.Clear();
  const int count = lines.Count();
  for (int i = 0; i < count; ++i) strings.Add(lines[i]);
}

std::string TBigIniFile::ReadString(std::string_view section, std::string_view name,
                                    std::string_view default_value) {
  const KeyPlace place = FindKey(section, name, false);
  if (place.index < 0) return std::string(default_value);
  return std::string(place.lines->Strings(place.index).substr(name.size() + 1));
}

TDateTime TBigIniFile::ReadTime(std::string_view section, std::string_view name,
                                TDateTime default_value) {
  return Converted(ReadString(section, name, ""), StrToTime, default_value);
}

bool TBigIniFile::HasSection(std::string_view section) { return SectionExists(section); }

void TBigIniFile::FlushFile() { UpdateFile(); }

bool TBigIniFile::ValueExists(std::string_view section, std::string_view name) {
  TStringList names;
  ReadSection(section, names);
  return names.IndexOf(name) >= 0;
}

void TBigIniFile::WriteValue(std::string_view section, std::string_view name,
                             std::string_view value) {
  WriteString(section, name, value);
}

void TBigIniFile::WriteBool(std::string_view section, std::string_view name, bool value) {
  WriteString(section, name, value ? "1" : "0");
}

void TBigIniFile::WriteDate(std::string_view section, std::string_view name, TDateTime value) {
  WriteString(section, name, DateToStr(value));
}

void TBigIniFile::WriteDateTime(std::string_view section, std::string_view name, TDateTime value) {
  WriteString(section, name, DateTimeToStr(value));
}

void TBigIniFile::WriteFloat(std::string_view section, std::string_view name, double value) {
  WriteString(section, name, FloatToStr(value));
}

void TBigIniFile::WriteInteger(std::string_view section, std::string_view name, int32_t value) {
  WriteString(section, name, std::to_string(value));
}

void TBigIniFile::WriteString(std::string_view section, std::string_view name,
                              std::string_view value) {
  if (name.empty()) {
    if (section.empty() && value.empty())
      UpdateFile();
    else
      EraseSection(section);
    return;
  }
  CheckWritable(section, name, value);
  std::string line;
  line.reserve(name.size() + 1 + value.size());
  line.append(name).append("=").append(value);
  const KeyPlace place = FindKey(section, name, true);
  if (place.index < 0) {
    place.lines->Add(line);
    Modified = true;
  } else if (place.lines->Strings(place.index) != line) {
    place.lines->Put(place.index, line);
    Modified = true;
  }
}

void TBigIniFile::WriteTime(std::string_view section, std::string_view name, TDateTime value) {
  WriteString(section, name, TimeToStr(value));
}

}  // namespace pq
