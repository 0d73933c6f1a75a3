#pragma once
// What a banner file holds, as far as a BMP reader needs to know: whether it
// is a bitmap it can show, and its size.
#include <cstdint>
#include <string>
#include <string_view>

namespace pq::check {

struct BitmapInfo {
  bool readable = false;
  std::string problem;  // why it is not, when it is not
  int32_t width = 0;
  int32_t height = 0;  // always positive; bottom-up and top-down alike
  int bits_per_pixel = 0;
};

BitmapInfo ReadBitmapInfo(std::string_view file_contents);

}  // namespace pq::check
