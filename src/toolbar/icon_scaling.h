#pragma once
// The toolbar's icon strip at other sizes than its 16 pixels, for screens of
// more dots per inch: plain pixel arithmetic, done the same everywhere.
#include <cstdint>
#include <vector>

namespace pq {

// One pixel of a 32-bit picture as Windows stores it: blue, green, red, alpha.
struct Pixel {
  uint8_t b, g, r, a;
  bool operator==(const Pixel&) const = default;
};

// A strip of `images` square images of `from` pixels side by side, rows top
// down (`images * from` pixels a row), with each image scaled to `to` pixels:
// sampled bilinearly within its own square, so that no image bleeds into the
// next, and with colours weighted by their opacity, so that transparent edges
// keep no dark fringe. The result has the same layout at the new size.
std::vector<Pixel> ScaleIconStrip(const std::vector<Pixel>& strip, int images, int from, int to);

}  // namespace pq
