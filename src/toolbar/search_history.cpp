#include "toolbar/search_history.h"

#include <algorithm>
#include <vector>

#include "config/band_identity.h"
#include "config/registry_store.h"
#include "config/text_file.h"
#include "config/toolbar_config.h"
#include "platform/desktop.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace pq {
namespace {

constexpr char kInstallPathValue[] = "InstallPath";
constexpr char kHistorySuffix[] = ".txt";

bool Before(std::string_view a, std::string_view b) { return CompareText(a, b) < 0; }

TStringList FromViews(const std::vector<std::string_view>& views) {
  size_t bytes = 0;
  for (std::string_view view : views) bytes += view.size();
  TStringList list;
  list.Reserve(static_cast<int>(views.size()), bytes);
  for (std::string_view view : views) list.Add(view);
  return list;
}

}  // namespace

TStringList SortedEntries(const TStringList& entries, bool unique) {
  std::vector<std::string_view> views;
  views.reserve(static_cast<size_t>(entries.Count()));
  for (int i = 0; i < entries.Count(); ++i) views.push_back(entries[i]);
  // Files this window wrote are sorted already: checking costs one pass.
  if (!std::is_sorted(views.begin(), views.end(), Before))
    std::stable_sort(views.begin(), views.end(), Before);
  if (unique) {
    auto same = [](std::string_view a, std::string_view b) { return SameText(a, b); };
    views.erase(std::unique(views.begin(), views.end(), same), views.end());
  }
  return FromViews(views);
}

TStringList MergeUnique(const TStringList& first, const TStringList& second) {
  std::vector<std::string_view> views;
  views.reserve(static_cast<size_t>(first.Count() + second.Count()));
  int i = 0, j = 0;
  while (i < first.Count() || j < second.Count()) {
    // On a tie the entry of `first` comes out first, so it is the one kept.
    const bool take_first =
        j >= second.Count() || (i < first.Count() && CompareText(first[i], second[j]) <= 0);
    const std::string_view next = take_first ? first[i++] : second[j++];
    if (views.empty() || !SameText(views.back(), next)) views.push_back(next);
  }
  return FromViews(views);
}

int FindSorted(const TStringList& sorted, std::string_view text, int* insert_at) {
  int low = 0, high = sorted.Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (CompareText(sorted[middle], text) < 0)
      low = middle + 1;
    else
      high = middle;
  }
  if (insert_at) *insert_at = low;
  return low < sorted.Count() && SameText(sorted[low], text) ? low : -1;
}

bool SameEntries(const TStringList& a, const TStringList& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

const TStringList& SearchHistory::Load(Platform& platform) {
  const ToolbarConfigRecord& config = ToolbarConfig;
  RegVariant install_path;
  GetRegistryData(platform, RegRoot::LocalMachine, config.BandKeyPath, kInstallPathValue,
                  install_path);
  std::string folder = VariantToText(install_path);
  if (folder.empty()) folder = platform.desktop->ProgramDirectory();
  const std::string file_name = config.ToolbarName + kHistorySuffix;
  install_file_ = folder + "\\" + file_name;
  const std::string user_data = platform.desktop->UserDataFolder();
  if (!user_data.empty()) {
    user_folder_ = user_data + kUserDataSubfolder + config.ToolbarName;
    user_file_ = user_folder_ + "\\" + file_name;
  }
  Read(true, entries_);
  merged_ = entries_;
  return merged_;
}

const TStringList& SearchHistory::Merge(const TStringList& shown) {
  TStringList in_file;
  if (!Read(true, in_file)) {
    merged_ = MergeUnique(entries_, shown);
    return merged_;
  }
  TStringList gained;
  for (int i = 0; i < shown.Count(); ++i)
    if (!Holds(shown[i])) gained.Add(shown[i]);
  merged_ = MergeUnique(in_file, gained);
  entries_ = std::move(in_file);
  return merged_;
}

bool SearchHistory::Holds(std::string_view text) const { return FindSorted(entries_, text) >= 0; }

void SearchHistory::Resolve() {
  file_name_ = !user_file_.empty() && Files().Exists(user_file_) ? user_file_ : install_file_;
}

bool SearchHistory::Read(bool unique, TStringList& entries) {
  Resolve();
  if (!Files().Exists(file_name_)) return false;
  entries = SortedEntries(ReadLinesFile(file_name_, UnmarkedText::Ansi), unique);
  return true;
}

void SearchHistory::Write(const TStringList& entries) {
  try {
    WriteLinesFile(file_name_, entries);
  } catch (const FileAccessDenied&) {
    if (user_file_.empty() || file_name_ == user_file_ || !Files().CreateFolder(user_folder_))
      throw;
    WriteLinesFile(user_file_, entries);
    file_name_ = user_file_;
  }
  entries_ = SortedEntries(entries, true);
}

}  // namespace pq
