#include "band/class_id.h"

#include <objbase.h>

#include "config/band_identity.h"
#include "platform/error.h"

namespace pq::band {

CLSID ParseClassId(const std::string& text) {
  // Class identifier texts are ASCII: widening each character is exact.
  std::wstring wide(text.begin(), text.end());
  CLSID id{};
  if (FAILED(CLSIDFromString(wide.c_str(), &id))) throw Error("Invalid class identifier: " + text);
  return id;
}

const CLSID& BandClassGuid() {
  static const CLSID id = ParseClassId(kBandClassId);
  return id;
}

}  // namespace pq::band
