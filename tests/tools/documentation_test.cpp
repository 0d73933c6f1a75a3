// The publishers' reference against the code: every configuration key and
// registry value the code reads is documented and known to the check, the
// toolbar's own names and the image list are the ones the code has.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "../unit/whole_files.h"
#include "check/check_ports.h"
#include "check/config_check.h"
#include "config/toolbar_config.h"
#include "platform/platform.h"
#include "toolbar/toolbar_form.h"

namespace pq::check {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) { return testing::ReadAll(path.string()); }

std::string Trim(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t\r\n");
  const size_t end = text.find_last_not_of(" \t\r\n");
  return begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
}

// The arguments of the call whose "(" stands before `at`, as written.
std::vector<std::string> Arguments(const std::string& text, size_t at) {
  std::vector<std::string> arguments;
  std::string current;
  int depth = 0;
  for (size_t i = at; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      const size_t end = text.find('"', i + 1);
      current += text.substr(i, end - i + 1);
      i = end;
    } else if (c == '(' || c == '{' || c == '[') {
      ++depth, current += c;
    } else if ((c == ')' || c == '}' || c == ']') && depth > 0) {
      --depth, current += c;
    } else if (c == ')' || (c == ',' && depth == 0)) {
      arguments.push_back(Trim(current));
      current.clear();
      if (c == ')') break;
    } else {
      current += c;
    }
  }
  return arguments;
}

// What the code reads: the configuration keys with their sections (empty
// when the code decides it at run time), the sections, and the registry
// values; names given as literals or as constants.
struct CodeReads {
  std::vector<std::pair<std::string, std::string>> keys;
  std::set<std::string> sections;
  std::set<std::string> registry_values;
};

CodeReads ScanSources() {
  CodeReads reads;
  const std::regex constant(R"re(constexpr\s+char\s+(\w+)\[\]\s*=\s*"([^"]*)")re");
  const std::regex call(
      R"re(\b(Read(?:String|Integer|Bool|Float|Date|DateTime|Time|Value|Section)|RegistryText|ReadToolbarSetting|WriteToolbarSetting|GetRegistryData)\s*\()re");
  // Names written once in a header are used in other files.
  std::map<std::string, std::string> constants;
  for (const auto& entry : fs::recursive_directory_iterator(PQ_SOURCE_DIR "/src")) {
    const std::string text = ReadText(entry.path());
    for (std::sregex_iterator m(text.begin(), text.end(), constant), end; m != end; ++m)
      constants[(*m)[1]] = (*m)[2];
  }
  for (const auto& entry : fs::recursive_directory_iterator(PQ_SOURCE_DIR "/src")) {
    const std::string text = ReadText(entry.path());
    auto resolve = [&](const std::string& argument) -> std::string {
      if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"')
        return argument.substr(1, argument.size() - 2);
      auto found = constants.find(argument);
      return found == constants.end() ? "" : found->second;
    };
    for (std::sregex_iterator m(text.begin(), text.end(), call), end; m != end; ++m) {
      const std::string function = (*m)[1];
      const auto args = Arguments(text, static_cast<size_t>(m->position() + m->length()));
      if (function.starts_with("Read") && function != "ReadToolbarSetting") {
        if (args.empty()) continue;
        const std::string section = resolve(args[0]);
        if (!section.empty()) reads.sections.insert(section);
        if (function == "ReadSection" || args.size() < 3) continue;
        if (const std::string name = resolve(args[1]); !name.empty())
          reads.keys.push_back({section, name});
      } else {
        // Where each function takes the value's name.
        const size_t index = function == "GetRegistryData" ? 3 : function == "RegistryText" ? 2 : 1;
        if (args.size() <= index) continue;
        if (const std::string name = resolve(args[index]); !name.empty())
          reads.registry_values.insert(name);
      }
    }
  }
  return reads;
}

// Every `name` and `[name]` the page sets in code type.
std::set<std::string> Documented() {
  const std::string text = ReadText(PQ_SOURCE_DIR "/docs/configuration.md");
  std::set<std::string> names;
  const std::regex code("`([^`\n]+)`");
  for (std::sregex_iterator m(text.begin(), text.end(), code), end; m != end; ++m) {
    std::string name = (*m)[1];
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
      name = name.substr(1, name.size() - 2);
    names.insert(name);
  }
  return names;
}

// The part of the page between the two comments.
std::string Between(const std::string& from, const std::string& to) {
  const std::string text = ReadText(PQ_SOURCE_DIR "/docs/configuration.md");
  const size_t begin = text.find(from);
  const size_t end = text.find(to);
  if (begin == std::string::npos || end == std::string::npos) return "";
  return text.substr(begin + from.size(), end - begin - from.size());
}

TEST(Documentation, EveryKeySectionAndRegistryValueTheCodeReadsIsDocumentedAndChecked) {
  const CodeReads reads = ScanSources();
  const std::set<std::string> documented = Documented();
  std::set<std::string> options, items;
  for (const auto& [section, name] : reads.keys) {
    EXPECT_TRUE(documented.count(name)) << "key " << name << " in [" << section << "]";
    (section == "Options" ? options : items).insert(name);
  }
  for (const std::string& section : reads.sections)
    EXPECT_TRUE(documented.count(section)) << "section [" << section << "]";
  for (const std::string& value : reads.registry_values)
    EXPECT_TRUE(documented.count(value)) << "registry value " << value;
  // [Options] is read through the configuration layer's table of keys, which
  // the check shares; a key read past the table would be known to neither.
  for (const std::string& name : options)
    EXPECT_TRUE(std::count(OptionKeys().begin(), OptionKeys().end(), name)) << "[Options] " << name;
  // The check knows every item key the code reads, and no other.
  EXPECT_EQ(items, std::set<std::string>(ItemKeys().begin(), ItemKeys().end()));
  // The scan itself finds what is known to be read.
  for (const char* key :
       {"Caption", "ImageIndex", "URL", "Tag", "GroupIndex", "Count", "Name", "Parent"})
    EXPECT_TRUE(items.count(key)) << key;
  for (const char* section : {"Options", "Toolbar Items", "miSearch"})
    EXPECT_TRUE(reads.sections.count(section)) << section;
  for (const char* value : {"InstallPath", "Toolbar Name", "Toolbar File", "Search Type", "Search"})
    EXPECT_TRUE(reads.registry_values.count(value)) << value;
}

// Each key of the table has its row in the reference's [Options] table, with
// its default as the toolbar has it.
TEST(Documentation, EveryOptionHasItsRowWithItsDefault) {
  const std::string text = ReadText(PQ_SOURCE_DIR "/docs/configuration.md");
  for (const OptionSpec& key : kOptionTable) {
    SCOPED_TRACE(key.name);
    const size_t row = text.find("| `" + std::string(key.name) + "` | ");
    ASSERT_NE(row, std::string::npos);
    const std::string rest = text.substr(row, text.find('\n', row) - row);
    if (key.default_value) {
      std::string cell = " | `";
      cell.append(key.default_value).append("` | ");
      EXPECT_NE(rest.find(cell), std::string::npos) << rest;
    } else {
      EXPECT_TRUE(rest.find(" | none | ") != std::string::npos ||
                  rest.find(" | empty | ") != std::string::npos)
          << rest;
    }
  }
}

TEST(Documentation, TheUpdatesSectionNamesTheWindowsBudget) {
  const std::string text = ReadText(PQ_SOURCE_DIR "/docs/configuration.md");
  const std::string updates = text.substr(text.find("## Updates"));
  EXPECT_NE(updates.find("at most " + std::to_string(kUpdateBudgetMs) + " milliseconds"),
            std::string::npos);
}

TEST(Documentation, ReservedNamesAreTheToolbarsOwn) {
  Platform platform;
  SilentView view;
  TToolbarForm form(platform, view);
  std::set<std::string> own;
  for (size_t i = 0; i < form.ComponentCount(); ++i)
    if (!form.Component(i).Name().empty()) own.insert(form.Component(i).Name());

  std::set<std::string> listed;
  const std::string part = Between("<!-- reserved names -->", "<!-- end of reserved names -->");
  const std::regex code("`(\\w+)`");
  for (std::sregex_iterator m(part.begin(), part.end(), code), end; m != end; ++m)
    listed.insert((*m)[1]);
  EXPECT_EQ(listed, own);
}

// The number and the rest of each line of `text` that matches `line`.
std::vector<std::pair<int, std::string>> Rows(const std::string& text, const std::regex& line) {
  std::vector<std::pair<int, std::string>> rows;
  std::istringstream lines(text);
  std::smatch m;
  for (std::string row; std::getline(lines, row);)
    if (std::regex_match(row, m, line)) rows.emplace_back(std::stoi(m[1]), m[2]);
  return rows;
}

TEST(Documentation, ImageTableIsTheIconList) {
  const auto slots = Rows(ReadText(PQ_SOURCE_DIR "/assets/icon_slots.txt"),
                          std::regex(R"re((\d+)\s+\S+\s+(.*\S))re"));
  EXPECT_EQ(static_cast<int>(slots.size()), kImageCount);
  EXPECT_EQ(Rows(Between("<!-- images -->", "<!-- end of images -->"),
                 std::regex(R"re(\| (\d+) \| (.*) \|)re")),
            slots);
}

}  // namespace
}  // namespace pq::check
