#include <gtest/gtest.h>

#include <optional>

#include "toolbar/window_permissions.h"

namespace pq {
namespace {

// A private session and an administrator's policy each take away what they
// name; neither gives back what the other took.
TEST(WindowPermissionsTest, PrivateSessionAndPolicyCombine) {
  struct Case {
    const char* name;
    bool private_session;
    std::optional<bool> history, suggestions, updates;
    bool use, record, save_text, suggest, fetch;
  };
  const Case cases[] = {
      {"nothing set", false, {}, {}, {}, true, true, true, true, true},
      {"private session", true, {}, {}, {}, true, false, false, false, false},
      {"history off", false, false, {}, {}, false, false, false, true, true},
      {"suggestions off", false, {}, false, {}, true, true, true, false, true},
      {"updates off", false, {}, {}, false, true, true, true, true, false},
      {"policy keeps all on", false, true, true, true, true, true, true, true, true},
      {"policy on cannot undo private", true, true, true, true, true, false, false, false, false},
      {"everything off", false, false, false, false, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToolbarPolicy policy;
    policy.history_allowed = c.history;
    policy.suggestions_allowed = c.suggestions;
    policy.updates_allowed = c.updates;
    const WindowPermissions permissions = PermissionsFor(c.private_session, policy);
    EXPECT_EQ(permissions.use_history, c.use);
    EXPECT_EQ(permissions.record_history, c.record);
    EXPECT_EQ(permissions.save_search_text, c.save_text);
    EXPECT_EQ(permissions.suggest, c.suggest);
    EXPECT_EQ(permissions.fetch_updates, c.fetch);
  }
}

}  // namespace
}  // namespace pq
