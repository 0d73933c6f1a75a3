#include "win32/input_box.h"

#include <exception>

#include "platform/error.h"
#include "win32/dialog_template.h"
#include "win32/gdi_handles.h"
#include "win32/this_module.h"
#include "win32/wide_text.h"
#include "win32/win32_system.h"
#include "win32/window_text.h"

namespace pq::win32 {
namespace {

constexpr int kEditId = 100;

// Lengths of the box in dialog units: a quarter of the font's average
// character width across, an eighth of its height down; the usual sizes of
// the system's own dialogs.
constexpr int kMargin = 7;
constexpr int kContentWidth = 200;
constexpr int kGap = 4;
constexpr int kEditHeight = 14;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

struct InputBoxState {
  const std::string& caption;
  const std::string& prompt;
  const std::string& initial;
  std::string result;
  unique_hfont font;
  std::exception_ptr failure;
};

// The message font of the system's dialogs, at the screen's DPI.
unique_hfont MessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    return unique_hfont(CreateFontIndirectW(&metrics.lfMessageFont));
  return unique_hfont();
}

// Converts dialog units of a font to pixels.
class DialogUnits {
 public:
  DialogUnits(HDC dc, HFONT font) {
    const SelectedObject selected(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    static constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent{};
    GetTextExtentPoint32W(dc, kAlphabet, sizeof kAlphabet - 1, &extent);
    base_x_ = (extent.cx / 26 + 1) / 2;
    base_y_ = metrics.tmHeight;
    if (base_x_ <= 0) base_x_ = 1;
  }
  int X(int units) const { return MulDiv(units, base_x_, 4); }
  int Y(int units) const { return MulDiv(units, base_y_, 8); }

 private:
  int base_x_ = 1;
  int base_y_ = 1;
};

HWND AddControl(HWND dialog, const wchar_t* window_class, const std::string& text, DWORD style,
                DWORD extended_style, int id, const RECT& place, HFONT font) {
  HWND control = CreateWindowExW(
      extended_style, window_class, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, place.left,
      place.top, place.right - place.left, place.bottom - place.top, dialog,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (!control) throw Error(Win32SystemMessages().MessageFor(GetLastError()));
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void Layout(HWND dialog, InputBoxState& state) {
  state.font = MessageFont();
  HFONT font = state.font ? state.font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  const WindowDc dc(dialog);
  const DialogUnits units(dc.get(), font);

  const int left = units.X(kMargin);
  const int width = units.X(kContentWidth);
  // The prompt wraps at the content's width and takes the lines it needs.
  RECT prompt_place{left, units.Y(kMargin), left + width, units.Y(kMargin)};
  {
    const SelectedObject selected(dc.get(), font);
    const std::wstring prompt = Wide(state.prompt);
    DrawTextW(dc.get(), prompt.c_str(), static_cast<int>(prompt.size()), &prompt_place,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  }
  prompt_place.right = left + width;
  AddControl(dialog, L"STATIC", state.prompt, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 0, -1,
             prompt_place, font);

  const int edit_top = prompt_place.bottom + units.Y(kGap);
  const RECT edit_place{left, edit_top, left + width, edit_top + units.Y(kEditHeight)};
  HWND edit = AddControl(dialog, L"EDIT", "", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP,
                         WS_EX_CLIENTEDGE, kEditId, edit_place, font);
  // No limit of the edit's own on the text's length.
  SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
  SetWindowTextUtf8(edit, state.initial);

  const int button_top = edit_place.bottom + units.Y(kMargin);
  const int button_width = units.X(kButtonWidth);
  const int button_height = units.Y(kButtonHeight);
  const int cancel_left = left + width - button_width;
  const int ok_left = cancel_left - units.X(kGap) - button_width;
  AddControl(dialog, L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, IDOK,
             {ok_left, button_top, ok_left + button_width, button_top + button_height}, font);
  AddControl(dialog, L"BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, IDCANCEL,
             {cancel_left, button_top, cancel_left + button_width, button_top + button_height},
             font);

  RECT frame{0, 0, left + width + units.X(kMargin), button_top + button_height + units.Y(kMargin)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CenterOnScreen(dialog, GetWindow(dialog, GW_OWNER));
  SetWindowTextUtf8(dialog, state.caption);

  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  try {
    switch (message) {
      case WM_INITDIALOG:
        state = reinterpret_cast<InputBoxState*>(lparam);
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        Layout(dialog, *state);
        return FALSE;  // the focus is set
      case WM_COMMAND:
        if (!state) return FALSE;
        if (LOWORD(wparam) == IDOK) {
          state->result = WindowText(GetDlgItem(dialog, kEditId));
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        }
        return FALSE;
      default:
        return FALSE;
    }
  } catch (...) {
    // Reported to the caller once the box is gone.
    if (state) state->failure = std::current_exception();
    EndDialog(dialog, IDABORT);
    return TRUE;
  }
}

}  // namespace

std::string ShowInputBox(HWND owner, const std::string& caption, const std::string& prompt,
                         const std::string& initial) {
  const EmptyDialogTemplate box(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0);
  InputBoxState state{caption, prompt, initial, std::string(), unique_hfont(), nullptr};
  const HWND focus = GetFocus();
  const INT_PTR answer = DialogBoxIndirectParamW(ThisModule(), box.get(), owner, InputBoxProc,
                                                 reinterpret_cast<LPARAM>(&state));
  if (answer == -1) throw Error(Win32SystemMessages().MessageFor(GetLastError()));
  if (focus && IsWindow(focus)) SetFocus(focus);
  if (state.failure) std::rethrow_exception(state.failure);
  return answer == IDOK ? state.result : initial;
}

}  // namespace pq::win32
