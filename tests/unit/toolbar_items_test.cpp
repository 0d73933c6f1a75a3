// The item model's tree: what an item may hold, and the level each item
// stands at as items and whole subtrees are placed.
#include "toolbar/toolbar_items.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "platform/error.h"

namespace pq {
namespace {

// Items without a window, each holding the next: chain[0] holds chain[1]...
struct Chain {
  explicit Chain(size_t length) {
    for (size_t i = 0; i < length; ++i) items.emplace_back(nullptr);
    for (size_t i = 1; i < length; ++i) items[i - 1].Add(items[i]);
  }
  std::deque<TTBSubmenuItem> items;
};

TEST(TTBCustomItemAdd, RefusesWhatWouldHoldItselfOrStandTwice) {
  const struct {
    const char* name;
    std::function<void(Chain&, TTBRootItem&)> add;
    const char* message;  // empty: accepted
  } cases[] = {
      {"itself", [](Chain& c, TTBRootItem&) { c.items[0].Add(c.items[0]); }, "cannot hold itself"},
      {"its top under its bottom",
       [](Chain& c, TTBRootItem&) { c.items.back().Add(c.items.front()); }, "cannot hold itself"},
      {"its top under the middle", [](Chain& c, TTBRootItem&) { c.items[2].Add(c.items[0]); },
       "cannot hold itself"},
      {"an item placed already", [](Chain& c, TTBRootItem& root) { root.Add(c.items[3]); },
       "placed already"},
      {"its top under a top level", [](Chain& c, TTBRootItem& root) { root.Add(c.items[0]); }, ""},
      {"a fresh item under its bottom",
       [](Chain& c, TTBRootItem&) { c.items.back().Add(c.items.emplace_back(nullptr)); }, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Chain chain(5);
    TTBRootItem root;
    std::string message;
    try {
      c.add(chain, root);
    } catch (const Error& error) {
      message = error.what();
    }
    if (*c.message == '\0') {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_NE(message.find(c.message), std::string::npos) << message;
      // The tree is as it was.
      EXPECT_EQ(chain.items[0].Parent(), nullptr);
      for (size_t i = 1; i < 5; ++i) EXPECT_EQ(chain.items[i].Parent(), &chain.items[i - 1]);
      EXPECT_TRUE(root.Items().empty());
    }
  }
}

TEST(TTBCustomItemAdd, LevelsFollowWhereAnItemAndAllItHoldsAreAdded) {
  // Deep enough that walking it by recursion would not do.
  constexpr size_t kLength = 50000;
  Chain chain(kLength);
  EXPECT_EQ(chain.items[0].Level(), 1) << "placed nowhere";
  EXPECT_EQ(chain.items.back().Level(), static_cast<int>(kLength));

  TTBRootItem root;
  EXPECT_EQ(root.Level(), 0);
  TTBItem top(nullptr);
  root.Add(top);
  TTBSubmenuItem menu(nullptr);
  root.Add(menu);
  menu.Add(chain.items[0]);
  EXPECT_EQ(top.Level(), 1);
  for (size_t i : {size_t{0}, size_t{1}, kLength / 2, kLength - 1})
    EXPECT_EQ(chain.items[i].Level(), static_cast<int>(i) + 2) << i;
}

}  // namespace
}  // namespace pq
