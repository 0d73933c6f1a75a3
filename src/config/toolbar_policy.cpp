#include "config/toolbar_policy.h"

#include <memory>
#include <vector>

namespace pq {
namespace {

// The policy keys that exist, in their order of rank, each opened once.
using PolicyPlaces = std::vector<std::unique_ptr<RegistryKey>>;

std::optional<std::string> Text(const std::optional<RegValue>& value) {
  if (!value || (value->type != RegType::String && value->type != RegType::ExpandString))
    return std::nullopt;
  // The terminator may or may not be stored; the text ends at the first NUL.
  return value->data.substr(0, value->data.find('\0'));
}

std::optional<std::string> TextValue(RegistryKey& key, const char* name) {
  return Text(key.Read(name));
}

// A switch: a DWORD, or a whole number written as text by hand (`reg add`
// without /t). Anything else is no setting at all.
std::optional<bool> SwitchValue(RegistryKey& key, const char* name) {
  const std::optional<RegValue> value = key.Read(name);
  if (!value) return std::nullopt;
  if (value->type == RegType::Dword) {
    if (value->data.size() < 4) return std::nullopt;
    return value->data.substr(0, 4) != std::string(4, '\0');
  }
  const std::optional<std::string> text = Text(value);
  if (!text || text->empty() || text->size() > 9) return std::nullopt;
  for (char c : *text)
    if (c < '0' || c > '9') return std::nullopt;
  return text->find_first_not_of('0') != std::string::npos;
}

// The first place's setting wins.
std::optional<bool> FirstSwitch(const PolicyPlaces& places, const char* name) {
  for (const auto& place : places)
    if (const std::optional<bool> on = SwitchValue(*place, name)) return on;
  return std::nullopt;
}

std::optional<std::string> FirstText(const PolicyPlaces& places, const char* name) {
  for (const auto& place : places) {
    std::optional<std::string> text = TextValue(*place, name);
    if (text && !text->empty()) return text;
  }
  return std::nullopt;
}

std::optional<bool> Inverted(std::optional<bool> disabled) {
  if (!disabled) return std::nullopt;
  return !*disabled;
}

}  // namespace

ToolbarPolicy ReadToolbarPolicy(Registry& registry, const std::string& toolbar_name) {
  PolicyPlaces places;
  for (const RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser}) {
    if (!toolbar_name.empty())
      if (auto key = registry.OpenPolicyKey(root, std::string(kPolicyKey) + "\\" + toolbar_name))
        places.push_back(std::move(key));
    if (auto key = registry.OpenPolicyKey(root, kPolicyKey)) places.push_back(std::move(key));
  }
  ToolbarPolicy policy;
  policy.updates_allowed = Inverted(FirstSwitch(places, kPolicyDisableUpdates));
  policy.updates_url = FirstText(places, kPolicyUpdatesUrl);
  policy.history_allowed = Inverted(FirstSwitch(places, kPolicyDisableHistory));
  policy.suggestions_allowed = Inverted(FirstSwitch(places, kPolicyDisableSuggestions));
  return policy;
}

bool PolicyDecides(std::optional<bool> policy, std::optional<bool> user_choice, bool configured) {
  if (policy) return *policy;
  if (user_choice) return *user_choice;
  return configured;
}

bool UpdatesAllowed(const ToolbarPolicy& policy) {
  return PolicyDecides(policy.updates_allowed, std::nullopt, true);
}

std::string UpdatesUrlInForce(const ToolbarPolicy& policy, const std::string& configured) {
  return policy.updates_url.value_or(configured);
}

bool HistoryAllowed(const ToolbarPolicy& policy) {
  return PolicyDecides(policy.history_allowed, std::nullopt, true);
}

bool SuggestionsAllowed(const ToolbarPolicy& policy, std::optional<bool> user_choice,
                        bool configured) {
  return PolicyDecides(policy.suggestions_allowed, user_choice, configured);
}

}  // namespace pq
