#pragma once
// The banner area at the toolbar's left: a window of its own that holds the
// banner picture (and, once one has loaded, the movie player). The picture
// is stretched over its place, shows the hand cursor and reports clicks. An
// animation plays in the picture's place while the area is visible, on a
// timer of the area's window.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "toolbar/banner_animation.h"
#include "win32/gif_decoder.h"
#include "win32/handles.h"
#include "win32/window_impl.h"

namespace pq::win32 {

class BannerArea : public WindowImpl<BannerArea> {
 public:
  // Sizes in pixels of the window's resolution.
  BannerArea(HWND parent, SIZE area, SIZE picture, std::function<void()> on_click);
  ~BannerArea();
  BannerArea(const BannerArea&) = delete;
  BannerArea& operator=(const BannerArea&) = delete;

  HWND Picture() const { return picture_; }
  SIZE Size() const { return area_; }

  // The picture shown from now on.
  void SetPicture(unique_hbitmap bitmap);
  void SetPictureVisible(bool visible);
  // Plays the frames in the picture's place from now on.
  void SetAnimation(BannerFrames frames);

  // The animation's frame on show, and whether its timer runs.
  std::optional<size_t> AnimationFrame() const;
  bool AnimationRunning() const { return timer_running_; }

  // Whether the user lets windows animate their content (the system's
  // client-area animation setting); read at each start and frame.
  static bool MotionAllowed();

  static void UnregisterWindowClass();

 private:
  friend WindowImpl;
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnWindowGone() noexcept { picture_ = nullptr; }
  // The click handler shows its own errors; what else fails is drawing.
  LRESULT OnMessageFailed(HWND, UINT, WPARAM, LPARAM) noexcept { return 0; }
  void DrawPicture(const DRAWITEMSTRUCT& draw);
  void DrawAnimationFrame(HDC dc, const RECT& place) const;
  // Shows a step of the playback (painting it anew unless it is being painted)
  // and sets the timer for the next one.
  void Show(BannerPlayback::Step step, bool repaint);
  void StopTimer();
  bool Shown() const;

  SIZE area_;
  std::function<void()> on_click_;
  unique_hbitmap bitmap_;
  bool builtin_due_ = true;  // the built-in picture shows until another is set
  HWND picture_ = nullptr;

  struct Animation {
    BannerFrames frames;
    BannerPlayback playback;
    unique_hbitmap bitmap;  // the frame on show, a 32-bit DIB section
    void* bits = nullptr;
  };
  std::unique_ptr<Animation> animation_;
  // Stopped while hidden, the next painting, which comes with showing, resumes.
  bool timer_running_ = false;
};

}  // namespace pq::win32
