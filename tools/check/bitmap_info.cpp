#include "check/bitmap_info.h"

#include <cstdlib>

namespace pq::check {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
// Compressions the system's bitmap loader shows.
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;

uint32_t U16(std::string_view bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8;
}
uint32_t U32(std::string_view bytes, size_t at) {
  return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

BitmapInfo Unreadable(std::string problem) {
  BitmapInfo info;
  info.problem = std::move(problem);
  return info;
}

}  // namespace

BitmapInfo ReadBitmapInfo(std::string_view bytes) {
  if (bytes.size() < kFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M')
    return Unreadable("it is not a BMP file (it does not begin with \"BM\")");
  const uint32_t pixels_at = U32(bytes, 10);
  const uint32_t header_size = U32(bytes, kFileHeaderSize);
  if (bytes.size() < kFileHeaderSize + header_size) return Unreadable("its header is cut short");

  BitmapInfo info;
  uint32_t planes, compression = kBiRgb;
  int64_t height;
  if (header_size == kCoreHeaderSize) {
    info.width = static_cast<int32_t>(U16(bytes, 18));
    height = static_cast<int16_t>(U16(bytes, 20));
    planes = U16(bytes, 22);
    info.bits_per_pixel = static_cast<int>(U16(bytes, 24));
  } else if (header_size >= kInfoHeaderSize && header_size != 64) {
    info.width = static_cast<int32_t>(U32(bytes, 18));
    height = static_cast<int32_t>(U32(bytes, 22));
    planes = U16(bytes, 26);
    info.bits_per_pixel = static_cast<int>(U16(bytes, 28));
    compression = U32(bytes, 30);
  } else {
    return Unreadable("its header (" + std::to_string(header_size) +
                      " bytes) is of a kind Windows does not read");
  }
  if (info.width <= 0 || height == 0) return Unreadable("it has no pixels");
  info.height = static_cast<int32_t>(std::llabs(height));
  if (planes != 1) return Unreadable("its header is damaged (planes is not 1)");
  switch (info.bits_per_pixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return Unreadable(std::to_string(info.bits_per_pixel) + " bits per pixel is not a BMP depth");
  }
  const bool shown =
      compression == kBiRgb || (compression == kBiRle8 && info.bits_per_pixel == 8) ||
      (compression == kBiRle4 && info.bits_per_pixel == 4) ||
      (compression == kBiBitfields && (info.bits_per_pixel == 16 || info.bits_per_pixel == 32));
  if (!shown)
    return Unreadable("its compression (" + std::to_string(compression) +
                      ") is not one a toolbar can show");
  if (pixels_at > bytes.size()) return Unreadable("its pixels lie beyond the end of the file");
  if (compression == kBiRgb || compression == kBiBitfields) {
    const uint64_t row = (static_cast<uint64_t>(info.width) * info.bits_per_pixel + 31) / 32 * 4;
    if (pixels_at + row * static_cast<uint64_t>(info.height) > bytes.size())
      return Unreadable("it is cut short: its pixels need " +
                        std::to_string(pixels_at + row * info.height) + " bytes, the file has " +
                        std::to_string(bytes.size()));
  }
  info.readable = true;
  return info;
}

}  // namespace pq::check
