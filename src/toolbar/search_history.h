#pragma once
// The search history's file and lists, sorted without regard to case as the
// search box shows them.
#include <string>
#include <string_view>

#include "config/string_list.h"

namespace pq {

struct Platform;

// The history file that all windows of one toolbar share, one search a line:
// the one in the install folder, or the user's own copy once the install folder
// refused a write; and the entries last read from it merged with the search
// box's list, no two alike.
class SearchHistory {
 public:
  // Finds where the configured toolbar's file lies and reads it.
  const TStringList& Load(Platform& platform);
  // Reads the file anew, when there is one, and merges in what the box's
  // list gained since this window last read or wrote the file; what the file
  // lost meanwhile (removed or cleared in another window) stays lost. A file
  // that is gone is made anew from both.
  const TStringList& Merge(const TStringList& shown);
  // Whether the file held the text when this window last read or wrote it.
  bool Holds(std::string_view text) const;
  // Looks again which file is in force: another window may have moved the
  // history to the user's copy meanwhile.
  void Resolve();
  // Reads the file in force, sorted, alike entries once when `unique`; false,
  // and `entries` untouched, when there is none.
  bool Read(bool unique, TStringList& entries);
  // Writes the list to the file in force; where the install folder refuses it
  // for lack of rights, to the user's copy from then on.
  void Write(const TStringList& entries);

  // The entries last read, merged with the box's list by the last merge.
  const TStringList& Entries() const { return merged_; }

  // The file in force as last looked at.
  const std::string& FileName() const { return file_name_; }

 private:
  std::string install_file_;
  std::string user_folder_;  // empty: the user has no folder of his own
  std::string user_file_;
  std::string file_name_;
  TStringList entries_;  // the file as this window last read or wrote it, sorted
  TStringList merged_;
};

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
