#pragma once
// The banner area at the toolbar's left: a window of its own that holds the
// banner picture (and, once one has loaded, the movie player). The picture
// is stretched over its place, shows the hand cursor and reports clicks.
#include <windows.h>

#include <functional>
#include <string>

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

  static void UnregisterWindowClass();

 private:
  friend WindowImpl;
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnWindowGone() noexcept { picture_ = nullptr; }
  // The click handler shows its own errors; what else fails is drawing.
  LRESULT OnMessageFailed(HWND, UINT, WPARAM, LPARAM) noexcept { return 0; }
  void DrawPicture(const DRAWITEMSTRUCT& draw) const;

  SIZE area_;
  std::function<void()> on_click_;
  unique_hbitmap bitmap_;
  HWND picture_ = nullptr;
};

}  // namespace pq::win32
