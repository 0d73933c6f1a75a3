#include "toolbar/window_permissions.h"

#include "platform/host_browser.h"
#include "platform/platform.h"

namespace pq {

WindowPermissions PermissionsFor(bool private_session) {
  WindowPermissions permissions;
  if (private_session) {
    permissions.record_history = false;
    permissions.save_search_text = false;
    permissions.suggest = false;
    permissions.fetch_updates = false;
  }
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
  return PermissionsFor(private_session);
}

}  // namespace pq
