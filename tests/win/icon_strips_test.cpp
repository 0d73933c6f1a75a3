// The toolbar's image list at each DPI, from the strips the module carries.
#include "win32/icon_strips.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "toolbar/toolbar_metrics.h"
#include "win32/resource_ids.h"

namespace pq {
namespace {

// The opacity of every pixel of a 32-bit bitmap, top row first.
std::vector<uint8_t> Alpha(HBITMAP bitmap, int& width, int& height) {
  BITMAP shape{};
  GetObjectW(bitmap, sizeof shape, &shape);
  width = shape.bmWidth;
  height = shape.bmHeight;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  std::vector<uint8_t> alpha;
  alpha.reserve(pixels.size());
  for (uint32_t pixel : pixels) alpha.push_back(static_cast<uint8_t>(pixel >> 24));
  return alpha;
}

// The opacity of image `index`, `size` pixels square, in a strip or image list bitmap.
std::vector<uint8_t> ImageAlpha(const std::vector<uint8_t>& alpha, int width, RECT image) {
  std::vector<uint8_t> cut;
  for (LONG y = image.top; y < image.bottom; ++y)
    for (LONG x = image.left; x < image.right; ++x) cut.push_back(alpha[static_cast<size_t>(y) * width + x]);
  return cut;
}

TEST(IconStrips, EachDpiGetsItsSizeWithEveryImageDrawn) {
  for (int dpi : {96, 120, 144, 168, 192, 240}) {
    SCOPED_TRACE(dpi);
    const win32::unique_himagelist images = win32::IconImageList(dpi);
    ASSERT_TRUE(images);
    int width = 0, height = 0;
    ASSERT_TRUE(ImageList_GetIconSize(images.get(), &width, &height));
    EXPECT_EQ(width, ChooseIconStrip(dpi).image);
    EXPECT_EQ(height, width);
    ASSERT_EQ(ImageList_GetImageCount(images.get()), win32::kIconStripImages);
    // No image is lost on the way: each has opaque pixels, scaled or not.
    for (int index = 0; index < win32::kIconStripImages; ++index) {
      IMAGEINFO info{};
      ASSERT_TRUE(ImageList_GetImageInfo(images.get(), index, &info));
      int list_width = 0, list_height = 0;
      const std::vector<uint8_t> alpha = Alpha(info.hbmImage, list_width, list_height);
      int opaque = 0;
      for (uint8_t a : ImageAlpha(alpha, list_width, info.rcImage)) opaque += a > 0;
      EXPECT_GT(opaque, width * width / 8) << "image " << index;
    }
  }
}

TEST(IconStrips, ASizeThatIsDrawnShowsTheDrawingItself) {
  // At 150 % and 200 % the images are the module's 24- and 32-pixel drawings as
  // they are, row for row, not a smaller drawing scaled.
  const struct {
    int dpi, resource;
  } cases[] = {{96, IDB_TOOLBAR_ICONS}, {144, IDB_TOOLBAR_ICONS_24}, {192, IDB_TOOLBAR_ICONS_32}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    const win32::unique_hbitmap strip(static_cast<HBITMAP>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(c.resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(strip);
    int strip_width = 0, size = 0;
    const std::vector<uint8_t> drawn = Alpha(strip.get(), strip_width, size);
    ASSERT_EQ(size, ChooseIconStrip(c.dpi).image);
    const win32::unique_himagelist images = win32::IconImageList(c.dpi);
    for (int index : {0, 1, 8, 53, 118, 143}) {
      IMAGEINFO info{};
      ASSERT_TRUE(ImageList_GetImageInfo(images.get(), index, &info));
      int list_width = 0, list_height = 0;
      const std::vector<uint8_t> shown = Alpha(info.hbmImage, list_width, list_height);
      EXPECT_EQ(ImageAlpha(shown, list_width, info.rcImage),
                ImageAlpha(drawn, strip_width, RECT{index * size, 0, (index + 1) * size, size}))
          << "image " << index;
    }
  }
}

}  // namespace
}  // namespace pq
