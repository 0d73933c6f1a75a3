// The toolbar built from any configuration file, as an update may serve one,
// with the search type of the last window taken from the first byte. Whatever
// is built must be a tree whose links agree both ways, every name must find
// its component, and the search button must be left usable; clicking every
// configured item must keep it so.
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "config/band_identity.h"
#include "config/toolbar_config.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_toolbar_view.h"
#include "fuzz_support.h"
#include "platform/error.h"
#include "platform/text.h"
#include "toolbar/toolbar_form.h"

namespace {

using pq::fuzz::Check;

const std::string kBandKey = std::string(pq::kExplorerBarsKey) + "\\" + pq::kBandClassId;
const std::string kSearchUrl = "http://find.example/s?q=[SEARCH]";

void Configure() {
  pq::ToolbarConfigRecord& config = pq::ToolbarConfig;
  config.BandClassId = pq::kBandClassId;
  config.BandKeyPath = kBandKey;
  // File names are composed with "\", an ordinary character here: the
  // files stand beside this name, inside the scratch directory.
  config.InstallPath = pq::fuzz::ScratchDirectory("build_toolbar_fuzz") + "/install";
  config.ToolbarFile = "FuzzBar";
  config.ToolbarName = "Fuzz Bar";
  config.SearchUrl = kSearchUrl;
  config.DefaultSpeedCount = 1;
}

// Walks the items below `node`: each child names `node` as its parent and is
// met only once over all trees.
void CheckTree(const pq::TTBCustomItem& node, std::set<const pq::TTBCustomItem*>& seen,
               size_t depth, size_t limit) {
  Check(depth <= limit, "no tree is deeper than there are items");
  for (const pq::TTBCustomItem* child : node.Items()) {
    Check(child->Parent() == &node, "every child's parent is the node it sits in");
    Check(seen.insert(child).second, "an item sits in one place only");
    CheckTree(*child, seen, depth + 1, limit);
  }
}

void CheckForm(const pq::TToolbarForm& form) {
  const size_t count = form.ComponentCount();
  std::set<const pq::TTBCustomItem*> seen;
  for (const pq::TTBRootItem* root :
       {&form.Toolbar->Items, &form.MainPopup->Items, &form.SearchPopup->Items})
    CheckTree(*root, seen, 0, count);
  std::set<std::string> names;
  for (size_t i = 0; i < count; ++i) {
    const pq::TComponent& component = form.Component(i);
    if (const auto* item = dynamic_cast<const pq::TTBCustomItem*>(&component)) {
      // An unplaced item may hold others; those trees must hold too.
      if (!item->Parent()) CheckTree(*item, seen, 0, count);
      if (item->Parent())
        Check(seen.count(item) == 1, "a placed item is reached from the top of its tree");
    }
    const std::string& name = component.Name();
    if (name.empty()) continue;
    Check(pq::IsValidIdent(name), "names are identifiers");
    Check(names.insert(pq::LowerCase(name)).second, "no two components share a name");
    Check(form.FindComponent(name) == &component, "a name finds its component");
    Check(form.FindComponent(pq::LowerCase(name)) == &component,
          "a name finds its component in other letter case");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  Configure();
  {
    std::ofstream out(pq::ConfigFilePath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data) + 1, static_cast<std::streamsize>(size - 1));
  }
  pq::fakes::FakePlatform fakes;
  // -1 to 32: every search type, and the numbers just outside the range.
  fakes.registry.PutText(pq::RegRoot::LocalMachine, kBandKey, pq::kSearchTypeValue,
                         data[0] < 0xF0 ? std::to_string(data[0] % 34 - 1) : "none");
  pq::fakes::FakeToolbarView view;
  pq::TToolbarForm form(fakes.platform, view);
  const size_t fixed = form.ComponentCount();
  bool built = true;
  try {
    form.BuildToolbar();
  } catch (const pq::Error& error) {
    // Only a configured name may stop construction. The text may end early,
    // at a NUL byte of the name it quotes.
    const std::string what = error.what();
    Check(what.rfind("''", 0) == 0 || what.rfind("A component named ", 0) == 0,
          "construction stops only at a bad or taken name");
    built = false;
  }
  CheckForm(form);

  if (built) {
    const pq::TTBCustomItem* search = form.SearchItem;
    Check(search != nullptr, "a built toolbar has its search button");
    Check(search->OnClick == pq::TClickHandler::MISearchClick, "the search button searches");
    Check(search->Hint.empty(), "the search button keeps no address of its own");
    Check(search->Tag >= 0 && search->Tag <= pq::MaxSearchType, "the search type is in range");
    if (search->Tag == 0) {
      Check(form.CurrentSearchURL() == kSearchUrl,
            "without a search type the configured one holds");
    } else {
      bool found = false;
      for (size_t i = fixed; i < form.ComponentCount() && !found; ++i) {
        const auto* item = dynamic_cast<const pq::TTBCustomItem*>(&form.Component(i));
        found = item && item->Kind() == pq::TTBItemKind::Plain && item->Tag == search->Tag &&
                item->Checked() && item->Hint == form.CurrentSearchURL();
      }
      Check(found, "a restored search type is a checked item whose address is in force");
    }
  }

  // Every configured item clicked in a browser window: nothing it does may
  // break the window, whatever its address.
  auto host = std::make_shared<pq::fakes::FakeHostBrowser>();
  form.HostBrowser = host;
  view.search_text = "fuzz query";
  for (size_t i = fixed; i < form.ComponentCount(); ++i) form.Click(form.Component(i));
  CheckForm(form);
  pq::ClearToolbarConfig();
  return 0;
}
