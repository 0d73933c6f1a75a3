#include "toolbar/search_history.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"

namespace pq {
namespace {

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

}  // namespace pq
