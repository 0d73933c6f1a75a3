#pragma once
// The animated banner: which banner the toolbar shows, what an animated GIF
// may cost before it is refused, how its frames are put together, and when
// which frame shows. Plain arithmetic on bytes and pixels; the system's
// imaging component decodes the pictures, the window shows them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolbar/icon_scaling.h"

namespace pq {

// --- which banner

enum class BannerKind { Still, Animation, Flash };

struct BannerSituation {
  bool flash_configured = false;      // [Options] "Flash URL" names a movie
  bool flash_player = false;          // a movie player is installed
  bool online = false;                // the movie could be asked for
  bool animation_configured = false;  // "Banner Animation" names a file that exists
};

// A movie takes precedence where a player can show it. Offline a movie would
// never come, so a configured animation plays instead; without one the player
// is still prepared, as it always was. The still picture serves whatever is
// not (yet) shown.
BannerKind ChooseBanner(const BannerSituation& situation);

// The file "Banner Animation" names in the install directory; empty when the
// value is empty or is more than a file name (a folder, a drive, "..").
std::string BannerAnimationPath(const std::string& install_path, const std::string& value);

// --- what a GIF may cost

// The banner's size in pixels of the design (96 dots per inch).
inline constexpr int32_t kBannerDesignWidth = 105;
inline constexpr int32_t kBannerDesignHeight = 22;

// Beyond these a file is refused and the still banner shows: the whole file is
// read, and every frame decoded, while the window is being made.
inline constexpr uint64_t kMaxAnimationFileBytes = 4u << 20;
inline constexpr uint32_t kMaxAnimationFrames = 500;
inline constexpr uint64_t kMaxAnimationCanvasPixels = 1u << 20;    // the logical screen
inline constexpr uint64_t kMaxAnimationDecodedPixels = 16u << 20;  // all frames together
// Each frame is composed over the whole screen and scaled whole: a small
// screen may have many frames, a large one few (105 by 22 pixels its 500, 1024
// by 1024 sixteen).
inline constexpr uint64_t kMaxAnimationComposedPixels = 16u << 20;

// Whether a still banner picture is within the animation's limits of pixels:
// they are counted from the BMP header in `bytes`, before the system's loader
// makes room for them all. Bytes that hold no BMP header are the loader's to
// refuse.
bool StillBannerWithinLimits(std::string_view bytes);

// Where a frame goes once its delay is over, as the file says.
enum class GifDisposal : uint8_t { Unspecified = 0, Keep = 1, Background = 2, Previous = 3 };

// A frame's place and timing as its blocks give them.
struct GifFrameInfo {
  int32_t left = 0, top = 0;
  uint16_t delay = 0;  // hundredths of a second
  GifDisposal disposal = GifDisposal::Unspecified;
  bool operator==(const GifFrameInfo&) const = default;
};

// What walking a GIF's blocks tells without decoding any picture.
struct GifSummary {
  int32_t width = 0, height = 0;  // the logical screen
  uint32_t frames = 0;
  // Each frame's, in order; the imaging component of some systems cannot
  // reach a frame's control block behind another extension.
  std::vector<GifFrameInfo> frame_info;
  uint64_t decoded_pixels = 0;  // the frames' areas added up
  // The NETSCAPE2.0 (or ANIMEXTS1.0) extension's loop count; none without one.
  std::optional<uint16_t> loop_count;
};

// The summary of a GIF file's bytes, or why they are not a GIF that can be
// shown: `problem` is then set.
struct GifReading {
  GifSummary summary;
  std::string problem;
};
GifReading ReadGifSummary(std::string_view bytes);

// Why a GIF with this summary is refused; empty when it is not.
std::string AnimationLimitProblem(const GifSummary& summary);

// --- frames

struct GifFrame {
  int32_t left = 0, top = 0, width = 0, height = 0;
  GifDisposal disposal = GifDisposal::Unspecified;
  // width * height pixels, rows top down; alpha 0 where the frame is
  // transparent, 255 elsewhere.
  const Pixel* pixels = nullptr;
};

// The logical screen on which a GIF's frames are drawn one after another.
// Transparent pixels leave what is below; "background" clears the frame's
// place to transparent (as browsers do, not to the background colour);
// "previous" brings back what was there before the frame. Parts of a frame
// outside the screen are cut off.
class GifCanvas {
 public:
  GifCanvas(int32_t width, int32_t height);
  // Draws the next frame and returns the whole picture as it then shows.
  const std::vector<Pixel>& Draw(const GifFrame& frame);

 private:
  struct Place {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
  };
  void Clear(const Place& place);

  int32_t width_, height_;
  std::vector<Pixel> pixels_;
  std::vector<Pixel> before_;  // what a "previous" frame covered
  GifDisposal pending_ = GifDisposal::Keep;
  Place pending_place_;
};

struct PictureSize {
  int32_t width = 0, height = 0;
  bool operator==(const PictureSize&) const = default;
};
// The size a picture shows at in the banner: as it is when it fits, else
// scaled down to fit keeping its aspect (never below one pixel).
PictureSize FitBanner(PictureSize picture);

// A picture (rows top down, straight alpha) at another size, each target
// pixel the average of the source area it covers weighted by opacity, with
// premultiplied alpha as the system's alpha blending wants it.
std::vector<Pixel> ScaleForBanner(const std::vector<Pixel>& picture, PictureSize from,
                                  PictureSize to);

// --- timing

// A frame's delay in milliseconds from the file's hundredths of a second:
// like browsers, 0 and 1 (which would spin) count as 100 ms.
uint32_t FrameDelayMs(uint32_t hundredths);

// How often the frames play through: once without a loop count, for ever
// (0 here) with a loop count of 0, else the loop count and the first time.
uint32_t PlayCount(std::optional<uint16_t> loop_count);

// Which frame shows and for how long. Once the last play is over, the last
// frame stays.
class BannerPlayback {
 public:
  struct Step {
    size_t frame = 0;
    std::optional<uint32_t> delay_ms;  // none: it stays
    bool operator==(const Step&) const = default;
  };

  BannerPlayback(std::vector<uint32_t> delays_ms, std::optional<uint16_t> loop_count);

  // From the first frame. Without motion (the user turned animations off) the
  // first frame stays, as does a single frame.
  Step Start(bool motion);
  // The current frame's delay is over.
  Step Next();
  // Shown again after it was hidden: the current frame starts its delay anew.
  Step Resume(bool motion);
  size_t Frame() const { return frame_; }

 private:
  Step Here() const;

  std::vector<uint32_t> delays_;
  uint32_t plays_;  // 0: for ever
  uint32_t played_ = 0;
  size_t frame_ = 0;
  bool finished_ = false;  // the last play is over
  bool held_ = false;      // still for want of motion
};

}  // namespace pq
