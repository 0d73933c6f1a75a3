#include "win32/banner_area.h"

#include <cstring>

#include "platform/error.h"
#include "win32/gdi_handles.h"
#include "win32/resource_ids.h"
#include "win32/this_module.h"

namespace pq::win32 {

namespace {

// In a browser mirrored for a right-to-left language the banner's place is
// mirrored too; the publisher's picture and its words are not.
void KeepPicturesUnmirrored(HDC dc) {
  const DWORD layout = GetLayout(dc);
  if (layout != GDI_ERROR && (layout & LAYOUT_RTL))
    SetLayout(dc, layout | LAYOUT_BITMAPORIENTATIONPRESERVED);
}

constexpr wchar_t kWindowClass[] = L"PelliquesterBannerArea";
constexpr int kPictureId = 1;
constexpr UINT_PTR kFrameTimer = 1;

}  // namespace

BannerArea::BannerArea(HWND parent, SIZE area, SIZE picture, std::function<void()> on_click)
    : area_(area), on_click_(std::move(on_click)) {
  if (!RegisterModuleWindowClass(kWindowClass, &BannerArea::WindowProc, COLOR_BTNFACE))
    throw Error("The banner's window class cannot be registered");
  if (!CreateWindowOf(0, kWindowClass, L"FlashToolbar",
                      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, area.cx,
                      area.cy, parent, ThisModule()))
    throw Error("The banner area cannot be created");
  // Owner-drawn, so that the picture is stretched to the resolution; SS_NOTIFY
  // reports clicks.
  picture_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW | SS_NOTIFY, 0,
                             0, picture.cx, picture.cy, Handle(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPictureId)),
                             ThisModule(), nullptr);
  if (!picture_) {
    DestroyWindow(Handle());
    throw Error("The banner picture cannot be created");
  }
}

BannerArea::~BannerArea() {
  // Usually gone with the toolbar already.
  if (Handle()) DestroyWindow(Handle());
}

void BannerArea::SetPicture(unique_hbitmap bitmap) {
  bitmap_ = std::move(bitmap);
  builtin_due_ = false;
  if (picture_) InvalidateRect(picture_, nullptr, FALSE);
}

void BannerArea::SetPictureVisible(bool visible) {
  if (picture_) ShowWindow(picture_, visible ? SW_SHOWNA : SW_HIDE);
}

bool BannerArea::MotionAllowed() {
  BOOL allowed = TRUE;
  // Systems without the setting animate.
  if (!SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &allowed, 0)) return true;
  return allowed != FALSE;
}

void BannerArea::SetAnimation(BannerFrames frames) {
  StopTimer();
  animation_.reset();
  if (frames.frames.empty()) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = frames.size.width;
  info.bmiHeader.biHeight = -frames.size.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  unique_hbitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return;
  std::vector<uint32_t> delays = frames.delays_ms;
  const std::optional<uint16_t> loop_count = frames.loop_count;
  animation_.reset(new Animation{std::move(frames), BannerPlayback(std::move(delays), loop_count),
                                 std::move(bitmap), bits});
  Show(animation_->playback.Start(MotionAllowed()), true);
}

std::optional<size_t> BannerArea::AnimationFrame() const {
  if (!animation_) return std::nullopt;
  return animation_->playback.Frame();
}

bool BannerArea::Shown() const { return Handle() && IsWindowVisible(Handle()); }

void BannerArea::Show(BannerPlayback::Step step, bool repaint) {
  Animation& animation = *animation_;
  const std::vector<Pixel>& frame = animation.frames.frames[step.frame];
  std::memcpy(animation.bits, frame.data(), frame.size() * sizeof(Pixel));
  if (repaint && picture_) InvalidateRect(picture_, nullptr, FALSE);
  if (!step.delay_ms) {
    StopTimer();
    return;
  }
  timer_running_ = Handle() && SetTimer(Handle(), kFrameTimer, *step.delay_ms, nullptr) != 0;
}

void BannerArea::StopTimer() {
  if (timer_running_ && Handle()) KillTimer(Handle(), kFrameTimer);
  timer_running_ = false;
}

void BannerArea::UnregisterWindowClass() { UnregisterModuleWindowClass(kWindowClass); }

LRESULT BannerArea::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (wparam != kFrameTimer) break;
      if (!animation_) {
        StopTimer();
        return 0;
      }
      // Hidden (the browser hid the toolbar, or the area itself went): no
      // frames until it is painted again.
      if (!Shown()) {
        StopTimer();
        return 0;
      }
      Show(MotionAllowed() ? animation_->playback.Next() : animation_->playback.Resume(false),
           true);
      return 0;
    case WM_SHOWWINDOW:
      if (!wparam) StopTimer();
      break;
    case WM_DESTROY:
      StopTimer();
      break;
    case WM_DRAWITEM: {
      const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (draw.hwndItem != picture_) break;
      DrawPicture(draw);
      return TRUE;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == picture_ && LOWORD(lparam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lparam) == picture_ && HIWORD(wparam) == STN_CLICKED) {
        if (on_click_) on_click_();
        return 0;
      }
      break;
  }
  return DefaultProc(message, wparam, lparam);
}

void BannerArea::DrawPicture(const DRAWITEMSTRUCT& draw) {
  const RECT& place = draw.rcItem;
  if (animation_) {
    // Painted again after it stopped: shown anew, or motion allowed again.
    if (!timer_running_ && Shown()) Show(animation_->playback.Resume(MotionAllowed()), false);
    DrawAnimationFrame(draw.hDC, place);
    return;
  }
  if (!bitmap_ && builtin_due_) {
    // The built-in picture, for a toolbar that never got one of its own:
    // loaded when first drawn, as most toolbars replace it before that.
    bitmap_.reset(static_cast<HBITMAP>(LoadImageW(ThisModule(), MAKEINTRESOURCEW(IDB_BUILTIN_BANNER),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    builtin_due_ = false;
  }
  if (!bitmap_) {
    FillRect(draw.hDC, &place, GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  BITMAP info{};
  GetObjectW(bitmap_.get(), sizeof info, &info);
  const unique_hdc source(CreateCompatibleDC(draw.hDC));
  if (!source) return;
  const SelectedObject selected(source.get(), bitmap_.get());
  KeepPicturesUnmirrored(draw.hDC);
  SetStretchBltMode(draw.hDC, HALFTONE);
  SetBrushOrgEx(draw.hDC, 0, 0, nullptr);
  StretchBlt(draw.hDC, place.left, place.top, place.right - place.left, place.bottom - place.top,
             source.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

void BannerArea::DrawAnimationFrame(HDC dc, const RECT& place) const {
  FillRect(dc, &place, GetSysColorBrush(COLOR_BTNFACE));
  const PictureSize size = animation_->frames.size;
  // The frame over the button face at its own size, then stretched to the
  // resolution as the still picture is.
  const unique_hdc frame_dc(CreateCompatibleDC(dc));
  const unique_hdc composed_dc(CreateCompatibleDC(dc));
  const unique_hbitmap composed(CreateCompatibleBitmap(dc, size.width, size.height));
  if (!frame_dc || !composed_dc || !composed) return;
  const SelectedObject frame_selected(frame_dc.get(), animation_->bitmap.get());
  const SelectedObject composed_selected(composed_dc.get(), composed.get());
  const RECT all{0, 0, size.width, size.height};
  FillRect(composed_dc.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(composed_dc.get(), 0, 0, size.width, size.height, frame_dc.get(), 0, 0, size.width,
                size.height, blend);
  // The place holds the whole banner; a smaller picture is centred in it,
  // at the same scale.
  const int place_width = place.right - place.left, place_height = place.bottom - place.top;
  const int width = MulDiv(size.width, place_width, kBannerDesignWidth);
  const int height = MulDiv(size.height, place_height, kBannerDesignHeight);
  KeepPicturesUnmirrored(dc);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, place.left + (place_width - width) / 2, place.top + (place_height - height) / 2,
             width, height, composed_dc.get(), 0, 0, size.width, size.height, SRCCOPY);
}

}  // namespace pq::win32
