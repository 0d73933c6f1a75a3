#pragma once
// What an administrator's policies decide for the toolbar, and how a policy
// ranks against the publisher's configuration and the user's own settings.
#include <optional>
#include <string>

#include "platform/registry.h"

namespace pq {

// The policies of every toolbar this DLL serves, under HKEY_LOCAL_MACHINE
// (the machine's) and HKEY_CURRENT_USER (the user's); a subkey named after a
// toolbar's "Toolbar Name" holds the policies of that toolbar alone.
inline constexpr char kPolicyKey[] = "SOFTWARE\\Policies\\Pelliquester";

// The values. The switches are DWORDs: 1 turns the feature off, 0 keeps it on
// whatever the configuration or the user says.
inline constexpr char kPolicyDisableUpdates[] = "DisableUpdates";
inline constexpr char kPolicyUpdatesUrl[] = "UpdatesURL";  // text
inline constexpr char kPolicyDisableHistory[] = "DisableHistory";
inline constexpr char kPolicyDisableSuggestions[] = "DisableSuggestions";

// Each field is empty where no policy sets it.
struct ToolbarPolicy {
  std::optional<bool> updates_allowed;
  std::optional<std::string> updates_url;
  std::optional<bool> history_allowed;
  std::optional<bool> suggestions_allowed;
};

// Reads every value from the first of these places that holds it, as Windows
// ranks policies (the machine's above the user's) and the narrower above the
// wider within each:
//   HKEY_LOCAL_MACHINE\kPolicyKey\TOOLBAR, HKEY_LOCAL_MACHINE\kPolicyKey,
//   HKEY_CURRENT_USER\kPolicyKey\TOOLBAR,  HKEY_CURRENT_USER\kPolicyKey.
// A value of another type than its own, or one whose text is no whole number
// (switches) or is empty (the address), counts as not set: the next place
// decides. Without a toolbar name only the DLL-wide keys are read.
ToolbarPolicy ReadToolbarPolicy(Registry& registry, const std::string& toolbar_name);

// A switch: the policy when it sets one, else the user's own choice when he
// made one, else the publisher's configuration.
bool PolicyDecides(std::optional<bool> policy, std::optional<bool> user_choice, bool configured);

// Whether the toolbar asks the update address at all.
bool UpdatesAllowed(const ToolbarPolicy& policy);
// The base address of updates: the pinned one, else the configuration's.
std::string UpdatesUrlInForce(const ToolbarPolicy& policy, const std::string& configured);
// Whether searches are recorded to, and shown from, the history file, and the
// last search text kept.
bool HistoryAllowed(const ToolbarPolicy& policy);
// Whether the search box may offer suggestions; `user_choice` is the user's
// own setting where he made one, `configured` the publisher's.
bool SuggestionsAllowed(const ToolbarPolicy& policy, std::optional<bool> user_choice,
                        bool configured);

}  // namespace pq
