// An animated banner is a file a publisher ships or an update brings: any
// bytes. Walking its blocks must never fail otherwise than by naming a
// problem; what it accepts within the limits must be a summary the banner can
// trust, and drawing frames at the places it gives must stay on the screen.
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "toolbar/banner_animation.h"

using pq::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const pq::GifReading reading = pq::ReadGifSummary(bytes);
  if (!reading.problem.empty()) return 0;
  const pq::GifSummary& summary = reading.summary;
  Check(summary.width > 0 && summary.height > 0, "a screen of some size");
  Check(summary.frame_info.size() == summary.frames, "each frame's place and timing");
  if (!pq::AnimationLimitProblem(summary).empty()) return 0;
  Check(summary.frames >= 1 && summary.frames <= pq::kMaxAnimationFrames, "frames within bounds");
  Check(static_cast<uint64_t>(summary.width) * static_cast<uint64_t>(summary.height) <=
            pq::kMaxAnimationCanvasPixels,
        "a screen within bounds");
  Check(summary.decoded_pixels <= pq::kMaxAnimationDecodedPixels, "frames' pixels within bounds");

  // Frames at the places the file gives, of a size taken from the file too,
  // drawn with every disposal: the screen keeps its size whatever they say.
  pq::GifCanvas canvas(summary.width, summary.height);
  const size_t screen = static_cast<size_t>(summary.width) * static_cast<size_t>(summary.height);
  for (size_t i = 0; i < summary.frame_info.size() && i < 16; ++i) {
    const pq::GifFrameInfo& info = summary.frame_info[i];
    pq::GifFrame frame;
    frame.left = info.left;
    frame.top = info.top;
    frame.width = 1 + static_cast<int32_t>(data[i % size]) % std::min(summary.width, 64);
    frame.height = 1 + static_cast<int32_t>(data[(i + 1) % size]) % std::min(summary.height, 64);
    frame.disposal = static_cast<pq::GifDisposal>(i % 4);
    std::vector<pq::Pixel> pixels(static_cast<size_t>(frame.width) * frame.height);
    for (size_t p = 0; p < pixels.size(); ++p)
      pixels[p].a = (p + i) % 3 == 0 ? 0 : 255;  // some of it transparent
    frame.pixels = pixels.data();
    Check(canvas.Draw(frame).size() == screen, "the screen keeps its size");
  }
  for (const pq::GifFrameInfo& info : summary.frame_info)
    Check(pq::FrameDelayMs(info.delay) >= 20, "no frame shown for less than a blink");
  return 0;
}
