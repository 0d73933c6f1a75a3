// The administrative template against the code: it writes exactly the values
// the toolbar reads, where it reads them, with the values the reader takes
// for on and off, and every text and box it names is in its language file.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "../unit/whole_files.h"
#include "config/toolbar_policy.h"

namespace pq {
namespace {

const std::string kTemplate = std::string(PQ_SOURCE_DIR) + "/policies/Pelliquester.admx";
const std::string kLanguage = std::string(PQ_SOURCE_DIR) + "/policies/en-US/Pelliquester.adml";

std::string Attribute(const std::string& element, const std::string& name) {
  std::smatch found;
  if (std::regex_search(element, found, std::regex("\\s" + name + "=\"([^\"]*)\"")))
    return found[1];
  return std::string();
}

// Each <policy> element of the template, whole, by its name.
std::map<std::string, std::string> Policies(const std::string& admx) {
  std::map<std::string, std::string> policies;
  const std::regex policy("<policy\\s[\\s\\S]*?</policy>");
  for (auto it = std::sregex_iterator(admx.begin(), admx.end(), policy);
       it != std::sregex_iterator(); ++it)
    policies[Attribute(it->str(), "name")] = it->str();
  return policies;
}

std::set<std::string> Matches(const std::string& text, const std::string& pattern) {
  std::set<std::string> found;
  const std::regex expression(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), expression);
       it != std::sregex_iterator(); ++it)
    found.insert((*it)[1]);
  return found;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

TEST(PolicyTemplate, WritesTheValuesTheToolbarReadsWhereItReadsThem) {
  const struct {
    const char* value;
    bool is_switch;  // else a text
  } expected[] = {
      {kPolicyDisableUpdates, true},
      {kPolicyUpdatesUrl, false},
      {kPolicyDisableHistory, true},
      {kPolicyDisableSuggestions, true},
  };
  const std::map<std::string, std::string> policies = Policies(testing::ReadAll(kTemplate));
  EXPECT_EQ(policies.size(), std::size(expected)) << "one policy for each value";
  std::set<std::string> written;
  for (const auto& [name, policy] : policies) {
    SCOPED_TRACE(name);
    // Group Policy compares key paths without regard to case.
    EXPECT_EQ(Lower(Attribute(policy, "key")), Lower(kPolicyKey));
    EXPECT_EQ(Attribute(policy, "class"), "Both") << "for the machine and for users";
    const std::set<std::string> value_names = Matches(policy, "valueName=\"([^\"]*)\"");
    ASSERT_EQ(value_names.size(), 1u);
    written.insert(*value_names.begin());
  }
  for (const auto& c : expected) {
    SCOPED_TRACE(c.value);
    ASSERT_TRUE(written.count(c.value)) << "no policy writes it";
    std::string policy;
    for (const auto& [name, text] : policies)
      if (text.find("valueName=\"" + std::string(c.value) + "\"") != std::string::npos) policy = text;
    if (c.is_switch) {
      // The reader takes any number but 0 for "off", 0 for "kept on".
      EXPECT_NE(policy.find("<enabledValue><decimal value=\"1\"/></enabledValue>"),
                std::string::npos);
      EXPECT_NE(policy.find("<disabledValue><decimal value=\"0\"/></disabledValue>"),
                std::string::npos);
    } else {
      // An empty address would count as none: the box must be filled in.
      EXPECT_NE(policy.find("<text id=\"" + std::string(c.value) + "\" valueName=\"" + c.value +
                            "\" required=\"true\""),
                std::string::npos);
    }
  }
}

TEST(PolicyTemplate, EveryTextAndBoxItNamesIsInTheLanguageFile) {
  const std::string admx = testing::ReadAll(kTemplate);
  const std::string adml = testing::ReadAll(kLanguage);
  const std::set<std::string> strings = Matches(adml, "<string id=\"([^\"]*)\"");
  const std::set<std::string> presentations = Matches(adml, "<presentation id=\"([^\"]*)\"");
  const std::set<std::string> named_strings = Matches(admx, "\\$\\(string\\.([^)]*)\\)");
  const std::set<std::string> named_presentations =
      Matches(admx, "\\$\\(presentation\\.([^)]*)\\)");
  ASSERT_FALSE(named_strings.empty());
  for (const std::string& id : named_strings) EXPECT_TRUE(strings.count(id)) << "string " << id;
  for (const std::string& id : named_presentations)
    EXPECT_TRUE(presentations.count(id)) << "presentation " << id;
  // Every box of the language file fills an element of the template.
  const std::set<std::string> elements = Matches(admx, "<text id=\"([^\"]*)\"");
  for (const std::string& id : Matches(adml, "refId=\"([^\"]*)\""))
    EXPECT_TRUE(elements.count(id)) << "box " << id;
  // Revisions must agree, or the editor refuses the pair.
  EXPECT_EQ(Attribute(admx, "revision"), Attribute(adml, "revision"));
}

TEST(PolicyTemplate, TheAdministratorsSectionNamesEveryValueAndTheFiles) {
  const std::string page = testing::ReadAll(std::string(PQ_SOURCE_DIR) + "/docs/configuration.md");
  const size_t section = page.find("\n## For administrators\n");
  ASSERT_NE(section, std::string::npos);
  const std::string text = page.substr(section);
  for (const std::string& named :
       {std::string(kPolicyDisableUpdates), std::string(kPolicyUpdatesUrl),
        std::string(kPolicyDisableHistory), std::string(kPolicyDisableSuggestions),
        "HKEY_LOCAL_MACHINE\\" + std::string(kPolicyKey),
        "HKEY_CURRENT_USER\\" + std::string(kPolicyKey), std::string("policies/Pelliquester.admx"),
        std::string("policies/en-US/Pelliquester.adml")})
    EXPECT_NE(text.find("`" + named), std::string::npos) << named;
}

}  // namespace
}  // namespace pq
