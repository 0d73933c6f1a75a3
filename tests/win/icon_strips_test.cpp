// The toolbar's image list at each DPI, from the strips the module carries.
#include "win32/icon_strips.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <exception>
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

// The process is out of GDI handles for a moment (a page or plug-in holds
// them all) as a window asks for its images: that window goes without, but the
// windows made once the handles are free again get theirs.
TEST(IconStrips, AMomentsShortageOfHandlesIsNotRememberedForLaterWindows) {
  // A DPI no other test of this process asks for, so that nothing is cached yet.
  constexpr int kDpi = 132;
  std::vector<HBRUSH> held;
  for (int i = 0; i < 200000; ++i) {
    HBRUSH brush = CreateSolidBrush(RGB(i & 0xFF, 0, 0));
    if (!brush) break;
    held.push_back(brush);
  }
  bool failed_while_short = false;
  try {
    (void)win32::IconImageList(kDpi);
  } catch (const std::exception&) {
    failed_while_short = true;
  }
  for (HBRUSH brush : held) DeleteObject(brush);
  std::printf("%zu brushes held; the images %s while they were\n", held.size(),
              failed_while_short ? "failed" : "loaded");
  ASSERT_TRUE(failed_while_short) << "the shortage did not reach the images";
  // The handles are free again: a size never asked for before loads...
  EXPECT_NO_THROW((void)win32::IconImageList(kDpi + 24));
  // ...and so does the one asked for during the shortage.
  EXPECT_NO_THROW((void)win32::IconImageList(kDpi));
}

}  // namespace
}  // namespace pq
