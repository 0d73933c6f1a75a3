// The animated banner on the system itself: GIF files decoded by the imaging
// component into composed frames, and the banner area playing them on its
// timer, holding still without motion and stopping while hidden.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/toolbar_config.h"
#include "fakes/fake_user_interface.h"
#include "support/message_pump.h"
#include "support/parent_window.h"
#include "support/scratch_key.h"
#include "support/win32_ports.h"
#include "win32/gif_decoder.h"
#include "win32/toolbar_window.h"
#include "win32/wide_text.h"

namespace pq {
namespace {

// --- GIF files made here, to the pixel

// Four colours: red, blue, green, white.
constexpr uint8_t kRed = 0, kBlue = 1, kGreen = 2;
constexpr uint8_t kAny = 3;  // stands for the transparent index where one is set
const Pixel kRedPixel{0, 0, 255, 255}, kBluePixel{255, 0, 0, 255}, kGreenPixel{0, 255, 0, 255};
const Pixel kNothing{0, 0, 0, 0};

std::string Word(uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

// LZW data of 2-bit pixels that never lets the code table grow: a clear code
// before every second pixel keeps every code 3 bits wide.
std::string LzwData(const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> codes;
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (i % 2 == 0) codes.push_back(4);  // clear
    codes.push_back(pixels[i]);
  }
  codes.push_back(5);  // end
  std::string bytes;
  uint32_t bits = 0;
  int count = 0;
  for (uint8_t code : codes) {
    bits |= static_cast<uint32_t>(code) << count;
    count += 3;
    while (count >= 8) {
      bytes.push_back(static_cast<char>(bits & 0xFF));
      bits >>= 8;
      count -= 8;
    }
  }
  if (count > 0) bytes.push_back(static_cast<char>(bits & 0xFF));
  std::string blocks = "\x02";  // the minimum code size
  for (size_t at = 0; at < bytes.size(); at += 255) {
    const std::string part = bytes.substr(at, 255);
    blocks += static_cast<char>(part.size()) + part;
  }
  return blocks + std::string(1, '\0');
}

struct TestFrame {
  uint16_t left, top, width, height;
  uint16_t delay;  // hundredths of a second
  uint8_t disposal;
  bool transparent;  // kAny is transparent
  std::vector<uint8_t> pixels;
};

std::string Gif(uint16_t width, uint16_t height, std::optional<uint16_t> loop_count,
                const std::vector<TestFrame>& frames) {
  std::string gif = "GIF89a" + Word(width) + Word(height) + std::string("\x81\0\0", 3) +
                    std::string("\xFF\0\0\0\0\xFF\0\xFF\0\xFF\xFF\xFF", 12);
  if (loop_count)
    gif += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16) + Word(*loop_count) +
           std::string(1, '\0');
  for (const TestFrame& f : frames) {
    gif += std::string("\x21\xF9\x04", 3) +
           static_cast<char>(f.disposal << 2 | (f.transparent ? 1 : 0)) + Word(f.delay) +
           static_cast<char>(kAny) + std::string(1, '\0');
    gif += "\x2C" + Word(f.left) + Word(f.top) + Word(f.width) + Word(f.height) +
           std::string(1, '\0') + LzwData(f.pixels);
  }
  return gif + "\x3B";
}

TestFrame Solid(uint16_t width, uint16_t height, uint8_t colour, uint16_t delay) {
  return {0,     0, width, height,
          delay, 1, false, std::vector<uint8_t>(static_cast<size_t>(width) * height, colour)};
}

class BannerFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  static void TearDownTestSuite() { CoUninitialize(); }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_.File(name), std::ios::binary) << bytes;
    return dir_.File(name);
  }
  testing::ScratchDir dir_;
};

TEST_F(BannerFileTest, FramesAreComposedWithTheirPlaceTransparencyAndDisposal) {
  struct Case {
    const char* name;
    std::vector<TestFrame> frames;
    std::vector<std::vector<Pixel>> shown;  // each frame as the 3 by 1 banner shows it
  };
  const Case cases[] = {
      {"offsets and transparency",
       {Solid(3, 1, kRed, 10), {1, 0, 2, 1, 10, 1, true, {kBlue, kAny}}},
       {{kRedPixel, kRedPixel, kRedPixel}, {kRedPixel, kBluePixel, kRedPixel}}},
      {"background clears to nothing",
       {Solid(3, 1, kRed, 10),
        {0, 0, 1, 1, 10, 2, false, {kBlue}},
        {2, 0, 1, 1, 10, 1, false, {kGreen}}},
       {{kRedPixel, kRedPixel, kRedPixel},
        {kBluePixel, kRedPixel, kRedPixel},
        {kNothing, kRedPixel, kGreenPixel}}},
      {"previous restores",
       {Solid(3, 1, kRed, 10),
        {0, 0, 2, 1, 10, 3, false, {kBlue, kBlue}},
        {2, 0, 1, 1, 10, 1, false, {kGreen}}},
       {{kRedPixel, kRedPixel, kRedPixel},
        {kBluePixel, kBluePixel, kRedPixel},
        {kRedPixel, kRedPixel, kGreenPixel}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto frames = win32::DecodeBannerGif(Write("composed.gif", Gif(3, 1, 0, c.frames)));
    ASSERT_TRUE(frames);
    EXPECT_EQ(frames->size, (PictureSize{3, 1}));
    EXPECT_EQ(frames->frames, c.shown);
  }
}

TEST_F(BannerFileTest, DelaysAndLoopCountAreTheFilesAndLargePicturesShrink) {
  const std::vector<TestFrame> frames = {Solid(210, 44, kRed, 0), Solid(210, 44, kBlue, 1),
                                         Solid(210, 44, kGreen, 7)};
  const auto looping = win32::DecodeBannerGif(Write("big.gif", Gif(210, 44, 3, frames)));
  ASSERT_TRUE(looping);
  EXPECT_EQ(looping->delays_ms, (std::vector<uint32_t>{100, 100, 70}));
  EXPECT_EQ(looping->loop_count, std::optional<uint16_t>(3));
  EXPECT_EQ(looping->size, (PictureSize{105, 22}));
  ASSERT_EQ(looping->frames.size(), 3u);
  EXPECT_EQ(looping->frames[1][105 * 11 + 50], kBluePixel);

  const auto once = win32::DecodeBannerGif(Write("once.gif", Gif(210, 44, std::nullopt, frames)));
  ASSERT_TRUE(once);
  EXPECT_EQ(once->loop_count, std::nullopt);
}

// The sample's animation, made by ImageMagick with optimised frames: parts of
// the banner at offsets, over what the frames before left.
TEST_F(BannerFileTest, TheSampleAnimationPlaysWholeFrames) {
  const auto sample = win32::DecodeBannerGif(PQ_SOURCE_DIR "/samples/SampleBar.gif");
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->size, (PictureSize{105, 22}));
  EXPECT_EQ(sample->delays_ms, (std::vector<uint32_t>{120, 120, 120, 2000, 2000}));
  EXPECT_EQ(sample->loop_count, std::optional<uint16_t>(0));
  ASSERT_EQ(sample->frames.size(), 5u);
  for (const std::vector<Pixel>& frame : sample->frames) {
    // Every pixel of every frame is opaque: nothing of the toolbar shows through.
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](Pixel p) { return p.a == 255; }));
    // The gradient's right end is the same in all of them.
    EXPECT_EQ(frame[104], sample->frames[0][104]);
  }
  EXPECT_NE(sample->frames[3], sample->frames[4]);  // the caption changes
}

TEST_F(BannerFileTest, WhatCannotBePlayedIsRefused) {
  const std::string good = Gif(4, 2, 0, {Solid(4, 2, kRed, 10), Solid(4, 2, kBlue, 10)});
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"missing", std::nullopt},
      {"a bitmap", std::string("BM") + std::string(60, '\0')},
      {"empty", std::string()},
      {"cut short", good.substr(0, good.size() - 12)},
      {"a huge screen", Gif(2000, 2000, 0, {Solid(2, 1, kRed, 10)})},
      {"corrupt picture data", good.substr(0, 40) + std::string(good.size() - 41, '\x7F') + "\x3B"},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    const std::string file = bytes ? Write("refused.gif", *bytes) : dir_.File("none.gif");
    EXPECT_FALSE(win32::DecodeBannerGif(file));
  }
  EXPECT_TRUE(win32::DecodeBannerGif(Write("good.gif", good)));
}

// Each frame is composed over the whole screen and scaled whole: 500 frames
// of one pixel each are nothing on a screen of one pixel, and a second's work
// on the browser's thread on one of a million.
TEST_F(BannerFileTest, ManyFramesOnALargeScreenAreRefused) {
  std::vector<TestFrame> frames;
  for (int i = 0; i < 500; ++i) frames.push_back({0, 0, 1, 1, 10, 3, false, {kRed}});
  EXPECT_TRUE(win32::DecodeBannerGif(Write("small.gif", Gif(1, 1, 0, frames))));
  const std::string wide = Gif(1024, 1024, 0, frames);
  ASSERT_LT(wide.size(), 16u * 1024);
  EXPECT_FALSE(win32::DecodeBannerGif(Write("wide.gif", wide)));
}

// --- the banner area on screen

HWND SharedParent() {
  static HWND parent = testing::MakeParentWindow(L"BannerAnimationTestParent", {800, 60});
  return parent;
}

bool WaitFor(const std::function<bool()>& done) { return testing::PumpMessagesUntil(done, 10000); }

// The colour at the middle of a window as the screen shows it.
COLORREF MiddleColour(HWND window) {
  RECT area{};
  GetClientRect(window, &area);
  HDC screen = GetDC(window);
  const COLORREF colour = GetPixel(screen, area.right / 2, area.bottom / 2);
  ReleaseDC(window, screen);
  return colour;
}

class BannerAreaTest : public BannerFileTest {
 protected:
  void SetUp() override {
    std::ofstream(dir_.File("Bar.ini"), std::ios::binary)
        << "[Options]\r\nToolbar Name=Bar\r\nBanner Animation=anim.gif\r\n";
    HKEY key = key_.Open();
    RegCloseKey(key);
    ToolbarConfig.InstallPath = dir_.path();
    ToolbarConfig.ToolbarFile = ToolbarConfig.ToolbarName = "Bar";
    ToolbarConfig.BandKeyPath = key_.path();
    ToolbarConfig.BannerAnimation = "anim.gif";
    ports_.platform.ui = &ui_;
    SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &motion_before_, 0);
  }
  void TearDown() override {
    window_.reset();
    SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0,
                          reinterpret_cast<void*>(static_cast<INT_PTR>(motion_before_)), 0);
    EXPECT_TRUE(ui_.shown.empty());
    ClearToolbarConfig();
  }
  void Open(const std::string& gif) {
    Write("anim.gif", gif);
    window_ = std::make_unique<win32::ToolbarWindow>(SharedParent(), ports_.platform);
    picture_ = window_->BannerPictureControl();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(picture_) != FALSE; }));
  }
  // Red and blue in turn, 30 ms each, for ever.
  static std::string Blinking() {
    return Gif(105, 22, 0, {Solid(105, 22, kRed, 3), Solid(105, 22, kBlue, 3)});
  }
  bool Shows(COLORREF colour) {
    return WaitFor([&] { return MiddleColour(picture_) == colour; });
  }

  testing::ScratchKey key_;
  testing::Win32Ports ports_;
  fakes::FakeUserInterface ui_;
  std::unique_ptr<win32::ToolbarWindow> window_;
  HWND picture_ = nullptr;
  BOOL motion_before_ = TRUE;
};

TEST_F(BannerAreaTest, FramesFollowEachOtherOnScreen) {
  Open(Blinking());
  ASSERT_TRUE(window_->Banner()->AnimationFrame());
  // Each colour comes, goes and comes back: the frames change with time.
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(Shows(RGB(255, 0, 0)));
    EXPECT_TRUE(Shows(RGB(0, 0, 255)));
  }
  EXPECT_TRUE(window_->Banner()->AnimationRunning());
}

TEST_F(BannerAreaTest, APlayThatEndsStaysOnItsLastFrame) {
  Open(Gif(105, 22, std::nullopt,
           {Solid(105, 22, kRed, 3), Solid(105, 22, kGreen, 3), Solid(105, 22, kBlue, 3)}));
  EXPECT_TRUE(WaitFor([&] { return !window_->Banner()->AnimationRunning(); }));
  EXPECT_EQ(window_->Banner()->AnimationFrame(), std::optional<size_t>(2));
  EXPECT_TRUE(Shows(RGB(0, 0, 255)));
}

TEST_F(BannerAreaTest, WithoutMotionTheFirstFrameHoldsStill) {
  ASSERT_TRUE(SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0, nullptr, 0));
  BOOL motion = TRUE;
  SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &motion, 0);
  ASSERT_FALSE(motion) << "the system keeps animating";
  EXPECT_FALSE(win32::BannerArea::MotionAllowed());
  Open(Blinking());
  EXPECT_TRUE(Shows(RGB(255, 0, 0)));
  EXPECT_FALSE(window_->Banner()->AnimationRunning());
  EXPECT_EQ(window_->Banner()->AnimationFrame(), std::optional<size_t>(0));

  // Allowed again, it plays from where it is shown anew.
  SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0, reinterpret_cast<void*>(1), 0);
  ShowWindow(window_->Handle(), SW_HIDE);
  ShowWindow(window_->Handle(), SW_SHOW);
  EXPECT_TRUE(Shows(RGB(0, 0, 255)));
}

bool later = false;
// A named callback: i686 wants the stdcall convention, which no lambda has.
void CALLBACK NoteLater(HWND, UINT, UINT_PTR, DWORD) { later = true; }

TEST_F(BannerAreaTest, HiddenItStopsAndShownItGoesOn) {
  Open(Blinking());
  ASSERT_TRUE(Shows(RGB(0, 0, 255)));
  ShowWindow(window_->Handle(), SW_HIDE);
  EXPECT_TRUE(WaitFor([&] { return !window_->Banner()->AnimationRunning(); }));
  const std::optional<size_t> frame = window_->Banner()->AnimationFrame();
  // Three frames' time later, told by a timer of the test's own, it is the same.
  later = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, NoteLater);
  EXPECT_TRUE(WaitFor([] { return later; }));
  KillTimer(nullptr, timer);
  EXPECT_EQ(window_->Banner()->AnimationFrame(), frame);

  ShowWindow(window_->Handle(), SW_SHOW);
  EXPECT_TRUE(WaitFor([&] { return window_->Banner()->AnimationRunning(); }));
  EXPECT_TRUE(Shows(RGB(255, 0, 0)));
  EXPECT_TRUE(Shows(RGB(0, 0, 255)));
}

TEST_F(BannerAreaTest, ABrokenFileLeavesTheStillBanner) {
  Open("GIF89a this is not a picture");
  EXPECT_FALSE(window_->Banner()->AnimationFrame());
  EXPECT_FALSE(window_->Banner()->AnimationRunning());
  // The built-in banner is no single colour of the animation's.
  const COLORREF shown = MiddleColour(picture_);
  EXPECT_NE(shown, RGB(255, 0, 0));
  EXPECT_NE(shown, RGB(0, 0, 255));
}

// A 24-bit bitmap file of one colour.
std::string BitmapFile(int32_t width, int32_t height, COLORREF colour) {
  const int32_t row = (width * 3 + 3) & ~3;
  const uint32_t bits = static_cast<uint32_t>(row) * static_cast<uint32_t>(height);
  BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, bits, 0, 0, 0, 0};
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sizeof info + bits), 0, 0,
                        sizeof file + sizeof info};
  std::string line;
  for (int32_t x = 0; x < width; ++x)
    line += {static_cast<char>(GetBValue(colour)), static_cast<char>(GetGValue(colour)),
             static_cast<char>(GetRValue(colour))};
  line.resize(static_cast<size_t>(row), '\0');
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  bytes.reserve(bytes.size() + bits);
  for (int32_t y = 0; y < height; ++y) bytes += line;
  return bytes;
}

// A publisher's banner picture taken from a camera rather than drawn at the
// banner's size: each window would load and keep all of it. Beyond the
// animation's limits, of bytes or of pixels, the built-in banner shows.
TEST_F(BannerAreaTest, AStillPictureBeyondTheLimitsLeavesTheBuiltInBanner) {
  const struct {
    const char* what;
    int32_t width, height;
    bool shown;
  } cases[] = {
      {"the banner's size", 105, 22, true},
      {"more pixels than a picture may have", 1100, 1000, false},
      {"more bytes than a banner file may have", 1500, 1400, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write("Bar.bmp", BitmapFile(c.width, c.height, RGB(0, 128, 0)));
    window_ = std::make_unique<win32::ToolbarWindow>(SharedParent(), ports_.platform);
    picture_ = window_->BannerPictureControl();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(picture_) != FALSE; }));
    RedrawWindow(picture_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(MiddleColour(picture_) == RGB(0, 128, 0), c.shown);
    window_.reset();
  }
}

}  // namespace
}  // namespace pq
