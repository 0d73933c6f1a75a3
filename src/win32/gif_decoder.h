#pragma once
// An animated GIF decoded with the system's imaging component (WIC) into the
// banner's frames: composed once, at load, and scaled to the banner.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "toolbar/banner_animation.h"
#include "win32/handles.h"

namespace pq::win32 {

struct BannerFrames {
  PictureSize size;  // every frame's, in pixels of the design
  // Premultiplied BGRA, rows top down, one picture a frame.
  std::vector<std::vector<Pixel>> frames;
  std::vector<uint32_t> delays_ms;
  std::optional<uint16_t> loop_count;  // none: no looping extension
};

// The frames of the GIF in the file; none when the file is missing, cannot be
// read, is no GIF the system can decode, or exceeds the core's limits. The
// calling thread must have COM initialised.
std::optional<BannerFrames> DecodeBannerGif(const std::string& file_name);

// The still banner picture in the file; null when the file is missing, cannot
// be read, is no bitmap the system can load, or exceeds the animation's limits
// of bytes and pixels: every window loads and keeps it.
unique_hbitmap LoadBannerBitmap(const std::string& file_name);

}  // namespace pq::win32
