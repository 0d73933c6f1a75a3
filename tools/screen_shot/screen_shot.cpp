#include "screen_shot/screen_shot.h"

#include <fstream>

namespace pq::tools {
namespace {

// Between two pictures compared: longer than a repaint takes to reach the
// screen, shorter than a caret's blink.
constexpr DWORD kCompareInterval = 150;

}  // namespace

std::optional<Picture> CaptureScreen(const RECT& area) {
  Picture picture;
  picture.width = area.right - area.left;
  picture.height = area.bottom - area.top;
  if (picture.width <= 0 || picture.height <= 0) return std::nullopt;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (memory && bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    copied =
        BitBlt(memory, 0, 0, picture.width, picture.height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    SelectObject(memory, old);
    const size_t row = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t{3};
    if (copied) {
      const auto* first = static_cast<const unsigned char*>(bits);
      picture.bits.assign(first, first + row * static_cast<size_t>(picture.height));
    }
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!copied) return std::nullopt;
  return picture;
}

std::optional<Picture> CaptureSettled(const RECT& area, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  std::optional<Picture> before = CaptureScreen(area);
  for (;;) {
    Sleep(kCompareInterval);
    std::optional<Picture> now = CaptureScreen(area);
    if (!now || (before && *before == *now) || GetTickCount64() >= deadline) return now;
    before = std::move(now);
  }
}

bool SaveBitmap(const Picture& picture, const std::string& path) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = picture.width;
  header.biHeight = picture.height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + picture.bits.size());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(picture.bits.data()),
            static_cast<std::streamsize>(picture.bits.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace pq::tools
