#pragma once
#include <windows.h>

#include <string>

namespace pq::band {

// A class identifier from its registry text ("{...}"); throws Error when the text isn't one.
CLSID ParseClassId(const std::string& text);
// The band's class identifier.
const CLSID& BandClassGuid();

}  // namespace pq::band
