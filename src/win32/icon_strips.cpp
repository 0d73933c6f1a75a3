#include "win32/icon_strips.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <mutex>
#include <vector>

#include "platform/error.h"
#include "toolbar/icon_scaling.h"
#include "toolbar/toolbar_metrics.h"
#include "win32/resource_ids.h"
#include "win32/this_module.h"

namespace pq::win32 {
namespace {

int StripResource(int size) {
  switch (size) {
    case 16: return IDB_TOOLBAR_ICONS;
    case 24: return IDB_TOOLBAR_ICONS_24;
    case 32: return IDB_TOOLBAR_ICONS_32;
    default: return 0;
  }
}

// The pixels of the strip of `size`-pixel images, top row first; empty when
// the module does not hold it as the 32-bit picture it should be.
std::vector<Pixel> DecodeStrip(int size) {
  const int resource = StripResource(size);
  if (!resource) return {};
  const unique_hbitmap strip(static_cast<HBITMAP>(LoadImageW(
      ThisModule(), MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  DIBSECTION source{};
  if (!strip || GetObjectW(strip.get(), sizeof source, &source) != sizeof source ||
      !source.dsBm.bmBits || source.dsBm.bmBitsPixel != 32 || source.dsBm.bmHeight != size ||
      source.dsBm.bmWidth != kIconStripImages * size)
    return {};
  const int row = source.dsBm.bmWidth;
  // A DIB section made by LoadImage is bottom-up: its first row in memory is
  // the picture's last.
  const auto* from = static_cast<const Pixel*>(source.dsBm.bmBits);
  std::vector<Pixel> top_down(static_cast<size_t>(row) * size);
  for (int y = 0; y < size; ++y)
    std::copy_n(from + static_cast<size_t>(size - 1 - y) * row, row,
                top_down.begin() + static_cast<ptrdiff_t>(y) * row);
  return top_down;
}

// The strip's pixels with images of `image` pixels, made from the strip the
// DPI's choice names: decoded and scaled once a process, for every window and
// thread after the first. Empty when the module's strip cannot be read now.
const std::vector<Pixel>& StripPixels(const IconStripChoice& choice) {
  static std::mutex guard;
  static std::map<int, std::vector<Pixel>> strips;  // by the size shown
  const std::lock_guard lock(guard);
  const auto known = strips.find(choice.image);
  if (known != strips.end()) return known->second;
  std::vector<Pixel> pixels = DecodeStrip(choice.strip);
  // A strip that could not be read this time (the process short of handles
  // for a moment) is not kept: a later window tries again.
  static const std::vector<Pixel> none;
  if (pixels.empty()) return none;
  if (choice.Scaled()) pixels = ScaleIconStrip(pixels, kIconStripImages, choice.strip, choice.image);
  return strips.emplace(choice.image, std::move(pixels)).first->second;
}

// Each image of the strip turned over left to right, where it is to be drawn
// in a mirrored window, which turns it back.
std::vector<Pixel> MirroredImages(const std::vector<Pixel>& pixels, int size) {
  std::vector<Pixel> mirrored(pixels.size());
  const size_t row = static_cast<size_t>(kIconStripImages) * static_cast<size_t>(size);
  for (size_t y = 0; y < pixels.size() / row; ++y)
    for (size_t x = 0; x < row; ++x) {
      const size_t image_left = x - x % static_cast<size_t>(size);
      const size_t turned = image_left + (static_cast<size_t>(size) - 1 - (x - image_left));
      mirrored[y * row + turned] = pixels[y * row + x];
    }
  return mirrored;
}

HBITMAP StripBitmap(const std::vector<Pixel>& pixels, int size) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kIconStripImages * size;
  info.bmiHeader.biHeight = -size;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap) std::copy(pixels.begin(), pixels.end(), static_cast<Pixel*>(bits));
  return bitmap;
}

}  // namespace

unique_himagelist IconImageList(int dpi, bool mirrored) {
  const IconStripChoice choice = ChooseIconStrip(dpi);
  const std::vector<Pixel>& pixels = StripPixels(choice);
  if (pixels.empty()) throw Error("The toolbar's images cannot be loaded");
  const unique_hbitmap strip(
      StripBitmap(mirrored ? MirroredImages(pixels, choice.image) : pixels, choice.image));
  unique_himagelist images(
      ImageList_Create(choice.image, choice.image, ILC_COLOR32, kIconStripImages, 0));
  if (!strip || !images || ImageList_Add(images.get(), strip.get(), nullptr) < 0)
    throw Error("The toolbar's images cannot be loaded");
  return images;
}

}  // namespace pq::win32
