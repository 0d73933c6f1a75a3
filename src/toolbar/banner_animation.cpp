#include "toolbar/banner_animation.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pq {

BannerKind ChooseBanner(const BannerSituation& situation) {
  const bool movie = situation.flash_configured && situation.flash_player;
  if (movie && (situation.online || !situation.animation_configured)) return BannerKind::Flash;
  if (situation.animation_configured) return BannerKind::Animation;
  return BannerKind::Still;
}

std::string BannerAnimationPath(const std::string& install_path, const std::string& value) {
  if (value.empty() || value == "." || value == "..") return std::string();
  if (value.find_first_of("\\/:") != std::string::npos) return std::string();
  return install_path + "\\" + value;
}

// --- reading a GIF's blocks

namespace {

class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
  bool Has(size_t count) const { return bytes_.size() - at_ >= count; }
  uint8_t Byte() { return static_cast<uint8_t>(bytes_[at_++]); }
  uint16_t Word() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
  }
  std::string_view Take(size_t count) {
    const std::string_view taken = bytes_.substr(at_, count);
    at_ += count;
    return taken;
  }
  void Skip(size_t count) { at_ += count; }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

// Skips a colour table whose presence and size a packed field tells.
bool SkipColourTable(ByteReader& in, uint8_t packed) {
  if (!(packed & 0x80)) return true;
  const size_t bytes = 3u << ((packed & 7) + 1);
  if (!in.Has(bytes)) return false;
  in.Skip(bytes);
  return true;
}

// Reads data sub-blocks up to their terminator, keeping the first two.
bool SkipSubBlocks(ByteReader& in, std::string_view* first = nullptr,
                   std::string_view* second = nullptr) {
  for (int index = 0;; ++index) {
    if (!in.Has(1)) return false;
    const uint8_t size = in.Byte();
    if (size == 0) return true;
    if (!in.Has(size)) return false;
    const std::string_view block = in.Take(size);
    if (index == 0 && first) *first = block;
    if (index == 1 && second) *second = block;
  }
}

}  // namespace

GifReading ReadGifSummary(std::string_view bytes) {
  GifReading reading;
  GifSummary& summary = reading.summary;
  ByteReader in(bytes);
  if (!in.Has(13) || (bytes.substr(0, 6) != "GIF87a" && bytes.substr(0, 6) != "GIF89a")) {
    reading.problem = "not a GIF picture";
    return reading;
  }
  in.Skip(6);
  summary.width = in.Word();
  summary.height = in.Word();
  const uint8_t packed = in.Byte();
  in.Skip(2);  // background colour, aspect
  // A screen without width or height has nothing to show the frames on.
  if (summary.width == 0 || summary.height == 0) {
    reading.problem = "the GIF picture has no size";
    return reading;
  }
  const char* truncated = "the GIF picture is cut short";
  if (!SkipColourTable(in, packed)) {
    reading.problem = truncated;
    return reading;
  }
  // The graphic control block applies to the next frame.
  GifFrameInfo next;
  for (;;) {
    if (!in.Has(1)) {
      // A missing trailer after whole frames is a common fault and harmless.
      if (summary.frames == 0) reading.problem = truncated;
      break;
    }
    const uint8_t introducer = in.Byte();
    if (introducer == 0x3B) break;  // trailer
    if (introducer == 0x21) {
      if (!in.Has(1)) {
        reading.problem = truncated;
        break;
      }
      const uint8_t label = in.Byte();
      std::string_view identity, data;
      if (!SkipSubBlocks(in, &identity, &data)) {
        reading.problem = truncated;
        break;
      }
      if (label == 0xF9 && identity.size() >= 4) {
        const auto packed = static_cast<uint8_t>(identity[0]);
        const auto method = static_cast<uint8_t>(packed >> 2 & 7);
        // Methods 4 to 7 are not defined: none is specified.
        next.disposal = method <= 3 ? static_cast<GifDisposal>(method) : GifDisposal::Unspecified;
        next.delay = static_cast<uint16_t>(static_cast<uint8_t>(identity[1]) |
                                           static_cast<uint8_t>(identity[2]) << 8);
      }
      // The looping extension: sub-block 1 holds the count, low byte first.
      if (label == 0xFF && (identity == "NETSCAPE2.0" || identity == "ANIMEXTS1.0") &&
          data.size() >= 3 && data[0] == 1)
        summary.loop_count = static_cast<uint16_t>(static_cast<uint8_t>(data[1]) |
                                                   static_cast<uint8_t>(data[2]) << 8);
      continue;
    }
    if (introducer != 0x2C) {
      reading.problem = "the GIF picture holds an unknown block";
      break;
    }
    if (!in.Has(10)) {
      reading.problem = truncated;
      break;
    }
    next.left = in.Word();
    next.top = in.Word();
    const uint16_t width = in.Word();
    const uint16_t height = in.Word();
    const uint8_t image_packed = in.Byte();
    if (!SkipColourTable(in, image_packed) || !in.Has(1)) {
      reading.problem = truncated;
      break;
    }
    in.Skip(1);  // the LZW code size
    if (!SkipSubBlocks(in)) {
      reading.problem = truncated;
      break;
    }
    ++summary.frames;
    summary.frame_info.push_back(next);
    next = GifFrameInfo();
    summary.decoded_pixels += static_cast<uint64_t>(width) * height;
  }
  if (reading.problem.empty() && summary.frames == 0) reading.problem = "the GIF picture is empty";
  return reading;
}

std::string AnimationLimitProblem(const GifSummary& summary) {
  if (summary.width == 0 || summary.height == 0) return "the GIF picture has no size";
  if (static_cast<uint64_t>(summary.width) * summary.height > kMaxAnimationCanvasPixels)
    return "the GIF picture is larger than " + std::to_string(kMaxAnimationCanvasPixels) +
           " pixels";
  if (summary.frames > kMaxAnimationFrames)
    return "the GIF picture has more than " + std::to_string(kMaxAnimationFrames) + " frames";
  if (summary.decoded_pixels > kMaxAnimationDecodedPixels)
    return "the GIF picture's frames hold more than " + std::to_string(kMaxAnimationDecodedPixels) +
           " pixels together";
  if (static_cast<uint64_t>(summary.width) * summary.height * summary.frames >
      kMaxAnimationComposedPixels)
    return "the GIF picture's frames, each the size of the picture, come to more than " +
           std::to_string(kMaxAnimationComposedPixels) + " pixels together";
  return std::string();
}

bool StillBannerWithinLimits(std::string_view bytes) {
  auto byte = [&](size_t at) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])); };
  auto u16 = [&](size_t at) { return byte(at) | byte(at + 1) << 8; };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return true;
  int64_t width = 0, height = 0;
  if (u32(14) == 12) {  // the OS/2 header: 16-bit sizes
    width = static_cast<int16_t>(u16(18));
    height = static_cast<int16_t>(u16(20));
  } else {
    width = static_cast<int32_t>(u32(18));
    height = static_cast<int32_t>(u32(22));
  }
  return static_cast<uint64_t>(std::llabs(width)) * static_cast<uint64_t>(std::llabs(height)) <=
         kMaxAnimationCanvasPixels;
}

// --- frames

GifCanvas::GifCanvas(int32_t width, int32_t height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * height_, Pixel{0, 0, 0, 0}) {}

void GifCanvas::Clear(const Place& place) {
  for (int32_t y = place.top; y < place.bottom; ++y)
    std::fill_n(pixels_.begin() + static_cast<ptrdiff_t>(y) * width_ + place.left,
                place.right - place.left, Pixel{0, 0, 0, 0});
}

const std::vector<Pixel>& GifCanvas::Draw(const GifFrame& frame) {
  // What the frame before asked for once it was over.
  if (pending_ == GifDisposal::Background) Clear(pending_place_);
  if (pending_ == GifDisposal::Previous) pixels_ = before_;

  Place place;
  place.left = std::clamp(frame.left, 0, width_);
  place.top = std::clamp(frame.top, 0, height_);
  place.right = std::clamp(frame.left + frame.width, place.left, width_);
  place.bottom = std::clamp(frame.top + frame.height, place.top, height_);
  if (frame.disposal == GifDisposal::Previous) before_ = pixels_;
  if (frame.pixels) {
    for (int32_t y = place.top; y < place.bottom; ++y) {
      const Pixel* from = frame.pixels + static_cast<size_t>(y - frame.top) * frame.width;
      Pixel* to = pixels_.data() + static_cast<size_t>(y) * width_;
      for (int32_t x = place.left; x < place.right; ++x) {
        const Pixel& pixel = from[x - frame.left];
        if (pixel.a != 0) to[x] = pixel;
      }
    }
  }
  pending_ = frame.disposal;
  pending_place_ = place;
  return pixels_;
}

PictureSize FitBanner(PictureSize picture) {
  if (picture.width <= kBannerDesignWidth && picture.height <= kBannerDesignHeight) return picture;
  const double scale = std::min(static_cast<double>(kBannerDesignWidth) / picture.width,
                                static_cast<double>(kBannerDesignHeight) / picture.height);
  return {
      std::clamp(static_cast<int32_t>(std::lround(picture.width * scale)), 1, kBannerDesignWidth),
      std::clamp(static_cast<int32_t>(std::lround(picture.height * scale)), 1,
                 kBannerDesignHeight)};
}

std::vector<Pixel> ScaleForBanner(const std::vector<Pixel>& picture, PictureSize from,
                                  PictureSize to) {
  std::vector<Pixel> scaled(static_cast<size_t>(to.width) * to.height);
  if (from.width <= 0 || from.height <= 0) return scaled;
  // Each target pixel covers [x0, x1) x [y0, y1) of the source, in source
  // pixels; source pixels at its edges count by the part covered.
  const double step_x = static_cast<double>(from.width) / to.width;
  const double step_y = static_cast<double>(from.height) / to.height;
  for (int32_t ty = 0; ty < to.height; ++ty) {
    const double y0 = ty * step_y, y1 = y0 + step_y;
    for (int32_t tx = 0; tx < to.width; ++tx) {
      const double x0 = tx * step_x, x1 = x0 + step_x;
      double b = 0, g = 0, r = 0, a = 0, area = 0;
      for (int32_t sy = static_cast<int32_t>(y0); sy < from.height && sy < y1; ++sy) {
        const double cover_y = std::min<double>(sy + 1, y1) - std::max<double>(sy, y0);
        for (int32_t sx = static_cast<int32_t>(x0); sx < from.width && sx < x1; ++sx) {
          const double cover = cover_y * (std::min<double>(sx + 1, x1) - std::max<double>(sx, x0));
          const Pixel& p = picture[static_cast<size_t>(sy) * from.width + sx];
          const double opacity = cover * p.a / 255.0;
          b += opacity * p.b;
          g += opacity * p.g;
          r += opacity * p.r;
          a += opacity * 255.0;
          area += cover;
        }
      }
      Pixel& out = scaled[static_cast<size_t>(ty) * to.width + tx];
      if (area <= 0) continue;
      // Premultiplied: the colour sums are already weighted by opacity.
      auto channel = [&](double sum) {
        return static_cast<uint8_t>(std::clamp(std::lround(sum / area), 0L, 255L));
      };
      out = {channel(b), channel(g), channel(r), channel(a)};
    }
  }
  return scaled;
}

// --- timing

uint32_t FrameDelayMs(uint32_t hundredths) { return hundredths <= 1 ? 100 : hundredths * 10; }

uint32_t PlayCount(std::optional<uint16_t> loop_count) {
  if (!loop_count) return 1;
  if (*loop_count == 0) return 0;
  return *loop_count + 1u;
}

BannerPlayback::BannerPlayback(std::vector<uint32_t> delays_ms, std::optional<uint16_t> loop_count)
    : delays_(std::move(delays_ms)), plays_(PlayCount(loop_count)) {}

BannerPlayback::Step BannerPlayback::Here() const {
  if (held_ || finished_ || delays_.size() < 2) return {frame_, std::nullopt};
  return {frame_, delays_[frame_]};
}

BannerPlayback::Step BannerPlayback::Start(bool motion) {
  frame_ = 0;
  played_ = 0;
  finished_ = false;
  held_ = !motion;
  return Here();
}

BannerPlayback::Step BannerPlayback::Next() {
  if (held_ || finished_ || delays_.size() < 2) return Here();
  if (frame_ + 1 < delays_.size()) {
    ++frame_;
    return Here();
  }
  ++played_;
  if (plays_ != 0 && played_ >= plays_) {
    finished_ = true;
    return Here();
  }
  frame_ = 0;
  return Here();
}

BannerPlayback::Step BannerPlayback::Resume(bool motion) {
  // Held still for want of motion, it starts over once motion is allowed.
  if (!motion || held_) return Start(motion);
  return Here();
}

}  // namespace pq
