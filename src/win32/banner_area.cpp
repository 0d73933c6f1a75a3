#include "win32/banner_area.h"

#include "platform/error.h"
#include "win32/gdi_handles.h"
#include "win32/resource_ids.h"
#include "win32/this_module.h"

namespace pq::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"PelliquesterBannerArea";
constexpr int kPictureId = 1;

}  // namespace

BannerArea::BannerArea(HWND parent, SIZE area, SIZE picture, std::function<void()> on_click)
    : area_(area),
      on_click_(std::move(on_click)),
      bitmap_(static_cast<HBITMAP>(LoadImageW(ThisModule(), MAKEINTRESOURCEW(IDB_BUILTIN_BANNER),
                                              IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))) {
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
  if (picture_) InvalidateRect(picture_, nullptr, FALSE);
}

void BannerArea::SetPictureVisible(bool visible) {
  if (picture_) ShowWindow(picture_, visible ? SW_SHOWNA : SW_HIDE);
}

void BannerArea::UnregisterWindowClass() { UnregisterClassW(kWindowClass, ThisModule()); }

LRESULT BannerArea::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
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

void BannerArea::DrawPicture(const DRAWITEMSTRUCT& draw) const {
  const RECT& place = draw.rcItem;
  if (!bitmap_) {
    FillRect(draw.hDC, &place, GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  BITMAP info{};
  GetObjectW(bitmap_.get(), sizeof info, &info);
  const unique_hdc source(CreateCompatibleDC(draw.hDC));
  if (!source) return;
  const SelectedObject selected(source.get(), bitmap_.get());
  SetStretchBltMode(draw.hDC, HALFTONE);
  SetBrushOrgEx(draw.hDC, 0, 0, nullptr);
  StretchBlt(draw.hDC, place.left, place.top, place.right - place.left, place.bottom - place.top,
             source.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

}  // namespace pq::win32
