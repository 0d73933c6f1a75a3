#pragma once
// Pictures of a part of the screen, as the user sees it, saved as BMP files.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace pq::tools {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> bits;  // 24 bits a pixel, rows bottom-up and padded as in a BMP file
  bool operator==(const Picture&) const = default;
};

// The screen's pixels in the area; nothing when the system refused them.
std::optional<Picture> CaptureScreen(const RECT& area);

// The area once two pictures of it taken a little apart are the same: what
// changed has been drawn. The last one taken when it kept changing until the
// time was up.
std::optional<Picture> CaptureSettled(const RECT& area, DWORD milliseconds);

bool SaveBitmap(const Picture& picture, const std::string& path);

}  // namespace pq::tools
