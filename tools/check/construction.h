#pragma once
// One construction of the toolbar from a version of the configuration, with
// the core's own code, and which entry of [Toolbar Items] each item came from.
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "toolbar/silent_view.h"
#include "toolbar/toolbar_form.h"

namespace pq {
class TBigIniFile;
}

namespace pq::check {

inline constexpr char kItems[] = "Toolbar Items";
inline constexpr char kSearchKey[] = "miSearch";
inline constexpr int32_t kSpeedButtonTag = 111;
inline constexpr char kSpeedButtonName[] = "SpeedBtn1";

struct Entry {
  std::string key;  // as listed in [Toolbar Items]
  int line;
};

struct Build {
  std::unique_ptr<SilentView> view;
  std::unique_ptr<TToolbarForm> form;
  size_t fixed = 0;          // the window's own components come first
  std::vector<int> order;    // the entries listed in this version, in order
  std::vector<int> built;    // the entry of each item built, in the order of building
  std::vector<size_t> deep;  // places in `order` of the entries left out for nesting
  size_t reached = 0;        // how many of `order` construction reached
  int stop = -1;             // the entry construction stopped at
  std::string stop_message;
  // The place in `order` of the entry each item was built from; -1 for the
  // window's own components, which exist before any.
  std::unordered_map<const TComponent*, int> made_at;

  // The entry a component was built from; -1 for the window's own.
  int EntryOf(const TComponent* component) const {
    const auto found = made_at.find(component);
    return found == made_at.end() || found->second < 0 ? -1 : order[found->second];
  }
  // The built item of this number, counted from 0 in the order of building.
  TTBCustomItem* ItemOf(size_t position) const {
    return dynamic_cast<TTBCustomItem*>(&form->Component(fixed + position));
  }
};

// Builds the toolbar from the installed configuration rewritten as `text`
// without the lines of the entries `removed`; a construction that fails
// before any item is thrown.
Build Construct(Platform& platform, const std::string& text, const std::vector<Entry>& entries,
                const std::vector<int>& removed);

// The entries left out for nesting too deep, each under the one whose level
// it hangs below: that one stands right below the deepest level.
struct TooDeep {
  int entry;
  std::vector<std::string> below;  // the keys of the entries under it
};
std::vector<TooDeep> LeftOutForDepth(const Build& build, const std::vector<Entry>& entries,
                                     TBigIniFile& ini);

}  // namespace pq::check
