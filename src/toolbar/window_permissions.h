#pragma once
// What a toolbar window may keep of the user's searches and ask of the
// network on his behalf. Decided here alone, once for each window: a private
// session keeps nothing and asks for nothing, and an administrator's policy
// switches off what it names.
#include "config/toolbar_policy.h"

namespace pq {

struct Platform;

struct WindowPermissions {
  bool use_history = true;       // read and show the history file and its commands
  bool record_history = true;    // add searches to the history file
  bool save_search_text = true;  // keep the last search's text for the next window
  bool suggest = true;           // ask a suggestion service while the user types
  bool fetch_updates = true;     // fetch configuration updates
};

// The permissions of a window in a private session or not, under `policy`.
WindowPermissions PermissionsFor(bool private_session, const ToolbarPolicy& policy = {});
// The permissions of a window opened now, under the policies in force: the
// browser is asked whether its session is private; a browser that cannot tell
// is taken as not private.
WindowPermissions DecidePermissions(Platform& platform);

}  // namespace pq
