#include "check/construction.h"

#include <algorithm>
#include <fstream>

#include "check/ini_scan.h"
#include "config/big_ini_file.h"
#include "config/toolbar_config.h"
#include "platform/error.h"
#include "platform/text.h"

namespace pq::check {

Build Construct(Platform& platform, const std::string& text, const std::vector<Entry>& entries,
                const std::vector<int>& removed) {
  std::vector<int> removed_lines;
  for (int entry : removed) removed_lines.push_back(entries[entry].line);
  std::ofstream(ConfigFilePath(), std::ios::binary | std::ios::trunc)
      << (removed.empty() ? text : WithoutLines(text, removed_lines));

  Build build;
  for (int i = 0; i < static_cast<int>(entries.size()); ++i)
    if (std::find(removed.begin(), removed.end(), i) == removed.end()) build.order.push_back(i);
  build.view = std::make_unique<SilentView>();
  build.form = std::make_unique<TToolbarForm>(platform, *build.view);
  build.fixed = build.form->ComponentCount();
  for (size_t k = 0; k < build.fixed; ++k) build.made_at[&build.form->Component(k)] = -1;
  try {
    build.form->BuildToolbar();
  } catch (const Error& error) {
    build.stop_message = error.what();
  }
  // Entries are built in list order but for those left out; a default search
  // button may follow them.
  const std::vector<int>& left_out = build.form->LeftOutEntries;
  const size_t items = build.form->ComponentCount() - build.fixed;
  size_t next_left_out = 0;
  for (; build.reached < build.order.size(); ++build.reached) {
    const size_t place = build.reached;
    if (next_left_out < left_out.size() && static_cast<size_t>(left_out[next_left_out]) == place) {
      build.deep.push_back(place);
      ++next_left_out;
      continue;
    }
    if (build.built.size() == items) break;
    build.made_at[&build.form->Component(build.fixed + build.built.size())] =
        static_cast<int>(place);
    build.built.push_back(build.order[place]);
  }
  if (!build.stop_message.empty()) {
    if (build.built.empty())
      throw Error("construction failed before any item: " + build.stop_message);
    build.stop = build.built.back();
  }
  return build;
}

// Construction leaves an entry out when its Parent is an item at the deepest
// level, or, naming none built so far, names an entry left out before it.
std::vector<TooDeep> LeftOutForDepth(const Build& build, const std::vector<Entry>& entries,
                                     TBigIniFile& ini) {
  std::vector<TooDeep> heads;
  std::unordered_map<std::string, size_t> head_of;  // a left-out name in lower case -> its head
  for (const size_t place : build.deep) {
    const int entry = build.order[place];
    const std::string& key = entries[entry].key;
    const std::string parent = ini.ReadString(key, "Parent", "");
    const TComponent* holder = build.form->FindComponent(parent);
    const auto made = build.made_at.find(holder);
    const bool built_before = made != build.made_at.end() && made->second < static_cast<int>(place);
    const auto above = built_before ? head_of.end() : head_of.find(LowerCase(parent));
    size_t head = heads.size();
    if (above == head_of.end())
      heads.push_back({entry, {}});
    else
      heads[head = above->second].below.push_back(key);
    const std::string name = ini.ReadString(key, "Name", key);
    if (!name.empty()) head_of.emplace(LowerCase(name), head);
  }
  return heads;
}

}  // namespace pq::check
