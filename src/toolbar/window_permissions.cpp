#include "toolbar/window_permissions.h"

#include "config/toolbar_config.h"
#include "platform/host_browser.h"
#include "platform/platform.h"

namespace pq {

WindowPermissions PermissionsFor(bool private_session, const ToolbarPolicy& policy) {
  WindowPermissions permissions;
  // A private window still completes from the history it finds; only a
  // policy keeps the history away altogether.
  permissions.use_history = HistoryAllowed(policy);
  permissions.record_history = !private_session && permissions.use_history;
  permissions.save_search_text = permissions.record_history;
  // The toolbar offers no switch of its own for suggestions: the publisher's
  // service, where named, is on unless a policy says otherwise.
  permissions.suggest = !private_session && SuggestionsAllowed(policy, std::nullopt, true);
  permissions.fetch_updates = !private_session && UpdatesAllowed(policy);
  return permissions;
}

WindowPermissions DecidePermissions(Platform& platform) {
  bool private_session = false;
  if (platform.browsing_mode) {
    try {
      private_session = platform.browsing_mode->IsPrivate();
    } catch (...) {
      // A browser that fails to answer is one that knows no private sessions.
    }
  }
  return PermissionsFor(private_session, ToolbarConfig.Policy);
}

}  // namespace pq
