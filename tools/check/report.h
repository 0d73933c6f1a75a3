#pragma once
// How the check shows what it found: the toolbar's items as a tree, and the
// findings as lines (FormatFinding, declared with the check).
#include <string>
#include <string_view>
#include <vector>

#include "check/construction.h"

namespace pq {
class TBigIniFile;
}

namespace pq::check {

// A value as messages name it: in double quotes.
std::string Quoted(std::string_view text);

// The items of a construction as they show at the toolbar's first start,
// then those never shown, those never built for their depth, and where
// construction stopped.
std::string ItemTree(const Build& build, const std::vector<Entry>& entries, TBigIniFile& ini,
                     const std::string& toolbar_name);

}  // namespace pq::check
