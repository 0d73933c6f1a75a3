// The icon strip scaled for screens of more dots per inch.
#include "toolbar/icon_scaling.h"

#include <gtest/gtest.h>

namespace pq {
namespace {

constexpr Pixel kClear{0, 0, 0, 0};
constexpr Pixel kRed{0, 0, 255, 255};
constexpr Pixel kBlue{255, 0, 0, 255};

// A strip of square images, each painted by `paint(image, x, y)`.
template <typename Paint>
std::vector<Pixel> Strip(int images, int size, Paint paint) {
  std::vector<Pixel> strip(static_cast<size_t>(images) * size * size);
  for (int y = 0; y < size; ++y)
    for (int image = 0; image < images; ++image)
      for (int x = 0; x < size; ++x)
        strip[static_cast<size_t>(y) * images * size + image * size + x] = paint(image, x, y);
  return strip;
}

Pixel At(const std::vector<Pixel>& strip, int images, int size, int image, int x, int y) {
  return strip[static_cast<size_t>(y) * images * size + image * size + x];
}

TEST(IconScaling, EachImageKeepsItsOwnColoursAtEverySize) {
  // A red image beside a blue one: neither bleeds into the other.
  const auto strip = Strip(2, 16, [](int image, int, int) { return image ? kBlue : kRed; });
  for (int size : {16, 20, 24, 32}) {
    SCOPED_TRACE(size);
    const auto scaled = ScaleIconStrip(strip, 2, 16, size);
    ASSERT_EQ(scaled.size(), static_cast<size_t>(2 * size * size));
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        ASSERT_EQ(At(scaled, 2, size, 0, x, y), kRed) << x << "," << y;
        ASSERT_EQ(At(scaled, 2, size, 1, x, y), kBlue) << x << "," << y;
      }
  }
}

TEST(IconScaling, TransparentEdgesKeepTheirColourAndFadeOnlyInOpacity) {
  // Left half clear (black, fully transparent), right half opaque red.
  const auto strip = Strip(1, 16, [](int, int x, int) { return x < 8 ? kClear : kRed; });
  const auto scaled = ScaleIconStrip(strip, 1, 16, 24);
  bool partly_opaque_seen = false;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) {
      const Pixel p = At(scaled, 1, 24, 0, x, y);
      if (p.a == 0) continue;
      partly_opaque_seen |= p.a < 255;
      EXPECT_EQ(p.r, 255) << "no dark fringe at " << x << "," << y;
      EXPECT_EQ(p.g, 0);
      EXPECT_EQ(p.b, 0);
    }
  EXPECT_TRUE(partly_opaque_seen) << "the edge is blended, not cut";
  EXPECT_EQ(At(scaled, 1, 24, 0, 0, 0).a, 0);
  EXPECT_EQ(At(scaled, 1, 24, 0, 23, 0).a, 255);
}

TEST(IconScaling, TheSameSizeGivesTheSamePixels) {
  const auto strip = Strip(3, 16, [](int image, int x, int y) {
    return Pixel{static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 16),
                 static_cast<uint8_t>(image * 80), 255};
  });
  EXPECT_EQ(ScaleIconStrip(strip, 3, 16, 16), strip);
}

TEST(IconScaling, AStripShorterThanItsImagesGivesClearImages) {
  const auto scaled = ScaleIconStrip(std::vector<Pixel>(10, kRed), 2, 16, 24);
  ASSERT_EQ(scaled.size(), static_cast<size_t>(2 * 24 * 24));
  for (const Pixel& p : scaled) EXPECT_EQ(p, kClear);
}

}  // namespace
}  // namespace pq
