// The animated banner's decisions: which banner shows, what a GIF may cost,
// how its frames are composed and scaled, when which frame shows.
#include "toolbar/banner_animation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pq {
namespace {

using Step = BannerPlayback::Step;

TEST(BannerChoiceTest, MovieWhereItCanPlayElseAnimationElseStill) {
  struct Case {
    bool flash_configured, flash_player, online, animation;
    BannerKind expected;
  };
  const Case cases[] = {
      {false, false, false, false, BannerKind::Still},
      {false, true, true, false, BannerKind::Still},
      {true, false, true, false, BannerKind::Still},
      {true, true, true, false, BannerKind::Flash},
      // Offline without an animation the player is prepared as before.
      {true, true, false, false, BannerKind::Flash},
      {false, false, false, true, BannerKind::Animation},
      {true, false, true, true, BannerKind::Animation},
      {false, true, true, true, BannerKind::Animation},
      {true, true, true, true, BannerKind::Flash},
      {true, true, false, true, BannerKind::Animation},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.flash_configured << c.flash_player << c.online << c.animation);
    EXPECT_EQ(ChooseBanner({c.flash_configured, c.flash_player, c.online, c.animation}),
              c.expected);
  }
}

TEST(BannerChoiceTest, AnimationIsAFileNameBesideTheConfiguration) {
  const std::pair<const char*, const char*> cases[] = {
      {"banner.gif", "C:\\Bar\\banner.gif"},
      {"My Banner.GIF", "C:\\Bar\\My Banner.GIF"},
      {"", ""},
      {".", ""},
      {"..", ""},
      {"..\\evil.gif", ""},
      {"sub/banner.gif", ""},
      {"C:banner.gif", ""},
      {"\\\\server\\share\\b.gif", ""},
  };
  for (const auto& [value, path] : cases) {
    SCOPED_TRACE(value);
    EXPECT_EQ(BannerAnimationPath("C:\\Bar", value), path);
  }
}

TEST(BannerTimingTest, DelaysAsBrowsersPlayThem) {
  const std::pair<uint32_t, uint32_t> cases[] = {{0, 100},  {1, 100},  {2, 20},        {5, 50},
                                                 {10, 100}, {50, 500}, {65535, 655350}};
  for (const auto& [hundredths, ms] : cases) EXPECT_EQ(FrameDelayMs(hundredths), ms) << hundredths;
}

TEST(BannerTimingTest, PlayCountFromTheLoopExtension) {
  EXPECT_EQ(PlayCount(std::nullopt), 1u);
  EXPECT_EQ(PlayCount(0), 0u);  // for ever
  EXPECT_EQ(PlayCount(1), 2u);
  EXPECT_EQ(PlayCount(65535), 65536u);
}

TEST(BannerTimingTest, PlaybackStepsThroughTheFramesAndStopsOnTheLast) {
  struct Case {
    const char* name;
    std::vector<uint32_t> delays;
    std::optional<uint16_t> loop_count;
    bool motion;
    std::vector<Step> steps;  // Start, then each Next
  };
  const std::optional<uint32_t> stays;
  const Case cases[] = {
      {"once without the extension",
       {10, 20, 30},
       std::nullopt,
       true,
       {{0, 10}, {1, 20}, {2, 30}, {2, stays}, {2, stays}}},
      {"loop count 1 plays twice",
       {10, 20},
       1,
       true,
       {{0, 10}, {1, 20}, {0, 10}, {1, 20}, {1, stays}, {1, stays}}},
      {"for ever",
       {10, 20},
       0,
       true,
       {{0, 10}, {1, 20}, {0, 10}, {1, 20}, {0, 10}, {1, 20}, {0, 10}}},
      {"without motion the first frame stays", {10, 20}, 0, false, {{0, stays}, {0, stays}}},
      {"a single frame stays", {40}, 0, true, {{0, stays}, {0, stays}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BannerPlayback playback(c.delays, c.loop_count);
    std::vector<Step> steps = {playback.Start(c.motion)};
    while (steps.size() < c.steps.size()) steps.push_back(playback.Next());
    EXPECT_EQ(steps, c.steps);
  }
}

TEST(BannerTimingTest, ResumingKeepsTheFrameAndTheCountOfPlays) {
  BannerPlayback playback({10, 20, 30}, 1);
  playback.Start(true);
  playback.Next();
  EXPECT_EQ(playback.Resume(true), (Step{1, 20}));
  EXPECT_EQ(playback.Next(), (Step{2, 30}));
  EXPECT_EQ(playback.Next(), (Step{0, 10}));  // the second play
  playback.Next();
  playback.Next();
  EXPECT_EQ(playback.Next(), (Step{2, std::nullopt}));
  EXPECT_EQ(playback.Resume(true), (Step{2, std::nullopt}));  // over stays over
  // Animations turned off meanwhile: the first frame; back on, from the start.
  EXPECT_EQ(playback.Resume(false), (Step{0, std::nullopt}));
  EXPECT_EQ(playback.Resume(true), (Step{0, 10}));
  EXPECT_EQ(playback.Next(), (Step{1, 20}));
}

// --- GIF files as bytes

std::string Word(uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}
std::string Header(uint16_t width, uint16_t height) {
  // A global table of two colours.
  return "GIF89a" + Word(width) + Word(height) + std::string("\x80\0\0", 3) +
         std::string("\0\0\0\xFF\xFF\xFF", 6);
}
std::string Loop(const char* application, uint16_t count) {
  return std::string("\x21\xFF\x0B") + application + std::string("\x03\x01", 2) + Word(count) +
         std::string(1, '\0');
}
// A graphic control block: disposal method 1 (keep) unless told.
std::string Control(uint16_t delay, uint8_t method = 1) {
  return std::string("\x21\xF9\x04", 3) + static_cast<char>(method << 2) + Word(delay) +
         std::string("\0\0", 2);
}
std::string Image(uint16_t width, uint16_t height, uint16_t left = 0, uint16_t top = 0) {
  // One data sub-block of two bytes; the LZW data itself is not looked at.
  return "\x2C" + Word(left) + Word(top) + Word(width) + Word(height) +
         std::string("\0\x02\x02\x4C\x01\0", 6);
}
const std::string kTrailer = "\x3B";

TEST(GifSummaryTest, WalksTheBlocksWithoutDecoding) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string problem;
    uint32_t frames;
    uint64_t pixels;
    std::optional<uint16_t> loop_count;
  };
  const std::string two = Control(10) + Image(4, 2) + Control(0) + Image(2, 2);
  const Case cases[] = {
      {"looping for ever", Header(4, 2) + Loop("NETSCAPE2.0", 0) + two + kTrailer, "", 2, 12, 0},
      {"looping three times", Header(4, 2) + Loop("ANIMEXTS1.0", 3) + two + kTrailer, "", 2, 12, 3},
      {"no loop extension", Header(4, 2) + two + kTrailer, "", 2, 12, std::nullopt},
      {"another application", Header(4, 2) + Loop("XMPDataXMP0", 7) + two + kTrailer, "", 2, 12,
       std::nullopt},
      {"no trailer after whole frames", Header(4, 2) + two, "", 2, 12, std::nullopt},
      {"a PNG", "\x89PNG\r\n\x1A\n" + std::string(20, '\0'), "not a GIF picture", 0, 0,
       std::nullopt},
      {"the header alone", "GIF89a", "not a GIF picture", 0, 0, std::nullopt},
      {"no frame", Header(4, 2) + kTrailer, "the GIF picture is empty", 0, 0, std::nullopt},
      // Found by fuzzing: a screen of no width was taken, and its frames drawn on nothing.
      {"a screen of no width", Header(0, 2) + two + kTrailer, "the GIF picture has no size", 0, 0,
       std::nullopt},
      {"a screen of no height", Header(4, 0) + two + kTrailer, "the GIF picture has no size", 0, 0,
       std::nullopt},
      {"cut inside a frame", Header(4, 2) + two.substr(0, two.size() - 3),
       "the GIF picture is cut short", 1, 8, std::nullopt},
      {"cut inside the colour table", Header(4, 2).substr(0, 15), "the GIF picture is cut short", 0,
       0, std::nullopt},
      {"an unknown block", Header(4, 2) + two + "\x42" + kTrailer,
       "the GIF picture holds an unknown block", 2, 12, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const GifReading reading = ReadGifSummary(c.bytes);
    EXPECT_EQ(reading.problem, c.problem);
    EXPECT_EQ(reading.summary.frames, c.frames);
    EXPECT_EQ(reading.summary.decoded_pixels, c.pixels);
    EXPECT_EQ(reading.summary.loop_count, c.loop_count);
    if (c.problem.empty()) {
      EXPECT_EQ(reading.summary.width, 4);
      EXPECT_EQ(reading.summary.height, 2);
    }
  }
}

TEST(GifSummaryTest, EachFrameHasThePlaceAndTimingOfItsBlocks) {
  using enum GifDisposal;
  const std::string comment = std::string("\x21\xFE\x02hi", 5) + std::string(1, '\0');
  const std::string application = Loop("ImageMagick", 1);
  const GifReading reading =
      ReadGifSummary(Header(8, 8) + Control(7, 2) + Image(2, 2, 3, 1) +
                     // No control block: nothing specified, no delay.
                     Image(1, 1, 5, 6) +
                     // Another extension after the control block still leaves it the frame's.
                     Control(250, 3) + application + comment + Image(1, 1) +
                     // Methods beyond 3 are not defined.
                     Control(1, 5) + Image(1, 1) + kTrailer);
  ASSERT_EQ(reading.problem, "");
  EXPECT_EQ(reading.summary.frame_info, (std::vector<GifFrameInfo>{{3, 1, 7, Background},
                                                                   {5, 6, 0, Unspecified},
                                                                   {0, 0, 250, Previous},
                                                                   {0, 0, 1, Unspecified}}));
  EXPECT_EQ(reading.summary.loop_count, std::nullopt);  // the other application's block
}

TEST(GifSummaryTest, LimitsRefuseWhatWouldCostTooMuch) {
  struct Case {
    GifSummary summary;
    bool refused;
  };
  const Case cases[] = {
      {{105, 22, 20, {}, 105 * 22 * 20, 0}, false},
      {{105, 22, kMaxAnimationFrames, {}, 105 * 22 * kMaxAnimationFrames, 0}, false},
      // Each frame is composed and scaled over the whole picture: a large
      // picture has room for few frames, however small they are.
      {{1024, 1024, 16, {}, 16, 0}, false},
      {{1024, 1024, 17, {}, 17, 0}, true},
      {{1024, 1024, kMaxAnimationFrames, {}, kMaxAnimationFrames, 0}, true},
      {{1025, 1024, 1, {}, 1, 0}, true},
      {{65535, 65535, 1, {}, 1, 0}, true},
      {{0, 22, 1, {}, 1, 0}, true},
      {{105, 22, kMaxAnimationFrames + 1, {}, 1, 0}, true},
      {{105, 22, 2, {}, kMaxAnimationDecodedPixels + 1, 0}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.summary.width << "x" << c.summary.height << " "
                                    << c.summary.frames << " " << c.summary.decoded_pixels);
    EXPECT_EQ(!AnimationLimitProblem(c.summary).empty(), c.refused);
  }
}

// A still banner's pixels, counted from the BMP header before the loader
// makes room for them: a file of a few bytes may name a picture of gigabytes.
TEST(StillBannerTest, PicturesBeyondTheAnimationsPixelsAreRefusedByTheirHeader) {
  auto header = [](uint32_t header_size, int32_t width, int32_t height) {
    std::string bytes = "BM" + std::string(12, '\0');
    auto put = [&](uint32_t value, int size) {
      for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
    };
    put(header_size, 4);
    if (header_size == 12) {
      put(static_cast<uint16_t>(width), 2);
      put(static_cast<uint16_t>(height), 2);
    } else {
      put(static_cast<uint32_t>(width), 4);
      put(static_cast<uint32_t>(height), 4);
    }
    bytes.resize(64, '\0');
    return bytes;
  };
  const struct {
    const char* what;
    std::string bytes;
    bool within;
  } cases[] = {
      {"the banner's size", header(40, 105, 22), true},
      {"1024 by 1024, top-down", header(40, 1024, -1024), true},
      {"a photograph", header(40, 8000, 4000), false},
      {"one pixel wider than the limit allows", header(124, 1025, 1024), false},
      {"the widest 32-bit sizes", header(40, INT32_MIN, INT32_MIN), false},
      {"an OS/2 header", header(12, 2000, 2000), false},
      {"no bitmap: the loader's to refuse", "GIF89a" + std::string(40, '\xff'), true},
      {"cut short", "BM", true},
  };
  for (const auto& c : cases) EXPECT_EQ(StillBannerWithinLimits(c.bytes), c.within) << c.what;
}

// --- composition

constexpr Pixel kNone{0, 0, 0, 0};
constexpr Pixel kRed{0, 0, 255, 255};
constexpr Pixel kBlue{255, 0, 0, 255};
constexpr Pixel kGreen{0, 255, 0, 255};

TEST(GifCanvasTest, FramesComposeByPlaceTransparencyAndDisposal) {
  struct Frame {
    int32_t left, top, width, height;
    GifDisposal disposal;
    std::vector<Pixel> pixels;
  };
  struct Case {
    const char* name;
    std::vector<Frame> frames;
    std::vector<Pixel> last;  // the 3 by 1 canvas after the last frame
  };
  using enum GifDisposal;
  const Case cases[] = {
      {"a frame at an offset", {{1, 0, 2, 1, Keep, {kRed, kBlue}}}, {kNone, kRed, kBlue}},
      {"transparent pixels leave what is below",
       {{0, 0, 3, 1, Keep, {kRed, kRed, kRed}}, {0, 0, 3, 1, Keep, {kBlue, kNone, kBlue}}},
       {kBlue, kRed, kBlue}},
      {"unspecified keeps",
       {{0, 0, 3, 1, Unspecified, {kRed, kRed, kRed}}, {1, 0, 1, 1, Keep, {kBlue}}},
       {kRed, kBlue, kRed}},
      {"background clears the frame's place only",
       {{0, 0, 3, 1, Keep, {kRed, kRed, kRed}},
        {1, 0, 1, 1, Background, {kBlue}},
        {2, 0, 1, 1, Keep, {kGreen}}},
       {kRed, kNone, kGreen}},
      {"previous brings back what was below",
       {{0, 0, 3, 1, Keep, {kRed, kRed, kRed}},
        {0, 0, 2, 1, Previous, {kBlue, kBlue}},
        {2, 0, 1, 1, Keep, {kGreen}}},
       {kRed, kRed, kGreen}},
      {"previous as the first frame leaves nothing",
       {{0, 0, 3, 1, Previous, {kRed, kRed, kRed}}, {0, 0, 1, 1, Keep, {kBlue}}},
       {kBlue, kNone, kNone}},
      {"parts outside the screen are cut off",
       {{2, 0, 3, 2, Keep, {kRed, kBlue, kBlue, kBlue, kBlue, kBlue}},
        {-1, 0, 2, 1, Keep, {kBlue, kGreen}}},
       {kGreen, kNone, kRed}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifCanvas canvas(3, 1);
    std::vector<Pixel> shown;
    for (const Frame& f : c.frames)
      shown = canvas.Draw({f.left, f.top, f.width, f.height, f.disposal, f.pixels.data()});
    EXPECT_EQ(shown, c.last);
  }
}

TEST(BannerScalingTest, LargerPicturesFitKeepingTheirAspect) {
  const std::pair<PictureSize, PictureSize> cases[] = {
      {{105, 22}, {105, 22}}, {{50, 10}, {50, 10}},  {{210, 44}, {105, 22}}, {{420, 22}, {105, 6}},
      {{105, 88}, {26, 22}},  {{5000, 1}, {105, 1}}, {{1, 5000}, {1, 22}},
  };
  for (const auto& [picture, shown] : cases) {
    SCOPED_TRACE(testing::Message() << picture.width << "x" << picture.height);
    EXPECT_EQ(FitBanner(picture), shown);
  }
}

TEST(BannerScalingTest, ScalingAveragesByOpacityIntoPremultipliedPixels) {
  struct Case {
    const char* name;
    std::vector<Pixel> picture;
    PictureSize from, to;
    std::vector<Pixel> expected;
  };
  const Case cases[] = {
      {"the same size premultiplies", {kRed, {0, 0, 200, 0}}, {2, 1}, {2, 1}, {kRed, kNone}},
      {"two opaque colours mix", {kRed, kBlue}, {2, 1}, {1, 1}, {{128, 0, 128, 255}}},
      // A transparent neighbour does not darken the colour, only thins it.
      {"transparency thins", {kRed, {0, 0, 0, 0}}, {2, 1}, {1, 1}, {{0, 0, 128, 128}}},
      {"a third of each", {kRed, kRed, kBlue}, {3, 1}, {1, 1}, {{85, 0, 170, 255}}},
      {"two rows into one", {kRed, kGreen}, {1, 2}, {1, 1}, {{0, 128, 128, 255}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ScaleForBanner(c.picture, c.from, c.to), c.expected);
  }
}

}  // namespace
}  // namespace pq
