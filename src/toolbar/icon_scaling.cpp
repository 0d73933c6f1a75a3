#include "toolbar/icon_scaling.h"

#include <algorithm>
#include <cmath>

namespace pq {

std::vector<Pixel> ScaleIconStrip(const std::vector<Pixel>& strip, int images, int from, int to) {
  std::vector<Pixel> scaled(static_cast<size_t>(images) * to * to);
  if (images <= 0 || from <= 0 || to <= 0 ||
      strip.size() < static_cast<size_t>(images) * from * from)
    return scaled;
  const int from_row = images * from;
  auto at = [&](int image, int x, int y) -> const Pixel& {
    x = std::clamp(x, 0, from - 1);
    y = std::clamp(y, 0, from - 1);
    return strip[static_cast<size_t>(y) * from_row + image * from + x];
  };
  for (int image = 0; image < images; ++image)
    for (int y = 0; y < to; ++y)
      for (int x = 0; x < to; ++x) {
        const double fx = (x + 0.5) * from / to - 0.5;
        const double fy = (y + 0.5) * from / to - 0.5;
        const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
        const double wx = fx - x0, wy = fy - y0;
        double r = 0, g = 0, b = 0, a = 0;
        for (int dy = 0; dy <= 1; ++dy)
          for (int dx = 0; dx <= 1; ++dx) {
            const Pixel& p = at(image, x0 + dx, y0 + dy);
            const double weight = (dx ? wx : 1 - wx) * (dy ? wy : 1 - wy) * p.a;
            r += weight * p.r;
            g += weight * p.g;
            b += weight * p.b;
            a += weight;
          }
        Pixel& out = scaled[static_cast<size_t>(y) * images * to + image * to + x];
        out.a = static_cast<uint8_t>(std::lround(a));
        out.r = a > 0 ? static_cast<uint8_t>(std::lround(r / a)) : 0;
        out.g = a > 0 ? static_cast<uint8_t>(std::lround(g / a)) : 0;
        out.b = a > 0 ? static_cast<uint8_t>(std::lround(b / a)) : 0;
      }
  return scaled;
}

}  // namespace pq
