#include "win32/about_window.h"

#include <algorithm>
#include <cwchar>
#include <exception>
#include <string>
#include <vector>

#include "platform/error.h"
#include "win32/dialog_template.h"
#include "win32/gdi_handles.h"
#include "win32/gif_decoder.h"
#include "win32/resource_ids.h"
#include "win32/screen_dpi.h"
#include "win32/this_module.h"
#include "win32/wide_text.h"
#include "win32/win32_system.h"
#include "win32/window_text.h"

namespace pq::win32 {
namespace {

// The box in pixels of its 96-DPI design.
constexpr int kClientWidth = 475;
constexpr int kClientHeight = 318;
constexpr int kMargin = 10;
constexpr int kTopBandHeight = 193;    // the framed panel of picture and texts
constexpr int kBottomBandHeight = 30;  // the button's band, a line above it
constexpr int kFrameInset = 4;         // the panel's frame inside its band
constexpr int kTextLeft = 211;
constexpr RECT kPicture{8, 8, 0, 0};  // sized to the picture
constexpr RECT kBanner{211, 48, 211 + 105, 48 + 22};
constexpr RECT kClose{397, 291, 397 + 75, 291 + 25};
constexpr int kDefaultFontHeight = 11;  // character height, "MS Sans Serif"
constexpr int kLargeFontHeight = 13;    // character height, "Arial"

constexpr wchar_t kDefaultFace[] = L"MS Sans Serif";
constexpr wchar_t kLargeFace[] = L"Arial";
constexpr COLORREF kLinkColour = RGB(0, 0, 128);
constexpr char kRightsText[] = "All rights reserved.";
constexpr char kCloseText[] = "Close";

// The legal notice an installation without a notice file of its own shows.
constexpr char kBuiltInNotice[] =
    "Pelliquester Toolbar\r\n"
    "Copyright (C) the authors of Pelliquester. All rights reserved.\r\n"
    "\r\n"
    "Pelliquester is a trademark of its authors. Other names of products and\r\n"
    "companies shown by this toolbar may be trademarks of their owners.\r\n"
    "\r\n"
    "This program is protected by copyright law and international treaties.\r\n"
    "Reproducing or distributing it, or any part of it, without the written\r\n"
    "permission of its authors is not allowed.\r\n"
    "\r\n"
    "The program is provided as it is, without warranty of any kind.";

enum class FontKind { Default, Large, Link };

struct Label {
  int id;
  int top;
  int min_height;
  FontKind font;
};

constexpr Label kLabels[] = {
    {kAboutUrlId, 152, 16, FontKind::Link},         {kAboutCopyrightId, 96, 13, FontKind::Default},
    {kAboutVersionId, 80, 16, FontKind::Large},     {kAboutRightsId, 128, 13, FontKind::Default},
    {kAboutPreparerId, 112, 13, FontKind::Default},
};

struct AboutState {
  explicit AboutState(const AboutBoxContent& shown) : content(shown) {}
  const AboutBoxContent& content;
  int dpi = kDesignDpi;
  unique_hfont default_font;
  unique_hfont large_font;
  unique_hfont link_font;
  unique_hbitmap picture;
  unique_hbitmap banner;
  std::exception_ptr failure;
  bool closed = false;
  // Pixels the panel grew by for texts of more than one line.
  int grown = 0;

  int Scale(int design) const { return ScaleForDpi(design, dpi); }
  RECT Scale(const RECT& design) const {
    return {Scale(design.left), Scale(design.top), Scale(design.right), Scale(design.bottom)};
  }
  HFONT Font(FontKind kind) const {
    switch (kind) {
      case FontKind::Large:
        return large_font.get();
      case FontKind::Link:
        return link_font.get();
      default:
        return default_font.get();
    }
  }
};

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  std::wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  const WindowDc screen(nullptr);
  EnumFontFamiliesExW(screen.get(), &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

unique_hfont MakeFont(const wchar_t* face, int character_height, int weight, bool underline) {
  return unique_hfont(CreateFontW(-character_height, 0, 0, 0, weight, FALSE, underline, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face));
}

// The system's message font, as its dialogs use it.
bool MessageFont(LOGFONTW& font) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return false;
  font = metrics.lfMessageFont;
  return true;
}

// The box's own face where the system has it, the system's message font where not.
unique_hfont DefaultFont(int dpi) {
  if (FaceInstalled(kDefaultFace))
    return MakeFont(kDefaultFace, ScaleForDpi(kDefaultFontHeight, dpi), FW_NORMAL, false);
  LOGFONTW message{};
  if (MessageFont(message)) return unique_hfont(CreateFontIndirectW(&message));
  return unique_hfont();
}

// The large face, or the message font's face where the system lacks it:
// left to itself, the font mapper may pick a serif face for it.
unique_hfont LargeFont(int dpi, bool underline) {
  const int height = ScaleForDpi(kLargeFontHeight, dpi);
  LOGFONTW message{};
  if (!FaceInstalled(kLargeFace) && MessageFont(message))
    return MakeFont(message.lfFaceName, height, FW_BOLD, underline);
  return MakeFont(kLargeFace, height, FW_BOLD, underline);
}

HWND AddControl(HWND box, const wchar_t* window_class, const std::string& text, DWORD style,
                int id, const RECT& place, HFONT font) {
  HWND control =
      CreateWindowExW(0, window_class, Wide(text).c_str(), WS_CHILD | style, place.left, place.top,
                      place.right - place.left, place.bottom - place.top, box,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (!control) throw Error(Win32SystemMessages().MessageFor(GetLastError()));
  if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  return {info.bmWidth, info.bmHeight};
}

void DrawStretched(HDC dc, const RECT& place, HBITMAP bitmap) {
  if (!bitmap) return;
  const SIZE size = BitmapSize(bitmap);
  const unique_hdc source(CreateCompatibleDC(dc));
  if (!source) return;
  const SelectedObject selected(source.get(), bitmap);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, place.left, place.top, place.right - place.left, place.bottom - place.top,
             source.get(), 0, 0, size.cx, size.cy, SRCCOPY);
}

std::string LabelText(const AboutBoxContent& content, int id) {
  switch (id) {
    case kAboutVersionId:
      return content.Version;
    case kAboutCopyrightId:
      return content.Copyright;
    case kAboutPreparerId:
      return content.Preparer;
    case kAboutUrlId:
      return content.Url;
    default:
      return kRightsText;
  }
}

std::string NoticeText(const AboutBoxContent& content) {
  if (!content.NoticeLines) return kBuiltInNotice;
  std::string text;
  for (size_t i = 0; i < content.NoticeLines->size(); ++i) {
    if (i > 0) text += "\r\n";
    text += (*content.NoticeLines)[i];
  }
  return text;
}

void Build(HWND box, AboutState& state) {
  const AboutBoxContent& content = state.content;
  state.default_font = DefaultFont(state.dpi);
  state.large_font = LargeFont(state.dpi, false);
  state.link_font = LargeFont(state.dpi, true);
  state.picture.reset(static_cast<HBITMAP>(LoadImageW(
      ThisModule(), MAKEINTRESOURCEW(IDB_ABOUT_PICTURE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!content.BannerFile.empty()) state.banner = LoadBannerBitmap(content.BannerFile);
  // A banner file that cannot be read leaves the built-in banner.
  if (!state.banner)
    state.banner.reset(
        static_cast<HBITMAP>(LoadImageW(ThisModule(), MAKEINTRESOURCEW(IDB_BUILTIN_BANNER),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));

  // Labels take the width of their text, up to the margin on the right, and
  // as many lines as it needs there: going down the panel, a text of several
  // lines moves the ones below it down, and the box grows by what it took.
  struct Placed {
    const Label* label;
    std::string text;
    RECT place;
  };
  std::vector<Placed> placed;
  {
    const WindowDc dc(box);
    const int left = state.Scale(kTextLeft);
    const int room = state.Scale(kClientWidth - kMargin) - left;
    std::vector<const Label*> down;
    for (const Label& label : kLabels) down.push_back(&label);
    std::sort(down.begin(), down.end(), [](const Label* a, const Label* b) { return a->top < b->top; });
    for (const Label* label : down) {
      std::string text = LabelText(content, label->id);
      const std::wstring wide = Wide(text);
      RECT line{0, 0, 0, 0}, lines{0, 0, room, 0};
      {
        const SelectedObject selected(dc.get(), state.Font(label->font));
        DrawTextW(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &line,
                  DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        DrawTextW(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &lines,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      }
      const int least = state.Scale(label->min_height);
      const int top = state.Scale(label->top) + state.grown;
      const int height = std::max<int>(least, lines.bottom);
      state.grown += height - std::max<int>(least, line.bottom);
      const int width = std::min<int>(std::max<int>({line.right, lines.right, 1}), room);
      placed.push_back({label, std::move(text), {left, top, left + width, top + height}});
    }
  }
  const auto lower = [&](RECT place) {
    OffsetRect(&place, 0, state.grown);
    return place;
  };

  // The Close button comes first: it is first in the tab order.
  HWND close = AddControl(box, L"BUTTON", kCloseText, BS_DEFPUSHBUTTON | WS_TABSTOP, kAboutCloseId,
                          lower(state.Scale(kClose)), state.default_font.get());
  if (!content.Timed) ShowWindow(close, SW_SHOWNA);
  SendMessageW(box, DM_SETDEFID, kAboutCloseId, 0);

  for (const Placed& label : placed) {
    const DWORD notify = label.label->id == kAboutUrlId ? SS_NOTIFY : 0;
    AddControl(box, L"STATIC", label.text, WS_VISIBLE | SS_LEFT | SS_NOPREFIX | notify,
               label.label->id, label.place, state.Font(label.label->font));
  }

  AddControl(box, L"STATIC", "", WS_VISIBLE | SS_OWNERDRAW | SS_NOTIFY, kAboutBannerId,
             state.Scale(kBanner), nullptr);
  const SIZE picture = state.picture ? BitmapSize(state.picture.get()) : SIZE{0, 0};
  AddControl(box, L"STATIC", "", WS_VISIBLE | SS_OWNERDRAW, kAboutPictureId,
             state.Scale(RECT{kPicture.left, kPicture.top, kPicture.left + picture.cx,
                              kPicture.top + picture.cy}),
             nullptr);

  HWND notice = AddControl(box, L"EDIT", "",
                           WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL,
                           kAboutNoticeId,
                           lower(state.Scale(RECT{kMargin, kTopBandHeight, kClientWidth - kMargin,
                                                  kClientHeight - kBottomBandHeight})),
                           state.default_font.get());
  SendMessageW(notice, EM_SETLIMITTEXT, 0, 0);
  SetWindowTextUtf8(notice, NoticeText(content));

  RECT frame{0, 0, state.Scale(kClientWidth), state.Scale(kClientHeight) + state.grown};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(box, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(box, GWL_EXSTYLE)));
  SetWindowPos(box, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CenterOnScreen(box, GetWindow(box, GW_OWNER));
  SetWindowTextUtf8(box, content.Caption);
  if (!content.Timed) SetFocus(close);
}

void PaintBands(HWND box, const AboutState& state) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(box, &paint);
  RECT panel = state.Scale(
      RECT{kFrameInset, kFrameInset, kClientWidth - kFrameInset, kTopBandHeight - kFrameInset});
  panel.bottom += state.grown;
  DrawEdge(dc, &panel, EDGE_ETCHED, BF_RECT);
  RECT line = state.Scale(RECT{kFrameInset, kClientHeight - kBottomBandHeight,
                               kClientWidth - kFrameInset, kClientHeight});
  OffsetRect(&line, 0, state.grown);
  DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
  EndPaint(box, &paint);
}

void Close(HWND box, AboutState& state) {
  state.closed = true;
  if (state.content.Timed)
    ShowWindow(box, SW_HIDE);
  else
    EndDialog(box, IDCANCEL);
}

void FollowLink(HWND box, AboutState& state) {
  try {
    if (state.content.LinkClick) state.content.LinkClick();
  } catch (...) {
    state.failure = std::current_exception();
  }
  Close(box, state);
}

bool IsHandCursorControl(HWND control) {
  const int id = GetDlgCtrlID(control);
  return id == kAboutUrlId || id == kAboutBannerId || id == kAboutCloseId;
}

INT_PTR HandleMessage(HWND box, UINT message, WPARAM wparam, LPARAM lparam, AboutState& state) {
  switch (message) {
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) != kAboutNoticeId)
        SetBkMode(dc, TRANSPARENT);
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == kAboutUrlId)
        SetTextColor(dc, kLinkColour);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) != box &&
          IsHandCursorControl(reinterpret_cast<HWND>(wparam))) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        SetWindowLongPtrW(box, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      HBITMAP bitmap = item->CtlID == kAboutBannerId    ? state.banner.get()
                       : item->CtlID == kAboutPictureId ? state.picture.get()
                                                        : nullptr;
      DrawStretched(item->hDC, item->rcItem, bitmap);
      return TRUE;
    }
    case WM_PAINT:
      PaintBands(box, state);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if ((id == kAboutUrlId || id == kAboutBannerId) && HIWORD(wparam) == STN_CLICKED) {
        FollowLink(box, state);
        return TRUE;
      }
      // Enter and Escape press Close, which the timed box does not have.
      if ((id == IDOK || id == IDCANCEL) && !state.content.Timed) {
        Close(box, state);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK AboutProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<AboutState*>(GetWindowLongPtrW(box, DWLP_USER));
  try {
    if (message == WM_INITDIALOG) {
      state = reinterpret_cast<AboutState*>(lparam);
      SetWindowLongPtrW(box, DWLP_USER, lparam);
      Build(box, *state);
      return state->content.Timed;  // the modal box has put the focus on Close
    }
    return state ? HandleMessage(box, message, wparam, lparam, *state) : FALSE;
  } catch (...) {
    // Reported to the caller once the box is gone.
    if (state) {
      if (!state->failure) state->failure = std::current_exception();
      Close(box, *state);
    }
    return TRUE;
  }
}

// Shows the box without modality and keeps this thread's windows working
// until the time is up, whether or not the box was closed before.
void RunTimed(HWND owner, const DLGTEMPLATE* design, AboutState& state) {
  const unique_hwnd box(CreateDialogIndirectParamW(ThisModule(), design, owner, AboutProc,
                                                   reinterpret_cast<LPARAM>(&state)));
  if (!box) throw Error(Win32SystemMessages().MessageFor(GetLastError()));
  const DWORD start = GetTickCount();
  if (!state.closed) {
    ShowWindow(box.get(), SW_SHOW);
    UpdateWindow(box.get());
  }
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kAboutTimedMilliseconds) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kAboutTimedMilliseconds - elapsed, QS_ALLINPUT);
    MSG message;
    bool quit = false;
    // Read and dispatched in the wide form, as the browser's own loop does:
    // the browser's windows get their characters whole while the box is up.
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The thread's own loop is to see it and end.
        PostQuitMessage(static_cast<int>(message.wParam));
        quit = true;
        break;
      }
      if (IsDialogMessageW(box.get(), &message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (quit) break;
  }
  ShowWindow(box.get(), SW_HIDE);
}

}  // namespace

void ShowAboutWindow(HWND owner, const AboutBoxContent& content) {
  AboutState state(content);
  state.dpi = ScreenDpi();
  // No title bar and no sizing border; a dialog frame keeps the box from
  // melting into the page behind it.
  const EmptyDialogTemplate design(WS_POPUP | WS_CLIPCHILDREN | DS_MODALFRAME, 0);
  const HWND focus = GetFocus();
  if (content.Timed) {
    RunTimed(owner, design.get(), state);
  } else if (DialogBoxIndirectParamW(ThisModule(), design.get(), owner, AboutProc,
                                     reinterpret_cast<LPARAM>(&state)) == -1) {
    throw Error(Win32SystemMessages().MessageFor(GetLastError()));
  }
  if (focus && IsWindow(focus)) SetFocus(focus);
  if (state.failure) std::rethrow_exception(state.failure);
}

}  // namespace pq::win32
