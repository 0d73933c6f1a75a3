#include "win32/window_metrics.h"

namespace pq::win32 {
namespace {

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

int WindowDpi(HWND window) {
  // Windows 10 and later know each window's resolution; older systems have one.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi_for_window && window) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

SystemSizes SystemSizesForDpi(int dpi) {
  // Windows 10 (1607) and later give metrics for any DPI; older systems give
  // the screen's, which are scaled here.
  using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
  static const auto for_dpi = reinterpret_cast<GetSystemMetricsForDpiFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
  const auto metric = [&](int index) {
    if (for_dpi) return for_dpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, ScreenDpi());
  };
  SystemSizes sizes;
  sizes.edge = metric(SM_CXEDGE);
  sizes.menu_arrow = metric(SM_CXMENUCHECK);
  return sizes;
}

ToolbarMetrics ToolbarMetricsAt(int dpi, int control_arrow) {
  return ToolbarMetricsForDpi(dpi, SystemSizesForDpi(dpi), control_arrow);
}

unique_hfont MessageFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    return unique_hfont(CreateFontW(-ScaleToDpi(12, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                    DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg"));
  // The system gives the font at the screen's resolution.
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = MulDiv(font.lfHeight, dpi, ScreenDpi());
  return unique_hfont(CreateFontIndirectW(&font));
}

}  // namespace pq::win32
