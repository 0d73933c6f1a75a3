#pragma once
// The search history's lists: sorted without regard to case, as the search
// box shows them.
#include <string>
#include <string_view>

#include "config/string_list.h"

namespace pq {

// The entries sorted without regard to case, equal ones in their old order.
// With `unique`, only the first of entries equal without regard to case stays.
TStringList SortedEntries(const TStringList& entries, bool unique);

// The union of two sorted lists, sorted, no two alike without regard to case;
// of entries that are alike, the one of `first` stays.
TStringList MergeUnique(const TStringList& first, const TStringList& second);

// In a sorted list: the index of an entry equal to the text without regard to
// case, or -1. `insert_at` receives where the text would go.
int FindSorted(const TStringList& sorted, std::string_view text, int* insert_at = nullptr);

// The same entries, byte for byte, in the same order.
bool SameEntries(const TStringList& a, const TStringList& b);

}  // namespace pq
