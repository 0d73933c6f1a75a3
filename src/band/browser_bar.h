#pragma once
#include <string>

namespace pq::band {

// Asks a newly created browser to show the band, so that it appears without a
// trip to the browser's View menu. Throws Error when the browser cannot be
// created or refuses.
void ShowBandInBrowser(const std::string& class_id);

}  // namespace pq::band
