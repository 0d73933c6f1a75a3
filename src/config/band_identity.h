#pragma once
// The band's class identifier: the product's identity in every registry entry.
// It never changes once published.

namespace pq {

inline constexpr char kBandClassId[] = "{239C3CF1-51CD-435E-8519-61775A6780CF}";
inline constexpr char kExplorerBarsKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars";
// Below the user's data folder, each toolbar's folder of its own, named after
// the toolbar: its search history and an update the install directory refused.
inline constexpr char kUserDataSubfolder[] = "\\Pelliquester\\";

}  // namespace pq
